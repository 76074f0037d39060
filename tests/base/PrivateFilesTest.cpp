// Writing a user's file through a new file renamed over it: what stood at
// the name (a planted link too) is replaced and its target untouched, the
// mode is the owner's (at most 0644), a failed write leaves the old file
// and no new one, and folders are made owner-only.
#include "base/PrivateFiles.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace {

class PrivateFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char name[] = "/tmp/qw-private-XXXXXX";
    ASSERT_NE(mkdtemp(name), nullptr);
    dir_ = name;
  }
  void TearDown() override {
    const std::string command = "rm -rf '" + dir_ + "'";
    (void)std::system(command.c_str());
  }
  std::string Read(const std::string& path) const {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  void Write(const std::string& path, const std::string& text) const { std::ofstream(path) << text; }
  int Entries() const {
    int n = 0;
    DIR* d = opendir(dir_.c_str());
    while (dirent* e = readdir(d)) n += e->d_name[0] != '.';
    closedir(d);
    return n;
  }
  std::string dir_;
};

TEST_F(PrivateFilesTest, WhatStandsAtTheNameIsReplacedNeverFollowed) {
  const std::string victim = dir_ + "/victim";
  Write(victim, "precious");
  const struct {
    const char* what;
    bool link;    // a link to the victim at the name, else an old file
    mode_t mode;  // asked for
    mode_t made;  // what the file gets
  } cases[] = {
      {"an old file", false, kPrivateFileMode, 0600},
      {"a planted link", true, kPrivateFileMode, 0600},
      {"a file others read", false, kSharedReadFileMode, 0644},
      {"never writable by others", false, 0777, 0644},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string path = dir_ + "/data";
    unlink(path.c_str());
    if (c.link) ASSERT_EQ(symlink(victim.c_str(), path.c_str()), 0);
    else Write(path, "old");
    const std::string text = std::string("new ") + c.what;
    ASSERT_TRUE(ReplaceFileSafely(path, text.data(), text.size(), c.mode));
    struct stat st {};
    ASSERT_EQ(lstat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode, S_IFREG | c.made);
    EXPECT_EQ(Read(path), text);
    EXPECT_EQ(Read(victim), "precious");
    EXPECT_EQ(Entries(), 2) << "no new file left beside it";
  }
}

TEST_F(PrivateFilesTest, AFailedWriteKeepsTheOldFileAndLeavesNoNewOne) {
  const std::string path = dir_ + "/data";
  Write(path, "old");
  errno = 0;
  EXPECT_FALSE(ReplaceFileSafely(path, kPrivateFileMode, [](int fd) {
    (void)::write(fd, "partial", 7);
    errno = ENOSPC;
    return false;
  }));
  EXPECT_EQ(errno, ENOSPC);
  EXPECT_EQ(Read(path), "old");
  EXPECT_EQ(Entries(), 1);
  // A folder that is not there: nothing is made.
  EXPECT_FALSE(ReplaceFileSafely(dir_ + "/none/data", "x", 1));
  EXPECT_EQ(errno, ENOENT);
}

TEST_F(PrivateFilesTest, FoldersAreTheOwnersOnly) {
  const mode_t old = umask(0);
  EXPECT_EQ(MakePrivateFolder(dir_ + "/made"), 0);
  umask(old);
  struct stat st {};
  ASSERT_EQ(lstat((dir_ + "/made").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode, static_cast<mode_t>(S_IFDIR | 0700));
  EXPECT_EQ(MakePrivateFolder(dir_ + "/made"), EEXIST);
  EXPECT_EQ(MakePrivateFolder(dir_ + "/none/made"), ENOENT);
}

}  // namespace
