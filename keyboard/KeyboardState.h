#pragma once
// The keyboard state machine of a display station: which UserInput
// operation handles an event, whether the keyboard is locked, the operator
// error line, and the marking of a copy area with the mouse or the keyboard.
// The host moves it through the data stream's keyboard-state orders, the
// operator through the input objects. Every enter and exit operation checks
// the state it is called in: an illegal transition is refused (false,
// logged) and changes nothing, since host data and keys can ask for any.
class DisplayBag;
class ScrollBarField;
class AreaOfScreen;
class qrnOStream;
class qrnIStream;
class CopiedDataInformation;

class KeyboardState {
 public:
  enum State : unsigned char {
    kNormalUnlocked = 0,
    kSystemRequest = 1,
    kError = 2,
    kPostHelpError = 3,
    kNormalLocked = 4,
    kRestoredUnlocked = 5,
    kRestoredLocked = 6,
    kDragAndDrop = 7,
    kTwoMouseEvents = 8,
    kCopy = 9,
    kPostCopy = 10,
    kWordProcessing = 11,
  };
  enum SwapType : unsigned int { kSwapIn = 1, kSwapBack = 2 };
  enum CopyType : unsigned char { kLinearCopy = 0, kBlockCopy = 1 };

  // Display-control word bits that the keyboard sets.
  static constexpr unsigned int kScrollDragTracking = 0x00080000u;
  static constexpr unsigned int kCopyTracking = 0x00100000u;
  static constexpr unsigned int kMarkingInProgress = 0x00200000u;
  static constexpr unsigned int kErrorLineOnExtraRow = 0x00800000u;
  static constexpr unsigned int kKeyboardLocked = 0x10000000u;
  // Cursor request and state bits that tell the device about the keyboard.
  static constexpr unsigned char kErrorOutput = 0x02;         // request
  static constexpr unsigned char kSystemRequestOutput = 0x08; // request
  static constexpr unsigned char kHomePendingOutput = 0x80;   // request
  static constexpr unsigned char kLockOutput = 0x04;          // state
  static constexpr unsigned char kWPOutput = 0x01;            // state
  static constexpr unsigned char kWPSystemOutput = 0x10;      // state
  static constexpr unsigned char kTextAssistRequests = 0x60;  // request
  static constexpr unsigned char kTextAssistStates = 0x01 | 0x10 | 0x20;  // state

  static constexpr unsigned char kErrorAttribute = 0x2A;
  static constexpr unsigned char kHelpErrorAttribute = 0x22;
  static constexpr unsigned char kEndAttribute = 0x27;
  static constexpr unsigned char kSystemRequestAttribute = 0x34;

  KeyboardState(DisplayBag* display, unsigned int extraRow);

  State state() const { return static_cast<State>(state_); }
  State savedState() const { return static_cast<State>(savedState_); }
  bool isLockedState() const;

  bool enterNormalLockedState();
  bool enterNormalUnlockState();
  bool changeErrorStateToLocked();
  bool changeErrorStateToUnlocked();
  bool enterErrorState(unsigned int code, unsigned char hostMessage, unsigned char column,
                       unsigned char endColumn, unsigned int reentry);
  bool exitErrorState();
  bool enterPostHelpErrorState();
  bool exitPostHelpErrorState();
  bool enterSystemRequestState();
  bool exitSystemRequestState();
  bool exitSystemRequestStateWhenAreaIsInFocus();
  bool enterDragAndDropState(ScrollBarField* bar, unsigned int offset);
  // The slider offset remembered when the drag began (0 when refused).
  unsigned int exitDragAndDropState();
  bool enterTwoMouseEventState(unsigned int button, unsigned int offset);
  bool exitTwoMouseEventState();
  // The programmed button that began the two-mouse-event state.
  unsigned int twoEventButton() const { return mouseButton_; }
  bool enterWPState();
  bool exitWPState();

  unsigned int determinePollType(unsigned int& flag);
  void processBufferedEvent();
  void storeImageStatus(unsigned char aid, const unsigned char* twoBytes);

  // Copy marking.
  bool enterCopyState(CopyType type, unsigned int start, unsigned int deferred);
  void updateCopyState(unsigned int offset);
  void drawCopyStateCopyArea();
  bool exitCopyState();
  bool enterPostCopyState(int point, CopyType type);
  bool exitPostCopyState();
  bool exitPostCopyStateWithDelete();
  bool copyMarkedArea();
  struct CopyAreaInfo {
    unsigned int marked, block, reversed, from, fromRow, fromColumn, to, toRow, toColumn;
  };
  CopyAreaInfo getCopyAreaInfo() const;
  void processKeyboardCopyKeys(int key);

  // The error line.
  void prepareErrorLine(unsigned int rowStart, unsigned int first, unsigned int last);
  void swapErrorLine(SwapType type, unsigned int first, unsigned int last);
  unsigned int swappedErrorLineOffsetCheck(unsigned int offset) const;
  void writeOperatorErrorToScreen();
  unsigned int getErrorCode() const;
  void setErrorCode(unsigned int value);
  const unsigned char* errorLine() const { return errorLine_; }
  unsigned int errorRow() const { return errorRow_; }
  // Moves the error line to `row` (1 to rows + 1). Refused, with a log line,
  // for a row off the screen or while the error line is swapped in: the
  // row it came from must be given back first.
  bool setErrorRow(unsigned int row);
  unsigned int errorColumn() const { return errorColumn_; }
  bool errorLineSwapped() const { return errorLineSwapped_ != 0; }
  bool keyboardErrorShown() const { return keyboardErrorShown_ != 0; }
  ScrollBarField* dragScrollBar() const { return dragScrollBar_; }
  // The pointer's last offset during a drag (the drag's start at first).
  unsigned int dragPointer() const { return dragOffset_; }
  void setDragPointer(unsigned int offset) { dragOffset_ = static_cast<unsigned short>(offset); }
  unsigned int copyFrom() const { return copyFrom_; }
  unsigned int copyTo() const { return copyTo_; }
  unsigned int copyAnchor() const { return copyAnchor_; }
  unsigned int copyPoint() const { return copyPoint_; }
  // The state in which the copy marking began.
  State copySavedState() const { return static_cast<State>(copySavedState_); }

  void saveKeyboardState(qrnOStream* out);
  // 0, or the restore's sense code; nothing changes when refused.
  unsigned int restoreKeyboardState(qrnIStream* in);

 private:
  bool refuse(const char* operation) const;
  unsigned int rows() const;
  unsigned int columns() const;
  bool reversed() const;
  AreaOfScreen* areaAtCursor();
  void lockDisplay();
  void unlockDisplay();
  void leaveInsertModeUnlessKept();
  unsigned int mirrored(unsigned int offset) const;
  void markArea(unsigned int from, unsigned int to);
  void normaliseBlock(unsigned int& from, unsigned int& to) const;
  void setAreaGeometryAndCutPermission();
  void adjustMarkedArea(unsigned int p);

  DisplayBag* display_;
  unsigned char state_ = kNormalUnlocked;
  unsigned char errorLineSwapped_ = 0;
  unsigned char errorRow_;
  unsigned char errorColumn_ = 1;
  unsigned char errorLine_[6] = {0, 0, 0, 0, 0, kEndAttribute};
  unsigned char savedState_ = kNormalUnlocked;
  unsigned char keyboardErrorShown_ = 0;
  unsigned char bufferedAid_ = 0;
  unsigned char bufferedAidCursor_[2] = {0, 0};
  ScrollBarField* dragScrollBar_ = nullptr;
  unsigned short dragOffset_ = 0;
  unsigned short dragStartValue_ = 0;
  unsigned short mouseButton_ = 0;
  unsigned short mouseOffset_ = 0;
  unsigned char copyType_ = kLinearCopy;
  unsigned short copyAnchor_ = 0, copyPoint_ = 0;
  unsigned short copyFrom_ = 0, copyTo_ = 0;
  unsigned char copySavedState_ = kNormalUnlocked;
  unsigned char copyOnCompletion_ = 0;
  unsigned char notMovedYet_ = 0;
  // The area the marked range may be cut from; text assist marks it with
  // cutInText_ instead of an area.
  AreaOfScreen* cutArea_ = nullptr;
  unsigned char cutInText_ = 0;
  unsigned short areaStart_ = 0;
  unsigned short areaWidth_ = 0;
  unsigned char areaRows_ = 0;
  unsigned short preClickCursor_ = 0;
};
