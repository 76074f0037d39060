#include "xfront/SessionImages.h"

#include <Xm/Xm.h>

#include <algorithm>

#include "base/LogMsg.h"
#include "display/DisplayBag.h"
#include "keyboard/FunctionWord.h"
#include "keyboard/InObjGen.h"
#include "session/SessionControlBlock.h"
#include "xfront/RenderingX.h"
#include "xfront/XStuff.h"
#include "xfront/XStuffImage.h"

namespace {
constexpr unsigned char kImageStatusCategory = 27;
constexpr unsigned char kControlField = 0x66, kDownloadField = 0x67;
// The session colours of the image window.
constexpr int kImageBackground = 16, kImageForeground = 17;
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
  const bool wasShown = object_ && object_->shown();
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
    return;
  }
  if (object_ && object_->shown() && (!wasShown || type == kControlField)) showWindow();
}

void SessionImages::eraseImage() {
  window_.reset();
  if (!object_) return;
  if (!object_->saved && !object_->cachingAllowed()) object_->EraseImageData();
  object_.reset();
}

std::vector<uint8_t> SessionImages::saveImage() {
  if (!object_) return {};
  // The view as the user left it.
  if (window_)
    object_->setShown(static_cast<uint16_t>(window_->scale()), static_cast<uint32_t>(window_->centreX()),
                      static_cast<uint32_t>(window_->centreY()));
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
    return result;
  }
  if (object_->shown()) showWindow(true);
  return result;
}

void SessionImages::postImageStatus(unsigned char code, const unsigned char info[2]) {
  DisplayBag* d = station_ ? station_ : session_ ? session_->display : nullptr;
  if (!d) return;
  FunctionWord word{kImageStatusCategory, code};
  d->inObjGen().processImageStatusEvent(d, &word, info);
}

namespace {
// Where the screen's cells lie in the drawing widget's parent.
bool ScreenCells(SessionControlBlock* session, Widget* parent, XStuffImage::Cells* cells) {
  if (!session) return false;
  XStuff& x = session->xstuff;
  Widget drawing = x.x_get_text_widget();
  if (!drawing || drawing == x.shell() || !XtIsRealized(drawing) || x.cellWidth() <= 0 || x.cellHeight() <= 0)
    return false;
  Position dx = 0, dy = 0;
  XtVaGetValues(drawing, XmNx, &dx, XmNy, &dy, nullptr);
  *parent = XtParent(drawing);
  cells->originX = dx + x.originX() - 1;
  cells->originY = dy + x.originY() - 1;
  cells->cellWidth = static_cast<unsigned int>(x.cellWidth());
  cells->cellHeight = static_cast<unsigned int>(x.cellHeight());
  cells->rows = static_cast<unsigned int>(std::max(0, x.rows()));
  cells->columns = static_cast<unsigned int>(std::max(0, x.columns()));
  return true;
}
}  // namespace

void SessionImages::showWindow(bool restoring) {
  Widget parent = nullptr;
  XStuffImage::Cells cells;
  if (!object_ || !ScreenCells(session_, &parent, &cells)) return;
  if (!window_) {
    window_ = std::make_unique<XStuffImage>(parent);
    if (window_->DrawingAreaInit(object_->state(), cells) != 0) {
      window_.reset();
      return;
    }
  } else {
    window_->ResizeImageWindow(object_->state(), cells);
  }
  // The window draws at the scale the control field asks for, from the
  // scale shown so far.
  const ImageWindowState state = object_->state();
  applyColours();
  if (restoring)
    window_->DrawImage(store_, state, true, state.scale, true);
  else
    window_->DrawImage(store_, state, object_->sameImage(), object_->scaleParameter());
  object_->setShown(static_cast<uint16_t>(window_->scale()), static_cast<uint32_t>(window_->centreX()),
                    static_cast<uint32_t>(window_->centreY()));
}

void SessionImages::resizeWindow() {
  Widget parent = nullptr;
  XStuffImage::Cells cells;
  if (window_ && object_ && ScreenCells(session_, &parent, &cells)) window_->ResizeImageWindow(object_->state(), cells);
}

void SessionImages::applyColours() {
  if (!window_ || !object_ || !session_) return;
  unsigned long ink = session_->xstuff.colorPixel(kImageForeground);
  unsigned long paper = session_->xstuff.colorPixel(kImageBackground);
  if (ink == paper) {
    // No colours loaded for the session: black ink on white paper.
    Widget drawing = session_->xstuff.x_get_text_widget();
    if (!drawing) return;
    Screen* screen = XtScreen(drawing);
    ink = BlackPixelOfScreen(screen);
    paper = WhitePixelOfScreen(screen);
  }
  window_->SetImageColors(ink, paper, object_->state().inverse != 0);
}

void SessionImages::coloursChanged() { applyColours(); }

void SessionImages::scroll(char direction) {
  if (window_) window_->Scroll(direction);
}

SessionImages* ImagesOfSession(SessionControlBlock* session) {
  auto* rendering = session ? dynamic_cast<RenderingX*>(session->renderer) : nullptr;
  return rendering ? &rendering->images() : nullptr;
}
