#pragma once
// The cursor of a presentation space: its offset, the area it is bound to,
// the home position, the window that restricts its movement, the copy kept
// while the system-request line is in use, and the mapping between logical
// and shown offsets on a reversed (right-to-left) screen.

class StationServices;
class AreaOfScreen;
class qrnOStream;
class qrnIStream;

// 1: on a reversed screen the offset is logical and is mirrored within its area.
enum ReverseScreenCursorOffsetType : int {
  CursorOffsetAsShown = 0,
  CursorOffsetLogical = 1,
};

class CursorClass {
 public:
  explicit CursorClass(StationServices* station);

  unsigned int getCursorOffset() const { return offset_; }
  unsigned int getCursorRow() const;
  unsigned int getCursorColumn() const;
  unsigned int getCursorShifted() const;
  AreaOfScreen* getArea() const { return area_; }
  unsigned int getHomePosition() const { return home_; }
  void setHomePosition(unsigned int offset) { home_ = static_cast<unsigned short>(offset); }
  unsigned int getRememberedColumn() const { return column_; }
  void setRememberedColumn(unsigned int column) { column_ = static_cast<unsigned char>(column); }

  unsigned int getPositionToLeft(unsigned int offset, unsigned int count,
                                 unsigned int stopAtWrap) const;
  unsigned int getPositionToRight(unsigned int offset, unsigned int count,
                                  unsigned int stopAtWrap) const;
  unsigned int getPositionUpward(unsigned int offset) const;
  unsigned int getPositionDownward(unsigned int offset) const;

  unsigned int getUnShiftedOffsetOfLeftFieldBoundaryOnLineOfScreen(unsigned int fieldStart,
                                                                   unsigned int fieldEnd) const;
  unsigned int getUnShiftedOffsetOfRightFieldBoundaryOnLineOfScreen(unsigned int fieldStart,
                                                                    unsigned int fieldEnd) const;
  unsigned int getShiftedOffsetOfLeftFieldBoundaryOnLineOfScreen(unsigned int fieldStart,
                                                                 unsigned int fieldEnd) const;
  unsigned int getShiftedOffsetOfRightFieldBoundaryOnLineOfScreen(unsigned int fieldStart,
                                                                  unsigned int fieldEnd) const;

  // Binds the cursor to the non-bypass area at offset (-1 keeps the offset)
  // and returns the area's gain-focus result. The cursor must be detached.
  int initializeCursorToArea(int offset, unsigned int enter, ReverseScreenCursorOffsetType type);
  void detachCursorFromArea();
  int moveCursorToNewArea(int offset, ReverseScreenCursorOffsetType type);
  void moveCursorWithinSameArea(unsigned int offset, ReverseScreenCursorOffsetType type);
  void outputNewCursorPosition();

  // False (ignored) while the station refuses windows, or when the window
  // does not lie on the screen.
  bool setWindowRestrictedCursorMovement(unsigned int left, unsigned int right, unsigned int top,
                                         unsigned int bottom);
  void resetWindowRestrictedCursorMovement();
  bool hasWindow() const;

  void saveForSystemRequest();
  void restoreFromSystemRequest();

  void saveCursor(qrnOStream* stream) const;
  // 0, or the restore's sense code; nothing changes when refused.
  unsigned int restoreCursor(qrnIStream* stream);

  struct Window {
    unsigned char left = 0, right = 255, top = 0, bottom = 255;
  };
  Window getWindow() const { return window_; }

 private:
  unsigned int rows() const;
  unsigned int columns() const;
  bool reversed() const;
  bool inWindowRows(unsigned int row) const;
  unsigned int storeOffset(unsigned int offset, ReverseScreenCursorOffsetType type,
                           AreaOfScreen* area) const;
  void leaveInsertMode();

  StationServices* station_;
  unsigned short offset_ = 0;
  unsigned short sysReqOffset_ = 0;
  AreaOfScreen* area_ = nullptr;
  unsigned short lastOutput_ = 0xFFFF;
  unsigned short home_ = 0;
  unsigned char column_ = 0;
  Window window_;
  Window sysReqWindow_;
};
