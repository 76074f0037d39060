#pragma once
// Pieces the fuzz targets share: a halt is a finding, the log and standard
// output go nowhere, the input read byte by byte, a display station over a
// device that draws nothing, a structured field, and a device whose copy is
// the fuzz input.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <vector>

#include "base/ErrorHalt.h"
#include "base/LogMsg.h"
#include "datastream/DataStreamManager.h"
#include "datastream/HostInterface.h"
#include "display/CopiedDataInformation.h"
#include "display/DisplayBag.h"
#include "display/NullRendering.h"
#include "keyboard/TAXlate.h"

[[noreturn]] inline void HaltIsAFinding(unsigned short, unsigned short) { std::abort(); }

// The log lines of refused records are expected: they go nowhere.
struct Silence {
  Silence() {
    SetLogSyslogFunction([](int, const char*) {});
    std::freopen("/dev/null", "w", stdout);
  }
};

inline void Check(bool ok) {
  if (!ok) std::abort();
}

using Bytes = std::vector<unsigned char>;

// Four bytes, high byte first.
inline uint32_t Word(const uint8_t* p) {
  return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

class Input {
 public:
  Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool empty() const { return at_ >= size_; }
  uint8_t byte() { return at_ < size_ ? data_[at_++] : 0; }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
};

// A display station with the word-processing keyboard over a device that
// draws nothing.
struct Station {
  Station()
      : rendering(c.bufferSize(), c.rows(), c.columns()),
        screen(c.bufferSize()),
        display(nullptr, &rendering, &host, &tax, c, screen.data()) {
    host.setDisplayObjectPtr(&display);
    tax.setKeyboardType(0xB0);
  }
  uint32_t run(const Bytes& record) {
    unsigned int unlocked = 0;
    const uint32_t sense = display.dataStreamManager().dsm(DataStreamManager::kRecord, record.data(),
                                                           static_cast<uint32_t>(record.size()), unlocked);
    display.postDatastreamProcessing();
    return sense;
  }
  DisplayCharacteristics c;
  NullRendering rendering;
  HostInterface host;
  TAXlate tax;
  Bytes screen;
  DisplayBag display;
};

// A structured field: length, 0xD9, type, then the data.
inline Bytes Field(unsigned char type, const Bytes& data) {
  const unsigned int n = static_cast<unsigned int>(data.size()) + 4;
  Bytes f{static_cast<unsigned char>(n >> 8), static_cast<unsigned char>(n), 0xD9, type};
  f.insert(f.end(), data.begin(), data.end());
  return f;
}

// A device whose copy is the fuzz input; its buffers must all come back.
class CopyRendering : public NullRendering {
 public:
  CopyRendering() : NullRendering(3696, 24, 80) {}
  ~CopyRendering() override {
    if (!buffers_.empty()) std::abort();
  }
  void getCopiedData(CopiedDataInformation* info, unsigned int) override {
    *info = copy;
    info->data = static_cast<unsigned char*>(WsGetBuffer(static_cast<unsigned int>(data.size())));
    if (!data.empty()) std::memcpy(info->data, data.data(), data.size());
    info->length = static_cast<unsigned int>(data.size());
  }
  void* WsGetBuffer(unsigned int size) override {
    // Exactly the data's size: a read past it is a heap overflow.
    void* p = std::malloc(size ? size : 1);
    buffers_.insert(p);
    return p;
  }
  void WsFreeBuffer(void* p) override {
    if (!buffers_.erase(p)) std::abort();
    std::free(p);
  }
  CopiedDataInformation copy;
  Bytes data;

 private:
  std::set<void*> buffers_;
};

// Text pages from the input.

// A scale line: the left margin (kept in `left`) unless a byte's high bit
// leaves it out, up to three tab stops of any kind between the margins, the
// right margin unless left out. The DFSCL data.
inline Bytes ScaleFromInput(Input& in, unsigned char& left) {
  Bytes scale{0, 0, 1};
  left = static_cast<unsigned char>(1 + in.byte() % 20);
  const unsigned char right = static_cast<unsigned char>(left + 5 + in.byte() % (79 - left - 4));
  if (!(in.byte() & 0x80)) {
    scale.push_back(left);
    scale.push_back(1);
  }
  for (unsigned int n = in.byte() % 4, column = left; n; --n) {
    column += 1 + in.byte() % 12;
    if (column >= right) break;
    scale.push_back(static_cast<unsigned char>(column));
    scale.push_back(static_cast<unsigned char>(3 + in.byte() % 6));
  }
  if (!(in.byte() & 0x80)) {
    scale.push_back(right);
    scale.push_back(2);
  }
  scale[0] = static_cast<unsigned char>(scale.size());
  Bytes dfscl{0, 0, 0, 0};
  dfscl.insert(dfscl.end(), scale.begin(), scale.end());
  return dfscl;
}

// One line record on scale line 1 with a one-byte length.
inline void AppendLine(Bytes& lines, unsigned char ctl, unsigned int row, unsigned char lineFlags, unsigned int id,
                       unsigned char newLine, const Bytes& text) {
  const Bytes lcd{ctl, 2, 0, static_cast<unsigned char>(row), lineFlags, 0, 0, static_cast<unsigned char>(id >> 8),
                  static_cast<unsigned char>(id), newLine, 0, 0, 1};
  lines.push_back(static_cast<unsigned char>(1 + lcd.size() + text.size()));
  lines.insert(lines.end(), lcd.begin(), lcd.end());
  lines.insert(lines.end(), text.begin(), text.end());
}

// The page: DFTXT with its flags and level, DFSCL, the lines written with
// the cursor at row 3 column `left` and the keyboard unlocked, and a read.
inline Bytes TextPageRecord(unsigned char flags, unsigned char level, const Bytes& dfscl, unsigned char left,
                            const Bytes& lines) {
  Bytes wrtxt{0x00, 0x80, 0x00, 0x08, 0x00, 0x03, 0x00, left};
  wrtxt.insert(wrtxt.end(), lines.begin(), lines.end());
  Bytes record{0x04, 0xF3};
  for (const Bytes& f : {Field(0x34, Bytes{0x00, flags, static_cast<unsigned char>(0x80 | level)}),
                         Field(0x35, dfscl), Field(0x36, wrtxt), Field(0x32, Bytes{0x00, 0x80, 0x00, 0x00})})
    record.insert(record.end(), f.begin(), f.end());
  return record;
}
