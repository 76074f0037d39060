// The simulator commands that read and work the session window, against a
// real session window on the loopback host: the display information
// (command 13) reports the cursor, the host's push buttons and the area
// marked by a drag through XTEST; the edit functions (command 15) tell
// whether Copy, Cut and Paste may run, run them (a copy makes the session
// own PRIMARY, a cut takes the marked text out of its field, a paste puts
// it back at the cursor) and report the window-state byte. (The file's name puts this suite after those that
// make the program's toolkit.)
#include <gtest/gtest.h>  // before Xlib, whose None and Bool macros clash with it

#include <X11/Xatom.h>

#include <string>
#include <vector>

#include "display/DisplayBag.h"
#include "display/FormatTable.h"
#include "display/SelectionField.h"
#include "keyboard/KeyboardState.h"
#include "tests/xsession/SessionWindowFixture.h"
#include "xfront/RenderingX.h"

namespace {

using namespace qwtest::session_toolkit;
using namespace session_window;

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

class SimulatorWindowTest : public SessionWindowTest {
 protected:
  // Sends one simulator command and returns the data of its answer.
  Bytes Simulator(const Bytes& command) {
    host_.SendRecord(Record(command, 0x10));
    const Bytes record = NextRecord();
    if (record.size() < 10) return {};
    EXPECT_EQ((record[0] << 8) | record[1], static_cast<int>(record.size())) << "the header counts the record";
    EXPECT_EQ(record[9], 0x10);
    return Bytes(record.begin() + 10, record.end());
  }
};

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
  SessionControlBlock* s = Open(HostScreen(Cat({Sba(2, 2), Host("Simulator"), PushButtons(20, 10, {"OK", "Cancel"})}), 6, 11));
  ASSERT_NE(s, nullptr);
  Field* f = s->display->formatTable().firstRecord();
  ASSERT_NE(f, nullptr);
  ASSERT_EQ(f->getFieldClassID(), kSelectionField);
  auto* buttons = static_cast<SelectionField*>(f);
  ASSERT_EQ(buttons->selectionType(), SelectionField::kTypePushButtons);
  ASSERT_EQ(buttons->builtChoices(), 2u);

  ASSERT_NO_FATAL_FAILURE(DragToMark(s, 3, 5, 5, 20));
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
  SessionControlBlock* s = Open(HostScreen(Cat({Sba(2, 2), Host("Simulator")}), 6, 11));
  ASSERT_NE(s, nullptr);
  const Window drawing = XtWindow(s->xstuff.x_get_text_widget());
  EXPECT_EQ(Simulator({15, 2, 1}), Bytes({0x00, 0x00})) << "nothing marked: Copy is greyed";
  EXPECT_EQ(Simulator({15, 2, 2}), Bytes({0x00, 0x00})) << "a greyed Copy does not run";
  EXPECT_NE(XGetSelectionOwner(test_, XA_PRIMARY), drawing);
  EXPECT_EQ(Simulator({15, 5}), Bytes({0x00, s->windowState}));
  EXPECT_EQ(Simulator({15, 2, 7}), Bytes({0x03, 0x00})) << "a request that is neither ask nor run";

  ASSERT_NO_FATAL_FAILURE(DragToMark(s, 2, 2, 2, 10));
  EXPECT_EQ(Simulator({15, 2, 1}), Bytes({0x00, 0x01}));
  EXPECT_EQ(Simulator({15, 2, 2}), Bytes({0x00, 0x01}));
  EXPECT_TRUE(RunUntil([&] { return XGetSelectionOwner(test_, XA_PRIMARY) == drawing; }));
  EXPECT_EQ(s->xstuff.copiedString(), "Simulator");
}

// A word dragged over in an input field through XTEST: Cut may run and
// takes the word out of the field; then Paste may run and puts it back at
// the cursor, so the host reads the field as it was.
TEST_P(SimulatorWindowTest, EditFunctionsRunCutAndPasteInAField) {
  const Bytes field = Cat({Sba(6, 10), {0x1D, 0x40, 0x00, 0x20, 0x00, 10}, Host("Simulator")});
  SessionControlBlock* s = Open(HostScreen(field, 6, 11));
  ASSERT_NE(s, nullptr);
  PresentationSpaceScreenBuffer& ps = s->display->presentationSpace();
  const auto fieldText = [&] {
    Bytes b;
    for (unsigned int i = 5 * 80 + 10; i < 5 * 80 + 20; ++i) b.push_back(ps.getCharacter(i));
    return b;
  };
  ASSERT_EQ(fieldText(), Cat({Host("Simulator"), Bytes(1, 0)}));
  EXPECT_EQ(Simulator({15, 1, 1}), Bytes({0x00, 0x00})) << "nothing marked: Cut is greyed";
  EXPECT_EQ(Simulator({15, 1, 2}), Bytes({0x00, 0x00})) << "a greyed Cut does not run";
  EXPECT_EQ(fieldText(), Cat({Host("Simulator"), Bytes(1, 0)}));

  ASSERT_NO_FATAL_FAILURE(DragToMark(s, 6, 11, 6, 19));
  EXPECT_EQ(Simulator({15, 1, 1}), Bytes({0x00, 0x01}));
  EXPECT_EQ(Simulator({15, 1, 2}), Bytes({0x00, 0x01}));
  EXPECT_EQ(fieldText(), Bytes(10, 0)) << "the word is cut out of the field";
  EXPECT_EQ(s->xstuff.copiedString(), "Simulator");

  EXPECT_EQ(Simulator({15, 3, 1}), Bytes({0x00, 0x01}));
  EXPECT_EQ(Simulator({15, 3, 2}), Bytes({0x00, 0x01}));
  EXPECT_TRUE(RunUntil([&] { return fieldText() == Cat({Host("Simulator"), Bytes(1, 0)}); }))
      << "the paste put the word back";
  EXPECT_EQ(s->display->cursor().getCursorOffset(), 5u * 80 + 19);
}

INSTANTIATE_TEST_SUITE_P(Locales, SimulatorWindowTest, qwtest::TestLocales(), qwtest::TestLocaleName);

}  // namespace
