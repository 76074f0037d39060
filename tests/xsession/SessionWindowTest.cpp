// The session window under a private X server, in the master process: its
// class hint, title and icon name, the menu bar as the function resources
// gate it, the window manager's close, keys reaching the drawing widget,
// the communication message pump, the helper programs' session-end
// messages, and a screenshot with pixel probes.
#include <gtest/gtest.h>  // before Xlib, whose None and Bool macros clash with it

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <Xm/Xm.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "session/AppInit.h"
#include "session/AppResources.h"
#include "session/ErrorDialogs.h"
#include "session/ResourceKeywords.h"
#include "session/SessionControlBlock.h"
#include "session/SessionTable.h"
#include "session/StartOptions.h"
#include "session/XtEventSources.h"
#include "base/LogMsg.h"
#include "tests/support/Screenshot.h"
#include "tests/support/SessionToolkit.h"
#include "tests/support/TestClock.h"
#include "tests/support/TestHost5250.h"
#include "tests/support/XKeys.h"
#include "tests/support/XTestServer.h"
#include "tests/support/XWindows.h"
#include "xfront/EmulatorActions.h"
#include "xfront/HelperPrograms.h"
#include "xfront/XStuff.h"

namespace {

using namespace qwtest::session_toolkit;

class SessionWindowTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // One toolkit per process: another suite of this program may have made it.
    std::string error;
    test_ = qwtest::session_toolkit::StartSessionSuite(&error);
    ASSERT_NE(test_, nullptr) << error;
  }

  void SetUp() override {
    ASSERT_NE(ApplicationContext(), nullptr);
    saved_ = AppResources();
    AppResources().MAX_SESSIONS = 99;
  }
  void TearDown() override {
    EndSessions(1);
    Pump(20);
    AppResources() = saved_;
    SetKeystrokeActionProc(nullptr);
  }

  static Display* Toolkit() { return XtDisplay(TopLevelWidget()); }

  // A session to a port where nothing listens; its connection is never
  // tried unless the test pumps the toolkit for 100 ms.
  static SessionControlBlock* NewSession(SessionStartOptions o = {}) {
    if (o.hostName.empty()) o.hostName = "127.0.0.1";
    if (o.port == 0) o.port = 1;
    createSessionUnderThisProcess(o, nullptr, nullptr);
    return NewestSession();
  }
  static Window ShellWindow(SessionControlBlock* b) { return XtWindow(b->xstuff.shell()); }
  static bool SessionExists(SessionControlBlock* b) {
    for (int i = 0; i < kMaxSessionSlots; ++i)
      if (SessionEntry(i)->session == b) return true;
    return false;
  }
  static bool Viewable(Window w) {
    XWindowAttributes a;
    return XGetWindowAttributes(test_, w, &a) && a.map_state == IsViewable;
  }
  static void SendDeleteWindow(Window w) {
    qwtest::SendDeleteWindow(test_, w);
    XSync(test_, False);
  }
  static std::string Label(Widget w) {
    XmString s = nullptr;
    XtVaGetValues(w, XmNlabelString, &s, nullptr);
    char* text = s ? static_cast<char*>(XmStringUnparse(s, nullptr, XmCHARSET_TEXT, XmCHARSET_TEXT, nullptr, 0,
                                                        XmOUTPUT_ALL))
                   : nullptr;
    std::string out = text ? text : "";
    XtFree(text);
    XmStringFree(s);
    return out;
  }
  // The next ClientMessage that reaches the test connection (other events,
  // such as a keyboard mapping change, are skipped).
  static bool NextClientMessage(XEvent* ev) {
    for (;;) {
      if (!qwtest::WaitUntil([] { return XPending(test_) > 0; }, kWaitMs, test_)) return false;
      XNextEvent(test_, ev);
      if (ev->type == ClientMessage) return true;
    }
  }
  static qwtest::Rgb PixelRgb(Pixel p) {
    XColor c;
    c.pixel = p;
    XQueryColor(Toolkit(), DefaultColormap(Toolkit(), DefaultScreen(Toolkit())), &c);
    return {static_cast<uint8_t>(c.red >> 8), static_cast<uint8_t>(c.green >> 8), static_cast<uint8_t>(c.blue >> 8)};
  }

  static Display* test_;
  AppResourceStruct saved_{};
};

Display* SessionWindowTest::test_ = nullptr;

TEST_F(SessionWindowTest, ClassHintTitleAndIconNameByTitleMode) {
  struct Case {
    int mode;
    const char* title;
    const char* resourceTitle;
    const char* wmName;
    const char* iconName;
  } cases[] = {
      {1, "Payroll", nullptr, "Payroll : P1", "Payroll : P1"},
      {2, "Payroll", nullptr, "Payroll", "Payroll"},
      {3, "Payroll", nullptr, "P1", "P1"},
      {4, "Payroll", nullptr, "Payroll : 127.0.0.1", "Payroll : 127.0.0.1"},
      {5, "Payroll", nullptr, "Payroll : 127.0.0.1 : P1", "Payroll : 127.0.0.1 : P1"},
      {2, "", "From resource", "From resource", "From resource"},
      // No text at all: the host names the window (once), never the shell's
      // widget name.
      {1, "", nullptr, "127.0.0.1 : P1", "127.0.0.1 : P1"},
      {2, "", nullptr, "127.0.0.1", "127.0.0.1"},
      {4, "", nullptr, "127.0.0.1", "127.0.0.1"},
      {5, "", nullptr, "127.0.0.1 : P1", "127.0.0.1 : P1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.mode) + " " + c.title);
    static char resourceTitle[64];
    if (c.resourceTitle) std::snprintf(resourceTitle, sizeof resourceTitle, "%s", c.resourceTitle);
    AppResources().TITLE = c.resourceTitle ? resourceTitle : nullptr;
    SessionStartOptions o;
    o.title = c.title;
    o.TitleOption = c.mode;
    o.sessionId = "P1";
    SessionControlBlock* b = NewSession(o);
    ASSERT_NE(b, nullptr);
    XSync(Toolkit(), False);
    const Window w = ShellWindow(b);
    XClassHint hint = {};
    ASSERT_TRUE(XGetClassHint(test_, w, &hint));
    EXPECT_STREQ(hint.res_name, "QW5250");
    EXPECT_STREQ(hint.res_class, "QW5250");
    XFree(hint.res_name);
    XFree(hint.res_class);
    char* name = nullptr;
    ASSERT_TRUE(XFetchName(test_, w, &name));
    EXPECT_STREQ(name, c.wmName);
    XFree(name);
    char* icon = nullptr;
    ASSERT_TRUE(XGetIconName(test_, w, &icon));
    EXPECT_STREQ(icon, c.iconName);
    XFree(icon);
    EXPECT_STREQ(b->xstuff.getIconName(), c.iconName);
    EndSession(b, 1);
  }
}

// What a resource value does to a widget of the window: 'p' present and
// sensitive, 'g' present and greyed, '-' absent.
struct GateCase {
  const char* what;
  unsigned char AppResourceStruct::*field;
  unsigned char value;
  const char* widget;
  char expect;
};

const GateCase kGates[] = {
    {"defaults: command", nullptr, 0, "cmdCascade", 'p'},
    {"defaults: quit", nullptr, 0, "quitButton", 'p'},
    {"defaults: copy greyed until a selection", nullptr, 0, "*editMenu.copyButton", 'g'},
    {"defaults: paste", nullptr, 0, "*editMenu.pasteButton", 'p'},
    {"defaults: colour mapping (basic)", nullptr, 0, "colormapButton", 'p'},
    {"defaults: keyboard remapping greyed", nullptr, 0, "keymapButton", 'g'},
    {"defaults: help", nullptr, 0, "helpCascade", 'p'},
    {"defaults: fonts", nullptr, 0, "fontMenuCascade", 'p'},
    {"defaults: screen print", nullptr, 0, "localButton", 'p'},
    {"defaults: enter key", nullptr, 0, "enterkeyButton", 'p'},
    {"command disable_and_hide", &AppResourceStruct::command, QwDisableAndHide, "cmdCascade", '-'},
    {"command disable_and_allow_wm_close", &AppResourceStruct::command, QwDisableAndAllowWmClose, "quitButton", '-'},
    {"edit disable_and_hide", &AppResourceStruct::edit, QwDisableAndHide, "editCascade", '-'},
    {"edit disable drops copy/paste", &AppResourceStruct::edit, QwDisable, "editCascade", '-'},
    {"no copy/paste access", &AppResourceStruct::COPY_PASTE_ACCESS, QwDisable, "editCascade", '-'},
    {"option disable_and_hide", &AppResourceStruct::option, QwDisableAndHide, "optCascade", '-'},
    {"control disable_and_hide", &AppResourceStruct::control, QwDisableAndHide, "ctlCascade", '-'},
    {"localPrint keyboard only", &AppResourceStruct::localPrint, QwKeyboardOnlyLocalPrint, "prtCascade", '-'},
    {"help disable_and_hide", &AppResourceStruct::help, QwDisableAndHide, "helpCascade", '-'},
    {"fontMenu disable", &AppResourceStruct::fontMenu, QwDisable, "fontMenuCascade", '-'},
    {"keyPad false: keypad greyed", &AppResourceStruct::keyPad, QwFalse, "pfkeysButton", 'g'},
    {"keyPad false: customise shown", &AppResourceStruct::keyPad, QwFalse, "customizeButton", 'p'},
    {"keyPad disable_and_hide", &AppResourceStruct::keyPad, QwDisableAndHide, "pfkeysButton", '-'},
    {"playBack playback_only: no record", &AppResourceStruct::playBack, QwPlaybackOnly, "recordButton", '-'},
    {"playBack playback_only: playback", &AppResourceStruct::playBack, QwPlaybackOnly, "playbackButton", 'p'},
    {"drevask disable_and_hide", &AppResourceStruct::drevask, QwDisableAndHide, "miscButton", '-'},
    {"colorMap DISABLE", &AppResourceStruct::colorMap, QwDisable, "colormapButton", 'g'},
    {"colorMap disable_and_hide", &AppResourceStruct::colorMap, QwDisableAndHide, "colormapButton", '-'},
    {"keyRemap enable", &AppResourceStruct::keyRemap, QwEnable, "keymapButton", 'p'},
    {"keyRemap disable_and_hide", &AppResourceStruct::keyRemap, QwDisableAndHide, "keymapButton", '-'},
};

char WidgetState(Widget shell, const char* name) {
  const std::string path = name[0] == '*' ? name : std::string("*") + name;
  Widget w = XtNameToWidget(shell, path.c_str());
  if (!w) return '-';
  return XtIsSensitive(w) ? 'p' : 'g';
}

TEST_F(SessionWindowTest, MenuBarFollowsTheFunctionResources) {
  for (const GateCase& c : kGates) {
    SCOPED_TRACE(c.what);
    AppResources() = saved_;
    AppResources().MAX_SESSIONS = 99;
    if (c.field) AppResources().*c.field = c.value;
    SessionControlBlock* b = NewSession();
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(WidgetState(b->xstuff.shell(), c.widget), c.expect);
    EXPECT_NE(b->xstuff.menuBar(), nullptr);
    EndSession(b, 1);
  }
}

TEST_F(SessionWindowTest, ConsoleAndMenulessWindows) {
  // A console session offers no host functions, and later sessions keep theirs.
  SessionStartOptions console;
  console.hostName = "*CONSOLE";
  SessionControlBlock* b = NewSession(console);
  ASSERT_NE(b, nullptr);
  Widget shell = b->xstuff.shell();
  for (const char* gone : {"cmdCascade", "prtCascade", "helpCascade", "pfkeysButton", "customizeButton",
                           "recordButton", "playbackButton", "miscButton", "colormapButton", "keymapButton"})
    EXPECT_EQ(WidgetState(shell, gone), '-') << gone;
  for (const char* kept : {"editCascade", "optCascade", "ctlCascade", "fontMenuCascade"})
    EXPECT_EQ(WidgetState(shell, kept), 'p') << kept;
  SessionControlBlock* other = NewSession();
  ASSERT_NE(other, nullptr);
  EXPECT_EQ(WidgetState(other->xstuff.shell(), "cmdCascade"), 'p');
  EndSession(b, 1);
  EndSession(other, 1);

  // Everything hidden: no menu bar, the drawing widget at the top of the form.
  AppResourceStruct& res = AppResources();
  for (unsigned char* v : {&res.command, &res.edit, &res.option, &res.control, &res.localPrint, &res.help})
    *v = QwDisableAndHide;
  b = NewSession();
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->xstuff.menuBar(), nullptr);
  EXPECT_EQ(XtNameToWidget(b->xstuff.shell(), "*menuBar"), nullptr);
  unsigned char attachment = 0;
  XtVaGetValues(b->xstuff.x_get_text_widget(), XmNtopAttachment, &attachment, nullptr);
  EXPECT_EQ(attachment, XmATTACH_FORM);
  // Without a close function for the window manager.
  XSync(Toolkit(), False);
  Atom hints = XInternAtom(test_, "_MOTIF_WM_HINTS", False);
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  ASSERT_EQ(XGetWindowProperty(test_, ShellWindow(b), hints, 0, 5, False, AnyPropertyType, &type, &format, &count,
                               &after, &data),
            Success);
  ASSERT_NE(data, nullptr);
  ASSERT_GE(count, 2u);
  const long* words = reinterpret_cast<long*>(data);
  EXPECT_TRUE(words[0] & 1);            // functions given
  EXPECT_EQ(words[1] & 32, 0);          // no close
  EXPECT_NE(words[1] & 2, 0);           // resize stays
  XFree(data);
}

TEST_F(SessionWindowTest, WindowManagerCloseEndsTheSession) {
  qwtest::TestHost5250 host;
  ASSERT_TRUE(host.Start());
  SessionStartOptions o;
  o.port = host.Port();
  SessionControlBlock* b = NewSession(o);
  ASSERT_NE(b, nullptr);
  ASSERT_TRUE(host.WaitNegotiated(kWaitMs, HostPump()));
  const Window w = ShellWindow(b);
  ASSERT_TRUE(RunUntil([&] { return Viewable(w); }));
  const int sessions = getNumberOfSessions();
  SendDeleteWindow(w);
  ASSERT_TRUE(RunUntil([&] { return !SessionExists(b); }));
  EXPECT_EQ(getNumberOfSessions(), sessions - 1);
  EXPECT_TRUE(host.WaitClientClosed(kWaitMs, HostPump()));
  XSync(Toolkit(), False);
  XSync(test_, False);
  XWindowAttributes a;
  qwtest::XErrorTrap trap(test_);
  EXPECT_FALSE(XGetWindowAttributes(test_, w, &a) && a.map_state == IsViewable);
}

std::vector<int> g_codes;
void RecordKeystroke(Widget, XEvent*, int code) { g_codes.push_back(code); }

TEST_F(SessionWindowTest, KeysReachTheDrawingWidgetAndWaitDuringTheMessagePump) {
  SessionControlBlock* b = NewSession();
  ASSERT_NE(b, nullptr);
  Widget drawing = b->xstuff.x_get_text_widget();
  ASSERT_NE(drawing, b->xstuff.shell());
  XtTranslations translations = nullptr;
  XtVaGetValues(drawing, XtNtranslations, &translations, nullptr);
  EXPECT_NE(translations, nullptr);
  ASSERT_TRUE(RunUntil([&] { return Viewable(XtWindow(drawing)); }));
  ASSERT_TRUE(qwtest::HasXTest(test_));
  g_codes.clear();
  SetKeystrokeActionProc(RecordKeystroke);
  XSetInputFocus(test_, XtWindow(drawing), RevertToParent, CurrentTime);
  XSync(test_, False);
  ASSERT_TRUE(qwtest::PressKey(test_, XK_Return));
  XSync(test_, False);
  ASSERT_TRUE(RunUntil([&] { return !g_codes.empty(); }));

  // A key typed while the engine pumps waits for the main loop.
  g_codes.clear();
  ASSERT_TRUE(qwtest::PressKey(test_, XK_Return));
  XSync(test_, False);
  EXPECT_EQ(b->xstuff.x_comm_msg(656), 0);
  EXPECT_TRUE(g_codes.empty());
  EXPECT_EQ(b->xstuff.commStatus(), 656u);
  ASSERT_TRUE(RunUntil([&] { return !g_codes.empty(); }));

  // So does the window manager's close: the session ends afterwards.
  SendDeleteWindow(ShellWindow(b));
  EXPECT_EQ(b->xstuff.x_comm_msg(657), 0);
  EXPECT_TRUE(SessionExists(b));
  ASSERT_TRUE(RunUntil([&] { return !SessionExists(b); }));
}

TEST_F(SessionWindowTest, MessagePumpReportsASessionEndedByItsDialog) {
  SessionControlBlock* b = NewSession();
  ASSERT_NE(b, nullptr);
  const int slot = TheErrorDialogs().createErrorDialog("ErrorMsgUnableToConnect", nullptr, nullptr,
                                                       b->xstuff.x_get_text_widget(), DialogEndsSession);
  ASSERT_GE(slot, 0);
  Widget dialog = TheErrorDialogs().dialogOf(slot);
  ASSERT_NE(dialog, nullptr);
  const Window dialogShell = XtWindow(XtParent(dialog));
  ASSERT_TRUE(RunUntil([&] { return Viewable(dialogShell); }));
  SendDeleteWindow(dialogShell);
  // The session block is gone when the call returns; only the result may be used.
  XStuff& window = b->xstuff;
  EXPECT_EQ(window.x_comm_msg(658), -1);
  EXPECT_FALSE(SessionExists(b));
}

TEST_F(SessionWindowTest, EndingTellsTheHelperProgramsAndHandsOverThePreferencesProgram) {
  const Window helper = XCreateSimpleWindow(test_, DefaultRootWindow(test_), 0, 0, 10, 10, 0, 0, 0);
  XSync(test_, False);
  const QwAtoms& atoms = ApplicationAtoms();
  SessionControlBlock* first = NewSession();
  SessionControlBlock* second = NewSession();
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  for (HelperKind k : {HelperKind::KeypadCustomizer, HelperKind::ColorMapper, HelperKind::PlaybackEditor}) {
    first->xstuff.helper(k).owner = true;
    first->xstuff.helper(k).window = helper;
  }
  first->xstuff.helper(HelperKind::KeypadCustomizer).startedHere = true;
  SetAppState(atoms.keypad3270State, Toolkit(), '2');
  first->xstuff.setOwnsPreferencesProgram(true);
  SetPreferencesProgramStarted(true);
  SetPreferencesProgramWindow(helper);
  const Window secondShell = ShellWindow(second);

  EndSession(first, 1);
  XSync(test_, False);
  struct Expect {
    Atom type;
    long word0, word1;
  } expected[] = {
      {atoms.keypadInterface, 21L << 24, 0},
      {atoms.playbackEditorInterface, 22L << 24, 0},
      {atoms.tintwellInterface, 5, 0},
      {atoms.drevaskInterface, 24L << 24, static_cast<long>(secondShell)},
  };
  for (const Expect& e : expected) {
    XEvent ev;
    ASSERT_TRUE(NextClientMessage(&ev));
    EXPECT_EQ(ev.xclient.message_type, e.type);
    EXPECT_EQ(ev.xclient.format, 32);
    EXPECT_EQ(ev.xclient.data.l[0], e.word0);
    EXPECT_EQ(ev.xclient.data.l[1], e.word1);
  }
  EXPECT_EQ(GetAppState(atoms.keypad3270State, test_), '0');
  EXPECT_TRUE(second->xstuff.ownsPreferencesProgram());
  EXPECT_TRUE(PreferencesProgramStarted());

  // The last owner tells the program that the sessions are gone.
  EndSession(second, 1);
  XEvent ev;
  ASSERT_TRUE(NextClientMessage(&ev));
  EXPECT_EQ(ev.xclient.message_type, atoms.drevaskInterface);
  EXPECT_EQ(ev.xclient.data.l[0], 25L << 24);
  EXPECT_FALSE(PreferencesProgramStarted());
  SetPreferencesProgramWindow(0);
  XDestroyWindow(test_, helper);
  XSync(test_, False);
}

TEST_F(SessionWindowTest, ScreenshotShowsMenuBarDrawingAreaAndStatusForm) {
  qwtest::TestHost5250 host;
  ASSERT_TRUE(host.Start());
  SessionStartOptions o;
  o.port = host.Port();
  o.title = "QW5250 session";
  SessionControlBlock* b = NewSession(o);
  ASSERT_NE(b, nullptr);
  ASSERT_TRUE(host.WaitNegotiated(kWaitMs, HostPump()));
  XStuff& x = b->xstuff;
  const Window w = ShellWindow(b);
  ASSERT_TRUE(RunUntil([&] { return Viewable(w) && x.mapped(); }));
  Pump(50);
  XSync(Toolkit(), False);

  // The labels of the menu bar, left to right, with Help at the right end.
  std::vector<std::string> labels;
  WidgetList children = nullptr;
  Cardinal count = 0;
  XtVaGetValues(x.menuBar(), XmNchildren, &children, XmNnumChildren, &count, nullptr);
  for (Cardinal i = 0; i < count; ++i)
    if (XtIsManaged(children[i])) labels.push_back(Label(children[i]));
  EXPECT_EQ(labels, (std::vector<std::string>{"Command", "Edit", "Option", "Control", "Print", "Help"}));
  EXPECT_EQ(Label(XtNameToWidget(x.shell(), "*quitButton")), "Exit 5250");
  EXPECT_EQ(Label(XtNameToWidget(x.shell(), "*optionMenu.colormapButton")), "Color Mapping...");
  // The font menu: one toggle per offered font, the session's font set.
  Widget font0 = XtNameToWidget(x.shell(), "*fontMenu.font0Button");
  ASSERT_NE(font0, nullptr);
  EXPECT_EQ(Label(font0).find('x') != std::string::npos, true);
  EXPECT_GT(x.cellWidth(), 0);
  EXPECT_GT(x.cellHeight(), 0);

  qwtest::Screenshot shot = qwtest::CaptureWindow(test_, w);
  ASSERT_FALSE(shot.empty());
  const char* dir = std::getenv("QW_SCREENSHOT_DIR");
  EXPECT_TRUE(qwtest::WritePng(shot, std::string(dir ? dir : ".") + "/session-window.png"));

  auto probe = [&](Widget widget, int dx, int dy) {
    Position px = 0, py = 0;
    XtTranslateCoords(widget, 0, 0, &px, &py);
    Position sx = 0, sy = 0;
    XtTranslateCoords(x.shell(), 0, 0, &sx, &sy);
    return shot.at(px - sx + dx, py - sy + dy);
  };
  Pixel drawingBackground = 0, menuBackground = 0, statusBackground = 0;
  XtVaGetValues(x.x_get_text_widget(), XmNbackground, &drawingBackground, nullptr);
  XtVaGetValues(x.menuBar(), XmNbackground, &menuBackground, nullptr);
  XtVaGetValues(x.statusForm(), XmNbackground, &statusBackground, nullptr);
  Dimension dw = 0, dh = 0, sh = 0;
  XtVaGetValues(x.x_get_text_widget(), XmNwidth, &dw, XmNheight, &dh, nullptr);
  XtVaGetValues(x.statusForm(), XmNheight, &sh, nullptr);
  EXPECT_GE(dw, 80 * x.cellWidth());
  EXPECT_GE(dh, 24 * x.cellHeight());
  EXPECT_EQ(probe(x.x_get_text_widget(), dw / 2, dh / 2), PixelRgb(drawingBackground));
  EXPECT_EQ(probe(x.statusForm(), 3, sh / 2), PixelRgb(statusBackground));
  EXPECT_EQ(probe(x.menuBar(), dw / 2, 3), PixelRgb(menuBackground));
  // The status form sits below the drawing area, the menu bar above it.
  Position menuY = 0, drawY = 0, statusY = 0, ignore = 0;
  XtTranslateCoords(x.menuBar(), 0, 0, &ignore, &menuY);
  XtTranslateCoords(x.x_get_text_widget(), 0, 0, &ignore, &drawY);
  XtTranslateCoords(x.statusForm(), 0, 0, &ignore, &statusY);
  EXPECT_LT(menuY, drawY);
  EXPECT_LT(drawY + static_cast<int>(dh), statusY + 1);
}

}  // namespace
