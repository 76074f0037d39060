// Log-in mode under Xvfb: the log-in dialog typed into through XTEST, a
// right user name and password start the desktop command as that user, a
// wrong one shows the refusal and leaves the dialog empty; the dialog's
// keys and buttons.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "tests/support/TestUser.h"
#include "tests/wm/TeldraFixture.h"

namespace {

using teldratest::Attributes;

constexpr const char* kPassword = "Lg1n-pass word";

class LoginTest : public teldratest::TeldraFixture {
 protected:
  ~LoginTest() override {
    if (rpcLock_ >= 0) close(rpcLock_);
  }
  // Teldra in log-in mode; the desktop command records its USER.
  void StartLoginMode(const std::vector<std::string>& options = {}) {
    // Teldra registers rusers and rwall in log-in mode when a portmapper
    // runs: the tests that own those registrations must not see ours.
    rpcLock_ = open("/tmp/teldra-rpc-tests.lock", O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    ASSERT_TRUE(rpcLock_ >= 0 && flock(rpcLock_, LOCK_SH) == 0);
    home_.WriteFile("registry/desktop/preferences",
                    "desktop_command = /bin/sh -c \"echo $USER > " + home_.Path() +
                        "/session-user; exec xmessage -name desktop -geometry +0+0 desktop\"\n");
    std::vector<std::string> argv = {TELDRA_BINARY, "-display", server_.DisplayName(), "-login"};
    argv.insert(argv.end(), options.begin(), options.end());
    ASSERT_TRUE(teldra_.Start(argv, Environment())) << teldra_.Error();
    dialog_ = qwtest::WaitForWindowByName(display_, "Welcome to the Quexel", 15000);
    ASSERT_NE(dialog_, None) << teldra_.Output();
    ASSERT_TRUE(qwtest::WaitUntil([&] { return Focus() == dialog_; })) << teldra_.Output();
  }
  std::string SessionUser() {
    std::ifstream in(home_.Path() + "/session-user");
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
};

TEST_F(LoginTest, TheRightPairStartsTheSessionAWrongOneIsRefusedAndCleared) {
  qwtest::TestUser user(kPassword);
  ASSERT_TRUE(user.Ok()) << user.Error();
  StartLoginMode();
  // Return in the user-name box moves on to the password box.
  Type(user.Name());
  Keys({"Return"});
  Type("not the password");
  Keys({"Return"});
  ASSERT_TRUE(Viewable("QXL4550")) << teldra_.Output();
  Keys({"Return"});  // "Ok"
  ASSERT_TRUE(Gone("QXL4550"));
  ASSERT_TRUE(qwtest::WaitUntil([&] { return Focus() == dialog_; })) << teldra_.Output();
  EXPECT_EQ(qwtest::WaitForWindowByClass(display_, "desktop", 300), None);
  // Both boxes were emptied: the pair typed again from the start logs in.
  Type(user.Name());
  Keys({"Tab"});
  Type(kPassword);
  Keys({"KP_Enter"});
  ASSERT_NE(WaitForClass("desktop"), None) << teldra_.Output();
  EXPECT_EQ(SessionUser(), user.Name());
  EXPECT_TRUE(qwtest::WaitUntil([&] { return !teldratest::Exists(display_, dialog_); }));
  teldra_.Pump();
  EXPECT_EQ(teldra_.Output().find(kPassword), std::string::npos);
  EXPECT_EQ(teldra_.Output().find("not the password"), std::string::npos);
}

TEST_F(LoginTest, TheLoginButtonByPointerAndEmptyBoxes) {
  qwtest::TestUser user(kPassword);
  ASSERT_TRUE(user.Ok()) << user.Error();
  StartLoginMode();
  // Return with an empty user name never checks anything: the focus goes
  // back to the user-name box, and no refusal is shown.
  Keys({"Tab", "Tab", "Return"});
  EXPECT_FALSE(qwtest::WaitUntil([&] { return !qwtest::FindWindowsByName(display_, "QXL4550").empty(); }, 300));
  Type(user.Name());
  Keys({"Down"});
  Type(kPassword);
  ClickButton(0);
  ASSERT_NE(WaitForClass("desktop"), None) << teldra_.Output();
  EXPECT_EQ(SessionUser(), user.Name());
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
  qwtest::TestUser user(kPassword);
  ASSERT_TRUE(user.Ok()) << user.Error();
  StartLoginMode({"-ppp"});
  Type(user.Name());
  Keys({"Return"});
  Type(kPassword);
  Keys({"Return"});
  ASSERT_TRUE(Viewable("QXL4550")) << teldra_.Output();
  EXPECT_EQ(qwtest::WaitForWindowByClass(display_, "desktop", 300), None);
}

}  // namespace
