// Save Screen and Save Partial Screen at the data stream: when a save may
// run, what a save that cannot be written whole answers, and that a partial
// save's image goes out only with a record that is accepted.
#include <gtest/gtest.h>

#include "datastream/DsmSense.h"
#include "display/EntryField.h"
#include "display/TextSession.h"
#include "keyboard/KeyboardState.h"
#include "textassist/TextTypes.h"
#include "tests/datastream/DsmRecords.h"
#include "tests/support/LogCapture.h"

namespace {

DisplayCharacteristics Wide() {
  DisplayCharacteristics c;
  c.word[1] |= 0x01000000u;  // 27 x 132
  c.word[5] = (3696u << 16) | (27u << 8) | 132u;
  return c;
}

// The fullest station there is: text that does not compress, attributes
// and colours everywhere, and 256 fields on a 27 x 132 screen. Its image
// fits the 10,000 bytes of a save.
TEST(SaveScreen, AFullWideStationFitsItsImage) {
  DsmStation s(Wide());
  s.display.changeScreenSize(27, 132);
  s.manager().addresses().loadScreenSizeStuff();
  PresentationSpaceScreenBuffer& ps = s.display.presentationSpace();
  uint32_t x = 12345;
  auto next = [&] { return x = x * 1103515245u + 12345u, static_cast<unsigned char>(x >> 16); };
  for (unsigned int i = 0; i < 27u * 132u; ++i) {
    ps.writeCharacter(i, static_cast<unsigned char>(0x41 + next() % 190));
    s.display.primaryPlane().writeCharacter(i, static_cast<unsigned char>(0x20 + next() % 32));
    s.display.colourPlane().writeCharacter(i, static_cast<unsigned char>(next() % 8));
  }
  for (unsigned int i = 0; i < 256; ++i) {
    ps.writeCharacter(i * 13, 0x24);
    ASSERT_NE(s.entry(kLTRField, {{i * 13 + 1, i * 13 + 8}}), nullptr);
  }
  ASSERT_EQ(s.table().validateFormatTable(nullptr), 0);
  // A save that did not fit would be answered negatively.
  EXPECT_GT(s.save().size(), 7000u);
  EXPECT_EQ(s.rendering.outstandingBuffers(), 0u);
  ASSERT_EQ(s.run(Record().bytes({0x04, 0x02})), dsm_sense::kAnswered);
}

// With the outbound buffer in use the save cannot be written: it is answered
// negatively, not as a success, and nothing is left behind.
TEST(SaveScreen, ASaveThatCannotBeWrittenIsAnsweredNegatively) {
  qwtest::LogCapture log;
  DsmStation s;
  ASSERT_EQ(s.run(Record().clearUnit()), 0u);
  HostBuf& hb = s.manager().hostBuf();
  ASSERT_NE(hb.getHostBuf(16), nullptr);
  EXPECT_EQ(s.run(Record().bytes({0x04, 0x02})), dsm_sense::kRestoreInvalid);
  EXPECT_EQ(s.run(Record().bytes({0x04, 0x03, 0x00, 1, 1, 24, 80})), dsm_sense::kRestoreInvalid);
  hb.abortHostPut();
  EXPECT_EQ(s.rendering.outstandingBuffers(), 0u);
  EXPECT_EQ(s.run(Record().bytes({0x04, 0x02})), dsm_sense::kAnswered);
}

TEST(SaveScreen, RefusedWhereTheStationCannotSave) {
  DsmStation s;
  ASSERT_EQ(s.run(Record().clearUnit()), 0u);
  ASSERT_TRUE(s.keyboard().enterSystemRequestState());
  EXPECT_EQ(s.run(Record().bytes({0x04, 0x02})), dsm_sense::kContention);
  EXPECT_EQ(s.run(Record().bytes({0x04, 0x03, 0x80, 1, 1, 24, 80})), dsm_sense::kContention);
  EXPECT_EQ(s.rendering.outstandingBuffers(), 0u);
}

// A partial save is sent at the end of its record, and not at all when a
// later command of the record is refused.
TEST(SaveScreen, PartialSaveGoesOutOnlyWithAnAcceptedRecord) {
  DsmStation s;
  ASSERT_EQ(s.run(Record().clearUnit()), 0u);
  EXPECT_EQ(s.run(Record().bytes({0x04, 0x03, 0x80, 1, 1, 24, 80}).wtd(0, 0).sba(2, 1).text("x")),
            dsm_sense::kAnswered);
  EXPECT_EQ(s.run(Record().bytes({0x04, 0x03, 0x80, 1, 1, 24, 80}).wtd(0, 0).sba(0, 1)), dsm_sense::kBadRowColumn);
  EXPECT_EQ(s.rendering.outstandingBuffers(), 0u);
  EXPECT_TRUE(s.manager().hostBuf().checkHostBuf());
}

}  // namespace

namespace {

// A station whose host keeps what the station sends.
class KeepingHost : public HostInterface {
 public:
  int sendDataToHost(unsigned char* data, unsigned int n, Rendering* rendering, unsigned int) override {
    sent.assign(data, data + n);
    rendering->WsFreeBuffer(data);
    return 0;
  }
  std::vector<unsigned char> sent;
};

struct KeepingStation {
  explicit KeepingStation(DisplayCharacteristics c)
      : rendering(c.bufferSize(), c.rows(), c.columns()),
        psBuffer(c.bufferSize()),
        display(nullptr, &rendering, &host, &tax, c, psBuffer.data()) {}
  uint32_t run(const Record& r) {
    unsigned int unlocked = 0;
    return display.dataStreamManager().dsm(DataStreamManager::kRecord, r.data.data(),
                                           static_cast<uint32_t>(r.data.size()), unlocked);
  }
  RecordingRendering rendering;
  KeepingHost host;
  TAXlate tax;
  std::vector<unsigned char> psBuffer;
  DisplayBag display;
};

// A System Request line over a 27 x 132 screen: the image brings back the
// screen size whatever size the screen has in between.
TEST(SaveScreen, ImagesBringBackTheirScreenSize) {
  DisplayCharacteristics wide;
  wide.word[1] |= 0x01000000u;
  wide.word[5] = (3696u << 16) | (27u << 8) | 132u;
  KeepingStation s(wide);
  s.display.changeScreenSize(27, 132);
  s.display.dataStreamManager().addresses().loadScreenSizeStuff();
  ASSERT_EQ(s.run(Record().wtd(0, 0x08).sba(27, 100).text("wide")), 0u);
  ASSERT_EQ(s.run(Record().bytes({0x04, 0x02})), dsm_sense::kAnswered);
  const std::vector<unsigned char> wideImage = s.host.sent;

  ASSERT_EQ(s.run(Record().clearUnit().wtd(0, 0x08).sba(24, 70).text("narrow")), 0u);
  ASSERT_EQ(s.display.rows(), 24u);
  ASSERT_EQ(s.run(Record().bytes({0x04, 0x02})), dsm_sense::kAnswered);
  const std::vector<unsigned char> narrowImage = s.host.sent;

  Record restoreWide;
  restoreWide.data = wideImage;
  ASSERT_EQ(s.run(restoreWide), 0u);
  EXPECT_EQ(s.display.rows(), 27u);
  EXPECT_EQ(s.display.columns(), 132u);
  EXPECT_EQ(s.display.dataStreamManager().addresses().rows, 27u);
  EXPECT_EQ(s.display.dataStreamManager().addresses().columns, 132u);
  EXPECT_EQ(std::vector<unsigned char>(s.psBuffer.begin() + 26 * 132 + 99, s.psBuffer.begin() + 26 * 132 + 103),
            Cp037("wide"));
  // Writing at row 27 works on the restored screen.
  EXPECT_EQ(s.run(Record().wtd(0, 0).sba(27, 1).text("ok")), 0u);

  Record restoreNarrow;
  restoreNarrow.data = narrowImage;
  ASSERT_EQ(s.run(restoreNarrow), 0u);
  EXPECT_EQ(s.display.rows(), 24u);
  EXPECT_EQ(s.display.columns(), 80u);
  EXPECT_EQ(std::vector<unsigned char>(s.psBuffer.begin() + 23 * 80 + 69, s.psBuffer.begin() + 23 * 80 + 75),
            Cp037("narrow"));
  EXPECT_EQ(s.run(Record().wtd(0, 0).sba(25, 1).text("no")), dsm_sense::kBadRowColumn);
}

// An image saved with an AID pending, restored once the host has taken
// that AID: a locked error state comes back unlocked, and the post-help
// error state stays the post-help error state.
TEST(RestoreScreen, ALockedErrorStateComesBackUnlockedInItsOwnState) {
  for (const KeyboardState::State state : {KeyboardState::kError, KeyboardState::kPostHelpError}) {
    SCOPED_TRACE(static_cast<int>(state));
    KeepingStation s{DisplayCharacteristics()};
    ASSERT_EQ(s.run(Record().clearUnit().wtd(0, 0x08).sba(5, 5).bytes({0x1D, 0x40, 0x00, 0x20, 0x00, 0x06})), 0u);
    KeyboardState& k = s.display.keyboardState();
    ASSERT_EQ(s.display.readMgr().activateReadProcess(0xF1, 0), 1u);
    ASSERT_TRUE(k.enterNormalLockedState());
    ASSERT_TRUE(k.enterErrorState(5, 0, 1, 0, 0));
    if (state == KeyboardState::kPostHelpError) ASSERT_TRUE(k.enterPostHelpErrorState());
    ASSERT_TRUE(k.isLockedState());
    ASSERT_EQ(s.run(Record().bytes({0x04, 0x02})), dsm_sense::kAnswered);
    Record image;
    image.data = s.host.sent;
    s.display.readMgr().resetPendingAid();
    ASSERT_EQ(s.run(image), 0u);
    EXPECT_EQ(k.state(), state);
    EXPECT_FALSE(k.isLockedState());
  }
}

// In word processing the text session's own pending AID is the one the
// restore settles: it is dropped (no keys wait), and an AID that the read
// manager holds stays.
TEST(RestoreScreen, WordProcessingSettlesTheTextSessionsPendingAid) {
  KeepingStation s{DisplayCharacteristics()};
  ASSERT_EQ(s.run(Record().clearUnit().wtd(0, 0x08)), 0u);
  KeyboardState& k = s.display.keyboardState();
  TextSession* text = s.display.textSession();
  ASSERT_NE(text, nullptr);
  ASSERT_TRUE(k.enterWPState());
  ASSERT_EQ(s.run(Record().bytes({0x04, 0x02})), dsm_sense::kAnswered);
  Record image;
  image.data = s.host.sent;
  ASSERT_EQ(s.display.readMgr().activateReadProcess(0xF1, 0), 1u);
  text->modes |= text_mode::kAidPending;
  ASSERT_EQ(s.run(image), 0u);
  ASSERT_EQ(k.state(), KeyboardState::kWordProcessing);
  EXPECT_EQ(text->modes & text_mode::kAidPending, 0u);
  EXPECT_EQ(s.display.readMgr().pendingAid(), 0xF1);
}

}  // namespace
