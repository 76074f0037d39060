// The message catalog: lines that replace texts, lines that are ignored,
// texts whose conversions differ from the default's (refused), how a file
// is cut into lines, and where the catalog of a language is found.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/sdk/NLSLocate.h"
#include "tests/support/TempDir.h"
#include "wm/shell/MessageCatalog.h"

namespace {

class MessageCatalogTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetMessageCatalog(); }
  void TearDown() override { ResetMessageCatalog(); }
};

TEST_F(MessageCatalogTest, LinesReplaceTextsWithTheSameConversions) {
  const struct {
    const char* line;
    int id;
    int applied;
    const char* text;  // the slot's text afterwards
  } cases[] = {
      {"Logoff: Abmelden und &Beenden", TextLogoff, 1, "Abmelden und &Beenden"},
      {"  \t Logoff:\t Abmelden\r\n", TextLogoff, 1, "Abmelden"},
      {"# Logoff: comment", TextLogoff, 0, "Logoff and E&xit"},
      {"Logoff", TextLogoff, 0, "Logoff and E&xit"},
      {":Logoff: x", TextLogoff, 0, "Logoff and E&xit"},
      {"logoff: lower-case key", TextLogoff, 0, "Logoff and E&xit"},
      {"NotEnoughMemory: eins\\nzwei", TextNotEnoughMemory, 1, "eins\nzwei"},
      {"LoggedInUser: %s ist angemeldet", TextLoggedInUser, 1, "%s ist angemeldet"},
      {"LoggedInUser: 100%% %s", TextLoggedInUser, 1, "100%% %s"},
      // Conversions other than the default's would be read as arguments
      // that are not there.
      {"LoggedInUser: %s%s", TextLoggedInUser, 0, "%s is logged in on this QX"},
      {"LoggedInUser: %n", TextLoggedInUser, 0, "%s is logged in on this QX"},
      {"LoggedInUser: %d angemeldet", TextLoggedInUser, 0, "%s is logged in on this QX"},
      {"LoggedInUser: no user", TextLoggedInUser, 0, "%s is logged in on this QX"},
      {"Yes: Ja %s", TextYes, 0, "Yes"},
      {"ScreenDumpName: Bild %d", TextScreenDumpName, 1, "Bild %d"},
      {"ScreenDumpName: Bild %5d", TextScreenDumpName, 0, "Screen Dump %d"},
      {"TalkConnection: %s@%s %d%s%02d %s", TextTalkConnection, 1, "%s@%s %d%s%02d %s"},
      {"DiskSpaceLeft: %d Mb", TextDiskSpaceLeft, 0, "There is less than %ld Mb of disk space left on your home server"},
      {"WelcomeUnlockBy: cut %", TextWelcomeUnlockBy, 0, "Screen Locked by %s"},
  };
  for (const auto& c : cases) {
    ResetMessageCatalog();
    EXPECT_EQ(ApplyCatalogLine(c.line), c.applied) << c.line;
    EXPECT_STREQ(CatalogText(c.id), c.text) << c.line;
  }
  EXPECT_EQ(ApplyCatalogLine(nullptr), 0);
}

TEST_F(MessageCatalogTest, AFileIsAppliedLineByLineAndTheLastLaterLineWins) {
  const std::string file =
      "Yes: Ja\n"
      "No: Nein\n"
      "Yes: Jawohl\n"
      "Ok: " + std::string(2000, 'x') + "\n"  // too long: cut, its rest dropped
      "Cancel: Abbrechen\n"
      "Close: &Schliessen";                   // no line end: not applied
  ApplyCatalogBytes(file.data(), file.size());
  EXPECT_STREQ(CatalogText(TextYes), "Jawohl");
  EXPECT_STREQ(CatalogText(TextNo), "Nein");
  EXPECT_EQ(std::string(CatalogText(TextOk)), std::string(1023 - 4, 'x'));
  EXPECT_STREQ(CatalogText(TextCancel), "Abbrechen");
  EXPECT_STREQ(CatalogText(TextClose), "&Close");
}

TEST_F(MessageCatalogTest, ConversionsAreFilledWithoutPrintf) {
  ApplyCatalogLine("LoggedInUser: %s ist hier (100%%)");
  EXPECT_EQ(FormatCatalogText(TextLoggedInUser, {"%n%s"}), "%n%s ist hier (100%)");
  EXPECT_EQ(FormatCatalogText(TextTalkConnection, {"ann", "host", "9", ":", "05", "pm"}),
            "Talk connection requested by ann@host at 9:05 pm");
  EXPECT_EQ(FormatCatalogText(TextScreenDumpName, {}), "Screen Dump ");
}

TEST(NLSLocateTest, TheCatalogOfTheLanguageIsFoundFromTheMostToTheLeastPrecise) {
  qwtest::TempDir dir;
  setenv("QX_REGISTRY_DIR", dir.Path().c_str(), 1);
  unsetenv("LC_ALL");
  unsetenv("LC_MESSAGES");
  dir.WriteFile("nls/de/qxteldra", "Yes: Ja\n");
  dir.WriteFile("nls/fr_CA/qxteldra", "Yes: Oui\n");
  char path[1024];
  const struct {
    const char* lang;
    const char* found;  // relative to the registry, or null
  } cases[] = {{"de_DE.UTF-8", "nls/de/qxteldra"}, {"fr_CA.UTF-8@euro", "nls/fr_CA/qxteldra"},
               {"fr_FR", nullptr}, {"C", nullptr}, {"../..", nullptr}, {"", nullptr}};
  for (const auto& c : cases) {
    setenv("LANG", c.lang, 1);
    const int r = QXNLSLocateFile("qxteldra", path, sizeof path);
    if (c.found) {
      EXPECT_EQ(r, 0) << c.lang;
      EXPECT_EQ(std::string(path), dir.Path() + "/" + c.found) << c.lang;
    } else {
      EXPECT_EQ(r, -1) << c.lang;
    }
  }
  setenv("LANG", "de_DE", 1);
  EXPECT_EQ(QXNLSLocateFile("../qxteldra", path, sizeof path), -1);
  EXPECT_EQ(QXNLSLocateFile("qxteldra", path, 8), -1) << "the path does not fit";
  ASSERT_EQ(LoadMessageCatalog(), 1);
  EXPECT_STREQ(CatalogText(TextYes), "Ja");
  ResetMessageCatalog();
  unsetenv("LANG");
  unsetenv("QX_REGISTRY_DIR");
}

}  // namespace
