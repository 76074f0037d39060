#include "datastream/CUST5250.h"

#include "datastream/DsmSense.h"
#include "datastream/ReadMgr.h"
#include "datastream/StructuredField.h"
#include "display/DisplayBag.h"
#include "display/Rendering.h"
#include "keyboard/TAXlate.h"

namespace {
namespace sf = structured_field;

constexpr unsigned int kFlagB21 = 0x00200000u;
constexpr unsigned int kFlagB19 = 0x00080000u;
constexpr unsigned char kControlFlag = 0x01;
constexpr unsigned char kKeyboardSubfield = 1;
constexpr unsigned char kCursorSubfield = 2;
constexpr unsigned int kCursorShown = 0x04000000u;  // display control word, bit 26
constexpr unsigned int kDoubleByte = 0x00800000u;   // characteristics word 0, bit 23
constexpr unsigned char kDoubleByteReads = 0x04, kReadMode11 = 0x02;

void Keyboard(DisplayBag& d, unsigned char value, bool control) {
  TAXlate* t = d.taxlate();
  if (!t) return;
  if (value & 0x04) {
    const bool on = (value & 0x02) != 0;
    if (control)
      on ? t->turnTAOnCtl() : t->turnTAOffCtl();
    else
      on ? t->turnTAOnDev(0) : t->turnTAOffDev(0);
    d.getRendering()->setTypeAhead(on ? 1 : 0, control ? 1 : 0);
  }
  if (!control) t->setHostControl((value & 0x01) != 0);
}
}  // namespace

int CUST5250::endOfData(Databyte* db) { return rejectRecord(db, dsm_sense::kBadStructuredData); }

int CUST5250::processInput(Databyte* db) {
  if (db->remaining < 2) return rejectRecord(db, dsm_sense::kBadStructuredData);
  const uint32_t length = sf::lengthAt(db);
  if (length != 6 && length < 9) return rejectRecord(db, dsm_sense::kBadLength);
  if (db->remaining < length) return rejectRecord(db, dsm_sense::kBadStructuredData);
  if (db->peek(4) & 0x80) return rejectRecord(db, dsm_sense::kBadStructuredData);
  // The subfields first: a bad one refuses the field before it changes anything.
  for (uint32_t at = 6; at < length;) {
    const uint32_t n = db->peek(at);
    if (n < 2 || n > length - at) return rejectRecord(db, dsm_sense::kBadLength);
    at += n;
  }

  DisplayBag& d = *db->display;
  const unsigned char settings = db->peek(5);
  unsigned int& b = d.modeFlagsB();
  if (settings & 0x40) b |= kFlagB21;
  if (settings & 0x20) b &= ~kFlagB21;
  if (settings & 0x10) b |= kFlagB19;
  if (settings & 0x08) b &= ~kFlagB19;
  if ((settings & kDoubleByteReads) && (d.characteristics().word[0] & kDoubleByte)) d.readMgr().setReadMode(4);
  if (settings & kReadMode11) d.readMgr().setReadMode(0x11);
  const bool control = (settings & kControlFlag) != 0;
  for (uint32_t at = 6; at < length; at += db->peek(at)) {
    if (db->peek(at) != 3) continue;
    const unsigned char type = db->peek(at + 1), value = db->peek(at + 2);
    if (type == kKeyboardSubfield) {
      Keyboard(d, value, control);
    } else if (type == kCursorSubfield) {
      if (value & 0x01)
        d.controlData().clearControlBits(kCursorShown);
      else
        d.controlData().setControlBits(kCursorShown);
    }
  }
  sf::toLastByte(db, length);
  return kFsmFinished;
}
