#pragma once
// Teldra's fonts, built-in images and root background.
#include <string>

struct ShellState;

// Title, general, large and menu fonts; the third size has no effect.
void CreateWindowManagerFonts(ShellState* state, int size, int largeSize, int thirdSize);
void FreeWindowManagerFonts(ShellState* state);
// The background tile and the default desktop icon; in log-in mode also the
// splash file.
void LoadSplashImage(ShellState* state);
// In log-in mode, the splash picture's part of the root at x, y, width,
// height (an exposed rectangle); after it frees the picture.
void DrawSplash(ShellState* state, int x, int y, int width, int height);
// The registry name of the log-in splash image for the language and screen
// width; `exists` tells whether a registry file is there.
std::string ChooseSplashFile(const char* lang, int screenWidth, bool (*exists)(const char* name));
// The default tile as the root's background, unless the server preferences set one.
void SetRootBackgroundPixmap(ShellState* state);
void SetRootBackgroundColor(ShellState* state);
