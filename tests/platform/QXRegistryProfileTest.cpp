#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "platform/QXRegistry.h"
#include "platform/QXRegistryProfile.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"

namespace {

class QXRegistryProfileTest : public ::testing::Test {
 protected:
  QXRegistryProfileTest()
      : system_("QX_REGISTRY_DIR", (dir_.Path() + "/system").c_str()),
        home_("HOME", (dir_.Path() + "/home").c_str()) {
    mkdir((dir_.Path() + "/home").c_str(), 0700);
  }
  qwtest::TempDir dir_;
  qwtest::ScopedEnv system_, home_;
};

TEST_F(QXRegistryProfileTest, SavedProfilesLoadBackWithTheirValues) {
  ASSERT_EQ(QXRegistryDirMake(QXAreaUser, "documents/deep"), QXRegOk);
  struct stat st;
  ASSERT_EQ(stat((dir_.Path() + "/home/registry/documents/deep").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);

  QXProfile* p = QXCreateProfile();
  EXPECT_EQ(QXSetStringValue(p, "name", "My Web Site"), QXRegOk);
  EXPECT_EQ(QXSetBooleanValue(p, "folder", 1), QXRegOk);
  EXPECT_EQ(QXSetStringValue(p, "count", "12"), QXRegOk);
  EXPECT_EQ(QXSetStringValue(p, "name", "Replaced"), QXRegOk);
  EXPECT_EQ(QXSetStringValue(p, "bad", "two\nlines"), QXRegBadArgument) << "no line ends in values";
  EXPECT_EQ(QXSetStringValue(p, "a=b", "x"), QXRegBadArgument);
  ASSERT_EQ(QXSaveRegistryProfile(p, "documents/item.inf", QXAreaUser), QXRegOk);
  QXDestroyProfile(p);

  EXPECT_EQ(QXRegistryFileTest(QXAreaUser, "documents/item.inf"), 1);
  EXPECT_EQ(QXRegistryFileTest(QXAreaSystem, "documents/item.inf"), 0) << "areas are apart";
  QXProfile* back = nullptr;
  ASSERT_EQ(QXLoadRegistryProfile("documents/item.inf", QXAreaUser, &back), QXRegOk);
  EXPECT_STREQ(QXGetStringValue(back, "name", "?"), "Replaced");
  EXPECT_EQ(QXRegGetBooleanValue(back, "folder", 0), 1);
  EXPECT_EQ(QXGetNumericValue(back, "count", -1), 12);
  EXPECT_STREQ(QXGetStringValue(back, "missing", "dflt"), "dflt");
  QXDestroyProfile(back);
  EXPECT_EQ(QXRegistryFileDelete(QXAreaUser, "documents/item.inf"), QXRegOk);
  EXPECT_EQ(QXRegistryFileDelete(QXAreaUser, "documents/item.inf"), QXRegNotFound);
}

TEST_F(QXRegistryProfileTest, NamesStayInsideTheirArea) {
  const char* bad[] = {"/etc/passwd", "../outside", "a//b", "a/./b", "", nullptr};
  char path[512];
  for (const char* name : bad) {
    QXProfile* p = reinterpret_cast<QXProfile*>(&path);
    EXPECT_EQ(QXLoadRegistryProfile(name, QXAreaUser, &p), QXRegBadArgument) << (name ? name : "null");
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(QXRegistryFilePath(QXAreaUser, name, path, sizeof path), QXRegBadArgument);
    EXPECT_EQ(QXRegistryDirMake(QXAreaUser, name), QXRegBadArgument);
  }
  EXPECT_EQ(QXRegistryFilePath(1, "x", path, sizeof path), QXRegBadArgument) << "unknown area";
  ASSERT_EQ(QXRegistryFilePath(QXAreaSystem, "desktop/preferences", path, sizeof path), QXRegOk);
  EXPECT_EQ(std::string(path), dir_.Path() + "/system/desktop/preferences");
  QXProfile* p = nullptr;
  EXPECT_EQ(QXLoadRegistryProfile("missing/profile", QXAreaUser, &p), QXRegNotFound);
  qwtest::ScopedEnv noHome("HOME", nullptr);
  EXPECT_EQ(QXRegistryFileTest(QXAreaUser, "x"), 0) << "no HOME, no user area";
}

}  // namespace
