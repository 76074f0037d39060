#pragma once
// The names of a printer definition file: the session parameters and
// printer commands (keyword ids 0-192) and the character names (codes
// 0x20-0xFE).

namespace pdt {

constexpr int kParameterCount = 21;  // ids 0-20
constexpr int kKeywordCount = 193;   // ids 0-192

// Ids the screen print uses.
enum KeywordId : unsigned short {
  OVERRIDE_FORMATTED_PRINT = 11,
  START_JOB = 21,
  END_JOB = 22,
  CARRIAGE_RETURN = 29,
  LINE_FEED = 30,
  FORM_FEED = 31,
  START_HIGHLIGHT_INTENSE = 83,
  END_HIGHLIGHT_INTENSE = 84,
  START_HIGHLIGHT_UNDERLINE = 85,
  END_HIGHLIGHT_UNDERLINE = 86,
};

// The keyword of an id (null outside 0-192).
const char* KeywordName(int id);
// The id of a keyword, or -1.
int KeywordId(const char* word);
// The code a character name stands for, or -1.
int CharacterCode(const char* word);
// The number (0-9) of a variable name ("value", "values", ...), or -1.
int VariableNumber(const char* word);

}  // namespace pdt
