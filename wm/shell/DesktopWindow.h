#pragma once
// The desktop window over the root: the hot keys, presses on the
// background (the root menu) and on desktop icons, the requests of clients
// not yet managed, and the root, icon-placement menus and the system
// information boxes.
#include <X11/Xlib.h>

#include <string>

struct ShellState;
struct SimpleWindow;

// Wraps the root and loads the hot keys.
SimpleWindow* CreateDesktopWindow(ShellState* state);
// The root and icon-placement menus, with labels from the message catalog.
void CreateRootMenu(ShellState* state);
void CreateIconPlacementMenu(ShellState* state);
void PopDownMenus(ShellState* state);
// Root-menu labels: "Enable Screen Saver" when `enabled` (the saver is
// off and can be turned on), else "Disable ..."; "Do Not Constrain
// Windows" when `constrained`, else "Constrain Windows".
void SetScreenSaverMenuLabel(ShellState* state, int enabled);
void SetConstrainMenuLabel(ShellState* state, int constrained);
// 0 the build date, 1 the network configuration, 2 the user logged in.
void ShowSystemInformation(ShellState* state, int kind);
// The network box's text (the lines that have a value).
std::string NetworkInformationText();
// The first hardware address in the non-volatile memory header at `path`
// ("%x:%x:%x:%x:%x:%x"), with the alternate one; else BOOT_HARDWARE_ADDRESS.
bool GetPermanentMacAddress(const char* path, std::string* permanent, std::string* alternate);
