// Playback files: the header, both signatures, bad files refused with the
// message the user sees, and saving that never leaves a partial file.
#include <gtest/gtest.h>

#include <dirent.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/TempDir.h"
#include "tools/MacroEvents.h"
#include "tools/PlaybackFile.h"

namespace {

using Bytes = std::vector<uint8_t>;

void WriteBytes(const std::string& path, const Bytes& b) {
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), static_cast<long>(b.size()));
}

Bytes ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(PlaybackFile, RecordedMacroRoundTripsThroughAFile) {
  qwtest::TempDir dir;
  MacroRecorder r;
  const uint8_t a = 0xC1, b = 0xC2, click[3] = {1, 0x01, 0x00}, menu = 0;
  r.appendDataKeys(&a, 1);
  r.appendEvent(0x31, nullptr, 0);
  r.appendDataKeys(&b, 1);
  r.appendEvent(0x18, nullptr, 0);
  r.appendEvent(253, click, 3);
  r.appendEvent(252, &menu, 1);
  r.appendEvent(254, nullptr, 0);
  r.appendEvent(250, nullptr, 0);
  r.appendEvent(251, nullptr, 0);
  const std::string path = dir.Path() + "/logon.F5";
  std::string error;
  ASSERT_TRUE(WritePlaybackFile(path, r.bytes(), &error)) << error;
  const Bytes file = ReadBytes(path);
  ASSERT_GE(file.size(), 8u);
  EXPECT_EQ(file[0], 0);
  EXPECT_EQ(file[1], r.bytes().size());
  EXPECT_EQ(std::string(file.begin() + 2, file.begin() + 8), "739309");
  struct stat st {};
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u) << "a macro is the user's own";

  PlaybackFileContents c;
  ASSERT_EQ(ReadPlaybackFile(path, &c), PlaybackFileError::kNone);
  EXPECT_FALSE(c.isoDataKeys);
  EXPECT_EQ(c.events, r.bytes());

  // The same events under the ISO 8859-1 signature read the same.
  Bytes iso = file;
  std::copy_n("739308", 6, iso.begin() + 2);
  WriteBytes(path, iso);
  ASSERT_EQ(ReadPlaybackFile(path, &c), PlaybackFileError::kNone);
  EXPECT_TRUE(c.isoDataKeys);
  EXPECT_EQ(c.events, r.bytes());
}

TEST(PlaybackFile, TheSmallestMacroHasTheDocumentedBytes) {
  MacroRecorder r;
  const uint8_t a = 0xC1, b = 0xC2;
  r.appendDataKeys(&a, 1);
  r.appendEvent(0x31, nullptr, 0);
  r.appendDataKeys(&b, 1);
  EXPECT_EQ(EncodePlaybackFile(r.bytes()),
            (Bytes{0x00, 0x05, '7', '3', '9', '3', '0', '9', 0xC1, 0xFF, 0x31, 0x01, 0xC2}));
}

TEST(PlaybackFile, BadFilesAreRefusedWithTheirMessage) {
  qwtest::TempDir dir;
  const struct {
    const char* what;
    Bytes bytes;
    PlaybackFileError error;
    const char* message;
    size_t events;
  } cases[] = {
      {"empty", {}, PlaybackFileError::kNoRead, "PlaybackMsgFileNoRead", 0},
      {"short header", {0, 1, '7', '3', '9'}, PlaybackFileError::kNoRead, "PlaybackMsgFileNoRead", 0},
      {"other signature", {0, 1, '7', '3', '9', '3', '0', '7', 0xC1}, PlaybackFileError::kCorrupt,
       "PlaybackMsgFileCorrupt", 0},
      {"text file", {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd'}, PlaybackFileError::kCorrupt,
       "PlaybackMsgFileCorrupt", 0},
      {"fewer bytes than the length", {0, 9, '7', '3', '9', '3', '0', '9', 0xC1}, PlaybackFileError::kShort, "", 0},
      {"surplus ignored", {0, 1, '7', '3', '9', '3', '0', '9', 0xC1, 0xC2, 0xC3}, PlaybackFileError::kNone, "", 1},
      {"length 0 plays nothing", {0, 0, '7', '3', '9', '3', '0', '9'}, PlaybackFileError::kNone, "", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string path = dir.Path() + "/f";
    WriteBytes(path, c.bytes);
    PlaybackFileContents contents;
    EXPECT_EQ(ReadPlaybackFile(path, &contents), c.error);
    EXPECT_STREQ(PlaybackFileErrorMessage(c.error), c.message);
    EXPECT_EQ(contents.events.size(), c.events);
  }
  PlaybackFileContents contents;
  EXPECT_EQ(ReadPlaybackFile(dir.Path() + "/missing", &contents), PlaybackFileError::kNoOpen);
  EXPECT_STREQ(PlaybackFileErrorMessage(PlaybackFileError::kNoOpen), "PlaybackMsgFileNoOpen");
  EXPECT_EQ(ReadPlaybackFile(dir.Path(), &contents), PlaybackFileError::kNoOpen);  // a directory
}

TEST(PlaybackFile, AFailedWriteKeepsTheOldFileAndLeavesNoPartialOne) {
  qwtest::TempDir dir;
  const std::string path = dir.Path() + "/macro";
  const Bytes old = {0xC1};
  std::string error;
  ASSERT_TRUE(WritePlaybackFile(path, old, &error)) << error;
  const Bytes before = ReadBytes(path);

  // Files may grow to 1,000 bytes only: the body write comes up short.
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  void (*oldHandler)(int) = signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = 1000;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const Bytes big(kMacroLimit, 0xC1);
  const bool ok = WritePlaybackFile(path, big, &error);
  setrlimit(RLIMIT_FSIZE, &saved);
  signal(SIGXFSZ, oldHandler);
  EXPECT_FALSE(ok);
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(ReadBytes(path), before);
  // Nothing but the old file in the directory.
  int files = 0;
  if (DIR* d = opendir(dir.Path().c_str())) {
    while (dirent* e = readdir(d))
      if (e->d_name[0] != '.') ++files;
    closedir(d);
  }
  EXPECT_EQ(files, 1);

  const Bytes tooLong(kMacroLimit + 1, 0xC1);
  EXPECT_FALSE(WritePlaybackFile(path, tooLong, &error));
  EXPECT_EQ(ReadBytes(path), before);
}

}  // namespace
