// Card bytes as the credential code sees them: the card header, the signed
// record (checked against the built-in root), its attributes without the
// signature check, and the key container. The first byte picks the decoder.
#include <cstddef>
#include <cstdint>

#include "login/record/CardRecord.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t* p = data + 1;
  const size_t n = size - 1;
  static CardVerifier* verifier = CardVerifierCreate();
  switch (data[0] % 4) {
    case 0: {
      int32_t pos = 0;
      uint16_t len = 0;
      CardParseHeader(verifier, p, n, &pos, &len);
      break;
    }
    case 1:
      CardRecordFree(CardRecordDecode(verifier, p, n));
      break;
    case 2: {
      CardRecord* r = new CardRecord();
      if (CardRecordParseAttributes(p, n, r)) {
        for (int id = 100; id <= 109; ++id) CardRecordGetValue(r, id);
        uint8_t out[4096];
        CardRecordEncode(out, sizeof out, r);
      }
      CardRecordFree(r);
      break;
    }
    default: {
      uint8_t a[64], b[64], c[64];
      size_t al = sizeof a, bl = sizeof b, cl = sizeof c;
      CardParseKeyContainer(p, n, a, &al, b, &bl, c, &cl);
      CardVerifier* v = CardVerifierCreate();
      CardVerifierLoadKeys(v, p, n);
      CardVerifierDestroy(v);
      break;
    }
  }
  return 0;
}
