// Image and fax structured fields from the loopback TN5250 host through the
// real data stream manager to the session's image object: each kind of
// image is accepted, stored and cached; the refused ones are answered with
// the image error AID (row and column bytes carry the information code).
#include <gtest/gtest.h>

#include <string>

#include "tests/image/ImageCorpus.h"
#include "tests/image/ImageLoopback.h"

namespace {

using namespace image_test;
using glue_test::B;
using glue_test::Cat;
using glue_test::Record;

constexpr uint8_t kCacheFlag = 0x80;

// A control field (type 0x66) for an image of `format` called `name`, in
// a window of 20 rows and 60 columns at row 2, column 3.
Bytes ControlField(uint16_t format, const std::string& name, uint8_t flags1 = kCacheFlag, uint8_t flags2 = 0) {
  Bytes f(28, 0);
  f[2] = 0xD9;
  f[3] = 0x66;
  f[4] = flags1;
  f[5] = flags2;
  f[10] = static_cast<uint8_t>(format >> 8);
  f[11] = static_cast<uint8_t>(format);
  f[12] = 2;
  f[13] = 3;
  f[14] = 20;
  f[15] = 60;
  f[26] = static_cast<uint8_t>(name.size() >> 8);
  f[27] = static_cast<uint8_t>(name.size());
  f.insert(f.end(), name.begin(), name.end());
  f[0] = static_cast<uint8_t>(f.size() >> 8);
  f[1] = static_cast<uint8_t>(f.size());
  return f;
}

// A download field (type 0x67) carrying `data`.
Bytes DownloadField(const Bytes& data, bool last, const std::string& name = "IMG", int nameLength = -1) {
  Bytes f(12, 0);
  f[2] = 0xD9;
  f[3] = 0x67;
  f[4] = last ? 0x80 : 0x00;
  const size_t n = nameLength < 0 ? name.size() : static_cast<size_t>(nameLength);
  f[10] = static_cast<uint8_t>(n >> 8);
  f[11] = static_cast<uint8_t>(n);
  f.insert(f.end(), name.begin(), name.end());
  f.insert(f.end(), data.begin(), data.end());
  f[0] = static_cast<uint8_t>(f.size() >> 8);
  f[1] = static_cast<uint8_t>(f.size());
  return f;
}

// Write Single Structured Field.
Bytes Wssf(const Bytes& field) { return Cat({B({0x04, 0xF4}), field}); }
// Read MDT Fields with the keyboard unlocked: the host waits for an AID.
const Bytes kReadMdt = B({0x04, 0x52, 0x00, 0x08});

// The image in the download fields, split into segments of at most
// `segment` bytes: every segment but the last ends its record.
std::vector<Bytes> Download(const Bytes& image, size_t segment = 8000) {
  std::vector<Bytes> records;
  for (size_t at = 0; at < image.size() || records.empty(); at += segment) {
    const size_t n = std::min(segment, image.size() - at);
    const bool last = at + n >= image.size();
    records.push_back(Wssf(DownloadField(Bytes(image.begin() + static_cast<long>(at),
                                               image.begin() + static_cast<long>(at + n)),
                                         last)));
  }
  return records;
}

class ImageFieldsTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new qwtest::TempDir;
    auto tool = [](const std::string& c) { return RunTool(*dir_, c); };
    WritePnm(dir_->Path() + "/page.pbm", TestPage(640, 200));
    WritePnm(dir_->Path() + "/colour.ppm", ColourPicture(120, 90));
    ASSERT_TRUE(tool("ppm2tiff -c none page.pbm page.tif && tiffcp -c g4 page.tif g4.tif"));
    ASSERT_TRUE(tool("pbmtog3 -reversebits page.pbm > page.g3 && ppmtopcx page.pbm > page.pcx"));
    ASSERT_TRUE(tool("cjpeg -baseline -sample 2x2 colour.ppm > colour.jpg"));
    ASSERT_TRUE(tool("cjpeg -progressive colour.ppm > progressive.jpg && tiffcp -c lzw page.tif lzw.tif"));
  }
  static void TearDownTestSuite() {
    delete dir_;
    dir_ = nullptr;
  }
  static Bytes File(const std::string& name) { return ReadFile(dir_->Path() + "/" + name); }

  // An IOCA segment of the G4 page, hand-built around the TIFF's strip.
  static Bytes Ioca() {
    const Bytes g4 = File("g4.tif");
    // The strip of this one-strip file lies between the header and the
    // directory that tiffcp writes after it.
    const uint32_t directory = g4[4] | (g4[5] << 8) | (g4[6] << 16) | (uint32_t{g4[7]} << 24);
    const Bytes strip(g4.begin() + 8, g4.begin() + directory);
    Bytes s = {0x70, 0x00, 0x91, 0x01, 0xFF, 0x94, 0x09, 0x00, 0x00, 0xC8, 0x00, 0xC8, 0x02, 0x80, 0x00, 0xC8,
               0x95, 0x02, 0x82, 0x01, 0x96, 0x01, 0x01};
    for (size_t at = 0; at < strip.size(); at += 4000) {
      const size_t n = std::min<size_t>(4000, strip.size() - at);
      s.insert(s.end(), {0xFE, 0x92, uint8_t(n >> 8), uint8_t(n)});
      s.insert(s.end(), strip.begin() + static_cast<long>(at), strip.begin() + static_cast<long>(at + n));
    }
    s.insert(s.end(), {0x93, 0x00, 0x71, 0x00});
    return s;
  }

  // Sends the control field, then the download records; the last one
  // carries a read so that an error AID can come back at once.
  void SendImage(ImageLoopback& l, uint16_t format, const std::string& name, const Bytes& image,
                 uint8_t flags1 = kCacheFlag, uint8_t flags2 = 0, size_t segment = 8000) {
    std::vector<Bytes> records = Download(image, segment);
    l.Send(Record(0x03, Wssf(ControlField(format, name, flags1, flags2))));
    for (size_t i = 0; i < records.size(); ++i) {
      const bool last = i + 1 == records.size();
      l.Send(Record(0x03, last ? Cat({records[i], kReadMdt}) : records[i]));
    }
  }

  // The AID records the session sent: {information code, AID}.
  static std::vector<std::pair<unsigned int, unsigned int>> Aids(ImageLoopback& l) {
    std::vector<std::pair<unsigned int, unsigned int>> aids;
    for (const Bytes& r : l.Pending()) {
      EXPECT_GE(r.size(), 13u);
      if (r.size() >= 13) aids.emplace_back((r[10] << 8) | r[11], r[12]);
    }
    return aids;
  }

  static qwtest::TempDir* dir_;
};

qwtest::TempDir* ImageFieldsTest::dir_ = nullptr;

TEST_F(ImageFieldsTest, EveryKindOfImageIsDecodedStoredAndCached) {
  struct Case {
    const char* name;
    uint16_t format;
    Bytes image;
    unsigned int width, height, bitsPerPixel;
    size_t segment = 8000;
  };
  const Case cases[] = {
      {"TIFF", 2, File("g4.tif"), 640, 200, 1},
      {"TIFF in segments of 500 bytes", 2, File("g4.tif"), 640, 200, 1, 500},
      {"JPEG in segments of 333 bytes", 6, File("colour.jpg"), 120, 90, 24, 333},
      {"TIFF named UNKNOWN", 0, File("g4.tif"), 640, 200, 1},
      {"headerless fax page", 4, HeaderlessPage(File("page.g3"), 16), 1728, 200, 1},
      {"IOCA", 1, Ioca(), 640, 200, 1},
      {"PCX", 3, File("page.pcx"), 640, 200, 1},
      {"JPEG", 6, File("colour.jpg"), 120, 90, 24},
      {"JPEG named UNKNOWN", 0, File("colour.jpg"), 120, 90, 24},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ImageLoopback l;
    SendImage(l, c.format, c.name, c.image, kCacheFlag, 0, c.segment);
    EXPECT_TRUE(Aids(l).empty());
    const ImageStore& store = l.images().store();
    ASSERT_TRUE(store.hasImage);
    EXPECT_EQ(store.name, c.name);
    EXPECT_EQ(store.description.width, c.width);
    EXPECT_EQ(store.description.height, c.height);
    EXPECT_EQ(store.description.bitsPerPixel, c.bitsPerPixel);
    EXPECT_EQ(store.description.size, store.description.bytesPerLine * store.description.height);
    ASSERT_NE(l.images().object(), nullptr);
    EXPECT_TRUE(l.images().object()->shown());

    // The screen is cleared: the image object goes, the cached image stays;
    // the same name shows it again and its download is not looked at.
    l.Send(Record(0x03, B({0x04, 0x40})));
    EXPECT_EQ(l.images().object(), nullptr);
    EXPECT_TRUE(store.hasImage);
    const uint8_t* pixels = store.pixels.data();
    l.Send(Record(0x03, Wssf(ControlField(c.format, c.name))));
    ASSERT_NE(l.images().object(), nullptr);
    EXPECT_TRUE(l.images().object()->shown());
    l.Send(Record(0x03, Cat({Wssf(DownloadField(B({1, 2, 3}), true)), kReadMdt})));
    EXPECT_TRUE(Aids(l).empty());
    EXPECT_EQ(store.pixels.data(), pixels) << "decoded again";
  }
}

TEST_F(ImageFieldsTest, WithoutCachingTheStoreGoesWithTheScreen) {
  ImageLoopback l;
  SendImage(l, 2, "PAGE", File("g4.tif"), 0x00);
  ASSERT_TRUE(l.images().store().hasImage);
  l.Send(Record(0x03, B({0x04, 0x40})));
  EXPECT_FALSE(l.images().store().hasImage);
  EXPECT_FALSE(l.images().store().named);
}

TEST_F(ImageFieldsTest, DuplicatedScanLinesDoubleTheHeight) {
  ImageLoopback l;
  SendImage(l, 6, "TWICE", File("colour.jpg"), kCacheFlag, 0x80);
  const ImageStore& store = l.images().store();
  ASSERT_TRUE(store.hasImage);
  EXPECT_EQ(store.description.height, 180u);
  const size_t line = store.description.bytesPerLine;
  EXPECT_TRUE(std::equal(store.pixels.begin(), store.pixels.begin() + static_cast<long>(line),
                         store.pixels.begin() + static_cast<long>(line)));
}

TEST_F(ImageFieldsTest, TheLargestImageIsAcceptedAndOneByteMoreIsNot) {
  // The TIFF padded to the limit decodes; a byte more is refused with
  // information code 2, and the object and its data are dropped.
  const Bytes tiff = File("g4.tif");
  const unsigned int limit = static_cast<unsigned int>(tiff.size() + 100);
  Bytes exact = tiff;
  exact.resize(limit, 0);
  Bytes over = exact;
  over.push_back(0);
  {
    ImageLoopback l;
    l.images().setLargestImage(limit);
    SendImage(l, 2, "EXACT", exact);
    EXPECT_TRUE(Aids(l).empty());
    EXPECT_TRUE(l.images().store().hasImage);
  }
  ImageLoopback l;
  l.images().setLargestImage(limit);
  SendImage(l, 2, "OVER", over);
  EXPECT_EQ(Aids(l), (std::vector<std::pair<unsigned int, unsigned int>>{{0x0002, 0x83}}));
  EXPECT_EQ(l.images().object(), nullptr);
  EXPECT_FALSE(l.images().store().hasImage);
}

TEST_F(ImageFieldsTest, RefusedAndDamagedImagesGetTheirAid) {
  const Bytes g4 = File("g4.tif");
  const Bytes jpeg = File("colour.jpg");
  struct Case {
    const char* name;
    uint16_t format;
    Bytes image;
    unsigned int info, aid;
  };
  const Case cases[] = {
      {"truncated TIFF", 2, Bytes(g4.begin(), g4.begin() + 40), 0x100, 0x83},
      {"truncated JPEG", 6, Bytes(jpeg.begin(), jpeg.begin() + 100), 0x100, 0x83},
      {"progressive JPEG", 6, File("progressive.jpg"), 0x100, 0x83},
      {"LZW TIFF", 2, File("lzw.tif"), 0x14, 0x83},  // then 0x13, below
      {"unrecognised data", 0, B({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13}), 0x00, 0x82},
      {"PCX that is not", 3, B({0x0B, 0, 1}), 0x22, 0x83},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ImageLoopback l;
    SendImage(l, c.format, c.name, c.image);
    const auto aids = Aids(l);
    ASSERT_FALSE(aids.empty());
    EXPECT_EQ(aids[0], std::make_pair(c.info, c.aid));
    EXPECT_EQ(l.images().object(), nullptr) << "the image object is destroyed";
    EXPECT_FALSE(l.images().store().hasImage);
  }
}

TEST_F(ImageFieldsTest, TheFieldsThemselvesAreChecked) {
  // Format 5 is no format: AID 0x82 with the code.
  {
    ImageLoopback l;
    l.Send(Record(0x03, Cat({Wssf(ControlField(5, "FIVE")), kReadMdt})));
    EXPECT_EQ(Aids(l), (std::vector<std::pair<unsigned int, unsigned int>>{{5, 0x82}}));
    EXPECT_EQ(l.images().object(), nullptr);
  }
  // A download before any control field is dropped without an answer.
  {
    ImageLoopback l;
    l.Send(Record(0x03, Cat({Wssf(DownloadField(File("g4.tif").size() < 9000 ? File("g4.tif") : Bytes(), true)),
                             kReadMdt})));
    EXPECT_TRUE(Aids(l).empty());
    EXPECT_EQ(l.images().object(), nullptr);
  }
  // A name longer than its field: refused, not read past the field.
  {
    ImageLoopback l;
    Bytes control = ControlField(2, "N");
    control[27] = 200;
    l.Send(Record(0x03, Cat({Wssf(control), kReadMdt})));
    EXPECT_EQ(Aids(l), (std::vector<std::pair<unsigned int, unsigned int>>{{0x100, 0x83}}));
  }
  {
    ImageLoopback l;
    l.Send(Record(0x03, Wssf(ControlField(2, "N"))));
    l.Send(Record(0x03, Cat({Wssf(DownloadField(B({1, 2}), true, "IMG", 60)), kReadMdt})));
    EXPECT_EQ(Aids(l), (std::vector<std::pair<unsigned int, unsigned int>>{{0x100, 0x83}}));
  }
}

TEST_F(ImageFieldsTest, NoMoreThanThreeErrorAidsUntilAnImageIsShown) {
  ImageLoopback l;
  for (int i = 0; i < 4; ++i) {
    l.Send(Record(0x03, Cat({Wssf(ControlField(9, "BAD")), kReadMdt})));
    EXPECT_EQ(Aids(l).size(), i < 3 ? 1u : 0u) << "error " << i + 1;
  }
  SendImage(l, 2, "GOOD", File("g4.tif"));
  EXPECT_TRUE(Aids(l).empty());
  l.Send(Record(0x03, Cat({Wssf(ControlField(9, "BAD")), kReadMdt})));
  EXPECT_EQ(Aids(l).size(), 1u) << "counted again from the image shown";
}

TEST_F(ImageFieldsTest, AnErrorWhileTheKeyboardIsLockedWaitsForTheRead) {
  ImageLoopback l;
  l.Send(Record(0x03, Wssf(ControlField(7, "SEVEN"))));
  EXPECT_TRUE(l.Pending().empty());
  l.Send(Record(0x03, kReadMdt));
  EXPECT_EQ(Aids(l), (std::vector<std::pair<unsigned int, unsigned int>>{{7, 0x82}}));
}

}  // namespace
