#pragma once
// Writing the files that hold a user's data (macros, keypad files, desktop
// settings, print settings) so that nobody else can redirect or read them:
// the data goes into a new file made beside the target with O_CREAT |
// O_EXCL | O_NOFOLLOW (mkstemp), owner-only, which is synced and renamed
// over the target. Whatever stood at the target (a symlink planted by
// someone else included) is replaced, never followed. Folders made for such
// files are the owner's only.
#include <sys/types.h>

#include <cstddef>
#include <functional>
#include <string>

// The mode of a user's data file, and the most a file gets that others
// must read.
constexpr mode_t kPrivateFileMode = 0600;
constexpr mode_t kSharedReadFileMode = 0644;
constexpr mode_t kPrivateFolderMode = 0700;

// Replaces `path` by a file of mode `mode` (never more than 0644) whose
// contents `write` puts into the descriptor it is given (true when it
// wrote all). False, with errno, when any step fails; the target is then
// unchanged and no new file is left behind.
bool ReplaceFileSafely(const std::string& path, mode_t mode, const std::function<bool(int fd)>& write);
// The same with the bytes given.
bool ReplaceFileSafely(const std::string& path, const void* data, size_t size, mode_t mode = kPrivateFileMode);

// Writes all n bytes to fd (EINTR and short writes retried); false on error.
bool WriteAll(int fd, const void* data, size_t n);

// Makes the folder `path` (its parent must exist) with mode 0700. 0 when it
// was made, else the errno of mkdir (EEXIST when something is there).
int MakePrivateFolder(const std::string& path);
