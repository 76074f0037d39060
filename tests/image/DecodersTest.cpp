// The decoders against the reference decoders of Debian: every picture is
// encoded by the netpbm, libtiff and libjpeg tools, decoded here and by the
// tools' own decoders, and the pixels compared; refused and damaged files
// get the error AID the image window answers with.
#include <gtest/gtest.h>
#include <tiffio.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "image/Decompress.h"
#include "image/FaxMixedRows.h"
#include "image/ImageAid.h"
#include "tests/image/ImageCorpus.h"

namespace {

using namespace image_test;
using Aid = std::pair<unsigned int, unsigned int>;
using Aids = std::vector<Aid>;

enum class Container { kTiff, kFax, kIoca, kPcx, kJpeg };

struct AidLog : ImageErrorSink {
  void SendImageAID(unsigned char type, uint16_t info) override { aids.emplace_back(type, info); }
  Aids aids;
};

struct Decoded {
  bool ok = false;
  image_data description;
  Bytes pixels;
  Aids aids;
};

Decoded Decode(Container c, const Bytes& data, unsigned int depth = 24) {
  Decoded out;
  AidLog log;
  Decompress d(&out.description, &log, &out.pixels, depth);
  switch (c) {
    case Container::kTiff: out.ok = d.DecompressTIFF(data.data(), data.size()) == 0; break;
    case Container::kFax: out.ok = d.standalone(data.data(), data.size()) == 0; break;
    case Container::kIoca: out.ok = d.DecompressIoca(data.data(), data.size()) == 0; break;
    case Container::kPcx: out.ok = d.pcx_decompress(data.data(), data.size()) == 0; break;
    case Container::kJpeg: out.ok = d.DecompressJPEG(data.data(), data.size()) != 0; break;
  }
  out.aids = log.aids;
  if (out.ok) {
    EXPECT_TRUE(out.aids.empty());
    EXPECT_EQ(out.pixels.size(), size_t{out.description.bytesPerLine} * out.description.height);
  }
  return out;
}

bool Bit(const Decoded& d, unsigned int x, unsigned int y) {
  return (d.pixels[y * d.description.bytesPerLine + x / 8] >> (7 - x % 8)) & 1;
}

// A bilevel image against a PBM: equal, or each pixel inverted.
void ExpectBits(const Decoded& d, const Pnm& reference, bool inverted) {
  ASSERT_TRUE(d.ok);
  ASSERT_EQ(d.description.bitsPerPixel, 1u);
  ASSERT_EQ(d.description.width, reference.width);
  ASSERT_EQ(d.description.height, reference.height);
  EXPECT_EQ(d.description.type, kImageBilevel);
  unsigned int wrong = 0;
  for (unsigned int y = 0; y < reference.height; ++y)
    for (unsigned int x = 0; x < reference.width; ++x)
      if (Bit(d, x, y) != (reference.bit(x, y) != inverted)) ++wrong;
  EXPECT_EQ(wrong, 0u);
}

// Grey or colour against a PGM or PPM; `triples` when grey came as triples.
void ExpectSamples(const Decoded& d, const Pnm& reference, bool triples) {
  ASSERT_TRUE(d.ok);
  ASSERT_EQ(d.description.width, reference.width);
  ASSERT_EQ(d.description.height, reference.height);
  const unsigned int perPixel = reference.kind == '6' || triples ? 3 : 1;
  ASSERT_EQ(d.description.bytesPerLine, perPixel * reference.width);
  ASSERT_EQ(d.description.bitsPerPixel, perPixel * 8);
  unsigned int wrong = 0;
  for (unsigned int y = 0; y < reference.height; ++y)
    for (unsigned int x = 0; x < reference.width; ++x)
      for (unsigned int c = 0; c < perPixel; ++c) {
        const uint8_t want = reference.kind == '6' ? reference.data[(y * reference.width + x) * 3 + c]
                                                   : reference.data[y * reference.width + x];
        if (d.pixels[y * d.description.bytesPerLine + x * perPixel + c] != want) ++wrong;
      }
  EXPECT_EQ(wrong, 0u);
}

class DecodersTest : public testing::Test {
 protected:
  std::string Path(const std::string& name) const { return dir_.Path() + "/" + name; }
  void Write(const std::string& name, const Pnm& p) { WritePnm(Path(name), p); }
  Bytes File(const std::string& name) const { return ReadFile(Path(name)); }
  bool Tool(const std::string& command) { return RunTool(dir_, command); }

  qwtest::TempDir dir_;
};

// ---- TIFF -----------------------------------------------------------------------------------

TEST_F(DecodersTest, BilevelTiffInEveryCompressionFillOrderAndByteOrder) {
  Write("page.pbm", TestPage(301, 97));
  ASSERT_TRUE(Tool("ppm2tiff -c none page.pbm page.tif"));
  const char* compressions[] = {"none", "packbits", "g3:1d", "g3:2d", "g4"};
  const char* fills[] = {"msb2lsb", "lsb2msb"};
  const char* orders[] = {"-B", "-L"};
  const char* strips[] = {"", "-r 16"};  // one strip, or tables of offsets and counts
  for (const char* c : compressions)
    for (const char* f : fills)
      for (const char* o : orders)
        for (const char* s : strips) {
          const std::string options = std::string("-c ") + c + " -f " + f + " " + o + " " + s;
          SCOPED_TRACE(options);
          ASSERT_TRUE(Tool("tiffcp " + options + " page.tif out.tif && tifftopnm out.tif > out.pbm"));
          const Pnm reference = ReadPnm(Path("out.pbm"));
          ASSERT_EQ(reference.kind, '4');
          ExpectBits(Decode(Container::kTiff, File("out.tif")), reference, false);
        }
  // Black is zero: a set bit is still ink, whatever the compression: the
  // page the file means, as netpbm reads it.
  for (const char* c : compressions) {
    SCOPED_TRACE(std::string("black is zero, ") + c);
    ASSERT_TRUE(Tool(std::string("tiffcp -c ") + c + " page.tif out.tif && tiffset -s 262 1 out.tif"));
    ASSERT_TRUE(Tool("tifftopnm out.tif > out.pbm"));
    ExpectBits(Decode(Container::kTiff, File("out.tif")), ReadPnm(Path("out.pbm")), false);
  }
  // The same page written in both senses is the same page.
  const Pnm page = ReadPnm(Path("page.pbm"));
  for (const char* sense : {"-minisblack", "-miniswhite"})
    for (const char* c : {"", "-g4", "-packbits"}) {
      SCOPED_TRACE(std::string(sense) + " " + c);
      ASSERT_TRUE(Tool(std::string("pnmtotiff ") + sense + " " + c + " page.pbm > sense.tif"));
      ExpectBits(Decode(Container::kTiff, File("sense.tif")), page, false);
    }
}

// YCbCr TIFF files written here sample by sample, in data units of h x v
// luma samples and one Cb and Cr (without subsampling also restripped and
// packed by tiffcp): every pixel is the video YCbCr conversion of its
// samples.
TEST_F(DecodersTest, YCbCrTiffInEverySubsampling) {
  constexpr unsigned int kWidth = 13, kHeight = 7;
  auto luma = [](unsigned int x, unsigned int y) { return static_cast<int>((x * 19 + y * 31) % 256); };
  auto chroma = [](unsigned int ux, unsigned int uy, int k) { return static_cast<int>((ux * 53 + uy * 71 + k * 97) % 256); };
  auto expect = [](int y, int cb, int cr) {
    const double l = 1.164 * std::max(0, y - 16);
    const double v[3] = {l + 1.596 * (cr - 128), l - 0.392 * (cb - 128) - 0.813 * (cr - 128), l + 2.018 * (cb - 128)};
    std::array<int, 3> out{};
    for (int k = 0; k < 3; ++k) out[k] = v[k] < 1.0 ? 0 : v[k] > 255.0 ? 255 : static_cast<int>(v[k]);
    return out;
  };
  for (const auto& sub : std::vector<std::pair<uint16_t, uint16_t>>{{1, 1}, {2, 1}, {2, 2}, {4, 2}})
    for (const char* repack : {"", "-c packbits -r 4", "-c none -r 2"}) {
      const uint16_t h = sub.first, v = sub.second;
      // tiffcp copies only images without subsampling.
      if (*repack && (h > 1 || v > 1)) continue;
      SCOPED_TRACE(std::to_string(h) + "x" + std::to_string(v) + " " + repack);
      const unsigned int across = (kWidth + h - 1) / h, down = (kHeight + v - 1) / v;
      Bytes units;
      for (unsigned int uy = 0; uy < down; ++uy)
        for (unsigned int ux = 0; ux < across; ++ux) {
          for (unsigned int j = 0; j < v; ++j)
            for (unsigned int i = 0; i < h; ++i) units.push_back(static_cast<uint8_t>(luma(ux * h + i, uy * v + j)));
          units.push_back(static_cast<uint8_t>(chroma(ux, uy, 0)));
          units.push_back(static_cast<uint8_t>(chroma(ux, uy, 1)));
        }
      TIFF* t = TIFFOpen(Path("ycbcr.tif").c_str(), "w");
      ASSERT_NE(t, nullptr);
      TIFFSetField(t, TIFFTAG_IMAGEWIDTH, kWidth);
      TIFFSetField(t, TIFFTAG_IMAGELENGTH, kHeight);
      TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
      TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 3);
      TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_YCBCR);
      TIFFSetField(t, TIFFTAG_YCBCRSUBSAMPLING, h, v);
      TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
      TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, kHeight);
      TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
      ASSERT_GE(TIFFWriteRawStrip(t, 0, units.data(), static_cast<tmsize_t>(units.size())), 0);
      TIFFClose(t);
      std::string file = "ycbcr.tif";
      if (*repack) {
        ASSERT_TRUE(Tool(std::string("tiffcp ") + repack + " ycbcr.tif repacked.tif"));
        file = "repacked.tif";
      }
      const Decoded d = Decode(Container::kTiff, File(file));
      ASSERT_TRUE(d.ok);
      EXPECT_EQ(d.description.type, kImageColour);
      ASSERT_EQ(d.description.width, kWidth);
      ASSERT_EQ(d.description.height, kHeight);
      unsigned int wrong = 0;
      for (unsigned int y = 0; y < kHeight; ++y)
        for (unsigned int x = 0; x < kWidth; ++x) {
          const std::array<int, 3> want = expect(luma(x, y), chroma(x / h, y / v, 0), chroma(x / h, y / v, 1));
          for (int k = 0; k < 3; ++k)
            if (std::abs(d.pixels[y * d.description.bytesPerLine + 3 * x + k] - want[k]) > 1) ++wrong;
        }
      EXPECT_EQ(wrong, 0u);
    }
}

TEST_F(DecodersTest, GreyColourAndPaletteTiffAtBothScreenDepths) {
  Write("grey.pgm", GreyPicture(123, 45));
  Write("colour.ppm", ColourPicture(77, 31));
  Pnm four = ColourPicture(40, 20);
  for (size_t i = 0; i < four.data.size(); ++i) four.data[i] = four.data[i] < 128 ? 0x20 : 0xE0;
  Write("four.ppm", four);
  ASSERT_TRUE(Tool("ppm2tiff -c none grey.pgm grey.tif && ppm2tiff -c none colour.ppm colour.tif"));
  ASSERT_TRUE(Tool("pnmtotiff four.ppm > four.tif"));
  struct Case {
    const char* source;
    const char* reference;  // the tool's decoding
  };
  const Case cases[] = {{"grey.tif", "ref.pgm"}, {"colour.tif", "ref.ppm"}, {"four.tif", "ref.ppm"}};
  const char* options[] = {"-c none -B", "-c none -L -r 7", "-c packbits -B -r 5", "-c packbits -L"};
  for (const Case& c : cases)
    for (const char* o : options) {
      SCOPED_TRACE(std::string(c.source) + " " + o);
      ASSERT_TRUE(Tool(std::string("tiffcp ") + o + " " + c.source + " out.tif && tifftopnm out.tif > " +
                       c.reference));
      const Pnm reference = ReadPnm(Path(c.reference));
      const Bytes file = File("out.tif");
      ExpectSamples(Decode(Container::kTiff, file, 24), reference, true);
      if (reference.kind == '5') {
        const Decoded bytes = Decode(Container::kTiff, file, 8);
        ExpectSamples(bytes, reference, false);
        EXPECT_EQ(bytes.description.type, kImageGreyscale);
      }
    }
}

TEST_F(DecodersTest, TiffLimitsAndRefusedCompressions) {
  Write("wide.pbm", TestPage(4096, 4));
  Write("wider.pbm", TestPage(4097, 4));
  Write("grey.pgm", GreyPicture(64, 16));
  ASSERT_TRUE(Tool("ppm2tiff -c none wide.pbm wide.tif && ppm2tiff -c none wider.pbm wider.tif"));
  ASSERT_TRUE(Tool("ppm2tiff -c none grey.pgm grey.tif && tiffcp -c lzw grey.tif lzw.tif"));
  ASSERT_TRUE(Tool("tiffcp -c jpeg grey.tif jpeg.tif && tiffcp -c zip grey.tif zip.tif"));
  ASSERT_TRUE(Tool("tiffcp -c g4 wide.tif g4.tif && tiffcp -8 wide.tif big.tif"));
  ASSERT_TRUE(Tool("pamdepth 65535 grey.pgm > deep.pgm && pnmtotiff deep.pgm > deep.tif"));
  const Aids refused = {{0x83, 0x14}, {0x83, 0x13}};
  struct Case {
    const char* file;
    bool ok;
    Aids aids;
  };
  const Case cases[] = {
      {"wide.tif", true, {}},
      {"wider.tif", false, {{0x83, 0x15}}},
      {"lzw.tif", false, refused},
      {"jpeg.tif", false, refused},
      {"zip.tif", false, refused},
      {"deep.tif", false, {{0x83, 0x14}}},  // 16 bits per sample
      {"big.tif", false, {{0x83, 0x100}}},  // BigTIFF, version 43
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    const Decoded d = Decode(Container::kTiff, File(c.file));
    EXPECT_EQ(d.ok, c.ok);
    EXPECT_EQ(d.aids, c.aids);
  }

  // Damaged files: a bad magic number or version, a strip cut short.
  Bytes g4 = File("g4.tif");
  Bytes magic = g4;
  magic[0] = 'X';
  Bytes version = g4;
  version[2] = 43;
  for (const Bytes& bad : {magic, version, Bytes(g4.begin(), g4.begin() + 8)}) {
    const Decoded d = Decode(Container::kTiff, bad);
    EXPECT_FALSE(d.ok);
    EXPECT_EQ(d.aids, (Aids{{0x83, 0x100}}));
  }
}

TEST_F(DecodersTest, HandMadeDirectoriesWithZeroSizesOrWithoutByteCounts) {
  // A little-endian directory: width, length, one uncompressed strip of
  // eight bytes of 0x55, with or without its byte count.
  auto tiff = [](uint32_t width, uint32_t length, bool byteCounts = true) {
    const uint16_t entries = byteCounts ? 4 : 3;
    Bytes t = {'I', 'I', 42, 0, 8, 0, 0, 0, uint8_t(entries), 0};
    auto entry = [&](uint16_t tag, uint16_t type, uint32_t value) {
      const uint8_t e[12] = {uint8_t(tag), uint8_t(tag >> 8), uint8_t(type), 0, 1, 0, 0, 0,
                             uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16), uint8_t(value >> 24)};
      t.insert(t.end(), e, e + 12);
    };
    entry(256, 4, width);
    entry(257, 4, length);
    entry(273, 4, 8 + 2 + 12u * entries + 4);
    if (byteCounts) entry(279, 4, 8);
    t.insert(t.end(), {0, 0, 0, 0});
    t.insert(t.end(), 8, 0x55);
    return t;
  };
  const Decoded plain = Decode(Container::kTiff, tiff(8, 8));
  ASSERT_TRUE(plain.ok);
  EXPECT_EQ(plain.pixels, Bytes(8, 0x55));
  const Decoded estimated = Decode(Container::kTiff, tiff(8, 8, false));
  ASSERT_TRUE(estimated.ok) << "the byte count is estimated from the image length";
  EXPECT_EQ(estimated.pixels, Bytes(8, 0x55));
  EXPECT_EQ(Decode(Container::kTiff, tiff(0, 8)).aids, (Aids{{0x83, 0x13}}));
  EXPECT_EQ(Decode(Container::kTiff, tiff(8, 0)).aids, (Aids{{0x83, 0x12}}));
  EXPECT_EQ(Decode(Container::kTiff, tiff(8, 70000)).aids, (Aids{{0x83, 0x15}})) << "a height past 16 bits";
  EXPECT_EQ(Decode(Container::kTiff, tiff(8, 9)).aids, (Aids{{0x83, 0x100}})) << "a row past the data";
}

// ---- headerless fax pages -------------------------------------------------------------------

TEST_F(DecodersTest, HeaderlessFaxPagesEqualTheReferenceAndTheirInverse) {
  Write("page.pbm", TestPage(1000, 150));
  ASSERT_TRUE(Tool("pbmtog3 -reversebits page.pbm > page.g3 && g3topbm -reversebits page.g3 > ref.pbm"));
  const Pnm reference = ReadPnm(Path("ref.pbm"));
  EXPECT_EQ(reference.width, 1728u);
  const Bytes fax = File("page.g3");
  const Decoded whiteIsZero = Decode(Container::kFax, HeaderlessPage(fax, 16));
  ExpectBits(whiteIsZero, reference, false);
  EXPECT_EQ(whiteIsZero.description.bytesPerLine, 216u);
  // The polarity byte does not turn the ink round.
  ExpectBits(Decode(Container::kFax, HeaderlessPage(fax, 0)), reference, false);

  // A page as wide as the standard one, pixels up to its right edge.
  Write("full.pbm", TestPage(1728, 40, 7));
  ASSERT_TRUE(Tool("pbmtog3 -reversebits full.pbm > full.g3 && g3topbm -reversebits full.g3 > full.ref"));
  ExpectBits(Decode(Container::kFax, HeaderlessPage(File("full.g3"), 16)), ReadPnm(Path("full.ref")), false);
}

TEST_F(DecodersTest, DamagedHeaderlessPages) {
  Write("page.pbm", TestPage(800, 60));
  ASSERT_TRUE(Tool("pbmtog3 -reversebits page.pbm > page.g3"));
  const Bytes page = HeaderlessPage(File("page.g3"), 16);
  Bytes polarity = page;
  polarity[5] = 5;
  Bytes reserved = page;
  reserved[9] = 1;
  Bytes longer = page;  // a length word past the data: the data that is there is read
  longer[0] = 0x7F;
  const Bytes blank = HeaderlessPage(Bytes(40, 0), 16);
  struct Case {
    const char* name;
    Bytes data;
    bool ok;
    Aids aids;
  };
  const Case cases[] = {
      {"polarity 5", polarity, false, {{0x83, 0x100}}},
      {"byte 9 set", reserved, false, {{0x83, 0x100}}},
      {"header only", Bytes(page.begin(), page.begin() + 12), false, {{0x83, 0x12}}},
      {"no EOL in the data", blank, false, {{0x83, 0x12}}},
      {"length word too large", longer, true, {}},
      {"cut in the middle", Bytes(page.begin(), page.begin() + static_cast<long>(page.size() / 2)), true, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Decoded d = Decode(Container::kFax, c.data);
    EXPECT_EQ(d.ok, c.ok);
    EXPECT_EQ(d.aids, c.aids);
  }
}

// ---- IOCA -----------------------------------------------------------------------------------

// The raw bytes of the single strip of a TIFF file.
Bytes RawStrip(const std::string& path) {
  TIFF* t = TIFFOpen(path.c_str(), "r");
  EXPECT_NE(t, nullptr);
  if (!t) return {};
  EXPECT_EQ(TIFFNumberOfStrips(t), 1u);
  uint64_t* counts = nullptr;
  TIFFGetField(t, TIFFTAG_STRIPBYTECOUNTS, &counts);
  Bytes raw(counts ? counts[0] : 0);
  TIFFReadRawStrip(t, 0, raw.data(), static_cast<tmsize_t>(raw.size()));
  TIFFClose(t);
  return raw;
}

struct IocaOptions {
  unsigned int width = 0, height = 0;
  uint8_t compression = 0x82;
  int bitOrder = -1;  // -1: no bit order byte
  uint8_t nameLength = 4;
  size_t chunk = 3000;
};

Bytes IocaSegment(const IocaOptions& o, const Bytes& data) {
  Bytes s = {0x70, o.nameLength};
  s.insert(s.end(), o.nameLength, 0xC1);
  s.insert(s.end(), {0x91, 0x01, 0xFF});
  s.insert(s.end(), {0x94, 0x09, 0x00, 0x00, 0xC8, 0x00, 0xC8, uint8_t(o.width >> 8), uint8_t(o.width),
                     uint8_t(o.height >> 8), uint8_t(o.height)});
  if (o.bitOrder < 0)
    s.insert(s.end(), {0x95, 0x02, o.compression, 0x01});
  else
    s.insert(s.end(), {0x95, 0x03, o.compression, 0x01, uint8_t(o.bitOrder)});
  s.insert(s.end(), {0x96, 0x01, 0x01, 0x97, 0x01, 0x00});
  for (size_t at = 0; at < data.size(); at += o.chunk) {
    const size_t n = std::min(o.chunk, data.size() - at);
    s.insert(s.end(), {0xFE, 0x92, uint8_t(n >> 8), uint8_t(n)});
    s.insert(s.end(), data.begin() + static_cast<long>(at), data.begin() + static_cast<long>(at + n));
  }
  s.insert(s.end(), {0x93, 0x00, 0x71, 0x00});
  return s;
}

TEST_F(DecodersTest, IocaSegmentsAroundFaxStrips) {
  const Pnm page = TestPage(250, 80);
  Write("page.pbm", page);
  ASSERT_TRUE(Tool("ppm2tiff -c none page.pbm page.tif"));
  ASSERT_TRUE(Tool("tiffcp -r 100000 -c g4 page.tif g4.tif && tiffcp -r 100000 -c g4 -f lsb2msb page.tif g4r.tif"));
  ASSERT_TRUE(Tool("tiffcp -r 100000 -c g3:1d page.tif g3.tif"));
  // The mixed coding: the first row as tiffcp codes it one-dimensionally
  // (between its EOL and the EOL of the same row again), then the Group 4
  // rows of the whole page after the first row's own Group 4 code.
  Pnm first = page;
  first.height = 1;
  first.data.resize(first.rowBytes());
  Pnm twice = first;
  twice.height = 2;
  twice.data.insert(twice.data.end(), first.data.begin(), first.data.end());
  Write("first.pbm", first);
  Write("twice.pbm", twice);
  ASSERT_TRUE(Tool("ppm2tiff -c none twice.pbm twice.tif && tiffcp -c g3:1d twice.tif first3.tif && "
                   "ppm2tiff -c none first.pbm first.tif && tiffcp -c g4 first.tif first4.tif"));
  const Bytes mh = RawStrip(Path("first3.tif")), g4First = RawStrip(Path("first4.tif"));
  const Bytes g4Page = RawStrip(Path("g4.tif"));
  const long eol = fax_mixed::FindEol(mh, 0), end = fax_mixed::FindEol(mh, 12);
  const long g4FirstBits = fax_mixed::FindEol(g4First, 0);
  ASSERT_EQ(eol, 0);
  ASSERT_GT(end, 12);
  ASSERT_GT(g4FirstBits, 0);
  auto mixed = [&](bool withEol) {
    Bytes out;
    size_t at = 0;
    const size_t from = withEol ? 0 : 12;
    fax_mixed::AppendBits(out, at, mh, from, static_cast<size_t>(end) - from);
    fax_mixed::AppendBits(out, at, g4Page, static_cast<size_t>(g4FirstBits),
                          g4Page.size() * 8 - static_cast<size_t>(g4FirstBits));
    return out;
  };
  Bytes mixedReversed = mixed(false);
  TIFFReverseBits(mixedReversed.data(), static_cast<tmsize_t>(mixedReversed.size()));
  struct Case {
    const char* name;
    uint8_t compression;
    int bitOrder;
    Bytes data;
  };
  const Case cases[] = {
      {"G4", 0x82, -1, RawStrip(Path("g4.tif"))},
      {"G4 least significant bit first", 0x82, 1, RawStrip(Path("g4r.tif"))},
      {"G3", 0x80, 0, RawStrip(Path("g3.tif"))},
      {"G3 (0x81)", 0x81, -1, RawStrip(Path("g3.tif"))},
      {"uncompressed", 0x03, -1, page.data},
      {"mixed", 0x01, -1, mixed(false)},
      {"mixed after an EOL", 0x01, -1, mixed(true)},
      {"mixed least significant bit first", 0x01, 1, mixedReversed},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    IocaOptions o;
    o.width = page.width;
    o.height = page.height;
    o.compression = c.compression;
    o.bitOrder = c.bitOrder;
    ExpectBits(Decode(Container::kIoca, IocaSegment(o, c.data)), page, false);
  }
}

TEST_F(DecodersTest, BadIocaSegments) {
  const Bytes data(64, 0);
  auto with = [&](void (*change)(IocaOptions&)) {
    IocaOptions o;
    o.width = 64;
    o.height = 8;
    o.compression = 0x03;
    change(o);
    return IocaSegment(o, data);
  };
  Bytes noBegin = with([](IocaOptions&) {});
  noBegin[0] = 0x71;
  Bytes cut = with([](IocaOptions&) {});
  cut.resize(cut.size() - 30);
  Bytes unknownField = with([](IocaOptions&) {});
  unknownField[2 + 4 + 3] = 0x99;
  struct Case {
    const char* name;
    Bytes segment;
    Aids aids;
  };
  const Case cases[] = {
      {"name length 2", with([](IocaOptions& o) { o.nameLength = 2; }), {{0x83, 0x100}}},
      {"no Begin Segment", noBegin, {{0x83, 0x100}}},
      {"unknown field", unknownField, {{0x83, 0x100}}},
      {"compression 0x05", with([](IocaOptions& o) { o.compression = 0x05; }), {{0x83, 0x21}}},
      {"width 0", with([](IocaOptions& o) { o.width = 0; }), {{0x83, 0x13}}},
      {"height 0", with([](IocaOptions& o) { o.height = 0; }), {{0x83, 0x12}}},
      {"width 4097", with([](IocaOptions& o) { o.width = 4097; }), {{0x83, 0x15}}},
      {"data field past the end", cut, {{0x83, 0x100}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Decoded d = Decode(Container::kIoca, c.segment);
    EXPECT_FALSE(d.ok);
    EXPECT_EQ(d.aids, c.aids);
  }
  EXPECT_TRUE(Decode(Container::kIoca, with([](IocaOptions&) {})).ok);
}

// ---- PCX ------------------------------------------------------------------------------------

TEST_F(DecodersTest, PcxOneAndTwentyFourBitEqualTheReference) {
  Write("page.pbm", TestPage(203, 61));
  Write("colour.ppm", ColourPicture(99, 37));
  ASSERT_TRUE(Tool("ppmtopcx page.pbm > page.pcx && pcxtoppm page.pcx > page.ppm"));
  ASSERT_TRUE(Tool("ppmtopcx -24bit colour.ppm > colour.pcx && pcxtoppm colour.pcx > colour.ref"));

  Bytes pcx = File("page.pcx");
  ExpectBits(Decode(Container::kPcx, pcx), ReadPnm(Path("page.pbm")), false);
  // With the palette's two entries exchanged the file means the negative
  // page: a set bit is still ink, where netpbm shows black.
  for (int i = 0; i < 3; ++i) std::swap(pcx[16 + i], pcx[19 + i]);
  WriteBytes(Path("swapped.pcx"), pcx);
  ASSERT_TRUE(Tool("pcxtoppm swapped.pcx > swapped.ppm"));
  const Decoded bilevel = Decode(Container::kPcx, pcx);
  const Pnm shown = ReadPnm(Path("swapped.ppm"));
  ASSERT_TRUE(bilevel.ok);
  ASSERT_EQ(bilevel.description.width, shown.width);
  ASSERT_EQ(bilevel.description.height, shown.height);
  unsigned int wrong = 0;
  for (unsigned int y = 0; y < shown.height; ++y)
    for (unsigned int x = 0; x < shown.width; ++x) {
      const uint8_t* rgb = &shown.data[(y * shown.width + x) * 3];
      if (Bit(bilevel, x, y) != (rgb[0] == 0 && rgb[1] == 0 && rgb[2] == 0)) ++wrong;
    }
  EXPECT_EQ(wrong, 0u);

  const Decoded colour = Decode(Container::kPcx, File("colour.pcx"));
  ExpectSamples(colour, ReadPnm(Path("colour.ref")), true);
  EXPECT_EQ(colour.description.type, kImageColour);
}

TEST_F(DecodersTest, PcxThatIsRefusedOrDamaged) {
  Write("colour.ppm", ColourPicture(50, 20));
  Pnm few = ColourPicture(50, 20);
  for (uint8_t& b : few.data) b = b < 128 ? 0x10 : 0xF0;
  Write("few.ppm", few);
  ASSERT_TRUE(Tool("ppmtopcx -8bit few.ppm > palette.pcx && ppmtopcx -24bit colour.ppm > colour.pcx"));
  const Bytes good = File("colour.pcx");
  auto changed = [&](size_t at, std::initializer_list<uint8_t> bytes) {
    Bytes b = good;
    std::copy(bytes.begin(), bytes.end(), b.begin() + static_cast<long>(at));
    return b;
  };
  struct Case {
    const char* name;
    Bytes file;
    bool ok;
    Aids aids;
  };
  const Case cases[] = {
      {"one 8-bit plane", File("palette.pcx"), false, {{0x83, 0x14}}},
      {"first byte", changed(0, {0x0B}), false, {{0x83, 0x22}}},
      {"encoding 0", changed(2, {0}), false, {{0x83, 0x22}}},
      {"four planes", changed(65, {4}), false, {{0x83, 0x14}}},
      {"x-max below x-min", changed(4, {10, 0, 0, 0, 5, 0}), false, {{0x83, 0x15}}},
      {"4097 wide", changed(4, {0, 0, 0, 0, 0x00, 0x10}), false, {{0x83, 0x15}}},
      {"bytes per line too small", changed(66, {10, 0}), false, {{0x83, 0x14}}},
      {"bytes per line 0", changed(66, {0, 0}), false, {{0x83, 0x14}}},
      {"4096 wide, the file's 50 bytes per line", changed(4, {0, 0, 0, 0, 0xFF, 0x0F, 0xFE, 0xFF}), false, {{0x83, 0x14}}},
      {"at the pixel buffer cap", [&] {
         Bytes b = changed(4, {0, 0, 0, 0, 0xFF, 0x0F, 0xFE, 0xFF});
         b[66] = 0x00;
         b[67] = 0x10;
         return b;
       }(), false, {{0x83, 0x15}}},
      {"header only", Bytes(good.begin(), good.begin() + 128), true, {}},
      {"short header", Bytes(good.begin(), good.begin() + 100), false, {{0x83, 0x22}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Decoded d = Decode(Container::kPcx, c.file);
    EXPECT_EQ(d.ok, c.ok);
    EXPECT_EQ(d.aids, c.aids);
  }
}

// ---- JPEG -----------------------------------------------------------------------------------

TEST_F(DecodersTest, BaselineJpegEqualsTheReference) {
  Write("grey.pgm", GreyPicture(203, 77));
  Write("colour.ppm", ColourPicture(203, 77));
  struct Case {
    const char* options;
    const char* source;
  };
  const Case cases[] = {
      {"-grayscale", "grey.pgm"},
      {"-grayscale -restart 1", "grey.pgm"},
      {"-sample 2x2", "colour.ppm"},
      {"-sample 2x2 -restart 2", "colour.ppm"},
      {"-sample 2x1 -restart 1", "colour.ppm"},
      {"-sample 1x1 -restart 5B", "colour.ppm"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.options);
    ASSERT_TRUE(Tool(std::string("cjpeg -baseline ") + c.options + " " + c.source + " > out.jpg && djpeg -pnm out.jpg > ref.pnm"));
    const Pnm reference = ReadPnm(Path("ref.pnm"));
    const Bytes jpeg = File("out.jpg");
    const Decoded triples = Decode(Container::kJpeg, jpeg, 24);
    ExpectSamples(triples, reference, true);
    if (reference.kind == '5') {
      EXPECT_EQ(triples.description.type, kImageGreyscale);
      ExpectSamples(Decode(Container::kJpeg, jpeg, 8), reference, false);
    } else {
      EXPECT_EQ(triples.description.type, kImageColour);
    }
  }
}

// A frame of height 0 whose height a DNL marker after the scan gives (the
// cjpeg file with its height moved into the marker) is the same picture;
// without the marker, or with a DNL of 0 lines, it is refused.
TEST_F(DecodersTest, JpegWithItsHeightInADnlMarker) {
  Write("colour.ppm", ColourPicture(203, 77));
  Write("grey.pgm", GreyPicture(64, 31));
  for (const char* c : {"-sample 2x2 colour.ppm", "-sample 1x1 -restart 1 colour.ppm", "-grayscale grey.pgm"}) {
    SCOPED_TRACE(c);
    ASSERT_TRUE(Tool(std::string("cjpeg -baseline ") + c + " > out.jpg && djpeg -pnm out.jpg > ref.pnm"));
    const Bytes jpeg = File("out.jpg");
    size_t sof = 0;
    for (size_t i = 2; i + 1 < jpeg.size() && !sof; ++i)
      if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) sof = i;
    ASSERT_GT(sof, 0u);
    ASSERT_EQ(jpeg.end()[-2], 0xFF);
    ASSERT_EQ(jpeg.end()[-1], 0xD9);
    auto withDnl = [&](unsigned int lines) {
      Bytes b = jpeg;
      const uint8_t height[2] = {b[sof + 5], b[sof + 6]};
      b[sof + 5] = b[sof + 6] = 0;
      const Bytes dnl = {0xFF, 0xDC, 0x00, 0x04, static_cast<uint8_t>(lines >> 8), static_cast<uint8_t>(lines)};
      b.insert(b.end() - 2, dnl.begin(), dnl.end());
      return std::make_pair(b, (height[0] << 8) | height[1]);
    };
    const auto good = withDnl(0);
    const Decoded d = Decode(Container::kJpeg, withDnl(static_cast<unsigned int>(good.second)).first, 24);
    ExpectSamples(d, ReadPnm(Path("ref.pnm")), true);
    EXPECT_FALSE(Decode(Container::kJpeg, good.first, 24).ok) << "a DNL of 0 lines";
    Bytes without = jpeg;
    without[sof + 5] = without[sof + 6] = 0;
    EXPECT_FALSE(Decode(Container::kJpeg, without, 24).ok) << "no DNL";
  }
}

TEST_F(DecodersTest, JpegThatIsNotBaselineOrIsDamaged) {
  Write("colour.ppm", ColourPicture(64, 48));
  ASSERT_TRUE(Tool("cjpeg -progressive colour.ppm > progressive.jpg && cjpeg -arithmetic colour.ppm > arithmetic.jpg"));
  ASSERT_TRUE(Tool("cjpeg -baseline colour.ppm > good.jpg"));
  const Bytes good = File("good.jpg");
  // The frame header (SOF0) and the tables of the good file, found by
  // their markers.
  auto find = [&](uint8_t marker) {
    for (size_t i = 0; i + 1 < good.size(); ++i)
      if (good[i] == 0xFF && good[i + 1] == marker) return i;
    return size_t{0};
  };
  const size_t sof = find(0xC0), dqt = find(0xDB), dht = find(0xC4);
  ASSERT_TRUE(sof && dqt && dht);
  auto changed = [&](size_t at, uint8_t value) {
    Bytes b = good;
    b[at] = value;
    return b;
  };
  struct Case {
    const char* name;
    Bytes file;
  };
  const Case cases[] = {
      {"progressive", File("progressive.jpg")},
      {"arithmetic", File("arithmetic.jpg")},
      {"extended (SOF1)", changed(sof + 1, 0xC1)},
      {"12-bit precision", changed(sof + 4, 12)},
      {"height 0", changed(sof + 5, 0) /* high byte */},
      {"two components", changed(sof + 9, 2)},
      {"sampling factor 3", changed(sof + 11, 0x31)},
      {"quantisation table 4", changed(sof + 12, 4)},
      {"DQT id 5", changed(dqt + 4, 0x05)},
      {"DHT class 2", changed(dht + 4, 0x20)},
      {"no SOI", changed(1, 0xD9)},
      {"cut before the scan", Bytes(good.begin(), good.begin() + static_cast<long>(sof + 6))},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes file = c.file;
    if (std::string(c.name) == "height 0") file[sof + 6] = 0;
    const Decoded d = Decode(Container::kJpeg, file);
    EXPECT_FALSE(d.ok);
    EXPECT_EQ(d.aids, (Aids{{0x83, 0x100}}));
  }

  // 4097 pixels wide: refused before anything is allocated.
  Bytes wide = good;
  wide[sof + 7] = 0x10;
  wide[sof + 8] = 0x01;
  EXPECT_EQ(Decode(Container::kJpeg, wide).aids, (Aids{{0x83, 0x15}}));
  // Entropy-coded data cut short: what was decoded stays, the rest is grey.
  const Decoded cut = Decode(Container::kJpeg, Bytes(good.begin(), good.begin() + static_cast<long>(good.size() * 2 / 3)));
  EXPECT_TRUE(cut.ok);
}

}  // namespace
