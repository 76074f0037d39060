#pragma once
// Colour themes: the desktop's colours and its toolbar, application-bar and
// background pictures. The current theme is published for the other
// desktop programs as a resource database in the root property
// "_QX_THEME_INFO"; the published picture ids stay the same when the theme
// changes. The "Color Theme" menu lists the themes and switches between
// them.
#include <X11/Xlib.h>

struct ShellState;

enum { MaxThemeMenuEntries = 50 };

// Applies a theme by name (a package path when it holds '/', else a
// registry theme "desktop/themes/NAME"); null: the current one.
void ApplyTheme(ShellState* state, const char* name);
// Applies it and repaints the desktop and every frame.
void ApplyThemeAndRepaint(ShellState* state, const char* name);
// Builds the theme menu (state->themeMenu); false when there is no theme.
bool BuildThemeMenu(ShellState* state);
// The menu's choice.
void SelectTheme(ShellState* state, int index);
// Makes the entry named `name` (null: "default") the current one.
void MarkCurrentTheme(ShellState* state, const char* name);
// Gives the published pixmap id the content, size and depth of `fresh`,
// which is freed.
void RecreatePublishedPixmap(ShellState* state, Pixmap published, Pixmap fresh);
// The 42 colour keys published, in order.
extern const char* const kThemeColorKeys[42];
