// A session on the loopback host in a window on a private server of the
// test's depth (in the suite's locale), with the window's pixels read cell by
// cell. A test sets application resources in Resources(), before the session
// is made.
#pragma once

#include <gtest/gtest.h>  // before Xlib, whose None and Bool macros clash with it

#include <X11/Xlib.h>
#include <Xm/Xm.h>

#include "session/AppResources.h"
#include "tests/datastream/RecordGlueFixtures.h"
#include "tests/support/TestHost5250.h"
#include "tests/xpaint/PaintSession.h"
#include "xfront/XStuff.h"

namespace paint_test {

template <typename Param>
class DepthSessionPainting : public ::testing::TestWithParam<Param> {
 protected:
  virtual int Depth() const = 0;
  virtual void Resources() {}
  void SetUp() override {
    if (!Toolkit(Depth(), qwtest::SuiteLocale())) GTEST_SKIP() << ToolkitText();
    saved_ = AppResources();
    restore_ = true;
    AppResources().MAX_SESSIONS = 99;
    Resources();
    ASSERT_TRUE(host_.Start());
    block_ = NewSession(host_.Port());
    ASSERT_NE(block_, nullptr);
    ASSERT_TRUE(host_.WaitNegotiated(kWaitMs, [] { Pump(); }));
    drawing_ = block_->xstuff.x_get_text_widget();
    ASSERT_TRUE(RunUntil([&] { return block_->xstuff.mapped() && XtIsRealized(drawing_); }));
  }
  void TearDown() override {
    if (block_) {
      EndSessions(1);
      Pump(20);
    }
    if (restore_) AppResources() = saved_;
  }
  // Sends a record and waits until the session took it and painted it.
  void Send(const glue_test::Bytes& data) {
    host_.SendRecord(glue_test::Record(0x03, data, 0, 0x40));
    ASSERT_TRUE(host_.Barrier(kWaitMs, [] { Pump(); }));
    ASSERT_TRUE(RunUntil([&] { return !block_->xstuff.repaintPending(); }));
    XSync(ToolkitDisplay(), False);
  }
  // Gives the drawing widget the keyboard focus.
  void Focus() {
    XSetInputFocus(ToolkitDisplay(), XtWindow(drawing_), RevertToParent, CurrentTime);
    ASSERT_TRUE(RunUntil([&] { return block_->xstuff.hasFocus(); }));
  }
  // Waits until every event so far is taken and painted.
  void Settle() {
    Display* d = ToolkitDisplay();
    XSync(d, False);
    ASSERT_TRUE(RunUntil([&] { return XPending(d) == 0 && !block_->xstuff.repaintPending(); }));
    XSync(d, False);
  }
  void Probe(CellProbe* probe) {
    Dimension w = 0, h = 0;
    XtVaGetValues(drawing_, XmNwidth, &w, XmNheight, &h, nullptr);
    probe->image = XGetImage(ToolkitDisplay(), XtWindow(drawing_), 0, 0, w, h, AllPlanes, ZPixmap);
    ASSERT_NE(probe->image, nullptr);
    probe->cellWidth = block_->xstuff.cellWidth();
    probe->cellHeight = block_->xstuff.cellHeight();
    probe->originX = block_->xstuff.originX();
    probe->originY = block_->xstuff.originY();
  }
  int Cell() const { return block_->xstuff.cellWidth() * block_->xstuff.cellHeight(); }
  Pixel Resource(const char* name) const {
    Pixel p = 0;
    XtVaGetValues(drawing_, name, &p, nullptr);
    return p;
  }

  qwtest::TestHost5250 host_;
  SessionControlBlock* block_ = nullptr;
  Widget drawing_ = nullptr;
  AppResourceStruct saved_{};
  bool restore_ = false;
};

}  // namespace paint_test
