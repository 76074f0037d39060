#pragma once
// The word-processing (text assist) session of a display station. The host
// defines a text screen (DFTXT), its scale lines and special characters,
// writes text lines with their line control data (WRTXT) and reads the
// changed lines back (RDTXT); in between the operator edits the text here.
// One per display station, built with it; all work happens on the event
// loop's thread.
#include <cstdint>

#include "display/PlaneNumber.h"
#include "textassist/TextTypes.h"

class ASDInfoWP;
class DisplayBag;
class PresentationSpaceScreenBuffer;
class PrimaryECBScreenBuffer;
class SecondaryECBScreenBuffer;
class qrnOStream;
class qrnIStream;

class TextSession {
 public:
  // Bits of the modes word that the station and the keyboard read.
  static constexpr unsigned int kErrorShown = text_mode::kErrorShown;
  static constexpr unsigned int kKeyboardLocked = text_mode::kKeyboardLocked;
  static constexpr unsigned int kRows = 28;            // line records: 27 rows and a spare
  // The two ruler offsets, at most 398 bytes of entries (a DFSCL is at
  // most 406 bytes long) and the zero length that ends them.
  static constexpr unsigned int kScaleTableBytes = 401;
  static constexpr unsigned int kRulerBytes = 140;
  static constexpr unsigned int kRecordBuffer = 8000;  // the inbound text record's work buffer
  static constexpr unsigned int kMaxColumns = 132;
  static constexpr unsigned char kSegmentBegin = 0x0B;
  static constexpr unsigned char kSegmentEnd = 0x0D;
  static constexpr uint32_t kLineHasSegments = 1u << 29;  // LineControlRecord::ctl3

  explicit TextSession(DisplayBag* display = nullptr);
  // Copies share the display station; a restore reads into one.
  TextSession(const TextSession&) = default;
  TextSession& operator=(const TextSession&) = default;

  // The modes word (see text_mode).
  unsigned int stateWord() const { return modes; }
  bool errorFlag() const { return (modes & text_mode::kErrorShown) != 0; }
  bool keyboardLocked() const { return (modes & text_mode::kKeyboardLocked) != 0; }
  DisplayBag* display() const { return displayBag; }

  // Host structured fields: the run [begin, end] (end inclusive) of class
  // 0xD9 fields; the sense code, 0 when all were executed.
  void wsfTextAssist(const unsigned char* begin, const unsigned char* end, uint32_t& sense);
  bool cmdLengthOK(const unsigned char* cmd, const unsigned char* end, uint32_t& sense) const;
  void dftxt(const unsigned char* cmd, uint32_t& sense);
  void rdtxt(const unsigned char* cmd, uint32_t& sense);
  void dfpen(const unsigned char* cmd, uint32_t& sense);
  void dfspc(const unsigned char* cmd, uint32_t& sense);
  void dfscl(const unsigned char* cmd, uint32_t& sense);
  void dfdpc(const unsigned char* cmd, uint32_t& sense);
  void wrtxt(const unsigned char* cmd, uint32_t& sense);

  // Set-up and small operations.
  void setTextScreenSize(unsigned int columns);
  void setKBLocked(bool locked);
  void setCursorDirection(bool rtl);
  void setInsertMode(bool on);
  void setMsgWait(bool on);
  void writeCursor();
  void clearTextModes() { modes &= 0x0000FFFFu; }
  void clearDPOstruct() { dpo = PendingOperation(); }
  void initLCDTable();
  void setModifiedLineTags(unsigned int pos, unsigned int start, unsigned int end);
  bool HQ600Host() const { return (textDef.defFlags2 & 0x80000000u) != 0; }
  bool bidihosteditor() const { return (textDef.defFlags & 0x01000000u) != 0; }
  bool secLangTables() const { return (textDef.defFlags2 & 0x10000000u) != 0; }
  bool extendedPlanes() const { return (textDef.defFlags2 & 0x40000000u) != 0; }
  unsigned int sizelncmdfld() const { return textDef.lineCmdFieldSize; }
  // True for a right-to-left row under a bidirectional host editor.
  bool isRightToLeftLine(unsigned int row) const;
  bool inlinecmdfld(unsigned int pos) const;
  unsigned int convertLVOffset(unsigned int pos) const;
  unsigned int geterrorlinerow() const;
  void setLocateChar(unsigned char ch, PlaneNumber plane);
  bool getPageNum(unsigned char* out3) const;
  bool savePageNum(const unsigned char* in3);
  unsigned int currentPlane() const { return static_cast<unsigned int>(cursorPlane); }
  // The keyboard's language, taken when the host defines the text page:
  // textFlagsA bits 15 (Arabic), 14 (Hebrew) and 13 (text shaped as typed).
  void setLanguageFlags();
  // The required space is stored as 0x74 instead of 0x41.
  bool languageUsesAltReqSpace() const;

  // Scale lines: the entry of `id` (its length byte first), or null.
  const unsigned char* getscaleline(unsigned int id) const;
  const unsigned char* scaleLineOfRow(unsigned int row) const;
  unsigned int getScaleLineOffset(bool rtl) const;
  unsigned int getScaleLineTableLength(const unsigned char* p) const;
  unsigned int scalelineflagset(unsigned int kind, unsigned int row) const;
  bool searchscaleline(unsigned int row, unsigned int code) const;

  // Line geometry: positions are screen offsets on the row's line.
  unsigned int leftmar(unsigned int row);
  unsigned int rightmar(unsigned int row);
  unsigned int effectiveleftmar(unsigned int row);
  bool scaleLineError(unsigned int row);
  int findtabchar(unsigned int pos, unsigned char& type, int direction) const;
  int findtabstop(unsigned int from, unsigned int to, unsigned char& type) const;
  unsigned int findaligncolumn(unsigned int start, unsigned int end, unsigned int stopType) const;
  // Re-aligns every tabbed segment from the one holding `pos` to the right
  // margin on its tab stop; true when the cursor moved.
  bool align(unsigned int pos, unsigned int& cursor);
  int alignleftbound(unsigned int pos, int& tabPos, unsigned char& tabType);
  int alignrightbound(unsigned int pos);
  // True when the text could not move far enough (the line is restored).
  bool aligntoright(unsigned int start, unsigned int& end, unsigned int count, unsigned int& cursor, bool& moved);
  void aligntoleft(unsigned int start, unsigned int& end, unsigned int count, unsigned int& cursor, bool& moved);
  unsigned int findnullstoright(unsigned int pos, unsigned int count, unsigned int& nullStart);
  unsigned int findnullstoleft(unsigned int pos, unsigned int count);
  void removeNulls(unsigned int tabPos, unsigned int textStart);
  bool alignspill(unsigned int& cursor, unsigned int row);
  void savelineimage(unsigned int row);
  void restorelineimage(unsigned int row);

  // Inbound text records.
  void textSendAid(unsigned int position, unsigned char aid);
  bool copyLCD(unsigned char* out, unsigned int row);
  void updateLCD(unsigned int row);
  void rdtxtlineIDrenumbering();
  unsigned int determinePollType(unsigned int& changed);

  // Status, scale and error rows.
  void timerUpdate(bool fromWrite);
  void updateAuditWindow(unsigned int row);
  void updateLineNumber(unsigned int row);
  void updatePitch(unsigned int row);
  void updateScaleLine(unsigned int row, bool flag);
  void operatorerror(unsigned int code);
  unsigned int lastOperatorError() const { return lastOperatorErrorCode; }
  void saveErrorLineData(unsigned int offset, unsigned int length);
  void restoreErrorLineData(unsigned int offset, unsigned int length);

  // Save and restore.
  void saveTextSession(qrnOStream* out) const;
  // 0, or the restore's sense code; nothing changes when refused.
  unsigned int restoreTextSession(qrnIStream* in);

  // Keys: each handler notes its call (lastHandler).
  void enterKey();
  void c_textreset();
  void c_textmouseclick(unsigned int offset);
  void c_textbackspace();
  void c_textdown();
  void c_textup();
  void c_textleft();
  void c_textright();
  void c_textfastleft();
  void c_textfastright();
  void c_texttabadvance();
  void c_texttabfunction();
  void c_textbacktab();
  void c_texthome();
  void c_textnewline();
  void c_textrqcarrierreturn();
  void c_textdup();
  void c_textbasekey();
  void c_textfarsibasekey();
  void c_textfinalkey();
  void c_textinitialkey();
  void c_textmiddlekey();
  void c_textendpush();
  void c_textdisplaytextsymbols();
  void c_texterase();
  void c_textinsertkey();
  void c_textpush();
  void c_textattention();
  void c_textsysrequest();
  void c_textunderscore();
  void c_textendattribute();
  void c_textintensify();
  void c_textwordunderscore();
  void c_textstopcodefunction();
  void c_textrqspace();
  void c_textstopcodeadvance();
  void c_textpageend();
  void c_textcentertext();
  void c_textaltd();
  void c_textcarrierreturn();
  void c_textbeginofline();
  void c_textendofline();
  void c_textrqtabfunction();
  void c_texttopofpage();
  void c_textbottomofpage();
  void c_textpgup();
  void c_textpgdown();
  void c_textprint();
  void c_textclear();
  void c_texthelp();
  void c_texttestrequest();
  void datakeys(unsigned char code);
  void deleteKey(unsigned char a, unsigned char b);
  void processsecattr(unsigned char attribute, unsigned char kind, unsigned char symbol);
  void altAKey(unsigned char a, unsigned char b);
  const char* lastHandler() const { return lastHandler_; }
  // Whether the marked range may be cut out of the text page.
  int WPCutOK(unsigned int start, unsigned int width);

  // Cursor movement.
  void moveCursor(unsigned int pos, PlaneNumber plane);
  void moveCursorWithTimer(unsigned int pos, PlaneNumber plane);
  bool sneakaidcheck() const;
  bool hasMaster(unsigned int pos, unsigned int plane) const;
  PlaneNumber leftmostActivePlane(unsigned int pos) const;
  // One step through the planes of a position (direction 0 left, 1 right);
  // false, and nothing changed, when the step leaves the margins.
  bool walkCursor(int direction, unsigned int& pos, PlaneNumber& plane);
  void moveleft(unsigned int target);
  void moveright(unsigned int target);
  void moveup();
  void movedown();
  unsigned int newline(bool& failed);
  // Where a line's text starts: its effective left margin, mirrored on a
  // right-to-left line.
  unsigned int lineStart(unsigned int row);
  unsigned int beginofline(unsigned int pos);
  unsigned int endofline(unsigned int pos);
  // Direction 2 up, anything else down.
  unsigned int findnonoutputonlyln(unsigned int row, int direction, bool stopAtLast) const;
  unsigned int findeditableline(unsigned int row, int direction, bool wrap) const;
  bool removeCNULL(unsigned int pos, int direction);
  bool operator_error_73(unsigned int pos) const;
  unsigned int getLCDleftmarginoffset(unsigned int row);
  unsigned int getLCDindentoffset(unsigned int row);

  // Right-to-left lines, pushed segments and shaping. On a right-to-left
  // line under a bidirectional host editor the margins are mirrored: the
  // text starts at the mirrored left margin (the higher offset) and runs
  // leftwards to the mirrored right margin.
  struct BidiMargins {
    unsigned int start = 0;     // the mirrored left margin
    unsigned int effStart = 0;  // the mirrored effective left margin
    unsigned int end = 0;       // the mirrored right margin
  };
  BidiMargins bidiMargins(unsigned int row);
  void bidimoveleft(unsigned int target);
  void bidimoveright(unsigned int target);
  void stayOnMarker(unsigned int pos, bool segmentEnd);
  int segmentBeginOfEnd(unsigned int row, unsigned int pos, bool rtl);
  void leftSegmentProcess(unsigned int row);
  void rightSegmentProcess(unsigned int row);
  // True while the shaper edits the cursor row: a bidirectional host
  // editor, a shaping language with the cursor running right to left, and
  // textFlagsA bit 13.
  bool shapingOnRow() const;
  // Ends the shaping run at the cursor (kind 1 moving left, else 0); the
  // cursor takes the shaper's position. False when the shaper refused and
  // operator error 69 is shown.
  bool asdcheck(unsigned int kind);
  // The shape keys, kinds 1..5: base, Farsi base, final, initial, middle.
  void processshapekey(unsigned int kind);
  unsigned int bidibackspace(bool& failed);
  // Removes the character at `target`: the `length` characters ending at
  // `from` shift `count` positions towards it (to higher offsets).
  bool bidiprocess_backspace(unsigned int target, unsigned int& newpos, unsigned int from, unsigned int length,
                             unsigned int count);
  // The run the shaper edits on `row`: its first typed position and its last.
  void shapingRange(unsigned int row, unsigned int& start, unsigned int& end);
  // One shaping step at `pos`: keeps the row's text in `saved` (kMaxColumns
  // bytes), to put back when the shaper refuses the character, and gives
  // the shaper's view of the row with the display cursor at `pos`.
  ASDInfoWP startShaping(unsigned int pos, unsigned char* saved);
  // The cursor takes the display cursor's position after a shaping step.
  void takeShaperCursor();
  // Where a sideways move enters `row`: at its logical start or its end.
  unsigned int sidewaysEntry(unsigned int row, bool atStart);
  // The left and right keys after their opening checks.
  void leftKey();
  void rightKey();

  // Text data entry.
  struct TabContext {
    bool active = false;
    unsigned char tabType = 0;
    int tabPos = -1;
    unsigned char stopType = 0;
    int stopPos = -1;
    int rightBound = 0;
  };
  TabContext tabfunctionact(unsigned int pos);
  TabContext intabbounds(unsigned int pos);
  // False (nothing moved) for an empty or too long run, or one that would
  // leave the plane.
  bool shiftchars(unsigned int start, unsigned int length, int delta);
  unsigned int replace(unsigned char ch, unsigned int pos);
  unsigned int insert(unsigned char ch, unsigned int pos);
  unsigned int insertdataright(unsigned char ch, unsigned int pos);
  unsigned int insertdatabidi(unsigned char ch, unsigned int pos);
  bool insertdataleft(unsigned char ch, unsigned int pos);
  bool findroomtoinsert(unsigned int pos, unsigned int& end, int direction, unsigned char ch);
  unsigned int doinsert(unsigned int pos, unsigned int count, unsigned int shift, int direction, unsigned char ch);
  // True when the position a full line's text is pushed into already holds
  // a character of the line (the host may write one past the margin): the
  // push would overwrite it.
  bool pushOverwrites(unsigned int past) const;
  unsigned int notifyhost(unsigned int pos, unsigned int lastPos, bool noLeftMark, bool noRightMark,
                          unsigned int length, unsigned char ch);
  bool convertimbeddednulls(unsigned int pos);
  void convertImbeddedNontabNulls(unsigned int pos);
  unsigned int lineIDvalue(unsigned int row) const;
  void setlineIDvalue(unsigned int row, unsigned int id);
  void renumberlineIDs(unsigned int highPart);
  void computelineIDs(unsigned int row);
  void updatelcdtable(int direction, unsigned int row, unsigned int indent);

  // Word spill.
  bool spill(unsigned int& cursor, bool& hostMustSpill);
  bool replacespill(unsigned int& cursor);
  bool insertspill(unsigned int& cursor, bool& hostMustSpill);
  unsigned int spillwordsize(unsigned int row, bool& hyphenate, unsigned int& start, unsigned int& trailingBlanks);
  void spillword(unsigned int start, unsigned int length, unsigned int dest, bool hyphenate, PlaneNumber plane,
                 bool addTab);
  bool continuousinsert(unsigned int row, int& direction, unsigned int indent);
  bool cinsertpossible(unsigned int cursor, unsigned int indent, unsigned int length);
  unsigned int computeindentoffset(unsigned int row, bool toRightMargin);
  unsigned int spilllineroom(unsigned int row);
  bool rcrcheck(unsigned int start, unsigned int length) const;
  bool cursorInSpillWord(unsigned int cursor, unsigned int start, unsigned int length) const;
  bool tabcharsexist(unsigned int row);
  bool wordSpillDelimiter(unsigned char c) const;
  void updateLineEnder(unsigned int row);
  void updatetermattr(unsigned int row);
  bool CRonline(unsigned int row);
  // -- Column editing, half-index state and the status row's compare --
  // Whole rows, or under column editing only the text between the margins
  // (and the side columns the definition asks for), move one row down or up.
  void copylinesdown(unsigned int row);
  void copylinesup(unsigned int row);
  void coleditcpylinesdown(unsigned int row);
  void coleditcpylinesup(unsigned int row);
  void nullColEditLine(unsigned int row);
  // Under column editing a carrier return in tabbed text takes a tab with it
  // to the new line.
  bool addtabchar(unsigned int pos);
  // The half-index shift open at the end of a line: 0x82 after a raising
  // marker, 0x81 after a lowering one, 0 when none is open.
  void setTermHalfIndexAttr(unsigned int row);
  unsigned char getRMSecAttr(unsigned int row);
  // The difference of the first differing bytes of a and b within n bytes.
  static int mystrncmp(const unsigned char* a, const unsigned char* b, unsigned int n);

  // Right-to-left lines: their text runs from the mirrored left margin (the
  // higher offset) down to the mirrored right margin; a word spills from
  // the low end to the high end of the next line.
  unsigned int bidileftmar(unsigned int row);
  unsigned int bidieffectiveleftmar(unsigned int row);
  unsigned int bidirightmar(unsigned int row);
  // The next tab stop from `from` down to `to` on a right-to-left line (the
  // scale line's columns seen through the mirror), or -1.
  int bidifindtabstop(unsigned int from, unsigned int to, unsigned char& type) const;
  bool bidispill(unsigned int& cursor, bool& hostMustSpill);
  bool bidireplacespill(unsigned int& cursor);
  bool bidiinsertspill(unsigned int& cursor, bool& hostMustSpill);
  // `start` is the word's high end; the word is the `length` positions
  // ending there.
  unsigned int bidispillwordsize(unsigned int row, bool& hyphenate, unsigned int& start,
                                 unsigned int& trailingBlanks);
  // A word inside a push segment of either direction: start is its first
  // position in the segment's text, the length counts towards the margin.
  unsigned int spillsegmentsize(unsigned int row, bool& hyphenate, unsigned int from, unsigned int& start);
  void bidispillword(unsigned int start, unsigned int length, unsigned int dest, bool hyphenate, bool addTab);
  void bidispillsegment(unsigned int start, unsigned int length, unsigned int dest, unsigned int trailingBlanks,
                        bool hyphenate, bool addTab);
  bool wordHasSegment(unsigned int start, unsigned int length);
  // Under a bidirectional host editor, a word of a left-to-right line that
  // holds a segment marker or lies in a segment moves with
  // bidispillsegment; false when the word is plain.
  bool spillSegmentWord(unsigned int start, unsigned int length, unsigned int dest, unsigned int trailingBlanks,
                        bool hyphenate);
  unsigned int bidicomputeindentoffset(unsigned int row);
  unsigned int bidispilllineroom(unsigned int row);
  bool bidiCRonline(unsigned int row);
  void bidiupdateLineEnder(unsigned int row);
  // Typing on a right-to-left line.
  unsigned int bidireplace(unsigned char ch, unsigned int pos);
  unsigned int bidiinsert(unsigned char ch, unsigned int pos);
  bool bidifindroomtoinsert(unsigned int pos, unsigned int& end, int direction, unsigned char ch);
  bool bidiconvertimbeddednulls(unsigned int pos);
  TabContext biditabfunctionact(unsigned int pos);
  bool bidialign(unsigned int pos, unsigned int& cursor);
  // Push and end push, tab and centring on a right-to-left line.
  unsigned int process_push(unsigned int pos);
  unsigned int process_endpush(unsigned int pos);
  bool biditabfunction(unsigned int& newpos, unsigned char ch);
  void bidicentertext(unsigned int row);
  // -- Spill from tab alignment and typing through the shaper --
  // The spill of a line whose tabbed text must move past the right margin;
  // true when it failed (the line is restored, operator error 70 or, when
  // the host handles spills, AID 0xD7). The right-to-left twin spills the
  // line as it is shown.
  bool bidialignspill(unsigned int& cursor, unsigned int row);
  // Turns the text of a row round (the in-line command field stays), its
  // attribute planes with it.
  void turnLineRound(unsigned int row);
  // The row that bidialign holds turned round (0: none); a spill during the
  // alignment turns it back first.
  unsigned int alignTurnedRow = 0;
  // Set by alignspill: the spill moved the aligned row up one row (the text
  // above scrolled), and whether a spill ran.
  unsigned int alignRowsUp = 0;
  bool alignSpilled = false;
  // Typing through the Arabic shaper: true when typed characters at `pos`
  // go through it (shapingOnRow). shapeInsert gives the new cursor, or
  // `pos` with operator error 69 when the shaper refused (the character
  // then stands unshaped under the cursor when the row has room);
  // shapeReplace is false, with error 69 and the row unchanged, when it
  // refused.
  bool shapingTakes(unsigned int pos) const;
  unsigned int shapeInsert(unsigned char ch, unsigned int pos);
  bool shapeReplace(unsigned char ch, unsigned int pos, unsigned int& next);
  // The shaper's insert of `ch` at `pos`, towards higher offsets (`forward`)
  // or lower ones: into the room the line has; on a full line a host that
  // keeps the margins is told, else the last word spills (the line goes
  // back as it was when it cannot). 0, or 12 when nothing went in; `moved`
  // gives the position after the character when a spill moved it.
  int shaperInsert(unsigned int pos, unsigned char ch, bool forward, unsigned int& moved);

  // Line editing keys.
  bool process_carrier_return(unsigned char ch, unsigned int& newpos);
  unsigned int spillstringsize(unsigned int pos);
  bool tabfunction(unsigned int& newpos, unsigned char ch);
  unsigned int tabadvance(unsigned int pos, unsigned char ch);
  unsigned int tabstopadvance(unsigned int pos);
  unsigned int backtab(unsigned int pos);
  unsigned int backspace(bool& failed);
  bool process_backspace(unsigned int target, unsigned int& newpos, unsigned int from, unsigned int length,
                         unsigned int count);
  bool editkeys(unsigned char ch, unsigned int& pos, bool& moved);
  // Finds ch after pos on the page; false (error 75 shown) when there is none.
  bool locateSearch(unsigned char ch, unsigned int& pos);

  // Command keys, prompts and copy, move and delete.
  unsigned int cmdSearch(unsigned int key, unsigned char aid);
  // The host's entry for a key, run without the restricted-editing check.
  unsigned int runCmdKeyEntry(unsigned int key, unsigned char aid);
  // The host's prompt for the line-prompt key, shown when the cursor comes
  // onto a row that carries a line prompt.
  void showLinePrompt();
  void pfCmdKey(unsigned int key, unsigned char aid);
  bool fakeDpPfCmdKeyInvalid(unsigned int key) const;
  bool fakeDpCoreCmdKeyInvalid(unsigned int n) const;
  void dspPrompt(const unsigned char* text, unsigned int length, bool rtl);
  void genPromptFunc(unsigned char func, const unsigned char* text, unsigned int length, bool rtl);
  void locateFunc(const unsigned char* text, unsigned int length, bool rtl);
  // True when the key was taken as prompt-row input.
  bool promptLineInput(unsigned char ch, unsigned int pos);
  bool promptLineInputError() const;
  void copyMoveDelFunc(unsigned char aid, unsigned int type, const unsigned char* text, unsigned int length,
                       bool rtl);
  void revImage(unsigned int pos);
  void restoreDisplacedChars(unsigned int row, unsigned int column, bool markChanged);
  void encmd();
  void wscDelete();
  void enablePaste(bool on);
  // The delete that the station performs itself (rows and columns from 1):
  // whether the range may be deleted here, the removal, and the attributes
  // repaired where the rest of the row joins the start.
  bool delCheck(unsigned int row1, unsigned int col1, unsigned int row2, unsigned int col2);
  // The local delete on a right-to-left row (one row only).
  bool bidiDelCheck(unsigned int row, unsigned int col1, unsigned int col2);
  void bidiPerformDelete(unsigned int row, unsigned int col1, unsigned int col2, PlaneNumber plane);
  unsigned int bidiLastCharOfRow(unsigned int row);
  // True when columns fromCol..toCol of the row hold a character that only
  // the host may delete, or the row holds a line stop between its margins.
  bool checkNonDel(unsigned int row, unsigned int fromCol, unsigned int toCol);
  bool nonDelChar(unsigned char ch) const;
  void performDelete(unsigned int row1, unsigned int col1, unsigned int row2, unsigned int col2, PlaneNumber plane1,
                     PlaneNumber plane2);
  void adjustAttrs(unsigned int pos, PlaneNumber plane, unsigned char secondary, unsigned char primary);
  // The last character of a row's text between its margins (its effective
  // left margin when the row holds none).
  unsigned int lastCharOfRow(unsigned int row);
  // The prompt row kept before a prompt is shown on it, and nulled and
  // given back what it showed before.
  void keepPromptRow();
  void refillPromptRow();
  // The double click: a hot spot in double-click mode, else Enter.
  void c_textmousedoubleclick(unsigned int offset);
  // A hot spot at offset acted on as a PF key (true when there was one).
  bool textHotSpot(unsigned int offset);
  // The menu's Cut of a linear range [from, to] marked in the text: the
  // range, kept within the margins of its first and last lines, is marked
  // and deleted as a delete completed with Enter would be.
  void cutText(unsigned int from, unsigned int to);
  // The AID of the PF key that the host's command-key table gives the
  // delete function, or 0.
  unsigned char deleteFunctionAid() const;

  // Cursor draw (modes bit 22): one draw step, direction 0 left, 1 right,
  // 2 up, 3 down.
  void docursordraw(int direction);
  unsigned char resolvedLineChar(unsigned int pos, int direction);
  unsigned int findmodifiableln(unsigned int row, int direction, bool& found);
  void setBeginEndDraw(unsigned int pos);
  void processnullsfordraw(unsigned int pos);
  bool drawnAt(unsigned int pos) const;

  // Attributes, centering and stop codes.
  void processpriattr(unsigned char planeCode, unsigned char textChar);
  void addWUSEffect(unsigned int pos, unsigned int leftLimit);
  void removeWUSEffect(unsigned int from, unsigned int to);
  bool ecbUpdateCompletion(unsigned int& pos);

  // Members, in the order of the text session's model.
  DisplayBag* displayBag;
  PresentationSpaceScreenBuffer* psBuffer;
  PrimaryECBScreenBuffer* primaryBuffer;
  SecondaryECBScreenBuffer* secondaryBuffer;
  uint16_t cursorPos = 0;
  uint16_t rows = 24, cols = 80, screenSize = 1920;
  PlaneNumber planeWalkA[3] = {Plane1, Plane2, Plane0};
  PlaneNumber planeWalkB[3] = {Plane2, Plane0, Plane1};
  uint16_t promptInputStart = 0;
  uint16_t lastOperatorErrorCode = 0;
  unsigned char errorLineText[80] = {};
  unsigned char promptLineSave[kMaxColumns] = {};
  bool promptLineSaveRTL = false;
  unsigned char errorLineSave[3][kMaxColumns] = {};
  bool errorLineSaveRTL = false;
  uint8_t locateChar = 0;
  uint8_t reqCarrierReturnChar = 0x06;
  uint8_t hyphenChar = 0xCA;
  uint8_t lastAid = 0;
  uint8_t pendingPromptFunc = 0;
  uint8_t copyMoveDelAid = 0;
  uint8_t cursorChar = 0;
  uint16_t auditIndex = 0x00FF;
  uint32_t textFlagsA = 0;
  uint8_t drawChar = 0xFF;
  PlaneNumber cursorPlane = Plane0;
  uint32_t copyMoveDelState = 0;
  PlaneNumber savedCursorPlane = Plane0;
  uint8_t pendingDataKey = 0;
  unsigned char lineImageSave[3][kMaxColumns] = {};
  uint32_t halfLineStart = 0;
  uint32_t textFlagsB = 0;
  uint16_t savedCursorPos = 0;
  uint32_t scaleFlags = 0;   // bits 31..24 the cached scale-line id, bit 23 its orientation
  uint16_t shownLineNumber = 0;
  uint32_t firstLineNumber = 0;  // half lines; 32 bits, saved as 16
  uint16_t cursorOutState = 1;
  uint32_t modes = 0;
  struct MarginCache {
    uint8_t id = 0;
    uint16_t left = 0, right = 0;
  } marginCache;
  unsigned char insertCache[24] = {};
  unsigned char pfKeyInvalidMask[4] = {};
  unsigned char coreCmdInvalidMask[2] = {};
  TextDefinition textDef;
  PendingOperation dpo;
  LineControlRecord lineTable[kRows];
  unsigned char pageNumber[3] = {};
  unsigned char scaleLineTable[kScaleTableBytes] = {};
  uint16_t saveWord = 0;
  uint8_t saveByte = 0;

 private:
  unsigned int offsetOf(unsigned int row, unsigned int column) const {
    return (row - 1) * cols + (column - 1);
  }
  unsigned int rowOf(unsigned int pos) const { return pos / cols + 1; }
  unsigned int columnOf(unsigned int pos) const { return pos % cols + 1; }
  LineControlRecord& line(unsigned int row) { return lineTable[row - 1]; }
  const LineControlRecord& line(unsigned int row) const { return lineTable[row - 1]; }
  bool textLine(unsigned int row) const;
  unsigned char charAt(unsigned int pos) const;
  unsigned int lastTextColumn(unsigned int row) const;
  void nullline(unsigned int row);
  void writeRow(unsigned int offset, const unsigned char* bytes, unsigned int n);
  void cacheMargins(unsigned int row);
  // The text write of one line record, after it was checked.
  void writeLine(const LineControlRecord& lcd, const unsigned char* text, unsigned int n,
                 bool twoByteLength);
  unsigned int sendLineText(unsigned int row, unsigned char* out, unsigned int room);
  int lineTextEnd(unsigned int row);
  void copyerror(const unsigned char* text4);

  // Cursor movement and editing helpers.
  bool promptInput() const;
  bool hostEdges() const;
  bool restrictedEditing() const;
  bool reversedRowOrder() const;
  bool insertMode() const;
  bool editableRow(unsigned int row) const;
  unsigned int lastRow() const;
  unsigned int lastOffsetOfScreen() const;
  unsigned char planeByte(unsigned int pos, unsigned int plane) const;
  bool planeStepDue(int direction) const;
  // The null run that a tab left: the left and right keys skip it in
  // insert mode.
  bool inTabNullRun(unsigned int row, unsigned int target);
  bool skipTabNullsLeft(unsigned int row, unsigned int target, bool stepDue);
  bool skipTabNullsRight(unsigned int row, unsigned int target, bool stepDue);
  // The same on a right-to-left line: a tab's null run lies to the left of
  // its tab character, and reading goes leftwards.
  TabContext bidiintabbounds(unsigned int pos);
  bool bidiInTabNullRun(unsigned int row, unsigned int target);
  bool bidiSkipTabNullsForward(unsigned int row, unsigned int target);
  bool bidiSkipTabNullsBack(unsigned int row, unsigned int target);
  void moveupdown(int direction);
  void bididatakeys(unsigned char code);
  void copyRows(unsigned int from, unsigned int to, unsigned int dest);
  void emptyRow(unsigned int row);
  // The spill after typing at the line's end, or error 70 and the line as
  // it was saved.
  unsigned int spillOrRestore(unsigned int row, unsigned int next, unsigned int pos);
  bool commonOpening();
  // Operator error 72 and true where push and end push do not work.
  bool pushKeyRefused();
  // Reset's work on the modes when no error is shown.
  void resetModes();
  void carrierReturnKey(unsigned char ch);
  // Operator error and true where centring does not work on `row`.
  bool centringRefused(unsigned int row);
  bool scaleLineHasTabMarks(unsigned int row) const;

  const char* lastHandler_ = "";

  // ---- Segments, word underscore and the combined text write ----
 public:
  // Segments: runs of the other writing direction inside a line, between a
  // begin marker 0x0B (or the left margin of a line that starts inside one)
  // and an end marker 0x0D (or the right margin of a line that ends inside
  // one). Positions are screen offsets; -1 when there is none.
  int findActiveBR(unsigned int pos, bool rtl);
  int findActiveER(unsigned int pos, bool rtl);
  bool positionInSegment(unsigned int pos);
  // Word underscore: the secondary attributes of an underscored word are
  // 0x84 up to its last character, which holds 0x80.
  void putWordUnderscore(unsigned int pos, unsigned int limit);
  bool wordDelimiter(unsigned char ch) const;
  bool WUSIsActive(unsigned int pos, PlaneNumber plane, unsigned int& start, unsigned int& end);
  bool wordUnderscoreOnLine(unsigned int row);
  // Deletes one character, at `b` for direction 1, else at `a`; the rest of
  // the row closes up in the row's direction (the shaper's word-processing
  // adapter calls it).
  void delCharAtCursor(unsigned int a, unsigned int b, int direction);
  // The 256-byte table that mirrors characters shown right to left (paired
  // brackets), or null when the language has none.
  const unsigned char* rightToLeftTable() const;
  // A bidirectional line record's text in reading order turned into the
  // row's bytes in the line's own order (segments reversed, attribute
  // markers without their segment bit, right-to-left characters mirrored).
  // False when the text is not valid; `endsWithAttribute` tells whether a
  // segment was closed by an attribute.
  bool composeBidiLine(const LineControlRecord& lcd, const unsigned char* text, unsigned int n,
                       unsigned char* out, bool& endsWithAttribute) const;
  // The inverse of composeBidiLine for the send: `bytes` (one row in the
  // line's own order, from `skip` on) back into the host's reading order;
  // segments bounded by markers 0x0B/0x0D (`markers`) or by attribute bytes
  // (`attributes`, which get their segment bit back), right-to-left
  // characters mirrored through rightToLeftTable.
  void restoreHostOrder(unsigned char* bytes, unsigned int n, bool rtlLine, bool markers, bool attributes,
                        unsigned int skip) const;
};
