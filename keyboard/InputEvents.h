#pragma once
// The two input objects that only the input-object generator makes: the
// operator error that the translator reports for a key it rejects, and a
// light-pen selection.
#include "keyboard/UserInput.h"

// Shows its error number on the error line (or the text session's status
// row in word processing), also while the keyboard is locked.
class OperatorError : public UserInput {
 public:
  explicit OperatorError(unsigned int number) : number_(number) {}
  unsigned int processInNormalUnlockedState(DisplayBag* d) override;
  unsigned int processInNormalLockedState(DisplayBag* d) override;
  unsigned int processInWPState(DisplayBag* d) override;
  unsigned int number() const { return number_; }

 private:
  unsigned int number_;
};

// A light-pen selection at a row and column (1-based) of the device. In
// the normal unlocked state the area under the pen's tip makes its
// light-pen selection; in system request the cursor goes to the tip.
// Positions off the screen are dropped.
class LightPen : public UserInput {
 public:
  LightPen(unsigned int row, unsigned int column) : row_(row), column_(column) {}
  unsigned int processInNormalUnlockedState(DisplayBag* d) override;
  unsigned int processInSystemRequestState(DisplayBag* d) override;
  unsigned int row() const { return row_; }
  unsigned int column() const { return column_; }
  // The screen offset of the tip, less the station's light-pen correction
  // (never beyond the start of the row); -1 when the position is not on the
  // screen.
  int calculateLightPenTipOffset(DisplayBag* d) const;

 private:
  unsigned int row_;
  unsigned int column_;
};
