// The session's shown image handed to the image printers.
#include <memory>

#include "print/ImagePrint.h"
#include "xfront/SessionImages.h"
#include "xfront/XStuffImage.h"

PrintData SessionImages::buildImagePrint(bool postscript, unsigned char orientation, unsigned char pageSize,
                                         unsigned char resolution, unsigned char colour) const {
  if (!window_ || !object_ || !store_.hasImage || store_.pixels.empty()) return {};
  const image_data& d = store_.description;
  if (static_cast<uint64_t>(d.bytesPerLine) * d.height > store_.pixels.size()) return {};
  // The store keeps bi-level pixels with 1 black and colour pixels as
  // R, G, B bytes.
  PrintImage image;
  image.width = d.width;
  image.height = d.height;
  image.bitsPerPixel = static_cast<int>(d.bitsPerPixel);
  image.bytesPerLine = static_cast<int>(d.bytesPerLine);
  image.data = store_.pixels.data();
  image.oneIsBlack = true;
  image.rgbBytes = true;
  const int kind = d.bitsPerPixel == 1 ? kPrintBiLevel : static_cast<int>(store_.imageType);
  const int colours = static_cast<int>(store_.colourCount <= 256 ? store_.colourCount : 256);
  std::unique_ptr<ImagePrint> printer;
  if (postscript) printer = std::make_unique<PS_ImagePrint>(image, store_.colourMap, colours, kind);
  else printer = std::make_unique<PCL_ImagePrint>(image, store_.colourMap, colours, kind);
  const ImageWindowState& state = object_->state();
  const char invert = state.blackImportant && state.inverse ? 1 : 0;
  return printer->BuildPrintData(orientation, pageSize, resolution, colour, invert);
}

PrintData SessionImages::buildPostscriptImageData(unsigned char orientation, unsigned char pageSize,
                                                  unsigned char resolution, unsigned char colour) const {
  return buildImagePrint(true, orientation, pageSize, resolution, colour);
}

PrintData SessionImages::buildPCLImageData(unsigned char orientation, unsigned char pageSize,
                                           unsigned char resolution, unsigned char colour) const {
  return buildImagePrint(false, orientation, pageSize, resolution, colour);
}
