#include "print/ImagePrint.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

#include "base/LocalMalloc.h"
#include "base/LogMsg.h"
#include "print/OutDataStream.h"

namespace {

constexpr int kMaxImageSide = 32767;
constexpr std::uint64_t kMaxJob = 512ull * 1024 * 1024;
constexpr double kPsMargin = 36;

struct PageSize {
  double width, height;
  int paperCode;
};
const PageSize kPageSizes[9] = {{8.5, 11, 2},         {8.5, 11, 2},         {8.5, 14, 3},     {8.2677, 11.6929, 26},
                                {5.8268, 8.2677, 91}, {6.9291, 9.8425, 100}, {7.1654, 10.1181, 100},
                                {7.25, 10.5, 1},      {8.5, 5.5, 2}};

// The PostScript that makes colour images print where the interpreter has
// no colorimage operator.
const char kColourFallback[] =
    "/colorimage where {pop} {\n"
    "%% no colorimage: each line of R, G, B bytes becomes a line of grey levels\n"
    "/colortogray {\n"
    "  /rgbdata exch store\n"
    "  rgbdata length 3 idiv\n"
    "  /npixls exch store\n"
    "  /rgbindx 0 store\n"
    "  0 1 npixls 1 sub {\n"
    "    grays exch\n"
    "    rgbdata rgbindx get 20 mul\n"
    "    rgbdata rgbindx 1 add get 32 mul\n"
    "    rgbdata rgbindx 2 add get 12 mul\n"
    "    add add 64 idiv\n"
    "    put\n"
    "    /rgbindx rgbindx 3 add store\n"
    "  } for\n"
    "  grays 0 npixls getinterval\n"
    "} bind def\n"
    "%% two procedures merged into one\n"
    "/mergeprocs {\n"
    "  dup length\n"
    "  3 -1 roll dup length dup 5 1 roll\n"
    "  3 -1 roll add array cvx\n"
    "  dup 3 -1 roll 0 exch putinterval\n"
    "  dup 4 2 roll putinterval\n"
    "} bind def\n"
    "%% the false 3 operands dropped, the data procedure merged with colortogray, then image\n"
    "/colorimage {\n"
    "  pop pop\n"
    "  {colortogray} mergeprocs\n"
    "  image\n"
    "} bind def\n"
    "} ifelse\n";

}  // namespace

unsigned long PrintImage::pixel(int x, int y) const {
  const unsigned char* row = data + static_cast<std::size_t>(y) * static_cast<std::size_t>(bytesPerLine);
  switch (bitsPerPixel) {
    case 1: return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case 8: return row[x];
    case 16: {
      std::uint16_t v;
      std::memcpy(&v, row + 2 * x, 2);
      return v;
    }
    case 24: {
      const unsigned char* p = row + 3 * x;
      if (rgbBytes) return p[2] | (p[1] << 8) | (static_cast<unsigned long>(p[0]) << 16);
      return p[0] | (p[1] << 8) | (static_cast<unsigned long>(p[2]) << 16);
    }
    default: {
      std::uint32_t v;
      std::memcpy(&v, row + 4 * x, 4);
      return v;
    }
  }
}

ImagePrint::ImagePrint(const PrintImage& image, const unsigned char* colourMap, int colourCount, int kind)
    : image_(image), colourMap_(colourMap), colourCount_(colourMap ? colourCount : 0), kind_(kind) {}

ImagePrint::~ImagePrint() = default;

void ImagePrint::SetupPageSize(unsigned char choice) {
  const PageSize& p = kPageSizes[choice >= 1 && choice <= 8 ? choice : 0];
  pageWidth_ = p.width;
  pageHeight_ = p.height;
  if (choice >= 1 && choice <= 8) paperCode_ = p.paperCode;
}

void ImagePrint::rgbOf(unsigned long p, unsigned char rgb[3]) const {
  switch (image_.bitsPerPixel) {
    case 8:
      if (static_cast<long>(p) < colourCount_) {
        std::memcpy(rgb, colourMap_ + 3 * p, 3);
      } else {
        rgb[0] = rgb[1] = rgb[2] = static_cast<unsigned char>(p);
      }
      return;
    case 16:
      rgb[0] = static_cast<unsigned char>((p >> 8) & 0xF8);
      rgb[1] = static_cast<unsigned char>((p >> 3) & 0xFC);
      rgb[2] = static_cast<unsigned char>((p << 3) & 0xF8);
      return;
    default:
      rgb[0] = static_cast<unsigned char>(p >> 16);
      rgb[1] = static_cast<unsigned char>(p >> 8);
      rgb[2] = static_cast<unsigned char>(p);
      return;
  }
}

bool ImagePrint::Printf(OutDataStream& ds, const char* format, ...) {
  char text[256];
  va_list ap;
  va_start(ap, format);
  const int n = std::vsnprintf(text, sizeof text, format, ap);
  va_end(ap);
  if (n < 0 || n >= static_cast<int>(sizeof text)) return false;
  return ds.putDsBuffChar(reinterpret_cast<unsigned char*>(text), static_cast<unsigned>(n)) == OutDataStream::Done;
}

PrintData ImagePrint::BuildPrintData(unsigned char orientation, unsigned char pageSize, unsigned char resolution,
                                     unsigned char colour, char invert) {
  PrintData result;
  auto failed = [&]() {
    if (DebugFlag()) LogMsg(LevelDebug, "image: An error has occurred in printing the image.  Probably low memory.\n");
    return PrintData{};
  };
  const int bpp = image_.bitsPerPixel;
  const std::uint64_t rowBytes = (static_cast<std::uint64_t>(image_.width) * static_cast<std::uint64_t>(bpp) + 7) / 8;
  if (!image_.data || image_.width <= 0 || image_.height <= 0 || image_.width > kMaxImageSide ||
      image_.height > kMaxImageSide || !(bpp == 1 || bpp == 8 || bpp == 16 || bpp == 24 || bpp == 32) ||
      image_.bytesPerLine <= 0 || static_cast<std::uint64_t>(image_.bytesPerLine) < rowBytes) {
    LogMsg(LevelDebug, "image: the image cannot be printed (%dx%d, %d bits per pixel).\n", image_.width, image_.height,
           bpp);
    return failed();
  }
  orientation_ = orientation == 2 ? 2 : 1;
  colour_ = colour != 0;
  invert_ = invert != 0;
  SetupResolution(resolution);
  SetupPageSize(pageSize);
  SetupImageScale();
  if (scaledWidth_ <= 0 || scaledHeight_ <= 0) return failed();
  const std::uint64_t capacity = JobCapacity();
  if (capacity > kMaxJob) return failed();
  OutDataStream ds;
  ds.setupDsBuff(static_cast<unsigned>(capacity));
  if (!ds.getDsBuffPtr()) {
    if (DebugFlag()) LogMsg(LevelDebug, "image: Error:  Print Buffer could not be allocated. \n");
    return failed();
  }
  if (!CreateHeader(ds) || !CreateBody(ds) || !CreateTrailer(ds)) return failed();
  const std::size_t size = ds.length();
  if (DebugFlag()) LogMsg(LevelDebug, "Printer Output Buffer Size = %i\n", static_cast<int>(size));
  auto* out = static_cast<unsigned char*>(LocalMalloc("image print buffer", size, MallocFailLowMemoryDialog));
  if (!out) return failed();
  std::memcpy(out, ds.getDsBuffPtr(), size);
  result.bytes.reset(out);
  result.size = static_cast<unsigned>(size);
  return result;
}

// ---- PostScript

void PS_ImagePrint::WriteOutHexValue(unsigned char byte, char out[2]) {
  static const char kHex[] = "0123456789ABCDEF";
  out[0] = kHex[byte >> 4];
  out[1] = kHex[byte & 0x0F];
}

void PS_ImagePrint::SetupResolution(unsigned char) { resolution_ = 72; }

void PS_ImagePrint::SetupImageScale() {
  const double w = pageWidth_ * 72, h = pageHeight_ * 72, m = kPsMargin;
  if (orientation_ == 2) {
    printableWidth_ = h - 2 * m;
    printableHeight_ = w - 2 * m;
  } else {
    printableWidth_ = w - 2 * m;
    printableHeight_ = h - 2 * m;
  }
  imageRatio_ = static_cast<int>(static_cast<long>(image_.width) * 100 / image_.height);
  areaRatio_ = static_cast<int>(printableWidth_ * 100 / printableHeight_);
  if (imageRatio_ < areaRatio_) {
    scaledHeight_ = static_cast<int>(printableHeight_);
    scaledWidth_ = static_cast<int>(printableHeight_ * imageRatio_ / 100);
    originY_ = static_cast<int>(m);
    originX_ = static_cast<int>(printableWidth_ * 0.5 + m - scaledWidth_ / 2.0);
  } else {
    scaledWidth_ = static_cast<int>(printableWidth_);
    scaledHeight_ = imageRatio_ > 0 ? static_cast<int>(printableWidth_ * 100 / imageRatio_) : 0;
    originX_ = static_cast<int>(m);
    originY_ = static_cast<int>(printableHeight_ + m - scaledHeight_);
  }
  if (orientation_ == 2) {
    const int t = scaledWidth_;
    scaledWidth_ = scaledHeight_;
    scaledHeight_ = t;
    originX_ = originY_ = static_cast<int>(m);
  }
  const bool biLevel = image_.bitsPerPixel == 1;
  colourMapped_ = !biLevel && kind_ == kPrintColour && image_.bitsPerPixel == 8;
  sixteenBit_ = !biLevel && image_.bitsPerPixel == 16;
  bytesPerOutputRow_ = biLevel ? (image_.width + 7) / 8 : image_.width * 3;
}

std::uint64_t PS_ImagePrint::JobCapacity() const {
  return static_cast<std::uint64_t>(image_.height) * static_cast<std::uint64_t>(bytesPerOutputRow_) * 2 +
         static_cast<std::uint64_t>(image_.height) + 10000;
}

bool PS_ImagePrint::CreateHeader(OutDataStream& ds) {
  if (DebugFlag()) LogMsg(LevelDebug, "image:  Build Postscript Image Data.\n");
  const bool biLevel = image_.bitsPerPixel == 1;
  // The box of the image's marks, in whole points.
  bool ok = Printf(ds, "%%!PS-Adobe-2.0 EPSF-2.0 \n") && Printf(ds, "%%%%Creator: QAV\n") &&
            Printf(ds, "%%%%Title: \n") && Printf(ds, "%%%%Pages: 1\n") &&
            Printf(ds, "%%%%BoundingBox: %d %d %d %d\n", originX_, originY_, originX_ + scaledWidth_,
                   originY_ + scaledHeight_) &&
            Printf(ds, "%%Image Width = %i  ", image_.width) && Printf(ds, "%%Image Height = %i ", image_.height) &&
            Printf(ds, "%%Print Area AR = %i \n", areaRatio_) && Printf(ds, "%%Image AR = %i\n", imageRatio_) &&
            Printf(ds, "/origstate save def \n") && Printf(ds, "20 dict begin \n") && Printf(ds, "\n") &&
            Printf(ds, "/pix %i string def \n", bytesPerOutputRow_);
  if (ok && !biLevel)
    ok = Printf(ds, "/grays %d string def  %% space for gray scale line\n", image_.width) &&
         Printf(ds, "/npixls 0 def\n") && Printf(ds, "/rgbindx 0 def\n\n");
  ok = ok && Printf(ds, "%i %i translate \n", originX_, originY_) &&
       Printf(ds, "%i %i scale \n", scaledWidth_, scaledHeight_);
  if (ok && !biLevel) ok = ds.copyString(kColourFallback) == OutDataStream::Done;
  if (ok && orientation_ == 2) ok = Printf(ds, "0.5 0.5 translate  90 rotate  -0.5 -0.5 translate\n");
  if (ok && invert_) ok = Printf(ds, "[{1 exch sub} /exec load currenttransfer /exec load] cvx settransfer \n");
  return ok && Printf(ds, "%i %i %i \n", image_.width, image_.height, biLevel ? 1 : 8) &&
         Printf(ds, "[%i 0 0 -%i 0 %i] \n", image_.width, image_.height, image_.height) &&
         Printf(ds, "{currentfile pix readhexstring pop}\n") &&
         Printf(ds, biLevel ? "image \n" : "false 3 colorimage \n");
}

bool PS_ImagePrint::CreateBody(OutDataStream& ds) {
  const bool biLevel = image_.bitsPerPixel == 1;
  std::vector<unsigned char> line(static_cast<std::size_t>(bytesPerOutputRow_) * 2 + 1);
  for (int y = 0; y < image_.height; ++y) {
    std::size_t n = 0;
    if (biLevel) {
      const unsigned char* row = image_.data + static_cast<std::size_t>(y) * image_.bytesPerLine;
      // PostScript's 1 is white.
      const unsigned char flip = image_.oneIsBlack ? 0xFF : 0x00;
      for (int i = 0; i < bytesPerOutputRow_; ++i, n += 2)
        WriteOutHexValue(static_cast<unsigned char>(row[i] ^ flip), reinterpret_cast<char*>(&line[n]));
    } else {
      for (int x = 0; x < image_.width; ++x) {
        unsigned char rgb[3];
        rgbOf(image_.pixel(x, y), rgb);
        for (unsigned char c : rgb) {
          WriteOutHexValue(c, reinterpret_cast<char*>(&line[n]));
          n += 2;
        }
      }
    }
    line[n++] = '\n';
    if (ds.putDsBuffChar(line.data(), static_cast<unsigned>(n)) != OutDataStream::Done) return false;
  }
  return true;
}

bool PS_ImagePrint::CreateTrailer(OutDataStream& ds) {
  return Printf(ds, "\n \n") && Printf(ds, "showpage \n") && Printf(ds, "end \n") &&
         Printf(ds, "origstate restore \n") && Printf(ds, "%%%%Trailer\n");
}
