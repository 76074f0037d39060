// The batched output of the four planes to the device.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/display/FakeStation.h"

using Calls = std::vector<std::string>;

namespace {
const unsigned char kAbc[] = {0xC1, 0xC2, 0xC3};

TEST(PlaneOutput, WritesAreSentAsOneRangeAndEqualWritesAsNothing) {
  FakeStation st;
  st.ps.writeData(kAbc, 3, 100);
  st.ps.writeCharacter(200, 0xC4);
  st.output();
  EXPECT_EQ(st.rendering.calls, Calls({"updatePresentationSpacePlane(100,100,101)"}));

  st.rendering.clear();
  st.ps.writeData(kAbc, 3, 100);  // what is already there
  st.ps.fillRange(200, 200, 0xC4);
  EXPECT_FALSE(st.ps.hasChanges());
  st.output();
  EXPECT_TRUE(st.rendering.calls.empty());
}

TEST(PlaneOutput, CompareNarrowsTheRangeToWhatDiffers) {
  FakeStation st;
  st.ps.writeData(kAbc, 3, 10);
  st.output();
  const unsigned char next[] = {0xC1, 0xC9, 0xC3};
  st.ps.writeData(next, 3, 10);
  EXPECT_EQ(st.ps.changedLow(), 11u);
  EXPECT_EQ(st.ps.changedHigh(), 11u);
}

// Data written backwards (bytes[i] to last - i) narrows the same way, and
// lands where it belongs.
TEST(PlaneOutput, CompareNarrowsABackwardsWriteToWhatDiffers) {
  struct Case {
    const char* name;
    std::vector<unsigned char> bytes;  // to positions 29, 28, ...
    int low, high;                     // the changed range, -1 for none
  } cases[] = {
      {"the same", {0xC8, 0xC7, 0xC6, 0xC5, 0xC4, 0xC3, 0xC2, 0xC1, 0xC0, 0xBF}, -1, -1},
      {"one in the middle", {0xC8, 0xC7, 0xC6, 0xC5, 0xF4, 0xC3, 0xC2, 0xC1, 0xC0, 0xBF}, 25, 25},
      {"both ends", {0xF8, 0xC7, 0xC6, 0xC5, 0xC4, 0xC3, 0xC2, 0xC1, 0xC0, 0xF0}, 20, 29},
      {"two apart", {0xC8, 0xF7, 0xC6, 0xC5, 0xC4, 0xC3, 0xC2, 0xF1, 0xC0, 0xBF}, 22, 28},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeStation st;
    const unsigned char ascending[10] = {0xBF, 0xC0, 0xC1, 0xC2, 0xC3, 0xC4, 0xC5, 0xC6, 0xC7, 0xC8};
    st.ps.writeData(ascending, 10, 20);
    st.output();
    st.ps.writeDataBackwards(c.bytes.data(), 10, 29);
    EXPECT_EQ(st.ps.hasChanges(), c.low >= 0);
    if (c.low >= 0) {
      EXPECT_EQ(st.ps.changedLow(), static_cast<unsigned int>(c.low));
      EXPECT_EQ(st.ps.changedHigh(), static_cast<unsigned int>(c.high));
    }
    for (unsigned int i = 0; i < 10; ++i) EXPECT_EQ(st.ps.getCharacter(29 - i), c.bytes[i]) << i;
  }
}

struct ClearCase {
  const char* name;
  bool clearExtended;     // the extended planes are cleared too
  unsigned int written;   // bytes written after the clear
  Calls expected;
};

class ClearThenWrite : public ::testing::TestWithParam<ClearCase> {};

TEST_P(ClearThenWrite, SendsTheClearAndThenOnlyWhatIsNeeded) {
  const ClearCase& c = GetParam();
  FakeStation st;
  st.ps.fillRange(0, 1999, 0x40);
  st.output();
  st.rendering.clear();
  st.ps.clearEntirePlane(0);
  if (c.clearExtended) st.primary.clearAllECBPlanes(-1, -1);
  std::vector<unsigned char> data(c.written, 0xC1);
  st.ps.writeData(data.data(), c.written, 0);
  st.output();
  EXPECT_EQ(st.rendering.calls, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ClearThenWrite,
    ::testing::Values(
        ClearCase{"AllPlanesFewWrites", true, 3,
                  {"clearAllPlanes(0)", "updatePresentationSpacePlane(0,0,3)"}},
        ClearCase{"AllPlanesMostOfTheScreen", true, 1500,
                  {"updatePresentationSpacePlane(0,0,2000)"}},
        ClearCase{"CharacterPlaneOnly", false, 3,
                  {"clearPresentationSpace()", "updatePresentationSpacePlane(0,0,3)"}},
        ClearCase{"CharacterPlaneOnlyMostOfTheScreen", false, 1500,
                  {"updatePresentationSpacePlane(0,0,2000)"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PlaneOutput, ExtendedPlanesGoOutTogetherWithTheirOwnRanges) {
  FakeStation st;
  st.primary.writeCharacter(5, 0x84);
  st.colour.writeCharacter(7, 0x82);
  st.ps.writeCharacter(5, 0xC1);
  EXPECT_TRUE(st.primary.AreECBsInUse());
  st.output();
  EXPECT_EQ(st.rendering.calls, Calls({"updateAllPlanes(5,1,5,1,0,0,7,1)"}));
  EXPECT_EQ(st.primary.store()->getCharacter(5), 0x84);
  EXPECT_EQ(st.secondary.store()->getCharacter(5), 0);
}

TEST(PlaneOutput, ClearUnitSendsPositionZeroAloneWhenTheChangeIsFarAway) {
  FakeStation st;
  st.ps.writeClearUnitAttribute();
  st.ps.writeCharacter(100, 0xC1);
  st.output();
  EXPECT_EQ(st.rendering.calls, Calls({"updatePresentationSpacePlane(0,0,1)",
                                       "updatePresentationSpacePlane(100,100,1)"}));
  st.rendering.clear();
  st.ps.writeClearUnitAttribute();
  st.ps.writeCharacter(30, 0xC1);
  st.output();
  EXPECT_EQ(st.rendering.calls, Calls({"updatePresentationSpacePlane(0,0,31)"}));
}

TEST(PlaneOutput, ReversedScreenSendsMirroredRows) {
  FakeStation st;
  st.flagsB |= 0x01000000;  // reversed screen
  st.flagsB |= 0x40000000;  // right-to-left fields: symmetric swapping
  const unsigned char text[] = {0xC1, 0x4D, 0xC2};  // A ( B
  st.ps.writeData(text, 3, 80);                      // row 2
  st.output();
  ASSERT_EQ(st.rendering.calls, Calls({"updatePresentationSpacePlane(0,0,2000)"}));
  const auto& out = st.rendering.lastData;
  EXPECT_EQ(out[159], 0xC1);
  EXPECT_EQ(out[158], 0x5D);  // ( became )
  EXPECT_EQ(out[157], 0xC2);
  EXPECT_EQ(st.rendering.outstandingBuffers(), 0u);
}

TEST(PlaneOutput, MirroringKeepsEachAttributeAtTheLeftOfWhatItGoverns) {
  FakeStation st;
  st.flagsB |= 0x01000000;
  st.ps.writeCharacter(2, 0x22);  // an attribute in row 1
  st.ps.writeCharacter(3, 0xC1);
  st.output();
  const auto& out = st.rendering.lastData;
  // The attribute in effect before it (0x20) takes its mirrored place, and
  // 0x22, in effect at the row's end, moves to the row's first position.
  EXPECT_EQ(out[79 - 2], 0x20);
  EXPECT_EQ(out[79 - 3], 0xC1);
  EXPECT_EQ(out[0], 0x22);
}

TEST(PlaneOutput, ReversedScreenWithExtendedPlanesRewritesTheErrorLine) {
  FakeStation st;
  st.flagsB |= 0x01000000;
  st.primary.writeCharacter(200, 0x84);
  st.ps.writeCharacter(200, 0xC1);
  st.output();
  EXPECT_EQ(st.rendering.calls, Calls({"updateAllPlanes(80,1920,80,1920,80,0,80,0)"}));
  EXPECT_EQ(st.events, std::vector<std::string>({"writeOperatorErrorToScreen"}));
  EXPECT_EQ(st.rendering.outstandingBuffers(), 0u);
}

TEST(PlaneOutput, BufferedCommandsAreSentOnceInOrderAndTheListIsBounded) {
  FakeStation st;
  const unsigned char data[11] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
  EXPECT_EQ(st.ps.bufferAudioVideoCommand(1, data, 6), 0u);
  for (unsigned int i = 0; i < 255; ++i) ASSERT_EQ(st.ps.bufferImageCommand(i, data, 11), 0u);
  // The 256th waits for nothing: refused with a sense code, nothing dropped.
  EXPECT_EQ(st.ps.bufferImageCommand(255, data, 11),
            PresentationSpaceScreenBuffer::kSenseCommandListFull);
  EXPECT_EQ(st.ps.bufferedImageCommands(), 255u);
  st.output();
  ASSERT_EQ(st.rendering.calls.size(), 256u);
  EXPECT_EQ(st.rendering.calls[0], "hook37(1,6)");
  EXPECT_EQ(st.rendering.calls[1], "writeImage(0,11)");
  EXPECT_EQ(st.rendering.calls[255], "writeImage(254,11)");
  EXPECT_EQ(st.rendering.outstandingBuffers(), 0u);
  st.rendering.clear();
  st.output();
  EXPECT_TRUE(st.rendering.calls.empty());
}

TEST(PlaneOutput, DroppedCommandListsTellTheDevice) {
  FakeStation st;
  const unsigned char data[6] = {};
  st.ps.bufferAudioVideoCommand(1, data, 6);
  st.ps.bufferImageCommand(2, data, 6);
  st.ps.clearAudioVideo();
  st.ps.clearImages();
  EXPECT_EQ(st.rendering.calls, Calls({"hook35()", "eraseImage()"}));
  EXPECT_EQ(st.rendering.outstandingBuffers(), 0u);
}

TEST(PlaneOutput, ScreenSizeChangeReachesTheDeviceOnce) {
  FakeStation st(24, 80, 3696);
  ASSERT_TRUE(st.ps.changeScreenSize(27, 132));
  EXPECT_FALSE(st.ps.changeScreenSize(28, 132));  // 28 x 132 + 132 > 3696
  EXPECT_FALSE(st.ps.changeScreenSize(0, 80));
  EXPECT_EQ(st.ps.rows(), 27u);
  st.ps.clearEntirePlane(0);
  st.primary.clearAllECBPlanes(-1, -1);
  st.output();
  EXPECT_EQ(st.rendering.calls, Calls({"setScreenSize(27,132)"}));
  st.rendering.clear();
  st.output();
  EXPECT_TRUE(st.rendering.calls.empty());
}

TEST(PlaneOutput, RefreshFromDeviceOnlyForAPlainScreen) {
  FakeStation st;
  st.areaStart = 80;
  st.areaEnd = 159;
  st.ps.refreshPresentationSpaceFromDeviceIfNeeded(0);
  st.ps.refreshPresentationSpaceFromDeviceIfNeeded(1);
  EXPECT_EQ(st.rendering.calls, Calls({"refreshPresentationSpaceFromDevice(80,159)",
                                       "refreshPresentationSpaceFromDevice(0,1919)"}));
  st.rendering.clear();
  st.flagsB |= 0x01000000;
  st.ps.refreshPresentationSpaceFromDeviceIfNeeded(1);
  EXPECT_TRUE(st.rendering.calls.empty());
}
}  // namespace
