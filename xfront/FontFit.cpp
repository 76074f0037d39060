#include "xfront/FontFit.h"

int FitFontToWindow(const std::vector<FontCandidate>& candidates, int cols, int rows, int width, int height) {
  int best = -1, smallest = -1;
  long bestW = -1, bestH = -1, smallW = 0, smallH = 0;
  for (size_t i = 0; i < candidates.size(); ++i) {
    const FontCandidate& c = candidates[i];
    if (c.cellWidth <= 0 || c.cellHeight <= 0) continue;
    const long w = static_cast<long>(c.cellWidth) * cols;
    const long h = static_cast<long>(c.cellHeight) * rows;
    if (smallest < 0 || w < smallW || (w == smallW && h < smallH)) {
      smallest = static_cast<int>(i);
      smallW = w;
      smallH = h;
    }
    if (w > width || h > height) continue;
    if (w > bestW || (w == bestW && h > bestH)) {
      best = static_cast<int>(i);
      bestW = w;
      bestH = h;
    }
  }
  return best >= 0 ? best : smallest;
}

int RotateFontEntry(const FontFamily& family, int current, RotateDirection direction, bool fixedOnly,
                    const std::function<bool(int entry)>& takes) {
  const int n = family.count;
  if (n <= 0) return -1;
  int delta = 0;
  switch (direction) {
    case RotateDirection::Wider: delta = -1; break;
    case RotateDirection::Narrower: delta = 1; break;
    case RotateDirection::Taller: delta = -family.step; break;
    case RotateDirection::Shorter: delta = family.step; break;
  }
  int entry = current < 0 || current >= n ? 0 : current;
  for (int steps = 0; steps <= n; ++steps) {
    entry = ((entry + delta) % n + n) % n;
    if (fixedOnly && !family.table[entry].fixedFont) continue;
    if (entry == current) continue;
    if (!takes || takes(entry)) return entry;
  }
  return -1;
}

TextPlacement PlaceText(const PlacementInput& in) {
  TextPlacement out;
  const int excess = in.usableWidth - in.textWidth;
  if (in.centred) {
    out.originX = excess / 2 + 1;
    out.originY = (in.usableHeight - in.textHeight) / 2 + 1;
    if (out.originX < 1) out.originX = 1;
    if (out.originY < 1) out.originY = 1;
  }
  if (in.splitAllowed && in.textWidth > in.usableWidth) {
    PlacementOption option = in.option;
    if (option == PlacementOption::KeepPart && !in.previous.splitView) option = PlacementOption::FitCursor;
    const bool right = option == PlacementOption::RightPart ||
                       (option == PlacementOption::FitCursor && in.cursorColumnEnd > in.usableWidth) ||
                       (option == PlacementOption::KeepPart && in.previous.rightPart);
    out.splitView = true;
    out.rightPart = right;
    out.originX = right ? excess + 1 : 1;
  }
  return out;
}
