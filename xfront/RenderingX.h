#pragma once
// The X display device of a session. This version keeps the screen size and
// the work buffers and paints nothing yet.
#include <vector>

#include "display/Rendering.h"

class SessionControlBlock;

class RenderingX : public Rendering {
 public:
  static constexpr unsigned int kAreaSize = 49568;
  static constexpr unsigned int kBufferSize = 3696;  // 27 x 132 + 132

  // Keeps `area` (kAreaSize bytes from the session), freed with the renderer.
  RenderingX(unsigned int rows, unsigned int columns, SessionControlBlock* session, char* area, unsigned int size);
  ~RenderingX() override;

  void clearAllPlanes(unsigned int) override {}
  void clearColorECBPlane() override {}
  void clearPresentationSpace() override {}
  void clearPrimaryECBPlane() override {}
  void clearSecondaryECBPlane() override {}
  void copyArea(CopiedDataInformation*) override {}
  void popupEditMenu() override {}
  void drawMarkerBox(unsigned int) override {}
  void drawPushButton(unsigned int, unsigned int, unsigned int, unsigned int) override {}
  void enableCopy(unsigned int) override {}
  void enableCut(unsigned int) override {}
  void enablePaste(unsigned int) override {}
  void eraseImage() override {}
  void eraseMarkerBox(unsigned int) override {}
  void erasePushButtons(unsigned int, unsigned int) override {}
  void getCopiedData(CopiedDataInformation* info, unsigned int offset) override;
  void markBlockArea(unsigned int, unsigned int) override {}
  void markLinearArea(unsigned int, unsigned int, unsigned int) override {}
  void pasteStep() override {}
  unsigned char* getScreenWorkBuffer() override;
  void hook21() override {}
  void unmarkArea() override {}
  void hook23(const unsigned char*, unsigned int) override {}
  void restoreImage(const unsigned char*, unsigned int) override {}
  const unsigned char* saveDeviceData(unsigned int& length) override;
  const unsigned char* saveImage(unsigned int& length) override;
  void setCursorPosition(unsigned int) override {}
  void setCursorPlane(PlaneNumber) override {}
  void setShadowCursorRow(unsigned int) override {}
  void setTypeAhead(unsigned int) override {}
  void setTextSymbolsDisplayPlane(PlaneNumber) override {}
  void pasteBegin(CopiedDataInformation*, PasteState*) override {}
  void textTimer(TextSession*) override {}
  void hook35() override {}
  void refreshPresentationSpaceFromDevice(unsigned char*, unsigned int, unsigned int) override {}
  void hook37(unsigned int, const unsigned char*, unsigned int) override {}
  void updateIndicators(unsigned int, unsigned int) override {}
  void writeImage(unsigned int, const unsigned char*, unsigned int) override {}
  void updateColorECBPlane(unsigned int, unsigned int) override {}
  void updateAllPlanes(const unsigned char*, unsigned int, unsigned int, const CharacterBufferImplementation*,
                       unsigned int, unsigned int, const CharacterBufferImplementation*, unsigned int, unsigned int,
                       const CharacterBufferImplementation*, unsigned int, unsigned int) override {}
  void updatePresentationSpacePlane(const unsigned char*, unsigned int, unsigned int, unsigned int) override {}
  void updatePresentationSpaceCompressed(const unsigned char*, unsigned int, unsigned int) override {}
  void updatePrimaryECBPlane(unsigned int, unsigned int) override {}
  void updateSecondaryECBPlane(unsigned int, unsigned int) override {}
  void* WsGetBuffer(unsigned int size) override;
  void WsFreeBuffer(void* buffer) override;

  SessionControlBlock* session() const { return session_; }

 private:
  SessionControlBlock* session_;
  char* area_;
  std::vector<unsigned char> screenWork_;
};
