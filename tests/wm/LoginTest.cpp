// Log-in mode under Xvfb: the log-in dialog typed into through XTEST, a
// right user name and password start the desktop command as that user, a
// wrong one shows the refusal and leaves the dialog empty; the dialog's
// keys and buttons.
#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <fstream>
#include <sstream>

#include "tests/support/TestUser.h"
#include "tests/wm/TeldraFixture.h"
// After the fixture: gtest comes before the X headers.
#include "tests/support/Screenshot.h"
#include "tests/wm/TestPamService.h"

namespace {

using teldratest::Attributes;

constexpr const char* kPassword = "Lg1n-pass word";

class LoginTest : public teldratest::TeldraFixture {
 protected:
  ~LoginTest() override {
    if (rpcLock_ >= 0) close(rpcLock_);
  }
  // Teldra in log-in mode; the desktop command records its USER.
  void StartLoginMode(const std::vector<std::string>& options = {},
                      const std::string& desktopCommand = "") {
    // Teldra registers rusers and rwall in log-in mode when a portmapper
    // runs: the tests that own those registrations must not see ours.
    // The session's programs run as the user: they write into a folder of
    // their own.
    ASSERT_EQ(chmod(out_.Path().c_str(), 0777), 0);
    rpcLock_ = open("/tmp/teldra-rpc-tests.lock", O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    ASSERT_TRUE(rpcLock_ >= 0 && flock(rpcLock_, LOCK_SH) == 0);
    home_.WriteFile("registry/desktop/preferences",
                    "desktop_command = " +
                        (desktopCommand.empty() ? "/bin/sh -c \"echo $USER > " + out_.Path() +
                                                      "/session-user; exec xmessage -name desktop -geometry +0+0 desktop\""
                                                : desktopCommand) +
                        "\n");
    std::vector<std::string> argv = {TELDRA_BINARY, "-display", server_.DisplayName(), "-login"};
    argv.insert(argv.end(), options.begin(), options.end());
    ASSERT_TRUE(teldra_.Start(argv, Environment())) << teldra_.Error();
    dialog_ = qwtest::WaitForWindowByName(display_, "Welcome to the Quexel", 15000);
    ASSERT_NE(dialog_, None) << teldra_.Output();
    ASSERT_TRUE(qwtest::WaitUntil([&] { return Focus() == dialog_; })) << teldra_.Output();
  }
  std::string SessionUser() {
    std::ifstream in(out_.Path() + "/session-user");
    std::string line;
    std::getline(in, line);
    return line;
  }
  // The dialog's buttons, in root coordinates: "Login" at x 70 and the
  // second button ending 70 pixels before the right edge, both at y 160.
  void ClickButton(int which) {
    const XWindowAttributes a = Attributes(display_, dialog_);
    const int x = which == 0 ? a.x + 80 : a.x + a.width - 80;
    Click(x, a.y + 170);
  }
  Window dialog_ = None;
  int rpcLock_ = -1;
  qwtest::TempDir out_;
  // Outlives Teldra, which ends the user's processes at log-off.
  qwtest::TestUser user_{kPassword};
};

std::string ReadFile(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// The live processes (not zombies) that run as `uid`, by name.
std::string ProcessesOf(uid_t uid) {
  std::string names;
  DIR* proc = opendir("/proc");
  if (!proc) return "(no /proc)";
  while (dirent* e = readdir(proc)) {
    if (e->d_name[0] < '1' || e->d_name[0] > '9') continue;
    std::istringstream status(ReadFile(std::string("/proc/") + e->d_name + "/status"));
    std::string line, name;
    bool zombie = false;
    while (std::getline(status, line)) {
      if (line.rfind("Name:", 0) == 0) name = line.substr(5);
      if (line.rfind("State:", 0) == 0) zombie = line.find('Z') != std::string::npos;
      if (line.rfind("Uid:", 0) == 0) {
        std::istringstream ids(line.substr(4));
        unsigned long real = 0, effective = 0;
        ids >> real >> effective;
        if ((real == uid || effective == uid) && !zombie) names += name;
      }
    }
  }
  closedir(proc);
  return names;
}

TEST_F(LoginTest, TheRightPairStartsTheSessionAWrongOneIsRefusedAndCleared) {
  ASSERT_TRUE(user_.Ok()) << user_.Error();
  StartLoginMode();
  // Return in the user-name box moves on to the password box.
  Type(user_.Name());
  Keys({"Return"});
  Type("not the password");
  Keys({"Return"});
  ASSERT_TRUE(Viewable("QXL4550")) << teldra_.Output();
  Keys({"Return"});  // "Ok"
  ASSERT_TRUE(Gone("QXL4550"));
  ASSERT_TRUE(qwtest::WaitUntil([&] { return Focus() == dialog_; })) << teldra_.Output();
  EXPECT_EQ(qwtest::WaitForWindowByClass(display_, "desktop", 300), None);
  // Both boxes were emptied: the pair typed again from the start logs in.
  Type(user_.Name());
  Keys({"Tab"});
  Type(kPassword);
  Keys({"KP_Enter"});
  ASSERT_NE(WaitForClass("desktop"), None) << teldra_.Output();
  EXPECT_EQ(SessionUser(), user_.Name());
  EXPECT_TRUE(qwtest::WaitUntil([&] { return !teldratest::Exists(display_, dialog_); }));
  teldra_.Pump();
  EXPECT_EQ(teldra_.Output().find(kPassword), std::string::npos);
  EXPECT_EQ(teldra_.Output().find("not the password"), std::string::npos);
}

TEST_F(LoginTest, TheLoginButtonByPointerAndEmptyBoxes) {
  ASSERT_TRUE(user_.Ok()) << user_.Error();
  StartLoginMode();
  // Return with an empty user name never checks anything: the focus goes
  // back to the user-name box, and no refusal is shown.
  Keys({"Tab", "Tab", "Return"});
  EXPECT_FALSE(qwtest::WaitUntil([&] { return !qwtest::FindWindowsByName(display_, "QXL4550").empty(); }, 300));
  Type(user_.Name());
  Keys({"Down"});
  Type(kPassword);
  ClickButton(0);
  ASSERT_NE(WaitForClass("desktop"), None) << teldra_.Output();
  EXPECT_EQ(SessionUser(), user_.Name());
}

TEST_F(LoginTest, RootIsRefusedWithoutAllowRootAndShutdownEndsTeldra) {
  StartLoginMode();
  Type("root");
  Keys({"Return"});
  Type("whatever");
  Keys({"Return"});
  ASSERT_TRUE(Viewable("QXL4550")) << teldra_.Output();
  Keys({"Escape"});
  ASSERT_TRUE(Gone("QXL4550"));
  ASSERT_TRUE(qwtest::WaitUntil([&] { return Focus() == dialog_; })) << teldra_.Output();
  // "Shutdown": the process ends with status 0.
  Type("someone");
  ClickButton(1);
  ASSERT_TRUE(teldra_.WaitExit(15000)) << teldra_.Output();
  EXPECT_EQ(teldra_.ExitCode(), 0);
}

TEST_F(LoginTest, UnderPppAPasswordLogInWithoutACardReaderIsRefused) {
  ASSERT_TRUE(user_.Ok()) << user_.Error();
  StartLoginMode({"-ppp"});
  Type(user_.Name());
  Keys({"Return"});
  Type(kPassword);
  Keys({"Return"});
  ASSERT_TRUE(Viewable("QXL4550")) << teldra_.Output();
  EXPECT_EQ(qwtest::WaitForWindowByClass(display_, "desktop", 300), None);
}

TEST_F(LoginTest, TheSessionRunsAsTheUserInAPamSessionThatLogOffCloses) {
  ASSERT_TRUE(user_.Ok()) << user_.Error();
  qwtest::TempDir dir;
  teldratest::PamService pam(dir);
  // The session's programs write what they are into a folder they may use.
  qwtest::TempDir out;
  ASSERT_EQ(chmod(out.Path().c_str(), 0777), 0);
  home_.WriteFile("resources", "teldra.authService: " + pam.Name() + "\n");
  extraEnvironment_ = {"XENVIRONMENT=" + home_.Path() + "/resources"};
  // A program of the session that leaves its process group and ignores the
  // polite ends of a session.
  const std::string stubborn = out.Path() + "/stubborn";
  std::ofstream(stubborn) << "trap '' HUP TERM\nexec sleep 600\n";
  ASSERT_EQ(chmod(stubborn.c_str(), 0755), 0);
  StartLoginMode({}, "/bin/sh -c \"(id -u; id -g; id -G; echo $HOME; echo $SHELL; echo $USER $LOGNAME; "
                     "echo $QWT_PAM_VALUE) > " +
                         out.Path() + "/ids; sleep 600 & setsid /bin/sh " + stubborn +
                         " & exec xmessage -name desktop -geometry +0+0 desktop\"");
  Type(user_.Name());
  Keys({"Return"});
  Type(kPassword);
  Keys({"Return"});
  ASSERT_NE(WaitForClass("desktop"), None) << teldra_.Output();

  passwd* pw = getpwnam(user_.Name().c_str());
  ASSERT_NE(pw, nullptr);
  const uid_t uid = pw->pw_uid;
  gid_t groups[64];
  int count = 64;
  ASSERT_GE(getgrouplist(user_.Name().c_str(), pw->pw_gid, groups, &count), 0);
  std::string groupList;
  for (int i = 0; i < count; ++i) groupList += (i ? " " : "") + std::to_string(groups[i]);
  std::ostringstream expected;
  expected << pw->pw_uid << "\n" << pw->pw_gid << "\n" << groupList << "\n" << pw->pw_dir << "\n"
           << pw->pw_shell << "\n" << user_.Name() << " " << user_.Name() << "\nfrom-pam\n";
  ASSERT_TRUE(qwtest::WaitUntil([&] { return !ReadFile(out.Path() + "/ids").empty(); }));
  EXPECT_EQ(ReadFile(out.Path() + "/ids"), expected.str());
  EXPECT_EQ(pam.Log(), "open_session " + user_.Name() + "\n");
  // Both programs left in the background run, as the user.
  EXPECT_TRUE(qwtest::WaitUntil([&] {
    const std::string names = ProcessesOf(uid);
    return names.find("sleep") != names.rfind("sleep");
  })) << ProcessesOf(uid);

  // Log-off: the PAM session closes, and nothing of the user stays.
  ASSERT_TRUE(teldra_.Signal(SIGTERM));
  ASSERT_TRUE(teldra_.WaitExit(30000)) << teldra_.Output();
  EXPECT_EQ(teldra_.ExitCode(), 5);
  EXPECT_EQ(pam.Log(), "open_session " + user_.Name() + "\nclose_session " + user_.Name() + "\n");
  EXPECT_TRUE(qwtest::WaitUntil([&] { return ProcessesOf(uid).empty(); })) << ProcessesOf(uid);
}

// The password check runs beside Teldra: while PAM holds it (here until the
// test lets it go; a wrong password's delay does the same), the dialog is
// drawn again when uncovered and a new client's window gets its frame.
TEST_F(LoginTest, TheScreenKeepsAnsweringWhileAPasswordCheckIsPending) {
  ASSERT_TRUE(user_.Ok()) << user_.Error();
  qwtest::TempDir dir;
  teldratest::PamService pam(dir, true);
  home_.WriteFile("resources", "teldra.authService: " + pam.Name() + "\n");
  extraEnvironment_ = {"XENVIRONMENT=" + home_.Path() + "/resources"};
  StartLoginMode();
  Type(user_.Name());
  Keys({"Return"});
  Type("not the password");
  Keys({"Return"});
  ASSERT_TRUE(qwtest::WaitUntil([&] { return pam.Held() == 1; })) << teldra_.Output();

  // The check is pending from here until Release().
  const XWindowAttributes a = Attributes(display_, dialog_);
  const int titleRows = 60;  // the title; the boxes below have a blinking caret
  auto title = [&] {
    qwtest::Screenshot shot = qwtest::CaptureWindow(display_, dialog_);
    shot.pixels.resize(std::min(shot.pixels.size(), static_cast<size_t>(shot.width) * titleRows));
    return shot.pixels;
  };
  const std::vector<qwtest::Rgb> before = title();
  ASSERT_FALSE(before.empty());
  XSetWindowAttributes cover;
  cover.override_redirect = True;
  cover.background_pixel = WhitePixel(display_, DefaultScreen(display_));
  const Window over = XCreateWindow(display_, root_, a.x, a.y, a.width, titleRows, 0, CopyFromParent, InputOutput,
                                    CopyFromParent, CWOverrideRedirect | CWBackPixel, &cover);
  XMapRaised(display_, over);
  qwtest::XBarrier(display_);
  ASSERT_NE(title(), before) << "the cover hides the title";
  XDestroyWindow(display_, over);
  qwtest::XBarrier(display_);
  EXPECT_TRUE(qwtest::WaitUntil([&] { return title() == before; })) << "the title is drawn again";

  const Window client = XCreateSimpleWindow(display_, root_, 0, 0, 120, 80, 0, 0, 0);
  XMapWindow(display_, client);
  XFlush(display_);
  EXPECT_NE(WaitForFrame(client), None) << "the new window gets its frame";
  XDestroyWindow(display_, client);
  qwtest::XBarrier(display_);

  // Still pending: nothing answered the typed password yet.
  EXPECT_TRUE(qwtest::FindWindowsByName(display_, "QXL4550").empty());
  EXPECT_EQ(pam.Held(), 1);
  ASSERT_TRUE(pam.Release());
  ASSERT_TRUE(Viewable("QXL4550")) << teldra_.Output();
  Keys({"Return"});
  ASSERT_TRUE(Gone("QXL4550"));
  // The check still decides: the right pair, released in turn, logs in.
  ASSERT_TRUE(qwtest::WaitUntil([&] { return Focus() == dialog_; })) << teldra_.Output();
  Type(user_.Name());
  Keys({"Return"});
  Type(kPassword);
  Keys({"Return"});
  ASSERT_TRUE(qwtest::WaitUntil([&] { return pam.Held() == 2; })) << teldra_.Output();
  EXPECT_EQ(qwtest::WaitForWindowByClass(display_, "desktop", 300), None);
  ASSERT_TRUE(pam.Release());
  ASSERT_NE(WaitForClass("desktop"), None) << teldra_.Output();
  EXPECT_EQ(SessionUser(), user_.Name());
}

TEST_F(LoginTest, ReturnAfterAnyPathOfTabsLogsInAndNeverShutsDown) {
  // A password file that knows nobody: every log-in is refused at once.
  extraEnvironment_ = {"QX_AUTH_FILE=" + home_.WriteFile("passwords", "")};
  StartLoginMode();
  // Where the focus is, by the dialog's ring: the user-name box, the
  // password box, or the buttons with "Login" (0) or "Shutdown" (1) current.
  enum { NameBox, PasswordBox, Buttons } focus = NameBox;
  int current = 0;
  auto tab = [&](bool back) {
    if (!back) {
      if (focus == NameBox) focus = PasswordBox;
      else if (focus == PasswordBox) focus = Buttons;
      else if (current == 0) current = 1;
      else current = 0, focus = NameBox;
    } else {
      if (focus == PasswordBox) focus = NameBox, current = 1;
      else if (focus == NameBox) focus = Buttons, current = 1;
      else if (current == 0) focus = PasswordBox;
      else current = 0;
    }
  };
  int refusals = 0;
  for (int length = 0; length <= 3; ++length)
    for (int bits = 0; bits < (1 << length); ++bits) {
      focus = NameBox;  // where Escape puts it
      std::vector<std::string> keys;
      for (int i = 0; i < length; ++i) {
        const bool back = (bits >> i) & 1;
        keys.push_back(back ? "shift+Tab" : "Tab");
        tab(back);
      }
      keys.push_back("Return");
      Keys({"Escape"});  // both boxes empty, the focus in the user-name box
      Type("someone");
      Keys(keys);
      ASSERT_TRUE(teldra_.Running()) << "after " << testing::PrintToString(keys);
      if (focus == NameBox) {
        focus = PasswordBox;  // Return moves on to the password box
        continue;
      }
      // Everywhere else Return is "Login": refused, and the dialog emptied.
      ASSERT_TRUE(Viewable("QXL4550")) << testing::PrintToString(keys) << teldra_.Output();
      ++refusals;
      Keys({"Return"});
      ASSERT_TRUE(Gone("QXL4550"));
      ASSERT_TRUE(qwtest::WaitUntil([&] { return Focus() == dialog_; })) << teldra_.Output();
      focus = NameBox;
    }
  EXPECT_GT(refusals, 5);
  EXPECT_TRUE(teldra_.Running());
  // "Shutdown" still runs from its own key.
  Keys({"Escape"});
  Type("someone");
  Keys({"Tab", "Tab", "Right", "space"});
  ASSERT_TRUE(teldra_.WaitExit(15000)) << teldra_.Output();
  EXPECT_EQ(teldra_.ExitCode(), 0);
}

}  // namespace
