#pragma once
#include <cstddef>
#include <cstdint>

// Telnet codes (RFC 854, 855, 885).
namespace TelnetCode {
constexpr uint8_t IAC = 0xFF, DONT = 0xFE, DO = 0xFD, WONT = 0xFC, WILL = 0xFB, SB = 0xFA,
                  GA = 0xF9, IP = 0xF4, BRK = 0xF3, NOP = 0xF1, SE = 0xF0, EOR = 0xEF;
constexpr uint8_t OPT_BINARY = 0, OPT_SGA = 3, OPT_TIMING_MARK = 6, OPT_TERMINAL_TYPE = 24,
                  OPT_EOR = 25, OPT_NEW_ENVIRON = 39, OPT_TN3270E = 40;
constexpr uint8_t SUB_IS = 0, SUB_SEND = 1;
}  // namespace TelnetCode

// One Telnet command taken from the stream.
struct TelnetCommand {
  enum Kind { Single, Verb, Sub };
  Kind kind = Single;
  uint8_t code = 0;    // the single-byte command, or the verb (WILL ... DONT, SB)
  uint8_t option = 0;  // option of a verb or sub-negotiation
  // Sub-negotiation bytes after the option (IAC IAC undone), at most
  // kSubLimit of them; `subLength` counts them all.
  const uint8_t* sub = nullptr;
  size_t subLength = 0;
  bool subTruncated = false;  // more bytes came than were kept
  bool subMalformed = false;  // ended by IAC and a byte other than SE
};

// Splits a Telnet byte stream into data and commands. The state survives
// between calls, so a command or an IAC IAC pair may be split anywhere
// across reads. A sub-negotiation is kept up to kSubLimit bytes and always
// skipped to its IAC SE.
class TelnetParser {
 public:
  static constexpr size_t kSubLimit = 256;

  // Takes bytes from in[0..n) until a command is complete or the input ends.
  // Data bytes are written to out (which may be `in` itself: out never runs
  // ahead of the input), their count to *dataLength. Returns the number of
  // input bytes used; *gotCommand tells whether *command was filled (the
  // data written before it come first in the stream).
  size_t parse(const uint8_t* in, size_t n, uint8_t* out, size_t* dataLength, TelnetCommand* command,
               bool* gotCommand);

  void reset();
  // True between commands (no IAC sequence is open).
  bool idle() const { return state_ == State::Data; }

 private:
  enum class State { Data, Iac, Option, SubOption, SubData, SubIac };
  State state_ = State::Data;
  uint8_t verb_ = 0;
  uint8_t subOption_ = 0;
  size_t subLength_ = 0;
  uint8_t sub_[kSubLimit] = {};
};
