#include "session/StartOptions.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

#include "session/Language.h"
#include "base/LogMsg.h"

namespace {

const char* const kNoSslString = "__NO_SSL_STRING";

// A value in [low, high]; compared as unsigned numbers so that negative values
// fall outside.
bool InRange(int value, unsigned low, unsigned high) {
  unsigned v = static_cast<unsigned>(value);
  return v >= low && v <= high;
}

// The value of the first of the options that has one, or null.
const char* FirstValue(int argc, char** argv, const char* a, const char* b = nullptr,
                       const char** which = nullptr) {
  int index = 0;
  if (const char* v = GetArgValue(a, argc, argv, index)) {
    if (which) *which = a;
    return v;
  }
  if (b) {
    if (const char* v = GetArgValue(b, argc, argv, index)) {
      if (which) *which = b;
      return v;
    }
  }
  return nullptr;
}

std::string OrEmpty(const char* s) { return s ? std::string(s) : std::string(); }

// 1 / 2 / 3 for "enable" / "disable" / anything else or absent.
int EnableDisableOption(const char* value) {
  if (value && std::strcmp(value, "enable") == 0) return 1;
  if (value && std::strcmp(value, "disable") == 0) return 2;
  return 3;
}

// Every value of option, in order; a value is not looked at as an option.
void CollectAll(const char* option, int argc, char** argv, std::vector<const char*>& out) {
  for (int i = 1; i + 1 < argc; ++i) {
    if (std::strcmp(argv[i], option) == 0) {
      out.push_back(argv[i + 1]);
      ++i;
    }
  }
}

// The initial keypad list of the "-keypad" names, then the "-KEYPAD" names:
// at most kMaxInitialKeypads names in at most kMaxInitialKeypadListBytes bytes.
std::vector<unsigned char> BuildKeypadList(int argc, char** argv) {
  std::vector<const char*> names;
  CollectAll("-keypad", argc, argv, names);
  CollectAll("-KEYPAD", argc, argv, names);

  std::vector<unsigned char> list(3, 0);
  int count = 0;
  for (const char* name : names) {
    size_t need = std::strlen(name) + 1;
    if (count >= kMaxInitialKeypads) {
      LogMsg(LevelError, "%s: more than %d initial keypads requested. Keypad %s ignored.\n",
             "QWC0542", kMaxInitialKeypads, name);
      continue;
    }
    if (list.size() + need > kMaxInitialKeypadListBytes) {
      LogMsg(LevelError,
             "%s: keypad name %s does not fit in the initial keypad list (%d bytes). "
             "Keypad ignored.\n",
             "QWC0543", name, static_cast<int>(kMaxInitialKeypadListBytes));
      continue;
    }
    list.insert(list.end(), name, name + need);
    ++count;
  }
  list[0] = static_cast<unsigned char>(list.size() >> 8);
  list[1] = static_cast<unsigned char>(list.size() & 0xFF);
  list[2] = static_cast<unsigned char>(count);
  return list;
}

int TitleOptionOf(const char* value) {
  static const char* const kNames[] = {"TEXT_AND_SESSION_ID", "TEXT_ONLY", "SESSION_ID_ONLY",
                                       "TEXT_AND_HOST", "TEXT_HOST_AND_SESSION_ID"};
  if (!value) return 0;
  for (int i = 0; i < 5; ++i)
    if (std::strcmp(value, kNames[i]) == 0) return i + 1;
  return 0;
}

// The language id of "-LANGID": a 5- or 12-character locale (or anything the
// lookup knows of that length), else "NIL" with a log line.
std::string LanguageOfLangIdOption(const char* value) {
  if (!value) return "NIL";
  size_t n = std::strlen(value);
  if (n != 5 && n != 12) {
    LogMsg(LevelError, "%s: -LANGID value of %s not supported.\n", "QWC0107", value);
    return "NIL";
  }
  const char* id = LookupLanguage(value);
  if (!id) {
    LogMsg(LevelError, "%s: -LANGID value of %s not supported.\n", "QWC0108", value);
    return "NIL";
  }
  return id;
}

}  // namespace

char* GetArgValue(const char* option, int argc, char** argv, int& index) {
  if (!option || !argv) return nullptr;
  for (int i = 1; i < argc; ++i) {
    if (argv[i] && std::strcmp(argv[i], option) == 0) {
      if (i + 1 >= argc) return nullptr;
      index = i + 1;
      return argv[i + 1];
    }
  }
  return nullptr;
}

int isValidArg(const char* option, int argc, char** argv) {
  if (!option || !argv) return 0;
  for (int i = 1; i < argc; ++i)
    if (argv[i] && std::strcmp(argv[i], option) == 0) return 1;
  return 0;
}

void PrintArgValues(int argc, char** argv) {
  for (int i = 0; i < argc; ++i) {
    if (!argv[i]) continue;
    LogMsg(LevelDebug, "%s(", argv[i]);
    for (const char* p = argv[i]; *p; ++p) LogMsg(LevelDebug, "%x", static_cast<unsigned char>(*p));
    LogMsg(LevelDebug, ")");
  }
  LogMsg(LevelDebug, "\n");
}

int ParseIntArg(const char* text) {
  if (!text) return 0;
  errno = 0;
  char* end = nullptr;
  long v = std::strtol(text, &end, 10);
  if (end == text) return 0;
  if (v > INT_MAX || (errno == ERANGE && v > 0)) return INT_MAX;
  if (v < INT_MIN || (errno == ERANGE && v < 0)) return INT_MIN;
  return static_cast<int>(v);
}

bool ParsePortArg(const char* text, int* port) {
  if (!text || !*text) return false;
  long value = 0;
  for (const char* p = text; *p; ++p) {
    if (*p < '0' || *p > '9') return false;
    value = value * 10 + (*p - '0');
    if (value > 65535) return false;
  }
  if (value < 1) return false;
  if (port) *port = static_cast<int>(value);
  return true;
}

const char* HomeDirectoryOrEmpty() {
  const char* home = std::getenv("HOME");
  if (home) return home;
  LogMsg(LevelError, "%s: HOME environment variable not set. Using an empty HOME directory.\n",
         "QWC0544");
  return "";
}

int SetCoreDumpDirectory() {
  const char* ffdc = std::getenv("FFDC");
  if (ffdc && chdir(ffdc) == 0) {
    if (DebugFlag())
      LogMsg(LevelDebug, "working directory set for core dumps to FFDC dir: %s.\n", ffdc);
    return 0;
  }
  const char* home = HomeDirectoryOrEmpty();
  if (chdir(home) == 0) {
    if (DebugFlag())
      LogMsg(LevelDebug, "working directory set for core dumps to HOME dir: %s.\n", home);
    return 0;
  }
  int err = errno;
  LogMsg(LevelError, "%s: working directory not set. FFDC dir: %s. HOME dir: %s. errno = %d.\n",
         "QWC0178", ffdc ? ffdc : "", home, err);
  return -1;
}

void ScanSessionOptions(int argc, char** argv, SessionStartOptions& out) {
  out = SessionStartOptions{};
  out.browserStart = isValidArg("-BROWSER_START", argc, argv) != 0;

  // Language, first pass: without "-LANGID" the language of LANG is looked at
  // only to report a missing LANG.
  int index = 0;
  const char* langIdValue = GetArgValue("-LANGID", argc, argv, index);
  if (!langIdValue && !std::getenv("LANG"))
    LogMsg(LevelError, "%s: getenv call for LANG return code = 0\n", "QWC0513");

  if (isValidArg("-ECL", argc, argv))
    out.ECLOption = 2;
  else if (isValidArg("-NO_ECL", argc, argv))
    out.ECLOption = 1;

  out.wideOption = EnableDisableOption(FirstValue(argc, argv, "-wide"));
  out.imageOption = EnableDisableOption(FirstValue(argc, argv, "-image"));

  if (const char* v = FirstValue(argc, argv, "-LARGEST_IMAGE")) {
    int kb = ParseIntArg(v);
    if (InRange(kb, 100, 9999)) {
      out.largestImage = kb * 1000;
    } else {
      LogMsg(LevelError,
             "%s: -LARGEST_IMAGE value, %d, is out of range (100-9999). Using default (400).\n",
             "QWC0516", kb);
    }
  }

  if (const char* v = FirstValue(argc, argv, "-DISPLAY_NAME")) {
    out.displayName = v;
    out.DisplayNameSoftRequirementOption = 0;
  } else if (const char* v = FirstValue(argc, argv, "-DISPLAY_NAME_SOFT")) {
    out.displayName = v;
    out.DisplayNameSoftRequirementOption = 2;
  } else if (const char* v = FirstValue(argc, argv, "-DISPLAY_NAME_HARD")) {
    out.displayName = v;
    out.DisplayNameSoftRequirementOption = 1;
  }

  out.terminalName = OrEmpty(FirstValue(argc, argv, "-TN", "-tn"));
  out.title = OrEmpty(FirstValue(argc, argv, "-title"));
  out.sessionId = OrEmpty(FirstValue(argc, argv, "-SESSION_ID"));
  out.sslValue = OrEmpty(FirstValue(argc, argv, "-SSL", "-ssl"));
  if (isValidArg("-NO_SSL", argc, argv) || isValidArg("-no_ssl", argc, argv))
    out.sslValue = kNoSslString;

  if (const char* v = FirstValue(argc, argv, "-geometry")) {
    size_t n = std::strlen(v);
    if (n > kMaxGeometryStringLength) {
      LogMsg(LevelError, "%s: -geometry value of %s is longer than %d characters. Ignored.\n",
             "QWC0545", v, static_cast<int>(kMaxGeometryStringLength));
    } else {
      std::memcpy(out.geometry.geometryString, v, n + 1);
    }
  }

  const char* portOption = nullptr;
  if (const char* v = FirstValue(argc, argv, "-port", "-PORT", &portOption)) {
    int port = 0;
    if (ParsePortArg(v, &port)) {
      out.port = port;
    } else {
      // Connecting to the default port instead would reach some other host
      // service: the start ends here.
      LogMsg(LevelError, "%s: %s value, \"%s\", is not a port number (1-65535).\n", "QWC0540", portOption, v);
      out.commandLineError = true;
    }
  }

  out.playbackFile = OrEmpty(FirstValue(argc, argv, "-playback", "-PLAYBACK"));
  out.keyFile = OrEmpty(FirstValue(argc, argv, "-KEYFILE", "-keyfile"));
  out.initialKeypads = BuildKeypadList(argc, argv);

  out.iconic = (isValidArg("-iconic", argc, argv) || isValidArg("-ICONIC", argc, argv)) ? 1 : 0;

  if (isValidArg("-NO_PDT", argc, argv))
    out.PDTOption = 1;
  else if (isValidArg("-PDT", argc, argv))
    out.PDTOption = 2;

  out.TitleOption = TitleOptionOf(FirstValue(argc, argv, "-TITLE_OPTION"));
  out.trace = (isValidArg("-trace", argc, argv) || isValidArg("-TRACE", argc, argv)) ? 1 : 0;

  if (isValidArg("-NOEURO", argc, argv))
    out.EuroOption = 2;
  else if (isValidArg("-EURO", argc, argv) || isValidArg("-euro", argc, argv) ||
           isValidArg("-Euro", argc, argv))
    out.EuroOption = 1;

  out.forceTranslatedFont = isValidArg("-FORCE_MRI_FONT", argc, argv);

  if (const char* v = FirstValue(argc, argv, "-THAI_DISPLAYMODE")) {
    int mode = ParseIntArg(v);
    if (InRange(mode, 1, 5))
      out.thaiDisplayMode = mode;
    else
      LogMsg(LevelError, "%s: -THAI_DISPLAYMODE value, %d, is out of range (1-5).\n", "QWC0541",
             mode);
  }

  if (const char* v = FirstValue(argc, argv, "-RETRY_COUNT")) {
    int count = ParseIntArg(v);
    if (InRange(count, 0, 9999))
      out.retryCount = count;
    else
      LogMsg(LevelError, "%s: -RETRY_COUNT value, %d, is out of range (0-9999).\n", "QWC0159",
             count);
  }
  if (const char* v = FirstValue(argc, argv, "-RETRY_INTERVAL")) {
    int interval = ParseIntArg(v);
    if (InRange(interval, 1, 9999))
      out.retryInterval = interval;
    else
      LogMsg(LevelError, "%s: -RETRY_INTERVAL value, %d, is out of range (1-9999).\n", "QWC0158",
             interval);
  }
  if (const char* v = FirstValue(argc, argv, "-INACTIVITY")) {
    int seconds = ParseIntArg(v);
    if (InRange(seconds, 0, 99999))
      out.inactivityTimeout = seconds;
    else
      LogMsg(LevelError, "%s: -INACTIVITY value, %d, is out of range (0-99999).\n", "QWC0173",
             seconds);
  }

  if (isValidArg("-NO_COPY_PASTE", argc, argv))
    out.CopyPasteOption = 3;
  else if (isValidArg("-SESSION_COPY_PASTE_ONLY", argc, argv))
    out.CopyPasteOption = 2;
  else if (isValidArg("-COPY_PASTE", argc, argv))
    out.CopyPasteOption = 1;

  // Language, second pass: the value the session is created with.
  out.languageId = LanguageOfLangIdOption(langIdValue);

  // The language-shift byte of the row of LANG.
  if (const LanguageRow* row = FindLanguageRowByLocale(std::getenv("LANG")))
    out.languageShift = row->languageShift;
}

int PrepareStartOptions(int argc, char** argv, SessionStartOptions& out) {
  if (isValidArg("-debug", argc, argv) || isValidArg("-DEBUG", argc, argv)) SetDebugFlag(true);
  SetCoreDumpDirectory();
  if (DebugFlag()) PrintArgValues(argc, argv);
  LogMsg(LevelInformational, "Build Date: %s.\n", __DATE__ " " __TIME__);
  ScanSessionOptions(argc, argv, out);
  SetLanguageShiftSwitch(out.languageShift);
  return 0;
}
