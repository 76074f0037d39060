#pragma once
// The host interface over the session's Telnet link: inbound records and
// signals go out through the record glue with their header flags.
#include "datastream/HostInterface.h"

class RecordGlue;

class HostInterfaceTCP : public HostInterface {
 public:
  explicit HostInterfaceTCP(RecordGlue* glue) : glue_(glue) {}

  int sendDataToHost(unsigned char* data, unsigned int n, Rendering* rendering, unsigned int op) override;
  int sendSystemRequestToHost(unsigned char* data, unsigned int n, Rendering* rendering) override;
  int sendAttnSignalToHost(Rendering* rendering) override;
  int sendHelpInErrorSignalToHost(unsigned int errorNumber, Rendering* rendering) override;
  int sendTestRequestToHost(Rendering* rendering) override;
  int sendInvalidScanCodeErrorToHost(Rendering* rendering) override;
  int sendOSBErrorToHost(Rendering* rendering) override;
  int sendResequencingErrorToHost(Rendering* rendering) override;
  int isPendingReadOK(Rendering* rendering) override;
  int isImmediateReadOK(Rendering* rendering) override;

 protected:
  void flushPainting() override;

 private:
  int send(const unsigned char* data, unsigned int n, unsigned char flags, int endOfReply);

  RecordGlue* glue_;
};
