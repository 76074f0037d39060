#include "keyboard/XlateTable.h"

#include <cstring>
#include <new>

#include "keyboard/GeneratedTables.h"
#include "base/ErrorHalt.h"
#include "base/LogMsg.h"

namespace {
constexpr unsigned short kModule = 0x0B1F;
constexpr unsigned char kNamePrefix[3] = {0xC1, 0xD1, 0xD3};  // "AJL"
constexpr unsigned char kDigit1 = 0xF1, kDigit4 = 0xF4, kDigit5 = 0xF5;
constexpr unsigned int kNameOffset = 12;
constexpr unsigned int kQualifierOffset = 24;
constexpr unsigned int kDoubleByteRuns = 4;
// Header flag byte -> record flag bits.
constexpr unsigned int kHeaderFlagMap[7][2] = {
    {0x80, XlateTableInfo::kFlag80},       {0x20, XlateTableInfo::kFlag20},
    {0x10, XlateTableInfo::kFlag10},       {0x08, XlateTableInfo::kRightToLeft},
    {0x04, XlateTableInfo::kExtraPlanes}, {0x02, XlateTableInfo::kFlag02},
    {0x01, XlateTableInfo::kFlag01},
};

bool isDoubleByteKeyboard(unsigned int code) {
  return code == kKeyboardBK || code == kKeyboardCC || code == kKeyboardCB;
}

bool validEntry(const XlateTableInfo* info, FunctionWord w) {
  const unsigned int c = w.code;
  switch (w.category) {
    case 1: return c >= 1 && c <= 14;
    case 2: return c >= 1 && c <= 4;
    case 3: return (c >= 1 && c <= 12) || (c >= 16 && c <= 33);
    case 4: return c >= 1 && c <= 3;
    case 5: return c >= 1 && c <= 24;
    case 6: return c >= 1 && c <= 10;
    case 9: case 10: case 11: case 12: case 13: case 14: case 15: case 16:
      return c >= 0x40 && c <= 0xFE;
    case 23: return c == 3;
    case 32: {
      const bool bgOrBh = info->keyboardCode == kKeyboardBG || info->keyboardCode == kKeyboardBH;
      if (c >= 13 && c <= 14) return (info->flags & XlateTableInfo::kFlag10) != 0;
      if (c >= 10 && c <= 11) return (info->flags & XlateTableInfo::kExtraPlanes) != 0;
      if (c >= 7 && c <= 9) return info->digit == kDigit5;
      if (c >= 5 && c <= 6) return bgOrBh;
      if (c == 12) return info->keyboardCode == kKeyboardBG && info->digit == kDigit5;
      return c >= 1 && c <= 4;
    }
    case 34: case 35: return c == 0;
    case 37: case 38: return c >= 1 && c <= 12;
    case 39: return c == 0x40;
    default: return false;
  }
}

// Bytes the record and the entries of a downloaded table take from the pool.
size_t blockSize(size_t entryBytes) { return sizeof(XlateTableInfo) + entryBytes; }
}  // namespace

XlateTable::XlateTable(unsigned char** builtIn) : pool_(region_, sizeof region_) {
  for (size_t i = 0; builtIn && builtIn[i]; ++i) {
    void* block = pool_.GetBuffer(sizeof(XlateTableInfo));
    if (!block) ErrorHalt(kModule, 4, i);
    XlateTableInfo* info = new (block) XlateTableInfo;
    CreateXlateTblHdr(builtIn[i], info);
    info->entries = builtIn[i] + kHeaderLength;
    info->entryBytes = 2 * info->entryCount;
    info->downloaded = 0;
    link(info);
    if (const unsigned int bad = ValidateTT(info)) ErrorHalt(kModule, 5, i, bad);
    ++builtIns_;
  }
}

void XlateTable::link(XlateTableInfo* info) {
  info->next = head_;
  head_ = info;
}

size_t XlateTable::tableCount() const {
  size_t n = 0;
  for (const XlateTableInfo* t = head_; t; t = t->next) ++n;
  return n;
}

void XlateTable::CreateXlateTblHdr(const unsigned char* table, XlateTableInfo* info) {
  std::memcpy(info->name, table + kNameOffset, 8);
  std::memcpy(info->qualifier, table + kQualifierOffset, 14);
  info->references = 1;
  info->downloaded = 1;
  info->keyboardCode = static_cast<unsigned int>(table[18]) << 8 | table[19];
  info->digit = table[15];
  info->diacriticCountry = table[40];
  info->flags = 0;
  for (const auto& m : kHeaderFlagMap)
    if (table[41] & m[0]) info->flags |= m[1];
  const bool extra = (table[41] & 0x04) || info->keyboardCode == kKeyboardBG;
  if (info->digit >= kDigit1 && info->digit <= kDigit4) {
    info->entryCount = extra ? 512 : 256;
  } else if (info->digit == kDigit5) {
    info->entryCount = extra ? 640 : (table[41] & 0x10) ? 768 : 384;
  } else {
    info->entryCount = info->keyboardCode == kKeyboardBH ? 512 : 256;
  }
}

unsigned int XlateTable::doubleByteOffset(const XlateTableInfo* info) {
  return 2 * info->entryCount + (isDoubleByteKeyboard(info->keyboardCode) ? 512 : 0);
}

unsigned int XlateTable::ValidateTT(const XlateTableInfo* info) {
  for (unsigned int i = 0; i < info->entryCount; ++i)
    if (!validEntry(info, info->entry(i))) return i + 1;
  return 0;
}

XlateTableInfo* XlateTable::FindAndIncrement(RuName& name, const char* qualifier) {
  static const char kNoQualifier[14] = {};
  const char* q = qualifier ? qualifier : kNoQualifier;
  for (XlateTableInfo* t = head_; t; t = t->next) {
    if (std::memcmp(t->name, name.bytes, 8) == 0 && std::memcmp(t->qualifier, q, 14) == 0) {
      ++t->references;
      return t;
    }
  }
  return nullptr;
}

void XlateTable::DecrementAndDelete(XlateTableInfo* info) {
  if (!info || std::memcmp(info->name, kNamePrefix, 3) != 0)
    ErrorHalt(kModule, 2, reinterpret_cast<unsigned long>(info));
  if (info->references > 1) {
    --info->references;
    return;
  }
  if (!info->downloaded) ErrorHalt(kModule, 6, reinterpret_cast<unsigned long>(info));
  XlateTableInfo** at = &head_;
  while (*at && *at != info) at = &(*at)->next;
  if (!*at) ErrorHalt(kModule, 7, reinterpret_cast<unsigned long>(info));
  *at = info->next;
  info->name[0] = 0;
  info->references = 0;
  info->~XlateTableInfo();
  pool_.FreeBuffer(info);
}

int XlateTable::CheckSpace(int length) const {
  const size_t entries = length > static_cast<int>(kHeaderLength)
                             ? static_cast<size_t>(length) - kHeaderLength : 0;
  return pool_.CheckBufferAvail(blockSize(entries)) != 0;
}

int XlateTable::AddTable(const unsigned char* table, int length, XlateTableInfo*& out) {
  out = nullptr;
  if (!table || length < static_cast<int>(kHeaderLength)) return kXlateTableTooShort;
  for (unsigned int i = 0; i < 3; ++i)
    if (table[kNameOffset + i] != kNamePrefix[i]) return static_cast<int>(kNameOffset + i);

  // Everything is checked on the caller's bytes first: a refused table
  // never reaches the pool.
  XlateTableInfo probe;
  CreateXlateTblHdr(table, &probe);
  const size_t available = static_cast<size_t>(length) - kHeaderLength;
  if (available < 2u * probe.entryCount) return kXlateTableTooShort;
  probe.entries = table + kHeaderLength;
  probe.entryBytes = static_cast<unsigned int>(available);
  if (const unsigned int bad = ValidateTT(&probe)) return static_cast<int>(bad);
  if (isDoubleByteKeyboard(probe.keyboardCode)) {
    // The four sub-tables must be there, each ended by a zero byte.
    size_t at = doubleByteOffset(&probe);
    for (unsigned int run = 0; run < kDoubleByteRuns; ++run) {
      while (at < available && probe.entries[at] != 0) ++at;
      if (at >= available) return kXlateTableNoSubTables;
      ++at;
    }
  }

  void* block = pool_.GetBuffer(blockSize(available));
  if (!block) return kXlateTableNoRoom;
  XlateTableInfo* info = new (block) XlateTableInfo(probe);
  unsigned char* copy = static_cast<unsigned char*>(block) + sizeof(XlateTableInfo);
  std::memcpy(copy, table + kHeaderLength, available);
  info->entries = copy;
  link(info);
  out = info;
  return 0;
}

unsigned char** BuiltInXlateTables() {
  // The registry only reads the tables; the list type is the one the
  // session block hands over.
  static unsigned char* list[keyboard_data::kBuiltInTableCount + 1] = {};
  if (!list[0]) {
    for (unsigned int i = 0; i < keyboard_data::kBuiltInTableCount; ++i)
      list[i] = const_cast<unsigned char*>(keyboard_data::kBuiltInTables[i]);
  }
  return list;
}
