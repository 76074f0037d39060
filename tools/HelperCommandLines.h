#pragma once
// The command lines of the desktop's helper programs, as argument vectors:
// every value (titles, host names, file names, topics) is one argument of
// its own and is never read by a shell.
#include <string>
#include <vector>

// What a command line says about the session that starts the helper.
struct HelperLaunchValues {
  std::string displayName;
  bool debug = false;
  unsigned long topWindow = 0;   // the session's top-level window
  unsigned long menuWindow = 0;  // the menu shell of the chosen entry (keyboard mapper)
  std::string title;             // the top-level shell's title
  // The session's name: with a default (letter) id, host and instance
  // number; otherwise its session id.
  bool defaultSessionId = true;
  std::string hostName;
  int instance = 0;
  std::string sessionId;
  std::string hostCodePage;      // -em_ebc_cp
  std::string emulatorLanguage;  // -emul_lang
  std::string keyboardLanguage;  // -keyboardLang
  std::string keyFile;           // -keyfile of the session
  bool forceTranslatedFont = false;
  bool printerDefinitionTable = false;
  bool euro = false;
  bool fileNamesInverted = false;  // fileNameCodePage lower_819_only
  bool reserveWmKeys = true;
  bool is5250Keyboard = false;
  int keyboardId = 0;            // -whichKeyboard: the registry's keyboard
  bool advancedColors = false;   // colour mapper: the colorMap resource is advanced
  int rows = 24, cols = 80;
  std::string playbackFile;      // playback editor: the file to edit
  std::string asciiCodePage;     // help viewer
  // The session's dialog colours as 0xRRGGBB, in the order of the colour
  // options: menu foreground, menu background, text foreground, group-box
  // background, form background, entry-area background.
  unsigned dialogColors[6] = {};
  // Colour mapper: the shared-memory key and size of the administrator's
  // colour directories, and the advanced colour file of the window (empty:
  // none).
  long colorDirectoriesKey = 0;
  unsigned long colorDirectoriesSize = 0;
  std::string advancedColorFile;
};

std::vector<std::string> ColorMapperCommandLine(const HelperLaunchValues& v);
std::vector<std::string> KeyboardMapperCommandLine(const HelperLaunchValues& v);
std::vector<std::string> KeypadCustomizerCommandLine(const HelperLaunchValues& v);
std::vector<std::string> PlaybackEditorCommandLine(const HelperLaunchValues& v);
std::vector<std::string> PreferencesCommandLine(const HelperLaunchValues& v);
// topic may be null or empty (no -startTopic).
std::vector<std::string> HelpViewerCommandLine(const HelperLaunchValues& v, const char* topic);

// "0x" and the value in lower-case hexadecimal.
std::string HexWord(unsigned long value);

// A translation table as the helpers read it: "<ButtonPress>" and the
// button number c become "<Btn" c "Down>", any other 16-character token that
// begins with "<Button" becomes "<Btn" c "Up>" with its 16th character c,
// and every "A<" becomes "Alt<".
std::string MassageTranslations(const std::string& text);
