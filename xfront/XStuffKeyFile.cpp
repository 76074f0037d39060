// The session's key file laid over the drawing widget's translations, and
// the translations kept as the defaults a reset returns to.
#include <X11/Intrinsic.h>
#include <X11/StringDefs.h>
#include <Xm/RowColumn.h>
#include <Xm/Xm.h>
#include <dirent.h>
#include <langinfo.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "base/LogMsg.h"
#include "session/AppResources.h"
#include "session/CodePageConverter.h"
#include "session/RegistryFacts.h"
#include "session/SessionControlBlock.h"
#include "tools/HelperCommandLines.h"
#include "xfront/KeyFile.h"
#include "xfront/XStuff.h"
#include "xfront/XStuffPrivate.h"

extern "C" String _XtPrintXlations(Widget w, XtTranslations xlations, Widget accelWidget, _XtBoolean includeRHS);

namespace {

const char* OrText(const char* value, const char* otherwise) { return value && *value ? value : otherwise; }

// True when `directory` holds an entry named exactly `name`.
bool DirectoryHolds(const std::string& directory, const std::string& name) {
  DIR* d = opendir(directory.c_str());
  if (!d) return false;
  bool found = false;
  while (dirent* e = readdir(d)) {
    if (name == e->d_name) {
      found = true;
      break;
    }
  }
  closedir(d);
  return found;
}

bool Readable(const std::string& path) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  std::fclose(f);
  return true;
}

// The file's text in the locale's code set; false when it cannot be
// converted.
bool Utf8ToLocale(const std::string& utf8, std::string* out) {
  CodePageConverter c;
  const char* locale = nl_langinfo(CODESET);
  if (IconvCodeSetName(locale) == "UTF-8" || std::strcmp(locale, "UTF-8") == 0) {
    *out = utf8;
    return true;
  }
  if (!c.open(locale, "UTF-8")) return false;
  std::vector<unsigned char> buffer(utf8.size() * 4 + 16);
  const CodePageConverter::Result r =
      c.convert(reinterpret_cast<const unsigned char*>(utf8.data()), utf8.size(), buffer.data(), buffer.size(), -1);
  if (r.failed || r.outOfRoom) return false;
  out->assign(reinterpret_cast<const char*>(buffer.data()), r.written);
  return true;
}

}  // namespace

int XStuff::setKeyfileResources(const char* directory, const char* hostSession) {
  const AppResourceStruct& res = AppResources();
  const int keyboard = WhichKeyboard();
  const std::string extension = keyfile::KeyboardExtension(keyboard);
  const char* perKeyboard = keyfile::KeyboardPathResource(extension, res);
  if (DebugFlag()) {
    LogMsg(LevelDebug, "which_keyboard = %d\n", keyboard);
    LogMsg(LevelDebug, "keyboard extension to look for is %s.\n", extension.c_str());
    LogMsg(LevelDebug, "The default path for this keyboard is %s.\n", OrText(perKeyboard, "unspecified"));
  }
  const std::string k = std::string(directory ? directory : "") + "/K";
  const std::string hostName = hostSession ? hostSession : "";
  std::string path;
  if (access(k.c_str(), R_OK) != 0) {
    if (DebugFlag()) LogMsg(LevelDebug, "xstuff:No user keymap file directory (%s).\n", k.c_str());
  } else {
    if (!keyFile_.empty()) {
      std::string name = keyFile_;
      if (session_) {
        unsigned char iso[256] = {};
        const int n = session_->convertCodePageOfLocaleToISO1(reinterpret_cast<const unsigned char*>(name.data()),
                                                              static_cast<int>(name.size()), iso, 255);
        if (n > 0) name.assign(reinterpret_cast<const char*>(iso), static_cast<size_t>(n));
      }
      if (name.size() > 255) name.resize(255);
      std::string fileName;
      switch (keyfile::FixCommandLineName(name, extension, &fileName)) {
        case keyfile::NameFix::ExtensionAdded:
          LogMsg(LevelError, "%s: xstuff: -KEYFILE file extention missing, one was added.\n", "QWC0100");
          break;
        case keyfile::NameFix::ExtensionReplaced:
          LogMsg(LevelError, "%s: xstuff: -KEYFILE file extention invalid, replaced with valid extention.\n",
                 "QWC0101");
          break;
        case keyfile::NameFix::AsGiven:
          break;
      }
      const std::string candidate = k + "/" + fileName;
      const size_t slash = fileName.rfind('/');
      const std::string base = slash == std::string::npos ? fileName : fileName.substr(slash + 1);
      if (fileName.find('/') == std::string::npos && DirectoryHolds(k, base) && Readable(candidate)) {
        path = candidate;
      } else {
        LogMsg(LevelError, "%s: xstuff: -KEYFILE file (%s) not found in %s.\n", "QWC0102", fileName.c_str(),
               k.c_str());
        keyFile_.clear();
      }
    }
    if (path.empty()) {
      std::vector<std::string> candidates;
      if (session_ && !session_->defaultId && session_->sessionId[0])
        candidates.push_back(k + "/" + session_->sessionId + "." + extension);
      if (!hostName.empty()) candidates.push_back(k + "/" + hostName + "." + extension);
      candidates.push_back(k + "/Default." + extension);
      for (const std::string& c : candidates) {
        if (Readable(c)) {
          path = c;
          break;
        }
      }
    }
  }
  if (path.empty()) {
    const bool switchOn = res.keymapPath && *res.keymapPath && std::strcmp(res.keymapPath, "0") != 0;
    if (switchOn && perKeyboard && *perKeyboard && std::strcmp(perKeyboard, "0") != 0) {
      path = perKeyboard;
    } else {
      if (DebugFlag()) {
        LogMsg(LevelDebug, "keymap path usage resource = %s. \n", OrText(res.keymapPath, "null"));
        LogMsg(LevelDebug, "xstuff:No keymap file found for %s.\n", hostName.c_str());
      }
      return 0;
    }
  }

  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) {
    LogMsg(LevelError, "%s: xstuff:keymap file %s could not be opened so not applied.\n", "QWC0010", path.c_str());
    return 0;
  }
  std::string raw(keyfile::kMaxKeyFileBytes + 1, '\0');
  const size_t got = std::fread(&raw[0], 1, raw.size(), f);
  std::fclose(f);
  if (got == raw.size()) {
    LogMsg(LevelError, "%s: xstuff:keymap file too large so not applied\n", "QWC0011");
    return 0;
  }
  raw.resize(got);
  // A NUL ends the text, as it would end a string read from the file.
  const size_t nul = raw.find('\0');
  if (nul != std::string::npos) raw.resize(nul);
  std::string local;
  if (!Utf8ToLocale(raw, &local)) {
    LogMsg(LevelError, "%s: Conversion of keymap file failed.  Keymap file %s not applied.\n", "QWC0203",
           path.c_str());
    return 0;
  }
  std::string translations, why;
  if (!keyfile::PrepareTranslations(local, &translations, &why)) {
    LogMsg(LevelError, "%s: xstuff:keymap file too large so not applied\n", "QWC0011");
    return 0;
  }
  Widget drawing = private_ ? private_->drawing : nullptr;
  if (!drawing) return 0;
  XtTranslations table = XtParseTranslationTable(translations.c_str());
  if (!table) {
    LogMsg(LevelError, "xstuff:keymap file %s holds no translations; not applied.\n", path.c_str());
    return 0;
  }
  XtOverrideTranslations(drawing, table);
  if (DebugFlag()) LogMsg(LevelDebug, "xstuff:keymap file %s was read in and translations applied.\n", path.c_str());
  return 0;
}

void XStuff::updateDefaultTranslations(Widget w) {
  if (!w) return;
  XtTranslations table = nullptr;
  XtVaGetValues(w, XtNtranslations, &table, nullptr);
  keyFileTranslations_ = table;
  String printed = table ? _XtPrintXlations(w, table, nullptr, True) : nullptr;
  defaultTranslations_ = MassageTranslations(printed ? printed : "");
  XtFree(printed);
  Widget bar = private_ ? private_->menuBar : nullptr;
  if (!bar) return;
  XtVaSetValues(bar, XmNmenuAccelerator, "", nullptr);
  for (size_t begin = 0; begin < defaultTranslations_.size();) {
    size_t end = defaultTranslations_.find('\n', begin);
    if (end == std::string::npos) end = defaultTranslations_.size();
    const std::string line = defaultTranslations_.substr(begin, end - begin);
    const size_t colon = line.find(':');
    if (line.find("menu-bar-focus") != std::string::npos && colon != std::string::npos) {
      std::string accelerator = line.substr(0, colon);
      while (!accelerator.empty() && (accelerator.front() == ' ' || accelerator.front() == '\t'))
        accelerator.erase(accelerator.begin());
      XtVaSetValues(bar, XmNmenuAccelerator, accelerator.c_str(), nullptr);
      break;
    }
    begin = end + 1;
  }
}
