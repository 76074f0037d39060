#include "datastream/DFSF.h"

#include <new>

#include "datastream/Addresses.h"
#include "datastream/DataStreamManager.h"
#include "datastream/ScrollBarLayout.h"
#include "datastream/StructuredField.h"
#include "display/DisplayBag.h"
#include "display/FormatTable.h"
#include "display/ScrollBarField.h"
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
constexpr unsigned char kScrollBarMinor = 0x03;
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
constexpr unsigned char kSeparatorDefault = 0x4B;
// Flag byte 1 of the definition: choices carry AIDs; auto-enter on
// selection (0x04) or on selection and deselection (0x08).
constexpr unsigned char kChoiceAidsFlag = 0x02;
constexpr unsigned char kAutoEnterMask = 0x0C;
constexpr unsigned char kAutoEnterBoth = 0x08;
// Choice text flag byte 2.
constexpr unsigned char kChoiceNoCursor = 0x80;
constexpr unsigned char kChoiceUpAid = 0x40;
constexpr unsigned char kChoiceDownAid = 0x20;
constexpr unsigned char kChoiceRightAid = 0x08;
// Choice indicator characters of a character display and of a GUI
// display: available and selected for a single-choice field, then for a
// multiple-choice one.
constexpr unsigned char kCharacterIndicators[4] = {0x4B, 0x61, 0x40, 0x61};
constexpr unsigned char kGuiIndicators[4] = {0x16, 0x17, 0x14, 0x15};
constexpr unsigned char kUnavailableIndicator = 0x5C;
// Flag byte 2 of the definition: a blank follows the numeric selection
// characters; unavailable choices show the unavailable indicator (on a
// display without colour attributes).
constexpr unsigned char kBlankAfterNumbers = 0x40;
constexpr unsigned char kShowUnavailable = 0x20;

bool IsPushButtonType(unsigned char type) { return type == 0x41 || type == 0x51; }

// The upper-case letter of a lower-case EBCDIC letter.
unsigned char Monocase(unsigned char c) {
  if ((c >= 0x81 && c <= 0x89) || (c >= 0x91 && c <= 0x99) || (c >= 0xA2 && c <= 0xA9))
    return static_cast<unsigned char>(c + 0x40);
  return c;
}
}  // namespace

static uint32_t Get32(const Databyte* db, uint32_t at) {
  return static_cast<uint32_t>(db->peek(at)) << 24 | static_cast<uint32_t>(db->peek(at + 1)) << 16 |
         static_cast<uint32_t>(db->peek(at + 2)) << 8 | db->peek(at + 3);
}

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

uint32_t DFSF::loadIndicators(const unsigned char* m, uint32_t n) {
  if (n > 6) return dsm_sense::kBadLength;
  const unsigned char flags = m[2];
  // A GUI display keeps its own symbols unless the host insists.
  const bool apply = !gui_ || (flags & 0x80);
  if (n >= 4 && m[3] && apply) selectedIndicator_ = m[3];
  if (n >= 5 && m[4] && apply) availableIndicator_ = m[4];
  // The unavailable-choice indicator is taken on every display.
  if (n >= 6 && m[5]) unavailableIndicator_ = m[5];
  return 0;
}

// The parameter byte for this kind of display: its top four bits choose the
// field kind (0x00 an indicator character before each choice, push buttons
// for the push-button types, 0x80 numeric selection), its low three bits
// whether mnemonics are shown (1 or 2).
uint32_t DFSF::loadDeviceParameter(unsigned char parameter) {
  const unsigned char top = parameter & 0xF0;
  unsigned char low = parameter & 0x07;
  const bool buttons = IsPushButtonType(type_);
  const bool noIndicator = type_ == kMenuBar || buttons;
  kind_ = 0;
  margin_ = 0;
  if (top == 0x00) {
    if (noIndicator) return dsm_sense::kBadStructuredData;
    kind_ = SelectionField::kTypeIndicator;
    margin_ = 2;
  } else if (deviceMask_ == kGuiDevice && top >= 0x20 && top <= 0x60) {
    if (!buttons) return dsm_sense::kBadStructuredData;
    kind_ = SelectionField::kTypePushButtons;
  } else if (deviceMask_ != kGuiDevice && (top == 0x30 || top == 0x50)) {
    if (!buttons) return dsm_sense::kBadStructuredData;
    kind_ = SelectionField::kTypePushButtons;
  } else if (deviceMask_ != kGuiDevice && top == 0x80) {
    // Numeric selection: a list that scrolls, one or two entry positions.
    if (noIndicator || !(flags2_ & kScrollable) || (low != 4 && low != 5)) return dsm_sense::kBadStructuredData;
    kind_ = low == 4 ? SelectionField::kTypeNumeric1 : SelectionField::kTypeNumeric2;
    margin_ = low == 4 ? 2 : 3;
  } else if (low == 4 || low == 5) {
    return dsm_sense::kBadStructuredData;
  }
  if (low != 1 && low != 2 && kind_ < SelectionField::kTypeNumeric1) low = 7;
  // Mnemonic underscores belong to the extended character display only.
  if (low == 1 && deviceMask_ == kCharacterDevice) low = 7;
  parameter_ = static_cast<unsigned char>((top == 0x00 || kind_ ? top : 0xF0) | low);
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
  unsigned char flags2 = m[3];
  const unsigned char devices = m[4];
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
  unsigned char number[2] = {};
  for (unsigned int i = 0; i < numbers; ++i) {
    const unsigned char c = m[at++];
    const bool firstOfTwo = numbers == 2 && i == 0;
    if (!((c >= 0xF0 && c <= 0xF9) || (firstOfTwo && c == kBlank))) return dsm_sense::kBadChoiceNumber;
    number[i] = c;
  }
  if (!(devices & deviceMask_)) return 0;  // for another kind of display
  const uint32_t textLength = n - at;
  if (textLength == 0) {
    // An empty text is a choice that can be neither selected nor reached.
    flags1 = static_cast<unsigned char>((flags1 & ~kStateMask) | kUnavailable);
    flags2 |= kChoiceNoCursor;
  }
  // A menu bar builds nothing for an empty text.
  if (type_ == kMenuBar && textLength == 0) return 0;
  const unsigned int limit = type_ == kMenuBar ? columns_ : static_cast<unsigned int>(rows_) * columns_;
  if (count_ >= limit || count_ >= kMaxChoices) return dsm_sense::kTooManyChoices;
  if ((flags1 & kStateMask) == kSelectedState) {
    if (oneChoice_ && selected_) return dsm_sense::kSecondSelectedChoice;
    ++selected_;
  }
  Choice& c = choices_[count_++];
  c.numberCount = static_cast<unsigned char>(textLength ? numbers : 0);
  c.numbers[0] = number[0];
  c.numbers[1] = number[1];
  // The numbers and their separator come before the text.
  const unsigned int prefix = c.numberCount ? c.numberCount + 1u : 0u;
  c.text = m + at;
  const uint32_t shown = textLength + prefix;
  c.length = static_cast<unsigned char>(shown < textSize_ ? shown : textSize_);
  c.flags1 = flags1;
  c.flags2 = flags2;
  const unsigned char low = parameter_ & 0x07;
  const bool mnemonics = low == 1 || low == 2;
  c.mnemonic = mnemonics && mnemonicOffset >= 0 && static_cast<uint32_t>(mnemonicOffset) < textLength &&
                       prefix + static_cast<uint32_t>(mnemonicOffset) < c.length
                   ? Monocase(c.text[mnemonicOffset])
                   : 0;
  // AIDs of available choices count only in a field that posts them.
  const bool aids = (flags1_ & kChoiceAidsFlag) && (flags1_ & kAutoEnterMask);
  c.aid = aids && (flags1 & kStateMask) < kUnavailable ? aid : 0;
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
      case kIndicatorsMinor: sense = loadIndicators(m, n); break;
      case kScrollBarMinor: sense = LoadScrollBarIndicators(d->characteristics().word[0], m, n, barLook_); break;
      case kSeparatorMinor: sense = loadSeparator(d, m, n); break;
      case kChoiceTextMinor: sense = loadChoiceText(d, m, n); break;
      default: break;
    }
    if (sense) return sense;
    at += n;
  }
  return 0;
}

// Columns of choices of a list sit this many positions apart: the
// indicator margin, the attribute, the text, the ending attribute and the
// padding.
unsigned int DFSF::minimumTextSize(unsigned char parameter) const {
  const bool blank = (flags2_ & kBlankAfterNumbers) != 0;
  if (kind_ == SelectionField::kTypeNumeric1) return blank ? 4 : 3;
  if (kind_ == SelectionField::kTypeNumeric2) return blank ? 5 : 4;
  const unsigned char top = parameter & 0xF0;
  if (top == 0x30 || top == 0x50) return 3;
  return 1;
}

unsigned int DFSF::stride() const { return margin_ + textSize_ + 2u + padding_; }

uint32_t DFSF::layOut(DisplayBag* d, const Addresses& addresses) {
  const unsigned int columns = d->columns();
  const unsigned int last = addresses.lastDisplayAddress;
  const uint32_t address = addresses.displayAddress;
  const unsigned int row0 = address / columns, column0 = address % columns;
  // The indicator positions lie left of the address.
  if (column0 < margin_) return dsm_sense::kChoiceOutsideScreen;
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
      column = column0 + (i % columns_) * stride();
    }
    if (column + width + 2 > columns) return dsm_sense::kChoiceOutsideScreen;
    const unsigned int start = row * columns + column + 1;
    if (start + width > last) return dsm_sense::kChoiceOutsideScreen;
    starts_[i] = static_cast<unsigned short>(start);
    widths_[i] = static_cast<unsigned char>(width ? width : 1);
    column += width + 1;
    ++inRow;
  }
  if (type_ == kMenuBar && separator_.present && row0 + 1 >= addresses.rows)
    return dsm_sense::kChoiceOutsideScreen;
  return 0;
}

SelectionField* DFSF::existingField(DisplayBag* d, uint32_t address, uint32_t& sense) {
  sense = 0;
  FormatTable& table = d->formatTable();
  SelectionField* found = nullptr;
  for (Field* f = table.firstRecord(); f; f = table.nextRecord(f)) {
    if (f->getStartOffset() != address + 1 || !f->getFirstPartEnd()) continue;
    if (f->getFieldClassID() != kSelectionField) {
      sense = dsm_sense::kFormatTableInvalid;
      return nullptr;
    }
    found = static_cast<SelectionField*>(f);
    break;
  }
  // A redefinition agrees in its scroll bar and keeps its number of choices.
  if (found && (((found->options() & SelectionField::kHasScrollBar) != 0) != ((flags2_ & kScrollable) != 0) ||
                found->choiceCount() != count_)) {
    sense = dsm_sense::kBadStructuredData;
    return nullptr;
  }
  // No position of the new choices or of the scroll bar may belong to
  // another field.
  const unsigned int columns = d->columns();
  Field* ownBar = found && (found->options() & SelectionField::kHasScrollBar) ? table.nextRecord(found) : nullptr;
  for (Field* f = table.firstRecord(); f; f = table.nextRecord(f)) {
    if (f == found || f == ownBar) continue;
    if (flags2_ & kScrollable)
      for (unsigned int r = 0; r < rows_; ++r)
        if (f->containsOffset(barStart_ + r * columns, columns)) {
          sense = dsm_sense::kFormatTableInvalid;
          return nullptr;
        }
    for (unsigned int i = 0; i < count_; ++i) {
      const unsigned int lead = starts_[i] - 1u;
      const unsigned int first = lead % columns >= margin_ ? lead - margin_ : lead;
      for (unsigned int p = first; p <= starts_[i] + widths_[i]; ++p)
        if (f->containsOffset(p, columns)) {
          sense = dsm_sense::kFormatTableInvalid;
          return nullptr;
        }
    }
  }
  if (!found && (static_cast<long>(address) <= table.highestUsedPosition() || table.fieldBeingBuilt()))
    sense = dsm_sense::kFormatTableInvalid;  // fields are kept in screen order
  return found;
}

// The old field's rows, from its first row to the row after its last
// choice, are cleared between its leftmost and rightmost columns.
void DFSF::clearOldField(DisplayBag* d, SelectionField* f) {
  const unsigned int columns = d->columns();
  const unsigned int n = f->builtChoices();
  if (!n) return;
  unsigned int left = columns, right = 0;
  for (unsigned int i = 0; i < n; ++i) {
    const SelectionFieldChoice* c = f->choice(i);
    if ((c->layout & SelectionFieldChoice::kFirstOnRow) && c->start % columns < left) left = c->start % columns;
    if ((c->layout & SelectionFieldChoice::kLastOnRow) && c->end % columns + 2 > right) right = c->end % columns + 2;
  }
  unsigned int marker = 1;  // the attribute
  switch (f->selectionType()) {
    case SelectionField::kTypeIndicator:
    case SelectionField::kTypeNumeric1: marker += 2; break;
    case SelectionField::kTypeNumeric2: marker += 3; break;
    default: break;
  }
  left = left >= marker ? left - marker : 0;
  if (right > columns) right = columns;
  const unsigned int firstRow = f->choice(0)->start / columns;
  unsigned int lastRow = f->choice(n - 1)->start / columns + 1;
  if (lastRow >= d->rows()) lastRow = d->rows() - 1;
  PresentationSpaceScreenBuffer& ps = d->presentationSpace();
  for (unsigned int r = firstRow; r <= lastRow; ++r) {
    if (left >= right) break;
    for (unsigned int k = left; k < right; ++k) ps.writeCharacter(r * columns + k, 0x00);
    d->primaryPlane().clearAllECBPlanes(static_cast<int>(r * columns + left), static_cast<int>(r * columns + right - 1));
  }
}

// The scroll bar of a list that scrolls: a vertical bar as high as the
// rows, right of the last column of choices.
uint32_t DFSF::placeScrollBar(DisplayBag* d, const Addresses& addresses) {
  if (!(flags2_ & kScrollable)) return 0;
  const unsigned int columns = d->columns();
  const uint32_t address = addresses.displayAddress;
  const unsigned int row = address / columns + 1;
  const unsigned int barColumn = address % columns + (columns_ - 1u) * stride() + textSize_ + 2u;
  const uint64_t size = rows_, total = total_, position = position_;
  if (size <= 2 || position + size > total) return dsm_sense::kBadScrollBarSize;
  if (row + size > addresses.rows + 1 || barColumn + 3 > columns) return dsm_sense::kScrollBarOutsideScreen;
  barStart_ = (row - 1) * columns + barColumn + 1;
  return 0;
}

void DFSF::buildScrollBar(DisplayBag* d, Addresses& addresses, SelectionField* f, SelectionField* old) {
  FormatTable& table = d->formatTable();
  Field* oldBar = old ? table.nextRecord(f) : nullptr;
  if (oldBar && oldBar->getFieldClassID() != kVerticalScrollBar) oldBar = nullptr;
  auto* bar = static_cast<ScrollBarField*>(table.createField(kVerticalScrollBar, oldBar, 0));
  if (!bar) return;  // cannot happen: the table reserved the room with the field
  const ScrollBarLook& look = barLook_;
  bar->setScrollBarParameters(barStart_, total_, position_, rows_);
  bar->setBarCharacters(look.shaft, look.slider);
  bar->setBarFlags(ScrollBarField::kInSelectionField);
  const bool arrows = ScrollBarHasArrows(true, rows_);
  PaintScrollBar(d, addresses, bar, look, true, arrows);
}

unsigned char DFSF::options() const {
  unsigned char o = 0;
  if (flags2_ & kScrollable) o |= SelectionField::kHasScrollBar;
  if (type_ == kMenuBar || IsPushButtonType(type_)) {
    o |= SelectionField::kEnterSelects;
  } else {
    o |= SelectionField::kCursorKeysAmong;
    if (columns_ == 1) o |= SelectionField::kInOrder;
  }
  if (!oneChoice_) o |= SelectionField::kDeselectAll;
  if ((flags1_ & kAutoEnterMask) == kAutoEnterBoth) o |= SelectionField::kAutoEnterOnDeselect;
  if ((flags1_ & kChoiceAidsFlag) && (flags1_ & kAutoEnterMask)) o |= SelectionField::kChoiceAids;
  return o;
}

void DFSF::build(DisplayBag* d, SelectionField* f, bool redefined) {
  FormatTable& table = d->formatTable();
  PresentationSpaceScreenBuffer& ps = d->presentationSpace();
  const bool pushButtons = IsPushButtonType(type_);
  const unsigned int columns = d->columns();
  const unsigned char selected = selectedIndicator_, available = availableIndicator_;
  // Without colour attributes an unavailable choice can be told by its
  // indicator alone.
  const bool showUnavailable =
      (flags2_ & kShowUnavailable) && !(d->characteristics().word[0] & kColourAttributes);
  for (unsigned int i = 0; i < count_; ++i) {
    const Choice& c = choices_[i];
    const unsigned int width = type_ == kMenuBar ? c.length : textSize_;
    const unsigned int start = starts_[i], end = start + widths_[i] - 1;
    SelectionFieldChoice* choice;
    if (redefined) {
      // The same records take the new places and states.
      choice = f->choiceBase() + i;
      const SelectionFieldChoice* previous = i ? choice - 1 : nullptr;
      new (choice) SelectionFieldChoice(start, end);
      choice->layout = static_cast<unsigned char>((i == 0 ? SelectionFieldChoice::kFirstChoice : 0) |
                                                  (i + 1 == count_ ? SelectionFieldChoice::kLastChoice : 0) |
                                                  SelectionFieldChoice::kLastOnRow |
                                                  (pushButtons ? SelectionFieldChoice::kPushButton : 0));
      if (previous && previous->start / columns == start / columns) {
        choice->column = static_cast<unsigned char>(previous->column + 1);
        (choice - 1)->layout &= static_cast<unsigned char>(~SelectionFieldChoice::kLastOnRow);
      } else {
        choice->layout |= SelectionFieldChoice::kFirstOnRow;
        choice->column = 1;
      }
    } else {
      choice = table.createSelectionFieldChoice(f, start, end, pushButtons);
      if (!choice) return;  // cannot happen: the table reserved room for every choice
    }
    unsigned char lead;
    unsigned char state = 0;
    switch (c.flags1 & kStateMask) {
      case kSelectedState:
        state = SelectionFieldChoice::kAvailable | SelectionFieldChoice::kSelected;
        lead = attributes_[pushButtons ? 4 : 9];
        break;
      case 0x00:
        state = SelectionFieldChoice::kAvailable;
        lead = attributes_[3];
        break;
      default: lead = attributes_[5]; break;
    }
    if (c.flags2 & kChoiceNoCursor) state |= SelectionFieldChoice::kNotCursorable;
    if (c.flags2 & kChoiceUpAid) state |= SelectionFieldChoice::kUpAid;
    if (c.flags2 & kChoiceDownAid) state |= SelectionFieldChoice::kDownAid;
    if (c.flags2 & kChoiceRightAid) state |= SelectionFieldChoice::kRightAid;
    choice->state = state;
    choice->mnemonic = c.mnemonic;
    choice->aid = c.aid;
    ps.writeCharacter(start - 1, lead);
    if (kind_ == SelectionField::kTypeIndicator) {
      ps.writeCharacter(start - 3, attributes_[6]);
      unsigned char indicator = (state & SelectionFieldChoice::kSelected) ? selected : available;
      if (!(state & SelectionFieldChoice::kAvailable) && showUnavailable) indicator = unavailableIndicator_;
      ps.writeCharacter(start - 2, indicator);
    }
    const unsigned int prefix = c.numberCount ? c.numberCount + 1u : 0u;
    for (unsigned int k = 0; k < width; ++k) {
      unsigned char b = kBlank;
      if (k < c.length) {
        if (k < c.numberCount)
          b = c.numbers[k];
        else if (k < prefix)
          b = separatorCharacter_;
        else
          b = c.text[k - prefix];
      }
      ps.writeCharacter(start + k, b);
    }
    ps.writeCharacter(start + width, kEndingAttribute);
  }
  const unsigned char indicators[6] = {attributes_[0], attributes_[1], attributes_[2],
                                       attributes_[3], attributes_[4], attributes_[5]};
  f->define(options(), type_ == kMenuBar ? static_cast<unsigned char>(count_) : columns_, indicators);
  f->setSelectionType(kind_);
  f->setSingleChoice(oneChoice_);
  f->setIndicatorCharacters(available, selected);
  if (flags1_ & kAutoEnterMask) f->setFlags(Field::kAutoEnter);
  d->options().selectionCharacter = selectionCharacter_;
  // The entry positions of a numeric-selection field, left of its first
  // choice, show the selected choice's number.
  if (kind_ == SelectionField::kTypeNumeric1 || kind_ == SelectionField::kTypeNumeric2) {
    const unsigned int first = starts_[0] - 1;
    ps.writeCharacter(first - margin_, attributes_[6]);
    const SelectionFieldChoice* chosen = f->getFirstSelectedChoice();
    for (unsigned int k = 1; k < margin_; ++k)
      ps.writeCharacter(first - margin_ + k, chosen ? ps.getCharacter(chosen->start + k - 1) : kBlank);
  }
  if (type_ == kMenuBar && separator_.present) {
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
  flags1_ = db->peek(4);
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
  gui_ = deviceMask_ == kGuiDevice;
  uint32_t minorsAt = kHeaderLength;
  if (flags2_ & kScrollable) {
    // A menu bar never scrolls; a list that does gives its total rows and
    // its slider position before the minor structures.
    if (type_ == kMenuBar) return rejectRecord(db, dsm_sense::kBadStructuredData);
    if (length < kScrollableMinLength) return rejectRecord(db, dsm_sense::kBadLength);
    total_ = Get32(db, 20);
    position_ = Get32(db, 24);
    minorsAt = kScrollableHeaderLength;
  }
  const unsigned char parameter = db->peek(deviceMask_ == kGuiDevice ? 8 : (deviceMask_ == kExtendedDevice ? 9 : 10));
  if (const uint32_t sense = loadDeviceParameter(parameter)) return rejectRecord(db, sense);
  textSize_ = db->peek(13);
  rows_ = db->peek(14);
  columns_ = db->peek(15);
  padding_ = db->peek(16);
  if (!textSize_ || !rows_ || !columns_) return rejectRecord(db, dsm_sense::kBadStructuredData);
  if (textSize_ < minimumTextSize(parameter)) return rejectRecord(db, dsm_sense::kBadStructuredData);
  separatorCharacter_ = db->peek(17) ? db->peek(17) : kSeparatorDefault;
  selectionCharacter_ = db->peek(18);
  const unsigned char cancelAid = db->peek(19);
  if (cancelAid && aidType(d, cancelAid) == kAidTypeNotAnAid)
    return rejectRecord(db, dsm_sense::kBadStructuredData);
  Addresses& addresses = db->manager->addresses();
  if (addresses.checkDisplayAddress() != 0) return rejectRecord(db, dsm_sense::kBadLength);

  static constexpr unsigned char kAttributeDefaults[10] = {0x21, 0x23, 0x21, 0x20, 0x22,
                                                           0x20, 0x20, 0x20, 0x21, 0x20};
  for (unsigned int i = 0; i < 10; ++i) attributes_[i] = kAttributeDefaults[i];
  if (kind_ >= SelectionField::kTypeIndicator) {
    attributes_[1] = 0x21;
    attributes_[4] = 0x20;
  }
  const bool colour = (word0 & kColourAttributes) != 0;
  if (colour) {
    attributes_[2] = 0x3B;
    attributes_[5] = 0x3A;
  }
  if (deviceMask_ != kGuiDevice) attributes_[6] = 0x24;
  const unsigned char* indicators = gui_ ? kGuiIndicators : kCharacterIndicators;
  availableIndicator_ = indicators[oneChoice_ ? 0 : 2];
  selectedIndicator_ = indicators[oneChoice_ ? 1 : 3];
  unavailableIndicator_ = kUnavailableIndicator;
  barLook_ = DefaultScrollBarLook(word0, true);
  separator_ = {};
  separator_.attribute = colour ? 0x3A : 0x20;
  separator_.character = gui_ ? 0x13 : 0x60;
  count_ = 0;
  selected_ = 0;
  if (const uint32_t sense = loadMinors(db, minorsAt, length)) return rejectRecord(db, sense);
  if (count_ == 0) return rejectRecord(db, dsm_sense::kNoChoiceText);
  const uint32_t address = addresses.displayAddress;
  if (const uint32_t sense = layOut(d, addresses)) return rejectRecord(db, sense);
  if (const uint32_t sense = placeScrollBar(d, addresses)) return rejectRecord(db, sense);
  uint32_t sense = 0;
  SelectionField* old = existingField(d, address, sense);
  if (sense) return rejectRecord(db, sense);

  // A new field takes two units of the table a choice, its scroll bar three.
  FormatTable& table = d->formatTable();
  if (!old && table.unitsInUse() + 2 * count_ + ((flags2_ & kScrollable) ? 3u : 0u) > table.unitLimit())
    return rejectRecord(db, dsm_sense::kFormatTableFull);

  // Accepted: from here on the station changes. The table reserves room
  // for all the choices with the field.
  if (old) clearOldField(d, old);
  auto* f = static_cast<SelectionField*>(table.createField(kSelectionField, old, static_cast<unsigned char>(count_)));
  if (!f) return rejectRecord(db, dsm_sense::kFormatTableFull);
  db->manager->deleteWPModeChars();
  build(d, f, old != nullptr);
  if (flags2_ & kScrollable) buildScrollBar(d, addresses, f, old);
  sf::toLastByte(db, length);
  return kFsmFinished;
}
