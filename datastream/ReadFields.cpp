#include "datastream/ReadFields.h"

#include "display/DisplayBag.h"
#include "display/EntryField.h"
#include "display/Field.h"
#include "keyboard/KeyboardState.h"

namespace {

constexpr unsigned char kSBA = 0x11;
constexpr unsigned char kTransparent = 0x10;
constexpr unsigned char kTransparentFormat = 0x10;  // second format byte

unsigned int Written(int n, unsigned int room) {
  if (n <= 0) return 0;
  return static_cast<unsigned int>(n) > room ? room : static_cast<unsigned int>(n);
}

// A field whose attribute hides its data (a password field). The attribute
// stands before the field; while the field shows its highlight, the first
// segment keeps the field's own.
bool IsNonDisplay(DisplayBag* d, Field* f) {
  if (!f->isEntryField()) return false;
  const unsigned int start = f->getStartOffset();
  if (start == 0) return false;
  const unsigned int at = d->keyboardState().swappedErrorLineOffsetCheck(start - 1);
  const unsigned char shown = d->presentationSpace().getCharacter(at);
  const unsigned char saved = static_cast<EntryField*>(f)->getFirstSegmentPtr()->attribute;
  for (unsigned char a : {shown, saved})
    if (a >= 0x20 && a <= 0x3F && (a & 0x07) == 0x07) return true;
  return false;
}

}  // namespace

unsigned int ReadFields::formatField(DisplayBag* d, Field* f, unsigned char* buffer, unsigned int room) {
  const unsigned int head = formatFieldHeader(d, f, buffer, room);
  const unsigned int data = formatFieldData(d, f, buffer + head, room - head);
  if (data && IsNonDisplay(d, f)) d->readMgr().traceMask().hide(buffer + head, data);
  return head + data;
}

unsigned int ReadFields::activateRead(DisplayBag* d, unsigned int sequencing, unsigned char* buffer,
                                      unsigned int room) {
  FormatTable& table = d->formatTable();
  unsigned int total = 0;
  if (sequencing == 0) {
    for (Field* f = table.firstRecord(); f; f = table.nextRecord(f))
      if (selectField(d, f)) total += formatField(d, f, buffer + total, room - total);
    return total;
  }
  if (sequencing > kMaxSequence) return kResequenceError;
  Field* f = table.getSpecificField(sequencing, 2);
  if (!f) return kResequenceError;
  unsigned int selected = 0;
  // A chain that comes back to a field it passed would never end: no chain
  // visits more fields than the table has.
  unsigned int visits = 0;
  const unsigned int limit = table.fieldCount();
  while (f) {
    if (++visits > limit) return kResequenceError;
    if (selectField(d, f)) {
      if (++selected > kMaxSelectedFields) return kResequenceError;
      total += formatField(d, f, buffer + total, room - total);
    }
    const unsigned int next = f->getResequenceNumber();
    if (next == 0xFF) break;
    if (next == 0) {
      Field* following = table.nextRecord(f);
      if (!following) return kResequenceError;
      f = following;
    } else {
      f = table.getSpecificField(next, 2);
      if (!f) return kResequenceError;
    }
  }
  return total;
}

unsigned int ReadInputFields::anyFieldModified(DisplayBag* d) { return d->formatTable().masterMDT(); }

unsigned int ReadInputFields::selectField(DisplayBag*, Field* f) { return f->isPartOfSelectionField(0) ? 1 : 0; }

unsigned int ReadInputFields::formatFieldHeader(DisplayBag*, Field*, unsigned char*, unsigned int) { return 0; }

unsigned int ReadInputFields::formatFieldData(DisplayBag* d, Field* f, unsigned char* buffer, unsigned int room) {
  return Written(f->readFieldNormalFormat(d, buffer, room), room);
}

unsigned int ReadMDTFields::selectField(DisplayBag*, Field* f) { return f->isPartOfSelectionField(1) ? 1 : 0; }

unsigned int ReadMDTFields::formatFieldHeader(DisplayBag* d, Field* f, unsigned char* buffer, unsigned int room) {
  if (room < 3) return 0;
  const unsigned int columns = d->columns() ? d->columns() : 80;
  const unsigned int start = f->getStartOffset();
  buffer[0] = kSBA;
  buffer[1] = static_cast<unsigned char>(start / columns + 1);
  buffer[2] = static_cast<unsigned char>(start % columns + 1);
  return 3;
}

unsigned int ReadMDTFields::transparent(DisplayBag* d, Field* f, unsigned char* buffer, unsigned int room,
                                        bool& done) {
  done = false;
  if (!f->isEntryField() || !(static_cast<EntryField*>(f)->formatByte(1) & kTransparentFormat)) return 0;
  done = true;
  if (room < 3) return 0;
  const unsigned int n = Written(f->readFieldMDTFormat(d, buffer + 3, room - 3), room - 3);
  buffer[0] = kTransparent;
  buffer[1] = static_cast<unsigned char>(n >> 8);
  buffer[2] = static_cast<unsigned char>(n);
  return n + 3;
}

unsigned int ReadMDTFields::formatFieldData(DisplayBag* d, Field* f, unsigned char* buffer, unsigned int room) {
  bool done = false;
  const unsigned int n = transparent(d, f, buffer, room, done);
  if (done) return n;
  return Written(f->readFieldMDTFormat(d, buffer, room), room);
}

unsigned int ReadMDTAlt::formatFieldData(DisplayBag* d, Field* f, unsigned char* buffer, unsigned int room) {
  bool done = false;
  const unsigned int n = transparent(d, f, buffer, room, done);
  if (done) return n;
  return Written(f->readFieldMDTAltFormat(d, buffer, room), room);
}
