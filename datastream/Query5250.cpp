#include "datastream/Query5250.h"

#include <initializer_list>

#include "datastream/DataStreamManager.h"
#include "datastream/DsmLinks.h"
#include "datastream/DsmSense.h"
#include "datastream/StructuredField.h"
#include "display/DisplayBag.h"

namespace {
namespace sf = structured_field;

constexpr unsigned char kQueryAid = 0x88;
constexpr uint32_t kCursorShown = 0x04000000u;  // display control word, bit 26

bool Bit(uint32_t word, unsigned int n) { return (word >> n) & 1u; }

// Byte k of the characteristics record, its words big-endian.
unsigned char RecordByte(const uint32_t* w, unsigned int k) {
  return static_cast<unsigned char>(w[k / 4] >> (8 * (3 - k % 4)));
}

// Sends `n` bytes of `reply` through the outbound buffer; false when the
// buffer is in use.
bool Send(Databyte* db, const unsigned char* reply, uint32_t n) {
  HostBuf& hb = db->manager->hostBuf();
  qrnOStream* out = hb.getHostBuf(1000);
  if (!out) return false;
  out->hostPutData(reply, n);
  if (out->checkSave()) {
    hb.abortHostPut();
    return false;
  }
  hb.endOfHostPut();
  return true;
}
}  // namespace

void BuildQueryReply(const uint32_t* w, bool textKeyboard, unsigned char* r) {
  const uint32_t w1 = w[0], w2 = w[1];
  unsigned int i = 0;
  auto put = [&](std::initializer_list<unsigned int> bytes) {
    for (unsigned int b : bytes) r[i++] = static_cast<unsigned char>(b);
  };
  put({0x00, 0x00, kQueryAid, 0x00, QRY5250::kReplyBytes - 3, 0xD9, 0x70, 0x80, 0x00, 0x04,
       0x03, 0x07, 0x00});
  for (int k = 0; k < 16; ++k) put({0x00});
  put({0x01});
  for (unsigned int k = 6; k <= 14; ++k) put({RecordByte(w, k)});
  put({0x00});
  for (unsigned int k = 15; k <= 18; ++k) put({RecordByte(w, k)});
  put({0x01, 0x00, 0xF0, 0x00, 0x00, 0x7F});
  unsigned int a = Bit(w2, 28) ? 0x50 : 0x10;
  if (Bit(w2, 27)) a |= 0x90;
  if (Bit(w2, 24)) a |= 0x20;
  if (Bit(w1, 16)) a |= 0x08;
  if (Bit(w1, 15)) a |= 0x04;
  if (Bit(w1, 28)) a |= 0x01;
  unsigned int b = Bit(w2, 25) ? 0x80 : 0x00;
  if (Bit(w1, 9)) b |= 0x44;
  if (textKeyboard) b |= 0x10;
  b |= (w1 >> 19) & 0x03;
  unsigned int c = Bit(w1, 8) ? 0x4A : (0x0A | (Bit(w1, 23) ? 0x20 : 0x00));
  unsigned int d = Bit(w1, 22) ? 0x07 : 0x03;
  if (Bit(w2, 26)) d |= 0x23;
  if (Bit(w1, 14)) d |= 0x08;
  put({a, b, c, d, 0xB8, Bit(w2, 22) ? 1u : 0u, Bit(w1, 0) ? 0xFEu : 0u, Bit(w1, 0) ? 0x07u : 0u,
       0x00, 0x00, 0x00, Bit(w1, 1), Bit(w1, 1), 0x00, Bit(w1, 0), Bit(w1, 0), Bit(w1, 0),
       0x00, 0x00, 0x00, 0x00});
}

int QRY5250::processInput(Databyte* db) {
  if (db->remaining < 5) return rejectRecord(db, dsm_sense::kPrematureEnd);
  const uint32_t length = sf::lengthAt(db);
  if (length != 5) return rejectRecord(db, dsm_sense::kBadStructuredData);
  if (db->remaining != 5) return rejectRecord(db, dsm_sense::kPrematureEnd);
  DisplayBag* d = db->display;
  if (dsm_links::isImmediateReadOK(d)) return rejectRecord(db, dsm_sense::kContention);
  DisplayCharacteristics& c = d->characteristicsForQuery();
  unsigned char reply[kReplyBytes];
  BuildQueryReply(c.word, dsm_links::wordProcessingOptions(d) != 0, reply);
  if (!Send(db, reply, kReplyBytes)) return rejectRecord(db, dsm_sense::kPrematureEnd);
  if (c.word[0] & 1u) {
    // Later queries report these in bytes 40-43.
    const unsigned char later[4] = {0xF3, 0xF4, 0xF8, 0xF9};
    for (unsigned int k = 0; k < 4; ++k) c.setRecordByte(15 + k, later[k]);
  }
  db->setSenseCode(dsm_sense::kAnswered);
  sf::toLastByte(db, length);
  return kFsmFinished;
}

int QRY5250::endOfData(Databyte* db) { return rejectRecord(db, dsm_sense::kPrematureEnd); }

int QSS5250::processInput(Databyte* db) {
  if (db->remaining < 6) return rejectRecord(db, dsm_sense::kBadStructuredData);
  const uint32_t length = sf::lengthAt(db);
  if (length != 6) return rejectRecord(db, dsm_sense::kBadLength);
  if (db->peek(4) != 0x00) return rejectRecord(db, dsm_sense::kBadStructuredData);
  if (db->remaining != 6) return rejectRecord(db, dsm_sense::kPrematureEnd);
  DisplayBag* d = db->display;
  if (dsm_links::isImmediateReadOK(d)) return rejectRecord(db, dsm_sense::kContention);
  const bool cursor = (db->peek(5) & 0x01) != 0;
  unsigned char s = 0x04;
  if (dsm_links::typeAheadHeld(d)) s |= 0x02;
  if (dsm_links::hostControl(d)) s |= 0x01;
  const unsigned char c = (d->controlData().controlWord() & kCursorShown) ? 0 : 1;
  unsigned char reply[15] = {0x00, 0x00, kQueryAid, 0x00, 0x00, 0xD9, 0x72, 0x80, 0x00,
                             0x03, 0x01, s, 0x03, 0x02, c};
  const uint32_t n = cursor ? 15 : 12;
  reply[4] = static_cast<unsigned char>(n - 3);
  if (!Send(db, reply, n)) return rejectRecord(db, dsm_sense::kPrematureEnd);
  db->setSenseCode(dsm_sense::kAnswered);
  sf::toLastByte(db, length);
  return kFsmFinished;
}

int QSS5250::endOfData(Databyte* db) { return rejectRecord(db, dsm_sense::kPrematureEnd); }
