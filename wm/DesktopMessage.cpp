#include "wm/DesktopMessage.h"

#include <cstdio>

#include "wm/ScreenState.h"

void ShowDesktopMessage(ScreenState* state, const char* text, const char* messageId) {
  const char* program = state && state->programName ? state->programName : "teldra";
  std::fprintf(stderr, "%s: %s: %s\n", program, messageId ? messageId : "", text ? text : "");
  std::fflush(stderr);
}
