// Random bytes into the save/restore stream reader, every read operation
// driven by the input; and the compressed-block writer checked against the
// reader on the same bytes.
//
// Input: one byte L, then L script bytes, then the stream. Each script byte
// picks an operation (low 4 bits) and its size or bit count (high 4 bits,
// scaled).

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "datastream/calcFCS.h"
#include "datastream/qrnIStream.h"
#include "datastream/qrnOStream.h"
#include "tests/support/SaveStreamImage.h"

namespace {

enum class Small : std::int8_t { A = -3, B = 7 };

void readScript(const std::uint8_t* script, std::size_t scriptLen, const std::uint8_t* stream,
                std::size_t streamLen) {
  qrnIStream in(stream, streamLen);
  (void)in.checkFCS();
  std::vector<unsigned char> dest;
  for (std::size_t i = 0; i < scriptLen; ++i) {
    const unsigned op = script[i] & 0x0F;
    const unsigned arg = script[i] >> 4;
    switch (op) {
      case 0: {
        dest.assign(arg * 37, 0xA5);
        in.hostGetData(dest.data(), dest.size());
        break;
      }
      case 1: {
        unsigned char v = 0;
        in.restore(v, arg);
        break;
      }
      case 2: {
        bool v = false;
        in.restore(v, arg);
        break;
      }
      case 3: {
        signed char v = 0;
        in.restore(v, arg);
        break;
      }
      case 4: {
        unsigned short v = 0;
        in.hostGet16(v);
        short s = 0;
        in.hostGet16(s);
        break;
      }
      case 5: {
        unsigned int v = 0;
        in.hostGet24(v);
        std::int8_t s = 0;
        in.hostGet24(s);
        break;
      }
      case 6: {
        int v = 0;
        in.hostGet32(v);
        unsigned char u = 0;
        in.hostGet32(u);
        Small e = Small::A;
        in.hostGet32(e);
        break;
      }
      case 7:
        in.startBitExpansion();
        break;
      case 8:
        in.endBitExpansion();
        break;
      case 9: {
        // Sizes around the common ones and the block's own N.
        dest.assign(arg * arg * 17, 0x5A);
        in.hostGetDataCompressed(dest.data(), dest.size());
        break;
      }
      case 10: {
        std::size_t m = 0;
        const unsigned char* p = in.hostGetDataCompressedPtrAndLength(m);
        if (p) {
          // Touch every byte handed out: it must lie inside the stream.
          unsigned sum = 0;
          for (std::size_t k = 0; k < m; ++k) sum += p[k];
          if (p < stream || p + m > stream + streamLen) __builtin_trap();
          (void)sum;
        }
        break;
      }
      case 11:
        (void)in.checkFCS();
        break;
      case 12:
        in.resetRestoreChar();
        break;
      case 13: {
        // A block whose expected size is taken from its own header.
        if (in.bytesLeft() >= 5) {
          const unsigned char* p = stream + (streamLen - in.bytesLeft());
          dest.assign(static_cast<std::size_t>(p[1]) << 8 | p[2], 0);
          in.hostGetDataCompressed(dest.data(), dest.size());
        }
        break;
      }
      default: {
        unsigned long long v = 0;
        in.hostGet32(v);
        break;
      }
    }
  }
  (void)in.checkRestore();
}

// The writer's block must read back as the same bytes, in a buffer of a size
// that the input chooses.
void roundTrip(const std::uint8_t* data, std::size_t n, unsigned sizeHint) {
  std::vector<unsigned char> buf(sizeHint * 64 + 16);
  qrnOStream out;
  BeginSaveStream(&out, buf.data(), buf.size());
  out.hostPutDataCompressed(data, n);
  EndSaveStream(&out);
  if (out.checkSave()) return;  // did not fit: nothing to compare
  qrnIStream in(buf.data(), out.lengthOfData());
  if (in.checkFCS()) __builtin_trap();
  std::vector<unsigned char> back(n + 1, 0xEE);
  in.hostGetDataCompressed(back.data(), n);
  if (in.checkRestore() || (n && std::memcmp(back.data(), data, n) != 0) || back[n] != 0xEE) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  std::size_t scriptLen = data[0];
  if (scriptLen > size - 1) scriptLen = size - 1;
  const std::uint8_t* script = data + 1;
  const std::uint8_t* stream = script + scriptLen;
  const std::size_t streamLen = size - 1 - scriptLen;
  // The stream in a buffer of its own size, so that ASan sees any read
  // beyond it.
  std::vector<std::uint8_t> exact(stream, stream + streamLen);
  readScript(script, scriptLen, exact.data(), exact.size());
  roundTrip(exact.data(), exact.size(), scriptLen);
  return 0;
}
