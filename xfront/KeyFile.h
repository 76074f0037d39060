#pragma once
// Key files: an Xt translation table per keyboard type that a user (or the
// keyboard remapping program) lays over the drawing widget's built-in
// translations. Finding the file, migrating old layouts and removing
// comments, without X.
#include <string>

struct AppResourceStruct;

namespace keyfile {

// The largest key file applied, and the room its text may take after the
// migrations.
constexpr size_t kMaxKeyFileBytes = 24576;
constexpr size_t kMaxTranslationBytes = 24676;

// The file extension of a keyboard: "122_3270" for the 3270 keyboards, the
// number of keys (101, 102, 104, 106, 122) for the others, "0" for a
// keyboard the table does not know.
std::string KeyboardExtension(int keyboardId);
// The per-keyboard fallback path resource of an extension (null when unset).
const char* KeyboardPathResource(const std::string& extension, const AppResourceStruct& resources);

// The WYSetup key is renamed in files without a version line and in files
// older than version 42.
bool NeedsWYSetupMigration(const std::string& text);
// Files of version 13: the Scroll Lock release and osfMenu lines go, and the
// keypad digits are named as the keys are without Num Lock.
bool IsVersion13(const std::string& text);
void MigrateVersion13(std::string& text);
// "WYSetup" bindings become "Pause" bindings.
void ConvertWYSetupToPause(std::string& text);
// Removes the comments: a "#" as the first character of the file or "# "
// at the start of a line begins one, which takes every following line that
// begins with "#".
std::string StripComments(const std::string& text);

// The whole preparation of a file's bytes (already in the locale's code
// set) for Xt: migrations and comments. False, with the reason in *why,
// when the result would not fit its room.
bool PrepareTranslations(const std::string& file, std::string* translations, std::string* why);

// How a command-line key file name is used: the name as given (its
// extension matches), with the keyboard's extension added (it had none), or
// with its extension replaced.
enum class NameFix { AsGiven, ExtensionAdded, ExtensionReplaced };
NameFix FixCommandLineName(const std::string& name, const std::string& extension, std::string* fileName);

}  // namespace keyfile
