// Word-wrap fields of two 10-position rows, typed left to right and right to
// left (the class a reversed screen turns every word-wrap field into):
// typing, Delete, Erase EOF, Field Exit, a cut of a marked area and a paste
// keep words whole, on the screen and in what Enter sends to the host.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "display/ASD.h"
#include "display/CopiedDataInformation.h"
#include "display/FormatTable.h"
#include "display/StationOptions.h"
#include "keyboard/InObjGen.h"
#include "tests/keyboard/EditStation.h"

namespace {

// Pasted characters are typed as the keyboard would type them.
struct LetterHost : CountingHost {
  unsigned char codePageCategory(unsigned char code) override {
    if ((code >= 0xC1 && code <= 0xC9) || (code >= 0xD1 && code <= 0xD9) || (code >= 0xE2 && code <= 0xE9)) return 10;
    return 11;
  }
};

char Readable(unsigned char b) {
  for (char c : std::string("ABCDEFGHIJKLMNOPQRSTUVWXYZ ")) if (ToEbcdic(c) == b) return c;
  return b == 0 ? '_' : '?';
}

struct WrapStation : EditStation {
  // `shaping`: an Arabic keyboard, whose shaper types into right-to-left
  // fields.
  explicit WrapStation(bool rightToLeft, bool shaping = false) : rtl(rightToLeft) {
    tax().setHost(&letters);
    if (rtl) wrap->toggleOrientation(&display, &display.formatTable());
    if (shaping) display.asd().setASDLanguage(ASD::kArabic);
  }
  // The screen offset of index i of row r (0 or 1) in typing order.
  unsigned int at(unsigned int r, unsigned int i) const {
    const unsigned int first = r == 0 ? kWrap : kWrapRow2;
    return rtl ? first + 9 - i : first + i;
  }
  // Row r as typed: '_' for a null.
  std::string row(unsigned int r) {
    std::string s;
    for (unsigned int i = 0; i < 10; ++i) s += Readable(display.presentationSpace().getCharacter(at(r, i)));
    return s;
  }
  void put(unsigned int r, const std::string& text) {
    for (unsigned int i = 0; i < text.size(); ++i)
      display.presentationSpace().writeCharacter(at(r, i), ToEbcdic(text[i]));
  }
  void paste(const std::string& text) {
    const std::string e = Ebcdic(text);
    copy = CopiedDataInformation();
    copy.flags = CopiedDataInformation::kDataPresent;
    copy.endCell = static_cast<unsigned int>(e.size()) - 1;
    copy.word3 = 80;
    rendering.copied = &copy;
    rendering.copiedData.assign(e.begin(), e.end());
    run(K(3, 31));
  }
  // Marks [from, to] with a left-button drag and cuts it from the edit menu.
  void cut(unsigned int from, unsigned int to) {
    display.options().set(StationOptions::kCopyPaste, true);
    display.options().set(StationOptions::kLeftDragMarking, true);
    const auto mouse = [&](unsigned char code, unsigned int offset) {
      FunctionWord w{27, code};
      display.inObjGen().processMouseEvent(&display, &w, offset);
    };
    mouse(1, from);
    mouse(0, to);
    mouse(2, to);
    run(K(3, 33));
  }
  // The data of the last inbound record after Enter.
  std::string sent() {
    run(kEnter);
    if (hostInterface.records.empty()) return "";
    std::string s;
    for (unsigned char b : hostInterface.records.back()) s += Readable(b);
    return s;
  }

  bool rtl;
  LetterHost letters;
  CopiedDataInformation copy;
};

struct Case {
  const char* name;
  std::string row1, row2;  // the field before, as typed
  unsigned int row, index;  // the cursor
  std::function<void(WrapStation&)> edit;
  std::string after1, after2;
  const char* text;  // what the host reads
};

TEST(WordWrapEditing, EditsKeepWordsWholeInBothDirections) {
  const Case cases[] = {
      {"typing", "", "", 0, 0, [](WrapStation& s) { s.run(Type("HELLO WORLD")); }, "HELLO ____", "WORLD_____",
       "HELLO WORLD"},
      {"insert pushes a word down", "AAAA BBBB", "", 0, 0, [](WrapStation& s) { s.run(kInsert + Type("XY")); },
       "XYAAAA ___", "BBBB______", "XYAAAA BBBB"},
      {"delete pulls a word up", "AAAA BBB ", "CCC", 0, 0, [](WrapStation& s) { s.run(kDelete + kDelete); },
       "AA BBB CCC", "__________", "AA BBB CCC"},
      {"erase EOF pulls a word up", "AA BB ", "CCCC DDDD", 1, 4, [](WrapStation& s) { s.run(kEraseEOF); },
       "AA BB CCCC", "__________", "AA BB CCCC"},
      {"field exit pulls a word up", "AA BB ", "CCCC DDDD", 1, 4, [](WrapStation& s) { s.run(kFieldExit); },
       "AA BB CCCC", "__________", "AA BB CCCC"},
      {"cut pulls a word up", "AA BB ", "CCCC DDDD", 0, 0,
       [](WrapStation& s) {
         const unsigned int a = s.at(1, 4), b = s.at(1, 8);
         s.cut(a < b ? a : b, a < b ? b : a);
       },
       "AA BB CCCC", "__________", "AA BB CCCC"},
      {"paste wraps like typing", "", "", 0, 0, [](WrapStation& s) { s.paste("HELLO WORLD"); }, "HELLO ____",
       "WORLD_____", "HELLO WORLD"},
  };
  struct Mode {
    const char* name;
    bool rtl, shaping;
  };
  for (const Mode& m : {Mode{"left to right", false, false}, Mode{"right to left", true, false},
                        Mode{"right to left, Arabic keyboard", true, true}}) {
    const bool rtl = m.rtl;
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.name) + ", " + m.name);
      WrapStation st(rtl, m.shaping);
      ASSERT_EQ(st.wrap->getFieldClassID(), rtl ? kRTLWordWrapField : kWordWrapField);
      st.put(0, c.row1);
      st.put(1, c.row2);
      st.place(st.at(c.row, c.index));
      c.edit(st);
      EXPECT_EQ(st.error(), 0u);
      EXPECT_EQ(st.row(0), c.after1);
      EXPECT_EQ(st.row(1), c.after2);
      const std::string sent = st.sent();
      // Read Input Fields: each field's text, blank-padded to its size.
      EXPECT_NE(sent.find(std::string(c.text) + std::string(20 - std::string(c.text).size(), ' ')),
                std::string::npos)
          << sent;
    }
  }
}

// Erase EOF leaves the cursor where it was; the typing that follows goes on
// from the re-wrapped text.
TEST(WordWrapEditing, EraseEndOfFieldKeepsTheCursor) {
  for (bool rtl : {false, true}) {
    WrapStation st(rtl);
    st.put(0, "AA BB ");
    st.put(1, "CCCC DDDD");
    st.place(st.at(1, 4));
    st.run(kEraseEOF);
    EXPECT_EQ(st.cursor(), st.at(1, 4)) << rtl;
    EXPECT_TRUE(st.wrap->isModified());
  }
}

// The keys a word-wrap field refuses, in both directions: Close and
// Reverse are error 0091, Dup without the field's Dup bit error 0019; the
// text and the cursor stay as they were.
TEST(WordWrapEditing, KeysRefusedInBothDirections) {
  const struct {
    const char* name;
    Script key;
    unsigned int error;
  } cases[] = {{"close", kClose, 91}, {"reverse", kReverse, 91}, {"dup", kDup, 19}};
  for (const auto& c : cases)
    for (bool rtl : {false, true}) {
      SCOPED_TRACE(std::string(c.name) + (rtl ? ", right to left" : ", left to right"));
      WrapStation st(rtl);
      st.put(0, "AA BB ");
      st.put(1, "CCCC");
      st.place(st.at(0, 1));
      st.run(c.key);
      EXPECT_EQ(st.error(), c.error);
      EXPECT_EQ(st.cursor(), st.at(0, 1));
      EXPECT_EQ(st.row(0), "AA BB ____");
      EXPECT_EQ(st.row(1), "CCCC______");
      EXPECT_EQ(st.wrap->getFieldClassID(), rtl ? kRTLWordWrapField : kWordWrapField) << "not reversed";
    }
}

}  // namespace

namespace {

// A right-to-left word-wrap field whose one segment runs over two rows
// (row 15 from column 71 to row 16 column 10) is read row by row from each
// row's right end, as it was typed.
TEST(WordWrapEditing, ARightToLeftFieldOfOneSegmentIsReadRowByRow) {
  EditStation st;
  EntryField* f = st.field(kRTLWordWrapField, {{1190, 1209}}, EntryField::kKatakanaShift);
  const std::string row1 = Ebcdic("HELLO "), row2 = Ebcdic("WORLD");
  for (unsigned int i = 0; i < row1.size(); ++i)
    st.display.presentationSpace().writeCharacter(1199 - i, static_cast<unsigned char>(row1[i]));
  for (unsigned int i = 0; i < row2.size(); ++i)
    st.display.presentationSpace().writeCharacter(1209 - i, static_cast<unsigned char>(row2[i]));
  unsigned char out[32] = {};
  const int n = f->readFieldMDTFormat(&st.display, out, sizeof out);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(out), static_cast<size_t>(n)), Ebcdic("HELLO WORLD"));
}

}  // namespace
