// What an instance name, a class and Motif hints say about a frame, and how
// rectangles move into a new work area: pure functions, tables of cases.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "wm/manager/ClassRules.h"
#include "wm/manager/WorkArea.h"
#include "wm/session/ScreenState.h"

namespace {

TEST(ClassRulesTest, RuleBooleans) {
  const struct {
    const char* text;
    int value;
  } cases[] = {
      {"true", 1},  {"t", 1},     {"yes", 1},    {"y", 1},     {"on", 1},  {"1", 1},
      {"true,x", 1}, {"yes,", 1}, {"truex", 0},  {"false", 0}, {"off", 0}, {"0", 0},
      {"", 0},      {"no", 0},    {"TRUE", 0},   {"2", 0},     {"y ", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(ParseRuleBoolean(c.text), c.value) << '"' << c.text << '"';
  EXPECT_EQ(ParseRuleBoolean(nullptr), 0);
}

TEST(ClassRulesTest, RuleWordsOfInstanceNames) {
  const struct {
    const char* name;
    unsigned word;
  } cases[] = {
      {"xterm", 0},
      {"x,borders=false,layer=6", 0x506},
      {"x,borders=off,layer=6", 0x506},
      {"x,borders=true,layer=6", 0x406},
      {"x,borders=truex", 0x100},  // the value must end at a comma
      {"x,zoom=yes", 0x4000},
      {"x,zoom=no", 0},
      {"x,save_position=no", 0x1000},
      {"x,save-position=yes", 0},
      {"x,save_size=0,save-zoom=n", 0x2800},
      {"x,minimize=false,maximize=false,close=false", 0x38000},
      {"x,resize=no,move=no,menu=no", 0xC0200},
      {"x,,unknown=1,,layer=2", 0x402},
      {"x,borders=false,borders=true", 0x100},  // true never clears
      // A layer is clamped to 0..255: it never spills into the rule bits.
      {"x,layer=256", 0x4FF},
      {"x,layer=99999999999999999999", 0x4FF},
      {"x,layer=-3", 0x400},
      {"x,layer=", 0x400},
      {"x,", 0},
      {",", 0},
      {"x,layer=7,", 0x407},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ParseClassRules(c.name), c.word) << c.name;
  EXPECT_EQ(ParseClassRules(nullptr), 0u);
  // A long hostile name is read to its end, no further.
  std::string longName = "x";
  for (int i = 0; i < 2000; ++i) longName += ",zoom=yes,bogus";
  EXPECT_EQ(ParseClassRules(longName.c_str()), 0x4000u);
}

TEST(ClassRulesTest, ClassKeys) {
  const struct {
    const char* instance;
    const char* cls;
    bool hasKey;
    const char* key;
    const char* realClass;
    bool centre, notConstrained;
  } cases[] = {
      {nullptr, "Plain", true, "Plain", "Plain", false, false},
      {nullptr, nullptr, false, "", "", false, false},
      {"x", nullptr, false, "", "", false, false},
      {"QXmailEditorWindow", "Mail", true, "QXmailEditorWindow", "Mail", true, false},
      {"QXNonmodalDialog", nullptr, true, "QXNonmodalDialog", "", true, false},
      {"myapp", "VendorShell", true, "myapp", "myapp", false, false},
      {"AWTapp", "VendorShell", true, "VendorShell", "VendorShell", false, false},
      {"dialog", "TopLevelShell", true, "TopLevelShell", "TopLevelShell", false, false},
      {"tool", "TopLevelShell", true, "tool", "tool", false, false},
      {"qw5250", "QW5250", true, "QW5250", "QW5250", false, true},
      {nullptr, "ZE3270", true, "ZE3270", "ZE3270", false, true},
      {"x,layer=2", "XTerm", true, "XTerm", "XTerm", false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.instance ? c.instance : "(none)") + "/" + (c.cls ? c.cls : "(none)"));
    const ClassKey k = ChooseClassKey(c.instance, c.cls);
    EXPECT_EQ(k.hasKey, c.hasKey);
    EXPECT_EQ(k.key, c.key);
    EXPECT_EQ(k.realClass, c.realClass);
    EXPECT_EQ(k.centreOnPlacement, c.centre);
    EXPECT_EQ(k.notConstrained, c.notConstrained);
  }
}

TEST(ClassRulesTest, MotifHints) {
  const struct {
    const char* what;
    bool present;
    unsigned long flags, functions, decorations;
    long inputMode;
    int transient;
    int resizable;
    bool border;
    unsigned removed;
    bool modeless;
  } cases[] = {
      {"no hints", false, 0, 0, 0, 0, 0, 1, true, 0, false},
      {"all functions", true, 1, 0x1, 0, 0, 0, 1, true, 0, false},
      {"all but resize", true, 1, 0x3, 0, 0, 0, 0, true, 0, false},
      {"only resize", true, 1, 0x2, 0, 0, 0, 1, true, 0x1F & ~0x08u, false},
      {"only move and close", true, 1, 0x24, 0, 0, 0, 0, true, 0x06, false},
      {"input mode, transient", true, 4, 0, 0, 1, 1, 0, true, 0, false},
      {"input mode modeless", true, 4, 0, 0, 0, 1, 0, true, 0, true},
      {"input mode, top level", true, 4, 0, 0, 1, 0, 1, true, 0, false},
      {"no decorations", true, 2, 0, 0, 0, 0, 1, false, 0x0E, false},
      {"border and title only", true, 2, 0, 0xA, 0, 0, 1, true, 0x0E, false},
      {"all decorations but menu", true, 2, 0, 0x11, 0, 0, 1, true, 0x08, false},
      {"all decorations but border", true, 2, 0, 0x3, 0, 0, 1, false, 0, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    MotifHints h;
    h.present = c.present;
    h.flags = c.flags;
    h.functions = c.functions;
    h.decorations = c.decorations;
    h.inputMode = c.inputMode;
    EXPECT_EQ(MotifAllowsResize(&h, c.transient), c.resizable);
    EXPECT_EQ(MotifWantsBorder(h), c.border);
    EXPECT_EQ(MotifRemovedFunctions(h), c.removed);
    EXPECT_EQ(MotifModeless(h), c.modeless);
  }
  EXPECT_EQ(MotifAllowsResize(nullptr, 1), 1);
  EXPECT_EQ(RuleRemovedFunctions(ParseClassRules("x,menu=no,minimize=no,maximize=no,close=no,move=no")), 0x1Fu);
}

TEST(WorkAreaTest, RectanglesMoveIntoANewWorkArea) {
  const int full[4] = {0, 0, 1024, 768};
  const int belowBar[4] = {0, 40, 1024, 768};
  const struct {
    const char* what;
    const int* oldArea;
    const int* newArea;
    int constrain;
    int rect[4];
    int expected[4];
  } cases[] = {
      {"moved down with the area", full, belowBar, 1, {100, 100, 300, 200}, {100, 140, 300, 240}},
      {"pushed back up from below", full, belowBar, 1, {100, 700, 300, 760}, {100, 708, 300, 768}},
      {"too wide: fills the width", full, full, 1, {-50, 10, 1100, 100}, {0, 10, 1024, 100}},
      {"far right: brought back", full, full, 1, {1100, 10, 1200, 100}, {924, 10, 1024, 100}},
      {"free: keeps 32 pixels on the left", full, full, 0, {-500, 10, -100, 100}, {-368, 10, 32, 100}},
      {"free: keeps 32 pixels on the right", full, full, 0, {1010, 10, 1110, 100}, {992, 10, 1092, 100}},
      {"free: the title stays above the bottom", full, full, 0, {10, 900, 110, 950}, {10, 742, 110, 792}},
      {"free: not above the top", full, belowBar, 0, {10, -10, 110, 40}, {10, 40, 110, 90}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    int r[4] = {c.rect[0], c.rect[1], c.rect[2], c.rect[3]};
    ConstrainToWorkArea(r, c.oldArea, c.newArea, c.constrain, 25);
    EXPECT_EQ(std::vector<int>(r, r + 4), std::vector<int>(c.expected, c.expected + 4));
  }
}

TEST(WorkAreaTest, ClassRecordsAndSpecialClasses) {
  const struct {
    const char* key;
    int special;
  } classes[] = {{"Netscape", 1}, {"Netscape4", 1}, {"XV", 1},      {"xvf", 1},   {"TopLevelShelly", 1},
                 {"TopLevelShe", 1}, {"TopLevel", 0}, {"QW5250", 1}, {"XTerm", 0}, {"X", 0},
                 {"", 0},        {"xpdf", 1},       {"xpd", 0}};
  for (const auto& c : classes) EXPECT_EQ(IsSpecialApplicationClass(c.key), c.special) << c.key;

  ScreenState state;
  std::memset(static_cast<void*>(&state), 0, sizeof state);
  ScreenState* s = &state;
  EXPECT_EQ(ParseClassGeometry(s, "class/XTerm", "10,20,500,400,1"), 1);
  ClassRecord r = {};
  ASSERT_EQ(LookupClassRecord(s, "XTerm", &r), 1);
  EXPECT_EQ(r.geometryValid, 1);
  EXPECT_EQ(std::vector<int>({r.x1, r.y1, r.x2, r.y2, r.maximized}), std::vector<int>({10, 20, 500, 400, 1}));
  // A special class never remembers a geometry.
  EXPECT_EQ(ParseClassGeometry(s, "class/QW5250", "1,2,3,4,0"), 1);
  ASSERT_EQ(LookupClassRecord(s, "QW5250", &r), 1);
  EXPECT_EQ(r.geometryValid, 0);
  const char* bad[][2] = {{"class/A", "1,2,3,4"},  {"class/A", "1,2,3,4,5,6"}, {"class/A", "a,b,c,d,e"},
                          {"other/A", "1,2,3,4,0"}, {"class/", "1,2,3,4,0"},    {"class/A", ""}};
  for (const auto& b : bad) EXPECT_EQ(ParseClassGeometry(s, b[0], b[1]), 0) << b[0] << " " << b[1];
  EXPECT_EQ(LookupClassRecord(s, "A", &r), 0);
  ClassRecord update = {};
  update.geometryValid = 1;
  update.x1 = 1;
  update.x2 = 2;
  FindOrAddClassRecord(s, "XTerm", update);
  ASSERT_EQ(LookupClassRecord(s, "XTerm", &r), 1);
  EXPECT_EQ(r.x2, 2);
  EXPECT_EQ(r.maximized, 0);
  FreeClassRecords(s);
  EXPECT_EQ(s->classRecords, nullptr);
}

}  // namespace
