#pragma once
// The mouse events, the edit menu's Cut, Copy and Paste, and the image
// status event that the input-object generator builds. Each mouse class
// carries its button number (the generator's code, 0 for movement). Their
// state operations come with the mouse and hot-spot code; until then each
// event but the left press (the area's click) and the shifted right press
// (paste) is accepted and does nothing.
#include "keyboard/UserInput.h"

class MouseMovementEvent : public MouseEvent {
 public:
  explicit MouseMovementEvent(unsigned int offset) : MouseEvent(0, offset) {}
  unsigned int processInNormalUnlockedState(DisplayBag*) override { return 0; }
};
class LeftButtonPress : public MouseEvent {
 public:
  explicit LeftButtonPress(unsigned int offset) : MouseEvent(1, offset) {}
  // The area at the click takes it (a selection field selects the choice).
  unsigned int processInNormalUnlockedState(DisplayBag* d) override;
};
class LeftButtonRelease : public MouseEvent {
 public:
  explicit LeftButtonRelease(unsigned int offset) : MouseEvent(2, offset) {}
  unsigned int processInNormalUnlockedState(DisplayBag*) override { return 0; }
};
class LeftButtonDoubleClick : public MouseEvent {
 public:
  explicit LeftButtonDoubleClick(unsigned int offset) : MouseEvent(3, offset) {}
  unsigned int processInNormalUnlockedState(DisplayBag*) override { return 0; }
};
class RightButtonPress : public MouseEvent {
 public:
  explicit RightButtonPress(unsigned int offset) : MouseEvent(4, offset) {}
  unsigned int processInNormalUnlockedState(DisplayBag*) override { return 0; }
};
class RightButtonRelease : public MouseEvent {
 public:
  explicit RightButtonRelease(unsigned int offset) : MouseEvent(5, offset) {}
  unsigned int processInNormalUnlockedState(DisplayBag*) override { return 0; }
};
class RightButtonDoubleClick : public MouseEvent {
 public:
  explicit RightButtonDoubleClick(unsigned int offset) : MouseEvent(6, offset) {}
  unsigned int processInNormalUnlockedState(DisplayBag*) override { return 0; }
};
class MiddleButtonPress : public MouseEvent {
 public:
  explicit MiddleButtonPress(unsigned int offset, unsigned int button = 7) : MouseEvent(button, offset) {}
  unsigned int processInNormalUnlockedState(DisplayBag*) override { return 0; }
};
class MiddleButtonRelease : public MouseEvent {
 public:
  explicit MiddleButtonRelease(unsigned int offset) : MouseEvent(8, offset) {}
  unsigned int processInNormalUnlockedState(DisplayBag*) override { return 0; }
};
class MiddleButtonDoubleClick : public MouseEvent {
 public:
  explicit MiddleButtonDoubleClick(unsigned int offset) : MouseEvent(9, offset) {}
  unsigned int processInNormalUnlockedState(DisplayBag*) override { return 0; }
};
class ShiftedLeftButtonPress : public MouseEvent {
 public:
  explicit ShiftedLeftButtonPress(unsigned int offset) : MouseEvent(10, offset) {}
  unsigned int processInNormalUnlockedState(DisplayBag*) override { return 0; }
};
class ShiftedLeftButtonRelease : public MouseEvent {
 public:
  explicit ShiftedLeftButtonRelease(unsigned int offset) : MouseEvent(11, offset) {}
  unsigned int processInNormalUnlockedState(DisplayBag*) override { return 0; }
};
class ShiftedLeftButtonDoubleClick : public MouseEvent {
 public:
  explicit ShiftedLeftButtonDoubleClick(unsigned int offset) : MouseEvent(12, offset) {}
  unsigned int processInNormalUnlockedState(DisplayBag*) override { return 0; }
};
class ShiftedRightButtonPress : public MouseEvent {
 public:
  explicit ShiftedRightButtonPress(unsigned int offset) : MouseEvent(13, offset) {}
  // A button the host programmed posts its AID; otherwise a paste, at the
  // click when the station pastes at the pointer.
  unsigned int processInNormalUnlockedState(DisplayBag* d) override;
};
class ShiftedRightButtonRelease : public MouseEvent {
 public:
  explicit ShiftedRightButtonRelease(unsigned int offset) : MouseEvent(14, offset) {}
  unsigned int processInNormalUnlockedState(DisplayBag*) override { return 0; }
};
class ShiftedRightButtonDoubleClick : public MouseEvent {
 public:
  explicit ShiftedRightButtonDoubleClick(unsigned int offset) : MouseEvent(15, offset) {}
  unsigned int processInNormalUnlockedState(DisplayBag*) override { return 0; }
};
class ShiftedMiddleButtonPress : public MiddleButtonPress {
 public:
  explicit ShiftedMiddleButtonPress(unsigned int offset) : MiddleButtonPress(offset, 16) {}
};
class ShiftedMiddleButtonRelease : public MouseEvent {
 public:
  explicit ShiftedMiddleButtonRelease(unsigned int offset) : MouseEvent(17, offset) {}
  unsigned int processInNormalUnlockedState(DisplayBag*) override { return 0; }
};
class ShiftedMiddleButtonDoubleClick : public MouseEvent {
 public:
  explicit ShiftedMiddleButtonDoubleClick(unsigned int offset) : MouseEvent(18, offset) {}
  unsigned int processInNormalUnlockedState(DisplayBag*) override { return 0; }
};
class MenuPaste : public MouseEvent {
 public:
  MenuPaste() : MouseEvent(0, 0) {}
  // The edit menu's Paste: at the cursor.
  unsigned int processInNormalUnlockedState(DisplayBag* d) override;
};
class MenuCopy : public MouseEvent {
 public:
  MenuCopy() : MouseEvent(0, 0) {}
  unsigned int processInNormalUnlockedState(DisplayBag*) override { return 0; }
  // Copies the marked area; the marking stays.
  unsigned int processInPostCopyState(DisplayBag* d) override;
};
class MenuCut : public MouseEvent {
 public:
  MenuCut() : MouseEvent(0, 0) {}
  unsigned int processInNormalUnlockedState(DisplayBag*) override { return 0; }
  // Copies the marked area, then deletes it where it may be cut.
  unsigned int processInPostCopyState(DisplayBag* d) override;
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
