// What other local programs can send a session: the loopback frames of a
// helper program and the data words of a ClientMessage. The frames are fed
// in pieces whose sizes the input chooses; every delivered message must lie
// within the bound and be NUL-terminated, and the same bytes fed whole must
// give the same messages.
//
// Input: byte 0 selects the helper kind and the format of a ClientMessage
// made of the next 20 bytes; byte 1 is the piece size; the rest is the
// stream of frames.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/HelperFrames.h"
#include "tools/HelperRequests.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 22) return 0;
  long words[5];
  for (int i = 0; i < 5; ++i) {
    const std::uint8_t* w = data + 2 + 4 * i;
    words[i] = static_cast<long>(static_cast<std::int32_t>((std::uint32_t{w[0]} << 24) | (std::uint32_t{w[1]} << 16) |
                                                           (std::uint32_t{w[2]} << 8) | w[3]));
  }
  HelperRequest request;
  const auto program = static_cast<HelperProgram>(data[0] % 5);
  const int format = (data[0] & 0x80) ? 8 : 32;
  const HelperRequestError e = DecodeHelperRequest(program, format, words, &request);
  if (e == HelperRequestError::Accepted && program != HelperProgram::ColorMapper) {
    if (request.preferenceId > kLastPreferenceId && request.code == helper_code::kPreferencesApply) __builtin_trap();
    if (request.code == helper_code::kConnect && program != HelperProgram::Preferences &&
        (request.port == 0 || request.window == 0))
      __builtin_trap();
  }

  const std::size_t piece = data[1] ? data[1] : 1;
  const std::uint8_t* stream = data + 22;
  const std::size_t length = size - 22;
  std::vector<std::string> inPieces, whole;
  HelperFrameReader a, b;
  bool okA = true;
  for (std::size_t at = 0; at < length && okA; at += piece) {
    const std::size_t n = length - at < piece ? length - at : piece;
    okA = a.feed(stream + at, n, [&](const std::string& t) {
      if (t.size() > HelperFrameReader::kMaxLength || t.c_str()[t.size()] != '\0') __builtin_trap();
      inPieces.push_back(t);
      return true;
    });
  }
  const bool okB = b.feed(stream, length, [&](const std::string& t) {
    whole.push_back(t);
    return true;
  });
  if (okA != okB || inPieces != whole) __builtin_trap();
  return 0;
}
