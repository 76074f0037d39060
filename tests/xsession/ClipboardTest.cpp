// Copy and paste of real session windows on the loopback host: a marked
// area copied through the Edit menu and read back by xclip as UTF-8 and as
// STRING, text set by xclip pasted into the fields (what the host reads
// after Enter is the oracle), a copy from one session pasted into another,
// cut buffer 0 when nothing else holds text, selection owners that answer
// in the emulator's own format checked, and a copy restricted to the
// session. (The file's name puts this suite after those that make the
// program's toolkit.)
#include <gtest/gtest.h>  // before Xlib, whose None and Bool macros clash with it

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <Xm/Xm.h>
#include <iconv.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/LogMsg.h"
#include "display/DisplayBag.h"
#include "display/PresentationSpaceScreenBuffer.h"
#include "keyboard/KeyboardState.h"
#include "session/AppResources.h"
#include "session/ErrorDialogs.h"
#include "session/SessionControlBlock.h"
#include "session/SessionTable.h"
#include "session/StartOptions.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/ForeignSelectionOwner.h"
#include "tests/support/LogCapture.h"
#include "tests/support/SessionToolkit.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestLocales.h"
#include "tests/support/XKeys.h"
#include "xfront/ClipboardText.h"
#include "xfront/SessionClipboard.h"
#include "xfront/XStuff.h"

namespace {

using namespace qwtest::session_toolkit;
using Bytes = std::vector<uint8_t>;

Bytes B(std::initializer_list<int> list) {
  Bytes v;
  for (int b : list) v.push_back(static_cast<uint8_t>(b));
  return v;
}
Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes v;
  for (const auto& p : parts) v.insert(v.end(), p.begin(), p.end());
  return v;
}
// UTF-8 text in the host code page of the euro sessions.
Bytes Host(const std::string& utf8) {
  iconv_t cd = iconv_open("IBM1140", "UTF-8");
  EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1));
  Bytes out(utf8.size() * 2 + 4);
  char* in = const_cast<char*>(utf8.data());
  size_t inLeft = utf8.size();
  char* o = reinterpret_cast<char*>(out.data());
  size_t outLeft = out.size();
  EXPECT_NE(iconv(cd, &in, &inLeft, &o, &outLeft), static_cast<size_t>(-1)) << utf8;
  iconv_close(cd);
  out.resize(out.size() - outLeft);
  return out;
}
Bytes Record(const Bytes& data) {
  const size_t n = data.size() + 10;
  Bytes r = {static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n), 0x12, 0xA0, 0, 0, 0x04, 0x00, 0x40, 0x03};
  r.insert(r.end(), data.begin(), data.end());
  return r;
}
Bytes Sba(int row, int column) { return B({0x11, row, column}); }
// An input field of `length` positions (the attribute before its first).
Bytes InputField(int length) { return B({0x1D, 0x40, 0x00, 0x20, length >> 8, length & 0xFF}); }
// Clear Unit and a Write to Display that unlocks, the orders given, the
// cursor at (row, column), then a read of the modified fields.
Bytes Screen(const Bytes& orders, int row, int column) {
  return Record(Cat({B({0x04, 0x40}), B({0x04, 0x11, 0x00, 0x08}), orders, B({0x13, row, column}),
                     B({0x04, 0x52, 0x00, 0x00})}));
}

// The fields of the host's read after Enter: (row, column) -> host bytes.
std::map<std::pair<int, int>, Bytes> FieldsOf(const Bytes& record) {
  std::map<std::pair<int, int>, Bytes> fields;
  if (record.size() < 13) return fields;
  size_t i = 13;  // header, cursor row and column, AID
  while (i + 2 < record.size() && record[i] == 0x11) {
    const std::pair<int, int> at{record[i + 1], record[i + 2]};
    i += 3;
    Bytes data;
    while (i < record.size() && record[i] != 0x11) data.push_back(record[i++]);
    fields[at] = data;
  }
  return fields;
}

class ClipboardTest : public ::testing::TestWithParam<qwtest::TestLocale> {
 protected:
  static void TearDownTestSuite() {
    if (test_) XCloseDisplay(test_);
    test_ = nullptr;
  }

  void SetUp() override {
    const std::string lang = qwtest::LocaleName(GetParam());
    if (!ApplicationContext()) {
      std::string error;
      ASSERT_TRUE(StartToolkit(0, &error, lang)) << error;
      SetDebugFlag(true);
    }
    if (g_lang != lang) GTEST_SKIP() << "this process runs the toolkit in locale " << g_lang;
    if (!test_) {
      ASSERT_GE(TheErrorDialogs().createWarningDialog(TopLevelWidget(), "ErrorMsgUnknownHost", nullptr, nullptr), 0);
      test_ = XOpenDisplay(DisplayString(XtDisplay(TopLevelWidget())));
      ASSERT_NE(test_, nullptr);
    }
    started_ = true;
    saved_ = AppResources();
    AppResources().MAX_SESSIONS = 99;
  }
  void TearDown() override {
    if (!started_) return;
    EndSessions(1);
    Pump(20);
    AppResources() = saved_;
  }

  // A euro session on its own loopback host, showing `screen`.
  SessionControlBlock* Open(qwtest::TestHost5250& host, const Bytes& screen, int copyPaste = 0) {
    EXPECT_TRUE(host.Start());
    SessionStartOptions o;
    o.hostName = "127.0.0.1";
    o.port = host.Port();
    o.EuroOption = 1;
    o.CopyPasteOption = copyPaste;
    createSessionUnderThisProcess(o, nullptr, nullptr);
    SessionControlBlock* s = NewestSession();
    EXPECT_NE(s, nullptr);
    if (!s) return nullptr;
    EXPECT_TRUE(host.WaitNegotiated(kWaitMs, HostPump()));
    Widget drawing = s->xstuff.x_get_text_widget();
    EXPECT_TRUE(RunUntil([&] {
      XWindowAttributes a;
      return XGetWindowAttributes(test_, XtWindow(drawing), &a) && a.map_state == IsViewable;
    }));
    host.SendRecord(screen);
    EXPECT_TRUE(host.Barrier(kWaitMs, HostPump()));
    Pump(20);
    return s;
  }

  // The screen that copies are taken from: text with accented letters and
  // the euro sign, and a password shown nowhere (under a non-display
  // attribute).
  static Bytes TextScreen(int cursorRow = 6, int cursorColumn = 11) {
    return Screen(Cat({Sba(2, 2), Host("Café 5€ über"), Sba(3, 2), Host("Zeile zwei"), Sba(4, 1), B({0x27}),
                       Host("SECRET"), B({0x20}), Host("sichtbar"), Sba(6, 10), InputField(5)}),
                  cursorRow, cursorColumn);
  }
  // A screen of input fields: row 10 columns 11-20 and 31-35, row 11
  // columns 11-20, protected text between them.
  static Bytes FieldScreen() {
    return Screen(Cat({Sba(10, 2), Host("Name"), Sba(10, 10), InputField(10), Sba(10, 22), Host("Ort"),
                       Sba(10, 30), InputField(5), Sba(11, 10), InputField(10)}),
                  10, 11);
  }

  // Marks rows and columns as a block (or a linear range) from the
  // keyboard state's own operations, then copies through the Edit menu.
  void MarkAndCopy(SessionControlBlock* s, bool block, int fromRow, int fromColumn, int toRow, int toColumn) {
    KeyboardState& k = s->display->keyboardState();
    if (k.state() == KeyboardState::kPostCopy) k.exitPostCopyState();
    const unsigned int cols = static_cast<unsigned int>(s->xstuff.columns());
    const auto type = block ? KeyboardState::kBlockCopy : KeyboardState::kLinearCopy;
    ASSERT_TRUE(k.enterCopyState(type, (fromRow - 1) * cols + fromColumn - 1, 1));
    k.updateCopyState((toRow - 1) * cols + toColumn - 1);
    ASSERT_TRUE(k.enterPostCopyState(-1, type));
    ASSERT_EQ(k.state(), KeyboardState::kPostCopy);
    Menu(s, "*copyButton");
  }
  void Menu(SessionControlBlock* s, const char* name) {
    Widget item = XtNameToWidget(s->xstuff.shell(), name);
    ASSERT_NE(item, nullptr) << name;
    XmPushButtonCallbackStruct cbs = {};
    cbs.reason = XmCR_ACTIVATE;
    XtCallCallbacks(item, XmNactivateCallback, &cbs);
  }

  // Runs a program against the server while the sessions answer it.
  std::string Run(const std::vector<std::string>& argv, int* exitCode = nullptr) {
    qwtest::ChildProcess child;
    EXPECT_TRUE(child.Start(argv, qwtest::ChildProcess::BaseEnvironment({"DISPLAY=" + g_server->DisplayName()})))
        << child.Error();
    EXPECT_TRUE(RunUntil([&] {
      child.Pump();
      return !child.Running();
    }));
    child.Pump();
    if (exitCode) *exitCode = child.ExitCode();
    return child.Stdout();
  }
  std::string ReadPrimary(const char* target) {
    int code = -1;
    const std::string out = Run({"xclip", "-o", "-selection", "primary", "-t", target}, &code);
    EXPECT_EQ(code, 0) << target;
    return out;
  }

  // Presses Enter through the Control menu and returns the host's read.
  std::map<std::pair<int, int>, Bytes> EnterFields(SessionControlBlock* s, qwtest::TestHost5250& host) {
    Menu(s, "*enterkeyButton");
    std::vector<uint8_t> record;
    EXPECT_TRUE(host.WaitForRecord(kWaitMs, HostPump(), &record));
    return FieldsOf(record);
  }

  // Removes the items of the Motif clipboard (root window properties).
  void EmptyMotifClipboard() {
    int n = 0;
    Atom* props = XListProperties(test_, DefaultRootWindow(test_), &n);
    for (int i = 0; i < n && props; ++i) {
      char* name = XGetAtomName(test_, props[i]);
      if (name && std::string(name).rfind("_MOTIF_CLIP", 0) == 0) XDeleteProperty(test_, DefaultRootWindow(test_), props[i]);
      if (name) XFree(name);
    }
    if (props) XFree(props);
    XSync(test_, False);
  }

  // Drags button 1 over the session window through XTEST: pressed on the
  // cell at (fromRow, fromColumn), moved to (toRow, toColumn), released.
  void Drag(SessionControlBlock* s, int fromRow, int fromColumn, int toRow, int toColumn) {
    ASSERT_TRUE(qwtest::HasXTest(test_));
    XStuff& x = s->xstuff;
    const Window drawing = XtWindow(x.x_get_text_widget());
    auto root = [&](int row, int column, int* rx, int* ry) {
      Window child = 0;
      XTranslateCoordinates(test_, drawing, DefaultRootWindow(test_),
                            x.originX() + (column - 1) * x.cellWidth() + x.cellWidth() / 2,
                            x.originY() + (row - 1) * x.cellHeight() + x.cellHeight() / 2, rx, ry, &child);
    };
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    root(fromRow, fromColumn, &x0, &y0);
    root(toRow, toColumn, &x1, &y1);
    XTestFakeMotionEvent(test_, -1, x0, y0, CurrentTime);
    // The press held back so that it never makes a double press with an
    // earlier one; the move held back past the time in which motion after a
    // press counts as part of the click.
    XTestFakeButtonEvent(test_, 1, True, 400);
    XTestFakeMotionEvent(test_, -1, x1, y1, 400);
    XTestFakeButtonEvent(test_, 1, False, CurrentTime);
    XSync(test_, False);
  }
  std::string ReadClipboard(const char* target) {
    int code = -1;
    const std::string out = Run({"xclip", "-o", "-selection", "clipboard", "-t", target}, &code);
    EXPECT_EQ(code, 0) << target;
    return out;
  }

  // Waits until PRIMARY belongs to a window of another client.
  bool WaitForeignPrimary(Window before) {
    return RunUntil([&] {
      const Window w = XGetSelectionOwner(test_, XA_PRIMARY);
      return w != None && w != before;
    });
  }

  static Display* test_;
  AppResourceStruct saved_{};
  bool started_ = false;
};

Display* ClipboardTest::test_ = nullptr;

TEST_P(ClipboardTest, CopyGoesToPrimaryAsUtf8AndString) {
  qwtest::TestHost5250 host;
  SessionControlBlock* s = Open(host, TextScreen());
  ASSERT_NE(s, nullptr);
  // A block over rows 2 to 4, columns 2 to 13: the hidden password only as blanks.
  MarkAndCopy(s, true, 2, 2, 4, 13);
  EXPECT_EQ(XGetSelectionOwner(test_, XA_PRIMARY), XtWindow(s->xstuff.x_get_text_widget()));
  const std::string targets = ReadPrimary("TARGETS");
  for (const char* t : {"QAV_X5250_STRING", "UTF8_STRING", "UTF-8", "COMPOUND_TEXT", "TEXT", "STRING"})
    EXPECT_NE(targets.find(t), std::string::npos) << t << " in " << targets;
  EXPECT_EQ(ReadPrimary("UTF8_STRING"), "Café 5€ über\nZeile zwei  \n       sicht");
  EXPECT_EQ(ReadPrimary("UTF-8"), "Café 5€ über\nZeile zwei  \n       sicht");
  EXPECT_EQ(ReadPrimary("STRING"), "Caf\xE9 5? \xFC" "ber\nZeile zwei  \n       sicht");
  // Cut buffer 0 holds the STRING text.
  int n = 0;
  char* cut = XFetchBytes(test_, &n);
  ASSERT_NE(cut, nullptr);
  EXPECT_EQ(std::string(cut, static_cast<size_t>(n)), "Caf\xE9 5? \xFC" "ber\nZeile zwei  \n       sicht");
  XFree(cut);
  // The emulator's own copy carries the host bytes, the hidden ones blanked.
  const std::vector<unsigned char>& own = s->xstuff.clipboard().privateCopy;
  const Bytes secret = Host("SECRET");
  EXPECT_EQ(std::search(own.begin(), own.end(), secret.begin(), secret.end()), own.end());
  const Bytes shown = Host("über");
  EXPECT_NE(std::search(own.begin(), own.end(), shown.begin(), shown.end()), own.end());

  // A linear copy of rows 2 to 3: row 2 without its trailing blanks.
  MarkAndCopy(s, false, 2, 7, 3, 6);
  EXPECT_EQ(ReadPrimary("UTF8_STRING"), "5€ über\n Zeile");

  // Another client takes PRIMARY: the marking goes, the STRING text too.
  qwtest::ForeignSelectionOwner owner;
  ASSERT_TRUE(owner.start(g_server->DisplayName(), {{"STRING", {"STRING", "other"}}}));
  ASSERT_TRUE(RunUntil([&] { return s->display->keyboardState().state() != KeyboardState::kPostCopy; }));
  EXPECT_TRUE(s->xstuff.copiedString().empty());
  EXPECT_FALSE(s->xstuff.clipboard().ownsPrimary);
}

TEST_P(ClipboardTest, DragOnTheWindowMarksAndEditCopyReachesXclip) {
  // A user's default configuration: copy and paste allowed, a left drag
  // marks without copying; linear copies (the default) and block copies.
  // Text without the euro sign is on the clipboard as STRING too.
  const struct {
    unsigned char copyType;
    int toRow, toColumn;
    const char* utf8;
    const char* latin1;
    bool latin1OnClipboard;
  } cases[] = {
      {0, 4, 13, "Café 5€ über\n Zeile zwei\n        sicht", "Caf\xE9 5? \xFC" "ber\n Zeile zwei\n        sicht", false},
      {1, 4, 13, "Café 5€ über\nZeile zwei  \n       sicht", "Caf\xE9 5? \xFC" "ber\nZeile zwei  \n       sicht", false},
      {1, 3, 5, "Café\nZeil", "Caf\xE9\nZeil", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.copyType ? "block" : "linear") + " to column " + std::to_string(c.toColumn));
    AppResources().DEFAULT_COPY_TYPE = c.copyType;
    qwtest::TestHost5250 host;
    SessionControlBlock* s = Open(host, TextScreen());
    ASSERT_NE(s, nullptr);
    ASSERT_EQ(s->display->options().copyType, c.copyType);
    KeyboardState& k = s->display->keyboardState();
    // From the text over the hidden password into the visible word.
    ASSERT_NO_FATAL_FAILURE(Drag(s, 2, 2, c.toRow, c.toColumn));
    ASSERT_TRUE(RunUntil([&] { return k.state() == KeyboardState::kPostCopy; })) << "the drag marked nothing";
    const KeyboardState::CopyAreaInfo area = k.getCopyAreaInfo();
    EXPECT_EQ(area.block, c.copyType);
    EXPECT_EQ(area.fromRow, 2u);
    EXPECT_EQ(area.toRow, static_cast<unsigned int>(c.toRow));
    EXPECT_EQ(area.toColumn, static_cast<unsigned int>(c.toColumn));
    // Nothing is copied before Copy is chosen.
    EXPECT_NE(XGetSelectionOwner(test_, XA_PRIMARY), XtWindow(s->xstuff.x_get_text_widget()));
    Menu(s, "*copyButton");
    EXPECT_EQ(XGetSelectionOwner(test_, XA_PRIMARY), XtWindow(s->xstuff.x_get_text_widget()));
    EXPECT_EQ(ReadPrimary("UTF8_STRING"), c.utf8);
    EXPECT_EQ(ReadPrimary("STRING"), c.latin1);
    EXPECT_EQ(ReadClipboard("UTF8_STRING"), c.utf8);
    if (c.latin1OnClipboard) EXPECT_EQ(ReadClipboard("STRING"), c.latin1);
    for (const std::string& text : {ReadPrimary("UTF8_STRING"), ReadClipboard("UTF8_STRING")})
      EXPECT_EQ(text.find("SECRET"), std::string::npos);
    EndSessions(1);
    Pump(20);
  }
}

TEST_P(ClipboardTest, KeysMarkAnAreaAndControlCCopiesIt) {
  qwtest::TestHost5250 host;
  SessionControlBlock* s = Open(host, TextScreen(2, 2));
  ASSERT_NE(s, nullptr);
  ASSERT_TRUE(qwtest::HasXTest(test_));
  XSetInputFocus(test_, XtWindow(s->xstuff.x_get_text_widget()), RevertToParent, CurrentTime);
  // From the cursor (the first key anchors the marking there) two
  // positions right and one row down, then Ctrl+C.
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(qwtest::PressKey(test_, XK_Right, {XK_Control_L}));
  ASSERT_TRUE(qwtest::PressKey(test_, XK_Down, {XK_Control_L}));
  ASSERT_TRUE(qwtest::PressKey(test_, XK_c, {XK_Control_L}));
  XSync(test_, False);
  const Window drawing = XtWindow(s->xstuff.x_get_text_widget());
  ASSERT_TRUE(RunUntil([&] {
    return XGetSelectionOwner(test_, XA_PRIMARY) == drawing &&
           s->display->keyboardState().getCopyAreaInfo().toRow == 3;
  }));
  Pump(20);
  const bool block = s->display->options().copyType == KeyboardState::kBlockCopy;
  EXPECT_EQ(ReadPrimary("UTF8_STRING"), block ? "Caf\nZei" : "Café 5€ über\n Zei");
}

TEST_P(ClipboardTest, TextFromXclipIsPastedIntoTheFields) {
  qwtest::TestHost5250 host;
  SessionControlBlock* s = Open(host, FieldScreen());
  ASSERT_NE(s, nullptr);
  qwtest::TempDir dir;
  const std::string file = dir.Path() + "/text";
  std::ofstream(file) << "Müller 5€";
  const Window before = XGetSelectionOwner(test_, XA_PRIMARY);
  qwtest::ChildProcess xclip;
  ASSERT_TRUE(xclip.Start({"xclip", "-i", "-quiet", "-selection", "primary", file},
                          qwtest::ChildProcess::BaseEnvironment({"DISPLAY=" + g_server->DisplayName()})));
  ASSERT_TRUE(WaitForeignPrimary(before));
  Menu(s, "*pasteButton");
  const auto fields = EnterFields(s, host);
  ASSERT_EQ(fields.count({10, 11}), 1u);
  EXPECT_EQ(fields.at({10, 11}), Host("Müller 5€"));
  EXPECT_EQ(fields.count({10, 31}), 0u) << "the paste stayed in the first field";
  xclip.Stop(2000);
}

TEST_P(ClipboardTest, LongTextFillsFieldAfterFieldAndSkipsProtectedText) {
  qwtest::TestHost5250 host;
  SessionControlBlock* s = Open(host, FieldScreen());
  ASSERT_NE(s, nullptr);
  qwtest::ForeignSelectionOwner owner;
  // 10 + 5 + 10 positions; what is left over is not pasted.
  ASSERT_TRUE(owner.start(g_server->DisplayName(), {{"UTF8_STRING", {"UTF8_STRING", "ABCDEFGHIJklmnoPQRSTUVWXYZ0123"}}}));
  Menu(s, "*pasteButton");
  const auto fields = EnterFields(s, host);
  EXPECT_EQ(fields.at({10, 11}), Host("ABCDEFGHIJ"));
  EXPECT_EQ(fields.at({10, 31}), Host("klmno"));
  EXPECT_EQ(fields.at({11, 11}), Host("PQRSTUVWXY"));
  EXPECT_EQ(owner.asked(), (std::vector<std::string>{"TARGETS", "UTF8_STRING"}));
}

TEST_P(ClipboardTest, BlockCopiedInOneSessionIsPastedIntoAnother) {
  qwtest::TestHost5250 hostA, hostB;
  SessionControlBlock* a = Open(hostA, TextScreen());
  ASSERT_NE(a, nullptr);
  SessionControlBlock* b = Open(hostB, FieldScreen());
  ASSERT_NE(b, nullptr);
  // Rows 2 and 3 from column 2, seven wide: each row goes to the field
  // below the one before.
  MarkAndCopy(a, true, 2, 2, 3, 8);
  Menu(b, "*pasteButton");
  const auto fields = EnterFields(b, hostB);
  ASSERT_EQ(fields.size(), 2u);
  EXPECT_EQ(fields.at({10, 11}), Host("Café 5€"));
  EXPECT_EQ(fields.at({11, 11}), Host("Zeile z"));
  // The copying session still holds PRIMARY and its marking.
  EXPECT_EQ(a->display->keyboardState().state(), KeyboardState::kPostCopy);
}

TEST_P(ClipboardTest, KeysAndACloseDuringAPasteWaitForItsEnd) {
  qwtest::TestHost5250 host;
  SessionControlBlock* s = Open(host, FieldScreen());
  ASSERT_NE(s, nullptr);
  const Window drawing = XtWindow(s->xstuff.x_get_text_widget());
  const Window shell = XtWindow(s->xstuff.shell());
  XSetInputFocus(test_, drawing, RevertToParent, CurrentTime);
  XSync(test_, False);
  qwtest::ForeignSelectionOwner owner;
  // While the session waits for the text, a key is typed and the window
  // manager asks the window to close.
  owner.beforeAnswer([shell](Display* d) {
    const KeyCode z = XKeysymToKeycode(d, XK_z);
    XTestFakeKeyEvent(d, z, True, CurrentTime);
    XTestFakeKeyEvent(d, z, False, CurrentTime);
    XClientMessageEvent m = {};
    m.type = ClientMessage;
    m.window = shell;
    m.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
    m.format = 32;
    m.data.l[0] = static_cast<long>(XInternAtom(d, "WM_DELETE_WINDOW", False));
    m.data.l[1] = CurrentTime;
    XSendEvent(d, shell, False, NoEventMask, reinterpret_cast<XEvent*>(&m));
    XSync(d, False);
  });
  ASSERT_TRUE(owner.start(g_server->DisplayName(), {{"UTF8_STRING", {"UTF8_STRING", "abc"}}}));
  Menu(s, "*pasteButton");
  // The paste is whole, nothing typed into it, the session still there.
  ASSERT_EQ(FindSessionOfWidget(s->xstuff.shell()), s);
  PresentationSpaceScreenBuffer& ps = s->display->presentationSpace();
  const unsigned int field = 9 * 80 + 10;
  EXPECT_EQ(Bytes({ps.getCharacter(field), ps.getCharacter(field + 1), ps.getCharacter(field + 2),
                   ps.getCharacter(field + 3)}),
            Cat({Host("abc"), B({0x00})}));
  // Then the key is typed after the pasted text, and the window closes.
  ASSERT_TRUE(RunUntil([&] { return ps.getCharacter(field + 3) != 0x00 || FindSessionOfWidget(s->xstuff.shell()) != s; }));
  EXPECT_EQ(ps.getCharacter(field + 3), Host("z")[0]);
  EXPECT_TRUE(RunUntil([&] { return getNumberOfSessions() == 0; }));
}

TEST_P(ClipboardTest, CutBufferWhenNoOwnerHasText) {
  qwtest::TestHost5250 host;
  SessionControlBlock* s = Open(host, FieldScreen());
  ASSERT_NE(s, nullptr);
  XSetSelectionOwner(test_, XA_PRIMARY, None, CurrentTime);
  EmptyMotifClipboard();
  const std::string text = "cut \xE9t\xE9";  // ISO 8859-1, as cut buffers hold it
  XStoreBytes(test_, text.data(), static_cast<int>(text.size()));
  XSync(test_, False);
  Menu(s, "*pasteButton");
  const auto fields = EnterFields(s, host);
  EXPECT_EQ(fields.at({10, 11}), Host("cut été"));
}

TEST_P(ClipboardTest, OwnersOfferingSeveralTextsAreAskedForUtf8) {
  qwtest::TestHost5250 host;
  SessionControlBlock* s = Open(host, FieldScreen());
  ASSERT_NE(s, nullptr);
  qwtest::ForeignSelectionOwner owner;
  ASSERT_TRUE(owner.start(g_server->DisplayName(), {{"STRING", {"STRING", "latin"}},
                                                    {"COMPOUND_TEXT", {"COMPOUND_TEXT", "compound"}},
                                                    {"UTF-8", {"UTF-8", "\xC3\xBC" "tf"}}}));
  Menu(s, "*pasteButton");
  const auto fields = EnterFields(s, host);
  EXPECT_EQ(fields.at({10, 11}), Host("ütf"));
  EXPECT_EQ(owner.asked(), (std::vector<std::string>{"TARGETS", "UTF-8"}));
}

TEST_P(ClipboardTest, RepliesInTheOwnFormatAreChecked) {
  // Each reply claims the emulator's format; none may reach a field.
  CopiedDataInformation info;
  info.flags = CopiedDataInformation::kDataPresent;
  info.startCell = 0;
  info.endCell = 4;
  info.word3 = 80;
  const Bytes data = Host("HELLO");
  std::vector<unsigned char> good = clipboard::EncodePrivateCopy(info, data.data(), 5);
  std::string lying(good.begin(), good.end());
  lying[67] = 100;  // more data than follows
  std::string outside = std::string(good.begin(), good.end());
  outside[10] = 0x20;  // end position far beyond the screen
  const std::string shortReply(good.begin(), good.begin() + 40);
  for (const std::string& reply : {lying, outside, shortReply}) {
    qwtest::TestHost5250 host;
    SessionControlBlock* s = Open(host, FieldScreen());
    ASSERT_NE(s, nullptr);
    qwtest::ForeignSelectionOwner owner;
    ASSERT_TRUE(owner.start(g_server->DisplayName(), {{"QAV_X5250_STRING", {"QAV_X5250_STRING", reply}}}));
    qwtest::LogCapture log;
    Menu(s, "*pasteButton");
    EXPECT_TRUE(log.Contains("a copy in the emulator's format refused"));
    EXPECT_TRUE(EnterFields(s, host).empty());
    EndSessions(1);
    Pump(20);
  }
}

TEST_P(ClipboardTest, CopyRestrictedToTheSessionStaysThere) {
  qwtest::TestHost5250 host;
  SessionControlBlock* s = Open(host, Cat({TextScreen()}), 2);
  ASSERT_NE(s, nullptr);
  XSetSelectionOwner(test_, XA_PRIMARY, None, CurrentTime);
  XSync(test_, False);
  MarkAndCopy(s, false, 2, 2, 2, 6);
  EXPECT_EQ(XGetSelectionOwner(test_, XA_PRIMARY), static_cast<Window>(None));
  // The own copy pastes into the field of the same screen.
  KeyboardState& k = s->display->keyboardState();
  k.exitPostCopyState();
  Menu(s, "*pasteButton");
  const auto fields = EnterFields(s, host);
  EXPECT_EQ(fields.at({6, 11}), Host("Café "));
}

INSTANTIATE_TEST_SUITE_P(Locales, ClipboardTest, qwtest::TestLocales(), qwtest::TestLocaleName);

}  // namespace
