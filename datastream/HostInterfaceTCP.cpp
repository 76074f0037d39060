#include "datastream/HostInterfaceTCP.h"

#include "datastream/RecordGlue.h"

int HostInterfaceTCP::send(const unsigned char* data, unsigned int n, unsigned char flags, int endOfReply) {
  if (!glue_) return 0;
  // What the host is about to read is on the window first.
  paintPendingRecords();
  // A reply that does not fit a record is not sent at all: an empty record
  // in its place would read as a complete answer.
  if (!s5250_net_put(*glue_, data, n)) {
    glue_->fill = 0;
    return 0;
  }
  return s5250_net_eor(*glue_, flags, endOfReply);
}

int HostInterfaceTCP::sendDataToHost(unsigned char* data, unsigned int n, Rendering* rendering, unsigned int) {
  const int rc = send(data, n, 0, 1);
  freeBuffer(data, rendering);
  return rc;
}

int HostInterfaceTCP::sendSystemRequestToHost(unsigned char* data, unsigned int n, Rendering* rendering) {
  const int rc = send(data, n, kFlagSRQ, 0);
  freeBuffer(data, rendering);
  return rc;
}

int HostInterfaceTCP::sendAttnSignalToHost(Rendering*) {
  static const unsigned char prefix[5] = {0xC9, 0x00, 0x01, 0x00, 0x01};
  return simulatorPrefix() ? send(prefix, sizeof prefix, kFlagATN, 0) : send(nullptr, 0, kFlagATN, 0);
}

int HostInterfaceTCP::sendHelpInErrorSignalToHost(unsigned int errorNumber, Rendering*) {
  unsigned char bytes[5] = {0xC9, 0x00, 0x02, 0, 0};
  bytes[3] = static_cast<unsigned char>(errorNumber >> 8);
  bytes[4] = static_cast<unsigned char>(errorNumber);
  return simulatorPrefix() ? send(bytes, 5, kFlagHLP, 0) : send(bytes + 3, 2, kFlagHLP, 0);
}

int HostInterfaceTCP::sendTestRequestToHost(Rendering*) {
  static const unsigned char prefix[9] = {0x01, 0x03, 0x80, 0, 0, 0, 0, 0, 0};
  return simulatorPrefix() ? send(prefix, sizeof prefix, kFlagTRQ, 0) : send(nullptr, 0, kFlagTRQ, 0);
}

int HostInterfaceTCP::sendInvalidScanCodeErrorToHost(Rendering*) {
  static const unsigned char sense[4] = {0x00, 0x00, 0x01, 0x11};
  return send(sense, sizeof sense, kFlagERR, 1);
}

int HostInterfaceTCP::sendOSBErrorToHost(Rendering*) {
  static const unsigned char sense[4] = {0x00, 0x00, 0x01, 0x89};
  return send(sense, sizeof sense, kFlagERR, 1);
}

int HostInterfaceTCP::sendResequencingErrorToHost(Rendering*) {
  static const unsigned char sense[4] = {0x00, 0x00, 0x01, 0x03};
  return send(sense, sizeof sense, kFlagERR, 1);
}

int HostInterfaceTCP::isPendingReadOK(Rendering*) {
  if (!glue_ || !glue_->invited) return 1;
  return !cdHeld(*glue_);
}

int HostInterfaceTCP::isImmediateReadOK(Rendering*) { return glue_ ? !cdHeld(*glue_) : 0; }

void HostInterfaceTCP::flushPainting() {
  if (glue_) glue_->link().flushPainting();
}
