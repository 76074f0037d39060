// A text-assist page painted in the session window: the loopback host sends
// the smallest text-assist records (a text screen, a scale line, 21 text
// lines and a read), and pixel probes find the status row's line number,
// the scale row's ruler with its margin and tab marks, and the text.
#include <gtest/gtest.h>  // before Xlib, whose None and Bool macros clash with it

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <Xm/Xm.h>

#include <cstdlib>
#include <string>

#include "display/DisplayBag.h"
#include "keyboard/TAXlate.h"
#include "tests/datastream/RecordGlueFixtures.h"
#include "tests/support/Screenshot.h"
#include "tests/support/TestHost5250.h"
#include "tests/textassist/TextStation.h"
#include "tests/xpaint/PaintSession.h"
#include "xfront/XStuff.h"

namespace {

using namespace paint_test;

class TextAssistPainting : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!Toolkit(24)) GTEST_SKIP() << ToolkitText();
    saved_ = AppResources();
    AppResources().MAX_SESSIONS = 99;
    ASSERT_TRUE(host_.Start());
    block_ = NewSession(host_.Port());
    ASSERT_NE(block_, nullptr);
    ASSERT_TRUE(host_.WaitNegotiated(kWaitMs, [] { Pump(); }));
    XStuff& x = block_->xstuff;
    drawing_ = x.x_get_text_widget();
    ASSERT_TRUE(RunUntil([&] { return x.mapped() && XtIsRealized(drawing_); }));
    ASSERT_TRUE(RunUntil([&] { return !x.repaintPending(); }));
    // A keyboard with the word-processing options.
    ASSERT_NE(block_->taxlate, nullptr);
    block_->taxlate->setKeyboardType(0xB0);
  }
  void TearDown() override {
    if (!block_) return;
    EndSessions(1);
    Pump(20);
    AppResources() = saved_;
  }
  void Send(const Bytes& data) {
    host_.SendRecord(glue_test::Record(0x03, data, 0, 0x40));
    ASSERT_TRUE(host_.Barrier(kWaitMs, [] { Pump(); }));
    ASSERT_TRUE(RunUntil([&] { return !block_->xstuff.repaintPending(); }));
    XSync(ToolkitDisplay(), False);
  }

  qwtest::TestHost5250 host_;
  SessionControlBlock* block_ = nullptr;
  Widget drawing_ = nullptr;
  AppResourceStruct saved_{};
};

TEST_F(TextAssistPainting, APageWithItsStatusAndScaleRows) {
  Send(R1());
  DisplayBag& d = *block_->display;
  ASSERT_EQ(d.keyboardState().state(), KeyboardState::kWordProcessing);
  ASSERT_EQ(d.textSession()->cursorPos, 161u);
  // The window's timer keeps the rows up to date.
  d.getRendering()->textTimer(d.textSession());

  XStuff& x = block_->xstuff;
  Dimension w = 0, h = 0;
  XtVaGetValues(drawing_, XmNwidth, &w, XmNheight, &h, nullptr);
  CellProbe probe;
  probe.image = XGetImage(ToolkitDisplay(), XtWindow(drawing_), 0, 0, w, h, AllPlanes, ZPixmap);
  ASSERT_NE(probe.image, nullptr);
  probe.cellWidth = x.cellWidth();
  probe.cellHeight = x.cellHeight();
  Pixel background = 0;
  XtVaGetValues(drawing_, XmNbackground, &background, nullptr);
  const int cell = probe.cellWidth * probe.cellHeight;
  auto inked = [&](int row, int column) { return probe.count(row, column, background) < cell; };
  // Status row: the line number at column 76.
  EXPECT_TRUE(inked(1, 76));
  EXPECT_FALSE(inked(1, 75));
  // Scale row: "<" at column 2, "T" at 10, ">" at 70, the ruler between,
  // nothing before the ruler or after its end.
  EXPECT_FALSE(inked(2, 1));
  for (int column : {2, 5, 10, 11, 70}) EXPECT_TRUE(inked(2, column)) << column;
  // The text and the rows below it.
  for (int column = 2; column <= 6; ++column) EXPECT_TRUE(inked(3, column)) << column;
  EXPECT_FALSE(inked(4, 2));

  qwtest::Screenshot shot = qwtest::CaptureWindow(ToolkitDisplay(), XtWindow(x.shell()));
  ASSERT_FALSE(shot.empty());
  const char* dir = std::getenv("QW_SCREENSHOT_DIR");
  EXPECT_TRUE(qwtest::WritePng(shot, std::string(dir ? dir : ".") + "/text-assist.png"));
}

}  // namespace
