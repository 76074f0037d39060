// Tiling and cascading inside the work area, in-process on a private Xvfb:
// the rectangles each frame gets, as xwininfo reports them, for tables of
// windows, with a fixed-size dialog and a real xterm (6 x 13 increments).
#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "platform/sdk/SdkScreen.h"
#include "platform/sdk/SimpleWindow.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/XTestServer.h"
#include "tests/support/XWindows.h"
#include "wm/manager/Clients.h"
#include "wm/manager/Frame.h"
#include "wm/manager/Tiling.h"
#include "wm/manager/WindowOps.h"
#include "wm/session/ScreenState.h"
#include "wm/session/WindowManager.h"
#include "wm/shell/DesktopCommands.h"

namespace {

struct Rect {
  int x, y, width, height;
  bool operator==(const Rect& o) const { return x == o.x && y == o.y && width == o.width && height == o.height; }
};

std::ostream& operator<<(std::ostream& out, const Rect& r) {
  return out << r.width << "x" << r.height << "+" << r.x << "+" << r.y;
}

class TilingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server_.Start()) << server_.Error();
    std::memset(static_cast<void*>(&state_), 0, sizeof state_);
    ASSERT_EQ(InitScreenInfo(&state_.sdk, "test", 1, 0, nullptr, server_.DisplayName().c_str()), 0);
    InternWindowManagerAtoms(state_.sdk.display, &state_);
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    SetArea(0, 0, 1024, 740);
  }
  void TearDown() override {
    while (state_.managedWindows) {
      state_.managedWindows->client = 0;
      DestroyFrame(state_.managedWindows);
    }
    if (xterm_.Running()) xterm_.Stop(2000);
    CloseScreenInfo(&state_.sdk);
  }
  void SetArea(int x1, int y1, int x2, int y2) {
    const int a[4] = {x1, y1, x2, y2};
    std::memcpy(state_.workArea, a, sizeof a);
  }
  // A frame without a client, entered on top of the stacking order.
  ManagedWindow* Frame(int width, int height, int resizable = 1) {
    ManagedWindow* m = CreateFrame(&state_, 100, 100, 100 + width, 100 + height, "t", "t", 0, 0, resizable, 1, 1, 0);
    MapSimpleWindow(m->frame);
    XRaiseWindow(state_.sdk.display, m->frame->window);
    XSync(state_.sdk.display, False);
    return m;
  }
  // The frame's geometry as xwininfo reports it.
  Rect Info(Window w) {
    qwtest::ChildProcess p;
    char id[32];
    std::snprintf(id, sizeof id, "0x%lx", w);
    XSync(state_.sdk.display, False);
    EXPECT_TRUE(p.Start({"xwininfo", "-id", id},
                        qwtest::ChildProcess::BaseEnvironment({"DISPLAY=" + server_.DisplayName()})));
    p.WaitExit(10000);
    p.Pump();
    Rect r = {-1, -1, -1, -1};
    std::istringstream in(p.Stdout());
    std::string line;
    auto value = [](const std::string& l) { return std::stoi(l.substr(l.find(':') + 1)); };
    while (std::getline(in, line)) {
      if (line.find("Absolute upper-left X:") != std::string::npos) r.x = value(line);
      if (line.find("Absolute upper-left Y:") != std::string::npos) r.y = value(line);
      if (line.find("  Width:") != std::string::npos) r.width = value(line);
      if (line.find("  Height:") != std::string::npos) r.height = value(line);
    }
    return r;
  }

  qwtest::XTestServer server_;
  ScreenState state_;
  qwtest::ChildProcess xterm_;
};

TEST_F(TilingTest, TilesInStripsAndColumnsFillTheWorkArea) {
  // Entered bottom to top: the topmost window takes the first cell.
  ManagedWindow* w3 = Frame(300, 200);
  ManagedWindow* w2 = Frame(300, 200);
  ManagedWindow* w1 = Frame(300, 200);
  w1->maximized = 1;
  DoDesktopCommand(&state_, CmdTileHorizontally);
  const struct {
    ManagedWindow* m;
    Rect strips, columns;
  } table[] = {{w1, {0, 0, 1024, 246}, {0, 0, 341, 740}},
               {w2, {0, 246, 1024, 246}, {341, 0, 341, 740}},
               {w3, {0, 492, 1024, 248}, {682, 0, 342, 740}}};
  for (const auto& row : table) {
    EXPECT_EQ(Info(row.m->frame->window), row.strips);
    EXPECT_EQ(row.m->maximized, 0);
    EXPECT_EQ(std::vector<int>(row.m->normal, row.m->normal + 4),
              (std::vector<int>{row.strips.x, row.strips.y, row.strips.x + row.strips.width,
                                row.strips.y + row.strips.height}))
        << "the new rectangle is the one a restore returns to";
  }
  DoDesktopCommand(&state_, CmdTileVertically);
  for (const auto& row : table) EXPECT_EQ(Info(row.m->frame->window), row.columns);
}

TEST_F(TilingTest, ManyWindowsShareRowsAndAFixedDialogKeepsItsSize) {
  std::vector<ManagedWindow*> frames;
  for (int i = 0; i < 39; ++i) frames.insert(frames.begin(), Frame(200, 100));
  ManagedWindow* fixed = Frame(150, 90, 0);
  frames.insert(frames.begin(), fixed);
  // 740 / 40 is too little for a strip each: 23 rows of 32, two columns.
  TileWindowsHorizontally(&state_);
  EXPECT_EQ(Info(fixed->frame->window), (Rect{0, 0, 150, 90})) << "moved to its cell, not resized";
  EXPECT_EQ(Info(frames[1]->frame->window), (Rect{512, 0, 512, 32}));
  EXPECT_EQ(Info(frames[2]->frame->window), (Rect{0, 32, 512, 32}));
  EXPECT_EQ(Info(frames[39]->frame->window), (Rect{512, 19 * 32, 512, 32}));
  // A minimised window is neither counted nor moved.
  MinimizeWindow(frames[5]);
  const int before[2] = {frames[5]->x, frames[5]->y};
  TileWindowsVertically(&state_);  // 1024 / 39 < 80: 12 columns of 85, 4 rows
  EXPECT_EQ(frames[5]->x, before[0]);
  EXPECT_EQ(frames[5]->y, before[1]);
  EXPECT_EQ(Info(frames[1]->frame->window), (Rect{85, 0, 85, 185}));
  // Frame 5 left out: frame 12 takes the last column, which ends at the
  // work area's right; frame 13 starts the second row.
  EXPECT_EQ(Info(frames[12]->frame->window), (Rect{935, 0, 89, 185}));
  EXPECT_EQ(Info(frames[13]->frame->window), (Rect{0, 185, 85, 185}));
}

TEST_F(TilingTest, CascadeStepsDownThenStartsANewColumn) {
  // A work area in which four steps fit: 0, 24, 48, 72 (96 + 320 > 415).
  SetArea(0, 0, 800, 415);
  std::vector<ManagedWindow*> bottomUp;
  for (int i = 0; i < 6; ++i) bottomUp.push_back(Frame(100 + i, 100));
  ManagedWindow* fixed = bottomUp[2];
  fixed->resizable = 0;
  CascadeWindows(&state_);
  const int b = bottomUp[0]->left + bottomUp[0]->right, t = bottomUp[0]->top + bottomUp[0]->bottom;
  const Rect expect[] = {{0, 0, 480 + b, 320 + t},   {24, 24, 480 + b, 320 + t}, {48, 48, 102, 100},
                         {72, 72, 480 + b, 320 + t}, {150, 0, 480 + b, 320 + t}, {174, 24, 480 + b, 320 + t}};
  for (size_t i = 0; i < bottomUp.size(); ++i) EXPECT_EQ(Info(bottomUp[i]->frame->window), expect[i]) << i;
}

// An xterm's client area is cut to whole character cells of 6 x 13.
TEST_F(TilingTest, AnXtermCascadesToWholeCharacterCells) {
  ASSERT_TRUE(xterm_.Start({"xterm", "-name", "cells", "-fn", "fixed", "-geometry", "40x10+300+300"},
                           qwtest::ChildProcess::BaseEnvironment({"DISPLAY=" + server_.DisplayName()})));
  Window w = qwtest::WaitForWindowByClass(state_.sdk.display, "cells", 15000);
  ASSERT_NE(w, None);
  ASSERT_TRUE(qwtest::WaitUntil([&] {
    XSizeHints h = {};
    long supplied = 0;
    return XGetWMNormalHints(state_.sdk.display, w, &h, &supplied) && (h.flags & PResizeInc) &&
           h.height_inc == 13;
  }));
  ManagedWindow* m = ManageWindow(&state_, w, 1);
  ASSERT_NE(m, nullptr);
  CascadeWindows(&state_);
  XWindowAttributes a = {};
  XSync(state_.sdk.display, False);
  ASSERT_TRUE(XGetWindowAttributes(state_.sdk.display, w, &a));
  EXPECT_EQ(a.width, 480);
  EXPECT_EQ(a.height, 312);
  EXPECT_EQ(Info(m->frame->window), (Rect{0, 0, 480 + m->left + m->right, 312 + m->top + m->bottom}));
}

}  // namespace
