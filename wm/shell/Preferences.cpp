#include "wm/shell/Preferences.h"

#include <X11/X.h>

#include <cstdio>

#include "platform/QXRegistry.h"
#include "wm/manager/WorkArea.h"
#include "wm/shell/ShellState.h"

namespace {

constexpr const char* kObject = "/desktop/preferences";

void SetNumberIfChanged(QXRegObject* o, const char* key, long fallback, long value) {
  if (QXRegGetNumericValue(o, key, fallback) != value) QXRegSetNumericValue(o, key, value);
}

void SetBooleanIfChanged(QXRegObject* o, const char* key, int fallback, int value) {
  if (QXRegGetBooleanValue(o, key, fallback) != (value ? 1 : 0)) QXRegSetBooleanValue(o, key, value);
}

}  // namespace

void SaveDesktopPreferences(ShellState* s) {
  QXRegObject* o = nullptr;
  if (QXRegGetObjectSimple(kObject, &o) != QXRegOk) o = QXRegCreateObject();
  if (!o) return;
  SetNumberIfChanged(o, "icon_placement", 1, s->iconPlacement);
  SetBooleanIfChanged(o, "reverse_mouse_buttons", 0, s->sdk.selectButton != Button1);
  SetBooleanIfChanged(o, "constrained_mode", 1, s->constrainedMode);
  SetBooleanIfChanged(o, "disable_minimize", 0, s->disableMinimize);
  SetBooleanIfChanged(o, "screen_saver", 1, !s->screenSaverDisabled);
  SaveClassGeometry(s, o);
  if (int e = QXRegSetObjectSimple(kObject, o))
    std::fprintf(stderr, "%s: the desktop preferences could not be saved (%d)\n",
                 s->programName ? s->programName : "teldra", e);
  QXRegDestroyObject(o);
}
