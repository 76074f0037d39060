// The status line of the session window: its 21 widgets below the drawing
// area, the indicator images, the indicator operations, the communication
// message with its short event pump, and what an iconified window does when
// something needs the user (raise, beep, or a blinking icon title).
#include <X11/Intrinsic.h>
#include <X11/Shell.h>
#include <X11/StringDefs.h>
#include <X11/Xatom.h>
#include <Xm/Form.h>
#include <Xm/Label.h>
#include <Xm/PushB.h>
#include <Xm/Xm.h>
#include <poll.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "session/PreDispatch.h"
#include "session/AppResources.h"
#include "session/ResourceKeywords.h"
#include "session/SessionControlBlock.h"
#include "session/SessionTable.h"
#include "base/LogMsg.h"
#include "xfront/ColorAllocation.h"
#include "xfront/SessionIcons.h"
#include "xfront/SessionWindowRules.h"
#include "xfront/StatusSymbols.h"
#include "xfront/Win3270.h"
#include "xfront/XStuff.h"
#include "xfront/XStuffPrivate.h"

namespace {

constexpr unsigned long kIconBlinkMs = 700;
constexpr int kIdleRoundsWithoutEvents = 20;
constexpr int kIdleRoundsAfterEvents = 2;
constexpr int kIdlePauseMs = 15;
constexpr int kHostNameWidth = 20;

int g_pumpDepth = 0;
StatusLineSink g_statusLineSink = nullptr;

// Where a widget of the status line is attached at its side.
enum Anchor : int {
  kFormLeft = -1,   // the left edge of the form
  kFormRight = -2,  // the right edge of the form
  kRowColumn = -3,  // its right edge to the left of the row/column indicator
};

struct StatusWidgetSpec {
  const char* name;
  int neighbour;      // index of the widget to the left, or an Anchor
  bool pushButton;
  bool shown;         // mapped from the start
  const char* fallback;  // the text when the resources give none (null: image or set here)
};

// The order is the creation order; neighbours come before the widgets
// attached to them.
const StatusWidgetSpec kStatusWidgets[XStuff::Private::kStatusLineWidgets] = {
    {"sessionNumberMsg", kFormLeft, false, true, nullptr},
    {"hostnameMsg", 0, false, true, nullptr},
    {"msgWaitingMsg", 1, false, false, "Message Waiting....."},
    {"commMsgZap", 1, false, false, nullptr},
    {"commMsgNum", 3, false, false, "0000"},
    {"inputInhMsg1", 2, false, false, nullptr},
    {"typeAheadMsg", 5, false, true, nullptr},
    {"upperShiftMsg", 6, false, false, nullptr},
    {"capsLockMsg", 7, false, false, nullptr},
    {"langshiftMsg", 8, false, false, nullptr},
    {"insertMsg", 9, false, false, nullptr},
    {"diacritMsg", 10, false, false, nullptr},
    {"cursordirMsg", 11, false, false, nullptr},
    {"screendirMsg", 12, false, false, nullptr},
    {"graphicMsg", 13, false, false, nullptr},
    {"recordMsg", 14, false, false, nullptr},
    {"playbackMsg", 15, true, false, nullptr},
    {"pauseMsg", 16, false, false, nullptr},
    {"cursorRowCol", kFormRight, false, true, "01/001"},
    {"right_arrow", kRowColumn, true, false, nullptr},
    {"left_arrow", kRowColumn, true, false, nullptr},
};
constexpr int kRowColumnIndex = 18;

// The gap between neighbours grows with the cell height of the session font.
int LabelGap(int cellHeight) {
  if (cellHeight <= 12) return 1;
  if (cellHeight <= 16) return 2;
  if (cellHeight <= 20) return 3;
  return 4;
}

std::string LabelText(Widget w) {
  XmString s = nullptr;
  XtVaGetValues(w, XmNlabelString, &s, nullptr);
  if (!s) return "";
  char* text = static_cast<char*>(
      XmStringUnparse(s, nullptr, XmCHARSET_TEXT, XmCHARSET_TEXT, nullptr, 0, XmOUTPUT_ALL));
  std::string out = text ? text : "";
  XtFree(text);
  XmStringFree(s);
  return out;
}

void SetLabelText(Widget w, const std::string& text) {
  if (!w) return;
  XmString s = XmStringCreateLocalized(const_cast<char*>(text.c_str()));
  XtVaSetValues(w, XmNlabelString, s, nullptr);
  XmStringFree(s);
}

// Two characters, a blank instead of a leading zero.
std::string SessionNumberText(int number) {
  char text[8];
  std::snprintf(text, sizeof text, "%2d", number % 100);
  return text;
}

// Cut or blank-padded to 20 characters.
std::string HostNameText(const std::string& host) {
  std::string text = host.substr(0, kHostNameWidth);
  text.resize(kHostNameWidth, ' ');
  return text;
}

bool IsInputEvent(const XEvent& e) {
  switch (e.type) {
    case KeyPress:
    case KeyRelease:
    case ButtonPress:
    case ButtonRelease:
    case MotionNotify:
      return true;
    default:
      return false;
  }
}

void PlaybackActivated(Widget w, XtPointer, XtPointer) {
  if (SessionControlBlock* block = FindSessionOfWidget(w)) block->playRecord.wmClosePlaybackPauseDialog();
}

void RightArrowActivated(Widget w, XtPointer, XtPointer) {
  if (SessionControlBlock* block = FindSessionOfWidget(w)) block->xstuff.rightArrowCallback();
}

void LeftArrowActivated(Widget w, XtPointer, XtPointer) {
  if (SessionControlBlock* block = FindSessionOfWidget(w)) block->xstuff.leftArrowCallback();
}

}  // namespace

bool XStuffMessagePumpActive() { return g_pumpDepth > 0; }

void XStuffSetStatusLineSink(StatusLineSink sink) { g_statusLineSink = sink; }

// ---- the widgets ---------------------------------------------------------------------------

void XStuff::createMsgLabels(XmRenderTable* table) {
  if (!private_ || !private_->optionArea || !private_->drawing) return;
  Private& p = *private_;
  Display* display = XtDisplay(p.optionArea);
  const int screen = DefaultScreen(display);
  const char* const* scheme = DefaultColorScheme();
  bool substituted = false;
  const Pixel background = AllocateColor(scheme[14], DefaultColormap(display, screen), display, screen, &substituted);
  const Pixel foreground = AllocateColor(scheme[15], DefaultColormap(display, screen), display, screen, &substituted);
  Pixel pushButtonBackground = background;
  XtVaGetValues(p.drawing, QwNpushbuttonBackground, &pushButtonBackground, nullptr);
  const int gap = LabelGap(cellHeight_);
  const bool rowColumnShown = AppResources().ROW_COLUMN_INDICATOR != QwDisable;

  for (int i = 0; i < Private::kStatusLineWidgets; ++i) {
    const StatusWidgetSpec& spec = kStatusWidgets[i];
    Arg args[16];
    Cardinal n = 0;
    XtSetArg(args[n], XmNtopAttachment, XmATTACH_FORM); ++n;
    XtSetArg(args[n], XmNbottomAttachment, XmATTACH_FORM); ++n;
    if (spec.neighbour == kFormLeft) {
      XtSetArg(args[n], XmNleftAttachment, XmATTACH_FORM); ++n;
      XtSetArg(args[n], XmNleftOffset, gap); ++n;
    } else if (spec.neighbour == kFormRight) {
      XtSetArg(args[n], XmNrightAttachment, XmATTACH_FORM); ++n;
      XtSetArg(args[n], XmNrightOffset, gap); ++n;
    } else if (spec.neighbour == kRowColumn) {
      XtSetArg(args[n], XmNrightAttachment, XmATTACH_WIDGET); ++n;
      XtSetArg(args[n], XmNrightWidget, p.statusLine[kRowColumnIndex]); ++n;
      XtSetArg(args[n], XmNrightOffset, gap); ++n;
    } else {
      XtSetArg(args[n], XmNleftAttachment, XmATTACH_WIDGET); ++n;
      XtSetArg(args[n], XmNleftWidget, p.statusLine[spec.neighbour]); ++n;
      XtSetArg(args[n], XmNleftOffset, gap); ++n;
    }
    XtSetArg(args[n], XmNforeground, foreground); ++n;
    XtSetArg(args[n], XmNbackground, spec.pushButton ? pushButtonBackground : background); ++n;
    XtSetArg(args[n], XmNmarginHeight, 0); ++n;
    XtSetArg(args[n], XmNrecomputeSize, True); ++n;
    if (table && *table) {
      XtSetArg(args[n], XmNrenderTable, *table); ++n;
    }
    // A click acts; the keyboard focus stays on the screen.
    if (spec.pushButton) {
      XtSetArg(args[n], XmNtraversalOn, False); ++n;
    }
    Widget w = XtCreateWidget(spec.name, spec.pushButton ? xmPushButtonWidgetClass : xmLabelWidgetClass,
                              p.optionArea, args, n);
    p.statusLine[i] = w;
    // A label without a text from the resources shows its own name.
    if (spec.fallback && LabelText(w) == spec.name) SetLabelText(w, spec.fallback);
    const bool shown = i == kRowColumnIndex ? rowColumnShown : spec.shown;
    XtSetMappedWhenManaged(w, shown ? True : False);
    XtManageChild(w);
    addStatusWidget(w);
  }
  const SessionTableEntry* entry = session_ ? SessionEntry(session_->slot) : nullptr;
  SetLabelText(p.statusLine[0], SessionNumberText(entry && entry->instance > 0 ? entry->instance : 1));
  SetLabelText(p.statusLine[1], HostNameText(host_));
  SetLabelText(p.statusLine[kRowColumnIndex], rowColumnText_);
  XtAddCallback(p.statusLine[16], XmNactivateCallback, PlaybackActivated, nullptr);
  XtAddCallback(p.statusLine[19], XmNactivateCallback, RightArrowActivated, nullptr);
  XtAddCallback(p.statusLine[20], XmNactivateCallback, LeftArrowActivated, nullptr);
  buildPixMaps();
}

Widget XStuff::createStatusForm() {
  Arg args[4];
  Cardinal n = 0;
  XtSetArg(args[n], XmNbottomAttachment, XmATTACH_FORM); ++n;
  XtSetArg(args[n], XmNleftAttachment, XmATTACH_FORM); ++n;
  XtSetArg(args[n], XmNrightAttachment, XmATTACH_FORM); ++n;
  // Its height is the session font's, whatever its labels would like.
  XtSetArg(args[n], XmNresizePolicy, XmRESIZE_NONE); ++n;
  return XmCreateForm(private_->form, const_cast<char*>("optionArea"), args, n);
}

// The status line is made again in the new font, as a window that starts
// with that font makes it; what it shows and its colours stay.
void XStuff::applyStatusLineFont(XmRenderTable table) {
  if (!private_ || !private_->optionArea || !private_->form || !table) return;
  Private& p = *private_;
  struct Kept {
    Boolean mapped = False;
    unsigned char type = XmSTRING;
    XmString text = nullptr;
    Pixel foreground = 0, background = 0;
  } kept[Private::kStatusLineWidgets];
  for (int i = 0; i < Private::kStatusLineWidgets; ++i) {
    Widget w = p.statusLine[i];
    if (!w) continue;
    Kept& k = kept[i];
    XtVaGetValues(w, XtNmappedWhenManaged, &k.mapped, XmNlabelType, &k.type, XmNforeground, &k.foreground,
                  XmNbackground, &k.background, nullptr);
    if (k.type == XmSTRING) XtVaGetValues(w, XmNlabelString, &k.text, nullptr);
  }
  Pixel background = 0;
  XtVaGetValues(p.optionArea, XmNbackground, &background, nullptr);
  freePixMaps();
  Widget old = p.optionArea;
  std::vector<Widget> others;
  for (Widget w : statusWidgets_)
    if (std::find(std::begin(p.statusLine), std::end(p.statusLine), w) == std::end(p.statusLine)) others.push_back(w);
  statusWidgets_ = others;
  for (Widget& w : p.statusLine) w = nullptr;

  p.optionArea = createStatusForm();
  XtVaSetValues(p.optionArea, XmNbackground, background, XmNheight,
                static_cast<Dimension>(StatusLineHeight(cellHeight_)), nullptr);
  createMsgLabels(&table);
  for (int i = 0; i < Private::kStatusLineWidgets; ++i) {
    Widget w = p.statusLine[i];
    Kept& k = kept[i];
    if (!w) continue;
    XtSetMappedWhenManaged(w, k.mapped);
    XtVaSetValues(w, XmNforeground, k.foreground, XmNbackground, k.background, nullptr);
    if (k.type == XmSTRING && k.text) XtVaSetValues(w, XmNlabelString, k.text, nullptr);
    if (k.text) XmStringFree(k.text);
  }
  // The images in the labels' colours.
  buildPixMaps();
  // The new status line takes the old one's place under the separator.
  XtManageChild(p.optionArea);
  XtVaSetValues(p.separator, XmNbottomWidget, p.optionArea, nullptr);
  XtUnmanageChild(old);
  XtDestroyWidget(old);
}

void XStuff::buildPixMaps() {
  if (!private_ || !private_->statusLine[0]) return;
  Private& p = *private_;
  freePixMaps();
  Display* display = XtDisplay(p.statusLine[0]);
  const int screen = DefaultScreen(display);
  const Window root = RootWindow(display, screen);
  const unsigned depth = static_cast<unsigned>(DefaultDepth(display, screen));
  Pixel foreground = 0, background = 0, pushButtonBackground = 0;
  XtVaGetValues(p.statusLine[0], XmNforeground, &foreground, XmNbackground, &background, nullptr);
  XtVaGetValues(p.drawing, QwNpushbuttonBackground, &pushButtonBackground, nullptr);
  GC gc = XCreateGC(display, root, 0, nullptr);
  int count = 0;
  const StatusSymbolLabel* labels = StatusSymbolLabels(&count);
  for (int i = 0; i < count; ++i) {
    Widget w = XtNameToWidget(p.optionArea, labels[i].widget);
    if (!w) continue;
    int width = 0, height = 0;
    StatusSymbolSize(labels[i].symbol, cellWidth_, &width, &height);
    Pixmap image = XCreatePixmap(display, root, static_cast<unsigned>(width), static_cast<unsigned>(height), depth);
    XSetForeground(display, gc, labels[i].onPushButton ? pushButtonBackground : background);
    XFillRectangle(display, image, gc, 0, 0, static_cast<unsigned>(width), static_cast<unsigned>(height));
    XSetForeground(display, gc, foreground);
    DrawStatusSymbol(display, image, gc, labels[i].symbol, width, height);
    XtVaSetValues(w, XmNlabelType, XmPIXMAP, XmNlabelPixmap, image, nullptr);
  }
  XFreeGC(display, gc);
}

void XStuff::freePixMaps() {
  if (!private_ || !private_->optionArea) return;
  int count = 0;
  const StatusSymbolLabel* labels = StatusSymbolLabels(&count);
  for (int i = 0; i < count; ++i) {
    Widget w = XtNameToWidget(private_->optionArea, labels[i].widget);
    if (!w) continue;
    Pixmap image = XmUNSPECIFIED_PIXMAP;
    XtVaGetValues(w, XmNlabelPixmap, &image, nullptr);
    if (image == XmUNSPECIFIED_PIXMAP || image == 0) continue;
    XtVaSetValues(w, XmNlabelPixmap, XmUNSPECIFIED_PIXMAP, nullptr);
    XFreePixmap(XtDisplay(w), image);
  }
}

void XStuff::showStatusWidget(const char* name, bool on) {
  if (holdingUpdates_) {
    for (int i = 0; i < heldLabelCount_; ++i)
      if (std::strcmp(heldLabels_[i].name, name) == 0) {
        heldLabels_[i].on = on;
        return;
      }
    if (heldLabelCount_ < kHeldLabels) {
      heldLabels_[heldLabelCount_++] = {name, on};
      return;
    }
  }
  mapStatusWidget(name, on);
}

void XStuff::x_hold_updates(bool hold) {
  holdingUpdates_ = hold;
  if (!hold) showHeldUpdates();
}

void XStuff::showHeldUpdates() {
  for (int i = 0; i < heldLabelCount_; ++i) mapStatusWidget(heldLabels_[i].name, heldLabels_[i].on);
  heldLabelCount_ = 0;
  if (pointerShapeHeld_) showPointerShape();
}

void XStuff::showPointerShape() {
  pointerShapeHeld_ = holdingUpdates_;
  if (!holdingUpdates_ && private_ && private_->drawing) X3270SetCursor(private_->drawing, systemWait_ ? 1 : 0);
}

void XStuff::mapStatusWidget(const char* name, bool on) {
  if (!private_ || !private_->optionArea) return;
  Widget w = XtNameToWidget(private_->optionArea, const_cast<char*>(name));
  if (!w) return;
  // Mapped-when-managed also holds for a widget not yet realized.
  XtSetMappedWhenManaged(w, on ? True : False);
}

// ---- indicators -----------------------------------------------------------------------------

void XStuff::notifyPsapiOIA(int kind, int value) {
  if (!session_ || !session_->programmingInterface || !g_statusLineSink) return;
  g_statusLineSink(session_, kind, value);
}

bool XStuff::setIndicator(bool& flag, unsigned int value, const char* label, int kind) {
  const bool on = value != 0;
  if (on == flag) return false;
  flag = on;
  showStatusWidget(label, on);
  if (kind >= 0) notifyPsapiOIA(kind, on ? 1 : 0);
  return true;
}

void XStuff::x_sys(int on) {
  if (!setIndicator(systemWait_, on != 0, "inputInhMsg1", 0)) return;
  showPointerShape();
  clearcurs(0);
}

void XStuff::x_msgWait(int on) {
  if (!setIndicator(messageWaiting_, on != 0, "msgWaitingMsg", 3)) return;
  // A communication message keeps the place of the message-waiting label.
  if (commStatus_ != 0) showStatusWidget("msgWaitingMsg", false);
  if (messageWaiting_) doIconifiedActionIfNeeded(0);
}

void XStuff::x_inserting(unsigned int on) {
  if (!setIndicator(insertIndicator_, on, "insertMsg", 4)) return;
  // The cursor's shape follows insert mode.
  if (!systemWait_ && cursorDrawn_) {
    clearcurs(0);
    drawcurs(0);
  }
}

void XStuff::x_typeahead(unsigned int on) { setIndicator(typeAheadIndicator_, on, "typeAheadMsg", -1); }
void XStuff::x_playing(unsigned int on) { setIndicator(playing_, on, "playbackMsg", 6); }
void XStuff::x_play_pausing(unsigned int on) { setIndicator(playPausing_, on, "pauseMsg", 7); }
void XStuff::x_recording(unsigned int on) { setIndicator(recording_, on, "recordMsg", 8); }
void XStuff::x_rtlcursor(unsigned int on) { setIndicator(rtlCursor_, on, "cursordirMsg", 9); }
void XStuff::x_rtlscreen(unsigned int on) { setIndicator(rtlScreen_, on, "screendirMsg", 10); }
void XStuff::x_capslock(unsigned int on) { setIndicator(capsLock_, on, "capsLockMsg", 11); }
void XStuff::x_lang_shift(unsigned int on) { setIndicator(langShift_, on, "langshiftMsg", 12); }
void XStuff::x_graphic(unsigned int on) { setIndicator(graphic_, on, "graphicMsg", 13); }
void XStuff::x_shiftkey(unsigned int on) { setIndicator(shiftKey_, on, "upperShiftMsg", 14); }
void XStuff::x_diacritic(unsigned int on) { setIndicator(diacritic_, on, "diacritMsg", 15); }

// ---- communication message ------------------------------------------------------------------

int XStuff::x_comm_msg(unsigned int number) {
  if (number == commStatus_) return 0;
  if (private_ && private_->optionArea) {
    if (number != 0) {
      if (Widget w = XtNameToWidget(private_->optionArea, "commMsgNum")) SetLabelText(w, CommMessageText(number));
      if (messageWaiting_) showStatusWidget("msgWaitingMsg", false);
      showStatusWidget("commMsgZap", true);
      showStatusWidget("commMsgNum", true);
    } else {
      showStatusWidget("commMsgZap", false);
      showStatusWidget("commMsgNum", false);
      if (messageWaiting_) showStatusWidget("msgWaitingMsg", true);
    }
  }
  commStatus_ = number;
  notifyPsapiOIA(2, static_cast<int>(number));
  if (!shell_) return 0;

  // Let the message show while the caller blocks. Input waits for the main
  // loop: the engine is in the middle of an operation, and a key or a close
  // handled here would reach it half done.
  Display* display = XtDisplay(shell_);
  auto alive = alive_;
  std::vector<XEvent> held;
  bool handled = false;
  ++g_pumpDepth;
  XFlush(display);
  for (int idle = 0;;) {
    if (XPending(display)) {
      XEvent event;
      XNextEvent(display, &event);
      if (IsInputEvent(event)) {
        held.push_back(event);
        continue;
      }
      SetTranslator();
      char dispatch = 1;
      PreDispatchProcess(&event, &dispatch);
      if (dispatch) XtDispatchEvent(&event);
      handled = true;
      if (!*alive) break;
      continue;
    }
    ++idle;
    if (idle >= (handled ? kIdleRoundsAfterEvents : kIdleRoundsWithoutEvents)) break;
    struct pollfd fd = {ConnectionNumber(display), POLLIN, 0};
    poll(&fd, 1, kIdlePauseMs);
  }
  --g_pumpDepth;
  for (auto it = held.rbegin(); it != held.rend(); ++it) XPutBackEvent(display, &*it);
  return *alive ? 0 : -1;
}

// ---- iconified window -----------------------------------------------------------------------

bool XStuff::isIconified() const {
  if (!shell_ || !XtIsRealized(shell_)) return false;
  Display* display = XtDisplay(shell_);
  const Atom wmState = XInternAtom(display, "WM_STATE", True);
  if (wmState == None) return false;
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(display, XtWindow(shell_), wmState, 0, 2, False, wmState, &type, &format, &count, &after,
                         &data) != Success)
    return false;
  bool iconic = false;
  if (data && type == wmState && format == 32 && count >= 1) {
    const long state = reinterpret_cast<const long*>(data)[0];
    iconic = state == IconicState || state == WithdrawnState;
  }
  if (data) XFree(data);
  return iconic;
}

void XStuff::doIconifiedActionIfNeeded(char fromBell) {
  const unsigned char action = AppResources().ICONIFIED_ACTION;
  if (!shell_ || action == QwDisable || action == 0) return;
  if (action != QwDeiconify && action != QwBeep && action != QwBlink) return;
  // A window manager unmaps a window that it iconifies: only then is its
  // state worth a round trip.
  if (mapped_ || !isIconified()) return;
  if (action == QwDeiconify) {
    XMapRaised(XtDisplay(shell_), XtWindow(shell_));
    return;
  }
  // One beep for whatever the next repaint shows.
  if (action == QwBeep && !fromBell && !bellsPending_) {
    ++bellsPending_;
    iconBellPending_ = true;
  }
  if (action == QwBlink && !iconBlinkId_)
    iconBlinkId_ = XtAppAddTimeOut(XtWidgetToApplicationContext(shell_), kIconBlinkMs, iconBlinkTimer, this);
  if (private_ && private_->alternateIcon) XtVaSetValues(shell_, XtNiconPixmap, private_->alternateIcon, nullptr);
}

void XStuff::iconBlinkTimer(XtPointer self, XtIntervalId*) {
  auto* x = static_cast<XStuff*>(self);
  x->iconBlinkId_ = 0;
  x->iconTitleBlink();
}

void XStuff::iconTitleBlink() {
  if (!shell_) return;
  iconNameBlank_ = !iconNameBlank_;
  XtVaSetValues(shell_, XtNiconName, iconNameBlank_ ? " " : iconName_.c_str(), nullptr);
  iconBlinkId_ = XtAppAddTimeOut(XtWidgetToApplicationContext(shell_), kIconBlinkMs, iconBlinkTimer, this);
}

void XStuff::stopIconAttention() {
  if (!shell_) return;
  if (private_ && private_->icon) XtVaSetValues(shell_, XtNiconPixmap, private_->icon, nullptr);
  if (iconBlinkId_) {
    XtRemoveTimeOut(iconBlinkId_);
    iconBlinkId_ = 0;
  }
  if (iconNameBlank_) {
    iconNameBlank_ = false;
    XtVaSetValues(shell_, XtNiconName, iconName_.c_str(), nullptr);
  }
}

void XStuff::showRowColumnIndicator(bool shown) {
  if (!private_ || !private_->optionArea || cursorHidden_) return;
  Widget w = private_->statusLine[kRowColumnIndex];
  if (!w) return;
  XtSetMappedWhenManaged(w, shown ? True : False);
}
