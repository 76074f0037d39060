#pragma once
// The read manager of a display station: it keeps the read command the host
// left pending and the AID the operator posted, and when both are there it
// sends the inbound record (cursor row and column, AID, and the field data
// the read asks for). It answers the immediate and screen reads at once and
// sends the signals that travel as AIDs (system request, attention, help in
// error, test request).
#include "base/TraceMask.h"

class DisplayBag;
class qrnOStream;
class qrnIStream;

class ReadMgr {
 public:
  // Pending read.
  static constexpr unsigned int kNoRead = 0;
  static constexpr unsigned int kReadInputFields = 1;
  static constexpr unsigned int kReadMDTFields = 2;
  static constexpr unsigned int kReadMDTAlt = 3;
  // Room beyond the last buffer address for an AID record and for an
  // immediate read.
  static constexpr unsigned int kAidRecordRoom = 515;
  static constexpr unsigned int kImmediateRoom = 10;
  static constexpr unsigned int kExtAttrRetrySize = 10240;

  explicit ReadMgr(DisplayBag* display) : display_(display) {}

  void setReadInputFields(unsigned char cc1, unsigned char cc2) { setRead(kReadInputFields, cc1, cc2); }
  void setReadMDTFields(unsigned char cc1, unsigned char cc2) { setRead(kReadMDTFields, cc1, cc2); }
  void setReadMDTAlt(unsigned char cc1, unsigned char cc2) { setRead(kReadMDTAlt, cc1, cc2); }
  unsigned int queryPendingAid() const { return pendingAid_ != 0; }
  unsigned int querySavedPendingAid() const { return savedPendingAid_ > 0; }
  unsigned int queryReadPending() const { return readPending_ != kNoRead; }
  unsigned int pendingRead() const { return readPending_; }
  unsigned char pendingAid() const { return pendingAid_; }
  void resetPendingAid() { pendingAid_ = 0; }
  void resetPendingRead() { readPending_ = kNoRead; }
  // Read input fields with zero control characters, or no read.
  void setReadPending(unsigned int on) {
    if (on)
      setReadInputFields(0, 0);
    else
      resetPendingRead();
  }
  void setFieldSequencing(unsigned char n) { fieldSequencing_ = n; }
  // The read mode that the display customisation set (0 none, 4 double-byte
  // reads, 0x11).
  void setReadMode(unsigned char mode) { readMode_ = mode; }
  unsigned char readMode() const { return readMode_; }
  unsigned char getFieldSequencing() const { return fieldSequencing_; }

  // Whether field data goes with `aid`.
  bool isDataRequired(unsigned char aid) const;
  // Writes the record head (cursor row, column, AID); the bytes written.
  unsigned int saveAIDParms(unsigned char* buffer, unsigned char& aid);
  // Posts an AID: 1 when it was kept pending, else 0.
  unsigned int activateReadProcess(unsigned char aid, unsigned int immediate);
  // After a host record: sends the record of a pending AID when a read is
  // pending now. 1 when it sent it.
  unsigned int activateSuspendedReadProcess();

  void readImmediate();
  void readMDTImmedAlt();
  void readScreen();
  void readScreenExtAttr();
  void readScreenToPrint();
  void readScreenToPrintExtAttr();
  // Replaces control characters for printing (only in the print mode of
  // the station).
  void translateDataForPrint(unsigned char* buffer, unsigned int n) const;

  // The AIDs handed over so far, for traces and tests.
  unsigned int activations() const { return activations_; }
  unsigned char lastActivatedAid() const { return lastAid_; }

  void saveRead(qrnOStream* out) const;
  // 0, or the restore's sense code; nothing changes when refused.
  unsigned int restoreRead(qrnIStream* in);

  DisplayBag* display() const { return display_; }
  // The data of non-display fields sent lately, which traces cover.
  TraceMask& traceMask() { return traceMask_; }

 private:
  void setRead(unsigned int read, unsigned char cc1, unsigned char cc2) {
    readPending_ = static_cast<unsigned char>(read);
    cc1_ = cc1;
    cc2_ = cc2;
  }
  void sendSignal(unsigned char aid);
  // Sends the inbound record of `aid` for the pending read.
  void sendAidRecord(unsigned char aid);
  // Field data for `read` after the head; false after a resequencing error
  // (the buffer is then returned and the error sent).
  bool appendFields(unsigned int read, unsigned char* buffer, unsigned int& length, unsigned int size);
  unsigned int lastBufferAddress() const;
  unsigned char* getBuffer(unsigned int size);
  void send(unsigned char* buffer, unsigned int length, unsigned int op);
  void screenToBuffer(unsigned char* buffer, unsigned int refreshWhole);
  bool readScreenWithAttributes(unsigned int firstSize, bool print);

  DisplayBag* display_;
  unsigned char readPending_ = kNoRead;
  unsigned char fieldSequencing_ = 0;
  unsigned char readMode_ = 0;
  unsigned char cc1_ = 0;
  unsigned char cc2_ = 0;
  unsigned char pendingAid_ = 0;
  unsigned char savedPendingAid_ = 0;
  unsigned char reversedRead_ = 0;
  unsigned char lastAid_ = 0;
  unsigned int activations_ = 0;
  TraceMask traceMask_;
};
