// The image object on its own: the status codes it posts for each AID, the
// format of data sent as "UNKNOWN", and the saved image record.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "image/ImageObject.h"
#include "tests/image/ImageCorpus.h"
#include "tests/support/LogCapture.h"

namespace {

using namespace image_test;

struct RecordingPort : ImageStatusPort {
  void postImageStatus(unsigned char code, const unsigned char info[2]) override {
    posted.push_back({code, static_cast<unsigned int>((info[0] << 8) | info[1])});
  }
  std::vector<std::pair<unsigned int, unsigned int>> posted;
};

Bytes Control(uint16_t format, const std::string& name) {
  Bytes f(28, 0);
  f[2] = 0xD9;
  f[3] = 0x66;
  f[4] = 0x80;
  f[10] = static_cast<uint8_t>(format >> 8);
  f[11] = static_cast<uint8_t>(format);
  f[27] = static_cast<uint8_t>(name.size());
  f.insert(f.end(), name.begin(), name.end());
  f[1] = static_cast<uint8_t>(f.size());
  return f;
}

Bytes Download(const Bytes& data) {
  Bytes f = {0, 0, 0xD9, 0x67, 0x80, 0, 0, 0, 0, 0, 0, 1, 'X'};
  f.insert(f.end(), data.begin(), data.end());
  f[0] = static_cast<uint8_t>(f.size() >> 8);
  f[1] = static_cast<uint8_t>(f.size());
  return f;
}

// A 16 x 2 uncompressed bilevel TIFF in either byte order, with the
// version number 42 written in either order.
Bytes SmallTiff(bool motorola, bool swappedVersion) {
  Bytes t;
  auto put16 = [&](uint32_t v) {
    if (motorola) t.insert(t.end(), {uint8_t(v >> 8), uint8_t(v)});
    else t.insert(t.end(), {uint8_t(v), uint8_t(v >> 8)});
  };
  auto put32 = [&](uint32_t v) {
    if (motorola) { put16(v >> 16); put16(v & 0xFFFF); }
    else { put16(v & 0xFFFF); put16(v >> 16); }
  };
  t.insert(t.end(), {uint8_t(motorola ? 'M' : 'I'), uint8_t(motorola ? 'M' : 'I')});
  put16(42);
  put32(8);
  put16(4);
  auto entry = [&](uint16_t tag, uint32_t value) { put16(tag); put16(4); put32(1); put32(value); };
  entry(256, 16);
  entry(257, 2);
  entry(273, 8 + 2 + 48 + 4);
  entry(279, 4);
  put32(0);
  t.insert(t.end(), {0xF0, 0x0F, 0xAA, 0x55});
  if (swappedVersion) std::swap(t[2], t[3]);
  return t;
}

TEST(ImageObject, EachAidTypeIsPostedWithItsStatusCode) {
  ImageStore store;
  RecordingPort port;
  ImageObject object(&store, &port, 0, 24);
  object.SendImageAID(0x82, 5);
  object.SendImageAID(0x83, 0x100);
  object.SendImageAID(0x81, 0);
  object.SendImageAID(0x83, 2);  // the fourth: not sent
  EXPECT_EQ(port.posted, (std::vector<std::pair<unsigned int, unsigned int>>{{0x14, 5}, {0x15, 0x100}, {0x16, 0}}));
}

TEST(ImageObject, UnknownFormatIsTakenFromTheData) {
  // The byte-order mark and the number 42 in either order, and headers of
  // other kinds that are not decodable.
  struct Case {
    const char* name;
    Bytes data;
    bool decoded;
    std::vector<std::pair<unsigned int, unsigned int>> posted;
  };
  const Case cases[] = {
      {"II 42", SmallTiff(false, false), true, {}},
      {"MM 42", SmallTiff(true, false), true, {}},
      {"II with 42 the other way", SmallTiff(false, true), false, {{0x15, 0x100}}},
      {"MM with 42 the other way", SmallTiff(true, true), false, {{0x15, 0x100}}},
      {"JPEG start", Bytes{0xFF, 0xD8, 0xFF, 0xD9}, false, {{0x15, 0x100}}},
      {"PCX start", Bytes{0x0A, 5, 1, 1}, false, {{0x15, 0x22}}},
      {"IOCA start", Bytes{0x70, 2, 0, 0}, false, {{0x15, 0x100}}},
      {"text", Bytes{'h', 'e', 'l', 'l', 'o', ' ', 'i', 'm', 'a', 'g', 'e', '!'}, false, {{0x14, 0}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ImageStore store;
    RecordingPort port;
    ImageObject object(&store, &port, 0, 24);
    const Bytes control = Control(0, "ANY"), download = Download(c.data);
    ASSERT_EQ(object.ReadControlData(control.data(), static_cast<unsigned int>(control.size())), 0);
    EXPECT_EQ(object.ReadDownloadData(download.data(), static_cast<unsigned int>(download.size())),
              c.decoded ? 0 : -1);
    EXPECT_EQ(store.hasImage, c.decoded);
    EXPECT_EQ(port.posted, c.posted);
  }
}

TEST(ImageObject, DebugLinesTellWhatHappened) {
  qwtest::LogCapture log;
  SetDebugFlag(true);
  ImageStore store;
  RecordingPort port;
  {
    ImageObject object(&store, &port, 1000, 24);
    const Bytes control = Control(2, "LOGGED"), download = Download(SmallTiff(false, false));
    object.ReadControlData(control.data(), static_cast<unsigned int>(control.size()));
    object.ReadDownloadData(download.data(), static_cast<unsigned int>(download.size()));
    const Bytes five = Control(5, "FIVE");
    object.ReadControlData(five.data(), static_cast<unsigned int>(five.size()));
  }
  SetDebugFlag(false);
  EXPECT_TRUE(log.Contains("image: Max image size = 1000 bytes."));
  EXPECT_TRUE(log.Contains("    Compression Format: TIFF"));
  EXPECT_TRUE(log.Contains("    Image type: BiLevel"));
  EXPECT_TRUE(log.Contains("    Dimensions: width = 16  height = 2"));
  EXPECT_TRUE(log.Contains("    Caching allowed"));
  EXPECT_TRUE(log.Contains("image: Image Error AID sent: Type 82  Additional Info: 0x05"));
  EXPECT_TRUE(log.Contains("image:  Image format not supported."));
}

TEST(ImageObject, ANewControlFieldDropsAnUnfinishedDownload) {
  ImageStore store;
  RecordingPort port;
  ImageObject object(&store, &port, 0, 24);
  const Bytes first = Control(2, "FIRST"), second = Control(2, "SECOND");
  Bytes partial = Download(Bytes(30, 0xEE));
  partial[4] = 0x00;  // not the last segment
  const Bytes whole = Download(SmallTiff(true, false));
  ASSERT_EQ(object.ReadControlData(first.data(), static_cast<unsigned int>(first.size())), 0);
  ASSERT_EQ(object.ReadDownloadData(partial.data(), static_cast<unsigned int>(partial.size())), 0);
  ASSERT_EQ(object.ReadControlData(second.data(), static_cast<unsigned int>(second.size())), 0);
  EXPECT_EQ(object.ReadDownloadData(whole.data(), static_cast<unsigned int>(whole.size())), 0);
  EXPECT_TRUE(store.hasImage);
  EXPECT_EQ(store.name, "SECOND");
  EXPECT_TRUE(port.posted.empty());
}

TEST(ImageObject, SavedRecordRestoresTheStoredImageOrAnswers0x81) {
  ImageStore store;
  RecordingPort port;
  ImageObject object(&store, &port, 0, 24);
  const Bytes control = Control(2, "SAVED"), download = Download(SmallTiff(false, false));
  ASSERT_EQ(object.ReadControlData(control.data(), static_cast<unsigned int>(control.size())), 0);
  ASSERT_EQ(object.ReadDownloadData(download.data(), static_cast<unsigned int>(download.size())), 0);
  const Bytes record = object.ImageSave();
  ASSERT_EQ(record.size(), 5u + 1 + 40);
  EXPECT_EQ(std::string(record.begin(), record.begin() + 6), std::string("SAVED", 6));
  EXPECT_EQ(record[6 + 23], 16) << "image width";
  EXPECT_EQ(record[6 + 27], 2) << "image height";
  EXPECT_EQ(record[6 + 28], 1) << "caching allowed";

  // Restored into a new object over the same store: shown, nothing posted.
  ImageObject again(&store, &port, 0, 24);
  EXPECT_EQ(again.ImageRestore(record.data(), static_cast<unsigned int>(record.size())), 0);
  EXPECT_TRUE(again.shown());
  EXPECT_TRUE(port.posted.empty());

  // The store no longer holds it: AID 0x81, and the restore still succeeds.
  store.erase();
  ImageObject third(&store, &port, 0, 24);
  EXPECT_EQ(third.ImageRestore(record.data(), static_cast<unsigned int>(record.size())), 0);
  EXPECT_FALSE(third.shown());
  EXPECT_EQ(port.posted, (std::vector<std::pair<unsigned int, unsigned int>>{{0x16, 0}}));
  // A record without its block is refused.
  EXPECT_EQ(third.ImageRestore(record.data(), 20), -1);
}

}  // namespace
