#include "wm/shell/Appearance.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/QXRegistryProfile.h"
#include "platform/sdk/NLSText.h"
#include "platform/sdk/RegistryIcon.h"
#include "platform/sdk/SdkUtil.h"
#include "wm/manager/BuiltInIcons.h"
#include "wm/shell/ShellState.h"

namespace {

// 28 x 28 in two close greys, alternating pixel by pixel.
std::vector<std::string> TileXpm() {
  std::vector<std::string> x = {"28 28 2 1", "a c #999999", "b c #a0a0a4"};
  for (int y = 0; y < 28; ++y) {
    std::string row;
    for (int i = 0; i < 28; ++i) row += (i + y) % 2 ? 'b' : 'a';
    x.push_back(row);
  }
  return x;
}

// 29 x 27: a small monitor on a transparent ground.
std::vector<std::string> IconXpm() {
  std::vector<std::string> x = {"29 27 5 1", ". c None", "k c #000000", "g c #c0c0c0", "b c #000080",
                                "w c #ffffff"};
  for (int y = 0; y < 27; ++y) {
    std::string row(29, '.');
    if (y >= 2 && y <= 19)
      for (int i = 3; i <= 25; ++i) {
        const bool edge = y == 2 || y == 19 || i == 3 || i == 25;
        const bool glass = y >= 5 && y <= 16 && i >= 6 && i <= 22;
        row[i] = edge ? 'k' : glass ? (y == 6 && i < 15 ? 'w' : 'b') : 'g';
      }
    if (y >= 20 && y <= 22)
      for (int i = 11; i <= 17; ++i) row[i] = 'g';
    if (y >= 23 && y <= 24)
      for (int i = 7; i <= 21; ++i) row[i] = y == 24 ? 'k' : 'g';
    x.push_back(row);
  }
  return x;
}

bool RegistryFileExists(const char* name) { return QXRegistryFileTest(QXAreaSystem, name) != 0; }

}  // namespace

void CreateWindowManagerFonts(ShellState* s, int size, int largeSize, int) {
  Display* d = s->sdk.display;
  s->titleFont = NLSCreateFont(d, size, 0);
  s->titleFont2 = s->titleFont;
  s->messageBoxFont = s->titleFont;
  s->generalFont = NLSCreateFont(d, size, 0);
  s->largeFont = NLSCreateFont(d, largeSize, 0);
  s->menuFont = NLSCreateFont(d, size, 0);
  s->menuFont2 = s->menuFont;
}

void FreeWindowManagerFonts(ShellState* s) {
  Display* d = s->sdk.display;
  NLSFreeFont(d, s->titleFont);
  NLSFreeFont(d, s->generalFont);
  NLSFreeFont(d, s->largeFont);
  NLSFreeFont(d, s->menuFont);
  s->titleFont = s->titleFont2 = s->messageBoxFont = nullptr;
  s->generalFont = s->largeFont = s->menuFont = s->menuFont2 = nullptr;
}

std::string ChooseSplashFile(const char* lang, int screenWidth, bool (*exists)(const char* name)) {
  char name[256];
  if (lang && *lang) {
    std::snprintf(name, sizeof name, "login/splash.%s.jpg", lang);
    if (exists(name)) return name;
  }
  std::snprintf(name, sizeof name, "login/splash%d.jpg", screenWidth);
  if (exists(name)) return name;
  return screenWidth > 799 ? "login/splash.jpg" : "login/splash640.jpg";
}

void LoadSplashImage(ShellState* s) {
  s->backgroundTile = MakeXpmPixmap(s->sdk.display, s->sdk.root, TileXpm(), nullptr);
  s->defaultIcon = MakeXpmPixmap(s->sdk.display, s->sdk.root, IconXpm(), &s->defaultIconMask);
  free(s->splashFile);
  s->splashFile = nullptr;
  if (s->loginMode)
    s->splashFile = DupString(ChooseSplashFile(std::getenv("LANG"), s->sdk.width, RegistryFileExists).c_str());
}

void DrawSplash(ShellState* s, int x, int y, int width, int height) {
  Display* d = s->sdk.display;
  if (!s->loginMode) {
    // The session has started: the picture is not needed any more.
    if (s->splashPixmap) XFreePixmap(d, s->splashPixmap);
    s->splashPixmap = None;
    return;
  }
  // Read once, scaled to the screen; a missing or bad file leaves the
  // background as it is.
  if (!s->splashPixmap && s->splashFile && !s->splashMissing) {
    s->splashPixmap = JPEGLoadRegistryIcon(&s->sdk, s->splashFile, s->sdk.width, s->sdk.height);
    s->splashMissing = !s->splashPixmap;
  }
  if (!s->splashPixmap) return;
  XCopyArea(d, s->splashPixmap, s->sdk.root, DefaultGC(d, DefaultScreen(d)), x, y, static_cast<unsigned>(width),
            static_cast<unsigned>(height), x, y);
}

void SetRootBackgroundPixmap(ShellState* s) {
  if (s->backgroundFromServerPrefs || !s->backgroundTile) return;
  XSetWindowBackgroundPixmap(s->sdk.display, s->sdk.root, s->backgroundTile);
  XClearArea(s->sdk.display, s->sdk.root, 0, 0, 0, 0, True);
}

void SetRootBackgroundColor(ShellState* s) {
  XSetWindowBackground(s->sdk.display, s->sdk.root, s->sdk.blackPixel);
  XClearArea(s->sdk.display, s->sdk.root, 0, 0, 0, 0, True);
}
