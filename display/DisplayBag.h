#pragma once
// The display station of one 5250 session: it owns the presentation-space
// model (cursor, planes, format table, indicators, keyboard state, masks,
// read manager, text session, data stream manager) and is the single entry
// for user input, AIDs, host records and save/restore. It draws only
// through its Rendering and sends only through its HostInterface.
#include <cstddef>
#include <vector>

#include "datastream/ContentionError.h"
#include "datastream/DataStreamManager.h"
#include "datastream/ReadMgr.h"
#include "display/ASD.h"
#include "display/CursorClass.h"
#include "display/DisplayBagServices.h"
#include "display/DisplayCharacteristics.h"
#include "display/DisplayControlData.h"
#include "display/DisplayIndicators.h"
#include "display/ECBScreenBuffer.h"
#include "display/FieldArena.h"
#include "display/FormatTable.h"
#include "display/PFKeyMask.h"
#include "display/PresentationSpaceScreenBuffer.h"
#include "display/ProgrammableMouseButtonsTable.h"
#include "display/StationOptions.h"
#include "display/TextSession.h"
#include "keyboard/InObjGen.h"
#include "keyboard/KeyboardState.h"

class SessionControlBlock;
class Rendering;
class HostInterface;
class TAXlate;
class UserInput;
class qrnOStream;
class qrnIStream;

typedef unsigned char AidCode;

class DisplayBag {
 public:
  // Flag word A.
  static constexpr unsigned int kAStopPaste = 0x80000000u;     // bit 31
  static constexpr unsigned int kADoubleClickArmed = 0x40000000u;  // bit 30
  static constexpr unsigned int kABound = 0x20000000u;         // bit 29
  static constexpr unsigned int kAInsert = 0x10000000u;        // bit 28
  static constexpr unsigned int kAHomePending = 0x08000000u;   // bit 27
  static constexpr unsigned int kANewArea = 0x04000000u;       // bit 26 (poll report)
  static constexpr unsigned int kAMarked = 0x02000000u;        // bit 25 (click pending)
  static constexpr unsigned int kAEnterNotified = 0x01000000u; // bit 24
  static constexpr unsigned int kARTLCursor = 0x00800000u;     // bit 23
  static constexpr unsigned int kASelectionCursor = 0x00400000u;  // bit 22: a selection cursor has the focus
  // Flag word B.
  static constexpr unsigned int kBAudioVideo = 0x80000000u;    // bit 31
  static constexpr unsigned int kBRTLOrder = 0x40000000u;      // bit 30
  static constexpr unsigned int kBEnptuiSymbols = 0x20000000u; // bit 29
  static constexpr unsigned int kBImages = 0x08000000u;        // bit 27
  static constexpr unsigned int kBPendingMask = 0x06000000u;   // bits 25, 26
  static constexpr unsigned int kBReversed = 0x01000000u;      // bit 24
  static constexpr unsigned int kBNoSymmetricSwap = 0x00800000u;  // bit 23
  static constexpr unsigned int kBTextSymbols = 0x00400000u;   // bit 22
  static constexpr unsigned int kBWPMode = 0x00100000u;        // bit 20
  static constexpr unsigned int kBAlwaysSendIndicators = 0x00080000u;  // bit 19

  DisplayBag(SessionControlBlock* scb, Rendering* rendering, HostInterface* host, TAXlate* tax,
             DisplayCharacteristics characteristics, unsigned char* psBuffer);
  ~DisplayBag();
  DisplayBag(const DisplayBag&) = delete;
  DisplayBag& operator=(const DisplayBag&) = delete;

  unsigned int processUserInputObject(UserInput* input);
  // Pastes the copied data that the device holds into the input fields:
  // at the cursor, or (fromMenu 0, when the station pastes at the pointer)
  // at `offset`.
  void pasteCopiedData(unsigned int fromMenu, unsigned int offset);
  // The same into the text-assist page: the characters go to the text
  // session as typed data keys, line ends as requested carrier returns.
  void pasteCopiedDataToWP(unsigned int fromMenu, unsigned int offset);
  // 0 when the text session takes a paste at `offset`.
  unsigned int checkWPPasteTarget(unsigned int offset);
  void postAidCode(AidCode aid);
  unsigned int postDatastreamProcessing();
  void outputChanges();
  void changeScreenSize(unsigned int rows, unsigned int columns);
  unsigned int determinePollType(unsigned int& flag);
  void setTextOrEnptuiSymbolsInUse(unsigned int which);

  void saveDisplay(qrnOStream* out, unsigned int partial);
  // 0, or the restore's sense code. A refused stream leaves every member of
  // the station as it was. `trailer` bytes of the caller's follow the
  // station before the frame check; non-zero `rows` and `columns` are the
  // screen size the restored station must have.
  unsigned int restoreDisplay(qrnIStream* in, std::size_t trailer = 0, unsigned int rows = 0,
                              unsigned int columns = 0);

  // The area the cursor is bound to, else the non-bypass area at the cursor.
  AreaOfScreen* getCurrentArea();

  // Members.
  SessionControlBlock* getSessionControlBlock() const { return scb_; }
  const DisplayCharacteristics& characteristics() const { return characteristics_; }
  // The query reply updates the station's copy of the record.
  DisplayCharacteristics& characteristicsForQuery() { return characteristics_; }
  unsigned int& modeFlagsA() { return flagsA_; }
  unsigned int& modeFlagsB() { return flagsB_; }
  // The mode word as it was when system request began.
  unsigned int& savedModeFlagsA() { return savedFlagsA_; }
  unsigned char optionByte(unsigned int i) const { return optionBytes_[i]; }
  void setOptionByte(unsigned int i, unsigned char b) { optionBytes_[i] = b; }
  AidCode pendingAid() const { return pendingAid_; }
  unsigned char* pendingAidCursor() { return pendingAidCursor_; }
  StationOptions& options() { return options_; }
  ASD& asd() { return asd_; }
  ContentionError& contentionError() { return contention_; }
  CursorClass& cursor() { return cursor_; }
  DisplayControlData& controlData() { return controlData_; }
  DisplayIndicators& indicators() { return indicators_; }
  FormatTable& formatTable() { return formatTable_; }
  HostInterface* hostInterface() const { return host_; }
  KeyboardState& keyboardState() { return keyboard_; }
  PFKeyMask& pfKeyMask() { return pfKeyMask_; }
  ProgrammableMouseButtonsTable& mouseButtons() { return mouseButtons_; }
  ReadMgr& readMgr() { return readMgr_; }
  Rendering* getRendering() const { return rendering_; }
  PresentationSpaceScreenBuffer& presentationSpace() { return ps_; }
  PrimaryECBScreenBuffer& primaryPlane() { return primary_; }
  SecondaryECBScreenBuffer& secondaryPlane() { return secondary_; }
  ColorECBScreenBuffer& colourPlane() { return colour_; }
  TAXlate* taxlate() const { return tax_; }
  InObjGen& inObjGen() { return inObjGen_; }
  TextSession* textSession() const { return textSessionPtr_; }
  DataStreamManager& dataStreamManager() { return dsm_; }
  StationServices* services() { return &services_; }
  unsigned int rows() const { return ps_.rows(); }
  unsigned int columns() const { return ps_.columns(); }
  bool screenReversed() const { return (flagsB_ & kBReversed) != 0; }
  // The position and button AID of the last programmed two-event button,
  // sent with AID 0x80.
  void noteMouseAid(unsigned int offset, unsigned char aid) {
    mouseAidOffset_ = static_cast<unsigned short>(offset);
    mouseAidButton_ = aid;
  }
  unsigned int mouseAidOffset() const { return mouseAidOffset_; }
  unsigned char mouseAidButton() const { return mouseAidButton_; }
  // Miscellaneous preferences 16 and 17 as the station keeps them.
  unsigned char& mouseCopyType() { return mouseCopyType_; }
  unsigned int& preferenceWord() { return preferenceWord_; }
  unsigned char& preferenceMode() { return preferenceMode_; }
  // Positions taken off a light pen's tip column (see LightPen).
  unsigned char& lightPenCorrection() { return lightPenCorrection_; }

 private:
  // Reads the whole station from `in`; `commit` false only checks (on a
  // scratch station). 0 or the sense code.
  unsigned int readDisplay(qrnIStream* in, std::size_t trailer);

  DisplayBagServices services_;
  SessionControlBlock* scb_;
  DisplayCharacteristics characteristics_;
  unsigned int flagsA_ = 0;
  unsigned int flagsB_ = 0;
  unsigned int savedFlagsA_ = 0;
  unsigned char optionBytes_[2] = {0, 0};
  unsigned char lightPenCorrection_ = 0;
  unsigned char lightPenByte_ = 0;
  AidCode pendingAid_ = 0;
  unsigned char pendingAidCursor_[2] = {0, 0};
  StationOptions options_;
  ASD asd_;
  ContentionError contention_;
  CursorClass cursor_;
  DisplayControlData controlData_;
  DisplayIndicators indicators_;
  alignas(field_arena::kAlign) unsigned char arena_[field_arena::kArenaBytes];
  FormatTable formatTable_;
  HostInterface* host_;
  KeyboardState keyboard_;
  PFKeyMask pfKeyMask_;
  ProgrammableMouseButtonsTable mouseButtons_;
  ReadMgr readMgr_;
  Rendering* rendering_;
  std::vector<unsigned short> ecbWords_;
  PresentationSpaceScreenBuffer ps_;
  PrimaryECBScreenBuffer primary_;
  SecondaryECBScreenBuffer secondary_;
  ColorECBScreenBuffer colour_;
  TAXlate* tax_;
  InObjGen inObjGen_;
  TextSession* textSessionPtr_;
  TextSession textSession_;
  DataStreamManager dsm_;
  unsigned char mouseCopyType_ = 0;
  unsigned short mouseAidOffset_ = 0;
  unsigned char mouseAidButton_ = 0;
  unsigned int preferenceWord_ = 1;
  unsigned char preferenceMode_ = 0;
};
