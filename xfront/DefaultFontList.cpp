#include "xfront/DefaultFontList.h"

#include <X11/Xlib.h>

#include <clocale>
#include <cstring>
#include <string>

#include "base/LogMsg.h"
#include "session/AppResources.h"
#include "xfront/FontSelection.h"

namespace {

constexpr const char* kThaiFont = "*thaicpcom-medium-r-normal--15-150-75-75-m-70*";
// The Thai font of the same cell width that Debian has (xfonts-thai).
constexpr const char* kThaiFallbackFont = "-thai-fixed-medium-r-normal--14-*";
constexpr const char* kOldFixedFont = "-qav-roman-medium-r-normal--20-140-100-100-c-90-*";

struct Fallback {
  const char* probe;
  const char* name;
};
constexpr Fallback kFallbacks[] = {
    {"-qav-helvetica monospaced-medium-r-normal-*", "-qav-helvetica monospaced-medium-r-normal--17-*-100-100-m-*-*"},
    {"-qav-mono-medium-r-normal-*", "-qav-mono-medium-r-normal--17-*-100-100-m-*-*"},
    {"-java-lucidatypewriter-medium-r-normal-*", "-java-lucidatypewriter-medium-r-normal--17-*-100-100-m-*-*"},
};
constexpr const char* kLastResort = "-b&h-lucidatypewriter-medium-r-normal-sans-17-*-100-100-m-*-*";

// "th_TH", also with a code set or modifier after it.
bool IsThaiLocale(const char* locale) {
  if (!locale || std::strncmp(locale, "th_TH", 5) != 0) return false;
  return locale[5] == '\0' || locale[5] == '.' || locale[5] == '@';
}

}  // namespace

const char* DefaultFontName(Display* display, const char* locale, bool oldFixedFonts) {
  if (IsThaiLocale(locale))
    return IsFontAvailable(display, kThaiFont) || !IsFontAvailable(display, kThaiFallbackFont) ? kThaiFont
                                                                                              : kThaiFallbackFont;
  if (oldFixedFonts && IsFontAvailable(display, kOldFixedFont)) return kOldFixedFont;
  for (const Fallback& f : kFallbacks)
    if (IsFontAvailable(display, f.probe)) return f.name;
  return kLastResort;
}

XmFontList LoadDefaultFont_GetFontList(Display* display, XFontSet* fontSet, const char* locale) {
  if (fontSet) *fontSet = nullptr;
  if (!display) return nullptr;
  const char* current = std::setlocale(LC_CTYPE, nullptr);
  const std::string saved = current ? current : "C";
  const std::string use = locale && *locale ? locale : saved;
  if (!std::setlocale(LC_CTYPE, use.c_str())) std::setlocale(LC_CTYPE, saved.c_str());
  const char* resource = AppResources().FONTS_TO_USE;
  const bool oldFixed = resource && std::strcmp(resource, "OLD_FIXED_FONTS") == 0;
  const char* name = DefaultFontName(display, use.c_str(), oldFixed);
  char** missing = nullptr;
  int missingCount = 0;
  char* defaultString = nullptr;
  XFontSet set = XCreateFontSet(display, name, &missing, &missingCount, &defaultString);
  if (missing) XFreeStringList(missing);
  XmFontList list = nullptr;
  if (!set) {
    LogMsg(LevelError, "%s: Unable to create fontset for font string %s\n", "QWC0106", name);
  } else {
    XmFontListEntry entry = XmFontListEntryCreate(const_cast<char*>(XmFONTLIST_DEFAULT_TAG), XmFONT_IS_FONTSET,
                                                  reinterpret_cast<XtPointer>(set));
    if (entry) {
      list = XmFontListAppendEntry(nullptr, entry);
      XmFontListEntryFree(&entry);
    }
    if (!list) {
      XFreeFontSet(display, set);
      set = nullptr;
    }
  }
  std::setlocale(LC_CTYPE, saved.c_str());
  if (fontSet) *fontSet = set;
  return list;
}
