#pragma once
// The Arabic/Farsi shaper's view of a text-assist line: the run of
// positions from the first position typed (`start`) to the last (`end`),
// walked in typing order, with the display cursor as the position. On a
// right-to-left line typing runs towards lower offsets, so start lies above
// end. Created on the stack for one shaping operation.
#include "display/ASDInfo.h"

class TextSession;

class ASDInfoWP : public ASDInfo {
 public:
  ASDInfoWP(TextSession* text, unsigned int start, unsigned int end)
      : text_(text), start_(start), end_(end), forward_(end >= start ? 1 : -1) {}

  void moveLeft(DisplayBag* d) override;
  void moveRight(DisplayBag* d) override;
  // Deletes the character at the position through the text session; the
  // rest of the row closes up.
  int deleteCharacter(DisplayBag* d) override;
  // Inserts at the position as typing does: into the line's room, else
  // with the host told or the last word spilled; non-zero (the line as it
  // was) when nothing went in.
  int insertCharacter(DisplayBag* d, unsigned char c) override;
  int atStart(DisplayBag* d) override;
  int atEnd(DisplayBag* d) override;
  void setPosition(DisplayBag* d, unsigned int offset) override;
  unsigned int defaultState() const override { return 0; }

  unsigned int start() const { return start_; }
  unsigned int end() const { return end_; }

 private:
  unsigned int position(DisplayBag* d) const;
  bool inRun(unsigned int p) const {
    return forward_ > 0 ? p >= start_ && p <= end_ : p <= start_ && p >= end_;
  }

  TextSession* text_;
  unsigned int start_, end_;
  int forward_;  // +1 when typing runs to higher offsets, -1 when to lower
};
