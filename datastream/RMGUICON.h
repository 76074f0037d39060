#pragma once
// Remove GUI constructs (structured fields 0x58, 0x59, 0x5B and 0x5F of the
// write to display structured field order): a selection field's, the current
// window's, a scroll bar's, or all of them; removing all may also turn the
// GUI symbols on the screen back into plain characters.
#include "datastream/FSMNw.h"

class RMGUICON : public FSMNw {
 public:
  static constexpr unsigned char kRemoveSelectionField = 0x58;
  static constexpr unsigned char kRemoveWindow = 0x59;
  static constexpr unsigned char kRemoveScrollBar = 0x5B;
  static constexpr unsigned char kRemoveAll = 0x5F;
  // Flag of kRemoveAll: replace the GUI symbols on the screen.
  static constexpr unsigned char kReplaceSymbols = 0x80;

  explicit RMGUICON(Arena* arena) : FSMNw(arena) {}
  // On the structured field's first length byte; finishes on its last byte.
  int processInput(Databyte* db) override;
  int endOfData(Databyte* db) override;

  // The character a GUI symbol 0x00-0x1F stands for on a character display.
  static unsigned char plainCharacter(unsigned char symbol);
};
