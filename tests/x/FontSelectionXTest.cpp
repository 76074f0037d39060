// Session fonts on this machine's server: the family chosen, every size of
// its table loads, and a family added to the font path is preferred.
#include "tests/x/XtAppFixture.h"

#include <X11/Xatom.h>
#include <unistd.h>

#include <clocale>
#include <fstream>
#include <string>

#include "tests/support/TempDir.h"
#include "tests/support/XWindows.h"
#include "xfront/DefaultFontList.h"
#include "xfront/FontSelection.h"
#include "xfront/FontTables.h"
#include "xfront/Win3270.h"
#include "xfront/XuXHelpers.h"

namespace qwtest {
namespace {

class FontSelectionXTest : public XtAppFixture {};

unsigned long PixelSize(Display* d, XFontStruct* f) {
  unsigned long value = 0;
  return XGetFontProperty(f, XInternAtom(d, "PIXEL_SIZE", False), &value) ? value : 0;
}

TEST_F(FontSelectionXTest, WithoutTheQavAndJavaFamiliesTheLucidaFamilyIsUsed) {
  EXPECT_EQ(IsFontAvailable(xtDisplay_, FontFamilyOf(FontFamilyId::QavHelvetica).probe), 0);
  EXPECT_EQ(IsFontAvailable(xtDisplay_, FontFamilyOf(FontFamilyId::JavaLucida).probe), 0);
  EXPECT_EQ(IsFontAvailable(xtDisplay_, "fixed"), 1);
  EXPECT_EQ(IsFontAvailable(xtDisplay_, nullptr), 0);
  EXPECT_EQ(ChooseFontFamily(xtDisplay_, false).id, FontFamilyId::BhLucida);
  EXPECT_EQ(ChooseFontFamily(xtDisplay_, true).id, FontFamilyId::BhLucida);
}

// Each size the table lists exists here, in the C locale and in C.UTF-8.
TEST_F(FontSelectionXTest, EverySizeOfTheChosenFamilyLoads) {
  const FontFamily& family = ChooseFontFamily(xtDisplay_, false);
  for (const char* locale : {"C", "C.UTF-8"}) {
    for (int i = 0; i < family.count; ++i) {
      char name[kFontNameBufferSize];
      ASSERT_NE(GenerateFontNameString(family, i, name, sizeof name), nullptr);
      LoadedFontSet set;
      ASSERT_TRUE(LoadFontSet(xtDisplay_, name, locale, &set)) << locale << " " << name;
      ASSERT_NE(set.font, nullptr);
      EXPECT_EQ(PixelSize(xtDisplay_, set.font), std::stoul(family.table[i].pix)) << name;
      EXPECT_GT(set.font->max_bounds.width, 0);
      FreeFontSet(xtDisplay_, &set);
      EXPECT_EQ(set.fontList, nullptr);
    }
  }
  // The caller's locale is left as it was.
  EXPECT_STREQ(setlocale(LC_CTYPE, nullptr), "C");
}

// In a UTF-8 locale Xlib loads the fonts of a set when it first draws with
// it and frees the information-only records it handed out before: the font
// kept with the set is a font of its own, whole after that first drawing.
TEST_F(FontSelectionXTest, TheSetsFontOutlivesTheFirstDrawingInAUtf8Locale) {
  const FontFamily& family = ChooseFontFamily(xtDisplay_, false);
  char name[kFontNameBufferSize];
  ASSERT_NE(GenerateFontNameString(family, 0, name, sizeof name), nullptr);
  LoadedFontSet set;
  ASSERT_TRUE(LoadFontSet(xtDisplay_, name, "C.UTF-8", &set)) << name;
  ASSERT_NE(set.font, nullptr);
  const int width = set.font->max_bounds.width;
  Pixmap pixmap = XCreatePixmap(xtDisplay_, DefaultRootWindow(xtDisplay_), 64, 64,
                                DefaultDepth(xtDisplay_, DefaultScreen(xtDisplay_)));
  GC gc = XCreateGC(xtDisplay_, pixmap, 0, nullptr);
  XwcDrawImageString(xtDisplay_, pixmap, set.fontSet, gc, 0, 20, L"AB", 2);
  XSync(xtDisplay_, False);
  EXPECT_EQ(set.font->max_bounds.width, width);
  EXPECT_NE(set.font->fid, 0u);
  EXPECT_NE(set.font->per_char, nullptr);
  {
    // The font id is a font the server knows: a GC takes it.
    XErrorTrap trap(xtDisplay_);
    XSetFont(xtDisplay_, gc, set.font->fid);
    XDrawString(xtDisplay_, pixmap, gc, 0, 40, "AB", 2);
    EXPECT_TRUE(trap.Errors().empty());
  }
  XFreeGC(xtDisplay_, gc);
  XFreePixmap(xtDisplay_, pixmap);
  // A font list of sets gives no font of Xlib's to keep.
  EXPECT_EQ(GetFontFromFontList(set.fontList, 1), nullptr);
  FreeFontSet(xtDisplay_, &set);
  EXPECT_EQ(set.font, nullptr);
}

TEST_F(FontSelectionXTest, MissingFontsAndBadNamesFailCleanly) {
  LoadedFontSet set;
  EXPECT_FALSE(LoadFontSet(xtDisplay_, "-qav-mono-medium-r-normal--25-*-100-100-m-*-*", "C", &set));
  EXPECT_FALSE(LoadFontSet(xtDisplay_, "", "C", &set));
  EXPECT_FALSE(LoadFontSet(xtDisplay_, std::string(5000, '-').c_str(), "C", &set));
  EXPECT_FALSE(LoadFontSet(xtDisplay_, "%s%n%s", "C", &set));
  // An unknown locale uses the current one.
  EXPECT_TRUE(LoadFontSet(xtDisplay_, "fixed", "xx_NO.where", &set));
  FreeFontSet(xtDisplay_, &set);
}

// A directory that offers a family tried earlier makes that family the choice.
TEST_F(FontSelectionXTest, AFamilyAddedToTheFontPathIsPreferred) {
  TempDir dir;
  const std::string source = "/usr/share/fonts/X11/100dpi/lutRS14-ISO8859-1.pcf.gz";
  ASSERT_EQ(access(source.c_str(), R_OK), 0);
  {
    std::ifstream in(source, std::ios::binary);
    std::ofstream out(dir.Path() + "/java14.pcf.gz", std::ios::binary);
    out << in.rdbuf();
  }
  dir.WriteFile("fonts.dir",
            "1\njava14.pcf.gz -java-lucidatypewriter-medium-r-normal--14-100-100-100-m-80-iso8859-1\n");
  TempDir empty;
  EXPECT_EQ(XuAddFontDirectory(xtDisplay_, empty.Path().c_str()), 0);  // no fonts.dir
  EXPECT_EQ(XuAddFontDirectory(xtDisplay_, "/nonexistent/fonts"), 0);
  EXPECT_EQ(XuAddFontDirectory(xtDisplay_, std::string(4000, 'a').c_str()), 0);
  ASSERT_EQ(XuAddFontDirectory(xtDisplay_, dir.Path().c_str()), 1);
  EXPECT_EQ(XuAddFontDirectory(xtDisplay_, (dir.Path() + "/").c_str()), 1);  // already there
  int count = 0;
  char** path = XGetFontPath(xtDisplay_, &count);
  int mine = 0;
  for (int i = 0; i < count; ++i) mine += std::string(path[i]) == dir.Path() + "/";
  XFreeFontPath(path);
  EXPECT_EQ(mine, 1);
  EXPECT_EQ(ChooseFontFamily(xtDisplay_, false).id, FontFamilyId::JavaLucida);
}

}  // namespace
}  // namespace qwtest

namespace qwtest {
namespace {

class DefaultFontListTest : public XtAppFixture {};

// The default font list: the 17-pixel font of the first family the server
// has (here the lucidatypewriter fonts), under the locale asked for; a Thai
// font for a Thai locale.
TEST_F(DefaultFontListTest, FirstAvailableFamilyAndTheThaiPattern) {
  const std::string before = std::setlocale(LC_CTYPE, nullptr);
  EXPECT_STREQ(DefaultFontName(xtDisplay_, "C", false), "-b&h-lucidatypewriter-medium-r-normal-sans-17-*-100-100-m-*-*");
  EXPECT_STREQ(DefaultFontName(xtDisplay_, "C", true), "-b&h-lucidatypewriter-medium-r-normal-sans-17-*-100-100-m-*-*");
  // The Thai pattern's fonts are not in Debian: a Thai locale takes the Thai
  // font of the same width that xfonts-thai brings.
  const bool debianThai = IsFontAvailable(xtDisplay_, "-thai-fixed-medium-r-normal--14-*");
  const char* thaiName =
      debianThai ? "-thai-fixed-medium-r-normal--14-*" : "*thaicpcom-medium-r-normal--15-150-75-75-m-70*";
  for (const char* thai : {"th_TH", "th_TH.TIS-620"}) EXPECT_STREQ(DefaultFontName(xtDisplay_, thai, false), thaiName);
  EXPECT_STRNE(DefaultFontName(xtDisplay_, "th_THX", false), thaiName);

  for (const char* locale : {static_cast<const char*>(nullptr), "C", "C.UTF-8"}) {
    XFontSet set = nullptr;
    XmFontList list = LoadDefaultFont_GetFontList(xtDisplay_, &set, locale);
    ASSERT_NE(list, nullptr) << (locale ? locale : "current");
    ASSERT_NE(set, nullptr);
    XFontStruct** fonts = nullptr;
    char** names = nullptr;
    ASSERT_GE(XFontsOfFontSet(set, &fonts, &names), 1);
    EXPECT_NE(std::string(names[0]).find("lucidatypewriter-medium-r-normal-sans-17-"), std::string::npos) << names[0];
    EXPECT_EQ(std::setlocale(LC_CTYPE, nullptr), before) << "the locale is restored";
    XmFontListFree(list);
    XFreeFontSet(xtDisplay_, set);
  }
  XFontSet set = reinterpret_cast<XFontSet>(1);
  XmFontList thai = LoadDefaultFont_GetFontList(xtDisplay_, &set, "th_TH");
  EXPECT_EQ(std::setlocale(LC_CTYPE, nullptr), before);
  if (!debianThai) {
    EXPECT_EQ(thai, nullptr);
    EXPECT_EQ(set, nullptr);
    return;
  }
  ASSERT_NE(thai, nullptr);
  ASSERT_NE(set, nullptr);
  XFontStruct** fonts = nullptr;
  char** names = nullptr;
  ASSERT_GE(XFontsOfFontSet(set, &fonts, &names), 1);
  EXPECT_NE(std::string(names[0]).find("-thai-fixed-medium-r-normal--14-"), std::string::npos) << names[0];
  // Under th_TH itself the set holds the Thai encoding.
  const std::string saved = before;
  if (std::setlocale(LC_CTYPE, "th_TH")) {
    std::setlocale(LC_CTYPE, saved.c_str());
    EXPECT_NE(std::string(names[0]).find("iso8859-11"), std::string::npos) << names[0];
  }
  XmFontListFree(thai);
  XFreeFontSet(xtDisplay_, set);
}

}  // namespace
}  // namespace qwtest
