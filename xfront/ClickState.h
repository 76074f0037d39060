#pragma once
// The mouse-event filter of one session window: drops motion that follows
// a button event closely or stays within a fifth of a cell, drops the press
// that dismissed a menu, and tells double presses. Each session keeps its
// own, so clicks in two windows never make a double press together.

enum class MouseKind : int {
  Move = 0,
  Btn1Press = 1, Btn1Release = 2,
  Btn2Press = 4, Btn2Release = 5,
  Btn3Press = 7, Btn3Release = 8,
  ShiftBtn1Press = 10, ShiftBtn1Release = 11,
  ShiftBtn2Press = 13, ShiftBtn2Release = 14,
  ShiftBtn3Press = 16, ShiftBtn3Release = 17,
};

struct MouseSample {
  int kind;             // a MouseKind
  unsigned long time;   // X time stamp, ms
  int cell;             // screen position under the pointer
  int x, y;             // window coordinates
  int rootX, rootY;
  unsigned int state;   // modifier state
};

class ClickState {
 public:
  static constexpr unsigned long kMotionAfterButtonMs = 250;

  // The mouse code to report (kind, or kind + 2 for a double press), or -1
  // when the event is dropped. `consumedPress` is the time stamp of a press
  // that dismissed a menu (0 for none); it is cleared when it matches.
  int classify(const MouseSample& s, int cellWidth, int cellHeight, unsigned long multiClickMs,
               unsigned long* consumedPress);

  const MouseSample& last() const { return last_; }
  unsigned long lastButtonTime() const { return lastButtonTime_; }

 private:
  static bool isPress(int kind) { return kind > 0 && kind % 3 == 1; }

  MouseSample last_{-1, 0, -1, 0, 0, 0, 0, 0};
  bool haveLast_ = false;
  unsigned long lastButtonTime_ = 0;
  bool haveButton_ = false;
  unsigned long lastPressTime_ = 0;
  bool havePress_ = false;
  bool lastPressWasDouble_ = false;
};
