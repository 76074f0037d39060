#include "datastream/TextHostTables.h"

#include <cstring>

namespace {
constexpr uint32_t kSenseLength = 0x10050110;
constexpr uint32_t kSenseData = 0x10050112;
constexpr unsigned int kHead = 5;

struct EntryBounds {
  unsigned int low, high;
};
constexpr EntryBounds kBounds[3] = {{2, 22}, {3, 82}, {3, 83}};

unsigned int commandLength(const unsigned char* cmd) { return (cmd[0] << 8) | cmd[1]; }
}  // namespace

TextHostTables::TextHostTables() {
  std::memset(audit_, 0, sizeof audit_);
  std::memset(cmdKey_, 0, sizeof cmdKey_);
  std::memset(operr_, 0, sizeof operr_);
  std::memset(pitch_, 0, sizeof pitch_);
  std::memset(ids_, kNoTable, sizeof ids_);
}

unsigned int TextHostTables::determineTable(unsigned int id) {
  if (id <= 0x7F) return 0;
  if (id <= 0xFE) return 1;
  return 255;
}

unsigned int TextHostTables::room(unsigned int kind) {
  switch (kind) {
    case kAudit: return kAuditBytes;
    case kCmdKey: return kCmdKeyBytes;
    case kOperr: return kOperrBytes;
    default: return kPitchEntries * 4;
  }
}

unsigned char* TextHostTables::table(unsigned int t, unsigned int kind) {
  return const_cast<unsigned char*>(static_cast<const TextHostTables*>(this)->table(t, kind));
}

const unsigned char* TextHostTables::table(unsigned int t, unsigned int kind) const {
  t &= 1;
  switch (kind) {
    case kAudit: return audit_[t];
    case kCmdKey: return cmdKey_[t];
    case kOperr: return operr_[t];
    default: return pitch_[t];
  }
}

void TextHostTables::define(unsigned int kind, const unsigned char* cmd, uint32_t& sense) {
  const unsigned int length = commandLength(cmd);
  const unsigned int n = length >= kHead ? length - kHead : 0;
  if (length < kHead || n >= room(kind)) {
    sense = kSenseLength;
    return;
  }
  const unsigned char id = cmd[4];
  const unsigned int t = determineTable(id);
  if (t == 255) {
    for (unsigned int i = 0; i < 2; ++i) {
      table(i, kind)[0] = 0;
      ids_[i][kind] = kNoTable;
    }
    return;
  }
  if (ids_[t][kind] == id) return;
  unsigned char* dest = table(t, kind);
  dest[0] = 0;
  const unsigned char* e = cmd + kHead;
  for (unsigned int i = 0; i < n;) {
    const unsigned int len = e[i];
    if (len < kBounds[kind].low || len > kBounds[kind].high || i + len > n) {
      sense = kSenseLength;
      return;
    }
    if (kind == kCmdKey) {
      const unsigned int key = e[i + 1], function = e[i + 2];
      const bool keyOK = (key >= 1 && key <= 24) || key >= 251;
      const bool functionOK = function >= 1 && (function <= 6 || (function == 7 && (key == 252 || key == 253)));
      if (!keyOK || !functionOK) {
        sense = kSenseData;
        return;
      }
    }
    i += len;
  }
  ids_[t][kind] = id;
  std::memcpy(dest, e, n);
  dest[n] = 0;
}

void TextHostTables::dfpitch(const unsigned char* cmd, uint32_t& sense) {
  const unsigned int length = commandLength(cmd);
  const unsigned int n = length >= kHead ? length - kHead : 0;
  if (length < kHead || n > kPitchEntries * 5) {
    sense = kSenseLength;
    return;
  }
  const unsigned char id = cmd[4];
  const unsigned int t = determineTable(id);
  if (t == 255) {
    std::memset(pitch_, 0, sizeof pitch_);
    ids_[0][kPitch] = ids_[1][kPitch] = kNoTable;
    return;
  }
  if (ids_[t][kPitch] == id) return;
  std::memset(pitch_[t], 0, sizeof pitch_[t]);
  const unsigned char* e = cmd + kHead;
  unsigned int count = 0;
  for (unsigned int i = 0; i < n; i += 5, ++count) {
    if (e[i] != 5 || i + 5 > n) {
      std::memset(pitch_[t], 0, sizeof pitch_[t]);
      ids_[t][kPitch] = kNoTable;
      sense = kSenseLength;
      return;
    }
    std::memcpy(pitch_[t] + count * 4, e + i + 1, 4);
  }
  ids_[t][kPitch] = id;
}

unsigned int TextHostTables::numPitchTableEntries(unsigned int t) const {
  unsigned int n = 0;
  while (n < kPitchEntries && pitch_[t & 1][n * 4]) ++n;
  return n;
}

bool TextHostTables::getAuditWindowEntry(unsigned int t, unsigned char key, unsigned char (&entry)[22],
                                         unsigned int& index) const {
  std::memset(entry, 0, sizeof entry);
  const unsigned char* p = audit_[t & 1];
  unsigned int i = 0, k = 0;
  while (i < kAuditBytes && p[i]) {
    const unsigned int len = p[i];
    if (i + len > kAuditBytes) break;
    if (len >= 2 && p[i + 1] == key) {
      std::memcpy(entry, p + i, len > 22 ? 22 : len);
      index = k;
      return true;
    }
    i += len;
    ++k;
  }
  return false;
}

bool TextHostTables::getCmdKeyEntry(unsigned int t, unsigned int key, bool mode,
                                    unsigned char (&entry)[82]) const {
  static const unsigned char kRemap2[24] = {3, 2, 7, 1, 5, 6, 10, 8, 9, 4, 11, 21,
                                            13, 14, 15, 16, 17, 18, 19, 20, 12, 22, 23, 24};
  static const unsigned char kRemap3[24] = {4, 2, 1, 10, 5, 6, 3, 8, 9, 7, 11, 21,
                                            13, 14, 15, 16, 17, 18, 19, 20, 12, 22, 23, 24};
  std::memset(entry, 0, sizeof entry);
  const unsigned char* p = cmdKey_[t & 1];
  auto find = [&](unsigned int code) -> const unsigned char* {
    for (unsigned int i = 0; i < kCmdKeyBytes && p[i]; i += p[i]) {
      if (i + p[i] > kCmdKeyBytes) return nullptr;
      if (p[i + 1] == code) return p + i;
    }
    return nullptr;
  };
  if (key >= 1 && key <= 24) {
    if (const unsigned char* first = find(1)) {
      if (first[2] == 2 && mode) key = kRemap2[key - 1];
      else if (first[2] == 3 && !mode) key = kRemap3[key - 1];
    }
  }
  const unsigned char* e = find(key);
  if (!e) return false;
  std::memcpy(entry, e, e[0] > 82 ? 82 : e[0]);
  return true;
}

bool TextHostTables::getOperrEntry(unsigned int t, unsigned int code, unsigned char (&entry)[83]) const {
  std::memset(entry, 0, sizeof entry);
  const unsigned char* p = operr_[t & 1];
  for (unsigned int i = 0; i < kOperrBytes && p[i]; i += p[i]) {
    const unsigned int len = p[i];
    if (i + len > kOperrBytes) return false;
    if (len > 3 && p[i + 1] == 0 && p[i + 2] == (code & 0xFF)) {
      std::memcpy(entry, p + i, len > 83 ? 83 : len);
      return true;
    }
  }
  return false;
}

bool TextHostTables::getPitchEntry(unsigned int t, unsigned int n, unsigned char (&entry)[4]) const {
  std::memset(entry, 0, sizeof entry);
  if (n < 1 || n > numPitchTableEntries(t)) return false;
  std::memcpy(entry, pitch_[t & 1] + (n - 1) * 4, 4);
  return true;
}
