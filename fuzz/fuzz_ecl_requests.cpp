// The request stream of a programming-interface client, as any program on
// the machine may send it. The stream is fed to the decoder in pieces whose
// size the input chooses; every request it yields must carry exactly the
// data its header declared (never beyond the cap), the same bytes fed whole
// must give the same requests, and each request is served by the function
// classes with no session in the table (every handle is then unknown).
//
// Input: byte 0 is the piece size; the rest is the stream.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "api/EclFunctions.h"
#include "api/EclWire.h"
#include "base/LogMsg.h"

namespace {

std::vector<ecl::Request> Decode(const std::uint8_t* data, std::size_t size, std::size_t piece, bool* broken) {
  ecl::RequestDecoder decoder;
  std::vector<ecl::Request> out;
  *broken = false;
  std::size_t at = 0;
  while (at < size || at == 0) {
    const std::size_t n = std::min(piece, size - at);
    decoder.feed(data + at, n);
    at += n;
    for (;;) {
      ecl::Request r;
      // The server stops reading exactly while a whole request waits.
      const bool holds = decoder.holdsRequest();
      const auto status = decoder.next(&r);
      if (holds != (status != ecl::RequestDecoder::Outcome::NeedMore)) __builtin_trap();
      if (status == ecl::RequestDecoder::Outcome::Broken) {
        *broken = true;
        return out;
      }
      if (status == ecl::RequestDecoder::Outcome::NeedMore) break;
      if (r.data.size() > ecl::kMaxRequestData) __builtin_trap();
      out.push_back(std::move(r));
    }
    if (n == 0) break;
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const std::size_t piece = data[0] == 0 ? 1 : data[0];
  bool brokenPieces = false, brokenWhole = false;
  const std::vector<ecl::Request> pieces = Decode(data + 1, size - 1, piece, &brokenPieces);
  const std::vector<ecl::Request> whole = Decode(data + 1, size - 1, size, &brokenWhole);
  if (brokenPieces != brokenWhole || pieces.size() != whole.size()) __builtin_trap();
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    if (pieces[i].classId != whole[i].classId || pieces[i].functionId != whole[i].functionId ||
        pieces[i].data != whole[i].data)
      __builtin_trap();
    // Without sessions no class may start one or touch a window.
    if (pieces[i].classId == ecl::kClassConnectionManager || pieces[i].classId == ecl::kClassConnection) continue;
    std::vector<unsigned char> reply;
    EclCall call;
    call.functionId = pieces[i].functionId;
    call.data = &pieces[i].data;
    call.reply = &reply;
    const int32_t rc = DispatchEclRequest(pieces[i].classId, call);
    if (rc < ecl::kSuccess || rc > ecl::kSetStringError) __builtin_trap();
  }
  return 0;
}
