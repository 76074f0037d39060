// Paste into a text-assist page of a session window from another X client:
// the client owns PRIMARY with two lines of UTF-8 text, the operator picks
// Paste in the Edit menu, and the lines are typed into the text at the
// cursor, the line end as a required carrier return; Enter then sends them
// to the loopback host like typed text. Also the menu Cut of text marked
// in the page: the range is deleted in the window and reaches the host with
// the next Enter.
#include <gtest/gtest.h>  // before Xlib, whose None and Bool macros clash with it

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <Xm/Xm.h>

#include <algorithm>
#include <string>
#include <vector>

#include "display/DisplayBag.h"
#include "display/PresentationSpaceScreenBuffer.h"
#include "keyboard/KeyboardState.h"
#include "keyboard/TAXlate.h"
#include "session/AppResources.h"
#include "session/SessionControlBlock.h"
#include "session/SessionTable.h"
#include "session/StartOptions.h"
#include "tests/support/ForeignSelectionOwner.h"
#include "tests/support/HostRecords.h"
#include "tests/support/SessionToolkit.h"
#include "tests/support/TestHost5250.h"
#include "tests/textassist/TextStation.h"
#include "textassist/TextSession.h"
#include "xfront/XStuff.h"

namespace {

using namespace qwtest::session_toolkit;
Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}
// One 5250 record of a Write Structured Field holding `fields`.
Bytes Record(const Bytes& fields) {
  const Bytes body = Wsf(fields);
  const size_t n = body.size() + 10;
  return Cat({Bytes{static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n), 0x12, 0xA0, 0, 0, 0x04, 0x00, 0x40, 0x03},
              body});
}
// A text page: the page of R1 with margins at columns 2 and 70 and no tab
// stop, the command-key table (PF4 deletes) and a read.
Bytes TextPage() {
  return Record(Dftxt(0x00, 0x80) + Dfscl(ScaleLine(1, {{2, 1}, {70, 2}})) +
                Field(0x31, Bytes{0x04, 9, 4, 5} + Ebc("DELETE")) + Wrtxt(0x80, 0x00, 0x08, 3, 2, R1Lines()) + Rdtxt());
}

bool Contains(const Bytes& hay, const Bytes& needle) {
  return std::search(hay.begin(), hay.end(), needle.begin(), needle.end()) != hay.end();
}

class TextPasteSession : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::string error;
    test_ = StartSessionSuite(&error);
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
  }

  // A session on the loopback host showing the text page, its keyboard
  // with the word-processing keys.
  SessionControlBlock* Open() {
    EXPECT_TRUE(host_.Start());
    SessionStartOptions o;
    o.hostName = "127.0.0.1";
    o.port = host_.Port();
    createSessionUnderThisProcess(o, nullptr, nullptr);
    SessionControlBlock* s = NewestSession();
    EXPECT_NE(s, nullptr);
    if (!s) return nullptr;
    EXPECT_TRUE(host_.WaitNegotiated(kWaitMs, HostPump()));
    EXPECT_TRUE(RunUntil([&] { return s->taxlate != nullptr && s->display != nullptr; }));
    s->taxlate->setKeyboardType(0xB0);
    qwtest::SendRecordAndSettle(host_, HostPump(), kWaitMs, TextPage());
    EXPECT_TRUE(RunUntil([&] { return s->display->keyboardState().state() == KeyboardState::kWordProcessing; }));
    return s;
  }
  void Menu(SessionControlBlock* s, const char* name) {
    Widget item = XtNameToWidget(s->xstuff.shell(), name);
    ASSERT_NE(item, nullptr) << name;
    XmPushButtonCallbackStruct cbs = {};
    cbs.reason = XmCR_ACTIVATE;
    XtCallCallbacks(item, XmNactivateCallback, &cbs);
  }
  Bytes Row(SessionControlBlock* s, unsigned int row, unsigned int n) {
    Bytes b(n);
    s->display->presentationSpace().getData((row - 1) * 80, n, b.data());
    return b;
  }
  // Enter through the Control menu; the host's record.
  Bytes Enter(SessionControlBlock* s) {
    Menu(s, "*enterkeyButton");
    return qwtest::NextRecord(host_, HostPump(), kWaitMs);
  }

  static Display* test_;
  qwtest::TestHost5250 host_;
  AppResourceStruct saved_{};
};
Display* TextPasteSession::test_ = nullptr;

TEST_F(TextPasteSession, LinesFromAnotherClientAreTypedIntoTheText) {
  SessionControlBlock* s = Open();
  ASSERT_NE(s, nullptr);
  TextSession* t = s->display->textSession();
  ASSERT_EQ(t->cursorPos, 2u * 80 + 1);
  qwtest::ForeignSelectionOwner owner;
  ASSERT_TRUE(owner.start(g_server->DisplayName(), {{"UTF8_STRING", {"UTF8_STRING", "JOY\nSUN"}}}));
  Menu(s, "*pasteButton");
  ASSERT_TRUE(RunUntil([&] { return t->cursorPos == 3u * 80 + 4; })) << t->cursorPos;
  EXPECT_FALSE(t->errorFlag()) << t->lastOperatorError();
  // Replace mode: "JOY" over "HEL", the required carrier return over the
  // second L (the rest of the line goes down with it), "SUN" over the
  // start of that rest on row 4.
  EXPECT_EQ(Row(s, 3, 5), Cat({Bytes{0x00}, Ebc("JOY"), Bytes{0x06}}));
  EXPECT_EQ(Row(s, 4, 4), Cat({Bytes{0x20}, Ebc("SUN")}));
  const Bytes record = Enter(s);
  EXPECT_TRUE(Contains(record, Cat({Ebc("JOY"), Bytes{0x06}}))) << "row 3 goes to the host";
  EXPECT_TRUE(Contains(record, Ebc("SUN"))) << "row 4 goes to the host";
}

TEST_F(TextPasteSession, CutOfMarkedTextDeletesIt) {
  SessionControlBlock* s = Open();
  ASSERT_NE(s, nullptr);
  TextSession* t = s->display->textSession();
  KeyboardState& k = s->display->keyboardState();
  // "ELLO" marked from the keyboard state's own operations, then cut.
  ASSERT_TRUE(k.enterCopyState(KeyboardState::kLinearCopy, 2 * 80 + 2, 1));
  k.updateCopyState(2 * 80 + 5);
  ASSERT_TRUE(k.enterPostCopyState(-1, KeyboardState::kLinearCopy));
  Widget cut = XtNameToWidget(s->xstuff.shell(), "*cutButton");
  ASSERT_NE(cut, nullptr);
  ASSERT_TRUE(RunUntil([&] { return XtIsSensitive(cut); })) << "Cut is offered for text inside the margins";
  Menu(s, "*cutButton");
  ASSERT_TRUE(RunUntil([&] { return k.state() == KeyboardState::kWordProcessing; }));
  EXPECT_FALSE(t->errorFlag()) << t->lastOperatorError();
  EXPECT_EQ(Row(s, 3, 9), Cat({Bytes{0x00}, Ebc("H WORLD"), Bytes{0x03}}));
  EXPECT_EQ(t->cursorPos, 2u * 80 + 2);
  const Bytes record = Enter(s);
  EXPECT_TRUE(Contains(record, Ebc("H WORLD")));
  EXPECT_FALSE(Contains(record, Ebc("HELLO")));
}

}  // namespace
