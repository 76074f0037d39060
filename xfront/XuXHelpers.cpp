#include "xfront/XuXHelpers.h"

#include <Xm/Label.h>
#include <Xm/LabelG.h>
#include <Xm/MessageB.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "base/LogMsg.h"

int XuAddFontDirectory(Display* display, const char* dir) {
  if (!display || !dir || !*dir) return 0;
  std::string path = dir;
  if (path.size() > 1000) {
    LogMsg(LevelError, "XuAddFontDirectory: directory name too long.\n");
    return 0;
  }
  struct stat st {};
  if (stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    LogMsg(LevelError, "XuAddFontDirectory: %s is not a directory.\n", path.c_str());
    return 0;
  }
  if (path.back() != '/') path += '/';
  int count = 0;
  char** now = XGetFontPath(display, &count);
  bool onPath = false;
  for (int i = 0; i < count && !onPath; ++i) {
    std::string entry = now[i] ? now[i] : "";
    if (!entry.empty() && entry.back() != '/') entry += '/';
    onPath = entry == path;
  }
  if (onPath) {
    if (now) XFreeFontPath(now);
    return 1;
  }
  const std::string fontsDir = path + "fonts.dir";
  struct stat fst {};
  if (stat(fontsDir.c_str(), &fst) != 0 || !S_ISREG(fst.st_mode) || access(fontsDir.c_str(), R_OK) != 0) {
    if (now) XFreeFontPath(now);
    LogMsg(LevelError, "XuAddFontDirectory: %s holds no readable fonts.dir.\n", path.c_str());
    return 0;
  }
  std::vector<char*> next(now, now + count);
  next.push_back(const_cast<char*>(path.c_str()));
  XSetFontPath(display, next.data(), static_cast<int>(next.size()));
  if (now) XFreeFontPath(now);
  return 1;
}

namespace {

bool gTreeError = false;
int IgnoreTreeError(Display*, XErrorEvent*) {
  gTreeError = true;
  return 0;
}

bool FindBelow(Display* display, Window parent, Window wanted, int depth) {
  if (depth > 64) return false;  // deeper than any real window tree
  Window root = None, up = None;
  Window* children = nullptr;
  unsigned int n = 0;
  if (!XQueryTree(display, parent, &root, &up, &children, &n)) return false;
  bool found = false;
  for (unsigned int i = 0; i < n && !found; ++i)
    found = children[i] == wanted || FindBelow(display, children[i], wanted, depth + 1);
  if (children) XFree(children);
  return found;
}

}  // namespace

bool XuWindowInTree(Widget w, Window window) {
  if (!w || window == None) return false;
  Display* display = XtDisplay(w);
  XSync(display, False);
  XErrorHandler previous = XSetErrorHandler(IgnoreTreeError);
  bool found = false;
  for (int s = 0; s < ScreenCount(display) && !found; ++s) {
    const Window root = RootWindow(display, s);
    found = root == window || FindBelow(display, root, window, 0);
  }
  XSync(display, False);
  XSetErrorHandler(previous);
  gTreeError = false;
  return found;
}

void XuSetLabelText(Widget w, const char* text) {
  if (!w) return;
  XmString s = XmStringCreateLtoR(const_cast<char*>(text ? text : ""),
                                  const_cast<char*>(XmFONTLIST_DEFAULT_TAG));
  if (!s) return;
  if (XmIsMessageBox(w))
    XtVaSetValues(w, XmNmessageString, s, nullptr);
  else
    XtVaSetValues(w, XmNlabelString, s, nullptr);
  XmStringFree(s);
}

bool XuOsfBackSpaceUnknown() { return XStringToKeysym("osfBackSpace") == NoSymbol; }

int XuFontListIndex(XmFontList list, XFontStruct* font) {
  if (!list || !font) return -1;
  XmFontContext context = nullptr;
  if (!XmFontListInitFontContext(&context, list)) return -1;
  int index = -1;
  for (int i = 0; index < 0; ++i) {
    XmFontListEntry entry = XmFontListNextEntry(context);
    if (!entry) break;
    XmFontType type;
    XtPointer value = XmFontListEntryGetFont(entry, &type);
    if (!value) continue;
    if (type == XmFONT_IS_FONT) {
      if (static_cast<XFontStruct*>(value)->fid == font->fid) index = i;
    } else if (type == XmFONT_IS_FONTSET) {
      XFontStruct** fonts = nullptr;
      char** names = nullptr;
      const int n = XFontsOfFontSet(static_cast<XFontSet>(value), &fonts, &names);
      for (int k = 0; k < n && index < 0; ++k)
        if (fonts[k] && fonts[k]->fid == font->fid) index = i;
    }
  }
  XmFontListFreeFontContext(context);
  return index;
}

void XuFree(void* block) {
  if (DebugFlag()) LogMsg(LevelDebug, "Freeing 0x%p \n", block);
  std::free(block);
}

namespace {
bool gWarned = false;
void NoteWarningMsg(String, String, String, String, String*, Cardinal*) { gWarned = true; }
void NoteWarning(String) { gWarned = true; }
}  // namespace

int XuCallActionCatchingWarnings(Widget w, const char* action, XEvent* event, String* params,
                                 Cardinal numParams) {
  if (!w || !action) return 0;
  XtAppContext app = XtWidgetToApplicationContext(w);
  const bool outer = gWarned;
  gWarned = false;
  XtErrorMsgHandler oldMsg = XtAppSetWarningMsgHandler(app, NoteWarningMsg);
  XtErrorHandler old = XtAppSetWarningHandler(app, NoteWarning);
  XtCallActionProc(w, action, event, params, numParams);
  XtAppSetWarningMsgHandler(app, oldMsg);
  XtAppSetWarningHandler(app, old);
  const bool warned = gWarned;
  gWarned = outer;
  return warned ? 0 : 1;
}

namespace {
const char* gKeysymDb = nullptr;

bool Readable(const char* path) {
  struct stat st {};
  return path && *path && stat(path, &st) == 0 && S_ISREG(st.st_mode) && access(path, R_OK) == 0;
}
}  // namespace

void XuUseKeysymDatabase() {
  const char* given = std::getenv("XKEYSYMDB");
  if (Readable(given)) {
    gKeysymDb = given;
    return;
  }
  static const char* const kCandidates[] = {
#ifdef QW_KEYSYMDB_INSTALLED
      QW_KEYSYMDB_INSTALLED,
#endif
#ifdef QW_KEYSYMDB_SOURCE
      QW_KEYSYMDB_SOURCE,
#endif
      nullptr};
  for (const char* const* c = kCandidates; *c; ++c) {
    if (Readable(*c)) {
      setenv("XKEYSYMDB", *c, 1);
      gKeysymDb = *c;
      return;
    }
  }
  gKeysymDb = nullptr;
}

const char* XuKeysymDatabasePath() { return gKeysymDb; }
