#include "xfront/SessionImages.h"

#include "base/LogMsg.h"
#include "display/DisplayBag.h"
#include "keyboard/FunctionWord.h"
#include "keyboard/InObjGen.h"
#include "session/SessionControlBlock.h"

namespace {
constexpr unsigned char kImageStatusCategory = 27;
constexpr unsigned char kControlField = 0x66, kDownloadField = 0x67;
}  // namespace

SessionImages::SessionImages(SessionControlBlock* session) : session_(session) {}

SessionImages::~SessionImages() = default;

unsigned int SessionImages::largestImage() const {
  if (largestImage_) return largestImage_;
  if (session_ && session_->largestImage > 0) return static_cast<unsigned int>(session_->largestImage);
  return ImageObject::kDefaultLargestImage;
}

bool SessionImages::ensureObject() {
  if (!object_) object_ = std::make_unique<ImageObject>(&store_, this, largestImage(), depth_);
  return object_ != nullptr;
}

void SessionImages::writeImage(const unsigned char* field, unsigned int length) {
  if (!field || length < 4) return;
  const unsigned char type = field[3];
  if (DebugFlag()) LogMsg(LevelDebug, "image: writeImage()   Type %X - data_length = %u\n", type, length);
  int result = 0;
  if (type == kControlField) {
    ensureObject();
    result = object_->ReadControlData(field, length);
  } else if (type == kDownloadField) {
    if (!object_) {
      if (DebugFlag())
        LogMsg(LevelDebug, "image: Download data can not be accepted when Image object does not exist\n");
      return;
    }
    result = object_->ReadDownloadData(field, length);
  } else {
    return;
  }
  if (result != 0) {
    if (DebugFlag()) LogMsg(LevelDebug, "image: Error occured in image.  Destroying image object\n");
    // The stored image goes as well.
    object_->clearCaching();
    object_->saved = false;
    eraseImage();
  }
}

void SessionImages::eraseImage() {
  if (!object_) return;
  if (!object_->saved && !object_->cachingAllowed()) object_->EraseImageData();
  object_.reset();
}

std::vector<uint8_t> SessionImages::saveImage() {
  if (!object_) return {};
  std::vector<uint8_t> record = object_->ImageSave();
  if (record.empty() && DebugFlag()) LogMsg(LevelDebug, "image: Error saving image\n");
  return record;
}

int SessionImages::restoreImage(const unsigned char* record, unsigned int length) {
  ensureObject();
  const int result = object_->ImageRestore(record, length);
  if (result != 0) {
    if (DebugFlag()) LogMsg(LevelDebug, "image: Error restoring image\n");
    object_->clearCaching();
    object_->saved = false;
    eraseImage();
  }
  return result;
}

void SessionImages::postImageStatus(unsigned char code, const unsigned char info[2]) {
  DisplayBag* d = station_ ? station_ : session_ ? session_->display : nullptr;
  if (!d) return;
  FunctionWord word{kImageStatusCategory, code};
  d->inObjGen().processImageStatusEvent(d, &word, info);
}
