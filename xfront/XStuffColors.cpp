// The screen colours of the session window: the default scheme applied to
// the drawing widget when the window is built.
#include <X11/Intrinsic.h>
#include <Xm/Xm.h>

#include "base/LogMsg.h"
#include "xfront/ColorAllocation.h"
#include "xfront/Win3270.h"
#include "xfront/XStuff.h"
#include "xfront/XStuffPrivate.h"

void XStuff::applyDefaultScreenColors() {
  if (!private_ || !private_->drawing) return;
  Widget w = private_->drawing;
  Display* display = XtDisplay(w);
  const int screen = DefaultScreen(display);
  const Colormap colormap = DefaultColormap(display, screen);
  const char* const* scheme = DefaultColorScheme();
  bool substituted = false;
  auto pixel = [&](int index) { return AllocateColor(scheme[index], colormap, display, screen, &substituted); };
  const Pixel background = pixel(2), pushButton = pixel(3), blue = pixel(4), green = pixel(5), pink = pixel(6),
              red = pixel(7), turquoise = pixel(8), white = pixel(9), yellow = pixel(10), cursor = pixel(11),
              mouse = pixel(12), rule = pixel(13);
  XtVaSetValues(w, XmNbackground, background, XmNforeground, green, QwNpushbuttonBackground, pushButton, QwNextBlue,
                blue, QwNextGreen, green, QwNextDefault, green, QwNextPink, pink, QwNextRed, red, QwNextTurquoise,
                turquoise, QwNextWhite, white, QwNextDefIntense, white, QwNextYellow, yellow, QwNcursorColor, cursor,
                QwNmouseColor, mouse, QwNruleColor, rule, nullptr);
  if (substituted)
    LogMsg(LevelWarning, "Some screen colours are not available; the nearest ones are used.\n");
  if (DebugFlag()) LogMsg(LevelDebug, "Default colors loaded from QAV Black Color Scheme.\n");
}
