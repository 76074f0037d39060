#pragma once
// Keypad files, as the keypad customiser writes them and the session window
// reads them: line 1 the style (1 pop-up, 0 pull-down), line 2 the position
// "x y" relative to the session window, line 3 the grid "rows cols", line 4
// the label length a button is sized for, then one line per button: a label,
// a colon and an action list such as `string("a b") enter()`.
#include <cstdint>
#include <string>
#include <vector>

// Button lines beyond this are ignored; a grid may not have more cells.
constexpr int kMaxKeypadButtons = 64;
// A line holds at most 511 characters with its line feed.
constexpr size_t kMaxKeypadLine = 511;

struct ButtonAction {
  std::string name;
  std::vector<std::string> params;
  bool operator==(const ButtonAction& o) const { return name == o.name && params == o.params; }
};

// The actions of an action list, in order.
std::vector<ButtonAction> ParseKeypadActions(const std::string& text);

// A button line's label (the text before the first colon) and its action
// list (after the colon, leading white space skipped). False when the line
// has no colon or an empty label.
bool SplitKeypadButtonLine(const std::string& line, std::string* label, std::string* actions);
// An empty line, or exactly "empty_button: nothing()": an empty grid cell.
bool IsEmptyKeypadButtonLine(const std::string& line);

struct KeypadFile {
  int style = 0;
  int16_t x = 0, y = 0;
  int rows = 0, cols = 0;
  int textLength = 0;
  std::vector<std::string> buttonLines;  // without their line feeds, at most 64
};

enum class KeypadFileError { kNone, kNoStyle, kNoPosition, kNoGrid, kBadGrid, kNoTextLength, kLongLine };

// Checks and reads a keypad file's text. The grid must have at least one row
// and one column and at most 64 cells.
KeypadFileError ParseKeypadFile(const std::string& text, KeypadFile* out);
// The log line of an error, naming the file.
std::string KeypadFileErrorText(KeypadFileError e, const std::string& fileName, const KeypadFile& partial);

// The cells of the grid: a one-row keypad has one more cell than columns.
int KeypadCellCount(const KeypadFile& k);

// The first character of the file ('1' pop-up, '0' pull-down), or 0 when it
// cannot be read.
char KeypadFileStyle(const std::string& path);
// Reads a keypad file of at most 64 KiB.
bool ReadKeypadFileText(const std::string& path, std::string* text);

// Writes a new position into line 2 of the keypad file `path`, leaving every
// other line as it is. The file is checked first and replaced through a new
// file and a rename; a file that does not read as a keypad is left alone.
bool RewriteKeypadPosition(const std::string& path, int x, int y, std::string* error);

// The length of the UTF-8 sequence that `lead` begins (RFC 3629: 1 to 4),
// or 0 for a byte that begins none (continuation bytes, C0, C1, F5-FF).
int Utf8SequenceLength(uint8_t lead);
// Converts UTF-8 text with `convert`, which turns one whole sequence into
// the locale's code set and returns false when it cannot. With `substitute`
// a sequence that cannot be converted becomes one blank; without it the
// conversion fails. Malformed or truncated UTF-8 fails it too, and so does an
// empty result.
bool ConvertUtf8Text(const std::string& in, bool substitute,
                     bool (*convert)(const char* sequence, size_t length, std::string* out, void* context),
                     void* context, std::string* out);
