#include "textassist/ASDInfoWP.h"

#include "display/ASD.h"
#include "display/DisplayBag.h"
#include "textassist/TextSession.h"

unsigned int ASDInfoWP::position(DisplayBag* d) const { return d->cursor().getCursorOffset(); }

void ASDInfoWP::moveLeft(DisplayBag* d) {
  const unsigned int p = position(d);
  if (p == start_ || !inRun(p)) return;
  setPosition(d, static_cast<unsigned int>(static_cast<int>(p) - forward_));
}

void ASDInfoWP::moveRight(DisplayBag* d) {
  const unsigned int p = position(d);
  if (p == end_ || !inRun(p)) return;
  setPosition(d, static_cast<unsigned int>(static_cast<int>(p) + forward_));
}

int ASDInfoWP::atStart(DisplayBag* d) { return position(d) == start_; }
int ASDInfoWP::atEnd(DisplayBag* d) { return position(d) == end_; }

void ASDInfoWP::setPosition(DisplayBag* d, unsigned int offset) {
  d->cursor().moveCursorWithinSameArea(offset, CursorOffsetAsShown);
}

int ASDInfoWP::deleteCharacter(DisplayBag* d) {
  const unsigned int p = position(d);
  if (!inRun(p)) return 0;
  // The session deletes at its second argument and closes the row up.
  text_->delCharAtCursor(start_, p, 1);
  text_->setModifiedLineTags(p, start_, end_);
  return 0;
}

int ASDInfoWP::insertCharacter(DisplayBag* d, unsigned char c) {
  const unsigned int p = position(d);
  if (!inRun(p)) return ASD::kNoRoom;
  unsigned int moved = p;
  if (const int r = text_->shaperInsert(p, c, forward_ > 0, moved)) return r;
  if (moved != p) {
    // A spill took the character to another row: the position follows it
    // (the shaper's step after the insert stays there, outside this run).
    const int back = inRun(moved) ? forward_ : 0;
    setPosition(d, static_cast<unsigned int>(static_cast<int>(moved) - back));
  }
  return 0;
}
