#pragma once
// The default font list of the program's windows (dialogs and other windows
// built without a session font): a font of the first family the server has,
// as a font set under the program's locale.
#include <Xm/Xm.h>

// The font list (one font-set entry, default tag) and its font set through
// `fontSet`; null for both, with an error logged, when no font set can be
// made. `locale` is the program's remembered locale (null: the current
// LC_CTYPE); LC_CTYPE is the same afterwards.
XmFontList LoadDefaultFont_GetFontList(Display* display, XFontSet* fontSet, const char* locale = nullptr);

// The base font name the default font list uses (no X calls beyond the
// availability test).
const char* DefaultFontName(Display* display, const char* locale, bool oldFixedFonts);
