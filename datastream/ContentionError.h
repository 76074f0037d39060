#pragma once
// Whether a host record was refused with the contention sense because the
// operator's input was outstanding; the host is told when that is resolved.
class DisplayBag;
class qrnOStream;
class qrnIStream;

class ContentionError {
 public:
  void setContentionError() { flag_ = 1; }
  void clearContentionError() { flag_ = 0; }
  bool isSet() const { return flag_ != 0; }
  // When set: tells the host that the contention is resolved, and clears.
  void resetContentionError(DisplayBag* display);

  void saveContentionErrorForAddressSharing(qrnOStream* out) const;
  // 0, or the restore's sense code; nothing changes when refused.
  unsigned int restoreContentionErrorForAddressSharing(qrnIStream* in);

 private:
  unsigned int flag_ = 0;
};
