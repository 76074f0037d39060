#pragma once
#include "display/PlaneNumber.h"

class CopiedDataInformation;
class PasteState;
class TextSession;
class CharacterBufferImplementation;

// The display device of a session: the only way in which the presentation
// space engine shows anything. The engine keeps the authoritative planes and
// hands the device changed ranges, cursor moves, indicator words, marking and
// clipboard requests, push buttons and image commands. The window front end
// implements it; tests use a recording one.
class Rendering {
 public:
  // Stores the buffer size and the screen size (see setScreenSize).
  Rendering(unsigned int bufferSize, unsigned int rows, unsigned int columns);
  virtual ~Rendering();
  Rendering(const Rendering&) = delete;
  Rendering& operator=(const Rendering&) = delete;

  // Clears the device's copy of all four planes and the window. The argument
  // is 1 when the extended planes are in use.
  virtual void clearAllPlanes(unsigned int ecbPlanesInUse) = 0;
  virtual void clearColorECBPlane() = 0;
  virtual void clearPresentationSpace() = 0;
  virtual void clearPrimaryECBPlane() = 0;
  virtual void clearSecondaryECBPlane() = 0;
  virtual void copyArea(CopiedDataInformation* info) = 0;
  virtual void popupEditMenu() = 0;
  virtual void drawMarkerBox(unsigned int offset) = 0;
  virtual void drawPushButton(unsigned int offset, unsigned int length, unsigned int highlight,
                              unsigned int pressed) = 0;
  virtual void enableCopy(unsigned int on) = 0;
  virtual void enableCut(unsigned int on) = 0;
  virtual void enablePaste(unsigned int on) = 0;
  virtual void eraseImage() = 0;
  virtual void eraseMarkerBox(unsigned int offset) = 0;
  virtual void erasePushButtons(unsigned int first, unsigned int last) = 0;
  // Fills `info` for a paste at a screen offset; its data buffer goes back
  // through WsFreeBuffer.
  virtual void getCopiedData(CopiedDataInformation* info, unsigned int offset) = 0;
  virtual void markBlockArea(unsigned int start, unsigned int end) = 0;
  virtual void markLinearArea(unsigned int start, unsigned int end, unsigned int flags) = 0;
  virtual void pasteStep() = 0;
  // A work buffer of one screen (rows x columns bytes).
  virtual unsigned char* getScreenWorkBuffer() = 0;
  virtual void hook21() = 0;
  virtual void unmarkArea() = 0;
  // Device data that a restore brought back (saveDeviceData gave it at the
  // save); the engine frees the buffer with WsFreeBuffer afterwards.
  virtual void hook23(const unsigned char* data, unsigned int length) = 0;
  virtual void restoreImage(const unsigned char* data, unsigned int length) = 0;
  // Device data to keep with the presentation space; length 0 = none. The
  // data stays the device's.
  virtual const unsigned char* saveDeviceData(unsigned int& length) = 0;
  virtual const unsigned char* saveImage(unsigned int& length) = 0;
  virtual void setCursorPosition(unsigned int offset) = 0;
  virtual void setCursorPlane(PlaneNumber plane) = 0;
  // Stores rows, columns and the screen size rows x columns + columns (the
  // screen and its message line). A size beyond the buffer size is an
  // internal error: the planes check sizes before they get here.
  virtual void setScreenSize(unsigned int rows, unsigned int columns);
  virtual void setShadowCursorRow(unsigned int row) = 0;
  // The type-ahead indicator on (1) or off (0); `control` is set when the
  // host switched type-ahead with its control flag (for good).
  virtual void setTypeAhead(unsigned int on, unsigned int control) = 0;
  virtual void setTextSymbolsDisplayPlane(PlaneNumber plane) = 0;
  virtual void pasteBegin(CopiedDataInformation* info, PasteState* state) = 0;
  virtual void textTimer(TextSession* session) = 0;
  // Stop audio/video: the buffered audio/video commands were dropped.
  virtual void hook35() = 0;
  virtual void refreshPresentationSpaceFromDevice(unsigned char* buffer, unsigned int first,
                                                  unsigned int last) = 0;
  virtual void hook37(unsigned int command, const unsigned char* data, unsigned int length) = 0;
  virtual void updateIndicators(unsigned int controlWord, unsigned int indicatorWord) = 0;
  virtual void writeImage(unsigned int command, const unsigned char* data,
                          unsigned int length) = 0;
  virtual void updateColorECBPlane(unsigned int first, unsigned int count) = 0;
  // The character bytes from `first` (count of them), then for each extended
  // plane its store, first offset and count; a count of 0 leaves that plane.
  virtual void updateAllPlanes(const unsigned char* characters, unsigned int first,
                               unsigned int count, const CharacterBufferImplementation* primary,
                               unsigned int primaryFirst, unsigned int primaryCount,
                               const CharacterBufferImplementation* secondary,
                               unsigned int secondaryFirst, unsigned int secondaryCount,
                               const CharacterBufferImplementation* colour,
                               unsigned int colourFirst, unsigned int colourCount) = 0;
  // `count` bytes from bytes[source] shown at device offset `device`.
  virtual void updatePresentationSpacePlane(const unsigned char* bytes, unsigned int source,
                                            unsigned int device, unsigned int count) = 0;
  // The whole plane run-length coded as 0x11, character, count.
  virtual void updatePresentationSpaceCompressed(const unsigned char* data, unsigned int length,
                                                 unsigned int first) = 0;
  virtual void updatePrimaryECBPlane(unsigned int first, unsigned int count) = 0;
  virtual void updateSecondaryECBPlane(unsigned int first, unsigned int count) = 0;
  // While held (during a burst of host records) the device may only note
  // the ranges that the plane updates change and put off the work that the
  // window's copy of the screen needs; the release, and anything that reads
  // that copy first (settleScreen), does it once for all of them. Holds nest.
  virtual void holdScreenRebuilds() {}
  virtual void releaseScreenRebuilds() {}
  virtual void settleScreen() {}
  // A work buffer of at least `size` bytes; never null.
  virtual void* WsGetBuffer(unsigned int size) = 0;
  virtual void WsFreeBuffer(void* buffer) = 0;

  unsigned int bufferSize() const { return bufferSize_; }
  unsigned int screenSize() const { return screenSize_; }
  unsigned short rows() const { return rows_; }
  unsigned short columns() const { return columns_; }
  unsigned int flags() const { return flags_; }

 protected:
  unsigned int bufferSize_;
  unsigned int screenSize_ = 0;
  unsigned short rows_ = 0;
  unsigned short columns_ = 0;
  unsigned int flags_ = 0;
};
