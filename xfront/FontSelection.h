#pragma once
// The server side of the session fonts: which family the server offers, and
// a table entry turned into a font set and a one-entry Motif font list.
#include <Xm/Xm.h>

#include <functional>

#include "xfront/FontTables.h"

// 1 when the server lists at least one font matching the pattern, else 0.
int IsFontAvailable(Display* display, const char* pattern);

// The family a session window uses: with oldFixedFonts (FONTS_TO_USE
// "OLD_FIXED_FONTS") the mixed family when every one of its fonts is there;
// otherwise the first family of kFamilySearchOrder whose probe the server
// knows, the b&h family last of all without a probe.
const FontFamily& ChooseFontFamily(Display* display, bool oldFixedFonts);
// The same choice over an availability test (pattern -> available).
const FontFamily& ChooseFontFamily(const std::function<bool(const char*)>& available,
                                   bool oldFixedFonts);

// One font as a font set under a locale and a one-entry font list (default
// tag) holding that set.
struct LoadedFontSet {
  XFontSet fontSet = nullptr;
  XmFontList fontList = nullptr;
  XFontStruct* font = nullptr;  // the set's first font, loaded by its name (owned here)
};

// Creates the font set of baseName with LC_CTYPE set to locale (the current
// LC_CTYPE when locale is null, empty or unknown to the C library), restoring
// LC_CTYPE afterwards. False (nothing to free) when no font set or no font list
// can be made; the cause is logged at debug level.
bool LoadFontSet(Display* display, const char* baseName, const char* locale, LoadedFontSet* out);
// Frees what LoadFontSet made and empties *set.
void FreeFontSet(Display* display, LoadedFontSet* set);
