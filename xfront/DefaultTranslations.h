#pragma once
// The default key and mouse translations of the drawing widget, by keyboard
// family, and the two print-key texts the preference code installs.
#include <string>

struct DefaultTranslations {
  std::string text;             // the whole class translation table
  std::string printKeyLocal;    // the print key prints locally
  std::string printKeySwapped;  // the print key and its shifted form swapped
};

// True for the 5250 keyboards (ids 113 to 123).
bool IsKeyboard5250(int keyboardId);

// Builds the translations for a keyboard id. Vendor keysyms that the X
// library cannot name (no keysym database) are written as their numeric
// values when keysymKnown is given and returns false for them.
DefaultTranslations BuildDefaultTranslations(int keyboardId,
                                             bool (*keysymKnown)(const char* name) = nullptr);

// The KP_Divide and KP_Multiply lines of a PC keyboard: "" (no lines), or the
// two lines typing "/" and "*" or the ISO 8859-1 division and multiplication signs.
std::string KeypadDivideMultiplyLines(int keyboardId);
