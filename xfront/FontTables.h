#pragma once
// The candidate session fonts: one size table per font family, the base font
// name of a table entry, and the window-size arithmetic of an entry. No X
// here: the server side (availability, loading) is in FontSelection.h.
#include <cstddef>

// One candidate font.
struct FontStats {
  int cellWidth;           // pixels
  int cellHeight;          // pixels
  int width80;             // window width for 80 columns
  int height24WithMenu;    // window height for 24 rows with the menu bar
  int height24NoMenu;      // window height for 24 rows without the menu bar
  const char* resx;        // replaces "&resx" in the family template (null: complete name)
  const char* pix;         // replaces "&pix"
  const char* fontName;    // complete font name, or null
  bool fixedFont;          // offered by "fontMenu" "fixed_fonts_only"
};

enum class FontFamilyId {
  Variable,            // the mixed 18-entry table
  QavHelvetica,        // 170 entries, "-qav-helvetica monospaced-..."
  QavMono,             // 170 entries, "-qav-mono-..."
  JavaLucida,          // 16 entries, "-java-lucidatypewriter-..."
  BhLucida,            // 14 entries, "-b&h-lucidatypewriter-..."
};

struct FontFamily {
  FontFamilyId id;
  const char* probe;       // pattern asked of the server; null: never probed
  const char* nameTemplate;
  const FontStats* table;
  int count;
  int step;                // index distance to the next taller or shorter font
};

const FontFamily& FontFamilyOf(FontFamilyId id);

// The families in the order they are tried when a session window starts
// (the "variable" family is chosen only on request).
constexpr FontFamilyId kFamilySearchOrder[] = {FontFamilyId::QavHelvetica, FontFamilyId::QavMono,
                                               FontFamilyId::JavaLucida, FontFamilyId::BhLucida};

constexpr size_t kFontNameBufferSize = 128;

// Builds the base font name of entry n of the family into buf (size bytes):
// the template with "&pix" and "&resx" replaced by the entry's texts, or the
// entry's complete name. Returns buf, or null (buf empty) when n is out of
// range or the name does not fit.
char* GenerateFontNameString(const FontFamily& family, int n, char* buf, size_t size);

// The frame sizes the window manager adds around a window.
struct FrameSizes {
  int left = 0, right = 0, top = 0, bottom = 0, title = 0;
};

// Width and height of entry n's window for cols x rows (without frame).
int FontWindowWidth(const FontStats& entry, int cols);
int FontWindowHeight(const FontStats& entry, int rows, bool withMenuBar);

// True when entry n's window for cols x rows, with the frame, fits into
// maxWidth x maxHeight. An index out of range never fits.
bool DoesFontFitOnScreen(const FontFamily& family, int n, int cols, int rows, bool withMenuBar,
                         const FrameSizes& frame, int maxWidth, int maxHeight);
