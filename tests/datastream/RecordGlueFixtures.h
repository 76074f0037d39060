// Helpers for the record glue, host interface and read manager tests: a
// glue link that records what is sent (one record per IAC EOR), a host
// interface whose data stream answers are scripted, a display station over
// a recording device, record builders and CP037 text through iconv.
#pragma once

#include <gtest/gtest.h>
#include <iconv.h>

#include <cstdint>
#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "datastream/HostInterface.h"
#include "datastream/HostInterfaceTCP.h"
#include "datastream/RecordGlue.h"
#include "display/DisplayBag.h"
#include "display/EntryField.h"
#include "keyboard/TAXlate.h"
#include "tests/display/RecordingRendering.h"

namespace glue_test {

using Bytes = std::vector<uint8_t>;

inline Bytes B(std::initializer_list<int> list) {
  Bytes v;
  for (int b : list) v.push_back(static_cast<uint8_t>(b));
  return v;
}

inline Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes v;
  for (const auto& p : parts) v.insert(v.end(), p.begin(), p.end());
  return v;
}

// Text in CP037, converted by the C library.
inline Bytes Ebcdic(const std::string& text) {
  iconv_t cd = iconv_open("CP037", "ISO-8859-1");
  EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1));
  Bytes out(text.size());
  char* in = const_cast<char*>(text.data());
  size_t inLeft = text.size();
  char* o = reinterpret_cast<char*>(out.data());
  size_t outLeft = out.size();
  EXPECT_NE(iconv(cd, &in, &inLeft, &o, &outLeft), static_cast<size_t>(-1));
  iconv_close(cd);
  out.resize(out.size() - outLeft);
  return out;
}

// A TN5250 record: header with the given opcode and flags, then the data.
inline Bytes Record(uint8_t opcode, const Bytes& data = {}, uint8_t flags1 = 0, uint8_t flags2 = 0,
                    uint8_t reserved4 = 0) {
  const size_t n = data.size() + 10;
  Bytes r = {static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n), 0x12, 0xA0, reserved4, 0, 0x04,
             flags1, flags2, opcode};
  r.insert(r.end(), data.begin(), data.end());
  return r;
}

// Sends of the glue, one record per end of record.
class RecordingLink : public RecordGlueLink {
 public:
  int tel_senddata(const char* data, int length) override {
    if (failSends) return 0;
    current.insert(current.end(), data, data + length);
    return 1;
  }
  int tel_sendeor() override {
    if (failSends) return 0;
    sent.push_back(current);
    current.clear();
    return 1;
  }
  bool drainPendingEvents() override {
    ++drains;
    return endSessionOnDrain;
  }
  uint32_t loadKeyboardTable(const unsigned char* table, uint32_t length) override {
    tableBody = Bytes(table, table + length);
    tableOffered = true;
    return tableSense;
  }
  void flushPainting() override { ++flushes; }

  std::vector<Bytes> sent;
  Bytes current;
  bool failSends = false;
  bool endSessionOnDrain = false;
  int drains = 0;
  int flushes = 0;
  uint32_t tableSense = 0;  // what loadKeyboardTable answers
  bool tableOffered = false;
  Bytes tableBody;
};

// One call of the data stream.
struct DsmCall {
  unsigned int op;
  Bytes data;
  bool operator==(const DsmCall& o) const { return op == o.op && data == o.data; }
};

inline std::ostream& operator<<(std::ostream& os, const DsmCall& c) {
  os << "op " << c.op << " [";
  for (uint8_t b : c.data) os << std::hex << int(b) << ' ';
  return os << ']';
}

// A host interface whose data stream only records the records and answers
// the senses queued in `answers` (0 when none is queued).
template <class Base>
class Scripted : public Base {
 public:
  using Base::Base;
  uint32_t runDataStream(unsigned int op, const unsigned char* data, unsigned int n, unsigned int& unlocked) override {
    calls.push_back({op, Bytes(data, data + n)});
    unlocked = 0;
    if (answers.empty()) return 0;
    const uint32_t s = answers.front();
    answers.pop_front();
    return s;
  }
  std::vector<DsmCall> calls;
  std::deque<uint32_t> answers;
};

// A display station over a recording device with host interface `Host`.
template <class Host>
struct StationWith {
  template <class... A>
  explicit StationWith(A&&... hostArgs)
      : host(std::forward<A>(hostArgs)...),
        rendering(3696, 24, 80),
        psBuffer(3696),
        display(nullptr, &rendering, &host, &tax, DisplayCharacteristics(), psBuffer.data()) {
    host.setDisplayObjectPtr(&display);
  }
  ~StationWith() { host.setDisplayObjectPtr(nullptr); }

  // An entry field over [start, end] (screen offsets), modified or not.
  EntryField* field(unsigned int start, unsigned int end, bool modified, FieldClassID id = kLTRField) {
    Field* f = display.formatTable().createField(id, nullptr, 0);
    if (!f) return nullptr;
    EntryField* e = static_cast<EntryField*>(f);
    if (!display.formatTable().createEntryFieldSegment(e, start, end, 1)) return nullptr;
    if (modified) e->setFlags(Field::kMDT);
    return e;
  }
  void text(unsigned int offset, const Bytes& bytes) {
    display.presentationSpace().writeData(bytes.data(), static_cast<unsigned int>(bytes.size()), offset);
  }

  Host host;
  RecordingRendering rendering;
  TAXlate tax;
  std::vector<unsigned char> psBuffer;
  DisplayBag display;
};

// The record glue with its two buffers.
struct Glue {
  RecordingLink link;
  std::vector<unsigned char> outbound = std::vector<unsigned char>(kRecordBufferSize);
  std::vector<unsigned char> reassembly = std::vector<unsigned char>(kRecordBufferSize);
  RecordGlue glue{link, outbound.data(), reassembly.data()};

  // Feeds `bytes` as one record ended by IAC EOR.
  void Feed(const Bytes& bytes) {
    s5250_accept(glue, bytes.data(), bytes.size());
    s5250_accept_eor(glue);
  }
};

}  // namespace glue_test
