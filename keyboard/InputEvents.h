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

class LightPen : public UserInput {
 public:
  LightPen(unsigned int row, unsigned int column) : row_(row), column_(column) {}
  unsigned int processInNormalUnlockedState(DisplayBag*) override { return 0; }
  unsigned int row() const { return row_; }
  unsigned int column() const { return column_; }

 private:
  unsigned int row_;
  unsigned int column_;
};
