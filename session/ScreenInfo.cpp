#include "session/ScreenInfo.h"

#include <cstring>

#include "display/DisplayBag.h"
#include "display/EntryField.h"
#include "base/LogMsg.h"
#include "base/TraceMask.h"

namespace {

bool IsAttribute(unsigned char c) { return c >= 0x20 && c <= 0x3F; }

unsigned int ScreenPositions(DisplayBag& d) {
  const unsigned int n = d.rows() * d.columns();
  return n < ScreenInfo::kPositions ? n : ScreenInfo::kPositions;
}

void FieldRecord(DisplayBag& d, unsigned int position, unsigned char attribute, unsigned char* out) {
  out[0] = static_cast<unsigned char>(position >> 24);
  out[1] = static_cast<unsigned char>(position >> 16);
  out[2] = static_cast<unsigned char>(position >> 8);
  out[3] = static_cast<unsigned char>(position);
  const bool nonDisplay = (attribute & 0x07) == 0x07;
  // The input field that starts after the attribute, if any.
  Field* f = d.formatTable().getFieldByStartOffset(position + 1);
  EntryField* entry = f && f->isEntryField() && f->getFieldClassID() != kProtectedField ? static_cast<EntryField*>(f)
                                                                                        : nullptr;
  out[4] = nonDisplay ? 1 : 0;
  out[5] = entry && !entry->isBypass() ? 0 : 1;
  out[6] = !nonDisplay && (attribute & 0x02) ? 1 : 0;
  out[7] = entry ? static_cast<unsigned char>(entry->shiftType()) : 0;
  out[8] = attribute;
  out[9] = entry && (entry->formatByte(0) & EntryField::kMandatoryEntry) ? 1 : 0;
  out[10] = 0;
  out[11] = 0;
}

}  // namespace

int CountScreenFields(DisplayBag& d) {
  const unsigned char* ps = d.presentationSpace().buffer();
  const unsigned int n = ScreenPositions(d);
  int count = 0;
  for (unsigned int p = 0; p < n; ++p)
    if (IsAttribute(ps[p])) ++count;
  return count;
}

int ScreenFieldInfo(DisplayBag& d, char* buffer, int size, int* total) {
  const unsigned char* ps = d.presentationSpace().buffer();
  const unsigned int n = ScreenPositions(d);
  int written = 0, fields = 0;
  for (unsigned int p = 0; p < n; ++p) {
    if (!IsAttribute(ps[p])) continue;
    ++fields;
    if (buffer && size >= (written + 1) * kFieldInfoRecordSize) {
      FieldRecord(d, p, ps[p], reinterpret_cast<unsigned char*>(buffer) + written * kFieldInfoRecordSize);
      ++written;
    }
  }
  if (written < fields)
    LogMsg(LevelWarning, "getFieldInfo: room for %d of %d field records; the rest are left out.\n", written, fields);
  if (total) *total = fields;
  return written;
}

unsigned char ScreenInfoColour(uint16_t attribute) {
  static const unsigned char kLow[8] = {0, 1, 4, 5, 2, 3, 6, 7};
  static const unsigned char kHigh[8] = {0x00, 0x10, 0x40, 0x50, 0x20, 0x30, 0x60, 0x70};
  const unsigned int c = attribute & 0x0F;
  const unsigned int index = c > 8 ? c - 8 : 0;
  return (attribute & 0x40) ? kHigh[index & 7] : kLow[index & 7];
}

unsigned char ScreenInfoAttribute(uint16_t attribute) {
  unsigned char out = 0;
  if (attribute & 0x20) out |= 0x20;
  if (attribute & 0x40) out |= 0x80;
  if (attribute & 0x80) out |= 0x40;
  if (attribute & 0x100) out |= 0x10;
  return out;
}

void FillScreenInfo(DisplayBag& d, const uint16_t* windowAttributes, ScreenInfo* info) {
  const unsigned int n = ScreenPositions(d);
  info->rows = static_cast<uint16_t>(d.rows());
  info->columns = static_cast<uint16_t>(d.columns());
  std::memset(info->text, 0, sizeof info->text);
  std::memset(info->colour, 0, sizeof info->colour);
  std::memset(info->attribute, 0, sizeof info->attribute);
  std::memset(info->shift, 0, sizeof info->shift);
  std::memset(info->spare, 0, sizeof info->spare);
  const unsigned char* ps = d.presentationSpace().buffer();
  std::memcpy(info->text, ps, n);
  // What a non-display attribute hides is read masked, as the trace shows
  // it: each character an asterisk (nulls stay nulls).
  bool hidden = false;
  for (unsigned int p = 0; p < n; ++p) {
    if (IsAttribute(ps[p])) hidden = (ps[p] & 0x07) == 0x07;
    else if (hidden && ps[p] != 0x00) info->text[p] = TraceMask::kMaskByte;
  }
  for (unsigned int p = 0; p < n; ++p) {
    if (windowAttributes) {
      info->colour[p] = ScreenInfoColour(windowAttributes[p]);
      info->attribute[p] = ScreenInfoAttribute(windowAttributes[p]);
    }
    if (ps[p] == 0x0E) info->shift[p] = 0x20;
    if (ps[p] == 0x0F) info->shift[p] = 0x08;
  }
}
