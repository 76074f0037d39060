#pragma once
// A display station for tests: it owns the four planes, the control data and
// the indicators as the real station does, answers the format-table and area
// questions from a few settable values, and records the keyboard and AID
// calls as lines in `events`.
#include <memory>
#include <string>
#include <vector>

#include "display/DisplayCharacteristics.h"
#include "display/DisplayControlData.h"
#include "display/DisplayIndicators.h"
#include "display/ECBScreenBuffer.h"
#include "display/PresentationSpaceScreenBuffer.h"
#include "display/StationServices.h"
#include "tests/display/RecordingRendering.h"

class FakeStation : public StationServices {
 public:
  explicit FakeStation(unsigned int rows = 24, unsigned int columns = 80,
                       unsigned int size = 3696, bool compare = true)
      : rendering(size, rows, columns),
        psBytes(size),
        words(size),
        controlData(this),
        ps(this, size, rows, columns, compare, psBytes.data()),
        primary(this, size, rows, columns, words.data()),
        secondary(this, size, rows, columns, words.data()),
        colour(this, size, rows, columns, words.data(), 1) {}

  void output() { ps.outputMultiplePlanesChanges(&primary, &secondary, &colour); }

  RecordingRendering rendering;
  DisplayCharacteristics characteristics;
  unsigned int flagsA = 0, flagsB = 0, language = 0;
  std::vector<unsigned char> psBytes;
  std::vector<unsigned short> words;
  DisplayControlData controlData;
  DisplayIndicators indicators;
  PresentationSpaceScreenBuffer ps;
  PrimaryECBScreenBuffer primary;
  SecondaryECBScreenBuffer secondary;
  ColorECBScreenBuffer colour;

  // Answers of the format table and the areas.
  AreaOfScreen* area = reinterpret_cast<AreaOfScreen*>(0x1000);
  unsigned int areaStart = 0, areaEnd = 0;
  int shapingResult = 0, moveResult = 0, checkResult = 0, gainFocusResult = 0;
  std::vector<std::string> events;

  Rendering* getRendering() override { return &rendering; }
  const DisplayCharacteristics& getDisplayCharacteristics() const override {
    return characteristics;
  }
  unsigned int& modeFlagsA() override { return flagsA; }
  unsigned int& modeFlagsB() override { return flagsB; }
  unsigned int getASDLanguage() const override { return language; }
  PresentationSpaceScreenBuffer* getPresentationSpace() override { return &ps; }
  PrimaryECBScreenBuffer* getPrimaryECBPlane() override { return &primary; }
  SecondaryECBScreenBuffer* getSecondaryECBPlane() override { return &secondary; }
  ColorECBScreenBuffer* getColorECBPlane() override { return &colour; }
  DisplayControlData* getDisplayControlData() override { return &controlData; }
  DisplayIndicators* getDisplayIndicators() override { return &indicators; }
  AreaOfScreen* getNonBypassArea(unsigned int) override { return area; }
  bool fieldStartsAt(unsigned int) override { return false; }
  bool fieldLiesIn(unsigned int, unsigned int) override { return false; }
  void markFieldForMovedAttribute(unsigned int o) override {
    events.push_back("markField(" + std::to_string(o) + ")");
  }
  bool getFirstAndLastEntryFieldOffsetForScreenRefresh(unsigned int& f,
                                                       unsigned int& l) override {
    f = areaStart;
    l = areaEnd;
    return areaEnd != 0;
  }
  void getEntryFieldRange(EntryField*, unsigned int& f, unsigned int& l) override {
    f = areaStart;
    l = areaEnd;
  }
  unsigned int mirrorOffsetInArea(AreaOfScreen*, unsigned int o) override {
    return areaStart + areaEnd - o;
  }
  void enterArea(AreaOfScreen*) override { events.push_back("enterArea"); }
  int gainFocus(AreaOfScreen*) override {
    events.push_back("gainFocus");
    return gainFocusResult;
  }
  void loseFocus(AreaOfScreen*) override { events.push_back("loseFocus"); }
  int interruptShaping(AreaOfScreen*) override { return shapingResult; }
  int moveCursorThroughArea(AreaOfScreen*, unsigned int o) override {
    events.push_back("moveCursor(" + std::to_string(o) + ")");
    return moveResult;
  }
  int checkBeforeAid(AreaOfScreen*, unsigned char) override { return checkResult; }
  AreaOfScreen* getCurrentArea() override { return area; }
  void enterErrorState(unsigned int code) override {
    events.push_back("enterErrorState(" + std::to_string(code) + ")");
  }
  void enterTwoMouseEventState(unsigned int b, unsigned int o) override {
    events.push_back("enterTwoMouseEventState(" + std::to_string(b) + "," + std::to_string(o) +
                     ")");
  }
  void exitTwoMouseEventState() override { events.push_back("exitTwoMouseEventState"); }
  void writeOperatorErrorToScreen() override { events.push_back("writeOperatorErrorToScreen"); }
  void postAidCode(unsigned char aid) override {
    events.push_back("postAidCode(" + std::to_string(aid) + ")");
  }
  int aidType(unsigned char aid) override {
    if (aid == 0xF1 || (aid >= 0x31 && aid <= 0x3C) || (aid >= 0xB1 && aid <= 0xBC)) return 1;
    return 5;
  }
  void outputChanges() override {
    events.push_back("outputChanges");
    output();
  }
};
