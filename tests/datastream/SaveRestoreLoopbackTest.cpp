// Save Screen, Save Partial Screen and Restore Screen through the loopback
// TN5250 host, as a host uses them around a System Request line or a help
// window: the image the session sends is given back unchanged and must
// bring back the whole station; a damaged image is refused and changes no
// plane.
#include <gtest/gtest.h>

#include "datastream/DsmSense.h"
#include "datastream/calcFCS.h"
#include "display/EntryField.h"
#include "keyboard/KeystrokeClasses.h"
#include "tests/datastream/LoopbackSession.h"
#include "tests/support/LogCapture.h"
#include "tests/support/SaveStreamImage.h"

namespace {

using namespace glue_test;

Bytes StartField(int ffw1, int ffw2, int length, int attribute) {
  return B({0x1D, ffw1, ffw2, attribute, length >> 8, length & 0xFF});
}

// The session's own image of the station: the write addresses and every
// member of the display station (the flags it touches put back).
Bytes OwnSave(DisplayBag& d) {
  const unsigned int a = d.modeFlagsA(), b = d.modeFlagsB();
  Bytes image = SaveStream(
      [&](qrnOStream* o) {
        d.dataStreamManager().addresses().saveAddresses(o);
        d.saveDisplay(o, 0);
      },
      40000);
  d.modeFlagsA() = a;
  d.modeFlagsB() = b;
  return image;
}

// Planes, extended planes and the cursor.
std::string Planes(Loopback& l) {
  DisplayBag& d = l.display();
  std::string s(l.station->psBuffer.begin(), l.station->psBuffer.end());
  for (unsigned int p = 0; p <= d.presentationSpace().lastOffset(); ++p) {
    s += static_cast<char>(d.primaryPlane().getCharacter(p));
    s += static_cast<char>(d.secondaryPlane().getCharacter(p));
    s += static_cast<char>(d.colourPlane().getCharacter(p));
  }
  return s + "@" + std::to_string(d.cursor().getCursorOffset());
}

Bytes Row(Loopback& l, int row, int column, size_t n) {
  const auto at = l.station->psBuffer.begin() + (row - 1) * 80 + column - 1;
  return Bytes(at, at + n);
}

// An order-entry screen: a title, two input fields, colour, and the
// operator's input in the first field with the cursor in the second.
void OrderEntryScreen(Loopback& l) {
  const Bytes screen = Cat({B({0x04, 0x40}),
                            WriteToDisplay(Cat({SetBufferAddress(1, 30), B({0x22}), Ebcdic("Order Entry"),
                                                B({0x20}), SetBufferAddress(5, 10), Ebcdic("Customer"),
                                                SetBufferAddress(5, 30), StartField(0x40, 0x00, 12, 0x24),
                                                SetBufferAddress(6, 10), Ebcdic("Quantity"),
                                                SetBufferAddress(6, 30), StartField(0x50, 0x00, 5, 0x24),
                                                B({0x13, 5, 31})})),
                            B({0x04, 0x52, 0x00, 0x08})});
  l.Send(Record(0x03, screen, 0, 0x40));
  DisplayBag& d = l.display();
  Field* f = d.formatTable().getFieldByStartOffset(4 * 80 + 30);
  ASSERT_TRUE(f && f->isEntryField());
  EntryField* customer = static_cast<EntryField*>(f);
  const Bytes typed = Ebcdic("ACME CORP");
  ASSERT_EQ(customer->writeData(&d, typed.data(), static_cast<unsigned int>(typed.size())), 0);
  customer->setFlags(Field::kMDT);
  d.cursor().moveCursorToNewArea(5 * 80 + 31, CursorOffsetAsShown);
  d.outputChanges();
}

// A System Request line over the whole screen.
void AnotherScreen(Loopback& l) {
  l.Send(Record(0x03, Cat({B({0x04, 0x40}), WriteToDisplay(Cat({SetBufferAddress(24, 1), Ebcdic("System request"),
                                                                 SetBufferAddress(12, 1), StartField(0x40, 0, 20, 0x20)}))}),
                0, 0x40));
}

// The image inside the session's reply to a save: a good one, whole.
Bytes ImageOf(const Bytes& reply, int command) {
  EXPECT_GE(reply.size(), 20u);
  if (reply.size() < 20) return {};
  const Bytes image(reply.begin() + 10, reply.end());
  EXPECT_EQ(image[0], 0x04);
  EXPECT_EQ(image[1], command);
  EXPECT_EQ(size_t(image[2] << 8 | image[3]), image.size()) << "the length counts the whole image";
  EXPECT_EQ(calcFCS(&image[4], &image[image.size() - 1]), 0xF0B8) << "frame check residue";
  return image;
}

// A negative response to a Restore Screen record with the restore sense.
void ExpectRestoreRefused(const Bytes& answer) {
  ASSERT_EQ(answer.size(), 14u);
  EXPECT_EQ(answer[7], 0x80) << "error flag";
  EXPECT_EQ(answer[9], 0x05) << "opcode";
  EXPECT_EQ(Bytes(answer.begin() + 10, answer.end()), B({0x10, 0x05, 0x01, 0x27}));
}

TEST(SaveRestoreLoopbackTest, SaveNewScreenAndRestoreBringBackTheStationByteForByte) {
  Loopback l;
  DisplayBag& d = l.display();
  OrderEntryScreen(l);
  const Bytes before = OwnSave(d);
  const std::string planesBefore = Planes(l);
  const unsigned int keyboardBefore = d.keyboardState().state();
  ASSERT_EQ(Row(l, 5, 31, 9), Ebcdic("ACME CORP"));

  l.Send(Record(0x04, {}, 0, 0x40));  // Save Screen
  const Bytes image = ImageOf(l.Next(), 0x12);
  EXPECT_EQ(OwnSave(d), before) << "saving changes nothing";

  AnotherScreen(l);
  ASSERT_NE(OwnSave(d), before);
  ASSERT_NE(Row(l, 5, 31, 9), Ebcdic("ACME CORP"));

  l.Send(Record(0x05, image, 0, 0x40));  // Restore Screen with the saved bytes
  EXPECT_TRUE(l.Pending().empty()) << "a restore is not answered";
  EXPECT_EQ(OwnSave(d), before);
  EXPECT_EQ(Planes(l), planesBefore);
  EXPECT_EQ(d.keyboardState().state(), keyboardBefore);
  EXPECT_EQ(d.cursor().getCursorOffset(), 5u * 80 + 31);
  EXPECT_EQ(Row(l, 5, 31, 9), Ebcdic("ACME CORP")) << "the operator's input";
  EXPECT_EQ(d.formatTable().fieldCount(), 2u);

  // The restored station saves to the same image again.
  l.Send(Record(0x04, {}, 0, 0x40));
  EXPECT_EQ(ImageOf(l.Next(), 0x12), image);
}

TEST(SaveRestoreLoopbackTest, DamagedImagesAreRefusedAndLeaveThePlanesAsTheyWere) {
  qwtest::LogCapture log;
  Loopback l;
  OrderEntryScreen(l);
  l.Send(Record(0x04, {}, 0, 0x40));
  const Bytes image = ImageOf(l.Next(), 0x12);
  ASSERT_GT(image.size(), 100u);
  AnotherScreen(l);
  const std::string planes = Planes(l);

  struct Case {
    const char* name;
    Bytes image;
  };
  Bytes flipped = image, longer = image, shorter = image, cut = image, grown = image, noFcs = image;
  flipped[image.size() / 2] ^= 0x01;
  longer[3] += 1;
  shorter[3] -= 1;
  cut.resize(image.size() - 1);
  grown.push_back(0x40);
  grown[3] += 1;  // one more byte, counted, but outside the frame check
  noFcs[image.size() - 1] ^= 0xFF;
  const Case cases[] = {{"a member byte changed", flipped}, {"length one too long", longer},
                        {"length one too short", shorter}, {"image cut short", cut},
                        {"a byte added", grown},           {"frame check changed", noFcs}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    l.Send(Record(0x05, c.image, 0, 0x40));
    ExpectRestoreRefused(l.Next());
    EXPECT_EQ(Planes(l), planes);
  }
}

TEST(SaveRestoreLoopbackTest, PartialSaveAndRestoreOfARectangle) {
  Loopback l;
  DisplayBag& d = l.display();
  OrderEntryScreen(l);
  const std::string planesBefore = Planes(l);
  // Save Partial Screen of rows 5 to 6, columns 10 to 45.
  l.Send(Record(0x03, B({0x04, 0x03, 0x80, 5, 10, 6, 45}), 0, 0x40));
  const Bytes image = ImageOf(l.Next(), 0x13);
  AnotherScreen(l);
  // The host paints its window over the rectangle, then restores it.
  l.Send(Record(0x03, WriteToDisplay(Cat({SetBufferAddress(5, 10), Ebcdic("+---- Help ----+")})), 0, 0x40));
  ASSERT_EQ(Row(l, 5, 10, 16), Ebcdic("+---- Help ----+"));
  l.Send(Record(0x03, image, 0, 0x40));
  EXPECT_EQ(Row(l, 5, 10, 8), Ebcdic("Customer"));
  EXPECT_EQ(Row(l, 5, 31, 9), Ebcdic("ACME CORP"));
  EXPECT_EQ(Row(l, 6, 10, 8), Ebcdic("Quantity"));
  EXPECT_EQ(Planes(l), planesBefore);
  EXPECT_EQ(d.formatTable().fieldCount(), 2u);
}

// Images that a host did not get from this display: the frame check is made
// good again so that only the content is wrong.
TEST(SaveRestoreLoopbackTest, ForeignImagesWithAGoodFrameCheckAreRefusedBeforeAnythingChanges) {
  qwtest::LogCapture log;
  Loopback l;
  OrderEntryScreen(l);
  l.Send(Record(0x04, {}, 0, 0x40));
  const Bytes image = ImageOf(l.Next(), 0x12);
  ASSERT_GT(image.size(), 30u);
  AnotherScreen(l);
  const std::string planes = Planes(l);
  const Bytes own = OwnSave(l.display());

  struct Case {
    const char* name;
    size_t at;
    uint8_t value;
  };
  const size_t wp = image.size() - 3;
  const Case cases[] = {
      {"27 x 132 capability the display lacks", 4, static_cast<uint8_t>(0x80 | image[4])},
      {"a capability bit no display has", 5, static_cast<uint8_t>(0x01 | image[5])},
      {"host insert-cursor flag of 2", 6, 0x02},
      {"insert cursor beyond the buffer", 9, 0xFF},
      {"200 columns", 14, 200},
      {"30 rows", 18, 30},
      {"last display address off by one", 22, static_cast<uint8_t>(image[22] + 1)},
      {"last buffer address off by one", 26, static_cast<uint8_t>(image[26] - 1)},
      {"word-processing byte of 2", wp, 0x02},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes bad = image;
    bad[c.at] = c.value;
    const uint16_t fcs = static_cast<uint16_t>(~calcFCS(&bad[4], &bad[bad.size() - 3]));
    bad[bad.size() - 2] = static_cast<uint8_t>(fcs);
    bad[bad.size() - 1] = static_cast<uint8_t>(fcs >> 8);
    l.Send(Record(0x05, bad, 0, 0x40));
    ExpectRestoreRefused(l.Next());
    EXPECT_EQ(Planes(l), planes);
  }
}

}  // namespace
