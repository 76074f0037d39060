#pragma once
// Teldra's command line.
struct TeldraOptions {
  const char* displayName = nullptr;  // null: DISPLAY, else ":0"
  bool notrap = false;                // accepted; faults keep their default action anyway
  bool allowCore = false;
  bool login = false;
  bool noSwitchBox = false;
  bool allowRoot = false;
  bool dialUp = false;
  bool rubberBand = false;
  int firstArgument = 1;  // the first word after the options
};

// Reads the options; false for a bad option or a missing value (the caller
// then prints the usage line).
bool ParseTeldraOptions(int argc, char** argv, TeldraOptions* options);
// "Usage: teldra -display displayname" on standard error, exit status 1.
[[noreturn]] void PrintUsage();
