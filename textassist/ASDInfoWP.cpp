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
  d->presentationSpace().deleteCharacters(p, end_, 1);
  text_->setModifiedLineTags(p, start_, end_);
  return 0;
}

int ASDInfoWP::insertCharacter(DisplayBag* d, unsigned char c) {
  const unsigned int p = position(d);
  if (!inRun(p)) return ASD::kNoRoom;
  PresentationSpaceScreenBuffer& ps = d->presentationSpace();
  // The first null from the position towards the end takes the shift.
  for (unsigned int q = p;; q = static_cast<unsigned int>(static_cast<int>(q) + forward_)) {
    if (!ps.getCharacter(q)) {
      for (unsigned int k = q; k != p; k = static_cast<unsigned int>(static_cast<int>(k) - forward_))
        ps.writeCharacter(k, ps.getCharacter(static_cast<unsigned int>(static_cast<int>(k) - forward_)));
      ps.writeCharacter(p, c);
      text_->setModifiedLineTags(p, start_, end_);
      return 0;
    }
    if (q == end_) return ASD::kNoRoom;
  }
}
