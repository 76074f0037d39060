#include "xfront/SessionFontChoice.h"

#include <algorithm>

int SessionFontChoice::chosenPosition() const {
  for (size_t i = 0; i < menuEntries.size(); ++i)
    if (menuEntries[i] == chosenEntry) return static_cast<int>(i) + 1;
  return 1;
}

SessionFontChoice ChooseSessionFonts(const FontFamily& family, const SessionFontRequest& r) {
  SessionFontChoice c;
  const int n = family.count;
  if (n <= 0) return c;
  c.usable.assign(n, false);

  c.defaultEntry = n - 1;
  if (r.fixedFontsOnly)
    for (int i = n - 1; i >= 0; --i)
      if (family.table[i].fixedFont) {
        c.defaultEntry = i;
        break;
      }

  for (int i = 0; i < n; ++i)
    c.usable[i] = (!r.fixedFontsOnly || family.table[i].fixedFont) &&
                  DoesFontFitOnScreen(family, i, 80, 24, r.withMenuBar, r.frame, r.screenWidth, r.screenHeight) &&
                  (!r.fontAvailable || r.fontAvailable(i));

  const FrameSizes& f = r.frame;
  const int horizontalFrame = f.left + f.right;
  const int verticalFrame = f.top + f.title + f.bottom;
  int preferred = -1;
  if (r.geometry.widthGiven && r.geometry.heightGiven) {
    const int maxWidth = std::min(r.screenWidth, static_cast<int>(r.geometry.width));
    const int maxHeight = std::min(r.screenHeight, static_cast<int>(r.geometry.height));
    for (int i = 0; i < n && preferred < 0; ++i) {
      if (!c.usable[i]) continue;
      const int w = FontWindowWidth(family.table[i], 80) + horizontalFrame;
      const int h = FontWindowHeight(family.table[i], 24, r.withMenuBar) + verticalFrame;
      if (w <= maxWidth && h <= maxHeight) preferred = i;
    }
  } else if (r.geometry.fontGiven && r.geometry.fontIndex >= 0 && r.geometry.fontIndex < n &&
             c.usable[r.geometry.fontIndex]) {
    preferred = r.geometry.fontIndex;
  }
  if (preferred < 0) {
    for (int i = 0; i < n && preferred < 0; ++i)
      if (c.usable[i] && FontWindowWidth(family.table[i], 80) + horizontalFrame <= r.availableWidth) preferred = i;
  }
  c.chosenEntry = preferred >= 0 ? preferred : c.defaultEntry;

  for (int i = 0; i < n; ++i) {
    const bool take = i == c.chosenEntry ||
                      (c.usable[i] && (family.table[i].fixedFont || c.menuEntries.empty()) &&
                       static_cast<int>(c.menuEntries.size()) < SessionFontChoice::kMaxMenuEntries - 1);
    if (take) c.menuEntries.push_back(i);
  }
  return c;
}
