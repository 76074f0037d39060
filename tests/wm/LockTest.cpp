// The screen lock of a running session under Xvfb: real pointer and
// keyboard grabs that no other client can break, no focus for other
// windows, no hot keys; unlock by the account password, by a lock password,
// and the attempt limit that ends the session.
#include <X11/Xatom.h>

#include "tests/support/TestUser.h"
#include "tests/wm/TeldraFixture.h"

namespace {

using teldratest::Attributes;

constexpr const char* kPassword = "L0ck-pass";

class LockTest : public teldratest::TeldraFixture {
 protected:
  void SetUp() override {
    TeldraFixture::SetUp();
    user_ = std::make_unique<qwtest::TestUser>(kPassword);
    ASSERT_TRUE(user_->Ok()) << user_->Error();
    extraEnvironment_ = {"USER=" + user_->Name(), "LOGNAME=" + user_->Name()};
  }
  void StartSession(const std::string& preferences = "") {
    StartTeldra(preferences);
    // A client of the test that would like the keyboard.
    other_ = XCreateSimpleWindow(display_, root_, 300, 300, 200, 100, 0, 0, 0xffffff);
    XStoreName(display_, other_, "other");
    XClassHint hint = {const_cast<char*>("other"), const_cast<char*>("Other")};
    XSetClassHint(display_, other_, &hint);
    XSelectInput(display_, other_, KeyPressMask | FocusChangeMask);
    XMapWindow(display_, other_);
    XFlush(display_);
    ASSERT_NE(WaitForFrame(other_), None) << teldra_.Output();
  }
  // What a desktop program sends to lock at once.
  void RequestLock() {
    XEvent ev = {};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = root_;
    ev.xclient.message_type = XInternAtom(display_, "_QX_LOCK_SCREEN", False);
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = 1;
    XSendEvent(display_, root_, False, SubstructureRedirectMask | SubstructureNotifyMask, &ev);
    XFlush(display_);
  }
  // A second client's grabs: both refused while the lock holds them.
  std::pair<int, int> GrabFromAnotherClient() {
    Display* d = XOpenDisplay(server_.DisplayName().c_str());
    if (!d) return {-1, -1};
    const int pointer = XGrabPointer(d, DefaultRootWindow(d), False, ButtonPressMask, GrabModeAsync, GrabModeAsync,
                                     None, None, CurrentTime);
    const int keyboard = XGrabKeyboard(d, DefaultRootWindow(d), False, GrabModeAsync, GrabModeAsync, CurrentTime);
    XUngrabPointer(d, CurrentTime);
    XUngrabKeyboard(d, CurrentTime);
    XCloseDisplay(d);
    return {pointer, keyboard};
  }
  int KeysReachingOther() {
    int n = 0;
    XEvent ev;
    qwtest::XBarrier(display_);
    while (XCheckTypedWindowEvent(display_, other_, KeyPress, &ev)) ++n;
    return n;
  }
  void Unlock(const std::string& password) {
    Keys({"space"});  // a password lock opens its dialog on a key
    ASSERT_TRUE(Viewable(("Screen Locked by " + user_->Name()).c_str())) << teldra_.Output();
    Type(password);
    Keys({"Return"});
  }
  std::unique_ptr<qwtest::TestUser> user_;
  Window other_ = None;
};

TEST_F(LockTest, TheLockHoldsTheGrabsTheFocusAndTheHotKeysUntilTheAccountPassword) {
  StartSession();
  EXPECT_EQ(GrabFromAnotherClient(), std::make_pair(GrabSuccess, GrabSuccess));
  RequestLock();
  ASSERT_TRUE(Viewable("screen lock")) << teldra_.Output();
  EXPECT_EQ(GrabFromAnotherClient(), std::make_pair(AlreadyGrabbed, AlreadyGrabbed));

  // The focus is taken back at once, and typed keys never reach the client.
  Tool({"xdotool", "windowfocus", std::to_string(other_)});
  Type("abc");
  EXPECT_TRUE(qwtest::WaitUntil([&] { return Focus() != other_; })) << teldra_.Output();
  EXPECT_EQ(KeysReachingOther(), 0);

  // Hot keys do nothing: no version box, no log-off.
  Keys({"ctrl+alt+v", "ctrl+alt+BackSpace"});
  EXPECT_TRUE(teldra_.Running());
  EXPECT_TRUE(qwtest::FindWindowsByName(display_, "QXW0500").empty());

  // A wrong account password is refused; the right one unlocks.
  Keys({"Escape"});
  Unlock("wrong password");
  ASSERT_TRUE(Viewable("QXL4550")) << teldra_.Output();
  Keys({"Return"});
  ASSERT_TRUE(Gone("QXL4550"));
  Type(kPassword);
  Keys({"Return"});
  ASSERT_TRUE(Gone("screen lock")) << teldra_.Output();
  EXPECT_TRUE(qwtest::WaitUntil([&] { return GrabFromAnotherClient() == std::make_pair(GrabSuccess, GrabSuccess); }));
  EXPECT_EQ(KeysReachingOther(), 0);
  EXPECT_TRUE(teldra_.Running());
  teldra_.Pump();
  EXPECT_EQ(teldra_.Output().find(kPassword), std::string::npos);
}

TEST_F(LockTest, ALockPasswordIsAskedTwiceAndIsTheOnlyWayBack) {
  StartSession("prompt_for_lock_password = true\n");
  RequestLock();
  ASSERT_TRUE(Viewable("Enter Lock Screen Password")) << teldra_.Output();
  Type("first");
  Keys({"Tab"});
  Type("second");
  Keys({"Return"});
  ASSERT_TRUE(Viewable("QXL4553")) << teldra_.Output();
  Keys({"Return"});
  ASSERT_TRUE(Gone("QXL4553"));
  Type("lockword");
  Keys({"Tab"});
  Type("lockword");
  Keys({"Return"});
  ASSERT_TRUE(Viewable("screen lock")) << teldra_.Output();
  EXPECT_EQ(GrabFromAnotherClient(), std::make_pair(AlreadyGrabbed, AlreadyGrabbed));
  // The account password does not open a lock with its own password.
  Keys({"space"});
  ASSERT_TRUE(Viewable("Screen Locked")) << teldra_.Output();
  Type(kPassword);
  Keys({"Return"});
  ASSERT_TRUE(Viewable("QXL4554")) << teldra_.Output();
  Keys({"Return"});
  ASSERT_TRUE(Gone("QXL4554"));
  Type("lockword");
  Keys({"Return"});
  ASSERT_TRUE(Gone("screen lock")) << teldra_.Output();
  EXPECT_TRUE(teldra_.Running());
}

TEST_F(LockTest, TheAttemptLimitEndsTheSession) {
  StartSession("max_unlock_attempts = 2\n");
  RequestLock();
  ASSERT_TRUE(Viewable("screen lock")) << teldra_.Output();
  Unlock("wrong 1");
  ASSERT_TRUE(Viewable("QXL4550")) << teldra_.Output();
  Keys({"Return"});
  ASSERT_TRUE(Gone("QXL4550"));
  Type("wrong 2");
  Keys({"Return"});
  // The second failure logs off without a message: Teldra ends with 5.
  ASSERT_TRUE(teldra_.WaitExit(30000)) << teldra_.Output();
  EXPECT_EQ(teldra_.ExitCode(), 5);
}

TEST_F(LockTest, TheLockButtonClosesTheDialogAndTheScreenStaysLocked) {
  StartSession("show_logoff_during_lock = true\n");
  RequestLock();
  ASSERT_TRUE(Viewable("screen lock")) << teldra_.Output();
  Keys({"space"});
  ASSERT_TRUE(Viewable(("Screen Locked by " + user_->Name()).c_str())) << teldra_.Output();
  // Shift+Tab from the box lands on "Lock" (the last of the ring is
  // "Logoff" with three buttons: Tab order first, third, second).
  Keys({"shift+Tab", "Return"});
  ASSERT_TRUE(Gone(("Screen Locked by " + user_->Name()).c_str())) << teldra_.Output();
  EXPECT_TRUE(Viewable("screen lock", 100));
  EXPECT_EQ(GrabFromAnotherClient(), std::make_pair(AlreadyGrabbed, AlreadyGrabbed));
  Unlock(kPassword);
  ASSERT_TRUE(Gone("screen lock")) << teldra_.Output();
}

}  // namespace
