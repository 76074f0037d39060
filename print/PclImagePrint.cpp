#include <algorithm>
#include <cstring>
#include <vector>

#include "base/LogMsg.h"
#include "print/ImagePrint.h"
#include "print/OutDataStream.h"

namespace {

constexpr char kEsc = '\x1B';
constexpr double kPclMargin = 3.0;  // tenths of an inch per side

// Ordered-dither thresholds.
const unsigned char kDither[8][8] = {
    {0, 128, 32, 160, 8, 136, 40, 168},    {192, 64, 224, 96, 200, 72, 232, 104},
    {48, 176, 16, 144, 56, 184, 24, 152},  {240, 112, 208, 80, 248, 120, 216, 88},
    {12, 140, 44, 172, 4, 132, 36, 164},   {204, 76, 236, 108, 196, 68, 228, 100},
    {60, 188, 28, 156, 52, 180, 20, 148},  {252, 124, 220, 92, 244, 116, 212, 84}};

}  // namespace

void PCL_ImagePrint::SetupResolution(unsigned char choice) {
  static const int kDpi[7] = {75, 75, 100, 150, 200, 300, 600};
  resolution_ = kDpi[choice >= 1 && choice <= 6 ? choice : 0];
}

bool PCL_ImagePrint::printsColour() const {
  return colour_ && image_.bitsPerPixel != 1 && kind_ == kPrintColour;
}

void PCL_ImagePrint::SetupImageScale() {
  double w = pageWidth_, h = pageHeight_;
  if (orientation_ == 2) std::swap(w, h);
  printableWidth_ = static_cast<int>((w - 2 * kPclMargin / 10) * resolution_);
  printableHeight_ = static_cast<int>((h - 2 * kPclMargin / 10) * resolution_);
  imageRatio_ = static_cast<int>(static_cast<long>(image_.width) * 100 / image_.height);
  areaRatio_ = static_cast<int>(printableWidth_ * 100 / printableHeight_);
  if (imageRatio_ < areaRatio_) {
    scale_ = static_cast<int>(printableHeight_ * 100 / image_.height);
    scaledWidth_ = static_cast<int>(static_cast<long>(image_.width) * scale_ / 100);
    scaledHeight_ = static_cast<int>(printableHeight_);
  } else {
    scale_ = static_cast<int>(printableWidth_ * 100 / image_.width);
    scaledHeight_ = static_cast<int>(static_cast<long>(image_.height) * scale_ / 100);
    scaledWidth_ = static_cast<int>(printableWidth_);
  }
  if (scale_ <= 0) scaledWidth_ = scaledHeight_ = 0;
  if (printsColour()) bytesPerOutputRow_ = image_.bitsPerPixel == 8 ? image_.width : image_.width * 3;
  else bytesPerOutputRow_ = (scaledWidth_ + 7) / 8;
}

std::uint64_t PCL_ImagePrint::JobCapacity() const {
  const std::uint64_t rows = printsColour() ? image_.height : scaledHeight_;
  // The 8-bit colour body also carries the palette.
  const std::uint64_t palette = printsColour() && image_.bitsPerPixel == 8 ? 256 * 32 : 0;
  return 10000 + palette + (static_cast<std::uint64_t>(bytesPerOutputRow_) + 10) * rows;
}

bool PCL_ImagePrint::CreateHeader(OutDataStream& ds) {
  bool ok = Printf(ds, "%c%%-12345X", kEsc) && Printf(ds, "%cE", kEsc) && Printf(ds, "%c9", kEsc) &&
            Printf(ds, "%c&l%iA", kEsc, paperCode_) && Printf(ds, "%c&k12H", kEsc) && Printf(ds, "%c&l4.8C", kEsc) &&
            Printf(ds, "%c&l%fE", kEsc, kPclMargin) && Printf(ds, "%c&a%fL", kEsc, kPclMargin) &&
            Printf(ds, "%c&l0L", kEsc) && Printf(ds, "%c&k0G", kEsc) &&
            Printf(ds, orientation_ == 2 ? "%c&l1O" : "%c&l0O", kEsc) && Printf(ds, "%c*r0F", kEsc) &&
            Printf(ds, "%c*t%iR", kEsc, resolution_);
  if (!ok) return false;
  if (!printsColour()) return Printf(ds, "%c*r%iT", kEsc, scaledHeight_) && Printf(ds, "%c*r%iS", kEsc, scaledWidth_);
  const int bpp = image_.bitsPerPixel;
  return Printf(ds, "%c*r%iT", kEsc, image_.height) && Printf(ds, "%c*r%iS", kEsc, image_.width) &&
         Printf(ds, "%c*t%iV", kEsc, scaledHeight_ * 720 / resolution_) &&
         Printf(ds, "%c*t%iH", kEsc, scaledWidth_ * 720 / resolution_) &&
         Printf(ds, "%c*v6W%c%c%c%c%c%c", kEsc, 0, bpp == 8 ? 1 : 3, bpp == 16 ? 0 : 8, 8, 8, 8);
}

std::size_t PCL_ImagePrint::EncodeScanlineRLE(const unsigned char* row, std::size_t length, unsigned char* out) {
  std::size_t n = 0;
  std::size_t i = 0;
  while (i < length) {
    std::size_t run = 1;
    while (i + run < length && run < 256 && row[i + run] == row[i]) ++run;
    if (length < 2 || n > length - 2) return 0;
    out[n++] = static_cast<unsigned char>(run - 1);
    out[n++] = row[i];
    i += run;
  }
  return n;
}

int PCL_ImagePrint::rgb2gray(const unsigned char* rgb, int count, unsigned char* grey) {
  for (int i = 0; i < count; ++i)
    grey[i] = static_cast<unsigned char>((299 * rgb[3 * i] + 587 * rgb[3 * i + 1] + 114 * rgb[3 * i + 2]) / 1000);
  return count;
}

void PCL_ImagePrint::graymb2bw(const unsigned char* grey, int count, int row, bool invert, unsigned char* bits) {
  std::memset(bits, 0, static_cast<std::size_t>(count + 7) / 8);
  for (int c = 0; c < count; ++c) {
    const unsigned char t = kDither[c & 7][row & 7];
    const bool black = invert ? grey[c] > t : grey[c] <= t;
    if (black) bits[c >> 3] |= static_cast<unsigned char>(0x80 >> (c & 7));
  }
}

bool PCL_ImagePrint::CreateBody(OutDataStream& ds) {
  if (printsColour()) return CreateColorBody(ds);
  if (!Printf(ds, "%c*r0A", kEsc)) return false;
  if (DebugFlag()) LogMsg(LevelDebug, "Printing Black/White dithered PCL image\n");
  // Source coordinate of each output coordinate, rounded half down and kept
  // inside the image.
  const int longest = std::max(scaledWidth_, scaledHeight_) + 8;
  std::vector<int> source(static_cast<std::size_t>(longest) + 8, 0);
  for (int i = 0; i < longest; ++i) source[i] = static_cast<int>((200L * i + scale_ - 1) / (2L * scale_));
  auto clampTo = [](int v, int limit) { return v < limit ? v : limit - 1; };
  const bool biLevel = image_.bitsPerPixel == 1;
  std::vector<unsigned char> rgb(static_cast<std::size_t>(scaledWidth_) * 3), grey(scaledWidth_);
  std::vector<unsigned char> bits(bytesPerOutputRow_), packed(static_cast<std::size_t>(bytesPerOutputRow_) + 2);
  unsigned long uncompressed = 0;
  bool compressed = false;
  for (int y = 0; y < scaledHeight_; ++y) {
    const int sy = clampTo(source[y], image_.height);
    if (biLevel) {
      std::fill(bits.begin(), bits.end(), 0);
      for (int x = 0; x < scaledWidth_; ++x) {
        const bool white = (image_.pixel(clampTo(source[x], image_.width), sy) != 0) != image_.oneIsBlack;
        const bool black = invert_ ? white : !white;
        if (black) bits[x >> 3] |= static_cast<unsigned char>(0x80 >> (x & 7));
      }
    } else {
      for (int x = 0; x < scaledWidth_; ++x) rgbOf(image_.pixel(clampTo(source[x], image_.width), sy), &rgb[3 * x]);
      rgb2gray(rgb.data(), scaledWidth_, grey.data());
      graymb2bw(grey.data(), scaledWidth_, y, invert_, bits.data());
    }
    std::size_t n = 0;
    if (!biLevel) n = EncodeScanlineRLE(bits.data(), bits.size(), packed.data());
    uncompressed += bits.size();
    const bool rle = n > 0;
    compressed = compressed || rle;
    if (!Printf(ds, "%c*b%im%iW", kEsc, rle ? 1 : 0, static_cast<int>(rle ? n : bits.size()))) return false;
    if (ds.putDsBuffChar(rle ? packed.data() : bits.data(), static_cast<unsigned>(rle ? n : bits.size())) !=
        OutDataStream::Done)
      return false;
  }
  if (compressed && DebugFlag()) {
    LogMsg(LevelDebug, "File compressed in Run Length Encoding.\n");
    LogMsg(LevelDebug, "Uncompressed file would be approximately %i bytes.\n", static_cast<int>(uncompressed));
  }
  return true;
}

bool PCL_ImagePrint::CreateColorBody(OutDataStream& ds) {
  if (DebugFlag()) LogMsg(LevelDebug, "Printing Color PCL image\n");
  if (image_.bitsPerPixel == 8) {
    for (int i = 0; i < colourCount_ && i < 256; ++i) {
      const unsigned char* c = colourMap_ + 3 * i;
      if (!Printf(ds, "%c*v%iA", kEsc, c[0]) || !Printf(ds, "%c*v%iB", kEsc, c[1]) ||
          !Printf(ds, "%c*v%iC", kEsc, c[2]) || !Printf(ds, "%c*v%iI", kEsc, i))
        return false;
    }
    if (!Printf(ds, "%c*r2A", kEsc)) return false;
    for (int y = 0; y < image_.height; ++y) {
      const unsigned char* row = image_.data + static_cast<std::size_t>(y) * image_.bytesPerLine;
      if (!Printf(ds, "%c*b%iW", kEsc, bytesPerOutputRow_) ||
          ds.putDsBuffChar(row, static_cast<unsigned>(bytesPerOutputRow_)) != OutDataStream::Done) {
        LogMsg(LevelDebug, "End of buff passed: y = %i\n", y);
        return false;
      }
    }
    return true;
  }
  if (!Printf(ds, "%c*r2A", kEsc)) return false;
  std::vector<unsigned char> row(static_cast<std::size_t>(image_.width) * 3);
  for (int y = 0; y < image_.height; ++y) {
    for (int x = 0; x < image_.width; ++x) rgbOf(image_.pixel(x, y), &row[3 * x]);
    if (!Printf(ds, "%c*b%iW", kEsc, image_.width * 3) ||
        ds.putDsBuffChar(row.data(), static_cast<unsigned>(row.size())) != OutDataStream::Done) {
      LogMsg(LevelDebug, "End of buff passed: y = %i\n", y);
      return false;
    }
  }
  return true;
}

bool PCL_ImagePrint::CreateTrailer(OutDataStream& ds) {
  return Printf(ds, "%c*rB", kEsc) && Printf(ds, "%cE", kEsc) && Printf(ds, "%c%%-12345X", kEsc);
}
