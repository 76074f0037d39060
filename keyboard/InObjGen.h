#pragma once
// The input-object generator of a display station: it turns the keyboard
// translator's function words into input objects. The station only builds it.
class DisplayBag;

class InObjGen {
 public:
  explicit InObjGen(DisplayBag* display) : display_(display) {}

  DisplayBag* display() const { return display_; }

 private:
  DisplayBag* display_;
};
