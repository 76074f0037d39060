#pragma once
// Teldra's fonts, built-in images and root background.
#include <string>

struct ScreenState;

// Title, general, large and menu fonts; the third size has no effect.
void CreateWindowManagerFonts(ScreenState* state, int size, int largeSize, int thirdSize);
void FreeWindowManagerFonts(ScreenState* state);
// The background tile and the default desktop icon; in log-in mode also the
// splash file.
void LoadSplashImage(ScreenState* state);
// In log-in mode, the splash picture's part of the root at x, y, width,
// height (an exposed rectangle); after it frees the picture.
void DrawSplash(ScreenState* state, int x, int y, int width, int height);
// The registry name of the log-in splash image for the language and screen
// width; `exists` tells whether a registry file is there.
std::string ChooseSplashFile(const char* lang, int screenWidth, bool (*exists)(const char* name));
// The default tile as the root's background, unless the server preferences set one.
void SetRootBackgroundPixmap(ScreenState* state);
void SetRootBackgroundColor(ScreenState* state);
// The built-in 29 x 27 image of toolkit shell windows ("VendorShell",
// "TopLevelShell"), made on first use and kept.
void ShellWindowIcon(ScreenState* state, unsigned long* pixmap, unsigned long* mask);
