// The macro event string: what the recorder writes for each kind of input,
// what the reader makes of it, and the 8,192-byte limit.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/MacroEvents.h"

namespace {

using Bytes = std::vector<uint8_t>;

void Keys(MacroRecorder& r, const Bytes& keys) { r.appendDataKeys(keys.data(), keys.size()); }
void Event(MacroRecorder& r, uint8_t code, const Bytes& ops = {}) { r.appendEvent(code, ops.data(), ops.size()); }

TEST(MacroEvents, RecorderWritesEachKindOfInputAsTheFileCarriesIt) {
  struct Case {
    const char* what;
    void (*record)(MacroRecorder&);
    Bytes expected;
  } cases[] = {
      {"A, Enter, B", [](MacroRecorder& r) { Keys(r, {0xC1}); Event(r, 0x31); Keys(r, {0xC2}); },
       {0xC1, 0xFF, 0x31, 0x01, 0xC2}},
      {"0xFF after an event is not doubled", [](MacroRecorder& r) { Event(r, 0x18); Keys(r, {0xFF, 0xFF}); },
       {0xFF, 0x18, 0x01, 0xFF, 0xFF, 0xFF}},
      {"0xFF among data keys is doubled", [](MacroRecorder& r) { Keys(r, {0xC1, 0xFF, 0xC2}); },
       {0xC1, 0xFF, 0xFF, 0xC2}},
      {"events follow one another without escapes",
       [](MacroRecorder& r) { Event(r, 250); Event(r, 251); Event(r, 254); Event(r, 252, {1}); },
       {0xFF, 250, 251, 254, 252, 1}},
      {"a click with its position", [](MacroRecorder& r) { Event(r, 253, {1, 0x03, 0x20}); },
       {0xFF, 253, 1, 0x03, 0x20}},
      {"two button-0 clicks in a row keep the second",
       [](MacroRecorder& r) { Keys(r, {0xC1}); Event(r, 253, {0, 0, 5}); Event(r, 253, {0, 0, 9}); },
       {0xC1, 0xFF, 253, 0, 0, 9}},
      {"a double-byte key record keeps its length and type",
       [](MacroRecorder& r) { Event(r, 2, {0x42, 0x43}); }, {0xFF, 2, 2, 2, 0x42, 0x43}},
      {"the escape and code 1 are no events", [](MacroRecorder& r) { Event(r, 0xFF); Event(r, 1); }, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    MacroRecorder r;
    c.record(r);
    EXPECT_EQ(r.bytes(), c.expected);
  }
}

TEST(MacroEvents, TakingBackRestoresLengthAndMode) {
  MacroRecorder r;
  Keys(r, {0xC1});
  Event(r, 253, {1, 0, 3});  // the click that opened a menu
  r.removeLastEvent();
  Keys(r, {0xC2});
  EXPECT_EQ(r.bytes(), (Bytes{0xC1, 0xC2}));
  Event(r, 0x31);
  Keys(r, {0xC3});
  r.removeLastEvent();
  Keys(r, {0xC4});
  EXPECT_EQ(r.bytes(), (Bytes{0xC1, 0xC2, 0xFF, 0x31, 0x01, 0xC4}));
}

TEST(MacroEvents, ReaderGivesBackWhatWasRecorded) {
  MacroRecorder r;
  Keys(r, {0xC1, 0xFF});
  Event(r, 0x18);                 // PF1
  Event(r, 253, {1, 0x07, 0x80}); // a click at 1920
  Event(r, 252, {2});             // cut
  Event(r, 254);
  Event(r, 250);
  Event(r, 251);
  Event(r, 2, {0x0E, 0x41, 0x42});
  Keys(r, {0xFF, 0xC2});  // the 0xFF right after code 1 stands single
  EXPECT_EQ(std::vector<uint8_t>(r.bytes().end() - 3, r.bytes().end()), (Bytes{0x01, 0xFF, 0xC2}));
  const std::vector<MacroStep> steps = ReadAllMacroSteps(r.bytes());
  ASSERT_EQ(steps.size(), 11u);
  EXPECT_EQ(steps[0].kind, MacroStep::kDataKey);
  EXPECT_EQ(steps[0].byte, 0xC1);
  EXPECT_EQ(steps[1].byte, 0xFF);
  EXPECT_EQ(steps[2].kind, MacroStep::kKeystroke);
  EXPECT_EQ(steps[2].byte, 0x18);
  EXPECT_EQ(steps[3].kind, MacroStep::kMouse);
  EXPECT_EQ(steps[3].byte, 1);
  EXPECT_EQ(steps[3].position, 1920u);
  EXPECT_EQ(steps[4].kind, MacroStep::kMenu);
  EXPECT_EQ(steps[4].byte, 2);
  EXPECT_EQ(steps[5].kind, MacroStep::kPause);
  EXPECT_EQ(steps[6].kind, MacroStep::kUserId);
  EXPECT_EQ(steps[7].kind, MacroStep::kPassword);
  EXPECT_EQ(steps[8].kind, MacroStep::kKeyRecord);
  EXPECT_EQ(steps[8].record, (Bytes{2, 0x0E, 0x41, 0x42}));
  EXPECT_EQ(steps[9].kind, MacroStep::kDataKey);
  EXPECT_EQ(steps[9].byte, 0xFF);
  EXPECT_EQ(steps[10].byte, 0xC2);
}

TEST(MacroEvents, TruncatedEventsEndTheString) {
  const struct {
    const char* what;
    Bytes bytes;
    size_t steps;
  } cases[] = {
      {"lone escape at the end", {0xC1, 0xFF}, 1},
      {"code 1 without its key", {0xFF, 0x31, 0x01}, 1},
      {"click without its position", {0xFF, 253, 1, 0}, 0},
      {"menu without its number", {0xFF, 0x31, 252}, 1},
      {"key record of length 0", {0xFF, 2, 0, 2}, 0},
      {"key record running past the end", {0xFF, 2, 5, 2, 1}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    MacroReader reader(c.bytes);
    size_t n = 0;
    while (reader.next().kind != MacroStep::kEnd) ++n;
    EXPECT_EQ(n, c.steps);
    EXPECT_TRUE(reader.atEnd());
    EXPECT_EQ(reader.next().kind, MacroStep::kEnd);
  }
}

TEST(MacroEvents, TheLimitEndsRecordingWithoutAPartialKeyOrEvent) {
  {
    MacroRecorder r;
    const Bytes keys(kMacroLimit - 1, 0xC1);
    EXPECT_TRUE(r.appendDataKeys(keys.data(), keys.size()));
    EXPECT_EQ(r.bytesLeft(), 1u);
    const uint8_t ff = 0xFF;  // needs two bytes: dropped, recording ends
    EXPECT_FALSE(r.appendDataKeys(&ff, 1));
    EXPECT_EQ(r.bytes().size(), kMacroLimit - 1);
    EXPECT_EQ(r.bytesLeft(), 0u);
    EXPECT_TRUE(r.full());
  }
  {
    MacroRecorder r;
    const Bytes keys(kMacroLimit - 3, 0xC1);
    r.appendDataKeys(keys.data(), keys.size());
    const uint8_t click[3] = {1, 0, 1};
    EXPECT_FALSE(r.appendEvent(253, click, 3));  // 5 bytes with its escape: does not fit
    EXPECT_EQ(r.bytes().size(), kMacroLimit - 3);
    EXPECT_FALSE(r.appendEvent(0x31, nullptr, 0));  // full: nothing more
  }
  {
    MacroRecorder r;
    const Bytes keys(kMacroLimit - 2, 0xC1);
    r.appendDataKeys(keys.data(), keys.size());
    EXPECT_FALSE(r.appendEvent(0x31, nullptr, 0));  // fills it exactly: recording ends
    EXPECT_EQ(r.bytes().size(), kMacroLimit);
  }
}

}  // namespace
