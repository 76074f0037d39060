#include "xfront/ClickState.h"

#include <cstdlib>

int ClickState::classify(const MouseSample& s, int cellWidth, int cellHeight, unsigned long multiClickMs,
                         unsigned long* consumedPress) {
  if (s.kind == static_cast<int>(MouseKind::Move)) {
    if (haveButton_ && s.time >= lastButtonTime_ && s.time - lastButtonTime_ <= kMotionAfterButtonMs) return -1;
    if (haveLast_ && s.cell == last_.cell && std::abs(s.x - last_.x) <= cellWidth / 5 &&
        std::abs(s.y - last_.y) <= cellHeight / 5)
      return -1;
  } else {
    if (consumedPress && *consumedPress && *consumedPress == s.time) {
      *consumedPress = 0;
      return -1;
    }
    lastButtonTime_ = s.time;
    haveButton_ = true;
  }
  int code = s.kind;
  if (isPress(s.kind)) {
    const bool isDouble =
        havePress_ && !lastPressWasDouble_ && s.time > lastPressTime_ && s.time - lastPressTime_ <= multiClickMs;
    lastPressWasDouble_ = isDouble;
    lastPressTime_ = s.time;
    havePress_ = true;
    if (isDouble) code += 2;
  }
  last_ = s;
  haveLast_ = true;
  return code;
}
