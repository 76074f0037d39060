// Entry fields painted with the highlighting colour of the resource
// "ENTRY_FIELD_HIGHLIGHTING" on a session window of the loopback host: the
// cells of an input field take it, protected text and bypass fields do not,
// and without the resource (or with an invalid one, which is logged) no
// cell does. At depths 24 and 16.
#include <gtest/gtest.h>  // before Xlib, whose None and Bool macros clash with it

#include <X11/Xlib.h>
#include <Xm/Xm.h>

#include <string>

#include "session/AppResources.h"
#include "tests/datastream/RecordGlueFixtures.h"
#include "tests/support/LogCapture.h"
#include "tests/xpaint/DepthSessionPainting.h"
#include "xfront/XStuff.h"

namespace {

using namespace glue_test;
using namespace paint_test;

Bytes Sba(int row, int column) { return B({0x11, row, column}); }
// SF with field format word ffw (2 bytes) and an attribute, `length` long.
Bytes Field(int ffw, int attribute, int length) { return B({0x1D, ffw >> 8, ffw & 0xFF, attribute, 0, length}); }

Bytes Screen() {
  return Cat({B({0x04, 0x40}), B({0x04, 0x11, 0x00, 0x08}),
              Sba(5, 2), B({0x20}), Ebcdic("Name  . . ."),
              Sba(5, 20), Field(0x4000, 0x20, 10), Ebcdic("JONES"),
              Sba(5, 31), B({0x20}),
              Sba(7, 20), Field(0x6000, 0x20, 10), Ebcdic("BYPASS"),  // bypass: protected
              Sba(7, 31), B({0x20}),
              B({0x13, 5, 21})});
}

struct Case {
  int depth;
  const char* resource;  // null: not set
  bool lit;
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.depth << " bits, " << (c.resource ? c.resource : "unset"); }

class EntryFieldHighlighting : public DepthSessionPainting<Case> {
 protected:
  int Depth() const override { return GetParam().depth; }
  void Resources() override {
    AppResources().ENTRY_FIELD_HIGHLIGHTING = const_cast<char*>(GetParam().resource);
  }
  qwtest::LogCapture log_;
};

TEST_P(EntryFieldHighlighting, InputFieldsTakeTheColourAndNothingElseDoes) {
  ASSERT_NO_FATAL_FAILURE(Send(Screen()));
  XStuff& x = block_->xstuff;
  // The colour as this server makes it: 255 0 255.
  XColor magenta{};
  magenta.red = magenta.blue = 0xFFFF;
  Display* d = ToolkitDisplay();
  ASSERT_TRUE(XAllocColor(d, DefaultColormap(d, DefaultScreen(d)), &magenta));
  if (GetParam().lit) EXPECT_EQ(x.entryHighlightPixel(), magenta.pixel);

  CellProbe probe;
  ASSERT_NO_FATAL_FAILURE(Probe(&probe));
  const int cell = probe.cellWidth * probe.cellHeight;
  // The field's text and its empty positions (the cursor stands on 21).
  for (int column : {22, 23, 26, 30}) {
    SCOPED_TRACE("input field column " + std::to_string(column));
    if (GetParam().lit)
      EXPECT_GT(probe.count(5, column, magenta.pixel), cell / 2);
    else
      EXPECT_EQ(probe.count(5, column, magenta.pixel), 0);
  }
  for (int column : {3, 8, 20, 31, 32}) EXPECT_EQ(probe.count(5, column, magenta.pixel), 0) << "column " << column;
  for (int column : {21, 25, 30}) EXPECT_EQ(probe.count(7, column, magenta.pixel), 0) << "bypass, column " << column;

  const bool invalid = GetParam().resource && !GetParam().lit;
  EXPECT_EQ(log_.Contains("Invalid color '" + std::string(invalid ? GetParam().resource : "") +
                          "' specifed for entry field highlighting...ignored."),
            invalid);
}

INSTANTIATE_TEST_SUITE_P(Resources, EntryFieldHighlighting,
                         ::testing::Values(Case{24, "255 0 255", true}, Case{24, nullptr, false},
                                           Case{24, "magenta", false}, Case{16, "255 0 255", true}),
                         [](const ::testing::TestParamInfo<Case>& i) {
                           return "Depth" + std::to_string(i.param.depth) +
                                  (i.param.lit ? "Set" : i.param.resource ? "Invalid" : "Unset");
                         });

}  // namespace
