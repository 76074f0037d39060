#pragma once
// What the planes, the cursor and the small members of a display station
// need of the station that owns them. The display station implements it;
// tests use a small fake. Everything a field, the format table or the
// keyboard state answers comes through here, so these classes build and run
// without them.

class Rendering;
class AreaOfScreen;
class EntryField;
class DisplayControlData;
class DisplayIndicators;
class PresentationSpaceScreenBuffer;
class PrimaryECBScreenBuffer;
class SecondaryECBScreenBuffer;
class ColorECBScreenBuffer;
struct DisplayCharacteristics;

class StationServices {
 public:
  virtual ~StationServices() = default;

  virtual Rendering* getRendering() = 0;
  virtual const DisplayCharacteristics& getDisplayCharacteristics() const = 0;
  // The display mode-flag words A and B.
  virtual unsigned int& modeFlagsA() = 0;
  virtual unsigned int& modeFlagsB() = 0;
  // The shaping language: 0 none, 1 Arabic, 2 Farsi.
  virtual unsigned int getASDLanguage() const = 0;

  virtual PresentationSpaceScreenBuffer* getPresentationSpace() = 0;
  virtual PrimaryECBScreenBuffer* getPrimaryECBPlane() = 0;
  virtual SecondaryECBScreenBuffer* getSecondaryECBPlane() = 0;
  virtual ColorECBScreenBuffer* getColorECBPlane() = 0;
  virtual DisplayControlData* getDisplayControlData() = 0;
  virtual DisplayIndicators* getDisplayIndicators() = 0;

  // Format table.
  virtual AreaOfScreen* getNonBypassArea(unsigned int offset) = 0;
  virtual bool fieldStartsAt(unsigned int offset) = 0;
  virtual bool fieldLiesIn(unsigned int first, unsigned int last) = 0;
  // Marks the field that ends at `offset` as having its attribute placed on
  // the row's first position (flag bits 0x60), when such a field qualifies.
  virtual void markFieldForMovedAttribute(unsigned int offset) = 0;
  // False when there is no entry field.
  virtual bool getFirstAndLastEntryFieldOffsetForScreenRefresh(unsigned int& first,
                                                               unsigned int& last) = 0;
  virtual void getEntryFieldRange(EntryField* field, unsigned int& first,
                                  unsigned int& last) = 0;

  // Areas (fields and output areas).
  virtual unsigned int mirrorOffsetInArea(AreaOfScreen* area, unsigned int offset) = 0;
  virtual void enterArea(AreaOfScreen* area) = 0;
  virtual int gainFocus(AreaOfScreen* area) = 0;
  virtual void loseFocus(AreaOfScreen* area) = 0;
  virtual int interruptShaping(AreaOfScreen* area) = 0;
  // Moves the cursor to `offset` through the area; non-zero on failure.
  virtual int moveCursorThroughArea(AreaOfScreen* area, unsigned int offset) = 0;
  virtual int checkBeforeAid(AreaOfScreen* area, unsigned char aid) = 0;
  // The area the cursor is bound to, else the non-bypass area at the cursor.
  virtual AreaOfScreen* getCurrentArea() = 0;

  // Keyboard state and input.
  virtual void enterErrorState(unsigned int code) = 0;
  virtual void enterTwoMouseEventState(unsigned int button, unsigned int offset) = 0;
  virtual void exitTwoMouseEventState() = 0;
  virtual void writeOperatorErrorToScreen() = 0;
  virtual void postAidCode(unsigned char aid) = 0;
  // The mouse position and the button's AID that the record of a
  // programmed button's AID 0x80 carries.
  virtual void noteMouseAid(unsigned int, unsigned char) {}
  virtual int aidType(unsigned char aid) = 0;

  // Hot spots: whether screen text at `offset` may be one (it lies in no
  // input field), and whether the keyboard is in its text-assist state.
  virtual bool hotSpotPositionAllowed(unsigned int) { return true; }
  virtual bool textAssistActive() const { return false; }

  // Flushes every pending output of the station.
  virtual void outputChanges() = 0;
};
