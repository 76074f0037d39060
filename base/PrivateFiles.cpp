#include "base/PrivateFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

bool WriteAll(int fd, const void* data, size_t n) {
  const auto* p = static_cast<const unsigned char*>(data);
  size_t done = 0;
  while (done < n) {
    const ssize_t w = ::write(fd, p + done, n - done);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) {
      if (w == 0) errno = EIO;
      return false;
    }
    done += static_cast<size_t>(w);
  }
  return true;
}

bool ReplaceFileSafely(const std::string& path, mode_t mode, const std::function<bool(int fd)>& write) {
  if (path.empty()) {
    errno = ENOENT;
    return false;
  }
  // mkstemp makes the file with O_CREAT | O_EXCL, owner only: a name
  // someone planted (a symlink too) makes it fail instead of being opened.
  std::string temporary = path + ".XXXXXX";
  const int fd = mkostemp(&temporary[0], O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return false;
  bool ok = !write || write(fd);
  int error = ok ? 0 : (errno ? errno : EIO);
  if (ok && fchmod(fd, mode & kSharedReadFileMode) != 0) ok = false, error = errno;
  if (ok && fsync(fd) != 0) ok = false, error = errno;
  if (::close(fd) != 0 && ok) ok = false, error = errno;
  // rename replaces the name itself: a symlink there is replaced, its target
  // left as it was.
  if (ok && ::rename(temporary.c_str(), path.c_str()) != 0) ok = false, error = errno;
  if (!ok) {
    ::unlink(temporary.c_str());
    errno = error;
  }
  return ok;
}

bool ReplaceFileSafely(const std::string& path, const void* data, size_t size, mode_t mode) {
  return ReplaceFileSafely(path, mode, [&](int fd) { return WriteAll(fd, data, size); });
}

int MakePrivateFolder(const std::string& path) {
  if (::mkdir(path.c_str(), kPrivateFolderMode) != 0) return errno;
  return 0;
}
