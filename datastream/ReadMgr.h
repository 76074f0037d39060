#pragma once
// The read manager of a display station: it builds the inbound record for
// an AID. Here is what the station and the keyboard state call; the record
// building comes with the read code.
class DisplayBag;
class qrnOStream;
class qrnIStream;

class ReadMgr {
 public:
  explicit ReadMgr(DisplayBag* display) : display_(display) {}

  // Builds and sends the inbound record for `aid`; the result goes back to
  // the input dispatch.
  unsigned int activateReadProcess(unsigned char aid, unsigned int flag);
  unsigned int queryReadPending() const { return readPending_; }
  unsigned int queryPendingAid() const { return pendingAid_; }
  void setReadPending(unsigned int on) { readPending_ = on ? 1 : 0; }

  // The AIDs handed over so far, for the station's tests and traces.
  unsigned int activations() const { return activations_; }
  unsigned char lastActivatedAid() const { return lastAid_; }

  void saveRead(qrnOStream* out) const;
  // 0, or the restore's sense code; nothing changes when refused.
  unsigned int restoreRead(qrnIStream* in);

  DisplayBag* display() const { return display_; }

 private:
  DisplayBag* display_;
  unsigned char readPending_ = 0;
  unsigned char fieldSequencing_ = 0;
  unsigned char cc1_ = 0;
  unsigned char cc2_ = 0;
  unsigned char pendingAid_ = 0;
  unsigned char savedPendingAid_ = 0;
  unsigned char lastAid_ = 0;
  unsigned int activations_ = 0;
};
