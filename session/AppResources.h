#pragma once
// The application resources of class "QW5250", the toolkit option table that
// maps command-line options onto them, and the values derived from them.
#include <X11/Intrinsic.h>
#include <X11/Xresource.h>

// Filled by XtGetApplicationResources from the list of AppResourceList, in
// the same order. QwFunction values are one-byte keyword codes
// (session/ResourceKeywords.h); strings belong to the toolkit.
struct AppResourceStruct {
  unsigned char command;
  unsigned char edit;
  unsigned char option;
  unsigned char control;
  unsigned char localPrint;
  unsigned char help;
  unsigned char changeIPAddress;
  unsigned char fontMenu;
  unsigned char keyPad;
  unsigned char playBack;
  unsigned char drevask;
  unsigned char colorMap;
  unsigned char keyRemap;
  char* keypadPath;
  char* playBackPath;
  char* defaultColorMapPath;
  char* colorMapPath;
  char* keymapPath;
  char* keymap101Path;
  char* keymap102Path;
  char* keymap106Path;
  char* keymap122Path;
  char* keymap122_3270Path;
  unsigned char BLINKING_TEXT;
  unsigned char browserStart;
  unsigned char BROWSER_START_NEW_WIN;
  int CONNECT_TIMEOUT;
  unsigned char COPY_PASTE_ACCESS;
  Boolean DEBUG;
  unsigned char DESKTOP_FUNCTION;
  char* DISPLAY_NAME;
  unsigned char DISPLAY_NAME_SOFT;
  Boolean DSMDEBUG;
  unsigned char ECL;
  char* EMULATOR_GEOMETRY;
  char* ENTRY_FIELD_HIGHLIGHTING;
  unsigned char EURO;
  unsigned char fileNameCodePage;
  char* FONT_SIZES;
  char* FONTS_TO_USE;
  unsigned char FORCE_MRI_FONT;
  Boolean forTestcases;
  unsigned char ICONIC;
  unsigned char ICONIFIED_ACTION;
  int INACTIVITY_TIMEOUT;
  int MAX_SESSIONS;
  int MAX_WRITE_CHARACTERS;
  int MULTI_CLICK_TIME;
  int NEGOTIATE_TIMEOUT;
  unsigned char PDT;
  int PORT;
  int QUICK_RETRY_INTERVAL;
  unsigned char RESERVE_WM_KEYS;
  int RESIZE_TUNING;
  int RETRY_COUNT;
  int RETRY_INTERVAL;
  char* SESSION_ID;
  char* SSL;
  char* STARTUP_PLAYBACK;
  int THAI_DISPLAY_MODE;
  char* TITLE;
  unsigned char TITLE_OPTION;
  Boolean TRACE;
  unsigned char _27x132;             // resource "27x132"
  unsigned char _27X132_IN_800X600;  // resource "27X132_IN_800X600"
  unsigned char imageView;
  int LARGEST_IMAGE;
  unsigned char columnSeparator;
  char* TERMINAL_TYPE;
  Boolean testcase;
  // The miscellaneous preferences, as start values for every session.
  unsigned char AUDIO_ALARM;
  unsigned char CURSOR_BLINK;
  unsigned char CURSOR_STYLE;
  unsigned char DEFAULT_COPY_TYPE;
  unsigned char DESTRUCTIVE_BACKSPACE;
  unsigned char ERROR_RESET_KEYS;
  unsigned char KEYBOARD_BUFFERING;
  unsigned char HOTSPOTS;
  unsigned char HOTSPOT_HIGHLIGHTING;
  unsigned char INPUT_ONLY_CURSOR_MOVEMENT;
  unsigned char INSERT_MODE;
  unsigned char PASTE_LOCATION;
  unsigned char PRINT_KEY;
  unsigned char ROW_COLUMN_INDICATOR;
  unsigned char RULE_LINE;
  unsigned char RULE_LINE_STYLE;
  unsigned char AUTOMATIC_HELP;
  unsigned char BLUE_UNDERSCORE;
  unsigned char ENTER_KEY;
  unsigned char LARGE_SCREEN_BEHAVIOR;
  // Not resources: the locale of the translated resource file in use, and the
  // default directories of ComputeDefaultPaths (owned, from LocalMalloc).
  char mriLocale[6];
  char* playbackDirectory;
  char* buttonDirectory;
};

// The number of application resources and of entries in the option table.
constexpr Cardinal kAppResourceCount = 90;
constexpr Cardinal kAppOptionCount = 57;

// The process-wide record.
AppResourceStruct& AppResources();

// The resource list for XtGetApplicationResources (kAppResourceCount entries).
// The toolkit compiles a list in place, so each call refills and returns the
// same static list; call it again rather than keep the pointer.
const XtResource* AppResourceList(Cardinal* count);

// The option table for XtAppInitialize (kAppOptionCount entries). Options
// whose specifier ends in "_" set no application resource; they are listed so
// that the toolkit removes them and their values from the arguments.
const XrmOptionDescRec* AppOptionTable(Cardinal* count);

// Sets the playback and keypad-button directories under KDVSHARED (unset
// counts as empty): "$KDVSHARED/QW5250/P" and "$KDVSHARED/QW5250/W".
void ComputeDefaultPaths(AppResourceStruct& res);

// 27X132_IN_800X600 only on an 800 x 600 screen; MAX_SESSIONS into 1-99.
void ApplyResourceLimits(AppResourceStruct& res, int screenWidth, int screenHeight);

// Writes every resource at the debug level. The caller tests DebugFlag().
void LogAppResources(const AppResourceStruct& res);
