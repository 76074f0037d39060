#include "tests/support/XRequestRecorder.h"

namespace qwtest {

XRequestRecorder::~XRequestRecorder() {
  if (control_ && context_) {
    XRecordDisableContext(control_, context_);
    XSync(control_, False);
    if (data_) XRecordProcessReplies(data_);
    XRecordFreeContext(control_, context_);
  }
  if (data_) XCloseDisplay(data_);
  if (control_) XCloseDisplay(control_);
}

bool XRequestRecorder::Start(const std::string& displayName) {
  control_ = XOpenDisplay(displayName.c_str());
  data_ = XOpenDisplay(displayName.c_str());
  if (!control_ || !data_) return false;
  int major = 0, minor = 0;
  if (!XRecordQueryVersion(control_, &major, &minor)) return false;
  XRecordRange* range = XRecordAllocRange();
  if (!range) return false;
  range->core_requests.first = 1;
  range->core_requests.last = 127;
  XRecordClientSpec clients = XRecordAllClients;
  context_ = XRecordCreateContext(control_, 0, &clients, 1, &range, 1);
  XFree(range);
  if (!context_) return false;
  XSync(control_, False);
  return XRecordEnableContextAsync(data_, context_, Intercept, reinterpret_cast<XPointer>(this)) != 0;
}

void XRequestRecorder::Intercept(XPointer self, XRecordInterceptData* data) {
  auto* recorder = reinterpret_cast<XRequestRecorder*>(self);
  if (data->category == XRecordFromClient && data->data_len > 0) {
    Counts& c = recorder->clients_[data->id_base];
    ++c.total;
    ++c.byOpcode[data->data[0]];
  }
  XRecordFreeData(data);
}

void XRequestRecorder::Poll() {
  if (!data_) return;
  XSync(control_, False);
  XRecordProcessReplies(data_);
}

XRequestRecorder::Counts XRequestRecorder::CountsOf(XID resource) {
  Poll();
  auto it = clients_.upper_bound(resource);
  if (it == clients_.begin()) return Counts();
  return std::prev(it)->second;
}

}  // namespace qwtest
