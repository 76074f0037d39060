#pragma once
// The X window of one emulator session, embedded in the session control
// block: the Motif shell with its menu bar, the emulator drawing widget, the
// status form, the fonts, code-set converters and input method of the
// session, and the state that painting, cursor, status line and clipboard
// share. The widgets and everything Motif live behind a private part.
#include <X11/Intrinsic.h>

#include <memory>
#include <string>
#include <vector>

#include "session/Geometry.h"
#include "xfront/ClickState.h"
#include "xfront/HelperPrograms.h"
#include "xfront/RenderingWindow.h"
#include "xfront/ScreenRepaint.h"

class LocalPrint;
class KeypadButtons;
class SessionControlBlock;
struct SessionClipboard;
struct MenuResources;
typedef struct __XmRenderTableRec** XmRenderTable;  // as Motif declares it
enum class CursorShapeChoice { Block, Bar };

// The handler of the helper programs' ClientMessages, installed on every
// session shell built afterwards (client data: the drawing widget).
void XStuffSetClientMessageHandler(XtEventHandler handler);

// Where a status-line change of a session with the programming interface on
// is reported (kind and value of XStuff::notifyPsapiOIA); none by default.
using StatusLineSink = void (*)(SessionControlBlock* session, int kind, int value);
void XStuffSetStatusLineSink(StatusLineSink sink);

struct LoadedFontSet;

class XStuff : public RenderingWindow {
 public:
  static constexpr int kMaxCells = 3696;  // 27 x 132 + 132
  static constexpr int kMaxMenuBarWidgets = 100;
  static constexpr int kMaxStatusWidgets = 30;

  explicit XStuff(SessionControlBlock* session);
  ~XStuff() override;
  XStuff(const XStuff&) = delete;
  XStuff& operator=(const XStuff&) = delete;

  // The parent of every session shell (the master's top-level widget); set
  // by start-up before the first session.
  static void setShellParent(Widget parent);

  // Builds the whole window. Stores the shell in `shell` as soon as it
  // exists (which marks the session-table entry used). 0 on success, -1 on
  // failure (the caller ends the session).
  int initializeSession(const char* host, const char* title, int port, const char* playbackFile,
                        char startupPlayback, const char* keyFile, char iconic, Geometry geometry,
                        Widget& shell);
  // Tears the window down (once; later calls do nothing).
  void endSession();

  // Shows the communication message number (0 hides it), then handles the
  // pending X events for a short while so that it shows while the caller
  // blocks; key and pointer input meanwhile waits for the main loop. -1 when
  // the session ended meanwhile, else 0.
  int x_comm_msg(unsigned int number);

  // ---- Engine-to-window calls: they update the screen copy, the flags and
  // the dirty range; Flush_X5250 paints.
  void x_write(int pos, const unsigned char* chars, const unsigned short* attrs, int len,
               char perCellAttrs) override;
  void x_clear() override;
  void x_set_rows_columns(int rows, int columns) override;
  void x_cursor(int pos) override;
  void x_set_cursor_plane(PlaneNumber plane) override;
  void x_set_shadow_cursor_row(unsigned int row) override;
  void x_set_text_symbols_display_plane(PlaneNumber plane) override;
  void x_set_cursor_blink(int on) override;
  void x_hide_cursor(unsigned int hide) override;
  void x_set_text_symbols_display_on_whole_screen(unsigned int on) override;
  void x_set_reset_text_symbols_display(unsigned int on) override { textSymbolsDisplay_ = on != 0; }
  void x_set_reset_enptui_symbols_display(unsigned int on) override { enptuiDisplay_ = on != 0; }
  void x_ding(unsigned int later) override;
  void x_hold_updates(bool hold) override;
  void x_sys(int on) override;
  void x_inserting(unsigned int on) override;
  void x_msgWait(int on) override;
  void x_typeahead(unsigned int on) override;
  void x_capslock(unsigned int on) override;
  void x_shiftkey(unsigned int on) override;
  void x_lang_shift(unsigned int on) override;
  void x_diacritic(unsigned int on) override;
  void x_rtlcursor(unsigned int on) override;
  void x_rtlscreen(unsigned int on) override;
  void x_playing(unsigned int on);
  void x_play_pausing(unsigned int on);
  void x_recording(unsigned int on);
  void x_graphic(unsigned int on);
  void x_draw_pushbutton(unsigned int pos, unsigned int len, char highlighted, char hotSpot) override;
  void x_erase_pushbutton(unsigned int pos, unsigned int len) override;
  void x_copy_button(unsigned int on) override;
  void x_cut_button(unsigned int on) override;
  void x_paste_button(unsigned int on) override;
  void x_popup_edit_menu() override;
  void x_copy(CopiedDataInformation* info) override;
  void x_get_copied_data(CopiedDataInformation* info, unsigned int offset) override;

  // ---- Copy and paste (XStuffClipboard.cpp). A copy is offered as PRIMARY,
  // on the Motif clipboard, in cut buffer 0 and as the session's own copy; a
  // paste asks the PRIMARY owner, then the clipboard, then cut buffer 0.
  void freeCopyBuffers();
  SessionClipboard& clipboard() { return *clipboard_; }
  // The text of the last copy as STRING (ISO 8859-1) and as UTF-8; empty
  // when there is none.
  const std::string& copiedString() const;
  const std::string& copiedUtf8() const;
  // The descriptor a paste fills, and the steps that fill it: 0 with data,
  // -1 without (bit 31 of the descriptor cleared).
  const CopiedDataInformation& pasteDescriptor() const;
  int fillInCopiedDataInfoFromString(const char* utf8, size_t length);
  int processTextProperty(Display* display, Atom encoding, const unsigned char* value, unsigned long nitems,
                          int format);
  int retrieveAndProcessClipboardData(Display* display, Window window);
  // The answer of the PRIMARY owner to a paste request.
  void getSelection(Widget w, unsigned long request, Atom* selection, Atom* type, XtPointer value,
                    unsigned long* length, int* format);
  // Key files (XStuffKeyFile.cpp): applies the session's key file over the
  // drawing widget's translations; -1 only when no buffer could be had.
  int setKeyfileResources(const char* directory, const char* hostSession);
  // Keeps the drawing widget's translations as text (the defaults a reset
  // returns to) and takes the menu-bar accelerator from them.
  void updateDefaultTranslations(Widget w);
  const std::string& defaultTranslations() const { return defaultTranslations_; }
  // The translations after the key file (null before the window has them).
  XtTranslations keyFileTranslations() const { return keyFileTranslations_; }
  void defineLine(DRAW_LINE_METHOD side, int from, int to, int number) override;
  void drawMarkingLines(int count) override;
  void unmarkText() override;
  bool ruleLineShown() const override { return ruleLineOn_ && !ruleLineSuppressed_; }
  void drawRuleLine() override;
  void eraseRuleLine();
  void x_toggle_rule_line(char fromKey);
  void redrawMarking();

  // Repaint scheduling. `to` is inclusive; -1 leaves that end alone.
  void updateWriteBounds(int from, int to) { dirty_.widen(from, to); }
  void Flush_X5250(int from, int to, char clearOverlay, char fromTimer);
  void Flush_X5250(char fromTimer);
  void doIconifiedActionIfNeeded(char fromBell);

  // The status line (below the drawing area): its 21 widgets, made once
  // the session font is known, and the indicator images.
  void createMsgLabels(XmRenderTable* table);
  void buildPixMaps();
  void freePixMaps();
  // Reports a status-line change to the programming interface.
  void notifyPsapiOIA(int kind, int value);
  // True when the window manager shows the window as an icon (or has
  // withdrawn it); false without a window-manager state.
  bool isIconified() const;
  // The last resize found the window as large as the work area less the
  // window manager's frame (the window is maximized).
  bool fillsWorkArea() const;
  // One step of the icon-title blink of an iconified window.
  void iconTitleBlink();
  // The window is seen again: no blinking, the normal icon and icon name.
  void stopIconAttention();
  bool iconBlinking() const { return iconBlinkId_ != 0; }

  // Painting.
  void drawScreenData(int columnOffset, int row, int start, int end);
  void drawcurs(char forced);
  void clearcurs(char forced);
  void cursorBlinkEvent(int hide);
  void startCursorBlinking();
  void stopCursorBlinking();
  // Builds (or with force rebuilds) the painting contexts from the drawing
  // widget's colours and font.
  void creategc(bool force);
  void destroygc();
  // The drawing widget was exposed: repaint everything a little later.
  void exposed();

  // What the window has painted, for tests and measurements.
  struct PaintStats {
    unsigned long flushes = 0;    // flushes that painted something
    unsigned long rows = 0;       // row spans painted
    unsigned long textCalls = 0;  // text runs drawn
    unsigned long bells = 0;
  };
  const PaintStats& paintStats() const { return paintStats_; }
  // True while a repaint waits (dirty positions or a deferred flush).
  bool repaintPending() const { return !dirty_.empty() || deferredFlush_ != 0; }
  // True in the hidden phase of blinking text.
  bool blinkingTextHidden() const { return blinkHiddenPhase_; }
  const DirtyRange& dirtyRange() const { return dirty_; }
  std::string rowColumnText() const { return rowColumnText_; }
  bool cursorDrawn() const { return cursorDrawn_; }
  bool insertIndicator() const { return insertIndicator_; }
  // The macro indicators of the status line.
  bool recording() const { return recording_; }
  bool playing() const { return playing_; }
  bool playPausing() const { return playPausing_; }
  bool systemWait() const { return systemWait_; }
  bool cursorHidden() const { return cursorHidden_; }
  bool extendedDisplay() const { return extendedDisplay_; }
  bool shiftIndicator() const { return shiftKey_; }
  bool capsLockIndicator() const { return capsLock_; }
  void toggleExtendedDisplay();
  // The mouse filter of this window.
  ClickState& clickState() { return clickState_; }
  // Gives the renderer back the buffer of the last paste's data (before
  // the session's renderer is replaced).
  void releasePasteData();
  bool pasteInProgress() const { return pasteInProgress_; }

  // Accessors.
  SessionControlBlock* session() const { return session_; }
  const char* getHostname() const { return host_.c_str(); }
  const char* getTitle() const { return title_.c_str(); }
  const char* getSessionTitle() const { return title_.c_str(); }
  // A new title (a programming-interface client's): kept and shown as the
  // shell's title.
  void setSessionTitle(const char* title);
  const char* getIconName() const { return iconName_.c_str(); }
  const char* getDashKeyfileName() const { return keyFile_.c_str(); }
  Widget shell() const { return shell_; }
  // The drawing widget ("x5250"); the shell until it exists.
  Widget x_get_text_widget() const;
  Widget menuBar() const;
  Widget statusForm() const;
  int get_width() const;
  int get_height() const;
  // The display character of the screen copy at a position; 0 at or beyond
  // the screen size.
  unsigned char getAsciiChar(int position) const {
    settleScreenCopy();
    return position >= 0 && position < cells() ? chars_[position] : 0;
  }
  // The table number of the session font in use (8 bits).
  unsigned char getCurFontsetNumber() const;
  // The indicators as last set (x_capslock, x_shiftkey, x_msgWait, x_sys).
  bool get_capslock() const { return capsLock_; }
  bool get_shiftkey() const { return shiftKey_; }
  bool get_msgWait() const { return messageWaiting_; }
  bool getXsys() const { return systemWait_; }
  Widget get_toplevel() const { return shell_; }
  int get_cursor() const { return cursorPosition_; }
  // The shell's x, y, width and height with the current font number, every
  // flag set; getXpos and getYpos are its position.
  Geometry getCurrentGeometry() const;
  int getXpos() const;
  int getYpos() const;
  // The table entries whose fonts were loaded after the window was built
  // (the font menu's stay loaded for the window's life).
  int loadedExtraFonts() const;
  unsigned int commStatus() const { return commStatus_; }
  bool hasKeypadObject() const { return false; }

  // Appends to the menu-bar and status widget lists (used for fonts and
  // colours); widgets beyond the limits are ignored.
  void addMenuBarWidget(Widget w);
  void addStatusWidget(Widget w);
  const std::vector<Widget>& menuBarWidgets() const { return menuBarWidgets_; }
  const std::vector<Widget>& statusWidgets() const { return statusWidgets_; }

  // Opens the local print controls when local print is allowed; with
  // `immediate` the screen is printed at once, without the dialog.
  void localPrintCallback(bool immediate = false);
  // The screen print of the window (null before the first request).
  LocalPrint* localPrint() const { return localPrint_.get(); }
  // The session's keypads (made on first use).
  KeypadButtons& keypadButtons();
  // The macro dialogs and the keypads take the session's colours again.
  void refreshDialogColors();
  bool enptuiSymbolsDisplay() const { return enptuiDisplay_; }
  // Focus gained (nonzero) or lost.
  void SetFocus(char hasFocus);
  // Structure events of the shell.
  void topLevelEventHandler(Widget w, void* clientData, XEvent* event, char* continueDispatch);
  // The screen position of a pixel position of the drawing widget.
  int XYtoCursor(int x, int y) const;
  // Blanks the character mirror and clears the attribute and overlay mirrors.
  void clearBuffers();

  // Screen state shared with painting and the engine calls.
  int rows() const { return rows_; }
  int columns() const { return columns_; }
  // The shell's geometry for a 24x80 screen (refreshed from the current one
  // while the screen is 24x80): x, y, width and height given.
  Geometry get24x80Geometry();
  // Text is marked in the window (the marking outline is drawn).
  bool textMarked() const { return segmentCount_ > 0; }
  int cellWidth() const { return cellWidth_; }
  int cellHeight() const { return cellHeight_; }
  void setCellSize(int width, int height) { cellWidth_ = width; cellHeight_ = height; }
  void setOrigin(int x, int y) { originX_ = x; originY_ = y; }
  int cursorPosition() const { return cursorPosition_; }
  int ruleLineMode() const { return ruleLineMode_; }
  int largeScreenBehavior() const { return largeScreenBehavior_; }
  bool typeAheadIndicator() const { return typeAheadIndicator_; }
  // The screen copy, brought up to date with the device first.
  const unsigned char* characterMirror() const {
    settleScreenCopy();
    return chars_.data();
  }
  const unsigned short* attributeMirror() const {
    settleScreenCopy();
    return attributes_.data();
  }
  const unsigned short* overlayMirror() const { return overlay_.data(); }

  // What initializeSession settled for the session.
  int copyPasteMode() const { return copyPasteMode_; }     // 1 all, 2 session only, 3 none
  bool copyPasteAllowed() const { return copyPasteAllowed_; }
  bool localPrintAllowed() const { return localPrintAllowed_; }
  bool wideScreenAllowed() const { return wideAllowed_; }
  bool imageAllowed() const { return imageAllowed_; }
  bool columnSeparators() const { return columnSeparators_; }
  bool noHostChange() const { return noHostChange_; }
  bool audioAlarm() const { return audioAlarm_; }
  // The preferences the window keeps: rule line mode and style, large screen
  // behaviour, audible alarm.
  void setMiscWindowValues(int ruleLineMode, int ruleLineStyle, int largeScreenBehavior, bool audioAlarm) {
    ruleLineMode_ = ruleLineMode;
    ruleLineStyle_ = static_cast<unsigned char>(ruleLineStyle);
    largeScreenBehavior_ = largeScreenBehavior;
    audioAlarm_ = audioAlarm;
  }
  // The session's value of a miscellaneous preference (the resources' when
  // the window has no session).
  unsigned char miscPreference(unsigned char id) const;
  // Maps or unmaps the row/column indicator (not while the cursor is hidden).
  void showRowColumnIndicator(bool shown);
  // Paints underlines blue or not as the session's preference says.
  void applyBlueUnderscore();
  // The colour of highlighted entry fields from "ENTRY_FIELD_HIGHLIGHTING"
  // (an invalid value is logged and cleared), and whether they are shown.
  void setEntryFieldHighlighting();
  bool entryFieldHighlighting() const;
  unsigned long entryHighlightPixel() const { return entryHighlightPixel_; }
  // Hot spots are marked in the window (hot spots on and highlighted).
  bool hotSpotsMarked() const;
  // Takes every hot-spot mark and flash off the screen copy (the cells are
  // repainted with the next flush).
  void clearHotSpotMarks();
  bool mapped() const { return mapped_; }
  bool hasFocus() const { return hasFocus_; }
  bool colorDisplay() const { return colorDisplay_; }
  void setColorDisplay(bool on) { colorDisplay_ = on; }
  bool thaiSession() const { return thai_; }
  // The window of a session in the Thai code set: its Thai display mode and
  // settings are read.
  void setThaiSession(bool on);
  bool thaiCompose() const { return thai_ && thaiCompose_; }
  // Flips the composition of Thai text into cells and repaints; the new
  // switch value.
  int x_toggle_thaicompose();
  // Shows the Thai font of the current pair that suits the composition
  // switch (the separate or the composing one) and repaints the screen. The
  // pair is the one of the font shown, else the one that fits its cell
  // width. Without Thai fonts the window keeps its font and repaints.
  void x_set_thai_font();
  // The pair of Thai fonts (separate, composing) one of which is `font`;
  // both null when `font` is no Thai font of the window.
  void determineCorrespondingThaiFonts(XFontStruct* font, XFontStruct** separate, XFontStruct** composing);
  // The name of the font the drawing area shows (its FONT property).
  std::string drawingFontName() const;
  // The position drawn first in the screen cell `position` (composed Thai
  // text); with `adjust` past the marks drawn into the same cell.
  int ThaiMarkPos(int columnOffset, int position, int adjust);
  // The Thai key-sequence check: switched on by THAI_EM_KEY_CHECK, its
  // state, and the check of one code (1 accepted, 0 refused; every code is
  // accepted with the check off).
  bool get_thaikeycheck() const { return thaiKeyCheck_; }
  int get_thaikeystate() const { return thaiKeyState_; }
  void set_thaikeystate(int state) { thaiKeyState_ = state >= 0 && state <= 4 ? state : 0; }
  int ThaiKeySeqChk(unsigned char code);
  unsigned char nullPositionCharacter() const { return nullCharacter_; }
  // The wide character the window draws for a byte of the display table.
  wchar_t wideCharacter(unsigned char byte) const { return wide_[byte]; }

  // The helper programs this session started or owns.
  HelperSessionState& helper(HelperKind kind) { return helpers_[static_cast<int>(kind)]; }
  bool ownsPreferencesProgram() const { return preferencesOwner_; }
  void setOwnsPreferencesProgram(bool owner) { preferencesOwner_ = owner; }

  // Fonts, window size and placement: the font menu and the font actions,
  // the window following the screen size, a user's resize.
  bool selectNewFont(int entry, bool interactive);
  void rotateFont(int direction);  // 0 wider, 1 narrower, 2 taller, 3 shorter
  void fontMenuSelected(Widget toggle);
  int currentFontEntry() const;
  void resizeWindow();
  void finishResizeWindow();
  void leftArrowCallback();
  void rightArrowCallback();
  void toggleTextSide();
  int availableWidth();
  int originX() const { return originX_; }
  int originY() const { return originY_; }
  bool showingRightPart() const;
  // Remembers the window's place and font (24x80, not maximized); the last
  // session's write goes out at once.
  void updateDeskTopSettingForSession(bool lastSession = false);
  // Flips the latched modifier Mod1..Mod5 (n 1..5); 1 when now set.
  int toggle_mod(int n);
  unsigned int latchedModifiers() const { return latchedModifiers_; }

  // Colours: the session's colour file (or the "defaultColorMapPath" one)
  // over the built-in scheme; 0, or -1 when no file applied. One colour by
  // its index (0-21), repainting with apply.
  int setColorResources(const char* settingsDirectory, const char* hostFileName, bool* warning);
  void setColor(int index, unsigned long pixel, bool apply);
  unsigned long colorPixel(int index) const { return index >= 0 && index < 22 ? colorPixels_[index] : 0; }
  // The colour mapper's messages (connect, query, set, set and apply, end).
  void TintwellClientMessage(const XClientMessageEvent& message);
  void sendMsgToTintwell(long code, long word1, long word2, long word3);
  bool colorMapperConnected() const { return tintwellWindow_ != 0; }
  // The administrator's colour directories (the "colorMapPath" resource,
  // comma-separated) in ISO 8859-1, as the block handed to the colour mapper;
  // empty when there are none.
  void createListOfPaths(const char* paths);
  const std::vector<char>& colorDirectoryBlock() const { return colorDirectoryBlock_; }
  // The name (last path component) of the advanced colour file the window's
  // colours came from; empty when they did not come from one.
  const std::string& advancedColorFileName() const { return advancedColorFileName_; }

  // The window's private part (Motif widgets and resources).
  struct Private;
  Private* privatePart() const { return private_.get(); }

 private:
  void showPointerShape();
  // The session's device hands over what it held back (a burst of host
  // records) before anything reads the screen copy.
  void settleScreenCopy() const;
  int buildWindow(const char* title, char iconic, const Geometry& geometry, Widget& shellOut);
  void settleSessionOptions(int port);
  void sendSessionEndMessages();
  void handOverPreferencesProgram();
  void readThaiSettings();
  void loadThaiFonts();
  void showDrawingFont(XFontStruct* font, const LoadedFontSet* message, bool byResize);
  // Thai composition: the host's bytes of a row range, and the cell the
  // cursor is drawn in.
  bool thaiRowBytes(int from, int to, unsigned char* out) const;
  int thaiCursorCell(int position) const;
  // The text-assist symbol a position shows (text_symbol::kNone for none),
  // and the symbols of positions [start, end) drawn over their cells.
  int textSymbolAt(int position) const;
  void drawTextSymbols(int start, int end);

  SessionControlBlock* session_;
  std::unique_ptr<Private> private_;
  Widget shell_ = nullptr;
  std::string host_;
  std::string title_;
  std::string iconName_;
  std::string keyFile_;
  unsigned int commStatus_ = 0;
  bool ended_ = false;

  std::vector<Widget> menuBarWidgets_;
  std::vector<Widget> statusWidgets_;

  std::vector<unsigned char> chars_;
  std::vector<unsigned short> attributes_;
  std::vector<unsigned short> overlay_;
  wchar_t wide_[256] = {};

  int rows_ = 24;
  int columns_ = 80;
  int cellWidth_ = 0;
  int cellHeight_ = 0;
  int originX_ = 1;
  int originY_ = 1;
  int cursorPosition_ = 0;
  int screenWidth_ = 0;
  int screenHeight_ = 0;
  int ruleLineMode_ = 3;
  unsigned char ruleLineStyle_ = 0;
  int largeScreenBehavior_ = 3;

  int copyPasteMode_ = 0;
  bool copyPasteAllowed_ = true;
  bool localPrintAllowed_ = true;
  bool wideAllowed_ = true;
  bool imageAllowed_ = true;
  bool columnSeparators_ = false;
  bool noHostChange_ = false;
  bool audioAlarm_ = false;
  bool typeAheadIndicator_ = true;
  bool mapped_ = false;
  bool hasFocus_ = false;
  bool colorDisplay_ = false;
  unsigned char nullCharacter_ = 0xB7;

  // Thai settings.
  bool thai_ = false;
  bool thaiCompose_ = false, thaiSpaceAlign_ = false, thaiEofAlign_ = false;
  int thaiSpaceCount_ = 3;
  unsigned char thaiEofChar_ = 0xEA;
  bool thaiRuleFollowsCursor_ = true;
  bool thaiKeyCheck_ = true;
  int thaiKeyState_ = 0;

  std::unique_ptr<LocalPrint> localPrint_;
  std::unique_ptr<KeypadButtons> keypadButtons_;
  HelperSessionState helpers_[static_cast<int>(HelperKind::Count)];
  bool preferencesOwner_ = false;

  // False once the object is gone; the message pump looks at it.
  std::shared_ptr<bool> alive_;

  // Screen state of the engine calls and painting.
  int cells() const { return rows_ * columns_; }
  void removeTimers();
  CursorShapeChoice cursorShape() const;
  static void deferredFlushTimer(XtPointer self, XtIntervalId* id);
  static void cursorBlinkTimer(XtPointer self, XtIntervalId* id);
  static void textBlinkTimer(XtPointer self, XtIntervalId* id);
  void toggleBlinkingText();
  // The steps of a repaint before painting: the last flash taken back, the
  // hot spots of the dirty range marked again.
  void prepareOverlays();
  // Notes the flashed (highlighted, not host push button) cells of a span.
  void noteHighlighted(int start, int end);

  DirtyRange dirty_{kMaxCells, 0};
  PaintStats paintStats_;
  std::string rowColumnText_ = " 1/1  ";
  bool deferNextFlush_ = false;
  XtIntervalId deferredFlush_ = 0;
  XtIntervalId cursorBlinkId_ = 0;
  XtIntervalId textBlinkId_ = 0;
  bool cursorBlinkPending_ = false;
  // Alarms that wait for the next repaint: each one rings, also when
  // several records are painted together.
  unsigned int bellsPending_ = 0;
  // One of them is the iconified window's beep, which an alarm of the same
  // repaint joins instead of ringing again.
  bool iconBellPending_ = false;
  bool cursorDrawn_ = false;
  bool cursorShown_ = true;
  bool cursorHidden_ = false;
  bool cursorBlinkRequested_ = false;
  bool ruleLineOn_ = false;
  bool ruleLineSuppressed_ = false;
  int ruleLinePosition_ = -1;
  bool extendedDisplay_ = false;
  bool textSymbolsWholeScreen_ = false;
  bool textSymbolsDisplay_ = false;
  bool enptuiDisplay_ = false;
  PlaneNumber textSymbolsPlane_ = Plane0;
  PlaneNumber cursorPlane_ = Plane0;
  unsigned int shadowCursorRow_ = 0;
  int highlightLow_ = -1, highlightHigh_ = -1;
  int blinkLow_ = kMaxCells, blinkHigh_ = -1;
  bool blinkHiddenPhase_ = false;
  // Indicators.
  bool systemWait_ = false, insertIndicator_ = false, messageWaiting_ = false, capsLock_ = false,
       shiftKey_ = false, langShift_ = false, diacritic_ = false, rtlCursor_ = false, rtlScreen_ = false,
       playing_ = false, playPausing_ = false, recording_ = false, graphic_ = false;
  // Stores an indicator, shows or hides its label and reports the change
  // (kind < 0: not reported); false when nothing changed.
  bool setIndicator(bool& flag, unsigned int value, const char* label, int kind);
  void showStatusWidget(const char* name, bool on);
  void mapStatusWidget(const char* name, bool on);
  // While a burst of host records runs, the labels of the status line and
  // the pointer shape wait (the indicators themselves change at once); the
  // end of the burst shows the last state of each.
  struct HeldLabel {
    const char* name;
    bool on;
  };
  static constexpr int kHeldLabels = 24;
  HeldLabel heldLabels_[kHeldLabels] = {};
  int heldLabelCount_ = 0;
  bool holdingUpdates_ = false;
  bool pointerShapeHeld_ = false;
  void showHeldUpdates();
  // The icon-title blink of an iconified window.
  XtIntervalId iconBlinkId_ = 0;
  bool iconNameBlank_ = false;
  static void iconBlinkTimer(XtPointer self, XtIntervalId* id);
  // Marking.
  struct Segment {
    int side = 0, from = -1, to = -1;
  };
  Segment segments_[8];
  int segmentCount_ = 0;
  ClickState clickState_;
  bool pasteInProgress_ = false;
  std::unique_ptr<SessionClipboard> clipboard_;
  std::string defaultTranslations_;
  XtTranslations keyFileTranslations_ = nullptr;
  unsigned long entryHighlightPixel_ = 0;
  // Sets the screen colours of the drawing widget from the default scheme.
  void applyDefaultScreenColors();
  void installDrawingCallbacks();
  // Font and placement helpers (XStuffFonts.cpp, XStuffPlacement.cpp).
  bool changeFont(int entry, bool interactive, bool byResize);
  void setOptionMenuFont(XmRenderTable table);
  // The status line's labels take a render table; their gaps, the status
  // line's height and the indicator images follow the cell size.
  void applyStatusLineFont(XmRenderTable table);
  // The status form "optionArea" at the bottom of the window form.
  Widget createStatusForm();
  // How much taller the window's menu bar and status line are with a font
  // of that cell height than with the current one.
  int chromeGrowth(int cellHeight) const;
  void setDrawingSize(int width, int height);
  void placeText(int textWidth, int textHeight, int option);
  void changeFontIfNeeded();
  void fitDrawingToWorkArea();
  void changeFontForMaximizedWindowIfNeeded();
  void largeScreenPlacement();
  void moveWindowAsCloseTo24x80PosAsPossible();
  bool ensureLowerRightCornerOnScreen(int& x, int& y);
  bool isLowerRightCornerOnScreen();
  void refreshWorkArea();
  void setFontTogglesSensitivity(bool large);
  int fitFontEntry(int width, int height);
  unsigned int latchedModifiers_ = 0;
  unsigned long colorPixels_[22] = {};
  Window tintwellWindow_ = 0;
  std::vector<char> colorDirectoryBlock_;
  std::string advancedColorFileName_;
};
