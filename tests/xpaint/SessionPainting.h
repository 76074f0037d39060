// A test with one session on the loopback host, painted in its window on
// the folder's private X server: records go out and are painted before the
// test reads the window's pixels.
#pragma once

#include <gtest/gtest.h>  // before Xlib, whose None and Bool macros clash with it

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <Xm/Xm.h>

#include "tests/datastream/RecordGlueFixtures.h"
#include "tests/support/TestHost5250.h"
#include "tests/xpaint/PaintSession.h"
#include "xfront/XStuff.h"

namespace paint_test {

class SessionPainting : public ::testing::Test {
 protected:
  // Opens the session and waits until its window is shown; skips the test
  // when the toolkit is not there.
  void SetUp() override {
    if (!Toolkit(24, Locale())) QW_RUN_IN_OWN_PROCESS(ToolkitText());
    saved_ = AppResources();
    AppResources().MAX_SESSIONS = 99;
    ASSERT_TRUE(host_.Start());
    block_ = NewSession(host_.Port());
    ASSERT_NE(block_, nullptr);
    ASSERT_TRUE(host_.WaitNegotiated(kWaitMs, [] { Pump(); }));
    XStuff& x = block_->xstuff;
    drawing_ = x.x_get_text_widget();
    ASSERT_TRUE(RunUntil([&] { return x.mapped() && XtIsRealized(drawing_); }));
  }
  void TearDown() override {
    if (!block_) return;
    EndSessions(1);
    Pump(20);
    AppResources() = saved_;
  }
  // The locale of the toolkit and its sessions.
  virtual qwtest::TestLocale Locale() const { return qwtest::TestLocale::C; }
  // Sends a record and waits until the session took it and painted it.
  void Send(const glue_test::Bytes& data) {
    host_.SendRecord(glue_test::Record(0x03, data, 0, 0x40));
    ASSERT_TRUE(host_.Barrier(kWaitMs, [] { Pump(); }));
    ASSERT_TRUE(RunUntil([&] { return !block_->xstuff.repaintPending(); }));
    XSync(ToolkitDisplay(), False);
  }
  // The drawing area's pixels as they are now.
  void ReadWindow(CellProbe* probe) {
    Dimension w = 0, h = 0;
    XtVaGetValues(drawing_, XmNwidth, &w, XmNheight, &h, nullptr);
    probe->image = XGetImage(ToolkitDisplay(), XtWindow(drawing_), 0, 0, w, h, AllPlanes, ZPixmap);
    probe->cellWidth = block_->xstuff.cellWidth();
    probe->cellHeight = block_->xstuff.cellHeight();
  }

  qwtest::TestHost5250 host_;
  SessionControlBlock* block_ = nullptr;
  Widget drawing_ = nullptr;
  AppResourceStruct saved_{};
};

}  // namespace paint_test
