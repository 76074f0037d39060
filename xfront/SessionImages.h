#pragma once
// The image side of a session's display device: the image object built on
// the first image control field, the session's one-image store that
// outlives it, and the way image error AIDs reach the display station.
#include <cstdint>
#include <memory>
#include <vector>

#include "image/ImageObject.h"
#include "image/ImageStore.h"
#include "print/PrintData.h"

class DisplayBag;
class SessionControlBlock;
class XStuffImage;

class SessionImages : public ImageStatusPort {
 public:
  explicit SessionImages(SessionControlBlock* session);
  ~SessionImages() override;

  // One buffered image structured field, whole; byte 3 says which.
  void writeImage(const unsigned char* field, unsigned int length);
  // The screen no longer shows the image: the store is emptied unless
  // caching was allowed or the image was saved with the screen, and the
  // object is destroyed.
  void eraseImage();
  // The saved image record; empty without an image object or name.
  std::vector<uint8_t> saveImage();
  // 0, or -1 after which the image is erased.
  int restoreImage(const unsigned char* record, unsigned int length);
  // Forgets the saved mark so that the next erase empties the store.
  void forgetSaved() {
    if (object_) object_->saved = false;
  }

  // Where the AIDs go when the device has no session (tests, tools).
  void setStation(DisplayBag* station) { station_ = station; }
  void setLargestImage(unsigned int bytes) { largestImage_ = bytes; }
  void setScreenDepth(unsigned int depth) { depth_ = depth; }

  const ImageStore& store() const { return store_; }
  const ImageObject* object() const { return object_.get(); }

  void postImageStatus(unsigned char code, const unsigned char info[2]) override;

  // The image window over the session's screen (null while no image is
  // shown or the session has no window).
  XStuffImage* window() const { return window_.get(); }
  // Follows the screen's cells after a font, size or split-view change.
  void resizeWindow();
  // Scrolls the image window: "U", "D", "L" or "R".
  void scroll(char direction);
  // The session's image colours changed: the shown image takes them over.
  void coloursChanged();

  // The shown image as a print job: an EPSF page or a PCL raster page
  // (orientation 1 portrait, 2 landscape; page size 1-8; resolution 1-6;
  // colour 0/1). Printed as the window shows it: a black-important image
  // shown inverse prints inverse. Empty when no image is shown or the job
  // cannot be built.
  PrintData buildPostscriptImageData(unsigned char orientation, unsigned char pageSize, unsigned char resolution,
                                     unsigned char colour) const;
  PrintData buildPCLImageData(unsigned char orientation, unsigned char pageSize, unsigned char resolution,
                              unsigned char colour) const;
  // The shown image is a colour image.
  bool imageIsColour() const { return window_ && store_.hasImage && store_.imageType == kImageColour; }

 private:
  bool ensureObject();
  // Ink in the session's image foreground, paper in its image background.
  void applyColours();
  // Shows the stored image in the image window, made on first use;
  // `restoring` shows it as the restored state block says.
  void showWindow(bool restoring = false);
  unsigned int largestImage() const;
  PrintData buildImagePrint(bool postscript, unsigned char orientation, unsigned char pageSize,
                            unsigned char resolution, unsigned char colour) const;

  SessionControlBlock* session_;
  DisplayBag* station_ = nullptr;
  unsigned int largestImage_ = 0;
  unsigned int depth_ = 24;
  ImageStore store_;
  std::unique_ptr<ImageObject> object_;
  std::unique_ptr<XStuffImage> window_;
};

// The image side of a session's window, or null when it has none.
SessionImages* ImagesOfSession(SessionControlBlock* session);
