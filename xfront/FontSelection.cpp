#include "xfront/FontSelection.h"

#include <X11/Xlib.h>

#include <clocale>
#include <string>

#include "base/LogMsg.h"

int IsFontAvailable(Display* display, const char* pattern) {
  if (!display || !pattern) return 0;
  int count = 0;
  char** names = XListFonts(display, pattern, 20, &count);
  if (names) XFreeFontNames(names);
  return count > 0 ? 1 : 0;
}

const FontFamily& ChooseFontFamily(const std::function<bool(const char*)>& available,
                                   bool oldFixedFonts) {
  if (oldFixedFonts) {
    const FontFamily& variable = FontFamilyOf(FontFamilyId::Variable);
    bool all = true;
    char name[kFontNameBufferSize];
    for (int i = 0; i < variable.count && all; ++i)
      all = GenerateFontNameString(variable, i, name, sizeof name) && available(name);
    if (all) return variable;
    if (DebugFlag()) LogMsg(LevelDebug, "Not all of the old fixed fonts are available.\n");
  }
  for (FontFamilyId id : kFamilySearchOrder) {
    const FontFamily& family = FontFamilyOf(id);
    if (id == FontFamilyId::BhLucida) return family;  // the last resort is not probed
    if (available(family.probe)) return family;
    if (DebugFlag()) LogMsg(LevelDebug, "Font family %s is not available.\n", family.probe);
  }
  return FontFamilyOf(FontFamilyId::BhLucida);
}

const FontFamily& ChooseFontFamily(Display* display, bool oldFixedFonts) {
  return ChooseFontFamily([display](const char* p) { return IsFontAvailable(display, p) != 0; },
                          oldFixedFonts);
}

namespace {

// Sets LC_CTYPE for the life of the object and restores it afterwards.
class CTypeLocale {
 public:
  explicit CTypeLocale(const char* locale) {
    const char* now = setlocale(LC_CTYPE, nullptr);
    saved_ = now ? now : "C";
    if (locale && *locale && !setlocale(LC_CTYPE, locale)) {
      if (DebugFlag()) LogMsg(LevelDebug, "Locale %s is not available, fonts use %s.\n", locale, saved_.c_str());
      setlocale(LC_CTYPE, saved_.c_str());
    }
  }
  ~CTypeLocale() { setlocale(LC_CTYPE, saved_.c_str()); }
  CTypeLocale(const CTypeLocale&) = delete;
  CTypeLocale& operator=(const CTypeLocale&) = delete;

 private:
  std::string saved_;
};

}  // namespace

bool LoadFontSet(Display* display, const char* baseName, const char* locale, LoadedFontSet* out) {
  if (!out) return false;
  *out = LoadedFontSet();
  if (!display || !baseName || !*baseName) return false;
  CTypeLocale inLocale(locale);
  char** missing = nullptr;
  int missingCount = 0;
  char* defaultString = nullptr;
  XFontSet set = XCreateFontSet(display, baseName, &missing, &missingCount, &defaultString);
  if (missing) {
    if (DebugFlag())
      for (int i = 0; i < missingCount; ++i)
        LogMsg(LevelDebug, "Font %s has no charset %s.\n", baseName, missing[i]);
    XFreeStringList(missing);
  }
  if (!set) {
    if (DebugFlag()) LogMsg(LevelDebug, "No font set for %s.\n", baseName);
    return false;
  }
  XFontStruct** fonts = nullptr;
  char** names = nullptr;
  if (XFontsOfFontSet(set, &fonts, &names) < 1 || !fonts || !fonts[0]) {
    if (DebugFlag()) LogMsg(LevelDebug, "Font set for %s holds no font.\n", baseName);
    XFreeFontSet(display, set);
    return false;
  }
  // The set's own font records may be information-only ones that Xlib frees
  // and replaces when it loads the font on first use; the metrics and the
  // font id come from a font of our own, loaded under the set's font name.
  XFontStruct* font = names && names[0] ? XLoadQueryFont(display, names[0]) : nullptr;
  if (!font) {
    if (DebugFlag())
      LogMsg(LevelDebug, "Font %s of the set for %s cannot be loaded.\n", names && names[0] ? names[0] : "", baseName);
    XFreeFontSet(display, set);
    return false;
  }
  XmFontListEntry entry = XmFontListEntryCreate(const_cast<char*>(XmFONTLIST_DEFAULT_TAG),
                                                XmFONT_IS_FONTSET, reinterpret_cast<XtPointer>(set));
  XmFontList list = entry ? XmFontListAppendEntry(nullptr, entry) : nullptr;
  if (entry) XmFontListEntryFree(&entry);
  if (!list) {
    if (DebugFlag()) LogMsg(LevelDebug, "No font list for %s.\n", baseName);
    XFreeFont(display, font);
    XFreeFontSet(display, set);
    return false;
  }
  out->fontSet = set;
  out->fontList = list;
  out->font = font;
  return true;
}

void FreeFontSet(Display* display, LoadedFontSet* set) {
  if (!set) return;
  if (set->fontList) XmFontListFree(set->fontList);
  if (set->font && display) XFreeFont(display, set->font);
  if (set->fontSet && display) XFreeFontSet(display, set->fontSet);
  *set = LoadedFontSet();
}
