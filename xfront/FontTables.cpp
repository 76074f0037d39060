#include "xfront/FontTables.h"

#include <cstring>
#include <string>

namespace {

// ---- The 170-entry table: 17 rows of one cell height, 10 cell widths each.
struct RowSpec {
  int cellHeight;
  const char* pix;
  int heightWithMenu;
  int heightNoMenu;
  const char* resx[10];  // for cell widths 15 down to 6
  int fixedColumn;       // column whose entry is a fixed font, -1 none
};

constexpr RowSpec kRows[17] = {
    {31, "25", 834, 785, {"100", "90", "87", "80", "74", "67", "60", "54", "47", "40"}, 0},
    {30, "24", 808, 760, {"106", "100", "93", "84", "79", "72", "63", "58", "50", "43"}, -1},
    {28, "23", 756, 710, {"108", "100", "93", "86", "79", "72", "65", "58", "50", "47"}, -1},
    {27, "22", 730, 685, {"114", "108", "100", "93", "85", "77", "70", "62", "54", "47"}, 3},
    {26, "21", 704, 660, {"118", "108", "100", "93", "85", "77", "70", "62", "54", "47"}, -1},
    {25, "20", 678, 635, {"125", "117", "109", "100", "92", "84", "75", "67", "59", "50"}, -1},
    {23, "19", 626, 585, {"133", "128", "117", "108", "100", "91", "80", "73", "64", "55"}, -1},
    {22, "18", 600, 560, {"137", "128", "119", "110", "100", "91", "82", "73", "64", "55"}, -1},
    {21, "17", 574, 535, {"148", "140", "130", "120", "110", "100", "90", "80", "70", "60"}, 5},
    {20, "16", 548, 510, {"153", "143", "130", "123", "110", "100", "93", "80", "70", "60"}, -1},
    {19, "15", 522, 485, {"167", "156", "145", "134", "123", "112", "100", "89", "78", "67"}, -1},
    {17, "14", 473, 435, {"182", "175", "160", "145", "138", "125", "110", "100", "88", "75"}, 7},
    {16, "12", 448, 410, {"210", "200", "186", "169", "158", "143", "126", "115", "100", "86"}, -1},
    {15, "11", 419, 386, {"225", "215", "189", "186", "161", "143", "135", "115", "100", "89"}, -1},
    {13, "10", 369, 338, {"250", "234", "217", "200", "184", "167", "150", "134", "117", "100"}, -1},
    {12, "9", 344, 314, {"275", "250", "234", "217", "200", "184", "167", "150", "125", "108"}, -1},
    {11, "8", 323, 290, {"310", "300", "260", "250", "220", "200", "184", "167", "140", "125"}, 9},
};

struct Table170 {
  FontStats entries[170];
  Table170() {
    for (int r = 0; r < 17; ++r) {
      for (int c = 0; c < 10; ++c) {
        const int w = 15 - c;
        entries[r * 10 + c] = FontStats{w,
                                        kRows[r].cellHeight,
                                        80 * w + 4,
                                        kRows[r].heightWithMenu,
                                        kRows[r].heightNoMenu,
                                        kRows[r].resx[c],
                                        kRows[r].pix,
                                        nullptr,
                                        kRows[r].fixedColumn == c};
      }
    }
  }
};

// The window heights of the smaller tables are not measured per entry: the
// space around the 24 rows (menu bar, status line, borders) is taken from the
// row of the 170-entry table with the nearest cell height.
void HeightsFor(int cellHeight, int* withMenu, int* noMenu) {
  const RowSpec* best = &kRows[0];
  for (const RowSpec& r : kRows) {
    const int d = r.cellHeight > cellHeight ? r.cellHeight - cellHeight : cellHeight - r.cellHeight;
    const int bd = best->cellHeight > cellHeight ? best->cellHeight - cellHeight
                                                 : cellHeight - best->cellHeight;
    if (d < bd) best = &r;
  }
  *withMenu = 24 * cellHeight + (best->heightWithMenu - 24 * best->cellHeight);
  *noMenu = 24 * cellHeight + (best->heightNoMenu - 24 * best->cellHeight);
}

struct SmallSpec {
  int w, h;
  const char* pix;
  const char* resx;      // null with a complete name
  const char* fontName;  // null with a templated entry
  bool fixed;
};

template <size_t N>
struct SmallTable {
  FontStats entries[N];
  explicit SmallTable(const SmallSpec (&spec)[N]) {
    for (size_t i = 0; i < N; ++i) {
      int withMenu = 0, noMenu = 0;
      HeightsFor(spec[i].h, &withMenu, &noMenu);
      entries[i] = FontStats{spec[i].w, spec[i].h,    80 * spec[i].w + 4, withMenu,
                             noMenu,    spec[i].resx, spec[i].pix,        spec[i].fontName,
                             spec[i].fixed};
    }
  }
};

constexpr SmallSpec kJava[16] = {
    {15, 29, "25", "100", nullptr, true},  {14, 29, "24", "100", nullptr, false},
    {14, 28, "23", "100", nullptr, false}, {13, 27, "22", "100", nullptr, false},
    {13, 25, "21", "100", nullptr, false}, {12, 24, "20", "100", nullptr, true},
    {11, 23, "19", "100", nullptr, false}, {11, 21, "18", "100", nullptr, false},
    {10, 21, "17", "100", nullptr, true},  {10, 20, "16", "100", nullptr, false},
    {9, 18, "15", "100", nullptr, false},  {8, 17, "14", "100", nullptr, true},
    {8, 16, "13", "100", nullptr, false},  {7, 15, "12", "100", nullptr, false},
    {7, 13, "11", "100", nullptr, true},   {6, 13, "10", "100", nullptr, false},
};

constexpr SmallSpec kBh[14] = {
    {15, 28, "25", "100", nullptr, true},  {14, 27, "24", "100", nullptr, false},
    {13, 24, "23", "100", nullptr, false}, {12, 24, "22", "100", nullptr, false},
    {12, 23, "21", "100", nullptr, false}, {12, 22, "20", "100", nullptr, true},
    {11, 19, "18", "100", nullptr, false}, {10, 18, "17", "100", nullptr, true},
    {9, 15, "15", "100", nullptr, false},  {8, 16, "14", "100", nullptr, true},
    {8, 14, "13", "100", nullptr, false},  {7, 13, "12", "100", nullptr, false},
    {7, 12, "11", "100", nullptr, true},   {6, 11, "10", "100", nullptr, false},
};

// The mixed table: templated helvetica-monospaced entries and fonts named in
// full, from 15x31 down to 6x11.
constexpr SmallSpec kVariable[18] = {
    {15, 31, "25", "100", nullptr, true},
    {12, 30, nullptr, nullptr, "-qav-roman-medium-r-normal--30-210-100-100-c-120-*", true},
    {13, 28, "23", "93", nullptr, true},
    {12, 27, "22", "93", nullptr, true},
    {12, 23, nullptr, nullptr, "-qav-ergonomice-medium-r-normal-iso9241-23-170-100-100-c-120-*", true},
    {11, 23, nullptr, nullptr, "-qav-block-medium-r-normal--23-160-100-100-c-110-*", true},
    {11, 22, "18", "100", nullptr, true},
    {10, 21, "17", "100", nullptr, true},
    {10, 20, nullptr, nullptr, "-qav-ergonomic-medium-r-normal-iso9241-20-150-100-100-c-*", true},
    {9, 20, nullptr, nullptr, "-qav-roman-medium-r-normal--20-140-100-100-c-90-*", true},
    {9, 19, "15", "100", nullptr, true},
    {8, 17, "14", "100", nullptr, true},
    {7, 15, nullptr, nullptr, "-qav-blocke-medium-r-normal--15-100-100-100-c-70-*", true},
    {9, 15, nullptr, nullptr, "-qav-misc fixed-bold-r-normal--15-140-75-75-c-90-*", true},
    {7, 15, nullptr, nullptr, "-qav-block-medium-r-normal--15-100-100-100-c-70-*", true},
    {7, 13, "10", "117", nullptr, true},
    {6, 12, "9", "125", nullptr, true},
    {6, 11, nullptr, nullptr, "-qav-roman-medium-r-normal--11-70-100-100-c-60-*", true},
};

const char* const kHelveticaTemplate = "-qav-helvetica monospaced-medium-r-normal--&pix-*-&resx-100-m-*-*";

}  // namespace

const FontFamily& FontFamilyOf(FontFamilyId id) {
  static const Table170 big;
  static const SmallTable<16> java(kJava);
  static const SmallTable<14> bh(kBh);
  static const SmallTable<18> variable(kVariable);
  static const FontFamily families[] = {
      {FontFamilyId::Variable, nullptr, kHelveticaTemplate, variable.entries, 18, 1},
      {FontFamilyId::QavHelvetica, "-qav-helvetica monospaced-medium-r-normal-*", kHelveticaTemplate,
       big.entries, 170, 10},
      {FontFamilyId::QavMono, "-qav-mono-medium-r-normal-*",
       "-qav-mono-medium-r-normal--&pix-*-&resx-100-m-*-*", big.entries, 170, 10},
      {FontFamilyId::JavaLucida, "-java-lucidatypewriter-medium-r-normal-*",
       "-java-lucidatypewriter-medium-r-normal--&pix-*-&resx-100-m-*-*", java.entries, 16, 1},
      {FontFamilyId::BhLucida, "-b&h-lucidatypewriter-medium-r-normal-*",
       "-b&h-lucidatypewriter-medium-r-normal-sans-&pix-*-&resx-100-m-*-*", bh.entries, 14, 1},
  };
  return families[static_cast<int>(id)];
}

char* GenerateFontNameString(const FontFamily& family, int n, char* buf, size_t size) {
  if (!buf || size == 0) return nullptr;
  buf[0] = '\0';
  if (n < 0 || n >= family.count) return nullptr;
  const FontStats& e = family.table[n];
  std::string name;
  if (!e.resx) {
    if (!e.fontName) return nullptr;
    name = e.fontName;
  } else {
    const std::string tpl = family.nameTemplate;
    const size_t pixAt = tpl.find("&pix");
    const size_t resxAt = tpl.find("&resx");
    if (pixAt == std::string::npos || resxAt == std::string::npos || resxAt < pixAt) return nullptr;
    name = tpl.substr(0, pixAt) + e.pix + tpl.substr(pixAt + 4, resxAt - pixAt - 4) + e.resx +
           tpl.substr(resxAt + 5);
  }
  if (name.size() + 1 > size) return nullptr;
  std::memcpy(buf, name.c_str(), name.size() + 1);
  return buf;
}

int FontWindowWidth(const FontStats& entry, int cols) {
  return entry.width80 + (cols - 80) * entry.cellWidth;
}

int FontWindowHeight(const FontStats& entry, int rows, bool withMenuBar) {
  return (withMenuBar ? entry.height24WithMenu : entry.height24NoMenu) + (rows - 24) * entry.cellHeight;
}

bool DoesFontFitOnScreen(const FontFamily& family, int n, int cols, int rows, bool withMenuBar,
                         const FrameSizes& frame, int maxWidth, int maxHeight) {
  if (n < 0 || n >= family.count) return false;
  const FontStats& e = family.table[n];
  // Plain int arithmetic: a large screen or a large font must not wrap.
  const long width = static_cast<long>(FontWindowWidth(e, cols)) + frame.left + frame.right;
  const long height =
      static_cast<long>(FontWindowHeight(e, rows, withMenuBar)) + frame.top + frame.title + frame.bottom;
  return width <= maxWidth && height <= maxHeight;
}
