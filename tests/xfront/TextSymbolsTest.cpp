// Which positions show a text-assist symbol, by the shown plane, the
// text-symbols display switch and non-display.
#include <gtest/gtest.h>

#include "xfront/TextSymbols.h"

namespace {

using namespace text_symbol;

TEST(TextSymbols, KindsByPlaneDisplaySwitchAndNonDisplay) {
  struct Case {
    const char* name;
    unsigned char presentation, shown;
    int plane;
    bool on, nonDisplay;
    int kind;
  } cases[] = {
      {"carrier return", 0x03, 0x03, 0, true, false, kCarrierReturn},
      {"required carrier return", 0x06, 0x06, 0, true, false, kRequiredCarrierReturn},
      {"tab", 0x05, 0x05, 0, true, false, kTab},
      {"required tab", 0x02, 0x02, 0, true, false, kRequiredTab},
      {"page end", 0x0C, 0x0C, 0, true, false, kPageEnd},
      {"required space", 0x41, 0x41, 0, true, false, kRequiredSpace},
      {"stop code 0x1A", 0x1A, 0x1A, 0, true, false, kStopCode},
      {"letter", 0xC1, 0xC1, 0, true, false, kNone},
      {"word underscore is no symbol", 0x1D, 0x1D, 0, true, false, kNone},
      // Off: only the dup, field mark and stop code stay symbols.
      {"tab with the display off", 0x05, 0x05, 0, false, false, kNone},
      {"required space with the display off", 0x41, 0x41, 0, false, false, kNone},
      {"dup with the display off", 0x1C, 0x1C, 0, false, false, kDup},
      {"field mark with the display off", 0x1F, 0x1F, 0, false, false, kRequiredCarrierReturn},
      {"stop code with the display off", 0x1E, 0x1E, 0, false, false, kStopCode},
      {"non-display dup", 0x1C, 0x1C, 0, true, true, kNone},
      {"non-display carrier return", 0x03, 0x03, 0, true, true, kNone},
      // Attribute planes.
      {"primary end", 0xC1, 0x80, 1, true, false, kPrimaryEnd},
      {"primary attribute", 0xC1, 0x84, 1, true, false, kPrimaryAttribute},
      {"primary beyond the symbols", 0xC1, 0x88, 1, true, false, kNone},
      {"secondary end", 0xC1, 0x80, 2, true, false, kSecondaryEnd},
      {"half index up", 0xC1, 0x85, 2, true, false, kHalfIndexUp},
      {"half index down", 0xC1, 0x82, 2, true, false, kHalfIndexDown},
      {"secondary 0x84", 0xC1, 0x84, 2, true, false, kSecondaryOther},
      {"secondary 0x83", 0xC1, 0x83, 2, true, false, kNone},
      {"primary with the display off", 0xC1, 0x80, 1, false, false, kNone},
      // An empty attribute plane shows the dup and field mark beneath it.
      {"dup under an empty plane", 0x1C, 0x00, 1, false, false, kDup},
      {"field mark under an empty plane", 0x1F, 0x00, 2, true, false, kRequiredCarrierReturn},
      {"carrier return under an empty plane", 0x03, 0x00, 1, true, false, kNone},
      {"dup under a set plane", 0x1C, 0x81, 1, false, false, kNone},
  };
  for (const Case& c : cases)
    EXPECT_EQ(TextSymbolAt(c.presentation, c.shown, c.plane, c.on, c.nonDisplay), c.kind) << c.name;
}

// The text-symbols display (on in text assist) shows the text's symbols
// when the operator's whole-screen switch is on, and the attribute planes'
// symbols whenever it shows one of those planes.
TEST(TextSymbols, TheOperatorsSwitchAndThePlaneDecideWhatIsShown) {
  struct Case {
    bool displayOn, wholeScreen;
    int plane;
    bool shown;
  } cases[] = {
      {true, true, 0, true},   {true, false, 0, false}, {true, false, 1, true},  {true, false, 2, true},
      {true, true, 2, true},   {false, true, 0, false}, {false, false, 1, false}, {false, true, 2, false},
      {true, false, 3, false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(TextSymbolsShown(c.displayOn, c.wholeScreen, c.plane), c.shown)
        << c.displayOn << c.wholeScreen << " plane " << c.plane;
}

}  // namespace
