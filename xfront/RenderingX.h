#pragma once
// The X display device of a session. It keeps a shadow copy of every screen
// plane, turns each update into display characters and display attribute
// words, and hands the window (RenderingWindow) exactly the changed range.
// While held (a burst of host records) the planes are still copied at once,
// but the rebuild and the hand-over wait for the release or the next reader
// of the result, and then cover the union of the held ranges. It
// also keeps what only the display needs: marked areas, the marker box, host
// push buttons, the indicator words and the cursor plane. Planes and work
// buffers come from one block of work memory. Host data never ends the
// program here: out-of-range requests are refused with a log line.
#include <memory>

#include "display/Rendering.h"
#include "base/BufferMgr.h"

class SessionControlBlock;
class RenderingWindow;
class SessionImages;

class RenderingX : public Rendering {
 public:
  static constexpr unsigned int kAreaSize = 49568;
  static constexpr unsigned int kBufferSize = 3696;  // 27 x 132 + 132
  static constexpr unsigned int kMaxPushButtons = 128;
  static constexpr unsigned int kMaxExpanded = 2000;  // compressed updates are 24 x 80 only

  // Mark word bits (flags()).
  static constexpr unsigned int kMarked = 0x80000000u;
  static constexpr unsigned int kMarkBlock = 0x40000000u;
  static constexpr unsigned int kMarkMirrored = 0x20000000u;

  // The session's device: its window and host-to-display table. Takes `area`
  // (at least kAreaSize bytes from malloc), freed with the device.
  RenderingX(unsigned int rows, unsigned int columns, SessionControlBlock* session, char* area, unsigned int size);
  // A device on any window and display table (the table must outlive it).
  RenderingX(unsigned int rows, unsigned int columns, RenderingWindow* window, const unsigned char* displayTable,
             char* area, unsigned int size);
  ~RenderingX() override;

  void clearAllPlanes(unsigned int ecbPlanesInUse) override;
  void clearColorECBPlane() override;
  void clearPresentationSpace() override;
  void clearPrimaryECBPlane() override;
  void clearSecondaryECBPlane() override;
  void copyArea(CopiedDataInformation* info) override;
  void popupEditMenu() override;
  void drawMarkerBox(unsigned int offset) override;
  // The fourth argument is the redraw flag: a redrawn button is not added to
  // the table again.
  void drawPushButton(unsigned int offset, unsigned int length, unsigned int highlight,
                      unsigned int redraw) override;
  void enableCopy(unsigned int on) override;
  void enableCut(unsigned int on) override;
  void enablePaste(unsigned int on) override;
  void eraseImage() override;
  void eraseMarkerBox(unsigned int offset) override;
  void erasePushButtons(unsigned int first, unsigned int last) override;
  void getCopiedData(CopiedDataInformation* info, unsigned int offset) override;
  void markBlockArea(unsigned int start, unsigned int end) override;
  void markLinearArea(unsigned int start, unsigned int end, unsigned int mirrored) override;
  void pasteStep() override {}
  unsigned char* getScreenWorkBuffer() override;
  void hook21() override {}
  void unmarkArea() override;
  void hook23(const unsigned char*, unsigned int) override {}
  void restoreImage(const unsigned char* data, unsigned int length) override;
  const unsigned char* saveDeviceData(unsigned int& length) override;
  const unsigned char* saveImage(unsigned int& length) override;
  void setCursorPosition(unsigned int offset) override;
  void setCursorPlane(PlaneNumber plane) override;
  void setScreenSize(unsigned int rows, unsigned int columns) override;
  void setShadowCursorRow(unsigned int row) override;
  void setTypeAhead(unsigned int on, unsigned int control) override;
  void setTextSymbolsDisplayPlane(PlaneNumber plane) override;
  void pasteBegin(CopiedDataInformation*, PasteState*) override {}
  void textTimer(TextSession* session) override;
  void hook35() override {}
  void refreshPresentationSpaceFromDevice(unsigned char*, unsigned int, unsigned int) override {}
  void hook37(unsigned int, const unsigned char*, unsigned int) override {}
  void updateIndicators(unsigned int controlWord, unsigned int indicatorWord) override;
  void writeImage(unsigned int command, const unsigned char* data, unsigned int length) override;
  void updateColorECBPlane(unsigned int first, unsigned int count) override;
  void updateAllPlanes(const unsigned char* characters, unsigned int first, unsigned int count,
                       const CharacterBufferImplementation* primary, unsigned int primaryFirst,
                       unsigned int primaryCount, const CharacterBufferImplementation* secondary,
                       unsigned int secondaryFirst, unsigned int secondaryCount,
                       const CharacterBufferImplementation* colour, unsigned int colourFirst,
                       unsigned int colourCount) override;
  void updatePresentationSpacePlane(const unsigned char* bytes, unsigned int source, unsigned int device,
                                    unsigned int count) override;
  void updatePresentationSpaceCompressed(const unsigned char* data, unsigned int length,
                                         unsigned int first) override;
  void updatePrimaryECBPlane(unsigned int first, unsigned int count) override;
  void updateSecondaryECBPlane(unsigned int first, unsigned int count) override;
  void* WsGetBuffer(unsigned int size) override;
  void WsFreeBuffer(void* buffer) override;
  void holdScreenRebuilds() override;
  void releaseScreenRebuilds() override;
  void settleScreen() override;
  bool rebuildsHeld() const { return holds_ != 0; }

  // Plane reads: count bytes from start into `out`; nothing when the range
  // leaves the planes.
  void getPresentationSpaceBufferData(unsigned int start, unsigned int count, unsigned char* out) const;
  void getPrimaryECBBufferData(unsigned int start, unsigned int count, unsigned char* out) const;
  void getSecondaryECBBufferData(unsigned int start, unsigned int count, unsigned char* out) const;
  void getColorECBBufferData(unsigned int start, unsigned int count, unsigned char* out) const;
  unsigned char getWorkingPresentationSpaceAttribute(int position) const;
  unsigned char getWorkingPrimaryECBPlaneAttribute(int position) const;
  unsigned char getWorkingSecondaryECBPlaneAttribute(int position) const;
  unsigned char getWorkingColorECBPlaneAttribute(int position) const;
  // The byte of a shadow plane: 0 presentation space, 1 primary, 2 secondary,
  // 3 colour; 0 for any other plane or position.
  unsigned char planeByte(int plane, int position) const;

  // The display information that a simulator reads (`size` bytes at
  // `out`, zeroed by the caller, byte 0 the caller's status): byte 9 the
  // shadow cursor row; bytes 17 and 18 the cursor's row and column
  // (1-based); byte 96 bit 0x20 the display word's bit 21; bytes 98-99 the
  // number of display elements (big-endian) and from byte 100 the elements,
  // four bytes each {type, position high, position low, length}: the push
  // buttons (type 1, their length), then the outline of the marked area or
  // marker box (2 top and 3 bottom with their length in columns, 4 left and
  // 5 right with theirs in rows; a rectangle's in that order), as many as
  // fit.
  void getReadDPLInformation(unsigned char* out, unsigned int size) const;

  // What the device keeps for the window and for tests (settled first).
  const unsigned char* displayCharacters() const;
  const unsigned short* displayAttributes() const;
  unsigned int displayWord() const { return displayWord_; }
  unsigned int indicatorWord() const { return indicatorWord_; }
  unsigned int cursor() const { return cursor_; }
  int markerAnchor() const { return anchor_; }
  unsigned int markStart() const { return markStart_; }
  unsigned int markEnd() const { return markEnd_; }
  unsigned int pushButtonCount() const { return buttonCount_; }
  unsigned int pushButtonPosition(unsigned int i) const { return buttons_[i].position; }
  unsigned int pushButtonLength(unsigned int i) const { return buttons_[i].length; }
  PlaneNumber cursorPlane() const { return cursorPlane_; }
  // Work buffers taken from the heap because the work memory was full.
  unsigned int heapBuffers() const { return heapBuffers_; }
  SessionControlBlock* session() const { return session_; }
  // The session's image object and image store.
  SessionImages& images() { return *images_; }

 private:
  void takePlanes(unsigned int size);
  // The attribute and character rebuilds; both end in x_write of the range
  // whose display really changed.
  void rebuildAttributes(int start, int end);
  void rebuildCharacters(int start, int count);
  void writeToWindow(int start, int onePastLast);
  // Positions first..last of the planes changed, charFirst..charLast of
  // them in the character plane (-1: none there): rebuilt now, or noted
  // while held.
  void planesChanged(int first, int last, int charFirst = -1, int charLast = -1);
  // Notes a held character range: merged with those it overlaps or
  // touches, else kept apart (a position outside every range is not
  // rebuilt: it may still show the blank of a clear); rebuilt at once when
  // no place is left.
  void holdCharacters(int first, int last);
  // Forgets what is held: the planes were cleared with the window.
  void dropHeld() {
    heldLow_ = heldHigh_ = -1;
    heldCharRanges_ = 0;
  }
  // Clamps a plane range to the screen; false (with a log line) when nothing
  // of it is left.
  bool checkRange(const char* what, unsigned int first, unsigned int& count) const;
  void copyFromStore(unsigned char* plane, const CharacterBufferImplementation* store, unsigned int first,
                     unsigned int count);
  const CharacterBufferImplementation* stationStore(int plane) const;
  void drawMarkedArea(unsigned int start, unsigned int end);
  void redrawRuleLineIfShown();
  bool inPool(const void* p) const;

  SessionControlBlock* session_ = nullptr;
  std::unique_ptr<SessionImages> images_;
  RenderingWindow* window_ = nullptr;
  const unsigned char* table_ = nullptr;
  char* area_ = nullptr;
  unsigned int areaSize_ = 0;
  BufferMgr pool_;
  unsigned int heapBuffers_ = 0;

  unsigned int displayWord_ = 0;
  unsigned int indicatorWord_ = 0;
  unsigned int cursor_ = 0;
  int anchor_ = -1;
  unsigned int markStart_ = 0;
  unsigned int markEnd_ = 0;
  struct PushButton {
    unsigned int position, length;
  };
  unsigned int buttonCount_ = 0;
  PushButton buttons_[kMaxPushButtons] = {};
  PlaneNumber cursorPlane_ = Plane0;
  PlaneNumber textSymbolsPlane_ = Plane0;
  unsigned int shadowCursorRow_ = 0;

  // Holds and the held ranges (inclusive; -1 when none).
  unsigned int holds_ = 0;
  int heldLow_ = -1, heldHigh_ = -1;
  struct Range {
    int first, last;
  };
  static constexpr int kHeldCharRanges = 8;
  Range heldChars_[kHeldCharRanges] = {};
  int heldCharRanges_ = 0;

  unsigned char* ps_ = nullptr;
  unsigned char* primary_ = nullptr;
  unsigned char* secondary_ = nullptr;
  unsigned char* colour_ = nullptr;
  unsigned char* chars_ = nullptr;
  unsigned short* attrs_ = nullptr;
};
