// The local print configuration file: the header's fields and their ranges,
// the option count, the two name lines, and a round trip through the file.
#include <gtest/gtest.h>

#include <fstream>

#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "print/LocalPrintConfig.h"
#include "tests/support/TempDir.h"

namespace {

std::string Header(std::initializer_list<int> bytes) {
  std::string s;
  for (int b : bytes) s += static_cast<char>(b);
  return s;
}

TEST(LocalPrintConfig, HeaderFieldsAndRanges) {
  struct Case {
    const char* what;
    std::string bytes;
    LocalPrintSettings want;
  } cases[] = {
      {"all fields", Header({3, 0, 2, 2, 1, 3, 4, 6, 1}) + "queue\nserver\n", {3, 2, 2, 1, 4, 6, 1, "queue", "server"}},
      {"orientation out of range keeps its default", Header({3, 0, 2, 5, 1, 3, 4, 6, 1}) + "q\ns\n",
       {3, 2, 1, 1, 4, 6, 1, "q", "s"}},
      {"count 0 ends the header after six bytes", Header({2, 0, 2, 2, 1, 0}) + "q\ns\n", {2, 2, 2, 1, 1, 1, 0, "q", "s"}},
      {"a count above 3 skips the extra bytes", Header({1, 0, 1, 1, 1, 5, 8, 2, 0, 99, 98}) + "q\ns\n",
       {1, 1, 1, 1, 8, 2, 0, "q", "s"}},
      {"a short file keeps the rest", Header({3, 0}), {3, 1, 1, 1, 1, 1, 0, "", ""}},
      {"names are cut at 99 characters", Header({1, 0, 1, 1, 1, 3, 1, 1, 0}) + std::string(150, 'x') + "\ns\n",
       {1, 1, 1, 1, 1, 1, 0, std::string(99, 'x'), "s"}},
  };
  for (const Case& c : cases) {
    LocalPrintSettings s;
    ParseLocalPrintConfig(c.bytes, s);
    EXPECT_EQ(s.printerType, c.want.printerType) << c.what;
    EXPECT_EQ(s.formFeed, c.want.formFeed) << c.what;
    EXPECT_EQ(s.orientation, c.want.orientation) << c.what;
    EXPECT_EQ(s.printSelection, c.want.printSelection) << c.what;
    EXPECT_EQ(s.pageSize, c.want.pageSize) << c.what;
    EXPECT_EQ(s.resolution, c.want.resolution) << c.what;
    EXPECT_EQ(s.colour, c.want.colour) << c.what;
    EXPECT_EQ(s.queue, c.want.queue) << c.what;
    EXPECT_EQ(s.server, c.want.server) << c.what;
  }
}

TEST(LocalPrintConfig, WrittenFileReadsBackAndFoldersAreMade) {
  qwtest::TempDir dir;
  const std::string shared = dir.Path() + "/shared";
  LocalPrintSettings out{3, 2, 2, 1, 3, 6, 1, "laser", "printhost"};
  ASSERT_TRUE(WriteLocalPrintConfig(shared, out));
  struct stat st{};
  for (const std::string& folder : {shared, shared + "/QW5250"}) {
    ASSERT_EQ(lstat(folder.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode, static_cast<mode_t>(S_IFDIR | 0700)) << folder;
  }
  const std::string file = shared + "/QW5250/LocalPrint";
  ASSERT_EQ(lstat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode, static_cast<mode_t>(S_IFREG | 0600));
  LocalPrintSettings in;
  ASSERT_TRUE(ReadLocalPrintConfig(shared, in));
  EXPECT_EQ(FormatLocalPrintConfig(in), FormatLocalPrintConfig(out));
  EXPECT_EQ(FormatLocalPrintConfig(out), Header({3, 0, 2, 2, 1, 3, 3, 6, 1}) + "laser\nprinthost\n");
  // A link planted at the file's name is replaced; its target is untouched.
  const std::string victim = dir.WriteFile("victim", "precious\n");
  ASSERT_EQ(unlink(file.c_str()), 0);
  ASSERT_EQ(symlink(victim.c_str(), file.c_str()), 0);
  ASSERT_TRUE(WriteLocalPrintConfig(shared, out));
  ASSERT_EQ(lstat(file.c_str(), &st), 0);
  EXPECT_TRUE(S_ISREG(st.st_mode));
  ASSERT_TRUE(ReadLocalPrintConfig(shared, in));
  EXPECT_EQ(in.queue, "laser");
  {
    std::ifstream v(victim);
    std::string line;
    std::getline(v, line);
    EXPECT_EQ(line, "precious");
  }
  LocalPrintSettings missing;
  EXPECT_FALSE(ReadLocalPrintConfig(dir.Path() + "/none", missing));
  EXPECT_EQ(missing.printerType, 1);
}

}  // namespace
