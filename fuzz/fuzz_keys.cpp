// Random key and mouse sequences over a screen of mixed input fields
// (alphanumeric, alphabetic, numeric, signed numeric, mandatory fill and
// entry, word wrap, self-check, auto-enter, field exit required, right
// adjust, Dup, protected and right-to-left), a scroll bar, and hot-spot text
// (function keys, paging words, a menu option, a web address), with what
// the host does between them (unlock, read, options, programmed mouse
// buttons, an Arabic or Farsi keyboard with shaping and the cursor put in
// the right-to-left field). No sequence may halt, crash or leave the format
// table, the cursor or the shaping state out of bounds.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "datastream/HostInterface.h"
#include "display/ASD.h"
#include "display/DisplayBag.h"
#include "display/EntryField.h"
#include "display/NullRendering.h"
#include "display/ScrollBarField.h"
#include "keyboard/FunctionWord.h"
#include "keyboard/TAXlate.h"
#include "base/ErrorHalt.h"

namespace {

[[noreturn]] void AbortOnHalt(unsigned short, unsigned short) { std::abort(); }

struct FieldSpec {
  FieldClassID id;
  unsigned int start, end, start2, end2;  // second segment when end2 > 0
  unsigned char flags, format0, format1, format2;
};

// Shift in the low bits of format byte 1; fill in format byte 2; checks in 3.
const FieldSpec kFields[] = {
    {kLTRField, 82, 89, 0, 0, 0, 0x00, 0x00, 0x00},            // alphanumeric
    {kLTRField, 100, 104, 0, 0, 0, 0x01, 0x00, 0x00},          // alphabetic only
    {kLTRField, 162, 166, 0, 0, 0, 0x03, 0x00, 0x00},          // numeric only
    {kSignedNumericField, 180, 185, 0, 0, 0, 0x07, 0x00, 0x00},
    {kLTRField, 242, 245, 0, 0, 0, 0x00, 0x03, 0x00},          // mandatory fill
    {kLTRField, 260, 264, 0, 0, 0, 0x10, 0x00, 0x00},          // mandatory entry
    {kWordWrapField, 322, 331, 402, 411, 0, 0x00, 0x00, 0x00},
    {kLTRField, 482, 492, 0, 0, 0, 0x03, 0x00, 0x40},          // modulus 10
    {kLTRField, 500, 507, 0, 0, 0, 0x05, 0x00, 0x80},          // digits only, modulus 11
    {kLTRField, 562, 564, 0, 0, Field::kAutoEnter, 0x20, 0x00, 0x00},
    {kLTRField, 570, 573, 0, 0, 0, 0x48, 0x00, 0x00},          // exit required, monocase
    {kLTRField, 650, 654, 0, 0, 0, 0x03, 0x01, 0x00},          // right adjust zero fill
    {kLTRField, 660, 664, 0, 0, 0, 0x80, 0x02, 0x00},          // Dup, right adjust blank
    {kProtectedField, 670, 674, 0, 0, 0, 0x06, 0x00, 0x00},
    {kRTLField, 730, 739, 810, 819, 0, 0x04, 0x00, 0x00},       // right to left, two rows
    {kLTRField, 900, 909, 0, 0, Field::kBypass, 0x00, 0x00, 0x00},
    {kLTRField, 1000, 1039, 1080, 1119, 0, 0x02, 0xC0, 0x21},  // cursor select, highlight
    {kRTLWordWrapField, 1200, 1209, 1280, 1289, 0, 0x04, 0x00, 0x00},
};

struct KeyStation {
  KeyStation()
      : rendering(3696, 24, 80),
        screen(3696),
        display(nullptr, &rendering, &host, &tax, DisplayCharacteristics(), screen.data()) {
    FormatTable& t = display.formatTable();
    for (const FieldSpec& s : kFields) {
      EntryField* e = static_cast<EntryField*>(t.createField(s.id, nullptr, 0));
      if (!e) std::abort();
      t.createEntryFieldSegment(e, s.start, s.end, s.end2 == 0);
      if (s.end2) t.createEntryFieldSegment(e, s.start2, s.end2, 1);
      e->setFlags(s.flags);
      e->setFormatByte(0, s.format0);
      e->setFormatByte(1, s.format1);
      e->setFormatByte(2, s.format2);
    }
    // A scroll bar down the last column, rows 18 to 23, with arrows.
    auto* bar = static_cast<ScrollBarField*>(t.createField(kVerticalScrollBar, nullptr, 0));
    if (!bar) std::abort();
    bar->setColumns(80);
    bar->setScrollBarParameters(17 * 80 + 78, 40, 3, 6);
    bar->setBarCharacters(0x7A, 0x5C);
    bar->setSlider(2, 1);
    // Hot spots on the last row.
    static const unsigned char kHotSpots[] = {
        0xC6, 0xF3, 0x7E, 0xC5, 0xA7, 0x89, 0xA3, 0x40, 0x40,              // F3=Exit
        0xC6, 0xF1, 0xF2, 0x7E, 0xC3, 0x81, 0x95, 0x83, 0x85, 0x93, 0x40, 0x40,  // F12=Cancel
        0xD4, 0x96, 0x99, 0x85, 0x4B, 0x4B, 0x4B, 0x40, 0x40,              // More...
        0xC2, 0x96, 0xA3, 0xA3, 0x96, 0x94, 0x40, 0x40,                    // Bottom
        0xF1, 0xF2, 0x4B, 0x40, 0xE6, 0x96, 0x99, 0x92, 0x40, 0x40,        // 12. Work
        0x88, 0xA3, 0xA3, 0x97, 0x7A, 0x61, 0x61, 0xA7, 0x4B, 0xA8, 0x40,  // http://x.y
        0x4E, 0x61, 0x60};                                                 // +/-
    display.presentationSpace().writeData(kHotSpots, sizeof kHotSpots, 23 * 80);
    if (t.validateFormatTable(nullptr) != 0) std::abort();
    display.cursor().setHomePosition(82);
    display.cursor().initializeCursorToArea(82, 0, CursorOffsetAsShown);
    display.readMgr().setReadPending(1);
  }

  NullRendering rendering;
  HostInterface host;
  TAXlate tax;
  std::vector<unsigned char> screen;
  DisplayBag display;
};

// The categories the translator hands on, and how many codes each has.
struct Category {
  unsigned char category, codes;
};
const Category kCategories[] = {{1, 18}, {2, 6},   {3, 34},  {4, 4},  {5, 25}, {6, 13}, {9, 0},
                                {10, 0}, {11, 0},  {12, 0},  {13, 0}, {14, 0}, {15, 0}, {16, 0},
                                {17, 0}, {18, 0},  {19, 0},  {23, 12}, {26, 14}, {1, 15}, {2, 5}};

void CheckStation(KeyStation& st, unsigned int fieldCount) {
  DisplayBag& d = st.display;
  FormatTable& t = d.formatTable();
  if (d.cursor().getCursorOffset() > d.presentationSpace().lastOffset()) std::abort();
  // System request shows its own one-field table meanwhile.
  if (d.keyboardState().state() == KeyboardState::kSystemRequest) return;
  if (t.fieldCount() != fieldCount) std::abort();
  unsigned int n = 0;
  long previousEnd = -1;
  for (Field* f = t.firstRecord(); f; f = t.nextRecord(f), ++n) {
    if (f->getFieldClassID() == kVerticalScrollBar) {
      auto* bar = static_cast<ScrollBarField*>(f);
      if (bar->sliderOffset() < 1 || bar->sliderOffset() + bar->sliderSize() > 5) std::abort();
      if (bar->position() + bar->barSize() > bar->totalRows()) std::abort();
      continue;
    }
    if (!f->isEntryField()) std::abort();
    EntryField* e = static_cast<EntryField*>(f);
    for (const EntryFieldSegment* s = e->getFirstSegmentPtr();; ++s) {
      if (static_cast<long>(s->start) <= previousEnd || s->end < s->start ||
          s->end > d.presentationSpace().lastOffset())
        std::abort();
      previousEnd = s->end;
      if (s->isLastSegment()) break;
    }
  }
  if (n != fieldCount) std::abort();
  if (d.asd().state() > ASD::kForceFarsiBase) std::abort();
}

void HostAction(KeyStation& st, uint8_t what) {
  DisplayBag& d = st.display;
  KeyboardState& k = d.keyboardState();
  switch (what % 13) {
    case 0:
      k.enterNormalUnlockState();
      d.readMgr().setReadPending(1);
      break;
    case 1: d.options().errorResetPreference = (what >> 3) % 3; break;
    case 2: d.options().insertModePreference = (what >> 3) % 3; break;
    case 3: d.options().fieldMarkAllowed = (what & 0x08) != 0; break;
    case 4: d.options().exitCheck = (what & 0x08) != 0; break;
    case 5: d.readMgr().setReadPending(what & 0x08); break;
    case 6: k.exitErrorState(); break;
    case 8: d.options().hotSpotClickMode = (what >> 4) % 3; break;
    case 9:
      d.options().set(StationOptions::kCopyPaste, (what & 0x10) != 0);
      d.options().set(StationOptions::kLeftDragMarking, (what & 0x20) != 0);
      d.options().browserStart = (what & 0x40) != 0;
      break;
    case 10: {
      // The host programs a mouse button (maybe as two events).
      const unsigned int button = 1 + (what >> 4) % 18;
      PMBTableEntry e;
      e.flags = static_cast<unsigned char>((what & 0x80) ? 0xF0 : 0x40);
      e.secondButton = static_cast<unsigned char>(1 + (what >> 3) % 18);
      e.aid = (what & 0x08) ? 0xF1 : 0x33;
      d.mouseButtons().addTableEntry(d.services(), button, e);
      break;
    }
    case 11: d.mouseButtons().clearTable(); break;
    case 12:
      // Shaping: none, Arabic or Farsi, typed in the right-to-left field.
      d.asd().setASDLanguage((what >> 4) % 3);
      d.cursor().moveCursorToNewArea(739, CursorOffsetAsShown);
      break;
    default:
      d.cursor().moveCursorToNewArea(static_cast<int>((what * 29u) % (d.presentationSpace().lastOffset() + 1)),
                                     CursorOffsetAsShown);
      break;
  }
  d.postDatastreamProcessing();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  SetErrorHaltHook(AbortOnHalt);
  KeyStation st;
  const unsigned int fieldCount = st.display.formatTable().fieldCount();
  size_t at = 0;
  auto next = [&]() -> uint8_t { return at < size ? data[at++] : 0; };
  for (int steps = 0; steps < 3000 && at < size; ++steps) {
    const uint8_t op = next();
    if (op >= 0xF0) {
      HostAction(st, next());
    } else if (op >= 0xC0) {
      // A mouse event: a button code (or movement) at a screen position.
      FunctionWord w{27, static_cast<unsigned char>(next() % 19)};
      const unsigned int position = (static_cast<unsigned int>(next()) << 8 | next()) %
                                    (st.display.presentationSpace().lastOffset() + 1);
      st.display.inObjGen().processMouseEvent(&st.display, &w, position);
      if (st.display.keyboardState().state() == KeyboardState::kNormalLocked && (op & 0x08)) {
        st.display.keyboardState().enterNormalUnlockState();
        st.display.readMgr().setReadPending(1);
        st.display.postDatastreamProcessing();
      }
    } else {
      const Category& c = kCategories[op % (sizeof kCategories / sizeof kCategories[0])];
      const uint8_t raw = next();
      FunctionWord w;
      w.category = c.category;
      w.code = c.codes ? static_cast<unsigned char>(raw % c.codes) : raw;
      st.display.inObjGen().processKeystrokeEvent(&st.display, &w);
      // The host answers a posted AID and unlocks the keyboard.
      if (st.display.keyboardState().state() == KeyboardState::kNormalLocked && (op & 0x40)) {
        st.display.keyboardState().enterNormalUnlockState();
        st.display.readMgr().setReadPending(1);
        st.display.postDatastreamProcessing();
      }
    }
    st.display.outputChanges();
    CheckStation(st, fieldCount);
  }
  return 0;
}
