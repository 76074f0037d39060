#pragma once
// A whole display station over a recording device, with helpers that build
// fields the way the data stream does, and a snapshot of everything the
// station holds for before/after comparisons.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "datastream/HostInterface.h"
#include "datastream/qrnOStream.h"
#include "display/DisplayBag.h"
#include "display/EntryField.h"
#include "display/ScrollBarField.h"
#include "display/SelectionField.h"
#include "keyboard/TAXlate.h"
#include "base/ErrorHalt.h"
#include "tests/display/RecordingRendering.h"
#include "tests/display/StreamHelpers.h"

// ErrorHalt throws this in tests, so that a halt is a test failure or an
// expected outcome rather than the end of the process.
struct Halted {
  unsigned short module, error;
};

inline void ThrowingHalt(unsigned short module, unsigned short error) { throw Halted{module, error}; }

using Segments = std::vector<std::pair<unsigned int, unsigned int>>;

class Station {
 public:
  explicit Station(DisplayCharacteristics c = DisplayCharacteristics())
      : rendering(c.bufferSize(), c.rows(), c.columns()),
        psBuffer(c.bufferSize()),
        display(nullptr, &rendering, &host, &tax, c, psBuffer.data()) {
    SetErrorHaltHook(ThrowingHalt);
  }
  ~Station() { SetErrorHaltHook(nullptr); }

  FormatTable& table() { return display.formatTable(); }
  KeyboardState& keyboard() { return display.keyboardState(); }

  EntryField* entry(FieldClassID id, const Segments& segments, unsigned char flags = 0) {
    Field* f = table().createField(id, nullptr, 0);
    if (!f) return nullptr;
    EntryField* e = static_cast<EntryField*>(f);
    for (size_t i = 0; i < segments.size(); ++i)
      if (!table().createEntryFieldSegment(e, segments[i].first, segments[i].second,
                                           i + 1 == segments.size()))
        return nullptr;
    e->setFlags(flags);
    return e;
  }
  SelectionField* selection(const Segments& choices) {
    Field* f = table().createField(kSelectionField, nullptr,
                                   static_cast<unsigned char>(choices.size()));
    if (!f) return nullptr;
    SelectionField* s = static_cast<SelectionField*>(f);
    for (const auto& c : choices)
      if (!table().createSelectionFieldChoice(s, c.first, c.second, 0)) return nullptr;
    return s;
  }
  ScrollBarField* scrollBar(FieldClassID id, unsigned int start, unsigned int size) {
    Field* f = table().createField(id, nullptr, 0);
    if (!f) return nullptr;
    ScrollBarField* s = static_cast<ScrollBarField*>(f);
    s->setScrollBarParameters(start, 100, 0, size);
    return s;
  }

  std::vector<unsigned char> save(unsigned int partial = 0) {
    return SaveStream([&](qrnOStream* o) { display.saveDisplay(o, partial); }, 40000);
  }
  unsigned int restore(const std::vector<unsigned char>& stream) {
    qrnIStream in(stream.data(), stream.size());
    if (in.checkFCS()) return 1;
    return display.restoreDisplay(&in);
  }

  // Everything the station holds, as bytes: its save image (taken on a copy
  // of the flags so that saving leaves nothing behind) and the members a
  // save image does not carry.
  std::string snapshot() {
    std::string s;
    auto put = [&](unsigned long v) { s += std::to_string(v) + ","; };
    put(display.modeFlagsA());
    put(display.modeFlagsB());
    put(display.pendingAid());
    put(display.cursor().getCursorOffset());
    put(reinterpret_cast<unsigned long>(display.cursor().getArea()));
    KeyboardState& k = keyboard();
    put(k.state());
    put(k.savedState());
    put(k.errorRow());
    put(k.errorColumn());
    put(k.errorLineSwapped());
    for (int i = 0; i < 6; ++i) put(k.errorLine()[i]);
    put(table().fieldCount());
    put(table().unitsInUse());
    put(table().flags());
    put(display.controlData().controlWord());
    put(display.indicators().current().get());
    PresentationSpaceScreenBuffer& ps = display.presentationSpace();
    put(ps.rows());
    put(ps.columns());
    s.append(reinterpret_cast<const char*>(psBuffer.data()), psBuffer.size());
    for (unsigned int p = 0; p <= ps.lastOffset(); ++p) {
      put(display.primaryPlane().getCharacter(p));
      put(display.colourPlane().getCharacter(p));
    }
    put(rendering.calls.size());
    const unsigned int a = display.modeFlagsA(), b = display.modeFlagsB();
    const std::vector<unsigned char> image = save();
    display.modeFlagsA() = a;
    display.modeFlagsB() = b;
    s.append(reinterpret_cast<const char*>(image.data()), image.size());
    return s;
  }

  RecordingRendering rendering;
  HostInterface host;
  TAXlate tax;
  std::vector<unsigned char> psBuffer;
  DisplayBag display;
};
