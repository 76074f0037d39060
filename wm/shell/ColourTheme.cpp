#include "wm/shell/ColourTheme.h"

#include <dirent.h>

#include <algorithm>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/QXRegObject.h"
#include "platform/QXRegistry.h"
#include "platform/sdk/Color.h"
#include "platform/sdk/MessageBox.h"
#include "platform/sdk/RegistryIcon.h"
#include "platform/sdk/ResourceDB.h"
#include "platform/sdk/SimpleMenu.h"
#include "platform/sdk/SimpleWindow.h"
#include "wm/manager/Frame.h"
#include "wm/services/CommandService.h"
#include "wm/shell/MessageCatalog.h"
#include "wm/shell/ShellState.h"
#include "wm/shell/ThemePackage.h"

// The raw protocol request that makes a pixmap under a chosen id.
#include <X11/Xlibint.h>
#include <X11/Xproto.h>
#undef min
#undef max

const char* const kThemeColorKeys[42] = {
    "active_caption_color", "inactive_caption_color", "caption_foreground_color",
    "inactive_caption_foreground_color", "appbar_background_color", "appbar_foreground_color",
    "ticker_background_color", "ticker_foreground_color", "ticker_top_shadow_color", "ticker_bottom_shadow_color",
    "toolbar_background_color", "toolbar_foreground_color", "toolbar_disabled_foreground_color",
    "background_color", "foreground_color", "top_shadow_color", "bottom_shadow_color", "thick_top_shadow_color",
    "thick_bottom_shadow_color", "window_top_shadow_color", "window_bottom_shadow_color", "drop_shadow_color",
    "disabled_color", "sch_item_backdrop_color", "content_background_color", "content_foreground_color",
    "content_top_shadow_color", "content_bottom_shadow_color", "content_selection_color", "content_rule_color",
    "content_shadow_thickness", "shadow_thickness", "window_frame_color", "visited_link_color", "trough_color",
    "link_color", "active_link_color", "arm_color", "sysicon_background_color", "sysicon_normal_color",
    "sysicon_highlight_color", "sysicon_pressed_color"};

namespace {

constexpr const char* kPreferences = "/desktop/preferences";

struct ThemeEntry {
  std::string label;
  std::string name;  // registry theme name or package path
};

// The theme menu's rows, process-wide like the menu.
struct ThemeMenuState {
  std::vector<ThemeEntry> entries;
  int current = -1;
  bool fromPackage = false;
};

ThemeMenuState& Menu() {
  static ThemeMenuState menu;
  return menu;
}

std::string BaseName(const std::string& name) {
  const size_t slash = name.rfind('/');
  return slash == std::string::npos ? name : name.substr(slash + 1);
}

std::string CurrentThemePreference() {
  QXRegObject* o = nullptr;
  std::string name = "default";
  if (QXRegGetObjectSimple(kPreferences, &o) == QXRegOk) {
    const char* v = QXRegGetStringValue(o, "current_theme");
    if (v && *v) name = v;
  }
  QXRegDestroyObject(o);
  return name;
}

// "#123": the pixmap id, else None.
Pixmap PixmapValue(const char* text) {
  if (!text || text[0] != '#' || !text[1]) return None;
  char* end = nullptr;
  const unsigned long id = std::strtoul(text + 1, &end, 10);
  return *end ? None : static_cast<Pixmap>(id);
}

bool PixmapUsable(Display* d, Pixmap p) {
  if (p == None) return false;
  Window root;
  int x, y;
  unsigned w, h, bw, depth;
  return XGetGeometry(d, p, &root, &x, &y, &w, &h, &bw, &depth) != 0;
}

// The theme's colours into Teldra's own.
void LoadThemeColors(ShellState* s, const QXRegObject* theme) {
  EnsureFrameDrawing(s);
  SdkScreen* sdk = &s->sdk;
  struct {
    const char* key;
    unsigned long* pixel;
  } map[] = {{"active_caption_color", &s->titleBackground},
             {"inactive_caption_color", &s->inactiveTitleBackground},
             {"caption_foreground_color", &s->titleText},
             {"inactive_caption_foreground_color", &s->inactiveTitleText},
             {"background_color", &s->frameFace},
             {"window_top_shadow_color", &s->frameHighlight},
             {"window_bottom_shadow_color", &s->frameShadow}};
  for (auto& m : map) {
    const char* v = QXRegGetStringValue(theme, m.key);
    if (v && *v) *m.pixel = GetColor(sdk, v, *m.pixel);
  }
}

// A registry theme's picture: the first present of the keys, as a file of
// the theme directory.
Pixmap LoadRegistryPicture(ShellState* s, const QXRegObject* theme, const char* deepKey, const char* key) {
  const char* file = nullptr;
  if (deepKey && s->sdk.depth > 8) file = QXRegGetStringValue(theme, deepKey);
  if (!file || !*file) file = QXRegGetStringValue(theme, key);
  if (!file || !*file) return None;
  const std::string name = std::string("desktop/themes/") + file;
  Pixmap mask = None;
  Pixmap p = PixmapLoadRegistryIcon(&s->sdk, name.c_str(), 0, &mask);
  if (mask) XFreePixmap(s->sdk.display, mask);
  return p;
}

// Sets a published picture; true when the theme had one.
bool Publish(ShellState* s, Pixmap* published, Pixmap fresh) {
  if (fresh == None) return false;
  if (*published != None)
    RecreatePublishedPixmap(s, *published, fresh);
  else
    *published = fresh;
  return true;
}

void ThemeMenuProc(void* closure, int value) { SelectTheme(static_cast<ShellState*>(closure), value); }
int ThemeMenuChecked(void*, int value) { return value >= 0 && value == Menu().current; }
int ThemeMenuSensitive(void*, int value) { return value >= 0; }

bool OnlyTolerantClients(ShellState* s) {
  for (ManagedWindow* m = s->managedWindows; m; m = m->next) {
    const std::string& c = m->realClass;
    if (c.empty()) return false;
    if (!c.compare(0, 8, "Netscape") || !c.compare(0, 11, "VendorShell") || !c.compare(0, 13, "TopLevelShell") ||
        c == "XTerm")
      continue;
    return false;
  }
  return true;
}

}  // namespace

void RecreatePublishedPixmap(ShellState* s, Pixmap published, Pixmap fresh) {
  Display* d = s->sdk.display;
  Window root;
  int x, y;
  unsigned w, h, bw, depth;
  if (!XGetGeometry(d, fresh, &root, &x, &y, &w, &h, &bw, &depth)) return;
  XGrabServer(d);
  XFreePixmap(d, published);
  // The same id again: programs holding it see the new picture.
  {
    Display* dpy = d;  // the request macros' name
    xCreatePixmapReq* req;
    LockDisplay(dpy);
    GetReq(CreatePixmap, req);
    req->depth = static_cast<CARD8>(depth);
    req->pid = static_cast<CARD32>(published);
    req->drawable = static_cast<CARD32>(s->sdk.root);
    req->width = static_cast<CARD16>(w);
    req->height = static_cast<CARD16>(h);
    UnlockDisplay(dpy);
    SyncHandle();
  }
  GC gc = XCreateGC(d, published, 0, nullptr);
  XCopyArea(d, fresh, published, gc, 0, 0, w, h, 0, 0);
  XUngrabServer(d);
  XFreeGC(d, gc);
  XFreePixmap(d, fresh);
  XFlush(d);
}

void ApplyTheme(ShellState* s, const char* name) {
  Display* d = s->sdk.display;
  if (!d) return;
  const Atom info = XInternAtom(d, "_QX_THEME_INFO", False);
  std::string chosen;
  if (name) {
    chosen = name;
  } else {
    const ThemeMenuState& menu = Menu();
    chosen = menu.current >= 0 && menu.current < static_cast<int>(menu.entries.size())
                 ? menu.entries[static_cast<size_t>(menu.current)].name
                 : CurrentThemePreference();
  }
  const bool package = chosen.find('/') != std::string::npos;
  QXRegObject* theme = nullptr;
  if (package) {
    theme = LoadThemePixmaps(d, s->sdk.root, s->sdk.depth, chosen.c_str());
  } else if (!chosen.empty() && QXRegNamesOnly(chosen.c_str())) {
    QXRegGetObjectSimple(("/desktop/themes/" + chosen).c_str(), &theme);
  }
  if (!theme) return;
  LoadThemeColors(s, theme);

  Pixmap toolbar = None, appbar = None;
  if (package) {
    toolbar = PixmapValue(QXRegGetStringValue(theme, "toolbar_pixmap"));
    appbar = PixmapValue(QXRegGetStringValue(theme, "appbar_pixmap"));
  } else {
    toolbar = LoadRegistryPicture(s, theme, "toolbar_pixmap16_file", "toolbar_pixmap_file");
    appbar = LoadRegistryPicture(s, theme, "appbar_pixmap16_file", "appbar_pixmap_file");
  }
  const bool hasToolbar = Publish(s, &s->toolbarPixmap, toolbar);
  const bool hasAppbar = Publish(s, &s->appbarPixmap, appbar);

  QXResourceDB* db = QXResourceDBCreate();
  for (const char* key : kThemeColorKeys) {
    const char* v = QXRegGetStringValue(theme, key);
    if (v && *v) QXResourceDBAddString(db, key, v);
  }
  if (hasToolbar) QXResourceDBAddString(db, "toolbar_pixmap", ("#" + std::to_string(s->toolbarPixmap)).c_str());
  if (hasAppbar) QXResourceDBAddString(db, "appbar_pixmap", ("#" + std::to_string(s->appbarPixmap)).c_str());
  QXResourceDBSave(db, d, s->sdk.root, info);
  QXResourceDBFree(db);

  Pixmap background = package ? PixmapValue(QXRegGetStringValue(theme, "background_pixmap"))
                              : LoadRegistryPicture(s, theme, nullptr, "background_pixmap_file");
  if (background != None && (!package || PixmapUsable(d, background))) {
    if (s->themeBackgroundPixmap) XFreePixmap(d, s->themeBackgroundPixmap);
    s->themeBackgroundPixmap = background;
  }
  QXRegDestroyObject(theme);
  if (!s->themeMenu) BuildThemeMenu(s);
  XFlush(d);
}

void ApplyThemeAndRepaint(ShellState* s, const char* name) {
  ApplyTheme(s, name);
  Display* d = s->sdk.display;
  if (!d) return;
  if (!s->backgroundFromServerPrefs && s->themeBackgroundPixmap)
    XSetWindowBackgroundPixmap(d, s->sdk.root, s->themeBackgroundPixmap);
  for (ManagedWindow* m = s->managedWindows; m; m = m->next) {
    XSetWindowBackground(d, m->frame->window, s->frameFace);
    XClearArea(d, m->frame->window, 0, 0, 0, 0, True);
  }
  XClearArea(d, s->sdk.root, 0, 0, 0, 0, True);
  XFlush(d);
}

bool BuildThemeMenu(ShellState* s) {
  ThemeMenuState& menu = Menu();
  menu.entries.clear();
  menu.current = -1;
  const std::string current = CurrentThemePreference();
  std::vector<ThemeListEntry> listed;
  if (ReadThemeList(&listed) && !listed.empty()) {
    menu.fromPackage = true;
    for (auto& t : listed) {
      if (menu.entries.size() >= MaxThemeMenuEntries) break;
      if (BaseName(t.definition) == current) menu.current = static_cast<int>(menu.entries.size());
      menu.entries.push_back({t.label, t.definition});
    }
  } else {
    menu.fromPackage = false;
    const std::string dir = std::string(QXRegistryDirectory()) + "/desktop/themes";
    std::vector<std::string> names;
    if (DIR* dp = opendir(dir.c_str())) {
      while (dirent* e = readdir(dp))
        if (!std::strchr(e->d_name, '.')) names.push_back(e->d_name);
      closedir(dp);
    }
    // One order whatever the file system's.
    std::sort(names.begin(), names.end());
    const char* lang = std::getenv("LANG");
    for (const std::string& n : names) {
      if (menu.entries.size() >= MaxThemeMenuEntries) break;
      QXRegObject* o = nullptr;
      if (QXRegGetObjectSimple(("/desktop/themes/" + n).c_str(), &o) != QXRegOk) continue;
      const char* label = nullptr;
      if (lang && *lang) label = QXRegGetStringValue(o, ("name." + std::string(lang)).c_str());
      if (!label) label = QXRegGetStringValue(o, "name");
      if (label && *label) {
        if (n == current) menu.current = static_cast<int>(menu.entries.size());
        menu.entries.push_back({label, n});
      }
      QXRegDestroyObject(o);
    }
  }
  if (s->themeMenu) {
    DestroySimpleMenu(s->themeMenu);
    s->themeMenu = nullptr;
  }
  if (menu.entries.empty()) return false;
  const char* title = CatalogText(TextColorThemeTitle);
  std::vector<SimpleMenuItem> items = {{*title == '<' ? title + 1 : title, -1}, {nullptr, 0}};
  for (size_t i = 0; i < menu.entries.size(); ++i) items.push_back({menu.entries[i].label.c_str(), static_cast<int>(i)});
  s->themeMenu = CreateSimpleMenu(&s->sdk, items.data(), static_cast<int>(items.size()), ThemeMenuProc, s, s->menuFont);
  if (s->themeMenu) SetSimpleMenuTests(s->themeMenu, ThemeMenuSensitive, ThemeMenuChecked);
  return s->themeMenu != nullptr;
}

void MarkCurrentTheme(ShellState*, const char* name) {
  ThemeMenuState& menu = Menu();
  const std::string wanted = name ? name : "default";
  for (size_t i = 0; i < menu.entries.size(); ++i)
    if (menu.entries[i].name == wanted) menu.current = static_cast<int>(i);
}

void SelectTheme(ShellState* s, int index) {
  ThemeMenuState& menu = Menu();
  if (index < 0 || index >= static_cast<int>(menu.entries.size())) return;
  const ThemeEntry entry = menu.entries[static_cast<size_t>(index)];
  QXRegObject* o = nullptr;
  if (QXRegGetObjectSimple(kPreferences, &o) != QXRegOk) o = QXRegCreateObject();
  if (!o) return;
  const char* v = QXRegGetStringValue(o, "current_theme");
  const std::string current = v && *v ? v : "default";
  const std::string base = BaseName(entry.name);
  if (current == base) {
    QXRegDestroyObject(o);
    return;
  }
  menu.current = index;
  QXRegSetStringValue(o, "current_theme", base.c_str());
  QXRegSetObjectSimple(kPreferences, o);
  QXRegDestroyObject(o);
  ApplyThemeAndRepaint(s, entry.name.c_str());
  NotifyThemeChanged(s);
  if (!OnlyTolerantClients(s))
    CreateMessageBox(&s->sdk, CatalogText(TextThemeWarning), CatalogText(TextOk), "QXW3504", 0);
}
