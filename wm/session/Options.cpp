#include "wm/session/Options.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

void PrintUsage() {
  std::fputs("Usage: teldra -display displayname\n", stderr);
  std::exit(1);
}

bool ParseTeldraOptions(int argc, char** argv, TeldraOptions* o) {
  *o = TeldraOptions();
  const char* env = std::getenv("DISPLAY");
  o->displayName = env ? env : ":0";
  int i = 1;
  for (; i < argc && argv[i] && argv[i][0] == '-'; ++i) {
    const char* a = argv[i];
    auto value = [&]() -> const char* {
      if (i + 1 >= argc || !argv[i + 1] || argv[i + 1][0] == '-') return nullptr;
      return argv[++i];
    };
    if (!std::strcmp(a, "-display")) {
      const char* v = value();
      if (!v) return false;
      o->displayName = v;
    } else if (!std::strcmp(a, "-notrap")) {
      o->notrap = true;
    } else if (!std::strcmp(a, "-restart") || !std::strcmp(a, "-tv")) {
    } else if (!std::strcmp(a, "-allowcore")) {
      o->allowCore = true;
    } else if (!std::strcmp(a, "-login")) {
      o->login = true;
    } else if (!std::strcmp(a, "-loginifroot")) {
      if (getuid() == 0) o->login = true;
    } else if (!std::strcmp(a, "-noswapbox")) {
      o->noSwitchBox = true;
    } else if (!std::strcmp(a, "-allowroot")) {
      o->allowRoot = true;
    } else if (!std::strcmp(a, "-ppp")) {
      o->dialUp = true;
    } else if (!std::strcmp(a, "-rubberband")) {
      o->rubberBand = true;
    } else if (!std::strcmp(a, "-tvborder")) {
      if (!value()) return false;
    } else {
      return false;
    }
  }
  o->firstArgument = i;
  return true;
}
