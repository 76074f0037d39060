#pragma once
// The record glue's view of a session: its Telnet link, its window's event
// queue and painting, its translator and the simulator commands.
#include "datastream/RecordGlue.h"
#include "datastream/S5250Simulator.h"

class SessionControlBlock;

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

  // SimulatorHost.
  DisplayBag* display() override;
  unsigned int tax(unsigned int kind, const unsigned char* record, unsigned int n) override;
  void flush() override { flushPainting(); }
  void powerOnReset() override;

 private:
  SessionControlBlock* block_;
};
