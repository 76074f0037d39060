#pragma once
// The record glue's view of a session: its Telnet link, its window's event
// queue and painting, its translator and the simulator commands.
#include <cstdint>

#include "datastream/RecordGlue.h"
#include "datastream/S5250Simulator.h"

class SessionControlBlock;

// Makes the default translation table of the session's keyboard type the
// translator's active table and resets the translator. False when the
// session has no translator or the table is not registered.
bool LoadDefaultXlateTable(SessionControlBlock* block);

class SessionRecordLink final : public RecordGlueLink, public SimulatorHost {
 public:
  explicit SessionRecordLink(SessionControlBlock* block) : block_(block) {}

  // RecordGlueLink.
  int tel_senddata(const char* data, int length) override;
  int tel_sendeor() override;
  bool drainPendingEvents() override;
  void flushPainting() override;
  SimulatorHost* simulatorHost() override { return this; }
  bool traceFlag() const override;
  void traceRecord(const char* what, const unsigned char* data, unsigned int length) override;
  uint32_t loadKeyboardTable(const unsigned char* table, uint32_t length) override;
  void currentTableName(unsigned char name[8]) const override;

  // The first record of each receive reads the X connection in any case.
  void readEventsBeforeNextRecord() { readEvents_ = true; }

  // SimulatorHost.
  DisplayBag* display() override;
  unsigned int tax(unsigned int kind, const unsigned char* record, unsigned int n) override;
  void flush() override { flushPainting(); }
  void reloadTranslator() override;
  void powerOnReset() override;
  void readDisplayInformation(unsigned char* out, unsigned int size) override;
  unsigned char editFunction(unsigned int sub, unsigned int request, unsigned char& status) override;
  void useJapanese() override;
  void keyRecord(const unsigned char* record, unsigned int n) override;

 private:
  SessionControlBlock* block_;
  uint64_t lastEventCheck_ = 0;  // when the X connection was last read
  bool readEvents_ = true;
};
