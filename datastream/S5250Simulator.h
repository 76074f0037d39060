#pragma once
// The simulator commands that a host sends with opcode 0x10: keystrokes and
// device records for the keyboard translator, reads of the cursor, status,
// message line and planes, the open parameters, power-on reset and the edit
// functions of the window. Every command is answered with one record.
#include <cstddef>
#include <cstdint>

#include "datastream/RecordGlue.h"

class DisplayBag;

// What the simulator commands need of the session beyond the glue.
class SimulatorHost {
 public:
  virtual ~SimulatorHost() = default;
  // The session's display station (null while there is none).
  virtual DisplayBag* display() = 0;
  // The keyboard translator: kind 0 a keystroke record, 1 a 40-byte device
  // record, 2 a stripe-reader record, 3 a stripe-reader status record, 4 a
  // fixed function (`n` is the function code). 0 taken, 0xFF failed, other
  // values refused.
  virtual unsigned int tax(unsigned int kind, const unsigned char* record, unsigned int n) = 0;
  // Flushes pending painting of the window.
  virtual void flush() {}
  // Reloads the default translation table and resets the translator.
  virtual void reloadTranslator() {}
  // Power-on reset: rebuilds the session's station, host interface and
  // translator, then resets the device session.
  virtual void powerOnReset() {}
  // The window's display information for command 13: the whole reply of
  // `size` (kDisplayInformationSize) bytes, zeroed by the caller; byte 0 is
  // the status, which the caller sets.
  virtual void readDisplayInformation(unsigned char* out, unsigned int size) {}
  // Command 15 sub-codes 1 to 3 (cut, copy, paste) with request 1 (is the
  // menu item sensitive) or 2 (run it when it is), and sub-code 5 (the
  // window-state byte): the value byte of the reply. `status` is set
  // non-zero when the function cannot be answered.
  virtual unsigned char editFunction(unsigned int sub, unsigned int request, unsigned char& status) {
    status = 3;
    return 0;
  }
  // Command 15 sub-code 4: double-byte keys follow, the session's language
  // becomes Japanese.
  virtual void useJapanese() {}
  // Command 15 sub-codes 4 and 6: a key record for the keyboard glue (its
  // first byte the key type).
  virtual void keyRecord(const unsigned char* record, unsigned int n) {}
};

// The reply of command 13, its status byte included.
constexpr unsigned int kDisplayInformationSize = 612;

// Runs one simulator command (`command` is the record's data, `n` bytes)
// and answers it. 0xFF when the translator failed (the caller answers and
// runs a power-on reset), else 0.
unsigned int sim_cmd_proc(RecordGlue& glue, const unsigned char* command, size_t n,
                          const unsigned char header[kRecordHeaderSize]);
// 0 when the four ASCII device-type digits at `parms` equal the device type
// in use (EBCDIC digits), else 1.
int check_device_type(const RecordGlue& glue, const unsigned char* parms);
