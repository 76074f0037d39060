// The X display device without a display: a recording window stands in for
// the session window. Display attribute words from field attributes and the
// extended planes, display characters, the range handed to the window,
// compressed updates, marking outlines, push buttons and the indicator words.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "display/CopiedDataInformation.h"
#include "display/NormalCharacterBufferImplementation.h"
#include "xfront/DisplayAttributes.h"
#include "xfront/MarkedArea.h"
#include "xfront/RenderingWindow.h"
#include "xfront/RenderingX.h"

namespace {

struct Write {
  int pos;
  std::vector<unsigned char> chars;
  std::vector<unsigned short> attrs;
};

class RecordingWindow : public RenderingWindow {
 public:
  std::vector<Write> writes;
  std::vector<std::string> calls;
  bool ruleShown = false;

  void x_write(int pos, const unsigned char* c, const unsigned short* a, int len, char) override {
    writes.push_back({pos, std::vector<unsigned char>(c, c + len), std::vector<unsigned short>(a, a + len)});
  }
  void x_clear() override { log("x_clear"); }
  void x_set_rows_columns(int r, int c) override { log("x_set_rows_columns(%d,%d)", r, c); }
  void x_cursor(int pos) override { log("x_cursor(%d)", pos); }
  void x_set_cursor_plane(PlaneNumber p) override { log("x_set_cursor_plane(%d)", p); }
  void x_set_shadow_cursor_row(unsigned int r) override { log("x_set_shadow_cursor_row(%u)", r); }
  void x_set_text_symbols_display_plane(PlaneNumber p) override { log("x_set_text_symbols_display_plane(%d)", p); }
  void x_set_cursor_blink(int on) override { log("blink=%d", on); }
  void x_hide_cursor(unsigned int on) override { log("hide=%u", on); }
  void x_set_text_symbols_display_on_whole_screen(unsigned int on) override { log("symbolsWhole=%u", on); }
  void x_set_reset_text_symbols_display(unsigned int on) override { log("symbols=%u", on); }
  void x_set_reset_enptui_symbols_display(unsigned int on) override { log("enptui=%u", on); }
  void x_ding(unsigned int later) override { log("ding=%u", later); }
  void x_sys(int on) override { log("sys=%d", on); }
  void x_inserting(unsigned int on) override { log("insert=%u", on); }
  void x_msgWait(int on) override { log("msgWait=%d", on); }
  void x_typeahead(unsigned int on) override { log("typeahead=%u", on); }
  void x_capslock(unsigned int on) override { log("caps=%u", on); }
  void x_shiftkey(unsigned int on) override { log("shift=%u", on); }
  void x_lang_shift(unsigned int on) override { log("lang=%u", on); }
  void x_diacritic(unsigned int on) override { log("diacritic=%u", on); }
  void x_rtlcursor(unsigned int on) override { log("rtlcursor=%u", on); }
  void x_rtlscreen(unsigned int on) override { log("rtlscreen=%u", on); }
  void x_draw_pushbutton(unsigned int p, unsigned int l, char h, char hs) override {
    log("button(%u,%u,%d,%d)", p, l, h, hs);
  }
  void x_erase_pushbutton(unsigned int p, unsigned int l) override { log("erase(%u,%u)", p, l); }
  void x_copy_button(unsigned int on) override { log("copy=%u", on); }
  void x_cut_button(unsigned int on) override { log("cut=%u", on); }
  void x_paste_button(unsigned int on) override { log("paste=%u", on); }
  void x_popup_edit_menu() override { log("popup"); }
  void x_copy(CopiedDataInformation* info) override {
    copied.assign(info->data, info->data + info->length);
  }
  void x_get_copied_data(CopiedDataInformation*, unsigned int) override {}
  void defineLine(DRAW_LINE_METHOD side, int from, int to, int n) override {
    log("line%d(%d,%d,%d)", n, side, from, to);
  }
  void drawMarkingLines(int count) override { log("draw(%d)", count); }
  void unmarkText() override { log("unmark"); }
  bool ruleLineShown() const override { return ruleShown; }
  void drawRuleLine() override { log("rule"); }

  std::vector<unsigned char> copied;

 private:
  void log(const char* format, ...) {
    char text[96];
    va_list ap;
    va_start(ap, format);
    std::vsnprintf(text, sizeof text, format, ap);
    va_end(ap);
    calls.push_back(text);
  }
};

// A display table that marks translated bytes: byte b shows as b ^ 0x80.
struct MarkingTable {
  unsigned char t[256];
  MarkingTable() {
    for (int i = 0; i < 256; ++i) t[i] = static_cast<unsigned char>(i ^ 0x80);
  }
};

class RenderingXTest : public ::testing::Test {
 protected:
  RenderingXTest() { make(24, 80); }
  void make(unsigned int rows, unsigned int columns) {
    device.reset();
    window = RecordingWindow{};
    char* area = static_cast<char*>(std::malloc(RenderingX::kAreaSize));
    device = std::make_unique<RenderingX>(rows, columns, &window, table.t, area, RenderingX::kAreaSize);
  }
  void put(unsigned int at, std::vector<unsigned char> bytes) {
    device->updatePresentationSpacePlane(bytes.data(), 0, at, static_cast<unsigned int>(bytes.size()));
  }
  unsigned short attr(int p) const { return device->displayAttributes()[p]; }

  MarkingTable table;
  RecordingWindow window;
  std::unique_ptr<RenderingX> device;
};

TEST_F(RenderingXTest, FieldAttributesGiveTheirDisplayWordsAndTheAttributeByteIsNonDisplay) {
  const unsigned short expected[32] = {0x000C, 0x004C, 0x000F, 0x004F, 0x008C, 0x00CC, 0x008F, 0x4000,
                                       0x000A, 0x004A, 0x002A, 0x006A, 0x008A, 0x00CA, 0x00AA, 0x4000,
                                       0x010D, 0x014D, 0x010E, 0x014E, 0x018D, 0x01CD, 0x018E, 0x4000,
                                       0x000B, 0x004B, 0x0009, 0x0049, 0x008B, 0x00CB, 0x0089, 0x4000};
  for (int i = 0; i < 32; ++i) {
    SCOPED_TRACE(i);
    make(24, 80);
    put(100, {static_cast<unsigned char>(0x20 + i), 0xC1, 0xC2});
    EXPECT_EQ(attr(100), 0x4000);
    EXPECT_EQ(attr(101), expected[i]);
    EXPECT_EQ(attr(102), expected[i]);
    EXPECT_EQ(device->displayCharacters()[100], 0x20);  // the attribute byte shows as a blank
    EXPECT_EQ(device->displayCharacters()[101], 0xC1 ^ 0x80);
  }
}

TEST_F(RenderingXTest, ExtendedPlanesOverrideTheFieldAttribute) {
  struct Case {
    unsigned char primary, secondary, colour;
    unsigned short word;
  } cases[] = {
      {0x80, 0x00, 0x00, 0x000C},  // nothing in force: the field attribute (0x20)
      {0x20, 0x00, 0x00, 0x000C},  // primary index 0
      {0x21, 0x00, 0x00, 0x004C},  // reverse
      {0x22, 0x00, 0x00, 0x000F},  // white
      {0x24, 0x00, 0x00, 0x008C},  // underline
      {0x28, 0x00, 0x00, 0x002C},  // blink
      {0x30, 0x00, 0x00, 0x010C},  // column separators
      {0x3F, 0x00, 0x00, 0x01EF},
      {0x80, 0x84, 0x00, 0x008C},  // secondary bit 0x04 underlines
      {0x80, 0x00, 0x80, 0x000C},  // colour 0x80 and 0x81 leave the field's colour
      {0x80, 0x00, 0x81, 0x000C},
      {0x80, 0x00, 0x82, 0x0009},  // blue
      {0x80, 0x00, 0x88, 0x000A},  // red
      {0x80, 0x00, 0x8A, 0x000B},  // pink
      {0x80, 0x00, 0x86, 0x000D},  // turquoise
      {0x80, 0x00, 0x8C, 0x000E},  // yellow
      {0x21, 0x00, 0x8E, 0x004F},  // reverse kept, colour white
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << int(c.primary) << " " << int(c.secondary) << " " << int(c.colour));
    make(24, 80);
    unsigned char planes[3][3696] = {};
    planes[0][200] = c.primary;
    planes[1][200] = c.secondary;
    planes[2][200] = c.colour;
    NormalCharacterBufferImplementation p(planes[0], 3696), s(planes[1], 3696), k(planes[2], 3696);
    unsigned char ps[3696] = {};
    ps[199] = 0x20;
    ps[200] = 0xC1;
    device->updateAllPlanes(ps, 199, 2, &p, 200, 1, &s, 200, 1, &k, 200, 1);
    EXPECT_EQ(attr(200), c.word);
    EXPECT_EQ(attr(199), 0x4000);
  }
}

TEST_F(RenderingXTest, NonDisplayFieldHidesUpToTheNextAttribute) {
  put(0, {0x27, 0xC1, 0xC2, 0xC3, 0x20, 0xC4});
  for (int p = 0; p < 4; ++p) EXPECT_EQ(attr(p), 0x4000) << p;
  EXPECT_EQ(attr(4), 0x4000);  // the next attribute byte
  EXPECT_EQ(attr(5), 0x000C);
}

TEST_F(RenderingXTest, ChangingOneAttributeRepaintsOnlyWhatChanged) {
  put(0, {0x20, 0xC1, 0xC1, 0xC1, 0x22, 0xC2, 0xC2});
  window.writes.clear();
  // 0x20 -> 0x24 underlines positions 1-3; position 4 already holds 0x22.
  put(0, {0x24});
  ASSERT_EQ(window.writes.size(), 1u);
  EXPECT_EQ(window.writes[0].pos, 0);
  // 0 (attribute, forced one further) .. 3 changed, 4 unchanged stops the run.
  EXPECT_EQ(window.writes[0].attrs.size(), 5u);
  EXPECT_EQ(window.writes[0].attrs[1], 0x008C);
}

TEST_F(RenderingXTest, TheRowAfterTheScreenIsNeverSentAndTheLastCellIs) {
  // 24 x 80: planes of 2,000 positions, 1,920 shown.
  EXPECT_EQ(device->screenSize(), 2000u);
  put(1919, {0xC1});
  ASSERT_EQ(window.writes.size(), 1u);
  EXPECT_EQ(window.writes[0].pos, 1919);
  EXPECT_EQ(window.writes[0].chars.size(), 1u);  // exactly the last cell
  window.writes.clear();
  put(1930, {0xC1, 0xC2});
  EXPECT_TRUE(window.writes.empty());
  // A range running into the hidden row is cut at the screen's end.
  put(1910, std::vector<unsigned char>(30, 0x22));
  ASSERT_EQ(window.writes.size(), 1u);
  EXPECT_EQ(window.writes[0].pos + static_cast<int>(window.writes[0].chars.size()), 1920);
}

TEST_F(RenderingXTest, OutOfRangeUpdatesAreRefusedNotFatal) {
  std::vector<unsigned char> bytes(10, 0xC1);
  device->updatePresentationSpacePlane(bytes.data(), 0, 2000, 10);
  device->updatePresentationSpacePlane(bytes.data(), 0, 5, 0);
  EXPECT_TRUE(window.writes.empty());
  device->updatePresentationSpacePlane(bytes.data(), 0, 1995, 10);  // cut to the planes
  unsigned char out[5] = {};
  device->getPresentationSpaceBufferData(1995, 5, out);
  EXPECT_EQ(out[4], 0xC1);
  device->updatePrimaryECBPlane(4000, 1);
  device->updateAllPlanes(nullptr, 0, 0, nullptr, 0, 0, nullptr, 0, 0, nullptr, 0, 0);
}

TEST_F(RenderingXTest, CompressedUpdatesExpandOrAreRefusedWhole) {
  struct Case {
    const char* name;
    std::vector<unsigned char> data;
    size_t expanded;  // 0: nothing applied
  } cases[] = {
      {"run", {0x11, 0xC1, 3}, 3},
      {"plain bytes", {0xC1, 0xC2}, 2},
      {"run of zero", {0x11, 0xC1, 0}, 0},
      {"cut run", {0xC1, 0x11, 0xC1}, 0},
      {"lone marker", {0x11}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    make(24, 80);
    device->updatePresentationSpaceCompressed(c.data.data(), static_cast<unsigned int>(c.data.size()), 0);
    size_t written = 0;
    for (const Write& w : window.writes) written = std::max(written, w.pos + w.chars.size());
    if (c.expanded == 0) {
      EXPECT_TRUE(window.writes.empty());
    } else {
      unsigned char ps[4] = {};
      device->getPresentationSpaceBufferData(0, 4, ps);
      EXPECT_EQ(ps[c.expanded - 1], c.data.size() == 3 ? c.data[1] : c.data.back());
      EXPECT_EQ(ps[c.expanded], 0);
    }
  }
  // Exactly 2,000 expanded bytes are taken; one more is refused.
  std::vector<unsigned char> full;
  for (int i = 0; i < 8; ++i) full.insert(full.end(), {0x11, 0xC1, 250});
  make(24, 80);
  device->updatePresentationSpaceCompressed(full.data(), static_cast<unsigned int>(full.size()), 0);
  unsigned char last = 0;
  device->getPresentationSpaceBufferData(1999, 1, &last);
  EXPECT_EQ(last, 0xC1);
  full.push_back(0xC2);
  make(24, 80);
  device->updatePresentationSpaceCompressed(full.data(), static_cast<unsigned int>(full.size()), 0);
  device->getPresentationSpaceBufferData(1999, 1, &last);
  EXPECT_EQ(last, 0);
  EXPECT_TRUE(window.writes.empty());
}

TEST_F(RenderingXTest, IndicatorWordsFanOutInOrder) {
  auto bit = [](int n) { return 1u << n; };
  device->updateIndicators(bit(27) | bit(31) | bit(22), bit(26) | bit(22) | bit(21) | bit(30));
  const std::vector<std::string> expected = {
      "ding=1",      "blink=0",    "hide=1",  "symbolsWhole=0", "symbols=0",    "enptui=1",
      "sys=1",       "insert=0",   "msgWait=0", "typeahead=1",  "caps=0",       "shift=0",
      "lang=0",      "diacritic=1", "rtlcursor=0", "rtlscreen=1"};
  EXPECT_EQ(window.calls, expected);
  window.calls.clear();
  device->updateIndicators(bit(30), bit(27) | bit(25) | bit(29) | bit(28) | bit(23) | bit(31));
  EXPECT_EQ(window.calls[0], "blink=1");  // no bell without bit 27
  ASSERT_EQ(window.calls.size(), 15u);
  EXPECT_EQ(window.calls[6], "insert=1");
  EXPECT_EQ(window.calls[7], "msgWait=1");
  EXPECT_EQ(window.calls[9], "caps=1");
  EXPECT_EQ(window.calls[10], "shift=1");
  EXPECT_EQ(window.calls[11], "lang=1");
  EXPECT_EQ(window.calls[13], "rtlcursor=1");
}

TEST_F(RenderingXTest, MarkingHandsTheOutlineToTheWindow) {
  device->markLinearArea(85, 245, 0);  // rows 1-3, columns 5 to 5
  std::vector<std::string> expected = {"line0(0,85,159)",  "line1(3,159,239)", "line2(1,166,239)",
                                       "line3(3,245,245)", "line4(1,240,245)", "line5(2,160,240)",
                                       "line6(0,160,164)", "line7(2,85,85)",   "draw(8)"};
  EXPECT_EQ(window.calls, expected);
  EXPECT_TRUE(device->flags() & RenderingX::kMarked);
  // A block over a linear mark is refused; unmarking twice is harmless.
  window.calls.clear();
  device->markBlockArea(0, 81);
  EXPECT_TRUE(window.calls.empty());
  device->unmarkArea();
  device->unmarkArea();
  EXPECT_EQ(window.calls, std::vector<std::string>{"unmark"});
}

TEST(MarkedAreaOutline, BlocksRowsAndFlows) {
  using S = MarkingSegment;
  struct Case {
    const char* name;
    int start, end;
    bool block, mirrored;
    std::vector<S> segments;
  } cases[] = {
      {"block from its corners", 85, 247, true, false,
       {{kLineTop, 85, 87}, {kLineRight, 87, 247}, {kLineBottom, 245, 247}, {kLineLeft, 85, 245}}},
      {"block anchored top right", 87, 245, true, false,
       {{kLineTop, 85, 87}, {kLineRight, 87, 247}, {kLineBottom, 245, 247}, {kLineLeft, 85, 245}}},
      {"one row", 10, 14, false, false,
       {{kLineTop, 10, 14}, {kLineRight, 14, 14}, {kLineBottom, 10, 14}, {kLineLeft, 10, 10}}},
      {"two rows from column 0 to the last column", 80, 239, false, false,
       {{kLineTop, 80, 159}, {kLineRight, 159, 159}, {kLineRight, 239, 239}, {kLineBottom, 160, 239},
        {kLineLeft, 160, 240 - 80}, {kLineLeft, 80, 80}}},
      {"mirrored two rows", 85, 165, false, true,
       {{kLineTop, 80, 85}, {kLineLeft, 80, 80}, {kLineBottom, 80, 84}, {kLineLeft, 165, 165},
        {kLineBottom, 165, 239}, {kLineRight, 239, 239}, {kLineTop, 166, 239}, {kLineRight, 85, 85}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(MarkedAreaOutline(c.start, c.end, 80, c.block, c.mirrored), c.segments);
  }
}

TEST_F(RenderingXTest, PushButtonsAreLimitedAndRedrawsAreNotCounted) {
  for (unsigned int i = 0; i < RenderingX::kMaxPushButtons; ++i) device->drawPushButton(i * 10, 5, 0, 0);
  EXPECT_EQ(device->pushButtonCount(), 128u);
  window.calls.clear();
  device->drawPushButton(1500, 5, 0, 0);  // a 129th: refused, the session goes on
  EXPECT_TRUE(window.calls.empty());
  device->drawPushButton(0, 5, 1, 1);  // a redraw (a clicked hot spot) still draws, as a hot spot
  EXPECT_EQ(window.calls, std::vector<std::string>{"button(0,5,1,1)"});
  EXPECT_EQ(device->pushButtonCount(), 128u);
  window.calls.clear();
  device->erasePushButtons(15, 35);
  EXPECT_EQ(window.calls, (std::vector<std::string>{"erase(20,5)", "erase(30,5)"}));
  EXPECT_EQ(device->pushButtonCount(), 126u);
  EXPECT_EQ(device->pushButtonPosition(2), 40u);
  for (auto bad : {std::vector<unsigned int>{1995, 5}, {100, 0}, {100, 81}}) {
    window.calls.clear();
    device->drawPushButton(bad[0], bad[1], 0, 1);
    EXPECT_TRUE(window.calls.empty());
  }
}

TEST_F(RenderingXTest, FieldByFieldCopySkipsLeadingControlsAndStopsAtTheFieldEnd) {
  put(80, {0x20, 0xC1, 0xC2, 0x20, 0xC3});
  put(160, {0x00, 0x1F, 0xC4});
  CopiedDataInformation info;
  info.startCell = 80;
  info.endCell = 162;
  info.flags = 1u << 27;
  device->copyArea(&info);
  // Row 1: attribute skipped, C1 C2 0x20(<0x40 taken after start) C3 ...; row 2 stops after 0x1F.
  ASSERT_GE(window.copied.size(), 3u);
  EXPECT_EQ(window.copied[0], 0xC1);
  EXPECT_EQ(window.copied.back(), 0x1F);
}

TEST_F(RenderingXTest, LargeWorkBuffersComeFromTheHeapAndGoBack) {
  void* big = device->WsGetBuffer(40000);
  ASSERT_NE(big, nullptr);
  EXPECT_EQ(device->heapBuffers(), 1u);
  device->WsFreeBuffer(big);
  EXPECT_EQ(device->heapBuffers(), 0u);
  void* small = device->WsGetBuffer(100);
  EXPECT_EQ(device->heapBuffers(), 0u);
  device->WsFreeBuffer(small);
}

TEST_F(RenderingXTest, CursorSizeAndClearsReachTheWindow) {
  device->setCursorPosition(81);
  device->setScreenSize(27, 132);
  device->clearAllPlanes(0);
  EXPECT_EQ(window.calls, (std::vector<std::string>{"x_cursor(81)", "x_set_rows_columns(27,132)", "x_clear"}));
  EXPECT_EQ(device->screenSize(), 3696u);
  put(27 * 132 - 1, {0xC1});
  ASSERT_EQ(window.writes.size(), 1u);
  EXPECT_EQ(window.writes[0].pos, 27 * 132 - 1);
}

// A window that keeps its screen copy as the session window does, and
// counts what it is handed and when a burst holds it.
class CopyWindow : public RecordingWindow {
 public:
  std::vector<unsigned char> chars = std::vector<unsigned char>(RenderingX::kBufferSize, 0x20);
  std::vector<unsigned short> attrs = std::vector<unsigned short>(RenderingX::kBufferSize, 0);
  int holds = 0, releases = 0;
  bool held = false;

  void x_write(int pos, const unsigned char* c, const unsigned short* a, int len, char perCell) override {
    RecordingWindow::x_write(pos, c, a, len, perCell);
    for (int i = 0; i < len; ++i) {
      chars[pos + i] = c[i];
      attrs[pos + i] = a[i];
    }
  }
  void x_clear() override {
    RecordingWindow::x_clear();
    std::fill(chars.begin(), chars.end(), 0x20);
    std::fill(attrs.begin(), attrs.end(), 0);
  }
  void x_hold_updates(bool hold) override {
    held = hold;
    ++(hold ? holds : releases);
  }
};

struct Device {
  MarkingTable table;
  CopyWindow window;
  RenderingX device{24, 80, &window, table.t, static_cast<char*>(std::malloc(RenderingX::kAreaSize)),
                    RenderingX::kAreaSize};
};

using Step = std::function<void(RenderingX&)>;

Step Put(unsigned int at, std::vector<unsigned char> bytes) {
  return [at, bytes](RenderingX& d) {
    d.updatePresentationSpacePlane(bytes.data(), 0, at, static_cast<unsigned int>(bytes.size()));
  };
}

// Characters at `first`, a primary extended attribute at `primaryAt`.
Step AllPlanes(unsigned int first, std::vector<unsigned char> bytes, unsigned int primaryAt, unsigned char primary) {
  return [=](RenderingX& d) {
    static unsigned char ps[3696], planes[3][3696];
    std::fill(std::begin(ps), std::end(ps), 0);
    for (auto& p : planes) std::fill(std::begin(p), std::end(p), 0);
    std::copy(bytes.begin(), bytes.end(), ps + first);
    planes[0][primaryAt] = primary;
    NormalCharacterBufferImplementation p(planes[0], 3696), s(planes[1], 3696), k(planes[2], 3696);
    d.updateAllPlanes(ps, first, static_cast<unsigned int>(bytes.size()), &p, primaryAt, 1, &s, 0, 0, &k, 0, 0);
  };
}

// Held updates: the window gets nothing until the release and then one
// write of the union of their ranges; the result, the device's and the
// window's copy, is what the same updates give one by one.
TEST(RenderingXHold, HeldUpdatesReachTheWindowOnceAsTheyWouldOneByOne) {
  struct Case {
    const char* name;
    std::vector<Step> steps;
  } cases[] = {
      {"texts and attributes far apart",
       {Put(0, {0x20, 0xC1, 0xC2, 0xC3}), Put(500, {0x28, 0xC4, 0xC5}), Put(2, {0x22, 0xC6}),
        Put(1000, {0x27, 0xC7}), Put(0, {0x3A})}},
      {"an attribute whose field runs past the last range",
       {Put(100, {0x20, 0xC1, 0xC1, 0xC1, 0x22, 0xC2}), Put(100, {0x24}), Put(102, {0xC3})}},
      {"the same positions over and over",
       {Put(80, {0x20, 0xC1}), Put(80, {0x28, 0xC2}), Put(80, {0x3A, 0xC3}), Put(80, {0x21, 0xC4})}},
      {"extended planes",
       {AllPlanes(199, {0x20, 0xC1, 0xC2}, 200, 0x21), Put(150, {0x28, 0xC5}),
        AllPlanes(300, {0x22, 0xC3}, 301, 0x24)}},
      {"a cleared extended plane",
       {AllPlanes(199, {0x20, 0xC1, 0xC2}, 200, 0x21), Put(400, {0x22}),
        [](RenderingX& d) { d.clearPrimaryECBPlane(); }}},
      {"a clear between",
       {Put(0, {0x28, 0xC1, 0xC2}), Put(900, {0x22, 0xC3}), [](RenderingX& d) { d.clearPresentationSpace(); },
        Put(40, {0x3A, 0xC4})}},
      {"a new screen size between",
       {Put(1900, {0x28, 0xC1, 0xC2}), [](RenderingX& d) { d.setScreenSize(27, 132); },
        Put(27 * 132 - 3, {0x22, 0xC3})}},
      {"a compressed update",
       {Put(5, {0x22}), [](RenderingX& d) {
          const unsigned char data[] = {0x28, 0xC1, 0x11, 0xC2, 30, 0x20};
          d.updatePresentationSpaceCompressed(data, sizeof data, 0);
        }}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Device one, held;
    for (const Step& step : c.steps) step(one.device);
    held.device.holdScreenRebuilds();
    EXPECT_TRUE(held.window.held);
    held.window.writes.clear();
    for (const Step& step : c.steps) step(held.device);
    const bool resized = held.device.screenSize() != 2000u;
    if (!resized) EXPECT_TRUE(held.window.writes.empty());
    const size_t before = held.window.writes.size();
    held.device.releaseScreenRebuilds();
    EXPECT_FALSE(held.window.held);
    EXPECT_EQ(held.window.releases, 1);
    EXPECT_EQ(held.window.writes.size(), before + 1);
    EXPECT_LE(held.window.writes.size(), one.window.writes.size());
    const int size = static_cast<int>(one.device.screenSize());
    ASSERT_EQ(held.device.screenSize(), one.device.screenSize());
    const std::vector<unsigned char> oneChars(one.device.displayCharacters(), one.device.displayCharacters() + size),
        heldChars(held.device.displayCharacters(), held.device.displayCharacters() + size);
    const std::vector<unsigned short> oneAttrs(one.device.displayAttributes(), one.device.displayAttributes() + size),
        heldAttrs(held.device.displayAttributes(), held.device.displayAttributes() + size);
    EXPECT_EQ(heldChars, oneChars);
    EXPECT_EQ(heldAttrs, oneAttrs);
    EXPECT_EQ(held.window.chars, one.window.chars);
    EXPECT_EQ(held.window.attrs, one.window.attrs);
  }
}

// What reads the device's result while it is held gets it settled: the
// display characters and attributes and a copy; the window has it too.
TEST(RenderingXHold, ReadersWhileHeldSeeTheUpdates) {
  Device d;
  d.device.holdScreenRebuilds();
  d.device.holdScreenRebuilds();  // holds nest
  Put(0, {0x27, 0xC1, 0xC2, 0x20, 0xC3})(d.device);
  EXPECT_TRUE(d.window.writes.empty());
  EXPECT_EQ(d.device.displayAttributes()[1], 0x4000);
  EXPECT_EQ(d.device.displayCharacters()[4], 0xC3 ^ 0x80);
  ASSERT_EQ(d.window.writes.size(), 1u);
  EXPECT_EQ(d.window.chars[4], 0xC3 ^ 0x80);

  // A non-display field written while held: a copy shows its data as
  // blanks, as it would have without the hold.
  Put(10, {0x27, 0xC4, 0xC5})(d.device);
  CopiedDataInformation info{};
  info.startCell = 0;
  info.endCell = 12;
  d.device.copyArea(&info);
  EXPECT_EQ(d.window.copied,
            (std::vector<unsigned char>{0x27, 0x40, 0x40, 0x20, 0xC3, 0, 0, 0, 0, 0, 0x27, 0x40, 0x40}));

  Put(20, {0xC6})(d.device);
  d.device.releaseScreenRebuilds();
  EXPECT_TRUE(d.window.held);
  EXPECT_EQ(d.window.chars[20], 0x20);  // still held: the outer hold
  d.device.settleScreen();
  EXPECT_EQ(d.window.chars[20], 0xC6 ^ 0x80);
  d.device.releaseScreenRebuilds();
  EXPECT_FALSE(d.window.held);
  EXPECT_EQ(d.window.holds, 1);
  EXPECT_EQ(d.window.releases, 1);
  // An unmatched release changes nothing.
  d.device.releaseScreenRebuilds();
  EXPECT_FALSE(d.device.rebuildsHeld());
}

}  // namespace
