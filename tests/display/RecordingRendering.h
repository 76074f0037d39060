#pragma once
// A display device for tests: every call is recorded as one readable line,
// e.g. "updatePresentationSpacePlane(0,0,5)", in `calls`. Work buffers come
// from the heap and are counted so a test can see that each one went back.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "display/CopiedDataInformation.h"
#include "display/Rendering.h"

class RecordingRendering : public Rendering {
 public:
  RecordingRendering(unsigned int bufferSize = 3696, unsigned int rows = 24,
                     unsigned int columns = 80)
      : Rendering(bufferSize, rows, columns) {}
  ~RecordingRendering() override {
    for (void* p : outstanding_) std::free(p);
  }

  std::vector<std::string> calls;
  // The bytes handed to the last updatePresentationSpacePlane/-Compressed.
  std::vector<unsigned char> lastData;
  // What saveDeviceData and saveImage answer.
  std::vector<unsigned char> deviceData;
  std::vector<unsigned char> imageData;

  // The copy a paste finds (none while null), and its EBCDIC bytes.
  const CopiedDataInformation* copied = nullptr;
  std::vector<unsigned char> copiedData;
  size_t outstandingBuffers() const { return outstanding_.size(); }
  void clear() { calls.clear(); }

  void clearAllPlanes(unsigned int inUse) override { log("clearAllPlanes(%u)", inUse); }
  void clearColorECBPlane() override { log("clearColorECBPlane()"); }
  void clearPresentationSpace() override { log("clearPresentationSpace()"); }
  void clearPrimaryECBPlane() override { log("clearPrimaryECBPlane()"); }
  void clearSecondaryECBPlane() override { log("clearSecondaryECBPlane()"); }
  void copyArea(CopiedDataInformation*) override { log("copyArea()"); }
  void popupEditMenu() override { log("popupEditMenu()"); }
  void drawMarkerBox(unsigned int o) override { log("drawMarkerBox(%u)", o); }
  void drawPushButton(unsigned int o, unsigned int l, unsigned int h, unsigned int p) override {
    log("drawPushButton(%u,%u,%u,%u)", o, l, h, p);
  }
  void enableCopy(unsigned int on) override { log("enableCopy(%u)", on); }
  void enableCut(unsigned int on) override { log("enableCut(%u)", on); }
  void enablePaste(unsigned int on) override { log("enablePaste(%u)", on); }
  void eraseImage() override { log("eraseImage()"); }
  void eraseMarkerBox(unsigned int o) override { log("eraseMarkerBox(%u)", o); }
  void erasePushButtons(unsigned int f, unsigned int l) override {
    log("erasePushButtons(%u,%u)", f, l);
  }
  void getCopiedData(CopiedDataInformation* info, unsigned int o) override {
    log("getCopiedData(%u)", o);
    if (!copied) return;
    // What a paste gets: the descriptor, and its data in a buffer of the device.
    *info = *copied;
    info->data = static_cast<unsigned char*>(get(static_cast<unsigned int>(copiedData.size()) + 1));
    std::memcpy(info->data, copiedData.data(), copiedData.size());
    info->length = static_cast<unsigned int>(copiedData.size());
  }
  void markBlockArea(unsigned int s, unsigned int e) override { log("markBlockArea(%u,%u)", s, e); }
  void markLinearArea(unsigned int s, unsigned int e, unsigned int f) override {
    log("markLinearArea(%u,%u,%u)", s, e, f);
  }
  void pasteStep() override { log("pasteStep()"); }
  unsigned char* getScreenWorkBuffer() override {
    log("getScreenWorkBuffer()");
    return static_cast<unsigned char*>(get(rows() * columns()));
  }
  void hook21() override { log("hook21()"); }
  void unmarkArea() override { log("unmarkArea()"); }
  void hook23(const unsigned char*, unsigned int n) override { log("hook23(%u)", n); }
  void restoreImage(const unsigned char*, unsigned int n) override { log("restoreImage(%u)", n); }
  const unsigned char* saveDeviceData(unsigned int& n) override {
    n = static_cast<unsigned int>(deviceData.size());
    return deviceData.empty() ? nullptr : deviceData.data();
  }
  const unsigned char* saveImage(unsigned int& n) override {
    n = static_cast<unsigned int>(imageData.size());
    return imageData.empty() ? nullptr : imageData.data();
  }
  void setCursorPosition(unsigned int o) override { log("setCursorPosition(%u)", o); }
  void setCursorPlane(PlaneNumber p) override { log("setCursorPlane(%d)", static_cast<int>(p)); }
  void setScreenSize(unsigned int r, unsigned int c) override {
    Rendering::setScreenSize(r, c);
    log("setScreenSize(%u,%u)", r, c);
  }
  void setShadowCursorRow(unsigned int r) override { log("setShadowCursorRow(%u)", r); }
  void setTypeAhead(unsigned int on, unsigned int control) override { log("setTypeAhead(%u,%u)", on, control); }
  void setTextSymbolsDisplayPlane(PlaneNumber p) override {
    log("setTextSymbolsDisplayPlane(%d)", static_cast<int>(p));
  }
  void pasteBegin(CopiedDataInformation*, PasteState*) override { log("pasteBegin()"); }
  void textTimer(TextSession*) override { log("textTimer()"); }
  void hook35() override { log("hook35()"); }
  void refreshPresentationSpaceFromDevice(unsigned char*, unsigned int f, unsigned int l) override {
    log("refreshPresentationSpaceFromDevice(%u,%u)", f, l);
  }
  void hook37(unsigned int c, const unsigned char*, unsigned int n) override {
    log("hook37(%u,%u)", c, n);
  }
  void updateIndicators(unsigned int c, unsigned int i) override {
    log("updateIndicators(0x%08X,0x%08X)", c, i);
  }
  void writeImage(unsigned int c, const unsigned char*, unsigned int n) override {
    log("writeImage(%u,%u)", c, n);
  }
  void updateColorECBPlane(unsigned int f, unsigned int n) override {
    log("updateColorECBPlane(%u,%u)", f, n);
  }
  void updateAllPlanes(const unsigned char*, unsigned int f, unsigned int n,
                       const CharacterBufferImplementation*, unsigned int pf, unsigned int pn,
                       const CharacterBufferImplementation*, unsigned int sf, unsigned int sn,
                       const CharacterBufferImplementation*, unsigned int cf,
                       unsigned int cn) override {
    log("updateAllPlanes(%u,%u,%u,%u,%u,%u,%u,%u)", f, n, pf, pn, sf, sn, cf, cn);
  }
  void updatePresentationSpacePlane(const unsigned char* b, unsigned int s, unsigned int d,
                                    unsigned int n) override {
    lastData.assign(b + s, b + s + n);
    log("updatePresentationSpacePlane(%u,%u,%u)", s, d, n);
  }
  void updatePresentationSpaceCompressed(const unsigned char* b, unsigned int n,
                                         unsigned int f) override {
    lastData.assign(b, b + n);
    log("updatePresentationSpaceCompressed(%u,%u)", n, f);
  }
  void updatePrimaryECBPlane(unsigned int f, unsigned int n) override {
    log("updatePrimaryECBPlane(%u,%u)", f, n);
  }
  void updateSecondaryECBPlane(unsigned int f, unsigned int n) override {
    log("updateSecondaryECBPlane(%u,%u)", f, n);
  }
  void* WsGetBuffer(unsigned int size) override { return get(size); }
  void WsFreeBuffer(void* p) override {
    outstanding_.erase(p);
    std::free(p);
  }

 private:
  template <class... A>
  void log(const char* fmt, A... args) {
    char line[160];
    std::snprintf(line, sizeof line, fmt, args...);
    calls.emplace_back(line);
  }
  void log(const char* text) { calls.emplace_back(text); }
  void* get(unsigned int size) {
    void* p = std::malloc((size + 3u) & ~3u ? (size + 3u) & ~3u : 4u);
    outstanding_.insert(p);
    return p;
  }
  std::set<void*> outstanding_;
};
