// The text of copied screen ranges, its conversions, the choice among a
// selection owner's targets and the checks on a reply in the emulator's
// own format.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "display/CopiedDataInformation.h"
#include "xfront/ClipboardText.h"
#include "xfront/DisplayAttributes.h"

namespace {

using namespace clipboard;

// A 4 x 10 screen made of rows of text (nulls as '~' in the rows).
struct Screen {
  std::vector<unsigned char> cells;
  std::vector<unsigned short> attrs;
  explicit Screen(const std::vector<std::string>& rows) {
    for (const std::string& r : rows)
      for (char c : r) {
        cells.push_back(c == '~' ? 0 : static_cast<unsigned char>(c));
        attrs.push_back(0);
      }
  }
  ScreenCells view(int rows, int columns) const { return ScreenCells{cells.data(), attrs.data(), rows, columns}; }
};

// Latin-1 drawing table with the euro sign at 0xA4, as a euro session draws.
struct EuroTable {
  wchar_t w[256] = {};
  EuroTable() {
    for (int b = 0x20; b < 256; ++b) w[b] = static_cast<wchar_t>(b);
    w[0x7F] = 0;
    w[0xA4] = 0x20AC;
  }
};

TEST(ClipboardTextTest, RangesOfALeftToRightScreen) {
  const Screen s({"AB CD     ", "EFGH   ~~ ", "  IJ  KL  ", "MNOPQRSTUV"});
  struct Case {
    unsigned int start, end;
    bool block;
    std::string text;
  } cases[] = {
      // Linear: earlier rows lose trailing blanks and nulls, the last ends at the end column.
      {1, 12, false, "B CD\nEFG"},
      {0, 39, false, "AB CD\nEFGH\n  IJ  KL\nMNOPQRSTUV"},
      // Block: every row keeps its blanks; nulls become blanks.
      {3, 27, true, "CD   \nH   ~\nJ  KL"},
      {22, 22, false, "I"},
      {7, 3, false, ""},    // reversed range
      {30, 40, false, ""},  // past the screen
  };
  for (const Case& c : cases) {
    std::string expected = c.text;
    for (char& ch : expected)
      if (ch == '~') ch = ' ';
    EXPECT_EQ(LeftToRightText(s.view(4, 10), c.start, c.end, c.block), expected) << c.start << "-" << c.end;
  }
}

TEST(ClipboardTextTest, HiddenCellsNeverReachTheText) {
  Screen s({"USER JOE  ", "PASS SECRE", "T  NEXT   ", "          "});
  // Row 1 from column 5 to row 2 column 0 lies under a non-display attribute.
  for (int p = 15; p <= 20; ++p) s.attrs[p] = display_attribute::kNonDisplay;
  EXPECT_EQ(LeftToRightText(s.view(4, 10), 0, 29, false), "USER JOE\nPASS\n   NEXT   ");
  EXPECT_EQ(LeftToRightText(s.view(4, 10), 5, 27, true), "JOE\n   \nXT ");
  EXPECT_EQ(RightToLeftText(s.view(4, 10), 10, 19, true), "      SSAP");
}

TEST(ClipboardTextTest, RightToLeftRowsComeOutInReadingOrder) {
  const Screen s({"  CBA     ", "   FED    ", "IHG       ", "          "});
  EXPECT_EQ(RightToLeftText(s.view(4, 10), 2, 4, false), "ABC");
  EXPECT_EQ(RightToLeftText(s.view(4, 10), 12, 25, true), "DEF \n   G");
}

TEST(ClipboardTextTest, ScreenBytesToUtf8AndLatin1) {
  const EuroTable euro;
  const std::string bytes = "Caf\xE9 \xA4" "5\n\xFC";
  const std::string utf8 = BytesToUtf8(bytes, euro.w);
  EXPECT_EQ(utf8, "Caf\xC3\xA9 \xE2\x82\xAC" "5\n\xC3\xBC");
  // STRING has no euro sign.
  EXPECT_EQ(Utf8ToLatin1(utf8), "Caf\xE9 ?5\n\xFC");
  EXPECT_EQ(Latin1ToUtf8("\xE9\xC4", 2), "\xC3\xA9\xC3\x84");
  // Malformed UTF-8 is taken byte by byte as ISO 8859-1.
  EXPECT_EQ(Utf8ToLatin1("a\xC3(\xE2\x82"), "a\xC3(\xE2\x82");
}

TEST(ClipboardTextTest, Utf8BackToScreenBytes) {
  const EuroTable euro;
  struct Case {
    std::string utf8, bytes;
  } cases[] = {
      {"Caf\xC3\xA9 \xE2\x82\xAC" "5", "Caf\xE9 \xA4" "5"},
      {"line1\nline2", "line1\nline2"},
      {"\xE4\xB8\xAD!", " !"},        // a character the session cannot show: a blank
      {"\xF0\x9F\x98\x80x", " x"},    // outside the BMP
      {"\xC3", "\xC3"},               // cut short: the byte itself
      {"\xED\xA0\x80", "\xED\xA0\x80"},  // a surrogate is no character
      {std::string("a\0b", 3), "a b"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Utf8ToBytes(c.utf8.data(), c.utf8.size(), euro.w, kMaxPasteBytes), c.bytes) << c.utf8;
  const std::string big(5000, 'x');
  EXPECT_EQ(Utf8ToBytes(big.data(), big.size(), euro.w, kMaxPasteBytes).size(), kMaxPasteBytes);
  EXPECT_EQ(Utf8ToBytes(nullptr, 4, euro.w, kMaxPasteBytes), "");
}

TEST(ClipboardTextTest, TheBestTargetAnOwnerOffers) {
  TargetAtoms a;
  a.privateFormat = 100;
  a.utf8 = 101;
  a.utf8String = 102;
  a.compoundText = 103;
  a.string = 31;
  struct Case {
    std::vector<unsigned long> offered;
    PasteTarget target;
    unsigned long atom;
  } cases[] = {
      {{31, 103, 101}, PasteTarget::Utf8, 101},
      {{31, 103, 101, 100}, PasteTarget::Private, 100},
      {{100, 31}, PasteTarget::Private, 100},
      {{102, 103}, PasteTarget::Utf8, 102},
      {{103, 31}, PasteTarget::CompoundText, 103},
      {{31, 103}, PasteTarget::CompoundText, 103},
      {{31, 7, 8}, PasteTarget::String, 31},
      {{101, 31, 103}, PasteTarget::Utf8, 101},
      {{7, 0, 9}, PasteTarget::Nothing, 0},
      {{}, PasteTarget::Nothing, 0},
  };
  for (const Case& c : cases) {
    unsigned long chosen = 1;
    EXPECT_EQ(ChoosePasteTarget(c.offered.data(), c.offered.size(), a, &chosen), c.target);
    EXPECT_EQ(chosen, c.atom);
  }
}

TEST(ClipboardTextTest, TheOwnFormatRoundTripsAndForeignRepliesAreChecked) {
  CopiedDataInformation info;
  info.flags = CopiedDataInformation::kDataPresent | CopiedDataInformation::kBlock;
  info.startCell = 85;
  info.endCell = 250;
  info.rowWidth = 80;
  info.nonDisplayRow[1] = 1;
  const std::vector<unsigned char> data(166, 0xC1);
  const std::vector<unsigned char> bytes = EncodePrivateCopy(info, data.data(), 166);
  ASSERT_EQ(bytes.size(), kPrivateHeaderBytes + 166);
  CopiedDataInformation back;
  std::vector<unsigned char> got;
  std::string why;
  ASSERT_TRUE(DecodePrivateCopy(bytes.data(), bytes.size(), 1920, &back, &got, &why)) << why;
  EXPECT_EQ(back.flags, info.flags);
  EXPECT_EQ(back.startCell, 85u);
  EXPECT_EQ(back.endCell, 250u);
  EXPECT_EQ(back.word3, 80u);
  EXPECT_EQ(back.nonDisplayRow[1], 1);
  EXPECT_EQ(back.length, 166u);
  EXPECT_EQ(back.data, nullptr);
  EXPECT_EQ(got, data);

  auto patched = [&](size_t at, std::vector<unsigned char> word) {
    std::vector<unsigned char> b = bytes;
    std::copy(word.begin(), word.end(), b.begin() + static_cast<long>(at));
    return b;
  };
  struct Case {
    std::vector<unsigned char> reply;
    unsigned int cells;
    const char* why;
  } refused[] = {
      {std::vector<unsigned char>(bytes.begin(), bytes.begin() + 67), 1920, "shorter than its descriptor"},
      {std::vector<unsigned char>(bytes.begin(), bytes.end() - 1), 1920, "data length does not match"},
      {patched(64, {0, 0, 0x10, 0}), 1920, "data length does not match"},
      {patched(0, {0x40, 0, 0, 0}), 1920, "no data present"},
      {patched(8, {0, 0, 0x07, 0x80}), 1920, "range outside the screen"},
      {patched(4, {0, 0, 1, 0}), 1920, "range outside the screen"},
      {bytes, 200, "range outside the screen"},
      {patched(12, {0, 0, 0, 0}), 1920, "impossible column count"},
      {patched(12, {1, 0, 0, 0}), 1920, "impossible column count"},
  };
  for (const Case& c : refused) {
    std::string reason;
    EXPECT_FALSE(DecodePrivateCopy(c.reply.data(), c.reply.size(), c.cells, &back, &got, &reason)) << c.why;
    EXPECT_NE(reason.find(c.why), std::string::npos) << reason;
  }
  // More data than a screen holds.
  const std::vector<unsigned char> huge(3697, 0x40);
  info.startCell = 0;
  info.endCell = 3000;
  const std::vector<unsigned char> big = EncodePrivateCopy(info, huge.data(), 3697);
  std::string reason;
  EXPECT_FALSE(DecodePrivateCopy(big.data(), big.size(), 3564, &back, &got, &reason));
  EXPECT_EQ(reason, "more data than a screen holds");
}

}  // namespace
