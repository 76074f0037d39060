// The "teldra" local service driven from the outside: a test client on the
// service socket, Teldra under its own Xvfb, real client programs.
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>

#include <cstring>
#include <deque>
#include <fstream>
#include <string>
#include <vector>

#include "platform/sdk/QXService.h"
#include "platform/sdk/SdkUtil.h"
#include "tests/support/ScopedEnv.h"
#include "tests/wm/TeldraFixture.h"

namespace {

using Bytes = std::vector<unsigned char>;
using teldratest::TeldraFixture;

Bytes Int32(long v) {
  unsigned char b[4];
  WriteBigLong(b, static_cast<uint32_t>(v));
  return Bytes(b, b + 4);
}

Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

Bytes Str(const std::string& s) { return Bytes(s.c_str(), s.c_str() + s.size() + 1); }

// One connection to the service, with the notifications that arrive
// between replies kept aside.
class ServiceClient {
 public:
  ~ServiceClient() { Close(); }
  bool Open() { return QXServiceOpen("teldra", &channel_) == 0; }
  void Close() {
    if (channel_) QXServiceClose(channel_);
    channel_ = nullptr;
  }
  bool Send(const Bytes& request) { return QXServiceSend(channel_, request.data(), request.size()) == 0; }
  // The next reply (not a notification), or empty after the deadline.
  Bytes Reply(int timeoutMs = 10000) {
    for (;;) {
      Bytes m = Next(timeoutMs);
      if (m.empty() || !IsNotice(m)) return m;
      notices_.push_back(m);
    }
  }
  Bytes Ask(const Bytes& request) { return Send(request) ? Reply() : Bytes(); }
  // The next notification of `code`; others before it are dropped.
  Bytes Notice(int code, int timeoutMs = 15000) {
    for (;;) {
      while (!notices_.empty()) {
        Bytes n = notices_.front();
        notices_.pop_front();
        if (n[1] == code) return n;
      }
      Bytes m = Next(timeoutMs);
      if (m.empty()) return m;
      if (IsNotice(m)) notices_.push_back(m);
    }
  }
  int Fd() const { return QXServiceSelectFD(channel_); }

 private:
  static bool IsNotice(const Bytes& m) { return m.size() == 10 && m[0] == 'c'; }
  Bytes Next(int timeoutMs) {
    pollfd p = {Fd(), POLLIN, 0};
    if (poll(&p, 1, timeoutMs) <= 0) return {};
    unsigned char buffer[QXServiceMaxMessage];
    size_t n = 0;
    if (QXServiceReceive(channel_, buffer, sizeof buffer, &n) != 0) return {};
    return Bytes(buffer, buffer + n);
  }
  QXService* channel_ = nullptr;
  std::deque<Bytes> notices_;
};

class CommandServiceTest : public TeldraFixture {
 protected:
  void SetUp() override {
    TeldraFixture::SetUp();
    serviceDir_.reset(new qwtest::ScopedEnv("QX_SERVICE_DIR", (home_.Path() + "/services").c_str()));
  }
  void Connect(ServiceClient* c) {
    ASSERT_TRUE(qwtest::WaitUntil([&] { return c->Open(); }, 15000)) << teldra_.Output();
    ASSERT_EQ(c->Ask({'o'}), (Bytes{'o', 1}));
  }
  std::vector<long> WorkArea() { return qwtest::ReadRootProperty(display_, "_WIN_WORKAREA").values; }
  static Bytes Launch(const std::string& command, int flags = 1, long priority = 5) {
    return Cat({{'s', static_cast<unsigned char>(flags)}, Int32(priority), Str(command), Str(""), Str("")});
  }
  std::unique_ptr<qwtest::ScopedEnv> serviceDir_;
};

TEST_F(CommandServiceTest, LaunchRegisterWorkAreaAndActivate) {
  StartTeldra();
  ServiceClient c;
  Connect(&c);

  // A registered name is answered when a window of that class is managed.
  Bytes registered = c.Ask(Cat({{'k'}, Str("QXTestApp")}));
  ASSERT_EQ(registered.size(), 9u);
  EXPECT_EQ(registered[0], 'k');
  Bytes launched = c.Ask(Launch("xterm -class QXTestApp -geometry 40x5+50+50 -e sleep 600"));
  ASSERT_EQ(launched.size(), 9u) << teldra_.Output();
  EXPECT_EQ(launched[0], 's');
  EXPECT_NE(Bytes(launched.begin() + 1, launched.end()), Bytes(registered.begin() + 1, registered.end()));
  Bytes notice = c.Notice(1);
  ASSERT_EQ(notice.size(), 10u) << "the window's arrival is told";
  EXPECT_EQ(Bytes(notice.begin() + 2, notice.end()), Bytes(registered.begin() + 1, registered.end()));
  Window app = WaitForClass("QXTestApp");
  ASSERT_NE(app, None);
  Window appFrame = WaitForFrame(app);

  // Malformed launches and names are answered with 0, nothing started.
  EXPECT_EQ(c.Ask(Cat({{'s', 1}, Int32(5), Str("xterm")})), (Bytes{'s', 0})) << "two strings missing";
  EXPECT_EQ(c.Ask({'s', 1, 0, 0}), (Bytes{'s', 0}));
  EXPECT_EQ(c.Ask({'k'}), (Bytes{'k', 0}));
  EXPECT_EQ(c.Ask({'k', 'a', 'b'}), (Bytes{'k', 0})) << "no NUL at the end";

  // Work area: 16 bytes are too few, 17 set it.
  const Bytes area = Cat({Int32(0), Int32(30), Int32(DisplayWidth(display_, 0)), Int32(700)});
  Bytes shortArea = Cat({{'d'}, area});
  shortArea.pop_back();
  ASSERT_TRUE(c.Send(shortArea));
  ASSERT_EQ(c.Ask({'o'}), (Bytes{'o', 1}));
  EXPECT_EQ(WorkArea(), (std::vector<long>{0, 0, DisplayWidth(display_, 0), DisplayHeight(display_, 0)}));
  ASSERT_TRUE(c.Send(Cat({{'d'}, area})));
  ASSERT_EQ(c.Ask({'o'}), (Bytes{'o', 1}));
  // Teldra has sent the property before its answer; the server may still
  // be reading it when the test asks.
  const std::vector<long> reserved = {0, 30, DisplayWidth(display_, 0), 700};
  EXPECT_TRUE(qwtest::WaitUntil([&] { return WorkArea() == reserved; })) << "work area " << ::testing::PrintToString(WorkArea());

  // Activation by class raises the window that lies under another.
  Run({"xmessage", "-name", "over", "-geometry", "+40+40", "over the test app"});
  Window over = WaitForClass("over");
  ASSERT_NE(over, None);
  Window overFrame = WaitForFrame(over);
  ASSERT_TRUE(qwtest::WaitUntil([&] { return StackIndex(overFrame) > StackIndex(appFrame); }, 10000));
  EXPECT_EQ(c.Ask(Cat({{'a'}, Str("QXTestApp")})), (Bytes{'a', 1}));
  EXPECT_TRUE(qwtest::WaitUntil([&] { return StackIndex(appFrame) > StackIndex(overFrame); }, 10000));
  EXPECT_EQ(c.Ask(Cat({{'a'}, Str("NoSuchClass")})), (Bytes{'a', 0}));
  EXPECT_EQ(c.Ask({'a', 'Q', 'X'}), (Bytes{'a', 0})) << "a name without its NUL is not looked for";

  // The display name: set, read, and the window manager's own for "".
  EXPECT_EQ(c.Ask(Cat({{'P'}, Str(":77")})), (Bytes{'P'}));
  EXPECT_EQ(c.Ask({'G'}), Cat({{'G'}, Str(":77")}));
  EXPECT_EQ(c.Ask(Cat({{'P'}, Str("")})), (Bytes{'P'}));
  EXPECT_EQ(c.Ask({'G'}), Cat({{'G'}, Str(server_.DisplayName())}));

  // This session has no card reader.
  EXPECT_EQ(c.Ask({'Q', '1', '2'}), (Bytes{'Q', 0, 0, 0, 0}));
  EXPECT_EQ(c.Ask({'S'}), (Bytes{'S', 0, 0, 0, 0}));
  EXPECT_EQ(c.Ask({'B', 1, 2}), (Bytes{'B', 0}));

  // The bar that reserved the area gives it back when it goes; another
  // client's end does not.
  {
    ServiceClient passing;
    Connect(&passing);
  }
  ASSERT_EQ(c.Ask({'o'}), (Bytes{'o', 1}));
  EXPECT_EQ(WorkArea(), (std::vector<long>{0, 30, DisplayWidth(display_, 0), 700}));
  c.Close();
  EXPECT_TRUE(qwtest::WaitUntil([&] {
    return WorkArea() == std::vector<long>{0, 0, DisplayWidth(display_, 0), DisplayHeight(display_, 0)};
  }, 10000));
}

TEST_F(CommandServiceTest, UnknownAndOversizeRequestsAreRefused) {
  StartTeldra();
  ServiceClient c;
  Connect(&c);
  for (const Bytes& junk : {Bytes{'Z'}, Bytes{0}, Bytes{0xFF, 1, 2}, Bytes{'f', 1}, Bytes{'m', 0}, Bytes{'i', 0}})
    ASSERT_TRUE(c.Send(junk));
  // A message above 4096 bytes, sent past the client library's own check.
  Bytes huge(QXServiceMaxMessage + 900, 'k');
  huge.back() = 0;
  EXPECT_EQ(send(c.Fd(), huge.data(), huge.size(), MSG_NOSIGNAL), static_cast<ssize_t>(huge.size()));
  EXPECT_EQ(c.Ask({'o'}), (Bytes{'o', 1})) << "nothing was answered before the ping";
  Bytes most(QXServiceMaxMessage, 'n');
  most[0] = 'k';
  most.back() = 0;
  EXPECT_EQ(c.Ask(most).size(), 9u) << "4096 bytes are still a request";
  EXPECT_TRUE(teldra_.Running());
}

TEST_F(CommandServiceTest, LockThenLogOff) {
  const std::string marker = home_.Path() + "/locked";
  home_.WriteFile("lock.sh", "#!/bin/sh\necho locked > " + marker + "\n");
  extraEnvironment_.push_back("QX_LOCK_PROGRAM=/bin/sh " + home_.Path() + "/lock.sh");
  StartTeldra("confirm_lock = false\n");
  ServiceClient c;
  Connect(&c);
  ASSERT_TRUE(c.Send(Cat({{'z'}, Int32(0), Int32(0)})));
  EXPECT_TRUE(qwtest::WaitUntil([&] { return std::ifstream(marker).good(); }, 15000)) << "the lock program ran";

  // Log-off with a desktop program connected: it is told, and it ends the
  // session itself.
  ASSERT_TRUE(c.Send(Cat({{'l'}, Int32(0), Int32(0)})));
  EXPECT_EQ(c.Notice(6).size(), 10u);
  EXPECT_EQ(c.Ask({'o'}), (Bytes{'o', 1})) << "still serving";
  ASSERT_TRUE(teldra_.Running());
  ASSERT_TRUE(c.Send({'x'}));
  EXPECT_EQ(c.Notice(3).size(), 10u) << "the service says it closes";
  ASSERT_TRUE(teldra_.WaitExit(20000));
  EXPECT_EQ(teldra_.ExitCode(), 5);
}

TEST_F(CommandServiceTest, WhileLockedNothingShowsOrActsBehindTheLock) {
  StartTeldra("confirm_lock = false\n");
  ServiceClient c;
  Connect(&c);
  ASSERT_TRUE(c.Send(Cat({{'z'}, Int32(0), Int32(0)})));
  ASSERT_TRUE(Viewable("screen lock")) << teldra_.Output();
  const std::string marker = home_.Path() + "/started";
  ASSERT_TRUE(c.Send(Cat({{'m'}, Int32(0), Int32(300), Int32(200), Int32(3)})));
  ASSERT_TRUE(c.Send(Cat({{'e'}, Int32(0)})));
  EXPECT_EQ(c.Ask(Launch("/bin/sh -c \"touch " + marker + "\"")), (Bytes{'s', 0}));
  EXPECT_EQ(c.Ask(Cat({{'a'}, Str("desktop")})), (Bytes{'a', 0}));
  // The replies came after the refused requests were served.
  for (Window w : teldratest::ChildrenOf(display_, root_)) {
    const XWindowAttributes a = teldratest::Attributes(display_, w);
    EXPECT_FALSE(a.override_redirect && a.map_state == IsViewable && a.x == 300 && a.y == 200) << "a menu";
  }
  EXPECT_TRUE(qwtest::FindWindowsByName(display_, "QXW0500").empty()) << "the version box";
  teldra_.Pump();
  for (const char* op : {"'m'", "'e'", "'s'", "'a'"})
    EXPECT_NE(teldra_.Output().find(std::string("request ") + op + " refused"), std::string::npos) << op;
  EXPECT_FALSE(std::ifstream(marker).good());
  EXPECT_EQ(c.Ask({'o'}), (Bytes{'o', 1})) << "still serving";
}

TEST_F(CommandServiceTest, LogOffWithConfirmationAsksFirst) {
  StartTeldra("confirm_logoff = true\n");
  ServiceClient c;
  Connect(&c);
  ASSERT_TRUE(c.Send(Cat({{'l'}, Int32(1), Int32(0)})));
  EXPECT_NE(qwtest::WaitForWindowByName(display_, "QXW3507", 15000), None) << "the Yes/No box is up";
  ASSERT_TRUE(teldra_.Running());
}

}  // namespace

namespace {

TEST_F(CommandServiceTest, AMemoryFullLaunchShowsTheBoxAndStartsNothing) {
  const std::string trapped = home_.Path() + "/trapped";
  home_.WriteFile("snmp/memFull.trap", "#!/bin/sh\ntouch " + trapped + "\n");
  ASSERT_EQ(chmod((home_.Path() + "/snmp/memFull.trap").c_str(), 0755), 0);
  extraEnvironment_.push_back("QX_SNMP_DIR=" + home_.Path() + "/snmp");
  StartTeldra();
  ServiceClient c;
  Connect(&c);
  const std::string marker = home_.Path() + "/started";
  EXPECT_EQ(c.Ask(Launch("/bin/sh -c \"touch " + marker + "\"", 0x09)), (Bytes{'s', 0}));
  EXPECT_NE(qwtest::WaitForWindowByName(display_, "QXW3505", 15000), None);
  EXPECT_TRUE(qwtest::WaitUntil([&] { return std::ifstream(trapped).good(); }, 15000)) << "the memFull trap ran";
  // Had the refused command been started, it would most likely be done by
  // the time a later one is.
  const std::string second = home_.Path() + "/second";
  const Bytes id = c.Ask(Launch("/bin/sh -c \"touch " + second + "\""));
  ASSERT_EQ(id.size(), 9u);
  ASSERT_TRUE(qwtest::WaitUntil([&] { return std::ifstream(second).good(); }, 15000));
  EXPECT_FALSE(std::ifstream(marker).good());
  const Bytes ended = c.Notice(0);
  ASSERT_EQ(ended.size(), 10u) << "the program's end is told";
  EXPECT_EQ(Bytes(ended.begin() + 2, ended.end()), Bytes(id.begin() + 1, id.end()));
}

TEST_F(CommandServiceTest, MenusAndTheInformationBoxOnRequest) {
  StartTeldra();
  ServiceClient c;
  Connect(&c);
  ASSERT_TRUE(c.Send(Cat({{'m'}, Int32(0), Int32(300), Int32(200), Int32(3)})));
  auto menuAt = [&](int x, int y) {
    for (Window w : teldratest::ChildrenOf(display_, root_)) {
      const XWindowAttributes a = teldratest::Attributes(display_, w);
      if (a.override_redirect && a.map_state == IsViewable && a.x >= x - 5 && a.x <= x + 5 && a.y >= y - 5 &&
          a.y <= y + 5)
        return true;
    }
    return false;
  };
  EXPECT_TRUE(qwtest::WaitUntil([&] { return menuAt(300, 200); })) << "the root menu at the position";
  ASSERT_TRUE(c.Send(Cat({{'m'}, Int32(7), Int32(500), Int32(400), Int32(3)})));
  ASSERT_TRUE(c.Send(Cat({{'e'}, Int32(0)})));
  EXPECT_NE(qwtest::WaitForWindowByName(display_, "QXW0500", 15000), None) << "the version box";
  EXPECT_FALSE(menuAt(500, 400)) << "menu 7 does not exist";
}

}  // namespace

namespace {

TEST_F(CommandServiceTest, AClassIconFromTheRegistryShowsOnTheDesktop) {
  std::string xpm = "/* XPM */\nstatic char *p[] = {\n\"32 32 1 1\",\n\"x c #ff00ff\",\n";
  for (int y = 0; y < 32; ++y) xpm += "\"" + std::string(32, 'x') + (y < 31 ? "\",\n" : "\"};\n");
  home_.WriteFile("registry/icons/app.xpm", xpm);
  StartTeldra();
  ServiceClient c;
  Connect(&c);
  ASSERT_TRUE(c.Send(Cat({{'i'}, Int32(32), Str("QXIconApp"), Str("icons/app.xpm"), Str("yes"), Str("yes")})));
  ASSERT_EQ(c.Ask({'o'}), (Bytes{'o', 1}));
  Run({"xterm", "-class", "QXIconApp", "-geometry", "30x4+200+100", "-e", "sleep", "600"});
  Window w = WaitForClass("QXIconApp");
  ASSERT_NE(w, None);
  ASSERT_NE(WaitForFrame(w), None);
  char hex[32];
  std::snprintf(hex, sizeof hex, "0x%lx", w);
  Tool({"xdotool", "windowminimize", "--sync", hex});
  // The first icon's image box: bottom left, the default placement.
  const int y = DisplayHeight(display_, 0) - 64;
  EXPECT_TRUE(qwtest::WaitUntil([&] {
    XImage* img = XGetImage(display_, root_, 32, y, 32, 32, AllPlanes, ZPixmap);
    if (!img) return false;
    bool all = true;
    for (int j = 0; j < 32 && all; ++j)
      for (int i = 0; i < 32 && all; ++i) all = XGetPixel(img, i, j) == 0xff00ff;
    XDestroyImage(img);
    return all;
  })) << "the class's picture fills the image box";
}

}  // namespace

namespace {

TEST_F(CommandServiceTest, ClientsHearTheMemoryFigures) {
  home_.WriteFile("meminfo", "MemTotal:       2000000 kB\nMemFree:         900000 kB\nMemAvailable:   1500000 kB\n");
  extraEnvironment_.push_back("QX_MEMINFO=" + home_.Path() + "/meminfo");
  StartTeldra();
  ServiceClient c;
  Connect(&c);
  const Bytes total = c.Notice(5);
  ASSERT_EQ(total.size(), 10u) << teldra_.Output();
  EXPECT_EQ(ReadBigLong(total.data() + 2), 2000000u) << "reported memory";
  const Bytes available = c.Notice(8);
  ASSERT_EQ(available.size(), 10u);
  EXPECT_EQ(ReadBigLong(available.data() + 2), 1500000u) << "free memory";
  EXPECT_EQ(ReadBigLong(available.data() + 6), ReadBigLong(total.data() + 6)) << "physical memory in both";
}

}  // namespace

namespace {

// A Java program launched through the service: a class compiled here runs
// with its class path found through JARPATH and its application name, and
// its end is told to the client.
TEST_F(CommandServiceTest, AJavaProgramRunsWithItsClassPathAndName) {
  if (system("command -v javac >/dev/null 2>&1 && command -v java >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "no JDK installed (javac and java; Debian: default-jdk-headless)";
  home_.WriteFile("src/Hello.java",
                  "public class Hello {\n"
                  "  public static void main(String[] a) throws Exception {\n"
                  "    try (java.io.PrintWriter w = new java.io.PrintWriter(a[0])) {\n"
                  "      w.println(System.getenv(\"CLASSPATH\") + \"|\" + System.getenv(\"JAVA_SHELL_WIDGET_APP_NAME\")"
                  " + \"|\" + a[1]);\n"
                  "    }\n"
                  "  }\n"
                  "}\n");
  qwtest::ChildProcess javac;
  ASSERT_TRUE(javac.Start({"javac", "-d", home_.Path() + "/lib/classes", home_.Path() + "/src/Hello.java"},
                          Environment()));
  ASSERT_TRUE(javac.WaitExit(120000));
  javac.Pump();
  ASSERT_EQ(javac.ExitCode(), 0) << javac.Output();
  // The bare entry "classes" is found in the second JARPATH directory.
  extraEnvironment_.push_back("JARPATH=" + home_.Path() + "/nowhere:" + home_.Path() + "/lib");
  StartTeldra();
  ServiceClient c;
  Connect(&c);
  const std::string out = home_.Path() + "/java-out";
  const Bytes id = c.Ask(Cat({{'s', 0}, Int32(3), Str("Hello " + out + " \"two words\""), Str("MyApp"),
                              Str("classes::")}));
  ASSERT_EQ(id.size(), 9u) << teldra_.Output();
  const Bytes ended = c.Notice(0, 60000);
  ASSERT_EQ(ended.size(), 10u) << "the program's end is told";
  EXPECT_EQ(Bytes(ended.begin() + 2, ended.end()), Bytes(id.begin() + 1, id.end()));
  std::ifstream in(out);
  std::string line;
  std::getline(in, line);
  EXPECT_EQ(line, home_.Path() + "/lib/classes|MyApp|two words");
}

}  // namespace

namespace {

// An empty message is ignored: the client stays connected and keeps the
// work area it reserved.
TEST_F(CommandServiceTest, AnEmptyMessageIsIgnored) {
  StartTeldra();
  ServiceClient c;
  Connect(&c);
  const std::vector<long> reserved = {0, 40, DisplayWidth(display_, 0), 700};
  ASSERT_TRUE(c.Send(Cat({{'d'}, Int32(0), Int32(40), Int32(DisplayWidth(display_, 0)), Int32(700)})));
  ASSERT_EQ(c.Ask({'o'}), (Bytes{'o', 1}));
  ASSERT_EQ(WorkArea(), reserved);
  ASSERT_TRUE(c.Send({}));
  EXPECT_EQ(c.Ask({'o'}), (Bytes{'o', 1})) << "still connected";
  EXPECT_EQ(WorkArea(), reserved);
  EXPECT_TRUE(teldra_.Running());
}

}  // namespace
