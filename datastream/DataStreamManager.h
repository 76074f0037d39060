#pragma once
// The data stream manager of a display station: it feeds each host record
// to the command state machines. The station only builds it.
class DisplayBag;

class DataStreamManager {
 public:
  explicit DataStreamManager(DisplayBag* display) : display_(display) {}

  DisplayBag* display() const { return display_; }

 private:
  DisplayBag* display_;
};
