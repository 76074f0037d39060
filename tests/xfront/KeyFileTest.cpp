// The key-file reader: extensions by keyboard, the command-line name, the
// old layouts migrated, comments removed, the size limits.
#include <gtest/gtest.h>

#include <string>

#include "session/AppResources.h"
#include "xfront/KeyFile.h"

namespace {

using namespace keyfile;

TEST(KeyFileTest, ExtensionOfEachKeyboard) {
  struct Case {
    int id;
    const char* extension;
  } cases[] = {{0, "102"},   {4, "102"},  {92, "122_3270"}, {129, "122_3270"}, {112, "101"}, {113, "122"},
               {123, "122"}, {143, "101"}, {157, "104"},     {162, "106"},      {47, "106"},  {999, "0"}};
  for (const Case& c : cases) EXPECT_EQ(KeyboardExtension(c.id), c.extension) << c.id;
}

TEST(KeyFileTest, FallbackPathResourceOfEachExtension) {
  AppResourceStruct r{};
  char p101[] = "a", p102[] = "b", p106[] = "c", p122[] = "d", p3270[] = "e";
  r.keymap101Path = p101;
  r.keymap102Path = p102;
  r.keymap106Path = p106;
  r.keymap122Path = p122;
  r.keymap122_3270Path = p3270;
  struct Case {
    const char* extension;
    const char* path;
  } cases[] = {{"122_3270", "e"}, {"122", "d"}, {"106", "c"}, {"104", "c"}, {"103", "c"},
               {"102", "b"},      {"101", "a"}, {"0", "a"}};
  for (const Case& c : cases) EXPECT_STREQ(KeyboardPathResource(c.extension, r), c.path) << c.extension;
}

TEST(KeyFileTest, CommandLineName) {
  struct Case {
    const char* name;
    NameFix fix;
    const char* file;
  } cases[] = {
      {"mykeys", NameFix::ExtensionAdded, "mykeys.102"},
      {"mykeys.101", NameFix::ExtensionReplaced, "mykeys.102"},
      {"my.keys.102", NameFix::AsGiven, "my.keys.102"},
      {"mykeys.", NameFix::ExtensionReplaced, "mykeys.102"},
  };
  for (const Case& c : cases) {
    std::string file;
    EXPECT_EQ(FixCommandLineName(c.name, "102", &file), c.fix) << c.name;
    EXPECT_EQ(file, c.file);
  }
}

TEST(KeyFileTest, CommentsAreRemoved) {
  struct Case {
    std::string in, out;
  } cases[] = {
      {"#override\n<Key>F1: enter()\n", "<Key>F1: enter()\n"},
      {"<Key>F1: enter()\n#override\n<Key>F2: pf2()\n", "<Key>F1: enter()\n#override\n<Key>F2: pf2()\n"},
      {"# v42 written by the remapper\n#more\n# and more\n<Key>F1: enter()\n", "<Key>F1: enter()\n"},
      {"<Key>F1: enter()\n# note\n#\tstill the note\n<Key>F2: pf2()\n# end", "<Key>F1: enter()\n<Key>F2: pf2()\n"},
      {"<Key>F1: string(\"#\") \n", "<Key>F1: string(\"#\") \n"},
      {"", ""},
      {"#", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(StripComments(c.in), c.out) << c.in;
}

TEST(KeyFileTest, OldLayoutsAreMigrated) {
  struct Case {
    std::string file, translations;
  } cases[] = {
      // Version 13: keypad digits renamed, Scroll Lock releases and osfMenu lines gone, then WYSetup.
      {"# v13\nShift<Key>KP_7: home() \n<KeyRelease>Scroll_Lock: nothing() \n<Key>KP_0: insert() \n"
       "<Key>osfMenu: menu() \n<Key>KP_5",
       "Shift<Key>KP_Home: home() \n<Key>KP_Insert: insert() \n<Key>KP_Begin"},
      {"# v13\n<Key>KP_1:a()\n<Key>KP_2:b()\n<Key>KP_3:c()\n<Key>KP_4:d()\n<Key>KP_6:e()\n<Key>KP_8:f()\n<Key>KP_9:g()\n",
       "<Key>KP_End:a()\n<Key>KP_Down:b()\n<Key>KP_Next:c()\n<Key>KP_Left:d()\n<Key>KP_Right:e()\n<Key>KP_Up:f()\n"
       "<Key>KP_Prior:g()\n"},
      // Without a version line WYSetup becomes Pause.
      {"<Key>WYSetup: attn() \n", "<Key>Pause: attn() \n"},
      {"<Key>WYSetup:attn()\nShift<Key>WYSetup:sysreq()\n", "<Key>Pause:attn()\nShift<Key>Pause:sysreq()\n"},
      // Old versions too (the two characters after "# v" and one more
      // decide), newer ones not.
      {"# v41\n<Key>WYSetup: attn() \n", "<Key>Pause: attn() \n"},
      {"# v4.1\n<Key>WYSetup: attn() \n", "<Key>Pause: attn() \n"},
      {"# v4.2\n<Key>WYSetup: attn() \n", "<Key>WYSetup: attn() \n"},
      // A file of another version keeps its keypad names.
      {"# v4.2\nShift<Key>KP_7: home() \n", "Shift<Key>KP_7: home() \n"},
  };
  for (const Case& c : cases) {
    std::string out, why;
    ASSERT_TRUE(PrepareTranslations(c.file, &out, &why)) << why;
    EXPECT_EQ(out, c.translations) << c.file;
  }
}

TEST(KeyFileTest, MigrationNeverGrowsPastItsRoom) {
  // Each "KP_0:" grows by five bytes; a full file of them no longer fits.
  std::string file = "# v13\n";
  while (file.size() + 5 <= kMaxKeyFileBytes) file += "KP_0:";
  std::string out, why;
  EXPECT_FALSE(PrepareTranslations(file, &out, &why));
  EXPECT_FALSE(why.empty());
  // A file that still fits after growing is taken.
  std::string small = "# v13\n";
  for (int i = 0; i < 100; ++i) small += "KP_0:";
  ASSERT_TRUE(PrepareTranslations(small, &out, &why));
  EXPECT_EQ(out.size(), 100u * 10u);
}

}  // namespace
