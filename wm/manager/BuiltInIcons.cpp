#include "wm/manager/BuiltInIcons.h"

#include <X11/xpm.h>

#include "wm/manager/ManagerState.h"

namespace {

// 29 x 27: an application window with a title bar and a steaming cup, in
// sixteen colours.
std::vector<std::string> ShellXpm() {
  std::vector<std::string> x = {"29 27 16 1", ". c None", "k c #000000", "g c #c0c0c0", "b c #000080",
                                "w c #ffffff", "r c #800000", "R c #ff0000", "y c #808000",
                                "Y c #ffff00", "G c #008000", "c c #008080", "C c #00ffff",
                                "m c #800080", "d c #808080", "o c #ff8000", "n c #604020"};
  for (int y = 0; y < 27; ++y) {
    std::string row(29, '.');
    if (y >= 1 && y <= 25)
      for (int i = 1; i <= 27; ++i) {
        const bool edge = y == 1 || y == 25 || i == 1 || i == 27;
        row[static_cast<size_t>(i)] = edge ? 'k' : y <= 5 ? 'b' : 'w';
      }
    if (y >= 3 && y <= 4) row[24] = row[25] = 'g';
    // The cup and its steam.
    if (y >= 14 && y <= 22)
      for (int i = 8; i <= 18; ++i) row[static_cast<size_t>(i)] = (i == 8 || i == 18 || y == 22) ? 'n' : 'o';
    if (y >= 16 && y <= 19) row[19] = row[20] = 'n';
    if (y >= 8 && y <= 12) {
      row[static_cast<size_t>(10 + (y % 2))] = 'd';
      row[static_cast<size_t>(14 + ((y + 1) % 2))] = 'd';
    }
    if (y == 23)
      for (int i = 6; i <= 20; ++i) row[static_cast<size_t>(i)] = 'r';
    x.push_back(row);
  }
  return x;
}

}  // namespace

Pixmap MakeXpmPixmap(Display* display, Window root, const std::vector<std::string>& lines, Pixmap* mask) {
  std::vector<char*> data;
  for (const auto& l : lines) data.push_back(const_cast<char*>(l.c_str()));
  Pixmap pixmap = None, shape = None;
  XpmAttributes attr;
  attr.valuemask = 0;
  if (XpmCreatePixmapFromData(display, root, data.data(), &pixmap, &shape, &attr) !=
      XpmSuccess)
    return None;
  if (mask)
    *mask = shape;
  else if (shape)
    XFreePixmap(display, shape);
  return pixmap;
}


void ShellWindowIcon(ManagerState* s, unsigned long* pixmap, unsigned long* mask) {
  if (!s->shellIcon) s->shellIcon = MakeXpmPixmap(s->sdk.display, s->sdk.root, ShellXpm(), &s->shellIconMask);
  *pixmap = s->shellIcon;
  *mask = s->shellIconMask;
}
