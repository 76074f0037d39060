#pragma once
// The host side of a session connected to the loopback TN5250 host: records
// sent to the session and the session's records taken back, with the
// session's events pumped while waiting.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "tests/support/TestHost5250.h"

namespace qwtest {

// Sends a record and waits until the session has taken it.
inline void SendRecordAndSettle(TestHost5250& host, const TestHost5250::Pump& pump, int waitMs,
                                const std::vector<uint8_t>& record) {
  host.SendRecord(record);
  ASSERT_TRUE(host.Barrier(waitMs, pump));
}

// The session's next record.
inline std::vector<uint8_t> NextRecord(TestHost5250& host, const TestHost5250::Pump& pump, int waitMs) {
  std::vector<uint8_t> r;
  EXPECT_TRUE(host.WaitForRecord(waitMs, pump, &r));
  return r;
}

// Everything the session sent that has not been taken yet.
inline std::vector<std::vector<uint8_t>> PendingRecords(TestHost5250& host, const TestHost5250::Pump& pump,
                                                        int waitMs) {
  EXPECT_TRUE(host.Barrier(waitMs, pump));
  std::vector<std::vector<uint8_t>> out;
  std::vector<uint8_t> r;
  while (host.WaitForRecord(0, pump, &r)) out.push_back(r);
  return out;
}

}  // namespace qwtest
