// The simulator commands that read and work the session window, against a
// real session window on the loopback host: the display information
// (command 13) reports the cursor, the host's push buttons and the area
// marked by a drag through XTEST; the edit functions (command 15) tell
// whether Copy may run, run it (the session then owns PRIMARY) and report
// the window-state byte. (The file's name puts this suite after those that
// make the program's toolkit.)
#include <gtest/gtest.h>  // before Xlib, whose None and Bool macros clash with it

#include <X11/Xatom.h>
#include <X11/extensions/XTest.h>
#include <Xm/Xm.h>
#include <iconv.h>

#include <string>
#include <vector>

#include "base/LogMsg.h"
#include "display/DisplayBag.h"
#include "display/FormatTable.h"
#include "display/SelectionField.h"
#include "keyboard/KeyboardState.h"
#include "session/AppResources.h"
#include "session/ErrorDialogs.h"
#include "session/SessionControlBlock.h"
#include "session/SessionTable.h"
#include "session/StartOptions.h"
#include "tests/support/SessionToolkit.h"
#include "tests/support/TestHost5250.h"
#include "tests/support/TestLocales.h"
#include "tests/support/XKeys.h"
#include "xfront/RenderingX.h"
#include "xfront/XStuff.h"

namespace {

using namespace qwtest::session_toolkit;
using Bytes = std::vector<uint8_t>;

Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes v;
  for (const auto& p : parts) v.insert(v.end(), p.begin(), p.end());
  return v;
}
// Text in the host code page of the euro sessions.
Bytes Host(const std::string& text) {
  iconv_t cd = iconv_open("IBM1140", "UTF-8");
  Bytes out(text.size() * 2 + 4);
  char* in = const_cast<char*>(text.data());
  size_t inLeft = text.size();
  char* o = reinterpret_cast<char*>(out.data());
  size_t outLeft = out.size();
  iconv(cd, &in, &inLeft, &o, &outLeft);
  iconv_close(cd);
  out.resize(out.size() - outLeft);
  return out;
}
// A record of the given opcode.
Bytes Record(uint8_t opcode, const Bytes& data) {
  const size_t n = data.size() + 10;
  Bytes r = {static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n), 0x12, 0xA0, 0, 0, 0x04, 0x00, 0x40, opcode};
  r.insert(r.end(), data.begin(), data.end());
  return r;
}
Bytes Sba(int row, int column) { return {0x11, static_cast<uint8_t>(row), static_cast<uint8_t>(column)}; }
// Clear Unit and a Write to Display that unlocks, the orders, the cursor at
// (row, column), then a read of the modified fields.
Bytes Screen(const Bytes& orders, int row, int column) {
  return Record(0x03, Cat({{0x04, 0x40}, {0x04, 0x11, 0x00, 0x08}, orders,
                           {0x13, static_cast<uint8_t>(row), static_cast<uint8_t>(column)}, {0x04, 0x52, 0x00, 0x00}}));
}
// A push-button field (type 0x41, GUI parameter 0x20) of one row: text
// size 6, padding 1, one button a choice.
Bytes PushButtons(int row, int column, const std::vector<std::string>& labels) {
  Bytes minors;
  for (const std::string& l : labels) {
    const Bytes t = Host(l);
    minors = Cat({minors, {static_cast<uint8_t>(5 + t.size()), 0x10, 0x00, 0x00, 0xE0}, t});
  }
  const size_t n = 20 + minors.size();
  const Bytes sf = {static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n), 0xD9, 0x50, 0x00, 0x00, 0x00, 0x41, 0x20,
                    0x20, 0x20, 0x00, 0x00, 6, 1, static_cast<uint8_t>(labels.size()), 1, 0x00, 0x00, 0x00};
  return Cat({Sba(row, column), {0x15}, sf, minors});
}

class SimulatorWindowTest : public ::testing::TestWithParam<qwtest::TestLocale> {
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
    ASSERT_TRUE(qwtest::HasXTest(test_));
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

  SessionControlBlock* Open(const Bytes& screen) {
    EXPECT_TRUE(host_.Start());
    SessionStartOptions o;
    o.hostName = "127.0.0.1";
    o.port = host_.Port();
    o.EuroOption = 1;
    createSessionUnderThisProcess(o, nullptr, nullptr);
    SessionControlBlock* s = NewestSession();
    EXPECT_NE(s, nullptr);
    if (!s) return nullptr;
    EXPECT_TRUE(host_.WaitNegotiated(kWaitMs, HostPump()));
    Widget drawing = s->xstuff.x_get_text_widget();
    EXPECT_TRUE(RunUntil([&] {
      XWindowAttributes a;
      return XGetWindowAttributes(test_, XtWindow(drawing), &a) && a.map_state == IsViewable;
    }));
    host_.SendRecord(screen);
    EXPECT_TRUE(host_.Barrier(kWaitMs, HostPump()));
    Pump(20);
    return s;
  }
  // Drags button 1 over the session window through XTEST: pressed on the
  // cell at (fromRow, fromColumn), moved to (toRow, toColumn), released.
  void Drag(SessionControlBlock* s, int fromRow, int fromColumn, int toRow, int toColumn) {
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
  // Sends one simulator command and returns the data of its answer.
  Bytes Simulator(const Bytes& command) {
    host_.SendRecord(Record(0x10, command));
    Bytes record;
    if (!host_.WaitForRecord(kWaitMs, HostPump(), &record) || record.size() < 10) return {};
    EXPECT_EQ((record[0] << 8) | record[1], static_cast<int>(record.size())) << "the header counts the record";
    EXPECT_EQ(record[9], 0x10);
    return Bytes(record.begin() + 10, record.end());
  }

  static Display* test_;
  qwtest::TestHost5250 host_;
  AppResourceStruct saved_{};
  bool started_ = false;
};

Display* SimulatorWindowTest::test_ = nullptr;

struct Element {
  uint8_t type;
  unsigned int position, length;
  bool operator==(const Element& o) const { return type == o.type && position == o.position && length == o.length; }
};
std::ostream& operator<<(std::ostream& os, const Element& e) {
  return os << "{" << int(e.type) << "," << e.position << "," << e.length << "}";
}

// Two push buttons on row 20 and a block dragged over rows 3 to 5,
// columns 5 to 20: the display information lists the buttons where the
// format table has their choices, then the block's four sides.
TEST_P(SimulatorWindowTest, DisplayInformationListsButtonsAndTheMarkedBlock) {
  AppResources().DEFAULT_COPY_TYPE = 1;  // a drag marks a block
  SessionControlBlock* s = Open(Screen(Cat({Sba(2, 2), Host("Simulator"), PushButtons(20, 10, {"OK", "Cancel"})}), 6, 11));
  ASSERT_NE(s, nullptr);
  Field* f = s->display->formatTable().firstRecord();
  ASSERT_NE(f, nullptr);
  ASSERT_EQ(f->getFieldClassID(), kSelectionField);
  auto* buttons = static_cast<SelectionField*>(f);
  ASSERT_EQ(buttons->selectionType(), SelectionField::kTypePushButtons);
  ASSERT_EQ(buttons->builtChoices(), 2u);

  ASSERT_NO_FATAL_FAILURE(Drag(s, 3, 5, 5, 20));
  KeyboardState& k = s->display->keyboardState();
  ASSERT_TRUE(RunUntil([&] { return k.state() == KeyboardState::kPostCopy; }))
      << "the drag marked nothing; keyboard state " << int(k.state());
  ASSERT_TRUE(s->renderer->flags() & RenderingX::kMarked);
  auto* rendering = dynamic_cast<RenderingX*>(s->renderer);
  ASSERT_NE(rendering, nullptr);
  ASSERT_TRUE(rendering->flags() & RenderingX::kMarkBlock) << "the drag marks a block";

  const Bytes info = Simulator({13});
  ASSERT_EQ(info.size(), 612u) << "header length 0x026E";
  EXPECT_EQ(info[0], 0x00);
  const unsigned int cursor = rendering->cursor();
  EXPECT_EQ(info[17], cursor / 80 + 1);
  EXPECT_EQ(info[18], cursor % 80 + 1);
  std::vector<Element> elements;
  const unsigned int count = (info[98] << 8) | info[99];
  ASSERT_LE(count, 128u);
  for (unsigned int i = 0; i < count; ++i) {
    const uint8_t* e = info.data() + 100 + 4 * i;
    elements.push_back({e[0], static_cast<unsigned int>((e[1] << 8) | e[2]), e[3]});
  }
  std::vector<Element> expected;
  for (unsigned int i = 0; i < 2; ++i) {
    const SelectionFieldChoice* c = buttons->choice(i);
    expected.push_back({1, c->start, static_cast<unsigned int>(c->end - c->start + 1)});
  }
  const unsigned int topLeft = 2 * 80 + 4, topRight = 2 * 80 + 19, bottomLeft = 4 * 80 + 4;
  expected.push_back({2, topLeft, 16});
  expected.push_back({3, bottomLeft, 16});
  expected.push_back({4, topLeft, 3});
  expected.push_back({5, topRight, 3});
  EXPECT_EQ(elements, expected);
  // Nothing past the elements.
  EXPECT_EQ(Bytes(info.begin() + 100 + 4 * count, info.end()), Bytes(612 - 100 - 4 * count, 0));
}

// Copy is greyed until an area is marked; then the simulator runs it as
// the menu would, and the session window owns PRIMARY with the text.
TEST_P(SimulatorWindowTest, EditFunctionsReportAndRunCopy) {
  SessionControlBlock* s = Open(Screen(Cat({Sba(2, 2), Host("Simulator")}), 6, 11));
  ASSERT_NE(s, nullptr);
  const Window drawing = XtWindow(s->xstuff.x_get_text_widget());
  EXPECT_EQ(Simulator({15, 2, 1}), Bytes({0x00, 0x00})) << "nothing marked: Copy is greyed";
  EXPECT_EQ(Simulator({15, 2, 2}), Bytes({0x00, 0x00})) << "a greyed Copy does not run";
  EXPECT_NE(XGetSelectionOwner(test_, XA_PRIMARY), drawing);
  EXPECT_EQ(Simulator({15, 5}), Bytes({0x00, s->windowState}));
  EXPECT_EQ(Simulator({15, 2, 7}), Bytes({0x03, 0x00})) << "a request that is neither ask nor run";

  ASSERT_NO_FATAL_FAILURE(Drag(s, 2, 2, 2, 10));
  KeyboardState& k = s->display->keyboardState();
  ASSERT_TRUE(RunUntil([&] { return k.state() == KeyboardState::kPostCopy; }))
      << "the drag marked nothing; keyboard state " << int(k.state());
  EXPECT_EQ(Simulator({15, 2, 1}), Bytes({0x00, 0x01}));
  EXPECT_EQ(Simulator({15, 2, 2}), Bytes({0x00, 0x01}));
  EXPECT_TRUE(RunUntil([&] { return XGetSelectionOwner(test_, XA_PRIMARY) == drawing; }));
  EXPECT_EQ(s->xstuff.copiedString(), "Simulator");
}

INSTANTIATE_TEST_SUITE_P(Locales, SimulatorWindowTest, qwtest::TestLocales(), qwtest::TestLocaleName);

}  // namespace
