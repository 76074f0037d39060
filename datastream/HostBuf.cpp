#include "datastream/HostBuf.h"

#include "datastream/DsmLinks.h"
#include "display/DisplayBag.h"
#include "display/Rendering.h"

HostBuf::~HostBuf() { abortHostPut(); }

qrnOStream* HostBuf::getHostBuf(uint32_t n) {
  if (flags_ & kBusy) return nullptr;
  buffer_ = static_cast<unsigned char*>(display_->getRendering()->WsGetBuffer(n));
  if (!buffer_) return nullptr;
  stream_.setup(buffer_, n);
  flags_ |= kBusy;
  return &stream_;
}

void HostBuf::abortHostPut() {
  if (!(flags_ & kBusy)) return;
  display_->getRendering()->WsFreeBuffer(buffer_);
  buffer_ = nullptr;
  flags_ &= ~kBusy;
}

void HostBuf::endOfHostPut() {
  if (!(flags_ & kBusy)) return;
  unsigned char* sent = buffer_;
  buffer_ = nullptr;
  flags_ &= ~kBusy;
  dsm_links::sendDataToHost(display_, sent, static_cast<uint32_t>(stream_.lengthOfData()));
}

void HostBuf::systemRequestPut(const unsigned char* data, uint32_t n) {
  if (flags_ & kBusy) return;
  unsigned char* buffer =
      static_cast<unsigned char*>(display_->getRendering()->WsGetBuffer(n + 100));
  if (!buffer) return;
  qrnOStream out;
  out.setup(buffer, n + 100);
  if (n) out.hostPutData(data, n);
  if (out.lengthOfData() != n) out.setOverflow();
  dsm_links::sendSystemRequestToHost(display_, buffer, static_cast<uint32_t>(out.lengthOfData()));
}
