// The geometry of frames and desktop icons, in-process on a private Xvfb:
// which region of a frame a point is over, title numbering, and where the
// icons of minimised windows are laid out.
#include <gtest/gtest.h>
#include <X11/extensions/shape.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/sdk/NLSText.h"
#include "platform/sdk/SdkScreen.h"
#include "platform/sdk/SimpleWindow.h"
#include "tests/support/XProps.h"
#include "tests/support/XTestServer.h"
#include "wm/manager/ClassRules.h"
#include "wm/manager/Frame.h"
#include "wm/manager/WindowOps.h"
#include "wm/manager/WorkArea.h"
#include "wm/session/ScreenState.h"
#include "wm/session/WindowManager.h"

namespace {

class FrameGeometryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server_.Start()) << server_.Error();
    std::memset(static_cast<void*>(&state_), 0, sizeof state_);
    ASSERT_EQ(InitScreenInfo(&state_.sdk, "test", 1, 0, nullptr, server_.DisplayName().c_str()), 0);
    InternWindowManagerAtoms(state_.sdk.display, &state_);
    SetArea(0, 0, 1024, 768);
    state_.iconCell[2] = 96;
    state_.iconCell[3] = 64;
  }
  void TearDown() override {
    while (state_.managedWindows) DestroyFrame(state_.managedWindows);
    CloseScreenInfo(&state_.sdk);
  }
  void SetArea(int x1, int y1, int x2, int y2) {
    state_.workArea[0] = x1;
    state_.workArea[1] = y1;
    state_.workArea[2] = x2;
    state_.workArea[3] = y2;
  }
  // A frame without a client (the title font is absent: a 23-pixel title bar).
  ManagedWindow* Frame(int width, int height, unsigned removed = 0, const std::string& title = "t",
                       int menu = 1) {
    return CreateFrame(&state_, 0, 0, width, height, title, title, 0, 0, 1, 1, menu, removed);
  }

  qwtest::XTestServer server_;
  ScreenState state_;
};

TEST_F(FrameGeometryTest, RegionsOfAFrame) {
  ManagedWindow* all = Frame(200, 100);
  ASSERT_EQ(all->top, 23);
  // Buttons: row from y 5 + (23 - 20) / 2 = 6, 15 high.
  const struct {
    int x, y, region;
  } cases[] = {
      {176, 10, RegionCloseButton},    {190, 10, RegionCloseButton},   {191, 10, RegionNone},
      {175, 10, RegionNone},           {160, 10, RegionMaximizeButton}, {174, 10, RegionMaximizeButton},
      {144, 10, RegionMinimizeButton}, {158, 10, RegionMinimizeButton}, {143, 10, RegionTitle},
      {7, 10, RegionMenuButton},       {21, 10, RegionMenuButton},      {22, 10, RegionTitle},
      {100, 5, RegionTitle},           {176, 5, RegionNone},            // above the button row
      {50, 0, RegionTop},              {50, 4, RegionTop},              {2, 2, RegionTopLeft},
      {14, 0, RegionTopLeft},          {15, 0, RegionTop},              {197, 2, RegionTopRight},
      {0, 50, RegionLeft},             {199, 50, RegionRight},          {193, 50, RegionRight},
      {50, 99, RegionBottom},          {50, 93, RegionBottom},          {3, 97, RegionBottomLeft},
      {196, 96, RegionBottomRight},    {0, 14, RegionTopLeft},          {0, 85, RegionBottomLeft},
      {5, 23, RegionClient},           {192, 92, RegionClient},         {100, 50, RegionClient},
      {-1, 50, RegionNone},            {200, 50, RegionNone},           {50, 100, RegionNone},
  };
  for (const auto& c : cases) EXPECT_EQ(FrameHitTest(all, c.x, c.y), c.region) << c.x << "," << c.y;
  // Without the maximise function the minimise button takes its place.
  ManagedWindow* noMax = Frame(200, 100, FunctionMaximize);
  EXPECT_EQ(FrameHitTest(noMax, 165, 10), RegionMinimizeButton);
  EXPECT_EQ(FrameHitTest(noMax, 150, 10), RegionTitle);
  // Without a menu button the left of the title bar is title.
  ManagedWindow* noMenu = Frame(200, 100, 0, "t", 0);
  EXPECT_EQ(FrameHitTest(noMenu, 10, 10), RegionTitle);
  // An undecorated frame is all client.
  ManagedWindow* bare = CreateFrame(&state_, 0, 0, 100, 50, "b", "b", 0, 0, 1, 0, 0, 0);
  EXPECT_EQ(bare->top + bare->left + bare->right + bare->bottom, 0);
  EXPECT_EQ(FrameHitTest(bare, 0, 0), RegionClient);
  EXPECT_EQ(FrameHitTest(bare, 99, 49), RegionClient);
}

TEST_F(FrameGeometryTest, FunctionsFromTheFlags) {
  EXPECT_EQ(Frame(200, 100)->functions, 0x1Fu);
  EXPECT_EQ(CreateFrame(&state_, 0, 0, 200, 100, "t", "t", 0, 1, 1, 1, 1, 0)->functions, 0x1Bu)
      << "a transient has no minimise";
  EXPECT_EQ(CreateFrame(&state_, 0, 0, 200, 100, "t", "t", 0, 0, 0, 1, 1, 0)->functions, 0x1Du)
      << "no maximise without resizing";
  state_.disableMinimize = 1;
  EXPECT_EQ(Frame(200, 100)->functions, 0x1Bu);
  EXPECT_EQ(Frame(200, 100, 0x11)->functions, 0x0Au);
}

TEST_F(FrameGeometryTest, SharedTitlesAreNumbered) {
  ManagedWindow* a = Frame(200, 100, 0, "same");
  EXPECT_EQ(a->titleNumber, 0);
  ManagedWindow* b = Frame(200, 100, 0, "same");
  EXPECT_EQ(a->titleNumber, 1);
  EXPECT_EQ(b->titleNumber, 2);
  ManagedWindow* c = Frame(200, 100, 0, "same");
  EXPECT_EQ(c->titleNumber, 3);
  EXPECT_EQ(FormatTitleSuffix(c), " (3)");
  EXPECT_EQ(Frame(200, 100, 0, "other")->titleNumber, 0);
  DestroyFrame(b);
  DestroyFrame(c);
  EXPECT_EQ(a->titleNumber, 0) << "the last one of a title loses its number";
  EXPECT_EQ(FormatTitleSuffix(a), "");
}

// Icons are found by their image box (32 x 32, centred in a 96 x 64 cell).
TEST_F(FrameGeometryTest, DesktopIconsAreLaidOutByThePlacement) {
  std::vector<ManagedWindow*> frames;
  for (int i = 0; i < 5; ++i) {
    ManagedWindow* m = Frame(200, 100, 0, "w" + std::to_string(i));
    m->iconTitle = "i";
    frames.push_back(m);
  }
  // The list runs newest first; minimising moves a frame to its end, in order.
  for (int i = 0; i < 5; ++i) MinimizeWindow(frames[static_cast<size_t>(i)]);
  auto at = [&](int x, int y) { return FindDesktopIconAt(&state_, x + 48, y + 16); };
  // Placement 0, a work area 400 wide: four in the first row, the fifth
  // starts the row below.
  state_.iconPlacement = 0;
  SetArea(0, 0, 400, 768);
  EXPECT_EQ(at(0, 16), frames[0]);
  EXPECT_EQ(at(96, 16), frames[1]);
  EXPECT_EQ(at(192, 16), frames[2]);
  EXPECT_EQ(at(288, 16), frames[3]);
  EXPECT_EQ(at(0, 80), frames[4]);
  // Placement 3: from the top right, downward.
  state_.iconPlacement = 3;
  SetArea(0, 0, 1024, 768);
  EXPECT_EQ(at(928, 16), frames[0]);
  EXPECT_EQ(at(928, 80), frames[1]);
  // Placement 1 (the default): from the bottom left, rightward.
  state_.iconPlacement = 1;
  EXPECT_EQ(at(0, 704), frames[0]);
  EXPECT_EQ(at(96, 704), frames[1]);
  EXPECT_EQ(at(500, 300), nullptr);
  // A window its client unmapped, and a transient, get no icon.
  frames[0]->unmappedByClient = 1;
  EXPECT_EQ(at(0, 704), frames[1]);
  // Restored windows leave the layout.
  RestoreWindow(frames[1]);
  EXPECT_EQ(frames[1]->minimized, 0);
  EXPECT_EQ(at(0, 704), frames[2]);
}

// A label too wide for its cell: in columns it is wrapped and its cell
// grows (the next icon moves down by as much, or to the next column when
// the grown cell does not fit); in rows the cell is widened.
TEST_F(FrameGeometryTest, WideIconLabelsWrapInColumnsAndWidenRows) {
  Display* d = state_.sdk.display;
  state_.generalFont = NLSCreateFont(d, 12, 0);
  ASSERT_NE(state_.generalFont, nullptr);
  const int line = state_.generalFont->ascent + state_.generalFont->descent;
  const std::string wide = "a label far too long for one desktop icon cell";
  const int wrapped = DrawTextCenteredWithWrap(d, 0, state_.generalFont, nullptr, 0, 0, 88, wide.data(),
                                               static_cast<int>(wide.size()));
  ASSERT_GT(wrapped, 2 * line);
  const int labelWidth = NLSTextWidth(state_.generalFont, wide.data(), static_cast<int>(wide.size()));
  std::vector<ManagedWindow*> frames;
  for (const char* label : {"one", "wide", "three"}) {
    ManagedWindow* m = Frame(200, 100, 0, label);
    m->iconTitle = std::string(label) == "wide" ? wide : label;
    frames.push_back(m);
  }
  for (ManagedWindow* m : frames) MinimizeWindow(m);
  auto at = [&](int x, int y) { return FindDesktopIconAt(&state_, x + 48, y + 16); };
  const int grown = 64 + wrapped - line;

  state_.iconPlacement = 2;  // left, top to bottom
  EXPECT_EQ(at(0, 16), frames[0]);
  EXPECT_EQ(at(0, 80), frames[1]);
  EXPECT_EQ(at(0, 80 + grown), frames[2]);
  // The last wrapped line of the label belongs to its icon.
  EXPECT_EQ(FindDesktopIconAt(&state_, 0, 80 + 34 + wrapped - 1), frames[1]);
  // Too tall for the rest of the column: the wide icon starts the next one.
  SetArea(0, 0, 1024, 80 + grown - 1);
  EXPECT_EQ(at(0, 16), frames[0]);
  EXPECT_EQ(at(96, 16), frames[1]);
  EXPECT_EQ(at(96, 16 + grown), nullptr);
  SetArea(0, 0, 1024, 768);

  state_.iconPlacement = 0;  // top, left to right: the cell is widened
  EXPECT_EQ(at(0, 16), frames[0]);
  EXPECT_EQ(FindDesktopIconAt(&state_, 96 + (labelWidth + 8) / 2, 16 + 16), frames[1]);
  EXPECT_EQ(at(96 + labelWidth + 8, 16), frames[2]);
  DrawDesktopIconsNow(&state_);  // draws wrapped and widened labels without fault
  NLSFreeFont(d, state_.generalFont);
  state_.generalFont = nullptr;
}

// A decorated frame's shape cuts the outer corners of its drop shadow; it
// follows the frame's size.
TEST_F(FrameGeometryTest, TheShapeCutsTheShadowsCorners) {
  ManagedWindow* m = Frame(200, 100);
  ASSERT_EQ(m->outlineWidth, 2);
  ApplyFrameShape(m);  // as client management does
  auto inside = [&](int x, int y) {
    int count = 0, ordering = 0;
    XRectangle* r = XShapeGetRectangles(state_.sdk.display, m->frame->window, ShapeBounding, &count, &ordering);
    bool in = false;
    for (int i = 0; i < count; ++i)
      in = in || (x >= r[i].x && x < r[i].x + r[i].width && y >= r[i].y && y < r[i].y + r[i].height);
    if (r) XFree(r);
    return in;
  };
  const struct {
    int x, y;
    bool in;
  } points[] = {{0, 0, true},    {197, 0, true},  {198, 0, false}, {199, 1, false}, {199, 2, true},
                {0, 97, true},   {0, 98, false},  {1, 99, false},  {2, 99, true},   {199, 99, true},
                {100, 50, true}};
  for (const auto& p : points) EXPECT_EQ(inside(p.x, p.y), p.in) << p.x << "," << p.y;
  PlaceFrame(m, 0, 0, 300, 150);
  XSync(state_.sdk.display, False);
  EXPECT_FALSE(inside(298, 0));
  EXPECT_TRUE(inside(299, 149));
}

// Maximise covers the work area with the outer lines just outside it; a
// second maximise does nothing; restore brings back the normal rectangle.
TEST_F(FrameGeometryTest, MaximiseAndRestore) {
  ManagedWindow* m = CreateFrame(&state_, 100, 50, 400, 300, "m", "m", 0, 0, 1, 1, 1, 0);
  MaximizeWindow(m);
  EXPECT_EQ(std::vector<int>({m->x, m->y, m->width, m->height}), std::vector<int>({-1, -1, 1028, 772}));
  MaximizeWindow(m);
  EXPECT_EQ(m->width, 1028);
  MinimizeWindow(m);
  MinimizeWindow(m);
  EXPECT_EQ(m->minimized, 1);
  RestoreWindow(m);  // minimised first
  EXPECT_EQ(m->minimized, 0);
  EXPECT_EQ(m->maximized, 1);
  RestoreWindow(m);  // then maximised
  EXPECT_EQ(std::vector<int>({m->x, m->y, m->width, m->height}), std::vector<int>({100, 50, 300, 250}));
}

// A bar taking the top 40 pixels moves every window down with the work
// area and refits the maximised ones; the root property follows.
TEST_F(FrameGeometryTest, AWorkAreaChangeMovesEveryWindow) {
  state_.constrainedMode = 1;
  ManagedWindow* plain = CreateFrame(&state_, 100, 100, 300, 200, "p", "p", 0, 0, 1, 1, 1, 0);
  ManagedWindow* big = CreateFrame(&state_, 0, 0, 500, 400, "b", "b", 0, 0, 1, 1, 1, 0);
  MaximizeWindow(big);
  SetWorkArea(&state_, 0, 40, 1024, 768);
  EXPECT_EQ(std::vector<int>({plain->x, plain->y, plain->width, plain->height}),
            std::vector<int>({100, 140, 200, 100}));
  EXPECT_EQ(std::vector<int>({big->x, big->y, big->width, big->height}), std::vector<int>({-1, 39, 1028, 732}));
  EXPECT_EQ(std::vector<int>(big->normal, big->normal + 4), std::vector<int>({0, 40, 500, 440}));
  const qwtest::PropertyValue area = qwtest::ReadRootProperty(state_.sdk.display, "_WIN_WORKAREA");
  EXPECT_EQ(area.values, (std::vector<long>{0, 40, 1024, 768}));
  EXPECT_EQ(area.typeName, "_WIN_WORKAREA");
  // An empty or inverted area is refused.
  SetWorkArea(&state_, 500, 40, 100, 768);
  EXPECT_EQ(state_.workArea[0], 0);
}

}  // namespace
