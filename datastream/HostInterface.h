#pragma once
// The 5250 engine's port to the host. Every host record enters the data
// stream manager through processNewDataStream; while a contention error is
// outstanding, records are held in the contention buffer and replayed after
// the operator's next key or mouse event. Every inbound record the display
// station builds leaves through the send primitives, which this base class
// only discards (the station's scratch copies and tests use it as is);
// HostInterfaceTCP sends them through the record glue.
//
// Painting after records: outside a burst every record is painted before
// processNewDataStream returns. The receive path opens a burst around what
// it takes while the connection has input; the records of a burst only
// leave their changes in the window's dirty range, which is painted when
// the burst ends, once a change has waited kBurstPaintIntervalMs, and
// before an inbound record leaves for the host (the host never reads a
// screen that the window does not show yet).
#include <cstdint>

#include "datastream/TextHostTables.h"

class DisplayBag;
class Rendering;
class qrnOStream;
class qrnIStream;

class HostInterface {
 public:
  static constexpr unsigned int kContentionBufferSize = 10243;
  static constexpr unsigned int kEntryHead = 3;  // u16 length, dsm operation
  // The largest record that can be held whole.
  static constexpr unsigned int kLargestHeldRecord = kContentionBufferSize - kEntryHead;
  // The most bytes of held records that travel in a save image.
  static constexpr unsigned int kSaveImageLimit = 10000;

  HostInterface() = default;
  virtual ~HostInterface() = default;
  HostInterface(const HostInterface&) = delete;
  HostInterface& operator=(const HostInterface&) = delete;

  // Send primitives: the send result (0 = failed). A buffer handed over is
  // returned with Rendering::WsFreeBuffer in every case.
  virtual int sendDataToHost(unsigned char* data, unsigned int n, Rendering* rendering, unsigned int op);
  virtual int sendSystemRequestToHost(unsigned char* data, unsigned int n, Rendering* rendering);
  virtual int sendAttnSignalToHost(Rendering* rendering) { return 0; }
  virtual int sendHelpInErrorSignalToHost(unsigned int errorNumber, Rendering* rendering) { return 0; }
  virtual int sendTestRequestToHost(Rendering* rendering) { return 0; }
  virtual int sendInvalidScanCodeErrorToHost(Rendering* rendering) { return 0; }
  virtual int sendOSBErrorToHost(Rendering* rendering) { return 0; }
  virtual int sendResequencingErrorToHost(Rendering* rendering) { return 0; }
  // The operator's input resolved the contention: nothing is sent.
  virtual void sendContentionErrorResolvedToHost(Rendering* rendering) { contention_ = 0; }

  // 1 when a read must wait for the host (see the record glue's cdHeld).
  virtual int isPendingReadOK(Rendering* rendering) { return 0; }
  virtual int isImmediateReadOK(Rendering* rendering) { return 0; }
  virtual int isLuSessionActive(Rendering*) { return 1; }
  void setGlobalTypeAheadState(unsigned int) {}
  // A burst in progress moves its hold of the display device along.
  void setDisplayObjectPtr(DisplayBag* display);
  DisplayBag* display() const { return display_; }
  void setSimulatorPrefix(unsigned char on) { simulatorPrefix_ = on ? 1 : 0; }
  bool simulatorPrefix() const { return simulatorPrefix_ != 0; }

  // Entry of every host record (op 0) and of the message-light operations
  // (op 1 and 2). The sense for the record glue.
  uint32_t processNewDataStream(unsigned int op, const unsigned char* data, unsigned int n);
  uint32_t processDataStreamAndBufferIfContentionError(unsigned int op, const unsigned char* data,
                                                       unsigned int n);
  // Replays the held records once the contention is resolved; the sense of
  // a negative result for the caller to send, else 0.
  uint32_t processBufferedDataStreamsIfNeeded();
  // Holds one record; false (nothing held) when it cannot be held whole.
  bool bufferDataStream(unsigned int op, const unsigned char* data, unsigned int n);
  // Drops the oldest held records until at most `limit` bytes are held.
  void removeBufferedDatastreams(unsigned int limit);

  // The data stream manager's entry; `unlocked` tells whether the keyboard
  // is unlocked afterwards.
  virtual uint32_t runDataStream(unsigned int op, const unsigned char* data, unsigned int n,
                                 unsigned int& unlocked);

  // The longest that a record's changes wait for painting during a burst.
  static constexpr uint64_t kBurstPaintIntervalMs = 50;
  // Bursts nest; the outermost end paints what the burst left. During a
  // burst the display device holds its screen rebuilds (see Rendering).
  void beginRecordBurst();
  void endRecordBurst();
  bool inRecordBurst() const { return burst_ != 0; }
  // Records whose changes are not painted yet.
  bool paintingPending() const { return paintPending_ != 0; }
  // Paints what records left unpainted, if anything.
  void paintPendingRecords() {
    if (paintPending_) paintNow();
  }

  bool contention() const { return contention_ != 0; }
  void setContention(bool on) { contention_ = on ? 1 : 0; }
  unsigned int heldBytes() const { return total_; }
  unsigned int heldRecordCount() const;
  const unsigned char* heldData() const { return buffer_; }

  // The tables a text-assist host defines.
  TextHostTables& textTables() { return textTables_; }
  const TextHostTables& textTables() const { return textTables_; }

  void saveHostInterface(qrnOStream* out);
  // 0, or the restore's sense code; nothing changes when refused.
  unsigned int restoreHostInterface(qrnIStream* in);

 protected:
  // Paints the window's pending changes.
  virtual void flushPainting() {}
  // Milliseconds on a monotonic clock.
  virtual uint64_t nowMilliseconds() const;
  void freeBuffer(unsigned char* data, Rendering* rendering);

  DisplayBag* display_ = nullptr;

 private:
  // The offset of the first entry after which the entries from `from` fit
  // in `limit` bytes.
  unsigned int firstEntryFitting(unsigned int limit) const;
  static bool chainValid(const unsigned char* data, unsigned int total);
  // After each record: paints now, or leaves it to the burst.
  void recordDone();
  void paintNow();
  // Holds or releases the screen rebuilds of the station's device.
  void holdDevice(bool hold);

  TextHostTables textTables_;
  unsigned int contention_ = 0;
  unsigned char simulatorPrefix_ = 0;
  unsigned char replaying_ = 0;
  unsigned char paintPending_ = 0;
  unsigned int burst_ = 0;
  uint64_t pendingSince_ = 0;
  unsigned int total_ = 0;
  unsigned char buffer_[kContentionBufferSize] = {};
  unsigned char replay_[kLargestHeldRecord] = {};
};
