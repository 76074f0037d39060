#pragma once
// The image object of a session: reads the image/fax control and download
// structured fields, collects the compressed segments up to the largest
// image size, has the image decoded into the session's image store and
// answers failures with the image error AIDs. The window that shows the
// stored image is the display side's; this object holds no X state.
#include <cstdint>
#include <vector>

#include "image/ImageAid.h"
#include "image/ImageStore.h"

// Where image status goes: the function-word code (0x14 unsupported format,
// 0x15 decode failure, 0x16 restore failure) and two information bytes,
// high byte first.
class ImageStatusPort {
 public:
  virtual ~ImageStatusPort() = default;
  virtual void postImageStatus(unsigned char code, const unsigned char info[2]) = 0;
};

// The settings of the shown image; `saveBlock` writes the 40-byte
// big-endian block of the saved image record.
struct ImageWindowState {
  uint16_t blackImportant = 0, inverse = 0, duplicate = 0;
  uint16_t column = 0, row = 0, columns = 0, rows = 0;
  uint16_t scale = 100, rotation = 0;
  uint32_t imageWidth = 0, imageHeight = 0;
  uint8_t caching = 0;
  uint32_t centreX = 0, centreY = 0;

  static constexpr unsigned int kBlockSize = 40;
  void saveBlock(uint8_t* block) const;
  void loadBlock(const uint8_t* block);
};

class ImageObject : public ImageErrorSink {
 public:
  static constexpr unsigned int kDefaultLargestImage = 400000;
  // Zero bytes kept behind the compressed data.
  static constexpr unsigned int kGuard = 2000;

  ImageObject(ImageStore* store, ImageStatusPort* port, unsigned int largestImage, unsigned int screenDepth);

  // 0, or -1 after which the caller erases the object.
  int ReadControlData(const uint8_t* field, unsigned int length);
  int ReadDownloadData(const uint8_t* field, unsigned int length);
  int ImageDecompress();
  void SendImageAID(unsigned char type, uint16_t info) override;
  // Empties the session's image store.
  void EraseImageData();
  // The saved image record (name, zero byte, state block); empty without a
  // stored name.
  std::vector<uint8_t> ImageSave();
  int ImageRestore(const uint8_t* record, unsigned int length);

  // The debug report of the image shown.
  void PrintImageInfo() const;

  static uint16_t Get2Bytes(const uint8_t* data, unsigned int offset) {
    return static_cast<uint16_t>((data[offset] << 8) | data[offset + 1]);
  }

  const ImageWindowState& state() const { return state_; }
  // The last control field's scale parameter (see the image window).
  uint16_t scaleParameter() const { return scaleParameter_; }
  // What the window shows: the scale in percent and the centre.
  void setShown(uint16_t scale, uint32_t centreX, uint32_t centreY) {
    state_.scale = scale;
    state_.centreX = centreX;
    state_.centreY = centreY;
  }
  bool sameImage() const { return sameImage_; }
  const char* formatName() const { return formatName_; }
  bool saved = false;         // the image window was saved with the screen
  bool cachingAllowed() const { return state_.caching != 0; }
  void clearCaching() { state_.caching = 0; pending_.caching = 0; }
  // The image was shown (decoded or taken from the store) since the last
  // control field.
  bool shown() const { return shown_; }

 private:
  // Compares the field's name with the stored one; true when it is the
  // stored image.
  bool GetImageName(const uint8_t* name, unsigned int length);
  void showStoredImage();

  ImageStore* store_;
  ImageStatusPort* port_;
  unsigned int largestImage_;
  unsigned int depth_;
  ImageWindowState state_;
  ImageWindowState pending_;
  uint16_t formatCode_ = 0;
  uint16_t scaleParameter_ = 100;
  const char* formatName_ = "UNKNOWN";
  bool sameImage_ = false;
  bool shown_ = false;
  std::vector<uint8_t> compressed_;  // segments, then the guard of zero bytes
  unsigned int fill_ = 0;
  unsigned int total_ = 0;
};
