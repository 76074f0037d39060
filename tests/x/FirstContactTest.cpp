// qw5250 as a new user first meets it, run as a program: the mistakes of a
// command line, the terminal type a host is sent, a wide session from its
// negotiation to a 27 x 132 screen read back by the host, the titles a window
// manager shows, and a normal start that logs no errors.
#include <gtest/gtest.h>  // before Xlib, whose None and Bool macros clash with it

#include "tests/support/ChildProcess.h"
#include "tests/support/Qw5250ProgramTest.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestHost5250.h"
#include "tests/support/TestPaths.h"
#include "tests/support/WindowManager.h"
#include "tests/support/XProps.h"
#include "tests/support/XTestServer.h"
#include "tests/support/XWindows.h"

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace qwtest {
namespace {

constexpr int kWaitMs = 20000;

// A host record: the GDS header of a put/get, then `body`.
std::vector<uint8_t> Gds(const std::vector<uint8_t>& body) {
  const size_t n = body.size() + 10;
  std::vector<uint8_t> r = {static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n), 0x12, 0xA0, 0x00, 0x00,
                            0x04, 0x00, 0x00, 0x03};
  r.insert(r.end(), body.begin(), body.end());
  return r;
}

// Each way of asking for help prints the whole usage text on standard
// output and ends with success, before any display is needed.
TEST(CommandLineTest, HelpPrintsTheUsageTextAndSucceeds) {
  const std::vector<std::vector<std::string>> cases = {{"-help"}, {"--help"}, {"-h"}, {"-port", "2323", "-h"}};
  for (const std::vector<std::string>& args : cases) {
    SCOPED_TRACE(args.back());
    TempDir home;
    std::vector<std::string> argv = {Qw5250Binary()};
    argv.insert(argv.end(), args.begin(), args.end());
    ChildProcess qw;
    ASSERT_TRUE(qw.Start(argv, ChildProcess::BaseEnvironment({"HOME=" + home.Path(), "LANG=C"}))) << qw.Error();
    ASSERT_TRUE(qw.WaitExit(kWaitMs)) << qw.Output();
    ASSERT_TRUE(qw.ExitedNormally()) << qw.Output();
    EXPECT_EQ(qw.ExitCode(), 0) << qw.Output();
    const std::string out = qw.Stdout();
    EXPECT_EQ(out.rfind("usage: qw5250 [options] [host]\n", 0), 0u) << out;
    for (const char* option : {"-port", "-SESSION_ID", "-ECL", "-NO_ECL", "-keypad", "-playback", "-help", "-display"})
      EXPECT_NE(out.find(std::string(" ") + option), std::string::npos) << option << "\n" << out;
    EXPECT_EQ(qw.Stderr(), "");
  }
}

TEST(CommandLineTest, MistakesEndTheStartWithTheirOwnMessage) {
  struct Case {
    const char* what;
    std::vector<std::string> args;
    std::vector<std::string> env;
    int status;
    const char* says;
    bool usage;  // the usage text follows
  };
  const Case cases[] = {
      {"an unknown option before the host", {"-bogus", "myhost"}, {}, 2, "unknown option \"-bogus\"", true},
      {"an unknown option after the host", {"myhost", "-bogus"}, {}, 2, "unknown option \"-bogus\"", true},
      {"an option without its value", {"myhost", "-port"}, {}, 2, "option \"-port\" needs a value", true},
      {"a port that is no number", {"-port", "telnet", "myhost"}, {}, 2,
       "QWC0540: -port value, \"telnet\", is not a port number (1-65535).", false},
      {"port 0", {"-port", "0", "myhost"}, {}, 2, "-port value, \"0\", is not a port number", false},
      {"port 65536", {"-PORT", "65536", "myhost"}, {}, 2, "-PORT value, \"65536\", is not a port number", false},
      {"a port with a tail", {"-port", "23x", "myhost"}, {}, 2, "-port value, \"23x\", is not a port number", false},
      // Good options pass; the display that cannot be opened is named.
      {"the display of -display", {"-display", ":unreachable", "-port", "2323", "myhost"}, {}, 1,
       "Cannot open the X display \":unreachable\" (-display).", false},
      {"the display of DISPLAY", {"-geom", "80x24", "myhost"}, {"DISPLAY=:unreachable"}, 1,
       "Cannot open the X display \":unreachable\" (DISPLAY).", false},
      {"no display named", {"myhost"}, {}, 1, "Cannot open the X display (none named", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempDir home;
    std::vector<std::string> argv = {Qw5250Binary()};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    std::vector<std::string> env = c.env;
    env.push_back("HOME=" + home.Path());
    env.push_back("LANG=C");
    ChildProcess qw;
    ASSERT_TRUE(qw.Start(argv, ChildProcess::BaseEnvironment(env))) << qw.Error();
    ASSERT_TRUE(qw.WaitExit(kWaitMs)) << qw.Output();
    ASSERT_TRUE(qw.ExitedNormally()) << qw.Output();
    EXPECT_EQ(qw.ExitCode(), c.status) << qw.Output();
    EXPECT_NE(qw.Output().find(c.says), std::string::npos) << qw.Output();
    EXPECT_EQ(qw.Stderr().find("usage: qw5250 [options] [host]") != std::string::npos, c.usage) << qw.Output();
    // Never taken as a host name.
    EXPECT_EQ(qw.Output().find("gethostbyname"), std::string::npos) << qw.Output();
  }
}

using TerminalTypeTest = Qw5250ProgramTest;

TEST_F(TerminalTypeTest, TheHostIsSentARegisteredName) {
  struct Case {
    const char* what;
    std::vector<std::string> args;
    const char* sent;
    const char* logged;  // or null
  };
  const Case cases[] = {
      {"no -tn", {}, "IBM-3487-HC", nullptr},
      {"a registered 24 x 80 type", {"-tn", "IBM-3196-A1"}, "IBM-3196-A1", nullptr},
      {"any case, sent as registered", {"-TN", "ibm-5292-2"}, "IBM-5292-2", nullptr},
      {"a 27 x 132 type without wide screens", {"-tn", "IBM-3477-FC", "-wide", "disable"}, "IBM-3179-2", nullptr},
      {"an unregistered name is ignored", {"-tn", "QAV-3477-FC"}, "IBM-3487-HC",
       "QWC0535: name specified for -tn parameter not valid."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TestHost5250 host;
    ASSERT_TRUE(host.Start());
    std::vector<std::string> args = c.args;
    args.insert(args.end(), {"-PORT", std::to_string(host.Port()), "-RETRY_COUNT", "0", "127.0.0.1"});
    startQw(args);
    ASSERT_TRUE(host.WaitNegotiated(kWaitMs)) << qw_->Output();
    EXPECT_EQ(host.TerminalType(), c.sent);
    EXPECT_FALSE(host.TerminalTypeRefused());
    if (c.logged) {
      qw_->Pump();
      EXPECT_NE(qw_->Output().find(c.logged), std::string::npos) << qw_->Output();
    }
    qw_->Stop();
  }
}

TEST_F(TerminalTypeTest, LangIdTakesALocaleNameAndTheHostGetsItsValues) {
  struct Case {
    const char* what;
    const char* value;
    const char* keyboard;  // the NEW-ENVIRON values the host receives
    const char* codePage;
    const char* logged;  // or null
  };
  const Case cases[] = {
      {"a locale name", "de_DE", "AGB", "273", nullptr},
      {"a language id is refused", "DEU", "USB", "037", "QWC0107: -LANGID value of DEU not supported."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TestHost5250 host;
    ASSERT_TRUE(host.Start());
    startQw({"-LANGID", c.value, "-PORT", std::to_string(host.Port()), "-RETRY_COUNT", "0", "127.0.0.1"});
    ASSERT_TRUE(host.WaitNegotiated(kWaitMs)) << qw_->Output();
    EXPECT_EQ(host.Environment()["KBDTYPE"], c.keyboard);
    EXPECT_EQ(host.Environment()["CODEPAGE"], c.codePage);
    qw_->Pump();
    if (c.logged) EXPECT_NE(qw_->Output().find(c.logged), std::string::npos) << qw_->Output();
    qw_->Stop();
  }
  // The usage text and the README promise what the option takes.
  ChildProcess usage;
  ASSERT_TRUE(usage.Start({Qw5250Binary(), "-bogus"}, ChildProcess::BaseEnvironment({"LANG=C"}))) << usage.Error();
  ASSERT_TRUE(usage.WaitExit(kWaitMs));
  EXPECT_NE(usage.Stderr().find("-LANGID locale        the session language as a locale name, such as de_DE"),
            std::string::npos)
      << usage.Stderr();
  std::ifstream readme(SourceRoot() + "/README.md");
  const std::string text((std::istreambuf_iterator<char>(readme)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("`-LANGID locale` (a locale name"), std::string::npos);
  EXPECT_EQ(text.find("language id such as `DEU`"), std::string::npos);
}

TEST_F(TerminalTypeTest, ANormalStartOnADesktopLogsNoErrors) {
  // No terminal registry, no translated resource file (MRIPATH unset), no
  // window manager publishing border sizes or a work area.
  TempDir registry;
  TestHost5250 host;
  ASSERT_TRUE(host.Start());
  startQw({"-PORT", std::to_string(host.Port()), "127.0.0.1"}, {"QX_REGISTRY_DIR=" + registry.Path()});
  ASSERT_TRUE(host.WaitNegotiated(kWaitMs)) << qw_->Output();
  ASSERT_TRUE(host.Barrier(kWaitMs)) << qw_->Output();
  ASSERT_NE(WaitForWindowByClass(display_, "QW5250", kWaitMs), static_cast<Window>(None));
  qw_->Pump();
  const std::string out = qw_->Output();
  EXPECT_EQ(out.find("[ ERROR ]"), std::string::npos) << out;
  // Each missing source is named once, with what is used instead.
  for (const char* line : {"[ INFORMATIONAL ]: QWC0193: MRIPATH environment variable not defined; the built-in",
                           "[ INFORMATIONAL ]: QWC0214: The _QX_BORDER_SIZES property does not exist;",
                           "[ INFORMATIONAL ]: QWC0187: No registry objects /boot/nvram and /boot/unique: the "
                           "keyboard is taken as English 102."}) {
    const size_t at = out.find(line);
    EXPECT_NE(at, std::string::npos) << line << "\n" << out;
    if (at != std::string::npos) EXPECT_EQ(out.find(line, at + 1), std::string::npos) << line;
  }
  qw_->Stop();
}

TEST_F(TerminalTypeTest, TitleAndIconTitleAreWhatTheTitleOptionChooses) {
  TestWindowManager wm;
  ASSERT_TRUE(wm.Start(display_, server_.DisplayName())) << wm.Error();
  struct Case {
    const char* what;
    std::vector<std::string> args;
    const char* title;
  };
  const Case cases[] = {
      {"title and session id (the default mode)", {"-title", "Payroll", "-SESSION_ID", "PAY"}, "Payroll : PAY"},
      {"no title: the host names the window", {"-SESSION_ID", "PAY"}, "127.0.0.1 : PAY"},
      {"title and host", {"-title", "Payroll", "-TITLE_OPTION", "TEXT_AND_HOST"}, "Payroll : 127.0.0.1"},
      {"session id only", {"-SESSION_ID", "PAY", "-TITLE_OPTION", "SESSION_ID_ONLY"}, "PAY"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TestHost5250 host;
    ASSERT_TRUE(host.Start());
    std::vector<std::string> args = c.args;
    args.insert(args.end(), {"-PORT", std::to_string(host.Port()), "-RETRY_COUNT", "0", "127.0.0.1"});
    startQw(args);
    ASSERT_TRUE(host.WaitNegotiated(kWaitMs)) << qw_->Output();
    // The session window, found by the title a window manager reads.
    const Window w = WaitForWindowByName(display_, c.title, kWaitMs);
    ASSERT_NE(w, static_cast<Window>(None)) << qw_->Output();
    EXPECT_TRUE(FindWindowsByName(display_, "MainWindow").empty());
    // Managed: twm has put its frame around the window.
    ASSERT_TRUE(WaitUntil([&] { return TopLevelAncestor(display_, w) != w; }, kWaitMs, display_));
    for (const char* name : {"WM_NAME", "WM_ICON_NAME"}) {
      const PropertyValue p = ReadWindowProperty(display_, w, name);
      EXPECT_EQ(p.typeName, "STRING") << name;
      EXPECT_EQ(p.bytes, c.title) << name;
    }
    for (const char* name : {"_NET_WM_NAME", "_NET_WM_ICON_NAME"}) {
      const PropertyValue p = ReadWindowProperty(display_, w, name);
      EXPECT_EQ(p.typeName, "UTF8_STRING") << name;
      EXPECT_EQ(p.bytes, c.title) << name;
    }
    qw_->Stop();
  }
  wm.Stop();
}

// A session on a screen that is large enough for 27 x 132.
class WideSessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server_.Start(1920, 1200)) << server_.Error();
    display_ = server_.Connect();
    ASSERT_NE(display_, nullptr);
  }
  void TearDown() override { server_.Stop(); }

  XTestServer server_;
  Display* display_ = nullptr;
  TempDir home_;
};

TEST_F(WideSessionTest, WideTypeIsNegotiatedAndA27x132ScreenIsShownAndReadBack) {
  TestHost5250 host;
  ASSERT_TRUE(host.Start());
  ChildProcess qw;
  ASSERT_TRUE(qw.Start({Qw5250Binary(), "-tn", "IBM-3477-FC", "-wide", "enable", "-PORT", std::to_string(host.Port()),
                        "-RETRY_COUNT", "0", "127.0.0.1"},
                       ChildProcess::BaseEnvironment(
                           {"DISPLAY=" + server_.DisplayName(), "HOME=" + home_.Path(), "LANG=C"})))
      << qw.Error();
  ASSERT_TRUE(host.WaitNegotiated(kWaitMs)) << qw.Output();
  EXPECT_EQ(host.TerminalType(), "IBM-3477-FC");

  const Window w = WaitForWindowByName(display_, "127.0.0.1 : A", kWaitMs);  // the session window
  ASSERT_NE(w, static_cast<Window>(None)) << qw.Output();
  auto size = [&](int* width, int* height) {
    XWindowAttributes a;
    if (!XGetWindowAttributes(display_, w, &a) || a.map_state != IsViewable) return false;
    *width = a.width;
    *height = a.height;
    return true;
  };
  int width24 = 0, height24 = 0;
  ASSERT_TRUE(WaitUntil([&] { return size(&width24, &height24); }, kWaitMs, display_));

  // Clear unit alternate to 27 x 132, "A" at row 1 column 1 and "WIDE" at
  // row 27 column 129 (the last four positions).
  host.SendRecord(Gds({0x04, 0x20, 0x00, 0x04, 0x11, 0x00, 0x00, 0x11, 1, 1, 0xC1, 0x11, 27, 129, 0xE6, 0xC9,
                       0xC4, 0xC5}));
  ASSERT_TRUE(host.Barrier(kWaitMs)) << qw.Output();
  host.SendRecord(Gds({0x04, 0x62}));  // read screen
  std::vector<uint8_t> reply;
  ASSERT_TRUE(host.WaitForRecord(kWaitMs, nullptr, &reply)) << qw.Output();
  ASSERT_EQ(reply.size(), 10u + 27u * 132u) << qw.Output();
  const std::vector<uint8_t> screen(reply.begin() + 10, reply.end());
  EXPECT_EQ(screen[0], 0xC1);
  EXPECT_EQ(std::vector<uint8_t>(screen.end() - 4, screen.end()), (std::vector<uint8_t>{0xE6, 0xC9, 0xC4, 0xC5}));
  // Row 26 ends where row 27 begins: 132 positions a row.
  EXPECT_EQ(screen[26 * 132 + 127], 0x00);

  // The window grows to show all 132 columns and 27 rows, on the screen
  // (with a smaller font when the 24x80 one is too wide).
  int width27 = 0, height27 = 0;
  EXPECT_TRUE(WaitUntil([&] { return size(&width27, &height27) && width27 * 10 > width24 * 12; }, kWaitMs,
                        display_))
      << width24 << "x" << height24 << " became " << width27 << "x" << height27;
  EXPECT_LE(width27, 1920);
  EXPECT_LE(height27, 1200);
  EXPECT_TRUE(qw.Running());
  qw.Stop();
}

}  // namespace
}  // namespace qwtest
