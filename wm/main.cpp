// Entry point of Teldra, the window manager and desktop session.
#include <clocale>

#include "wm/session/WindowManager.h"

int main(int argc, char** argv) {
  std::setlocale(LC_ALL, "");
  return WindowManagerMain(argc, argv);
}
