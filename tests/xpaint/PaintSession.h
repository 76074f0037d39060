// A toolkit on a private X server of a chosen depth, shared by the tests of
// this folder, and in-process sessions on it.
#pragma once

#include <gtest/gtest.h>  // before Xlib, whose None and Bool macros clash with it

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <string>

#include "session/AppInit.h"
#include "session/AppResources.h"
#include "session/ErrorDialogs.h"
#include "session/SessionControlBlock.h"
#include "session/SessionTable.h"
#include "session/StartOptions.h"
#include "tests/support/OwnProcess.h"
#include "tests/support/SessionToolkit.h"
#include "tests/support/TestLocales.h"

namespace paint_test {

using namespace qwtest::session_toolkit;

inline int g_depth = 0;
inline qwtest::TestLocale g_locale = qwtest::TestLocale::C;

// Starts the toolkit on a server of `depth` in `locale` unless this process
// already has one; false when it has one of another depth or locale.
inline bool Toolkit(int depth, qwtest::TestLocale locale = qwtest::TestLocale::C) {
  if (!ApplicationContext()) {
    std::string error;
    if (!StartToolkit(depth, &error, qwtest::LocaleName(locale))) return false;
    g_depth = depth;
    g_locale = locale;
    // An open dialog keeps the master alive when a test ends its last session.
    TheErrorDialogs().createWarningDialog(TopLevelWidget(), "ErrorMsgUnknownHost", nullptr, nullptr);
  }
  return g_depth == depth && g_locale == locale;
}

inline std::string ToolkitText() {
  return "this process runs a server of depth " + std::to_string(g_depth) + " in locale " +
         qwtest::LocaleName(g_locale);
}

inline Display* ToolkitDisplay() { return XtDisplay(TopLevelWidget()); }

inline SessionControlBlock* NewSession(int port) {
  SessionStartOptions o;
  o.hostName = "127.0.0.1";
  o.port = port;
  o.title = "QW5250 sign-on";
  createSessionUnderThisProcess(o, nullptr, nullptr);
  return NewestSession();
}

// The pixels of a window image, read cell by cell.
struct CellProbe {
  XImage* image = nullptr;
  int cellWidth = 0, cellHeight = 0, originX = 1, originY = 1;
  ~CellProbe() {
    if (image) XDestroyImage(image);
  }
  unsigned long at(int row, int column, int dx, int dy) const {
    return XGetPixel(image, originX + (column - 1) * cellWidth + dx, originY + (row - 1) * cellHeight + dy);
  }
  // How many pixels of the cell have the pixel value.
  int count(int row, int column, unsigned long pixel) const {
    int n = 0;
    for (int y = 0; y < cellHeight; ++y)
      for (int x = 0; x < cellWidth; ++x) n += at(row, column, x, y) == pixel;
    return n;
  }
};

}  // namespace paint_test
