#include "datastream/ROLL.h"

#include "datastream/DsmSense.h"
#include "display/DisplayBag.h"
#include "keyboard/KeyboardState.h"

namespace {
constexpr uint32_t kBadRollRows = 0x1005012Cu;
}  // namespace

int ROLL::endOfData(Databyte* db) { return rejectRecord(db, dsm_sense::kPrematureEnd); }

int ROLL::processInput(Databyte* db) {
  if (db->remaining < 3) return rejectRecord(db, dsm_sense::kPrematureEnd);
  DisplayBag& d = *db->display;
  const unsigned int control = db->peek(0), top = db->peek(1), bottom = db->peek(2);
  const unsigned int n = control & 0x1F;
  const bool down = (control & 0x80) != 0;
  if (top == 0 || top >= bottom || bottom > d.rows() || n > bottom - top)
    return rejectRecord(db, kBadRollRows);
  KeyboardState& k = d.keyboardState();
  const unsigned int s = k.state();
  if (s >= KeyboardState::kSystemRequest && s <= KeyboardState::kPostHelpError && k.errorRow() < d.rows() + 1)
    return rejectRecord(db, dsm_sense::kContention);
  db->loadNextValue(2);
  if (n == 0) return kFsmFinished;
  const unsigned int columns = d.columns();
  const unsigned int first = (top - 1) * columns, last = bottom * columns - 1, shift = n * columns;
  PresentationSpaceScreenBuffer& ps = d.presentationSpace();
  if (down)
    ps.copyRange(first, last - shift, first + shift);
  else
    ps.copyRange(first + shift, last, first);
  return kFsmFinished;
}
