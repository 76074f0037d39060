#pragma once
// The options of one session as the command line gives them, and the scan of
// the command line that QW5250 does before the toolkit sees it.
#include <string>
#include <vector>

#include "session/Geometry.h"

// Every option of a session, in the order createSession takes them. Strings
// are owned; an empty string stands for an absent value.
struct SessionStartOptions {
  std::string hostName;
  std::string title;
  std::string sessionId;
  std::string sslValue;        // "__NO_SSL_STRING" for -NO_SSL
  int port = 0;                // 0: resource PORT
  int wideOption = 3;          // 1 enable, 2 disable, 3 default
  int imageOption = 3;         // 1 enable, 2 disable, 3 default
  int largestImage = 0;        // bytes; 0: resource LARGEST_IMAGE x 1000
  std::string displayName;
  std::string terminalName;
  int DisplayNameSoftRequirementOption = 0;  // 0 resource, 1 hard, 2 soft
  std::string languageId;      // three letters, or "NIL"
  std::string playbackFile;
  int PDTOption = 0;           // 0 resource, 1 no PDT, 2 PDT
  int TitleOption = 0;         // 0 resource, 1-5
  int trace = 0;
  int startupPlayback = 1;
  std::string keyFile;
  int iconic = 0;
  int EuroOption = 0;          // 0 none, 1 euro, 2 no euro
  int forceTranslatedFont = 0;
  int thaiDisplayMode = -1;    // 1-5, or -1: resource THAI_DISPLAY_MODE
  int retryCount = -1;         // 0-9999, or -1: resource RETRY_COUNT
  int retryInterval = 0;       // 1-9999, or 0: resource RETRY_INTERVAL
  int inactivityTimeout = -1;  // 0-99999, or -1: resource INACTIVITY_TIMEOUT
  int CopyPasteOption = 0;     // 0 resource, 1 all, 2 session only, 3 none
  int ECLOption = 0;           // 0 resource, 1 off, 2 on
  int FontSizesOption = 0;
  // Initial keypads: 16-bit big-endian total length (header included), the
  // number of names, then each name with a terminating zero. Empty: no list.
  std::vector<unsigned char> initialKeypads;
  Geometry geometry{};

  // Found by the scan but not session options.
  bool browserStart = false;        // "-BROWSER_START": resource browserStart ENABLE
  unsigned char languageShift = 0;  // language-shift byte of the LANG row
  bool commandLineError = false;    // a value QW5250 cannot start with (logged)
};

// Room for the initial keypad list in the hand-off block, and the most names.
constexpr size_t kMaxInitialKeypadListBytes = 501;
constexpr int kMaxInitialKeypads = 10;

// The argument after the first argument (after the program name) equal to
// option, with index set to its position; null when the option is missing or
// last (then index is left alone).
char* GetArgValue(const char* option, int argc, char** argv, int& index);
// 1 when an argument after the program name equals option, else 0.
int isValidArg(const char* option, int argc, char** argv);
// Debug log of every argument, each followed by its bytes in hex.
void PrintArgValues(int argc, char** argv);

// atoi that cannot overflow: leading blanks, a sign and digits; no digits
// gives 0, values beyond int are clamped.
int ParseIntArg(const char* text);

// A port number: decimal digits only, 1 to 65535. False (port untouched)
// for anything else.
bool ParsePortArg(const char* text, int* port);

// The value of HOME, or "" with a log line when it is unset.
const char* HomeDirectoryOrEmpty();

// Changes to the directory named by FFDC, else HOME, for core dumps; logs
// where it went, or why neither worked. Returns 0 when a change succeeded.
int SetCoreDumpDirectory();

// The session options of the command line (everything but the host, which is
// what the toolkit leaves over). Pure apart from reading LANG and logging.
void ScanSessionOptions(int argc, char** argv, SessionStartOptions& out);

// The whole command-line start of main before initializeApplication: debug
// flag, working directory, "-BROWSER_START", argument dump, build date, both
// language passes and the options. Sets the process-wide language-shift byte.
// Returns 0.
int PrepareStartOptions(int argc, char** argv, SessionStartOptions& out);
