#pragma once
// The host side of a session as the display station sees it: the requests
// it sends outside inbound records, and the contention flag and held records
// that travel in the station's save image. The TCP host interface derives
// from it.
#include <vector>

class Rendering;
class qrnOStream;
class qrnIStream;

class HostInterface {
 public:
  // The most bytes of held records that travel in a save image.
  static constexpr unsigned int kSaveImageLimit = 10000;
  static constexpr unsigned int kContentionBufferSize = 10243;

  HostInterface() = default;
  virtual ~HostInterface() = default;
  HostInterface(const HostInterface&) = delete;
  HostInterface& operator=(const HostInterface&) = delete;

  virtual void sendAttnSignalToHost(Rendering* rendering) {}
  virtual void sendHelpInErrorSignalToHost(unsigned int errorNumber, Rendering* rendering) {}
  virtual void sendTestRequestToHost(Rendering* rendering) {}
  virtual void sendContentionErrorResolvedToHost(Rendering* rendering) {}
  virtual int isLuSessionActive(Rendering*) { return 1; }

  bool contention() const { return contention_ != 0; }
  void setContention(bool on) { contention_ = on ? 1 : 0; }
  const std::vector<unsigned char>& heldRecords() const { return held_; }
  void holdRecord(const unsigned char* data, unsigned int length);

  void saveHostInterface(qrnOStream* out);
  // 0, or the restore's sense code; nothing changes when refused.
  unsigned int restoreHostInterface(qrnIStream* in);

 private:
  unsigned int contention_ = 0;
  std::vector<unsigned char> held_;
};
