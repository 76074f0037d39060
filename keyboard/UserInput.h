#pragma once
// One keystroke, mouse event, menu command or image status of a session.
// The object's class says what the input is; the keyboard state decides
// which of its operations runs (DisplayBag::processUserInputObject). The
// families' own classes derive from the intermediate classes below.
#include "keyboard/FunctionWord.h"

class DisplayBag;

class UserInput {
 public:
  virtual unsigned int processInNormalUnlockedState(DisplayBag* d) = 0;  // 0
  virtual unsigned int processInSystemRequestState(DisplayBag* d);       // 1
  virtual unsigned int processInErrorState(DisplayBag* d);               // 2
  virtual unsigned int processInPostHelpErrorState(DisplayBag* d);       // 3
  virtual unsigned int processInNormalLockedState(DisplayBag* d);        // 4
  virtual unsigned int processInDragAndDropState(DisplayBag* d);         // 5
  virtual unsigned int processInTwoMouseEventState(DisplayBag* d);       // 6
  virtual unsigned int processInCopyState(DisplayBag* d);                // 7
  virtual unsigned int processInPostCopyState(DisplayBag* d);            // 8
  virtual unsigned int processInWPErrorState(DisplayBag* d);             // 9
  virtual unsigned int processInWPState(DisplayBag* d);                  // 10
  // Non-zero: the event is consumed and reaches no state operation.
  virtual unsigned int preProcess(DisplayBag* d);                        // 11
  virtual void preProcessWhenPending(DisplayBag* d);                     // 12
  virtual void preProcessWhenMarked(DisplayBag* d);                      // 13

 protected:
  UserInput() = default;
  ~UserInput() = default;
};

class Keystroke : public UserInput {
 protected:
  Keystroke() = default;
};

class AidKeystroke : public Keystroke {
 public:
  // Error 6: an AID key other than Enter is not taken in system request.
  unsigned int processInSystemRequestState(DisplayBag* d) override;
  unsigned int aid() const { return aid_; }

 protected:
  explicit AidKeystroke(unsigned int aid) : aid_(aid) {}
  unsigned int aid_;
};

class DataKeystroke : public Keystroke {
 public:
  virtual int errorForFieldShift(DisplayBag* d, unsigned int shift) = 0;  // 14
  virtual int actsAsFieldMinus();                                         // 15
  const FunctionWord& functionWord() const { return word_; }
  // The key's character, monocased through the session's translator.
  unsigned char getMonocasedCodePoint(DisplayBag* d) const;

 protected:
  explicit DataKeystroke(FunctionWord word) : word_(word) {}
  FunctionWord word_;
};

class ExitFieldKeystroke : public Keystroke {
 protected:
  ExitFieldKeystroke() = default;
};

class FunctionKeystroke : public Keystroke {
 protected:
  FunctionKeystroke() = default;
};

class ImmediateKeystroke : public Keystroke {
 protected:
  ImmediateKeystroke() = default;
};

class TextKeystroke : public Keystroke {
 protected:
  TextKeystroke() = default;
};

class CursorMovementKeystroke : public UserInput {
 public:
  virtual unsigned int moveInArea(DisplayBag* d) = 0;  // 14

 protected:
  CursorMovementKeystroke() = default;
};

// The common behaviour of the mouse events: a button the host programmed
// posts its AID (or waits while the keyboard is locked), a press ends the
// error state as the error-reset preference says, a drag or a marking in
// progress ends. The classes add what their button does.
class MouseEvent : public UserInput {
 public:
  unsigned int processInNormalUnlockedState(DisplayBag* d) override;  // 0
  unsigned int processInSystemRequestState(DisplayBag* d) override;   // 1
  unsigned int processInErrorState(DisplayBag* d) override;           // 2
  unsigned int processInNormalLockedState(DisplayBag* d) override;    // 4
  unsigned int processInDragAndDropState(DisplayBag* d) override;     // 5
  unsigned int processInTwoMouseEventState(DisplayBag* d) override;   // 6
  unsigned int processInCopyState(DisplayBag* d) override;            // 7
  unsigned int processInWPErrorState(DisplayBag* d) override;         // 9
  // Drops the event when the host reads nothing (outside the states that
  // take it anyway) and mirrors the offset on a reversed screen.
  unsigned int preProcess(DisplayBag* d) override;                    // 11

  unsigned int button() const { return button_; }
  unsigned int offset() const { return offset_; }
  // Presses are the buttons whose number modulo 3 is 1.
  bool isPress() const { return button_ % 3 == 1; }

 protected:
  // The button's programmed AID, when the host programmed it: 1 (done).
  unsigned int runProgrammed(DisplayBag* d);
  // The offset as the marking code takes it (mirrored once more on a
  // reversed screen).
  unsigned int markingOffset(DisplayBag* d) const;

  MouseEvent(unsigned int button, unsigned int offset) : button_(button), offset_(offset) {}
  unsigned int button_;
  unsigned int offset_;
};

class ImageStatusEvent : public UserInput {
 protected:
  ImageStatusEvent(unsigned int status, unsigned char c0, unsigned char c1)
      : status_(status), cursor_{c0, c1} {}
  unsigned int status_;
  unsigned char cursor_[2];
};
