// What the programming interface reads of a session's screen: the field
// count, the 12-byte field records (also into a buffer too small for all of
// them) and the five planes of the screen information.
#include <gtest/gtest.h>

#include "base/TraceMask.h"
#include "session/ScreenInfo.h"
#include "tests/datastream/RecordGlueFixtures.h"

namespace {

using namespace glue_test;

struct Screen : StationWith<HostInterface> {
  Screen() {
    // An input field after the attribute at 100: mandatory entry, shift 3.
    EntryField* e = field(101, 110, false);
    e->setFormatByte(0, EntryField::kMandatoryEntry | 0x03);
    text(100, B({0x20}));
    text(111, B({0x20}));
    text(200, Cat({B({0x27}), Ebcdic("secret"), B({0x20})}));
    text(300, Cat({B({0x22}), Ebcdic("Sign On"), B({0x20})}));
    text(1930, B({0x22}));  // the message line is not the screen
  }
};

Bytes FieldRecord(unsigned int position, int nonDisplay, int isProtected, int high, int shift, int attribute,
                  int mandatory) {
  return B({int(position >> 24), int((position >> 16) & 0xFF), int((position >> 8) & 0xFF), int(position & 0xFF),
            nonDisplay, isProtected, high, shift, attribute, mandatory, 0, 0});
}

TEST(ScreenInfoTest, FieldCountAndRecords) {
  Screen s;
  EXPECT_EQ(CountScreenFields(s.display), 6);
  std::vector<char> buffer(6 * kFieldInfoRecordSize);
  int total = 0;
  EXPECT_EQ(ScreenFieldInfo(s.display, buffer.data(), static_cast<int>(buffer.size()), &total), 6);
  EXPECT_EQ(total, 6);
  const Bytes all(buffer.begin(), buffer.end());
  EXPECT_EQ(Bytes(all.begin(), all.begin() + 12), FieldRecord(100, 0, 0, 0, 3, 0x20, 1));
  EXPECT_EQ(Bytes(all.begin() + 12, all.begin() + 24), FieldRecord(111, 0, 1, 0, 0, 0x20, 0));
  EXPECT_EQ(Bytes(all.begin() + 24, all.begin() + 36), FieldRecord(200, 1, 1, 0, 0, 0x27, 0));
  EXPECT_EQ(Bytes(all.begin() + 48, all.begin() + 60), FieldRecord(300, 0, 1, 1, 0, 0x22, 0));
}

TEST(ScreenInfoTest, BufferTooSmallGetsTheRecordsThatFit) {
  Screen s;
  std::vector<char> full(6 * kFieldInfoRecordSize);
  ScreenFieldInfo(s.display, full.data(), static_cast<int>(full.size()), nullptr);
  for (int size : {0, 11, 12, 2 * kFieldInfoRecordSize + 5}) {
    std::vector<char> small(static_cast<size_t>(size) + 1, 0x55);
    int total = 0;
    const int written = ScreenFieldInfo(s.display, small.data(), size, &total);
    EXPECT_EQ(written, size / kFieldInfoRecordSize);
    EXPECT_EQ(total, 6);
    EXPECT_TRUE(std::equal(small.begin(), small.begin() + written * kFieldInfoRecordSize, full.begin()));
    EXPECT_EQ(small[static_cast<size_t>(written) * kFieldInfoRecordSize], 0x55) << "written past the records";
  }
}

TEST(ScreenInfoTest, ColourAndAttributeOfWindowAttributes) {
  struct Case {
    uint16_t attribute;
    unsigned char colour, flags;
  } cases[] = {
      {0x0000, 0x00, 0x00}, {0x0008, 0x00, 0x00}, {0x0009, 0x01, 0x00}, {0x000A, 0x04, 0x00},
      {0x000B, 0x05, 0x00}, {0x000C, 0x02, 0x00}, {0x000F, 0x07, 0x00}, {0x004A, 0x40, 0x80},
      {0x004F, 0x70, 0x80}, {0x0020, 0x00, 0x20}, {0x0080, 0x00, 0x40}, {0x0100, 0x00, 0x10},
      {0x01E9, 0x10, 0xF0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ScreenInfoColour(c.attribute), c.colour) << std::hex << c.attribute;
    EXPECT_EQ(ScreenInfoAttribute(c.attribute), c.flags) << std::hex << c.attribute;
  }
}

TEST(ScreenInfoTest, PlanesOfTheScreen) {
  Screen s;
  s.text(400, B({0x0E, 0x45, 0x46, 0x0F}));
  auto info = std::make_unique<ScreenInfo>();
  std::vector<uint16_t> attributes(3696, 0x000A);
  FillScreenInfo(s.display, attributes.data(), info.get());
  EXPECT_EQ(info->rows, 24);
  EXPECT_EQ(info->columns, 80);
  // The screen as it is, but for what the non-display attribute at 200
  // hides: read masked, as the trace shows it.
  std::vector<unsigned char> shown(s.psBuffer.begin(), s.psBuffer.begin() + 1920);
  std::fill(shown.begin() + 201, shown.begin() + 207, TraceMask::kMaskByte);
  EXPECT_TRUE(std::equal(info->text, info->text + 1920, shown.begin()));
  EXPECT_EQ(info->text[1930], 0) << "the message line is not part of the screen";
  EXPECT_EQ(info->shift[400], 0x20);
  EXPECT_EQ(info->shift[403], 0x08);
  EXPECT_EQ(info->shift[401], 0x00);
  EXPECT_EQ(info->colour[5], 0x04);
  EXPECT_EQ(info->spare[5], 0x00);
}

}  // namespace
