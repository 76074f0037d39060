#include "xfront/KeyFile.h"

#include <cstring>

#include "session/AppResources.h"
#include "session/RegistryFacts.h"

namespace keyfile {

namespace {

// Removes every line that contains `needle`.
void RemoveLinesContaining(std::string& text, const char* needle) {
  for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle)) {
    const size_t previous = text.rfind('\n', at);
    const size_t begin = previous == std::string::npos ? 0 : previous + 1;
    const size_t newline = text.find('\n', at);
    const size_t end = newline == std::string::npos ? text.size() : newline + 1;
    text.erase(begin, end - begin);
  }
}

// Replaces `from` by `to` everywhere; a colon right after `from` is taken
// as part of it when `to` ends in one.
void RenameKeysym(std::string& text, const std::string& from, const std::string& to) {
  std::string out;
  out.reserve(text.size() + 16);
  size_t i = 0;
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, i)) {
    out.append(text, i, at - i);
    i = at + from.size();
    if (i < text.size() && text[i] == ':') {
      out += to;
      out += ':';
      ++i;
    } else {
      out += to;
    }
  }
  out.append(text, i, std::string::npos);
  text.swap(out);
}

}  // namespace

std::string KeyboardExtension(int id) {
  if (id == 92 || id == 129) return "122_3270";
  if (is5250Keyboard(id)) return "122";
  const char* name = KeyboardName(id);
  if (!name) return "0";
  if (std::strstr(name, "Kana")) return "106";
  const char* space = std::strrchr(name, ' ');
  const std::string keys = space ? space + 1 : "";
  if (keys == "101" || keys == "102" || keys == "104" || keys == "106") return keys;
  return "0";
}

const char* KeyboardPathResource(const std::string& e, const AppResourceStruct& r) {
  if (e == "122_3270") return r.keymap122_3270Path;
  if (e == "122") return r.keymap122Path;
  if (e == "106" || e == "104" || e == "103") return r.keymap106Path;
  if (e == "102") return r.keymap102Path;
  return r.keymap101Path;
}

bool NeedsWYSetupMigration(const std::string& text) {
  if (text.find("# v") == std::string::npos) return true;
  return text.size() > 5 && text[4] < '4' && text[5] < '2';
}

bool IsVersion13(const std::string& text) { return text.compare(0, 5, "# v13") == 0; }

void MigrateVersion13(std::string& text) {
  RemoveLinesContaining(text, "<KeyRelease>Scroll_Lock");
  RemoveLinesContaining(text, "osfMenu:");
  static const char* const kWithoutNumLock[10] = {"KP_Insert", "KP_End",  "KP_Down", "KP_Next", "KP_Left",
                                                  "KP_Begin",  "KP_Right", "KP_Home", "KP_Up",   "KP_Prior"};
  for (int digit = 0; digit < 10; ++digit)
    RenameKeysym(text, "KP_" + std::to_string(digit), kWithoutNumLock[digit]);
}

void ConvertWYSetupToPause(std::string& text) { RenameKeysym(text, "WYSetup", "Pause"); }

std::string StripComments(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  bool inComment = false;
  for (size_t begin = 0; begin < text.size();) {
    const size_t newline = text.find('\n', begin);
    const size_t end = newline == std::string::npos ? text.size() : newline + 1;
    const bool hash = text[begin] == '#';
    if (hash && (begin == 0 || (begin + 1 < text.size() && (text[begin + 1] == ' ' || text[begin + 1] == '\t'))))
      inComment = true;
    else if (!hash)
      inComment = false;
    if (!inComment) out.append(text, begin, end - begin);
    begin = end;
  }
  return out;
}

bool PrepareTranslations(const std::string& file, std::string* translations, std::string* why) {
  std::string text = file;
  const bool wySetup = NeedsWYSetupMigration(text);
  if (IsVersion13(text)) MigrateVersion13(text);
  text = StripComments(text);
  if (wySetup) ConvertWYSetupToPause(text);
  if (text.size() > kMaxTranslationBytes) {
    if (why) *why = "the migrated text is larger than its room";
    return false;
  }
  *translations = text;
  return true;
}

NameFix FixCommandLineName(const std::string& name, const std::string& extension, std::string* fileName) {
  const size_t dot = name.rfind('.');
  if (dot == std::string::npos) {
    *fileName = name + "." + extension;
    return NameFix::ExtensionAdded;
  }
  if (name.compare(dot + 1, std::string::npos, extension) != 0) {
    *fileName = name.substr(0, dot) + "." + extension;
    return NameFix::ExtensionReplaced;
  }
  *fileName = name;
  return NameFix::AsGiven;
}

}  // namespace keyfile
