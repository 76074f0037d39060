// The local print configuration file: the header's fields and their ranges,
// the option count, the two name lines, and a round trip through the file.
#include <gtest/gtest.h>

#include <sys/stat.h>

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
  ASSERT_EQ(stat((shared + "/QW5250").c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  LocalPrintSettings in;
  ASSERT_TRUE(ReadLocalPrintConfig(shared, in));
  EXPECT_EQ(FormatLocalPrintConfig(in), FormatLocalPrintConfig(out));
  EXPECT_EQ(FormatLocalPrintConfig(out), Header({3, 0, 2, 2, 1, 3, 3, 6, 1}) + "laser\nprinthost\n");
  LocalPrintSettings missing;
  EXPECT_FALSE(ReadLocalPrintConfig(dir.Path() + "/none", missing));
  EXPECT_EQ(missing.printerType, 1);
}

}  // namespace
