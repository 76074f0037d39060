#include "wm/services/DesktopMessage.h"

#include <cstdio>

#include "platform/sdk/MessageBox.h"
#include "wm/manager/ScreenHub.h"

void ShowDesktopMessage(ScreenHub* state, const char* text, const char* messageId) {
  const char* program = state && state->programName ? state->programName : "teldra";
  std::fprintf(stderr, "%s: %s: %s\n", program, messageId ? messageId : "", text ? text : "");
  std::fflush(stderr);
  if (!state || !state->sdk.display) return;
  PopDownMessageBox(&state->sdk);
  CreateMessageBox(&state->sdk, text, "Ok", messageId, 0);
}
