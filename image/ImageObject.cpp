#include "image/ImageObject.h"

#include <cstring>

#include "base/LogMsg.h"
#include "image/Decompress.h"

namespace {

// Offsets in the control field (type 0x66).
constexpr unsigned int kControlFlags1 = 4, kControlFlags2 = 5, kControlFormat = 10, kControlRow = 12,
                       kControlColumn = 13, kControlRows = 14, kControlColumns = 15, kControlScale = 16,
                       kControlRotation = 20,
                       kControlNameLength = 26, kControlName = 28;
// Offsets in the download field (type 0x67).
constexpr unsigned int kDownloadFlags = 4, kDownloadNameLength = 10, kDownloadName = 12;

constexpr unsigned int kFormatUnknown = 0, kFormatIoca = 1, kFormatTiff = 2, kFormatPcx = 3, kFormatG3 = 4,
                       kFormatJpeg = 6;

const char* FormatName(unsigned int code) {
  switch (code) {
    case kFormatUnknown: return "UNKNOWN";
    case kFormatIoca: return "IOCA";
    case kFormatTiff: return "TIFF";
    case kFormatPcx: return "PCX";
    case kFormatG3: return "G3";
    case kFormatJpeg: return "JPEG";
    default: return nullptr;
  }
}

// The format of data sent as "UNKNOWN", from its first bytes.
unsigned int DetectFormat(const uint8_t* d, unsigned int n) {
  if (n >= 4 && ((d[0] == 'I' && d[1] == 'I') || (d[0] == 'M' && d[1] == 'M')) &&
      ((d[2] == 0x00 && d[3] == 0x2A) || (d[2] == 0x2A && d[3] == 0x00)))
    return kFormatTiff;
  if (n >= 1 && d[0] == 0x70) return kFormatIoca;
  if (n >= 2 && d[0] == 0xFF && d[1] == 0xD8) return kFormatJpeg;
  if (n >= 1 && d[0] == 0x0A) return kFormatPcx;
  if (n >= 12) {
    bool zeros = true;
    for (unsigned int i = 5; i < 12; ++i) zeros = zeros && d[i] == 0;
    if (zeros) return kFormatG3;
  }
  return kFormatUnknown;
}

void Put16(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v >> 8);
  p[1] = static_cast<uint8_t>(v);
}
void Put32(uint8_t* p, uint32_t v) {
  Put16(p, v >> 16);
  Put16(p + 2, v);
}
uint32_t Get32(const uint8_t* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

}  // namespace

void ImageWindowState::saveBlock(uint8_t* b) const {
  std::memset(b, 0, kBlockSize);
  Put16(b + 0, blackImportant);
  Put16(b + 2, inverse);
  Put16(b + 4, duplicate);
  Put16(b + 6, column);
  Put16(b + 8, row);
  Put16(b + 10, columns);
  Put16(b + 12, rows);
  Put16(b + 14, scale);
  Put16(b + 16, rotation);
  Put32(b + 20, imageWidth);
  Put32(b + 24, imageHeight);
  b[28] = caching;
  Put32(b + 32, centreX);
  Put32(b + 36, centreY);
}

void ImageWindowState::loadBlock(const uint8_t* b) {
  blackImportant = ImageObject::Get2Bytes(b, 0);
  inverse = ImageObject::Get2Bytes(b, 2);
  duplicate = ImageObject::Get2Bytes(b, 4);
  column = ImageObject::Get2Bytes(b, 6);
  row = ImageObject::Get2Bytes(b, 8);
  columns = ImageObject::Get2Bytes(b, 10);
  rows = ImageObject::Get2Bytes(b, 12);
  scale = ImageObject::Get2Bytes(b, 14);
  rotation = ImageObject::Get2Bytes(b, 16);
  imageWidth = Get32(b + 20);
  imageHeight = Get32(b + 24);
  caching = b[28] ? 1 : 0;
  centreX = Get32(b + 32);
  centreY = Get32(b + 36);
}

ImageObject::ImageObject(ImageStore* store, ImageStatusPort* port, unsigned int largestImage,
                         unsigned int screenDepth)
    : store_(store),
      port_(port),
      largestImage_(largestImage ? largestImage : kDefaultLargestImage),
      depth_(screenDepth) {
  if (DebugFlag()) LogMsg(LevelDebug, "image: Max image size = %u bytes.\n", largestImage_);
}

void ImageObject::SendImageAID(unsigned char type, uint16_t info) {
  ++store_->errorAids;
  if (store_->errorAids > 3) {
    store_->errorAids = 4;  // stays above the limit until an image is shown
    if (DebugFlag()) LogMsg(LevelDebug, "image:  %i image error aids sent.  Not sending anymore\n", 3);
    return;
  }
  const unsigned char code = type == image_aid::kNotRestored ? 0x16 : type == image_aid::kFormat ? 0x14 : 0x15;
  const unsigned char bytes[2] = {static_cast<unsigned char>(info >> 8), static_cast<unsigned char>(info)};
  if (DebugFlag())
    LogMsg(LevelDebug, "image: Image Error AID sent: Type %X  Additional Info: 0x%X%X\n", type, bytes[0], bytes[1]);
  if (port_) port_->postImageStatus(code, bytes);
}

void ImageObject::EraseImageData() { store_->erase(); }

bool ImageObject::GetImageName(const uint8_t* name, unsigned int length) {
  const std::string incoming(reinterpret_cast<const char*>(name), length);
  if (!store_->named) {
    store_->named = true;
    store_->name = incoming;
    return false;
  }
  if (store_->name != incoming) {
    EraseImageData();
    store_->named = true;
    store_->name = incoming;
    return false;
  }
  if (store_->hasImage) return true;
  if (DebugFlag()) LogMsg(LevelDebug, "image:  Error: No image stored.\n");
  return false;
}

void ImageObject::showStoredImage() {
  state_.imageWidth = store_->description.width;
  state_.imageHeight = store_->description.height;
  store_->errorAids = 0;
  shown_ = true;
  if (DebugFlag()) PrintImageInfo();
}

void ImageObject::PrintImageInfo() const {
  const image_data& d = store_->description;
  LogMsg(LevelDebug, "Image Information: \n");
  LogMsg(LevelDebug, "    Compression Format: %s \n", formatName_);
  LogMsg(LevelDebug, "%s\n", d.type == kImageColour      ? "    Image type: Color"
                             : d.type == kImageGreyscale ? "    Image type: Grayscale"
                                                         : "    Image type: BiLevel");
  LogMsg(LevelDebug, "    %u bits per pixel\n", d.bitsPerPixel);
  LogMsg(LevelDebug, "    Dimensions: width = %u  height = %u \n", d.width, d.height);
  LogMsg(LevelDebug, "    Rotation: %u Degrees\n", state_.rotation);
  LogMsg(LevelDebug, "    Compressed Buffer Size: %u        Decompressed Buffer Size: %u\n", total_, d.size);
  LogMsg(LevelDebug, "%s\n", state_.inverse ? "    Inverse = True" : "    Inverse = False");
  LogMsg(LevelDebug, "%s\n", state_.blackImportant ? "    Black important" : "    White important");
  LogMsg(LevelDebug, "%s\n", state_.caching ? "    Caching allowed" : "    Caching NOT allowed");
}

int ImageObject::ReadControlData(const uint8_t* field, unsigned int length) {
  if (!field || length < kControlName) return SendImageAID(image_aid::kDecode, image_aid::kGeneral), -1;
  const unsigned int nameLength = Get2Bytes(field, kControlNameLength);
  // The name must lie inside the field.
  if (nameLength > length - kControlName) {
    if (DebugFlag()) LogMsg(LevelDebug, "image:  name of %u bytes in a field of %u\n", nameLength, length);
    return SendImageAID(image_aid::kDecode, image_aid::kGeneral), -1;
  }
  pending_ = state_;
  const uint8_t f1 = field[kControlFlags1], f2 = field[kControlFlags2];
  pending_.caching = (f1 & 0x80) ? 1 : 0;
  pending_.blackImportant = (f1 & 0x08) ? 0 : 1;
  pending_.inverse = (f1 & 0x02) ? 1 : 0;
  pending_.duplicate = (f2 & 0x80) ? 1 : 0;
  pending_.row = field[kControlRow];
  pending_.column = field[kControlColumn];
  pending_.rows = field[kControlRows];
  pending_.columns = field[kControlColumns];
  scaleParameter_ = Get2Bytes(field, kControlScale);
  pending_.rotation = Get2Bytes(field, kControlRotation);
  if (pending_.rotation != 90 && pending_.rotation != 180 && pending_.rotation != 270) pending_.rotation = 0;
  sameImage_ = GetImageName(field + kControlName, nameLength);
  shown_ = false;
  // Segments of an image whose last segment never came are dropped.
  std::vector<uint8_t>().swap(compressed_);
  fill_ = 0;

  const uint16_t scale = state_.scale;
  state_ = pending_;
  state_.scale = scale;
  formatCode_ = Get2Bytes(field, kControlFormat);
  const char* name = FormatName(formatCode_);
  if (!name) {
    SendImageAID(image_aid::kFormat, formatCode_);
    if (DebugFlag()) LogMsg(LevelDebug, "image:  Image format not supported.\n");
    return -1;
  }
  formatName_ = name;
  // A new image waits for its download; the stored one is shown at once.
  if (sameImage_) showStoredImage();
  return 0;
}

int ImageObject::ReadDownloadData(const uint8_t* field, unsigned int length) {
  if (sameImage_ && state_.caching) {
    if (DebugFlag()) LogMsg(LevelDebug, "image: Current image in cache, no data required for download\n");
    return 0;
  }
  if (!field || length < kDownloadName) return SendImageAID(image_aid::kDecode, image_aid::kGeneral), -1;
  const unsigned int nameLength = Get2Bytes(field, kDownloadNameLength);
  if (nameLength > length - kDownloadName) {
    if (DebugFlag()) LogMsg(LevelDebug, "image:  name of %u bytes in a field of %u\n", nameLength, length);
    return SendImageAID(image_aid::kDecode, image_aid::kGeneral), -1;
  }
  if (compressed_.empty()) {
    compressed_.assign(static_cast<size_t>(largestImage_) + kGuard, 0);
    fill_ = 0;
  }
  const unsigned int segment = length - kDownloadName - nameLength;
  if (DebugFlag()) LogMsg(LevelDebug, "image: Buff Size = %u\n", segment);
  if (segment > largestImage_ - fill_) {
    SendImageAID(image_aid::kDecode, image_aid::kTooLarge);
    if (DebugFlag())
      LogMsg(LevelDebug,
             "image:  Image data was too large.  Image discarded.\n"
             "  Try setting -LARGEST_IMAGE command line option to a larger value.\n");
    std::vector<uint8_t>().swap(compressed_);
    fill_ = 0;
    return -1;
  }
  std::memcpy(compressed_.data() + fill_, field + kDownloadName + nameLength, segment);
  fill_ += segment;
  if (!(field[kDownloadFlags] & 0x80)) return 0;

  // The last segment: the guard behind the data stays zero.
  total_ = fill_;
  std::memset(compressed_.data() + total_, 0, compressed_.size() - total_);
  fill_ = 0;
  const int result = ImageDecompress();
  std::vector<uint8_t>().swap(compressed_);
  if (result != 0) {
    if (DebugFlag()) LogMsg(LevelDebug, "image:  Image Decompression failed.\n");
    return -1;
  }
  showStoredImage();
  return 0;
}

int ImageObject::ImageDecompress() {
  store_->hasImage = false;
  // The buffer is kept for the next image: a large image's pages are
  // touched once per session, not once per image.
  store_->pixels.clear();
  const uint8_t* data = compressed_.data();
  unsigned int format = formatCode_;
  if (format == kFormatUnknown) {
    format = DetectFormat(data, total_);
    if (format == kFormatUnknown) {
      SendImageAID(image_aid::kFormat, 0);
      if (DebugFlag()) LogMsg(LevelDebug, "image:  Image format not supported.\n");
      return -1;
    }
    formatName_ = FormatName(format);
  }

  image_data description;
  Decompress decoder(&description, this, &store_->pixels, depth_);
  int failed;
  switch (format) {
    case kFormatIoca: failed = decoder.DecompressIoca(data, total_); break;
    case kFormatTiff: failed = decoder.DecompressTIFF(data, total_); break;
    case kFormatPcx: failed = decoder.pcx_decompress(data, total_); break;
    case kFormatG3: failed = decoder.standalone(data, total_); break;
    default: failed = decoder.DecompressJPEG(data, total_) ? 0 : -1; break;
  }
  if (failed) return -1;

  if (state_.duplicate) {
    // Every row twice: the image is shown at twice its height.
    if (uint32_t{description.height} * 2 > 0xFFFF ||
        uint64_t{description.bytesPerLine} * description.height * 2 > Decompress::kMaxPixelBytes) {
      SendImageAID(image_aid::kDecode, image_aid::kSize);
      return -1;
    }
    std::vector<uint8_t> doubled(store_->pixels.size() * 2);
    const size_t line = description.bytesPerLine;
    for (size_t y = 0; y < description.height; ++y) {
      std::memcpy(doubled.data() + 2 * y * line, store_->pixels.data() + y * line, line);
      std::memcpy(doubled.data() + (2 * y + 1) * line, store_->pixels.data() + y * line, line);
    }
    store_->pixels.swap(doubled);
    description.height = static_cast<uint16_t>(description.height * 2);
  }
  description.size = description.bytesPerLine * description.height;
  if (description.bitsPerPixel > 24) {
    SendImageAID(image_aid::kDecode, image_aid::kRefused);
    if (DebugFlag()) LogMsg(LevelDebug, "image:  %u bits per pixel not supported\n", description.bitsPerPixel);
    return -1;
  }
  if (description.width > kImageMaxWidth) {
    SendImageAID(image_aid::kDecode, image_aid::kSize);
    if (DebugFlag()) LogMsg(LevelDebug, "image:  Image too wide to support.  Image width is %u.\n", description.width);
    return -1;
  }
  if (description.bitsPerPixel == 1) description.type = kImageBilevel;
  store_->description = description;
  store_->imageType = description.type;
  store_->colourCount = decoder.colourCount();
  std::memcpy(store_->colourMap, decoder.colourMap(), sizeof store_->colourMap);
  store_->hasImage = true;
  return 0;
}

std::vector<uint8_t> ImageObject::ImageSave() {
  std::vector<uint8_t> record;
  if (!store_->named) return record;
  saved = true;
  state_.imageWidth = store_->description.width;
  state_.imageHeight = store_->description.height;
  record.assign(store_->name.begin(), store_->name.end());
  record.push_back(0);
  record.resize(record.size() + ImageWindowState::kBlockSize);
  state_.saveBlock(record.data() + store_->name.size() + 1);
  return record;
}

int ImageObject::ImageRestore(const uint8_t* record, unsigned int length) {
  // The name ends at its zero byte; the block follows it whole.
  const void* zero = record ? std::memchr(record, 0, length) : nullptr;
  if (!zero) return -1;
  const unsigned int nameLength = static_cast<unsigned int>(static_cast<const uint8_t*>(zero) - record);
  if (length - nameLength - 1 < ImageWindowState::kBlockSize) return -1;
  sameImage_ = GetImageName(record, nameLength);
  if (!sameImage_) {
    store_->erase();
    SendImageAID(image_aid::kNotRestored, 0);
    return 0;
  }
  state_.loadBlock(record + nameLength + 1);
  showStoredImage();
  return 0;
}
