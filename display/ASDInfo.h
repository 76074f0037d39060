#pragma once
// The text that Arabic/Farsi shaping edits, seen as a run of characters in
// typing order with a position (the display cursor): an entry field or a
// text-assist line. Created on the stack by the code that types, replaces
// or deletes a character.
class DisplayBag;
class EntryField;

class ASDInfo {
 public:
  virtual ~ASDInfo() = default;
  // One character back / on in typing order (nothing at the start / end).
  virtual void moveLeft(DisplayBag* d) = 0;
  virtual void moveRight(DisplayBag* d) = 0;
  virtual int deleteCharacter(DisplayBag* d) = 0;
  // Inserts `c` at the position, which stays; 0, or non-zero when the text
  // has no room (nothing changes then).
  virtual int insertCharacter(DisplayBag* d, unsigned char c) = 0;
  virtual int atStart(DisplayBag* d) = 0;
  virtual int atEnd(DisplayBag* d) = 0;
  virtual void setPosition(DisplayBag* d, unsigned int offset) = 0;
  // The shaping state after a forced shape is released.
  virtual unsigned int defaultState() const = 0;
};

// An entry field, through its shaping hooks.
class ASDInfoDP : public ASDInfo {
 public:
  explicit ASDInfoDP(EntryField* field) : field_(field) {}
  void moveLeft(DisplayBag* d) override;
  void moveRight(DisplayBag* d) override;
  int deleteCharacter(DisplayBag* d) override;
  int insertCharacter(DisplayBag* d, unsigned char c) override;
  int atStart(DisplayBag* d) override;
  int atEnd(DisplayBag* d) override;
  void setPosition(DisplayBag* d, unsigned int offset) override;
  unsigned int defaultState() const override { return 1; }

 private:
  EntryField* field_;
};
