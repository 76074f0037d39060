#include "datastream/DFSF.h"

#include "datastream/Addresses.h"
#include "datastream/DataStreamManager.h"
#include "datastream/StructuredField.h"
#include "display/DisplayBag.h"
#include "display/FormatTable.h"
#include "display/SelectionField.h"
#include "keyboard/AidType.h"

namespace sf = structured_field;

namespace {
// Display characteristics, word 0.
constexpr uint32_t kColourAttributes = 0x10000000u;
constexpr uint32_t kGuiDisplay = 0x00400000u;
constexpr uint32_t kGuiPushButtons = 0x00000080u;
constexpr uint32_t kExtendedAttributes = 0x00000200u;
constexpr uint32_t kDeviceCondition = 0x00004000u;
// Device kinds a structure applies to.
constexpr unsigned char kGuiDevice = 0x80;
constexpr unsigned char kExtendedDevice = 0x40;
constexpr unsigned char kCharacterDevice = 0x20;
// Minor structures.
constexpr unsigned char kAttributesMinor = 0x01;
constexpr unsigned char kIndicatorsMinor = 0x02;
constexpr unsigned char kSeparatorMinor = 0x09;
constexpr unsigned char kChoiceTextMinor = 0x10;
constexpr uint32_t kMinorMinLength = 4;
// Choice text flag byte 1.
constexpr unsigned char kMnemonicFollows = 0x08;
constexpr unsigned char kAidFollows = 0x04;
constexpr unsigned char kNumberMask = 0x03;
constexpr unsigned char kNewRow = 0x20;
constexpr unsigned char kStateMask = 0xC0;
constexpr unsigned char kSelectedState = 0x40;
constexpr unsigned char kUnavailable = 0x80;
constexpr unsigned char kEndingAttribute = 0x20;
constexpr unsigned char kBlank = 0x40;
constexpr unsigned char kDefaultAid = 0xF1;
constexpr unsigned char kNoSeparatorAttributes = 0x40;

bool IsPushButtonType(unsigned char type) { return type == 0x41 || type == 0x51; }

// The upper-case letter of a lower-case EBCDIC letter.
unsigned char Monocase(unsigned char c) {
  if ((c >= 0x81 && c <= 0x89) || (c >= 0x91 && c <= 0x99) || (c >= 0xA2 && c <= 0xA9))
    return static_cast<unsigned char>(c + 0x40);
  return c;
}
}  // namespace

int DFSF::endOfData(Databyte* db) { return rejectRecord(db, dsm_sense::kPrematureEnd); }

uint32_t DFSF::loadAttributes(DisplayBag* d, const unsigned char* m, uint32_t n) {
  if (n > 19) return dsm_sense::kBadLength;
  if (!((m[2] & 0xE0) & deviceMask_)) return 0;
  unsigned char list[16] = {};
  for (uint32_t i = 3; i < n; ++i) list[i - 3] = m[i];
  const bool colour = (d->characteristics().word[0] & kColourAttributes) != 0;
  for (unsigned int i = 0; i < 8; ++i) {
    const unsigned char a = list[2 * i + (colour ? 1 : 0)];
    if (a >= 0x20 && a <= 0x3F) attributes_[i] = a;
  }
  return 0;
}

uint32_t DFSF::loadSeparator(DisplayBag* d, const unsigned char* m, uint32_t n) {
  // Four bytes leave no room for the end column.
  if (n < 5 || n > 8) return dsm_sense::kBadLength;
  const unsigned int columns = d->columns();
  const unsigned char start = m[3], end = m[4];
  if (start < 1 || start > columns - 1 || end < 2 || end > columns || end <= start)
    return dsm_sense::kBadStructuredData;
  separator_.present = true;
  separator_.flags = m[2];
  separator_.start = static_cast<unsigned char>(start - 1);
  separator_.end = static_cast<unsigned char>(end - 1);
  if (n == 8) {
    const bool colour = (d->characteristics().word[0] & kColourAttributes) != 0;
    const unsigned char a = colour ? m[6] : m[5];
    if (a >= 0x20 && a <= 0x3F) separator_.attribute = a;
    if (m[7]) separator_.character = m[7];
  }
  return 0;
}

uint32_t DFSF::loadChoiceText(DisplayBag* d, const unsigned char* m, uint32_t n) {
  if (n < 5) return dsm_sense::kBadLength;
  unsigned char flags1 = m[2];
  const unsigned char devices = m[4];  // byte 3, flag byte 2, sets nothing here
  const unsigned int numbers = flags1 & kNumberMask;
  if (numbers == 3) return dsm_sense::kBadChoiceNumber;
  uint32_t at = 5;
  const uint32_t items = ((flags1 & kMnemonicFollows) ? 1 : 0) + ((flags1 & kAidFollows) ? 1 : 0) + numbers;
  if (at + items > n) return dsm_sense::kBadLength;
  int mnemonicOffset = -1;
  unsigned char aid = 0;
  if (flags1 & kMnemonicFollows) mnemonicOffset = m[at++];
  if (flags1 & kAidFollows) {
    aid = m[at++];
    if (aid && aidType(d, aid) == kAidTypeNotAnAid) aid = kDefaultAid;
  }
  for (unsigned int i = 0; i < numbers; ++i) {
    const unsigned char c = m[at++];
    const bool firstOfTwo = numbers == 2 && i == 0;
    if (!((c >= 0xF0 && c <= 0xF9) || (firstOfTwo && c == kBlank))) return dsm_sense::kBadChoiceNumber;
  }
  if (!(devices & deviceMask_)) return 0;  // for another kind of display
  const uint32_t textLength = n - at;
  if (textLength == 0) flags1 = static_cast<unsigned char>((flags1 & ~kStateMask) | kUnavailable);
  // A menu bar builds nothing for an empty text.
  if (type_ == kMenuBar && textLength == 0) return 0;
  const unsigned int limit = type_ == kMenuBar ? columns_ : static_cast<unsigned int>(rows_) * columns_;
  if (count_ >= limit || count_ >= kMaxChoices) return dsm_sense::kTooManyChoices;
  if ((flags1 & kStateMask) == kSelectedState) {
    if (oneChoice_ && selected_) return dsm_sense::kSecondSelectedChoice;
    ++selected_;
  }
  Choice& c = choices_[count_++];
  c.text = m + at;
  c.length = static_cast<unsigned char>(textLength < textSize_ ? textLength : textSize_);
  c.flags1 = flags1;
  c.mnemonic = mnemonicOffset >= 0 && static_cast<uint32_t>(mnemonicOffset) < c.length
                   ? Monocase(c.text[mnemonicOffset])
                   : 0;
  c.aid = aid;
  c.newRow = (flags1 & kNewRow) != 0;
  return 0;
}

uint32_t DFSF::loadMinors(Databyte* db, uint32_t at, uint32_t length) {
  DisplayBag* d = db->display;
  while (at < length) {
    const uint32_t left = length - at;
    const uint32_t n = db->peek(at);
    // A minor shorter than its length and type bytes would never advance.
    if (n < kMinorMinLength || n > left) return dsm_sense::kBadLength;
    const unsigned char* m = db->current + at;
    uint32_t sense = 0;
    switch (m[1]) {
      case kAttributesMinor: sense = loadAttributes(d, m, n); break;
      case kIndicatorsMinor: if (n > 6) sense = dsm_sense::kBadLength; break;
      case kSeparatorMinor: sense = loadSeparator(d, m, n); break;
      case kChoiceTextMinor: sense = loadChoiceText(d, m, n); break;
      default: break;
    }
    if (sense) return sense;
    at += n;
  }
  return 0;
}

uint32_t DFSF::layOut(DisplayBag* d, const Addresses& addresses) {
  const unsigned int columns = d->columns();
  const unsigned int last = addresses.lastDisplayAddress;
  const uint32_t address = addresses.displayAddress;
  const unsigned int row0 = address / columns, column0 = address % columns;
  unsigned int row = row0, column = column0, inRow = 0;
  for (unsigned int i = 0; i < count_; ++i) {
    const Choice& c = choices_[i];
    // Each choice is its attribute, its text and an ending attribute.
    const unsigned int width = type_ == kMenuBar ? c.length : textSize_;
    if (type_ == kMenuBar) {
      if (i > 0 && c.newRow) {
        ++row;
        column = column0;
        inRow = 0;
      } else if (inRow > 0) {
        column += padding_ + 1;
      }
    } else {
      row = row0 + i / columns_;
      column = column0 + (i % columns_) * (textSize_ + 2u + padding_);
    }
    if (column + width + 2 > columns) return dsm_sense::kChoiceOutsideScreen;
    const unsigned int start = row * columns + column + 1;
    if (start + width > last) return dsm_sense::kChoiceOutsideScreen;
    starts_[i] = static_cast<unsigned short>(start);
    column += width + 1;
    ++inRow;
  }
  if (type_ == kMenuBar && separator_.present && row0 + 1 >= addresses.rows)
    return dsm_sense::kChoiceOutsideScreen;
  return 0;
}

void DFSF::build(DisplayBag* d, SelectionField* f) {
  FormatTable& table = d->formatTable();
  PresentationSpaceScreenBuffer& ps = d->presentationSpace();
  const bool pushButtons = IsPushButtonType(type_);
  for (unsigned int i = 0; i < count_; ++i) {
    const Choice& c = choices_[i];
    const unsigned int width = type_ == kMenuBar ? c.length : textSize_;
    const unsigned int start = starts_[i], end = start + (width ? width : 1) - 1;
    SelectionFieldChoice* choice = table.createSelectionFieldChoice(f, start, end, pushButtons);
    unsigned char lead;
    switch (c.flags1 & kStateMask) {
      case kSelectedState:
        choice->state = SelectionFieldChoice::kSelected;
        lead = attributes_[pushButtons ? 4 : 9];
        break;
      case 0x00: lead = attributes_[3]; break;
      default:
        choice->state = SelectionFieldChoice::kNotAvailable;
        lead = attributes_[5];
        break;
    }
    choice->mnemonic = c.mnemonic;
    choice->aid = c.aid;
    ps.writeCharacter(start - 1, lead);
    for (unsigned int k = 0; k < width; ++k)
      ps.writeCharacter(start + k, k < c.length ? c.text[k] : kBlank);
    ps.writeCharacter(start + width, kEndingAttribute);
  }
  const unsigned char indicators[6] = {attributes_[0], attributes_[1], attributes_[2],
                                       attributes_[3], attributes_[4], attributes_[5]};
  // No bit of the definition sets a selection flag yet.
  f->define(0, type_ == kMenuBar ? count_ : columns_, indicators);
  f->setSelectionType(pushButtons ? SelectionField::kTypePushButtons : 0);
  if (type_ == kMenuBar && separator_.present) {
    const unsigned int columns = d->columns();
    const unsigned int row = (starts_[0] - 1) / columns + 1;
    for (unsigned int k = separator_.start; k <= separator_.end; ++k)
      ps.writeCharacter(row * columns + k, separator_.character);
    if (!(separator_.flags & kNoSeparatorAttributes)) {
      ps.writeCharacter(row * columns + separator_.start, separator_.attribute);
      ps.writeCharacter(row * columns + separator_.end, kEndingAttribute);
    }
  }
}

int DFSF::processInput(Databyte* db) {
  const uint32_t length = sf::lengthAt(db);
  if (length < kMinLength) return rejectRecord(db, dsm_sense::kBadLength);
  if (db->remaining < length) return rejectRecord(db, dsm_sense::kPrematureEnd);
  DisplayBag* d = db->display;
  const uint32_t word0 = d->characteristics().word[0];
  // Flag byte 1, bits 7-6: for which displays the structure is meant.
  switch (db->peek(4) >> 6) {
    case 1: if (word0 & kDeviceCondition) { sf::toLastByte(db, length); return kFsmFinished; } break;
    case 2: if (!(word0 & kDeviceCondition)) { sf::toLastByte(db, length); return kFsmFinished; } break;
    case 3: sf::toLastByte(db, length); return kFsmFinished;
    default: break;
  }
  flags2_ = db->peek(5);
  type_ = db->peek(7);
  switch (type_) {
    case 0x01: case 0x11: case 0x21: case 0x31: case 0x41: case 0x51: oneChoice_ = true; break;
    case 0x12: case 0x32: oneChoice_ = false; break;
    default: type_ = 0x21; oneChoice_ = false; break;
  }
  deviceMask_ = kCharacterDevice;
  if (word0 & kExtendedAttributes) {
    deviceMask_ = kExtendedDevice;
    if (word0 & (IsPushButtonType(type_) ? kGuiPushButtons : kGuiDisplay)) deviceMask_ = kGuiDevice;
  }
  if (flags2_ & kScrollable) {
    // A menu bar never scrolls; the scroll bar of a list is not built by
    // this display.
    return rejectRecord(db, dsm_sense::kBadStructuredData);
  }
  textSize_ = db->peek(13);
  rows_ = db->peek(14);
  columns_ = db->peek(15);
  padding_ = db->peek(16);
  if (!textSize_ || !rows_ || !columns_) return rejectRecord(db, dsm_sense::kBadStructuredData);
  const unsigned char cancelAid = db->peek(19);
  if (cancelAid && aidType(d, cancelAid) == kAidTypeNotAnAid)
    return rejectRecord(db, dsm_sense::kBadStructuredData);
  Addresses& addresses = db->manager->addresses();
  if (addresses.checkDisplayAddress() != 0) return rejectRecord(db, dsm_sense::kBadLength);

  static constexpr unsigned char kAttributeDefaults[10] = {0x21, 0x23, 0x21, 0x20, 0x22,
                                                           0x20, 0x20, 0x20, 0x21, 0x20};
  for (unsigned int i = 0; i < 10; ++i) attributes_[i] = kAttributeDefaults[i];
  const bool colour = (word0 & kColourAttributes) != 0;
  if (colour) {
    attributes_[2] = 0x3B;
    attributes_[5] = 0x3A;
  }
  if (deviceMask_ != kGuiDevice) attributes_[6] = 0x24;
  separator_ = {};
  separator_.attribute = colour ? 0x3A : 0x20;
  separator_.character = deviceMask_ == kGuiDevice ? 0x13 : 0x60;
  count_ = 0;
  selected_ = 0;
  if (const uint32_t sense = loadMinors(db, kHeaderLength, length)) return rejectRecord(db, sense);
  if (count_ == 0) return rejectRecord(db, dsm_sense::kNoChoiceText);
  const uint32_t address = addresses.displayAddress;
  if (const uint32_t sense = layOut(d, addresses)) return rejectRecord(db, sense);
  // Fields are kept in screen order: the new one must follow every other.
  FormatTable& table = d->formatTable();
  if (static_cast<long>(address) <= table.highestUsedPosition() || table.fieldBeingBuilt())
    return rejectRecord(db, dsm_sense::kFormatTableInvalid);

  // Accepted: from here on the station changes. The table reserves room
  // for all the choices with the field.
  auto* f = static_cast<SelectionField*>(
      table.createField(kSelectionField, nullptr, static_cast<unsigned char>(count_)));
  if (!f) return rejectRecord(db, dsm_sense::kFormatTableFull);
  db->manager->deleteWPModeChars();
  build(d, f);
  sf::toLastByte(db, length);
  return kFsmFinished;
}
