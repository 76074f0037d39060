#pragma once
// Printing the image a session shows: an image printer renders the image
// into one print job, PostScript (an EPSF page) or PCL (a raster page,
// colour or dithered black and white). The steps run in a fixed order; the
// job is written into a buffer of the size the header computes, and a job
// that would not fit is refused rather than overflowing it.
#include <cstdint>

#include "print/PrintData.h"

class OutDataStream;

// The image as the image window holds it (the layout of an X image: rows of
// bytesPerLine bytes; 1-bit pixels high bit first; 16- and 32-bit pixels in
// the byte order of this machine).
struct PrintImage {
  int width = 0, height = 0;
  int bitsPerPixel = 1;  // 1, 8, 16, 24 or 32
  int bytesPerLine = 0;
  const unsigned char* data = nullptr;
  // 1-bit pixels: 1 is black (else 1 is white, as in an X bitmap of a
  // monochrome screen).
  bool oneIsBlack = false;
  // 24-bit pixels as R, G, B bytes (else a little-endian word).
  bool rgbBytes = false;
  // The pixel at (x, y), both inside the image.
  unsigned long pixel(int x, int y) const;
};

// Image kinds: "P1" bi-level, "P2" grey, "P3" colour, as 16-bit values.
constexpr int kPrintBiLevel = ('P' << 8) | '1';
constexpr int kPrintGrey = ('P' << 8) | '2';
constexpr int kPrintColour = ('P' << 8) | '3';

class ImagePrint {
 public:
  // colourMap: 3 bytes (R, G, B) per entry.
  ImagePrint(const PrintImage& image, const unsigned char* colourMap, int colourCount, int kind);
  virtual ~ImagePrint();
  ImagePrint(const ImagePrint&) = delete;
  ImagePrint& operator=(const ImagePrint&) = delete;

  // orientation 1 portrait, 2 landscape; pageSize 1-8; resolution 1-6;
  // colour 0/1. An empty result when the job could not be built (logged).
  PrintData BuildPrintData(unsigned char orientation, unsigned char pageSize, unsigned char resolution,
                           unsigned char colour, char invert);

  // The page and its scaling, for the caller and tests.
  double pageWidth() const { return pageWidth_; }
  double pageHeight() const { return pageHeight_; }
  int paperCode() const { return paperCode_; }
  int resolution() const { return resolution_; }
  int scaledWidth() const { return scaledWidth_; }
  int scaledHeight() const { return scaledHeight_; }
  int originX() const { return originX_; }
  int originY() const { return originY_; }

 protected:
  virtual void SetupResolution(unsigned char choice) = 0;
  void SetupPageSize(unsigned char choice);
  virtual void SetupImageScale() = 0;
  // The size of the job's buffer.
  virtual std::uint64_t JobCapacity() const = 0;
  virtual bool CreateHeader(OutDataStream& ds) = 0;
  virtual bool CreateBody(OutDataStream& ds) = 0;
  virtual bool CreateTrailer(OutDataStream& ds) = 0;

  // The R, G, B bytes of a pixel.
  void rgbOf(unsigned long pixel, unsigned char rgb[3]) const;
  static bool Printf(OutDataStream& ds, const char* format, ...) __attribute__((format(printf, 2, 3)));

  PrintImage image_;
  const unsigned char* colourMap_;
  int colourCount_;
  int kind_;
  double pageWidth_ = 8.5, pageHeight_ = 11;
  int paperCode_ = 2;
  double printableWidth_ = 0, printableHeight_ = 0;
  int originX_ = 0, originY_ = 0;
  int scaledWidth_ = 0, scaledHeight_ = 0;
  unsigned char orientation_ = 1;
  bool invert_ = false;
  bool colour_ = false;
  int bytesPerOutputRow_ = 0;
  int areaRatio_ = 0, imageRatio_ = 0;
  int resolution_ = 72;
};

class PS_ImagePrint : public ImagePrint {
 public:
  using ImagePrint::ImagePrint;
  static void WriteOutHexValue(unsigned char byte, char out[2]);

 protected:
  void SetupResolution(unsigned char choice) override;
  void SetupImageScale() override;
  std::uint64_t JobCapacity() const override;
  bool CreateHeader(OutDataStream& ds) override;
  bool CreateBody(OutDataStream& ds) override;
  bool CreateTrailer(OutDataStream& ds) override;

 private:
  bool colourMapped_ = false, sixteenBit_ = false;
};

class PCL_ImagePrint : public ImagePrint {
 public:
  using ImagePrint::ImagePrint;
  int scalePercent() const { return scale_; }

  // Compression mode 1: (repeat count - 1, byte) pairs. The encoded length,
  // or 0 when the encoding would not be shorter than the row less 2 bytes.
  static std::size_t EncodeScanlineRLE(const unsigned char* row, std::size_t length, unsigned char* out);
  // Grey levels of `count` R, G, B triples; returns count.
  static int rgb2gray(const unsigned char* rgb, int count, unsigned char* grey);
  // Ordered dither of one row of grey levels into bits (high bit first).
  static void graymb2bw(const unsigned char* grey, int count, int row, bool invert, unsigned char* bits);

 protected:
  void SetupResolution(unsigned char choice) override;
  void SetupImageScale() override;
  std::uint64_t JobCapacity() const override;
  bool CreateHeader(OutDataStream& ds) override;
  bool CreateBody(OutDataStream& ds) override;
  bool CreateTrailer(OutDataStream& ds) override;

 private:
  bool CreateColorBody(OutDataStream& ds);
  bool printsColour() const;
  int scale_ = 100;
};
