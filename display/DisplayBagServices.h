#pragma once
// The display station as its planes, cursor and small members see it.
#include "display/StationServices.h"

class DisplayBag;

class DisplayBagServices : public StationServices {
 public:
  explicit DisplayBagServices(DisplayBag* display) : d_(display) {}

  Rendering* getRendering() override;
  const DisplayCharacteristics& getDisplayCharacteristics() const override;
  unsigned int& modeFlagsA() override;
  unsigned int& modeFlagsB() override;
  unsigned int getASDLanguage() const override;
  PresentationSpaceScreenBuffer* getPresentationSpace() override;
  PrimaryECBScreenBuffer* getPrimaryECBPlane() override;
  SecondaryECBScreenBuffer* getSecondaryECBPlane() override;
  ColorECBScreenBuffer* getColorECBPlane() override;
  DisplayControlData* getDisplayControlData() override;
  DisplayIndicators* getDisplayIndicators() override;
  AreaOfScreen* getNonBypassArea(unsigned int offset) override;
  bool fieldStartsAt(unsigned int offset) override;
  bool fieldLiesIn(unsigned int first, unsigned int last) override;
  void markFieldForMovedAttribute(unsigned int offset) override;
  bool getFirstAndLastEntryFieldOffsetForScreenRefresh(unsigned int& first,
                                                       unsigned int& last) override;
  void getEntryFieldRange(EntryField* field, unsigned int& first, unsigned int& last) override;
  unsigned int mirrorOffsetInArea(AreaOfScreen* area, unsigned int offset) override;
  void enterArea(AreaOfScreen* area) override;
  int gainFocus(AreaOfScreen* area) override;
  void loseFocus(AreaOfScreen* area) override;
  int interruptShaping(AreaOfScreen* area) override;
  int moveCursorThroughArea(AreaOfScreen* area, unsigned int offset) override;
  int checkBeforeAid(AreaOfScreen* area, unsigned char aid) override;
  AreaOfScreen* getCurrentArea() override;
  void enterErrorState(unsigned int code) override;
  void enterTwoMouseEventState(unsigned int button, unsigned int offset) override;
  void exitTwoMouseEventState() override;
  void writeOperatorErrorToScreen() override;
  void postAidCode(unsigned char aid) override;
  int aidType(unsigned char aid) override;
  void outputChanges() override;
  void noteMouseAid(unsigned int offset, unsigned char aid) override;
  bool hotSpotPositionAllowed(unsigned int offset) override;
  bool textAssistActive() const override;

 private:
  DisplayBag* d_;
};
