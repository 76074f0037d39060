#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "platform/QXRegistry.h"
#include "tests/support/TempDir.h"

namespace {

class QXRegistryTest : public ::testing::Test {
 protected:
  void SetUp() override { setenv("QX_REGISTRY_DIR", dir_.Path().c_str(), 1); }
  void TearDown() override { unsetenv("QX_REGISTRY_DIR"); }
  qwtest::TempDir dir_;
};

TEST_F(QXRegistryTest, ReadsStringAndNumericValues) {
  dir_.WriteFile("boot/unique",
             "# the terminal's own values\n"
             "keyboard-id = 4\n"
             "  name=  spaced value  \r\n"
             "negative=-12\n"
             "notanumber = 12abc\n"
             "huge = 999999999999999999999999\n"
             "empty =\n"
             "no equals sign\n"
             "keyboard-id = 9\n");
  QXRegObject* obj = nullptr;
  ASSERT_EQ(QXRegGetObjectSimple("/boot/unique", &obj), QXRegOk);
  ASSERT_NE(obj, nullptr);
  EXPECT_STREQ(QXRegGetStringValue(obj, "name"), "spaced value");
  EXPECT_EQ(QXRegGetNumericValue(obj, "keyboard-id", -1), 4) << "the first of two lines wins";
  EXPECT_EQ(QXRegGetNumericValue(obj, "negative", -1), -12);
  struct {
    const char* name;
  } defaults[] = {{"notanumber"}, {"huge"}, {"empty"}, {"missing"}, {"no equals sign"}};
  for (const auto& d : defaults) EXPECT_EQ(QXRegGetNumericValue(obj, d.name, -1), -1) << d.name;
  EXPECT_EQ(QXRegGetStringValue(obj, "missing"), nullptr);
  QXRegDestroyObject(obj);
}

TEST_F(QXRegistryTest, FailuresAreStatusesNotObjects) {
  dir_.WriteFile("big/object", std::string(70 * 1024, 'x'));
  // Names that are not regular files: a FIFO without a writer (which an
  // ordinary open would wait on for ever), a directory and a device.
  ASSERT_EQ(mkfifo((dir_.Path() + "/big/fifo").c_str(), 0600), 0);
  ASSERT_EQ(symlink("/dev/null", (dir_.Path() + "/big/device").c_str()), 0);
  dir_.WriteFile("big/linked-to", "value = 1\n");
  ASSERT_EQ(symlink((dir_.Path() + "/big/linked-to").c_str(), (dir_.Path() + "/big/link").c_str()), 0);
  struct Case {
    const char* path;
    int status;
  } cases[] = {
      {"/boot/missing", QXRegNotFound},
      {"/nodir/missing", QXRegNotFound},
      {"relative/path", QXRegBadArgument},
      {"/boot/../../etc/passwd", QXRegBadArgument},
      {"/boot//unique", QXRegBadArgument},
      {"/big/object", QXRegTooLarge},
      {"/big/fifo", QXRegIoError},
      {"/big", QXRegIoError},
      {"/big/device", QXRegIoError},
      {nullptr, QXRegBadArgument},
  };
  for (const auto& c : cases) {
    QXRegObject* obj = reinterpret_cast<QXRegObject*>(&obj);
    EXPECT_EQ(QXRegGetObjectSimple(c.path, &obj), c.status) << (c.path ? c.path : "null");
    EXPECT_EQ(obj, nullptr);
  }
  // A link to a regular file is that file.
  QXRegObject* linked = nullptr;
  ASSERT_EQ(QXRegGetObjectSimple("/big/link", &linked), QXRegOk);
  EXPECT_EQ(QXRegGetNumericValue(linked, "value", -1), 1);
  QXRegDestroyObject(linked);
  // A missing object reads as nothing, whatever is asked of it.
  EXPECT_EQ(QXRegGetStringValue(nullptr, "x"), nullptr);
  EXPECT_EQ(QXRegGetNumericValue(nullptr, "x", -1), -1);
  QXRegDestroyObject(nullptr);
}

TEST(QXRegistryDirectory, DefaultWhenUnset) {
  unsetenv("QX_REGISTRY_DIR");
  EXPECT_STREQ(QXRegistryDirectory(), "/etc/qx/registry");
}

}  // namespace

namespace {

class QXRegistryBooleanTest : public ::testing::Test {
 protected:
  void SetUp() override { setenv("QX_REGISTRY_DIR", dir_.Path().c_str(), 1); }
  void TearDown() override { unsetenv("QX_REGISTRY_DIR"); }
  qwtest::TempDir dir_;
};

TEST_F(QXRegistryBooleanTest, BooleanWordsAndDefaults) {
  dir_.WriteFile("desktop/preferences",
                 "a = true\nb = NO\nc = on\nd = 0\ne = maybe\nf =\n");
  QXRegObject* obj = nullptr;
  ASSERT_EQ(QXRegGetObjectSimple("/desktop/preferences", &obj), QXRegOk);
  struct {
    const char* name;
    int dflt;
    int expect;
  } cases[] = {{"a", 0, 1}, {"b", 1, 0}, {"c", 0, 1}, {"d", 1, 0},
               {"e", 1, 1}, {"e", 0, 0}, {"f", 1, 1}, {"missing", 1, 1}};
  for (const auto& c : cases) EXPECT_EQ(QXRegGetBooleanValue(obj, c.name, c.dflt), c.expect) << c.name;
  QXRegDestroyObject(obj);
  EXPECT_EQ(QXRegGetBooleanValue(nullptr, "a", 1), 1) << "no object: the default";
}

}  // namespace

namespace {

class QXRegistryWriteTest : public ::testing::Test {
 protected:
  void SetUp() override { setenv("QX_REGISTRY_DIR", (dir_.Path() + "/reg").c_str(), 1); }
  void TearDown() override { unsetenv("QX_REGISTRY_DIR"); }
  qwtest::TempDir dir_;
};

// Values written through an object read back the same, in order, from a
// file made private in directories made on the way.
TEST_F(QXRegistryWriteTest, StoredObjectsReadBackAndEnumerate) {
  QXRegObject* o = QXRegCreateObject();
  ASSERT_EQ(QXRegSetStringValue(o, "class/XTerm", "10,20,500,400,1"), QXRegOk);
  ASSERT_EQ(QXRegSetNumericValue(o, "icon_placement", -3), QXRegOk);
  ASSERT_EQ(QXRegSetBooleanValue(o, "constrained_mode", 0), QXRegOk);
  ASSERT_EQ(QXRegSetStringValue(o, "class/XTerm", "1,2,3,4,0"), QXRegOk) << "replaces in place";
  ASSERT_EQ(QXRegSetObjectSimple("/desktop/preferences", o), QXRegOk);
  QXRegDestroyObject(o);

  struct stat st {};
  ASSERT_EQ(stat((dir_.Path() + "/reg/desktop/preferences").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  QXRegObject* back = nullptr;
  ASSERT_EQ(QXRegGetObjectSimple("/desktop/preferences", &back), QXRegOk);
  const char* name = nullptr;
  const char* value = nullptr;
  std::vector<std::string> seen;
  for (int i = 0; QXRegEnumObject(back, i, &name, &value) == QXRegOk; ++i)
    seen.push_back(std::string(name) + "=" + value);
  EXPECT_EQ(seen, (std::vector<std::string>{"class/XTerm=1,2,3,4,0", "icon_placement=-3",
                                            "constrained_mode=false"}));
  EXPECT_EQ(QXRegGetNumericValue(back, "icon_placement", 0), -3);
  EXPECT_EQ(QXRegGetBooleanValue(back, "constrained_mode", 1), 0);
  EXPECT_EQ(QXRegEnumObject(back, 3, &name, &value), QXRegNotFound);
  EXPECT_EQ(QXRegEnumObject(back, -1, &name, &value), QXRegBadArgument);
  QXRegDestroyObject(back);
}

// Text that would not read back as written is refused, and so are paths
// that leave the registry; the object on disk stays as it was.
TEST_F(QXRegistryWriteTest, UnstorableTextAndPathsAreRefused) {
  QXRegObject* o = QXRegCreateObject();
  const struct {
    const char* name;
    const char* value;
  } bad[] = {{"a=b", "x"}, {"line\nend", "x"}, {"", "x"},      {"#comment", "x"},
             {" lead", "x"}, {"name", "two\nlines"}, {"name", " padded "}, {"name", nullptr}};
  for (const auto& b : bad)
    EXPECT_EQ(QXRegSetStringValue(o, b.name, b.value), QXRegBadArgument) << (b.name ? b.name : "");
  EXPECT_EQ(QXRegSetStringValue(o, "ok", "a value = with equals"), QXRegOk);
  for (const char* path : {"desktop/preferences", "/../escape", "/a//b", "/a/./b", "/"})
    EXPECT_EQ(QXRegSetObjectSimple(path, o), QXRegBadArgument) << path;
  ASSERT_EQ(QXRegSetObjectSimple("/x", o), QXRegOk);
  QXRegObject* back = nullptr;
  ASSERT_EQ(QXRegGetObjectSimple("/x", &back), QXRegOk);
  EXPECT_STREQ(QXRegGetStringValue(back, "ok"), "a value = with equals");
  QXRegDestroyObject(back);
  QXRegDestroyObject(o);
}

}  // namespace
