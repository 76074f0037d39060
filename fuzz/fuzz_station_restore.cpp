// Restore streams for a whole display station: the input is the member
// bytes of a save image (wrapped with a good header and frame check so that
// the members themselves are exercised). A restore either takes the whole
// image or leaves every member of the station as it was.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "datastream/HostInterface.h"
#include "datastream/qrnIStream.h"
#include "datastream/qrnOStream.h"
#include "display/DisplayBag.h"
#include "display/EntryField.h"
#include "display/NullRendering.h"
#include "display/SelectionField.h"
#include "keyboard/TAXlate.h"
#include "tests/support/SaveStreamImage.h"

namespace {

std::vector<unsigned char> Wrap(const unsigned char* data, size_t size) {
  return SaveStream([&](qrnOStream* out) { out->hostPutData(data, size); }, size + 16);
}

struct Station {
  Station()
      : rendering(3696, 24, 80),
        screen(3696),
        display(nullptr, &rendering, &host, &tax, DisplayCharacteristics(), screen.data()) {
    FormatTable& t = display.formatTable();
    EntryField* e = static_cast<EntryField*>(t.createField(kLTRField, nullptr, 0));
    t.createEntryFieldSegment(e, 10, 19, 0);
    t.createEntryFieldSegment(e, 90, 99, 1);
    SelectionField* s = static_cast<SelectionField*>(t.createField(kSelectionField, nullptr, 2));
    t.createSelectionFieldChoice(s, 400, 405, 0);
    t.createSelectionFieldChoice(s, 410, 415, 1);
    display.presentationSpace().writeCharacter(700, 0xC1);
    display.cursor().initializeCursorToArea(12, 0, CursorOffsetAsShown);
    display.keyboardState().enterErrorState(7, 0, 1, 0, 0);
  }

  std::string snapshot() {
    std::string s;
    auto put = [&](unsigned long v) { s += std::to_string(v) + ","; };
    put(display.modeFlagsA());
    put(display.modeFlagsB());
    put(display.cursor().getCursorOffset());
    put(reinterpret_cast<unsigned long>(display.cursor().getArea()));
    put(display.keyboardState().state());
    put(display.keyboardState().errorLineSwapped());
    put(display.formatTable().fieldCount());
    put(display.controlData().controlWord());
    s.append(reinterpret_cast<const char*>(screen.data()), screen.size());
    std::vector<unsigned char> buf(40000);
    qrnOStream out;
    out.setup(buf.data(), buf.size());
    const unsigned int a = display.modeFlagsA(), b = display.modeFlagsB();
    display.saveDisplay(&out, 0);
    display.modeFlagsA() = a;
    display.modeFlagsB() = b;
    s.append(reinterpret_cast<const char*>(buf.data()), out.lengthOfData());
    return s;
  }

  NullRendering rendering;
  HostInterface host;
  TAXlate tax;
  std::vector<unsigned char> screen;
  DisplayBag display;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Station st;
  st.snapshot();
  const std::string before = st.snapshot();
  const std::vector<unsigned char> stream = Wrap(data, size);
  qrnIStream in(stream.data(), stream.size());
  if (in.checkFCS()) std::abort();  // the wrapper always closes the stream well
  if (st.display.restoreDisplay(&in) != 0) {
    if (st.snapshot() != before) std::abort();  // a refused restore changed the station
    return 0;
  }
  // A taken image saves again without trouble.
  st.snapshot();
  return 0;
}
