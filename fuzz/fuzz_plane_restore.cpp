// Random bytes as the plane part of a restore stream. The input is closed
// with a good frame check so the planes' own checks are what is tested: a
// refused restore must leave the planes exactly as they were, an accepted
// one must output and save again without trouble.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "datastream/qrnIStream.h"
#include "datastream/qrnOStream.h"
#include "tests/display/FakeStation.h"
#include "tests/support/SaveStreamImage.h"

namespace {
std::vector<unsigned char> Wrap(const uint8_t* data, size_t size) {
  return SaveStream([&](qrnOStream* out) { out->hostPutData(data, size); }, size + 16);
}

std::vector<unsigned char> Image(FakeStation& st) {
  std::vector<unsigned char> buf(20000);
  qrnOStream out;
  out.setup(buf.data(), buf.size());
  st.ps.savePresentationSpace(&out, 0);
  st.primary.saveAllECBPlanes(&out);
  buf.resize(out.lengthOfData());
  return buf;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 16000) return 0;
  FakeStation st;
  st.characteristics.word[1] |= (size & 1) ? 0x20000000u : 0;  // keep coded data or not
  st.ps.writeCharacter(7, 0xC1);
  st.primary.writeCharacter(7, 0x84);
  const std::vector<unsigned char> before = Image(st);
  const std::vector<unsigned char> stream = Wrap(data, size);
  qrnIStream in(stream.data(), stream.size());
  if (in.checkFCS()) return 0;
  const unsigned int rc = st.ps.restorePresentationSpace(&in);
  const unsigned int rc2 = rc ? rc : st.primary.restoreAllECBPlanes(&in);
  if (rc != 0 && Image(st) != before) std::abort();
  if (rc == 0 && rc2 == 0) {
    st.output();
    Image(st);
  }
  st.output();
  if (st.rendering.outstandingBuffers() != 0) std::abort();
  return 0;
}
