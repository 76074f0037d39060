#include "wm/services/CardService.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "login/card/SmartCard.h"
#include "login/record/CardRecord.h"
#include "platform/sdk/SdkUtil.h"
#include "wm/services/ServiceState.h"

namespace {

constexpr size_t kSignedCapacity = 1760;

void PutInt32(std::vector<unsigned char>* out, long value) {
  unsigned char b[4];
  WriteBigLong(b, static_cast<uint32_t>(value));
  out->insert(out->end(), b, b + 4);
}

// A card call counts only when it was carried out and the card said 90 00.
bool Done(int code, int32_t result) { return code == kSmartCardDone && result == 0; }

void Wipe(void* p, size_t n) {
  volatile unsigned char* b = static_cast<volatile unsigned char*>(p);
  for (size_t i = 0; i < n; ++i) b[i] = 0;
}

// A key bundle is loaded when a header can be built with it.
bool KeyLoaded(ServiceState* s) {
  if (!s->cardVerifier) return false;
  uint8_t header[kCardHeaderBytes];
  return CardBuildHeader(s->cardVerifier, 0, 1, header, sizeof header) != 0;
}

int CheckCard(ServiceState* s, CardServiceState* c, const unsigned char* pin, size_t pinLength) {
  c->recordVerified = 0;
  c->blank = 0;
  if (!s->card || !KeyLoaded(s)) {
    StoreCardData(c, nullptr, 0);
    return 0;
  }
  int flags = 0x02;
  if (!pinLength) return flags | 0x01;
  uint8_t sw1 = 0, sw2 = 0;
  int32_t result = -1;
  // The access layer cuts a PIN to the card's 8 bytes.
  const int length = static_cast<int>(std::min(pinLength, size_t{64}));
  if (!Done(SmartCardVerifyPIN(s->card, pin, length, 1, &sw1, &sw2, &result), result)) return flags;
  uint8_t id[kCardIdBytes];
  SmartCardReadId(s->card, id, &sw1, &sw2, &result);
  uint8_t first[4] = {};
  if (!Done(SmartCardReadData(s->card, first, 0, sizeof first, &sw1, &sw2, &result), result)) return flags;
  flags |= 0x04;
  static const uint8_t kErased[4] = {0xFF, 0xFF, 0xFF, 0xFF}, kFresh[4] = {0x01, 0, 0, 0};
  uint8_t header[kCardHeaderBytes];
  int32_t position = 0;
  uint16_t dataLength = 0;
  if (!std::memcmp(first, kErased, 4) || !std::memcmp(first, kFresh, 4) ||
      !Done(SmartCardReadHeader(s->card, header, 0, sizeof header, &sw1, &sw2, &result), result) ||
      !CardParseHeader(s->cardVerifier, header, sizeof header, &position, &dataLength) || dataLength == 0) {
    c->blank = 1;
    return flags | 0x01 | 0x10;
  }
  std::vector<uint8_t> record(dataLength);
  if (Done(SmartCardReadData(s->card, record.data(), position, record.size(), &sw1, &sw2, &result), result)) {
    StoreCardData(c, record.data(), record.size());
    if (CardRecord* decoded = CardRecordDecode(s->cardVerifier, record.data(), record.size())) {
      if (CardRecordGetInfo(decoded, 0)) {
        c->recordVerified = 1;
        flags |= 0x08;
      }
      CardRecordFree(decoded);
    }
  }
  Wipe(record.data(), record.size());
  return flags | 0x01;
}

bool WriteRecord(ServiceState* s, const unsigned char* data, size_t length) {
  uint8_t out[kSignedCapacity];
  size_t signedLength = CardSignMessage(s->cardVerifier, data, length, out, sizeof out - 4);
  if (!signedLength) return false;
  std::memset(out + signedLength, 0xFF, 4);
  uint8_t sw1 = 0, sw2 = 0;
  int32_t result = -1;
  if (!Done(SmartCardWriteData(s->card, out, 0, signedLength + 4, &sw1, &sw2, &result), result)) return false;
  uint8_t header[kCardHeaderBytes];
  std::memset(header, 0xFF, sizeof header);
  if (CardBuildHeader(s->cardVerifier, 0, signedLength, header, sizeof header))
    SmartCardWriteHeader(s->card, header, 0, sizeof header, &sw1, &sw2, &result);
  return true;
}

// 'U' and 'V': two lengths, then the two secrets, all within the message.
bool TwoSecrets(const unsigned char* m, size_t n, const unsigned char** a, int* aLength, const unsigned char** b,
                int* bLength) {
  if (n <= 8) return false;
  const int32_t first = static_cast<int32_t>(ReadBigLong(m + 1));
  const int32_t second = static_cast<int32_t>(ReadBigLong(m + 5));
  if (first < 0 || second < 0 || static_cast<uint64_t>(first) + static_cast<uint64_t>(second) + 9 > n) return false;
  *a = m + 9;
  *aLength = first;
  *b = m + 9 + first;
  *bLength = second;
  return true;
}

}  // namespace

void StoreCardData(CardServiceState* c, const unsigned char* data, size_t length) {
  if (!c->data.empty()) Wipe(c->data.data(), c->data.size());
  if (data && length)
    c->data.assign(data, data + length);
  else
    c->data.clear();
}

bool ServeCardRequest(ServiceState* s, CardServiceState* c, const unsigned char* m, size_t n,
                      std::vector<unsigned char>* reply) {
  const unsigned char op = m[0];
  uint8_t sw1 = 0, sw2 = 0;
  int32_t result = -1;
  switch (op) {
    case 'Q':
      reply->push_back('Q');
      PutInt32(reply, CheckCard(s, c, m + 1, n - 1));
      return true;
    case 'S': {
      uint8_t id[kCardIdBytes];
      reply->push_back('S');
      if (s->card && Done(SmartCardReadId(s->card, id, &sw1, &sw2, &result), result)) {
        PutInt32(reply, 1);
        reply->insert(reply->end(), id, id + sizeof id);
      } else {
        PutInt32(reply, 0);
      }
      return true;
    }
    case 'L':
      reply->push_back('L');
      if (!c->data.empty() && s->cardLogin) {
        PutInt32(reply, 1);
        reply->insert(reply->end(), c->data.begin(), c->data.end());
      } else {
        PutInt32(reply, 0);
      }
      return true;
    case 'B': {
      const bool ok = s->card && KeyLoaded(s) && s->cardLogin && !c->recordVerified && WriteRecord(s, m + 1, n - 1);
      *reply = {'B', static_cast<unsigned char>(ok ? 1 : 0)};
      return true;
    }
    case 'E':
      reply->push_back('E');
      PutInt32(reply, s->card && s->cardLogin && !c->recordVerified &&
                          Done(SmartCardErase(s->card, &sw1, &sw2, &result), result));
      return true;
    case 'U':
    case 'V': {
      const unsigned char *a = nullptr, *b = nullptr;
      int aLength = 0, bLength = 0;
      bool ok = TwoSecrets(m, n, &a, &aLength, &b, &bLength) && s->card && (op == 'V' || s->cardLogin);
      if (ok)
        ok = Done(op == 'V' ? SmartCardChangePIN(s->card, a, aLength, b, bLength, &sw1, &sw2, &result)
                            : SmartCardUnblockPIN(s->card, a, aLength, b, bLength, &sw1, &sw2, &result),
                  result);
      reply->push_back(op);
      PutInt32(reply, ok ? 1 : 0);
      return true;
    }
    default:
      return false;
  }
}
