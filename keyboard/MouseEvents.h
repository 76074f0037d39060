#pragma once
// The mouse events, the edit menu's Cut, Copy and Paste, and the image
// status event that the input-object generator builds. Each mouse class
// carries its button number (the generator's code, 0 for movement); the
// state operations say what the button does in each keyboard state.
#include "keyboard/UserInput.h"

class MouseMovementEvent : public MouseEvent {
 public:
  explicit MouseMovementEvent(unsigned int offset) : MouseEvent(0, offset) {}
  // Drags the slider of a scroll bar; moves the end of a marking.
  unsigned int processInDragAndDropState(DisplayBag* d) override;
  unsigned int processInCopyState(DisplayBag* d) override;
  unsigned int processInPostCopyState(DisplayBag*) override { return 0; }
};
class LeftButtonPress : public MouseEvent {
 public:
  explicit LeftButtonPress(unsigned int offset) : MouseEvent(1, offset) {}
  // The area at the click takes it: a programmed button, a hot spot, the
  // cursor moved to the click, the marking of an area begun.
  unsigned int processInNormalUnlockedState(DisplayBag* d) override;
  // A click on the error line resets the error as the Reset key does.
  unsigned int processInErrorState(DisplayBag* d) override;
  unsigned int processInWPErrorState(DisplayBag* d) override;
  unsigned int processInWPState(DisplayBag* d) override;
};
class LeftButtonRelease : public MouseEvent {
 public:
  explicit LeftButtonRelease(unsigned int offset) : MouseEvent(2, offset) {}
  // Ends a slider drag; ends a marking (the area stays marked).
  unsigned int processInDragAndDropState(DisplayBag* d) override;
  unsigned int processInCopyState(DisplayBag* d) override;
};
class LeftButtonDoubleClick : public MouseEvent {
 public:
  explicit LeftButtonDoubleClick(unsigned int offset) : MouseEvent(3, offset) {}
  // After a click that placed the cursor: a hot spot acts (double-click
  // hot spots) or the double click is the Enter key.
  unsigned int processInNormalUnlockedState(DisplayBag* d) override;
  unsigned int processInWPState(DisplayBag* d) override;
};
class RightButtonPress : public MouseEvent {
 public:
  explicit RightButtonPress(unsigned int offset, unsigned int button = 4) : MouseEvent(button, offset) {}
  // Marks from the cursor to the click; with an area marked, moves its
  // nearer end there.
  unsigned int processInNormalUnlockedState(DisplayBag* d) override;
  unsigned int processInPostCopyState(DisplayBag* d) override;
  unsigned int processInWPState(DisplayBag* d) override;

 protected:
  unsigned int press(DisplayBag* d, unsigned int hotSpotMode, unsigned char copyType);
};
class RightButtonRelease : public MouseEvent {
 public:
  explicit RightButtonRelease(unsigned int offset) : MouseEvent(5, offset) {}
  unsigned int processInPostCopyState(DisplayBag* d) override;
};
class RightButtonDoubleClick : public RightButtonPress {
 public:
  explicit RightButtonDoubleClick(unsigned int offset) : RightButtonPress(offset, 6) {}
  unsigned int processInNormalUnlockedState(DisplayBag* d) override;
};
class MiddleButtonPress : public MouseEvent {
 public:
  explicit MiddleButtonPress(unsigned int offset, unsigned int button = 7) : MouseEvent(button, offset) {}
  // The edit menu pops up (a programmed button posts its AID instead).
  unsigned int processInNormalUnlockedState(DisplayBag* d) override;
  unsigned int processInPostCopyState(DisplayBag* d) override;
  unsigned int processInWPState(DisplayBag* d) override;
};
class MiddleButtonRelease : public MouseEvent {
 public:
  explicit MiddleButtonRelease(unsigned int offset) : MouseEvent(8, offset) {}
};
class MiddleButtonDoubleClick : public MouseEvent {
 public:
  explicit MiddleButtonDoubleClick(unsigned int offset) : MouseEvent(9, offset) {}
};
class ShiftedLeftButtonPress : public MouseEvent {
 public:
  explicit ShiftedLeftButtonPress(unsigned int offset, unsigned int button = 10) : MouseEvent(button, offset) {}
  // Starts marking an area at the click.
  unsigned int processInNormalUnlockedState(DisplayBag* d) override;
  unsigned int processInErrorState(DisplayBag* d) override;
  unsigned int processInWPState(DisplayBag* d) override;

 protected:
  unsigned int press(DisplayBag* d, unsigned char copyType);
};
class ShiftedLeftButtonRelease : public MouseEvent {
 public:
  explicit ShiftedLeftButtonRelease(unsigned int offset) : MouseEvent(11, offset) {}
  unsigned int processInCopyState(DisplayBag* d) override;
};
class ShiftedLeftButtonDoubleClick : public ShiftedLeftButtonPress {
 public:
  explicit ShiftedLeftButtonDoubleClick(unsigned int offset) : ShiftedLeftButtonPress(offset, 12) {}
  // As the press, with the alternative copy type.
  unsigned int processInNormalUnlockedState(DisplayBag* d) override;
};
class ShiftedRightButtonPress : public MouseEvent {
 public:
  explicit ShiftedRightButtonPress(unsigned int offset) : MouseEvent(13, offset) {}
  // A button the host programmed posts its AID; otherwise a paste, at the
  // click when the station pastes at the pointer.
  unsigned int processInNormalUnlockedState(DisplayBag* d) override;
  // In text assist: the paste into the text, unless it shows an error.
  unsigned int processInWPState(DisplayBag* d) override;
};
class ShiftedRightButtonRelease : public MouseEvent {
 public:
  explicit ShiftedRightButtonRelease(unsigned int offset) : MouseEvent(14, offset) {}
};
class ShiftedRightButtonDoubleClick : public MouseEvent {
 public:
  explicit ShiftedRightButtonDoubleClick(unsigned int offset) : MouseEvent(15, offset) {}
};
class ShiftedMiddleButtonPress : public MiddleButtonPress {
 public:
  explicit ShiftedMiddleButtonPress(unsigned int offset) : MiddleButtonPress(offset, 16) {}
};
class ShiftedMiddleButtonRelease : public MouseEvent {
 public:
  explicit ShiftedMiddleButtonRelease(unsigned int offset) : MouseEvent(17, offset) {}
};
class ShiftedMiddleButtonDoubleClick : public MouseEvent {
 public:
  explicit ShiftedMiddleButtonDoubleClick(unsigned int offset) : MouseEvent(18, offset) {}
};
class MenuPaste : public MouseEvent {
 public:
  MenuPaste() : MouseEvent(0, 0) {}
  // The edit menu's Paste: at the cursor.
  unsigned int processInNormalUnlockedState(DisplayBag* d) override;
  unsigned int processInWPState(DisplayBag* d) override;
  unsigned int preProcess(DisplayBag*) override { return 0; }
};
class MenuCopy : public MouseEvent {
 public:
  MenuCopy() : MouseEvent(0, 0) {}
  unsigned int processInNormalUnlockedState(DisplayBag*) override { return 0; }
  // Copies the marked area; the marking stays.
  unsigned int processInPostCopyState(DisplayBag* d) override;
  unsigned int preProcess(DisplayBag*) override { return 0; }
};
class MenuCut : public MouseEvent {
 public:
  MenuCut() : MouseEvent(0, 0) {}
  unsigned int processInNormalUnlockedState(DisplayBag*) override { return 0; }
  // Copies the marked area and deletes it from its input field.
  unsigned int processInPostCopyState(DisplayBag* d) override;
  unsigned int preProcess(DisplayBag*) override { return 0; }
};

class ImageStatus : public ImageStatusEvent {
 public:
  ImageStatus(unsigned int status, const unsigned char* bytes) : ImageStatusEvent(status, bytes[0], bytes[1]) {}
  // Posts the status's AID while a read waits, else holds it.
  unsigned int processInNormalUnlockedState(DisplayBag* d) override;
  unsigned int processInSystemRequestState(DisplayBag*) override { return 0; }
  unsigned int processInNormalLockedState(DisplayBag* d) override;
  unsigned int status() const { return status_; }
  const unsigned char* statusBytes() const { return cursor_; }
};
