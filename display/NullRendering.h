#pragma once
// A display device that shows nothing: the station reads a restore stream
// into a scratch copy of itself through it before the real station takes it.
#include <vector>

#include "display/Rendering.h"

class NullRendering : public Rendering {
 public:
  NullRendering(unsigned int bufferSize, unsigned int rows, unsigned int columns)
      : Rendering(bufferSize, rows, columns), screen_(bufferSize + 1u) {}

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
  void getCopiedData(CopiedDataInformation*, unsigned int) override {}
  void markBlockArea(unsigned int, unsigned int) override {}
  void markLinearArea(unsigned int, unsigned int, unsigned int) override {}
  void pasteStep() override {}
  unsigned char* getScreenWorkBuffer() override { return screen_.data(); }
  void hook21() override {}
  void unmarkArea() override {}
  void hook23(const unsigned char*, unsigned int) override {}
  void restoreImage(const unsigned char*, unsigned int) override {}
  const unsigned char* saveDeviceData(unsigned int& length) override {
    length = 0;
    return nullptr;
  }
  const unsigned char* saveImage(unsigned int& length) override {
    length = 0;
    return nullptr;
  }
  void setCursorPosition(unsigned int) override {}
  void setCursorPlane(PlaneNumber) override {}
  void setShadowCursorRow(unsigned int) override {}
  void setTypeAhead(unsigned int, unsigned int) override {}
  void setTextSymbolsDisplayPlane(PlaneNumber) override {}
  void pasteBegin(CopiedDataInformation*, PasteState*) override {}
  void textTimer(TextSession*) override {}
  void hook35() override {}
  void refreshPresentationSpaceFromDevice(unsigned char*, unsigned int, unsigned int) override {}
  void hook37(unsigned int, const unsigned char*, unsigned int) override {}
  void updateIndicators(unsigned int, unsigned int) override {}
  void writeImage(unsigned int, const unsigned char*, unsigned int) override {}
  void updateColorECBPlane(unsigned int, unsigned int) override {}
  void updateAllPlanes(const unsigned char*, unsigned int, unsigned int,
                       const CharacterBufferImplementation*, unsigned int, unsigned int,
                       const CharacterBufferImplementation*, unsigned int, unsigned int,
                       const CharacterBufferImplementation*, unsigned int, unsigned int) override {}
  void updatePresentationSpacePlane(const unsigned char*, unsigned int, unsigned int,
                                    unsigned int) override {}
  void updatePresentationSpaceCompressed(const unsigned char*, unsigned int,
                                         unsigned int) override {}
  void updatePrimaryECBPlane(unsigned int, unsigned int) override {}
  void updateSecondaryECBPlane(unsigned int, unsigned int) override {}
  void* WsGetBuffer(unsigned int size) override;
  void WsFreeBuffer(void* buffer) override;

 private:
  std::vector<unsigned char> screen_;
};
