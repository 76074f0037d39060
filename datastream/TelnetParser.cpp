#include "datastream/TelnetParser.h"

#include <cstring>

using namespace TelnetCode;

void TelnetParser::reset() {
  state_ = State::Data;
  verb_ = 0;
  subOption_ = 0;
  subLength_ = 0;
}

size_t TelnetParser::parse(const uint8_t* in, size_t n, uint8_t* out, size_t* dataLength,
                           TelnetCommand* command, bool* gotCommand) {
  size_t used = 0;
  size_t data = 0;
  *gotCommand = false;
  auto finishSub = [&](bool malformed) {
    command->kind = TelnetCommand::Sub;
    command->code = SB;
    command->option = subOption_;
    command->sub = sub_;
    command->subLength = subLength_;
    command->subTruncated = subLength_ > kSubLimit;
    command->subMalformed = malformed;
    *gotCommand = true;
  };
  auto keepSubByte = [&](uint8_t b) {
    if (subLength_ < kSubLimit) sub_[subLength_] = b;
    ++subLength_;
  };

  while (used < n && !*gotCommand) {
    if (state_ == State::Data) {
      // The data up to the next IAC go over in one piece.
      const auto* iac = static_cast<const uint8_t*>(std::memchr(in + used, IAC, n - used));
      const size_t run = (iac ? static_cast<size_t>(iac - in) : n) - used;
      if (run) {
        if (out + data != in + used) std::memmove(out + data, in + used, run);
        data += run;
        used += run;
        if (used == n) break;
      }
    }
    const uint8_t b = in[used++];
    switch (state_) {
      case State::Data:
        if (b == IAC)
          state_ = State::Iac;
        else
          out[data++] = b;
        break;
      case State::Iac:
        state_ = State::Data;
        if (b == IAC) {
          out[data++] = IAC;  // a doubled IAC is one data byte
        } else if (b == WILL || b == WONT || b == DO || b == DONT) {
          verb_ = b;
          state_ = State::Option;
        } else if (b == SB) {
          state_ = State::SubOption;
        } else if (b != NOP) {
          command->kind = TelnetCommand::Single;
          command->code = b;
          command->option = 0;
          command->sub = nullptr;
          command->subLength = 0;
          *gotCommand = true;
        }
        break;
      case State::Option:
        state_ = State::Data;
        command->kind = TelnetCommand::Verb;
        command->code = verb_;
        command->option = b;
        command->sub = nullptr;
        command->subLength = 0;
        *gotCommand = true;
        break;
      case State::SubOption:
        subOption_ = b;
        subLength_ = 0;
        state_ = State::SubData;
        break;
      case State::SubData:
        if (b == IAC)
          state_ = State::SubIac;
        else
          keepSubByte(b);
        break;
      case State::SubIac:
        if (b == IAC) {
          keepSubByte(IAC);
          state_ = State::SubData;
        } else if (b == SE) {
          state_ = State::Data;
          finishSub(false);
        } else {
          // IAC and a command inside a sub-negotiation: the sub-negotiation
          // ends there, malformed, and the byte is taken as a command again.
          finishSub(true);
          state_ = State::Iac;
          --used;
        }
        break;
    }
  }
  *dataLength = data;
  return used;
}
