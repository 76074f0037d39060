// Image print jobs read back independently: the EPSF page through
// Ghostscript (its measured box inside the integer bounding box the job
// declares, the image operator and hex rows), the PCL page through the
// test's PCL reader (paper, resolution, raster rows and their pixels), and
// images that cannot be printed refused.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <memory>
#include <vector>

#include "PrintReaders.h"
#include "print/ImagePrint.h"

using printtest::PclItem;

namespace {

// A bi-level image: the left `black` columns of every row are 1, the rest 0.
struct BiLevel {
  int width, height, bytesPerLine;
  std::vector<unsigned char> bits;
  BiLevel(int w, int h, int black) : width(w), height(h), bytesPerLine((w + 31) / 32 * 4) {
    bits.assign(static_cast<std::size_t>(bytesPerLine) * h, 0);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < black; ++x) bits[y * bytesPerLine + x / 8] |= static_cast<unsigned char>(0x80 >> (x % 8));
  }
  PrintImage image() const { return {width, height, 1, bytesPerLine, bits.data()}; }
};

std::string Job(const PrintData& d) { return d ? std::string(reinterpret_cast<const char*>(d.data()), d.size) : ""; }

bool DeclaredBox(const std::string& job, int box[4]) {
  const std::size_t at = job.find("%%BoundingBox:");
  if (at == std::string::npos) return false;
  char rest[8] = {};
  return std::sscanf(job.c_str() + at, "%%%%BoundingBox: %d %d %d %d%7[^\n]", &box[0], &box[1], &box[2], &box[3],
                     rest) == 4;
}

struct PsCase {
  const char* name;
  bool colour;
  unsigned char orientation, pageSize;
};

class PostscriptImage : public ::testing::TestWithParam<PsCase> {};

TEST_P(PostscriptImage, GhostscriptBoxLiesInTheIntegerBoundingBox) {
  const PsCase& c = GetParam();
  // All 0 (black in PostScript) so that every pixel leaves a mark.
  const BiLevel bi(300, 200, 0);
  std::vector<unsigned char> pixels(120 * 80);
  for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<unsigned char>(i % 2);
  const unsigned char map[6] = {0, 0, 0, 255, 0, 0};
  std::unique_ptr<ImagePrint> p;
  if (c.colour) p = std::make_unique<PS_ImagePrint>(PrintImage{120, 80, 8, 120, pixels.data()}, map, 2, kPrintColour);
  else p = std::make_unique<PS_ImagePrint>(bi.image(), nullptr, 0, kPrintBiLevel);
  const std::string job = Job(p->BuildPrintData(c.orientation, c.pageSize, 1, 1, 0));
  ASSERT_FALSE(job.empty());
  ASSERT_EQ(job.rfind("%!PS-Adobe-2.0 EPSF-2.0", 0), 0u);
  int box[4];
  ASSERT_TRUE(DeclaredBox(job, box)) << "integers only";
  double measured[4];
  ASSERT_TRUE(printtest::GhostscriptBoundingBox(job, measured));
  EXPECT_GE(measured[0], box[0] - 1);
  EXPECT_GE(measured[1], box[1] - 1);
  EXPECT_LE(measured[2], box[2] + 1);
  EXPECT_LE(measured[3], box[3] + 1);
  // The image fills the box.
  EXPECT_LE(measured[0], box[0] + 2);
  EXPECT_GE(measured[2], box[2] - 2);
  if (c.colour) {
    EXPECT_NE(job.find("false 3 colorimage \n"), std::string::npos);
    // Three bytes per pixel: 120 pixels give 720 hex digits a row.
    EXPECT_NE(job.find("\n000000FF0000000000FF0000"), std::string::npos);
    const std::size_t first = job.find("colorimage \n") + 12;
    EXPECT_EQ(job.find('\n', first) - first, 720u);
  } else {
    EXPECT_NE(job.find("image \n"), std::string::npos);
    EXPECT_EQ(job.find("colorimage"), std::string::npos);
    const std::size_t first = job.find("image \n") + 7;
    EXPECT_EQ(job.find('\n', first) - first, 2u * ((300 + 7) / 8));
  }
}

INSTANTIATE_TEST_SUITE_P(Pages, PostscriptImage,
                         ::testing::Values(PsCase{"colour_letter_portrait", true, 1, 1},
                                           PsCase{"colour_a4_landscape", true, 2, 3},
                                           PsCase{"bilevel_legal_portrait", false, 1, 2}),
                         [](const ::testing::TestParamInfo<PsCase>& i) { return std::string(i.param.name); });

TEST(PclImage, PaperResolutionAndRasterRows) {
  BiLevel bi(200, 100, 50);  // the left quarter is 1
  PCL_ImagePrint p(bi.image(), nullptr, 0, kPrintBiLevel);
  const std::string job = Job(p.BuildPrintData(1, 3, 5, 0, 0));
  ASSERT_FALSE(job.empty());
  EXPECT_EQ(p.paperCode(), 26);
  EXPECT_EQ(p.resolution(), 300);
  std::vector<PclItem> items;
  std::string error;
  ASSERT_TRUE(printtest::ParsePcl(job, items, &error)) << error;
  auto has = [&](const char* group, const char* value, char t) {
    for (const PclItem& i : items)
      if (i.kind == PclItem::Escape && i.group == group && i.value == value && i.terminator == t) return true;
    return false;
  };
  EXPECT_TRUE(has("&l", "26", 'A'));
  EXPECT_TRUE(has("*t", "300", 'R'));
  EXPECT_TRUE(has("*r", std::to_string(p.scaledHeight()).c_str(), 'T'));
  EXPECT_TRUE(has("*r", std::to_string(p.scaledWidth()).c_str(), 'S'));
  int rows = 0;
  for (const PclItem& i : items) {
    if (i.kind != PclItem::Raster) continue;
    ++rows;
    ASSERT_EQ(i.data.size(), static_cast<std::size_t>((p.scaledWidth() + 7) / 8));
    // 1 pixels print white (bit clear), 0 pixels black (bit set).
    const unsigned char first = static_cast<unsigned char>(i.data.front());
    const unsigned char last = static_cast<unsigned char>(i.data[(p.scaledWidth() - 1) / 8]);
    EXPECT_EQ(first & 0x80, 0);
    EXPECT_NE(last & (0x80 >> ((p.scaledWidth() - 1) % 8)), 0);
    const int edge = p.scaledWidth() / 4;
    EXPECT_EQ(i.data[(edge - 8) / 8] & 0xFF, 0) << "left of the quarter";
  }
  EXPECT_EQ(rows, p.scaledHeight());
  EXPECT_EQ(job.substr(job.size() - 15), std::string("\x1B*rB\x1B" "E\x1B%-12345X"));
}

TEST(PclImage, GreyImageIsDitheredAndRunLengthEncoded) {
  std::vector<unsigned char> pixels(64 * 64, 255);  // white
  const unsigned char map[3] = {255, 255, 255};
  PCL_ImagePrint p(PrintImage{64, 64, 8, 64, pixels.data()}, map, 1, kPrintGrey);
  const std::string job = Job(p.BuildPrintData(1, 1, 1, 0, 0));
  std::vector<PclItem> items;
  ASSERT_TRUE(printtest::ParsePcl(job, items, nullptr));
  int rows = 0;
  for (const PclItem& i : items) {
    if (i.kind != PclItem::Raster) continue;
    ++rows;
    // White is above every threshold but 255: nothing black, as runs.
    const std::string row = printtest::ExpandPclRunLength(i.data);
    EXPECT_EQ(row, std::string((p.scaledWidth() + 7) / 8, '\0'));
  }
  EXPECT_EQ(rows, p.scaledHeight());
  EXPECT_NE(job.find("\x1B*b1m"), std::string::npos) << "compressed rows";
}

TEST(PclImage, ColourImageCarriesItsPaletteAndRows) {
  std::vector<unsigned char> pixels(12 * 4, 1);
  const unsigned char map[6] = {10, 20, 30, 40, 50, 60};
  PCL_ImagePrint p(PrintImage{10, 4, 8, 12, pixels.data()}, map, 2, kPrintColour);
  const std::string job = Job(p.BuildPrintData(2, 1, 6, 1, 0));
  std::vector<PclItem> items;
  ASSERT_TRUE(printtest::ParsePcl(job, items, nullptr));
  EXPECT_NE(job.find("\x1B&l1O"), std::string::npos);
  EXPECT_NE(job.find("\x1B*v40A\x1B*v50B\x1B*v60C\x1B*v1I"), std::string::npos);
  int rows = 0;
  for (const PclItem& i : items)
    if (i.kind == PclItem::Raster) {
      ++rows;
      EXPECT_EQ(i.data, std::string(10, '\x01'));
    }
  EXPECT_EQ(rows, 4);
}

TEST(PclImage, RunLengthEncoding) {
  unsigned char out[512];
  const std::vector<unsigned char> same(100, 0xAB);
  ASSERT_EQ(PCL_ImagePrint::EncodeScanlineRLE(same.data(), same.size(), out), 2u);
  EXPECT_EQ(out[0], 99);
  EXPECT_EQ(out[1], 0xAB);
  const std::vector<unsigned char> long_run(300, 7);
  ASSERT_EQ(PCL_ImagePrint::EncodeScanlineRLE(long_run.data(), long_run.size(), out), 4u);
  EXPECT_EQ(out[0], 255);
  EXPECT_EQ(out[2], 43);
  std::vector<unsigned char> mixed(50);
  for (std::size_t i = 0; i < mixed.size(); ++i) mixed[i] = static_cast<unsigned char>(i);
  EXPECT_EQ(PCL_ImagePrint::EncodeScanlineRLE(mixed.data(), mixed.size(), out), 0u) << "not shorter: abandoned";
}

TEST(ImagePrint, ImagesThatCannotBePrintedAreRefused) {
  std::vector<unsigned char> bytes(64, 0);
  const PrintImage bad[] = {
      {0, 10, 1, 4, bytes.data()},       {10, 0, 1, 4, bytes.data()},   {40, 2, 1, 4, bytes.data()},
      {4, 4, 12, 8, bytes.data()},       {4, 4, 8, 4, nullptr},         {40000, 1, 1, 5000, bytes.data()},
  };
  for (const PrintImage& image : bad) {
    PS_ImagePrint ps(image, nullptr, 0, kPrintBiLevel);
    PCL_ImagePrint pcl(image, nullptr, 0, kPrintBiLevel);
    EXPECT_FALSE(ps.BuildPrintData(1, 1, 1, 0, 0)) << image.width << "x" << image.height;
    EXPECT_FALSE(pcl.BuildPrintData(1, 1, 1, 0, 0)) << image.width << "x" << image.height;
  }
}

}  // namespace

namespace {

// The hex rows of an EPSF job's body, after the image operator.
std::vector<std::string> HexRows(const std::string& job, const char* op) {
  std::vector<std::string> rows;
  std::size_t at = job.find(op);
  if (at == std::string::npos) return rows;
  at = job.find('\n', at) + 1;
  for (std::size_t end; (end = job.find('\n', at)) != std::string::npos && end > at; at = end + 1)
    rows.push_back(job.substr(at, end - at));
  return rows;
}

}  // namespace

// Images kept with 1 for black, and 24-bit pixels kept as R, G, B bytes,
// print the same as their X bitmap and word forms.
TEST(ImagePrint, SourcePixelLayouts) {
  const BiLevel xBitmap(16, 2, 4);  // 1 is white: 4 white columns
  BiLevel blackIsOne = xBitmap;
  for (unsigned char& b : blackIsOne.bits) b = static_cast<unsigned char>(~b);
  PrintImage flipped = blackIsOne.image();
  flipped.oneIsBlack = true;
  for (int postscript = 0; postscript < 2; ++postscript) {
    SCOPED_TRACE(postscript ? "PostScript" : "PCL");
    std::unique_ptr<ImagePrint> a, b;
    if (postscript) {
      a = std::make_unique<PS_ImagePrint>(xBitmap.image(), nullptr, 0, kPrintBiLevel);
      b = std::make_unique<PS_ImagePrint>(flipped, nullptr, 0, kPrintBiLevel);
    } else {
      a = std::make_unique<PCL_ImagePrint>(xBitmap.image(), nullptr, 0, kPrintBiLevel);
      b = std::make_unique<PCL_ImagePrint>(flipped, nullptr, 0, kPrintBiLevel);
    }
    const std::string expected = Job(a->BuildPrintData(1, 1, 1, 0, 0));
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(Job(b->BuildPrintData(1, 1, 1, 0, 0)), expected);
    if (postscript) EXPECT_EQ(HexRows(expected, "image \n"), (std::vector<std::string>{"F000", "F000"}));
  }

  // One row of three pixels: red, green, blue.
  const unsigned char rgb[9] = {255, 0, 0, 0, 255, 0, 0, 0, 255};
  const unsigned char bgr[9] = {0, 0, 255, 0, 255, 0, 255, 0, 0};
  PrintImage bytes{3, 1, 24, 9, rgb};
  bytes.rgbBytes = true;
  PS_ImagePrint fromBytes(bytes, nullptr, 0, kPrintColour);
  PS_ImagePrint fromWords(PrintImage{3, 1, 24, 9, bgr}, nullptr, 0, kPrintColour);
  const std::string job = Job(fromBytes.BuildPrintData(1, 1, 1, 1, 0));
  EXPECT_EQ(job, Job(fromWords.BuildPrintData(1, 1, 1, 1, 0)));
  EXPECT_EQ(HexRows(job, "false 3 colorimage \n"), std::vector<std::string>{"FF000000FF000000FF"});
}
