// Screen dumps through the hot keys, checked against xwd of the same area
// with ImageMagick's compare.
#include <sys/stat.h>

#include <fstream>
#include <sstream>
#include <string>

#include "platform/QXRegistryProfile.h"
#include "tests/support/ScopedEnv.h"
#include "tests/wm/TeldraFixture.h"
#include "wm/shell/ScreenDump.h"

namespace {

using teldratest::TeldraFixture;

TEST(ScreenDumpLayoutTest, BandsAndRowSizes) {
  using Bands = std::vector<std::pair<int, int>>;
  EXPECT_EQ(ScreenDumpBands(70), (Bands{{64, 6}, {32, 32}, {0, 32}}));
  EXPECT_EQ(ScreenDumpBands(64), (Bands{{32, 32}, {0, 32}}));
  EXPECT_EQ(ScreenDumpBands(1), (Bands{{0, 1}}));
  EXPECT_TRUE(ScreenDumpBands(0).empty());
  struct {
    int width, bits, size;
  } rows[] = {{100, 24, 300}, {101, 24, 304}, {1, 24, 4}, {100, 8, 100}, {101, 8, 104}, {1920, 24, 5760}};
  for (const auto& r : rows) EXPECT_EQ(BmpRowSize(r.width, r.bits), r.size) << r.width << "x" << r.bits;
}

TEST(ScreenDumpLayoutTest, NumbersSkipTakenFilesAndRunOut) {
  qwtest::TempDir home;
  qwtest::ScopedEnv env("HOME", home.Path().c_str());
  EXPECT_EQ(FreeScreenDumpNumber(), 1);
  home.WriteFile("registry/documents/scrdump1.bmp", "x");
  home.WriteFile("registry/documents/scrdump2.inf", "x");
  home.WriteFile("registry/documents/scrdump3.bmp", "x");
  EXPECT_EQ(FreeScreenDumpNumber(), 4) << "either file takes a number";
  for (int n = 4; n <= 200; ++n) home.WriteFile("registry/documents/scrdump" + std::to_string(n) + ".inf", "x");
  EXPECT_EQ(FreeScreenDumpNumber(), 0);
}

class ScreenDumpTest : public TeldraFixture {
 protected:
  std::string Documents() { return home_.Path() + "/registry/documents/"; }
  static long FileSize(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? static_cast<long>(st.st_size) : -1;
  }
  // Waits until the dump's picture is whole (its header gives the size).
  bool WaitForDump(int n, int width, int height, int bits = 24) {
    const std::string path = Documents() + "scrdump" + std::to_string(n) + ".bmp";
    const long size = (bits == 24 ? 54 : 54 + 1024) + static_cast<long>(BmpRowSize(width, bits)) * height;
    return qwtest::WaitUntil([&] { return FileSize(path) == size; }, 20000);
  }
  // compare -metric AE: the count of differing pixels, or -1.
  long Differences(const std::string& bmp, const std::string& xwdArgs) {
    const std::string xwd = home_.Path() + "/reference.xwd";
    std::vector<std::string> argv = {"xwd", "-silent", "-out", xwd};
    std::istringstream words(xwdArgs);
    for (std::string w; words >> w;) argv.push_back(w);
    Tool(argv);
    qwtest::ChildProcess p;
    if (!p.Start({"compare", "-metric", "AE", bmp, xwd, "null:"}, Environment())) return -1;
    p.WaitExit(30000);
    p.Pump();
    try {
      return std::stol(p.Stderr());
    } catch (...) {
      ADD_FAILURE() << "compare said: " << p.Output();
      return -1;
    }
  }
  std::string Slurp(const std::string& path) {
    std::ifstream in(path);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
};

TEST_F(ScreenDumpTest, ScreenAndActiveWindowMatchXwd) {
  home_.WriteFile("registry/documents/scrdump1.bmp", "taken");
  StartTeldra();
  Run({"xmessage", "-name", "dumped", "-geometry", "+120+90", "a window to dump"});
  Window w = WaitForClass("dumped");
  ASSERT_NE(w, None);
  Window frame = WaitForFrame(w);
  ASSERT_NE(frame, None);
  ASSERT_TRUE(qwtest::WaitUntil([&] { return Focus() == w; }, 10000));

  Tool({"xdotool", "key", "Print"});
  const int sw = DisplayWidth(display_, 0), sh = DisplayHeight(display_, 0);
  ASSERT_TRUE(WaitForDump(2, sw, sh)) << teldra_.Output();
  EXPECT_EQ(Differences(Documents() + "scrdump2.bmp", "-root"), 0);
  const std::string inf = Slurp(Documents() + "scrdump2.inf");
  EXPECT_NE(inf.find("name = Screen Dump 2"), std::string::npos) << inf;
  EXPECT_NE(inf.find("type = image/x-ms-bmp"), std::string::npos) << inf;
  EXPECT_NE(inf.find("filename = scrdump2.bmp"), std::string::npos) << inf;

  Tool({"xdotool", "key", "alt+Print"});
  const XWindowAttributes a = teldratest::Attributes(display_, frame);
  ASSERT_TRUE(WaitForDump(3, a.width, a.height)) << teldra_.Output();
  EXPECT_EQ(Differences(Documents() + "scrdump3.bmp", "-id " + std::to_string(frame)), 0);
}

class EightBitScreenDumpTest : public ScreenDumpTest {
 protected:
  void SetUp() override {
    server_.SetDepth(8);
    ScreenDumpTest::SetUp();
  }
};

TEST_F(EightBitScreenDumpTest, TheScreenIsDumpedWithItsPalette) {
  StartTeldra();
  Run({"xmessage", "-name", "dumped", "-geometry", "+120+90", "eight bits"});
  Window w = WaitForClass("dumped");
  ASSERT_NE(w, None);
  ASSERT_NE(WaitForFrame(w), None);
  ASSERT_TRUE(qwtest::WaitUntil([&] { return Focus() == w; }, 10000));
  Tool({"xdotool", "key", "Print"});
  const int sw = DisplayWidth(display_, 0), sh = DisplayHeight(display_, 0);
  ASSERT_TRUE(WaitForDump(1, sw, sh, 8)) << teldra_.Output();
  EXPECT_EQ(Differences(Documents() + "scrdump1.bmp", "-root"), 0);
}

TEST_F(ScreenDumpTest, AWindowPartlyOffTheScreenIsNotDumped) {
  StartTeldra();
  const int sw = DisplayWidth(display_, 0), sh = DisplayHeight(display_, 0);
  Run({"xmessage", "-name", "offscreen", "-geometry", "+" + std::to_string(sw - 40) + "+100", "half out"});
  Window w = WaitForClass("offscreen");
  ASSERT_NE(w, None);
  ASSERT_NE(WaitForFrame(w), None);
  ASSERT_TRUE(qwtest::WaitUntil([&] { return Focus() == w; }, 10000));
  Tool({"xdotool", "key", "alt+Print", "key", "Print"});
  // The screen's dump comes after the window's, which made nothing.
  ASSERT_TRUE(WaitForDump(1, sw, sh)) << teldra_.Output();
  EXPECT_EQ(FileSize(Documents() + "scrdump2.bmp"), -1);
  EXPECT_EQ(FileSize(Documents() + "scrdump2.inf"), -1);
}

}  // namespace
