// The screen lock of a running session under Xvfb: real pointer and
// keyboard grabs that no other client can break, no focus for other
// windows, no hot keys; unlock by the account password, by a lock password,
// and the attempt limit that ends the session.
#include <X11/Xatom.h>
#include <poll.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>

#include "platform/sdk/QXService.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TestUser.h"
#include "tests/wm/TeldraFixture.h"

namespace {

using teldratest::Attributes;

constexpr const char* kPassword = "L0ck-pass";

// A second client of the same display, as an attacker would run one.
class Attacker {
 public:
  explicit Attacker(const std::string& display) : d_(XOpenDisplay(display.c_str())) {}
  ~Attacker() {
    if (d_) XCloseDisplay(d_);
  }
  Display* d() const { return d_; }
  // A window of the attacker's over everything, that wants the keys.
  void Listen() {
    XSetWindowAttributes a = {};
    a.override_redirect = True;
    a.event_mask = KeyPressMask;
    listener_ = XCreateWindow(d_, DefaultRootWindow(d_), 0, 0, 100, 100, 0, CopyFromParent, InputOutput,
                              CopyFromParent, CWOverrideRedirect | CWEventMask, &a);
    XMapRaised(d_, listener_);
    TakeFocus();
  }
  void TakeFocus() {
    qwtest::XErrorTrap trap(d_);
    XSetInputFocus(d_, listener_, RevertToParent, CurrentTime);
    XSync(d_, False);
  }
  // The keys that reached the attacker's window.
  int KeysSeen() {
    XSync(d_, False);
    int n = 0;
    XEvent ev;
    while (XCheckTypedWindowEvent(d_, listener_, KeyPress, &ev)) ++n;
    return n;
  }

 private:
  Display* d_;
  Window listener_ = None;
};

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
  // The lock window, None while there is none on the screen.
  Window LockWindow() {
    for (Window w : qwtest::FindWindowsByName(display_, "screen lock"))
      if (Attributes(display_, w).map_state == IsViewable) return w;
    return None;
  }
  // Within a second the lock stands again: on the screen and holding the
  // keyboard against every other client.
  bool LockHoldsWithinASecond() {
    return qwtest::WaitUntil([&] {
      return LockWindow() != None && GrabFromAnotherClient().second == AlreadyGrabbed;
    }, 1000);
  }
  // A locked session and another client whose window wants the keys.
  void LockedWithAnAttacker(std::unique_ptr<Attacker>* a) {
    ASSERT_NO_FATAL_FAILURE(StartSession());
    RequestLock();
    ASSERT_TRUE(Viewable("screen lock")) << teldra_.Output();
    *a = std::make_unique<Attacker>(server_.DisplayName());
    ASSERT_NE((*a)->d(), nullptr);
    (*a)->Listen();
  }
  // Keys typed after an attack, the attacker's window having asked for the
  // focus, reach no other window: they open the unlock dialog and go into
  // it. Then the password unlocks.
  void TypedKeysStayWithTheLock(Attacker* a) {
    if (a) a->TakeFocus();
    Type("typed after the attack");
    EXPECT_EQ(KeysReachingOther(), 0);
    if (a) EXPECT_EQ(a->KeysSeen(), 0);
    ASSERT_TRUE(Viewable(("Screen Locked by " + user_->Name()).c_str())) << teldra_.Output();
    Keys({"Escape"});
    Type(kPassword);
    Keys({"Return"});
    ASSERT_TRUE(Gone("screen lock")) << teldra_.Output();
  }
  std::unique_ptr<qwtest::TestUser> user_;
  Window other_ = None;
};

std::string ReadFile(const std::string& path) {
  std::ifstream in(path);
  std::string text;
  std::getline(in, text);
  return text;
}

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

TEST_F(LockTest, ALockProgramThatCannotRunLeavesTheScreenLockedByTeldra) {
  extraEnvironment_.push_back("QX_LOCK_PROGRAM=" + home_.Path() + "/no-such-lock-program");
  StartSession();
  RequestLock();
  ASSERT_TRUE(Viewable("screen lock")) << teldra_.Output();
  EXPECT_TRUE(qwtest::WaitUntil(
      [&] { return GrabFromAnotherClient() == std::make_pair(AlreadyGrabbed, AlreadyGrabbed); }, 1000));
  Unlock(kPassword);
  ASSERT_TRUE(Gone("screen lock")) << teldra_.Output();
}

TEST_F(LockTest, ALockProgramKilledWhileLockedLeavesTheScreenLockedByTeldra) {
  // A lock program that only says who it is and waits.
  extraEnvironment_.push_back("QX_LOCK_PROGRAM=/bin/sh -c \"echo $$ > " + home_.Path() + "/lock-pid; exec sleep 600\"");
  StartSession();
  RequestLock();
  pid_t pid = 0;
  ASSERT_TRUE(qwtest::WaitUntil([&] { return (pid = atoi(ReadFile(home_.Path() + "/lock-pid").c_str())) > 1; }))
      << teldra_.Output();
  EXPECT_EQ(LockWindow(), None);  // the program locks, not Teldra
  ASSERT_EQ(kill(pid, SIGKILL), 0);
  ASSERT_TRUE(Viewable("screen lock")) << teldra_.Output();
  // The window shows a moment before the grabs are taken.
  EXPECT_TRUE(qwtest::WaitUntil(
      [&] { return GrabFromAnotherClient() == std::make_pair(AlreadyGrabbed, AlreadyGrabbed); }, 1000));
}

TEST_F(LockTest, WithADesktopProgramConnectedTheAttemptLimitStillEndsTheSession) {
  qwtest::ScopedEnv services("QX_SERVICE_DIR", (home_.Path() + "/services").c_str());
  StartSession("max_unlock_attempts = 3\n");
  QXService* client = nullptr;
  ASSERT_TRUE(qwtest::WaitUntil([&] { return QXServiceOpen("teldra", &client) == 0; })) << teldra_.Output();
  const unsigned char hello = 'o';
  ASSERT_EQ(QXServiceSend(client, &hello, 1), 0);
  RequestLock();
  ASSERT_TRUE(Viewable("screen lock")) << teldra_.Output();
  Unlock("wrong 1");
  for (const char* entry : {"wrong 2", "wrong 3"}) {
    ASSERT_TRUE(Viewable("QXL4550")) << teldra_.Output();
    Keys({"Return"});
    ASSERT_TRUE(Gone("QXL4550"));
    Type(entry);
    Keys({"Return"});
  }
  // The desktop program hears of the end but does nothing: Teldra ends
  // the session within a few seconds all the same, and takes no more
  // guesses meanwhile.
  Type(kPassword);
  Keys({"Return"});
  EXPECT_TRUE(qwtest::FindWindowsByName(display_, "QXL4550").empty());
  // Teldra waits a few seconds for the program; the deadline leaves room
  // for a loaded machine and still tells an end from no end at all.
  ASSERT_TRUE(teldra_.WaitExit(30000)) << teldra_.Output();
  EXPECT_NE(teldra_.Output().find("the unlock attempts are used up and the session did not end"), std::string::npos)
      << teldra_.Output();
  EXPECT_EQ(teldra_.ExitCode(), 5);
  QXServiceClose(client);
}

TEST_F(LockTest, AnOverrideRedirectWindowDoesNotStayAboveTheLock) {
  StartSession();
  RequestLock();
  ASSERT_TRUE(Viewable("screen lock")) << teldra_.Output();
  Attacker a(server_.DisplayName());
  ASSERT_NE(a.d(), nullptr);
  XSetWindowAttributes attributes = {};
  attributes.override_redirect = True;
  auto coverWindow = [&] {
    return XCreateWindow(a.d(), DefaultRootWindow(a.d()), 0, 0, 400, 300, 0, CopyFromParent, InputOutput,
                         CopyFromParent, CWOverrideRedirect, &attributes);
  };
  const Window cover = coverWindow();
  // The windows that must stand below the lock: the attacker's, and the
  // lock window below the unlock dialog once that is open.
  auto below = [&](Window top, std::vector<Window> windows) {
    const std::vector<Window> order = teldratest::ChildrenOf(display_, root_);
    const auto at = std::find(order.begin(), order.end(), top);
    if (at == order.end()) return false;
    for (Window w : windows) {
      const auto other = std::find(order.begin(), order.end(), w);
      if (other == order.end() || other > at) return false;
    }
    return true;
  };
  const std::string dialogName = "Screen Locked by " + user_->Name();
  auto dialog = [&] {
    for (Window w : qwtest::FindWindowsByName(display_, dialogName.c_str()))
      if (teldratest::ParentOf(display_, w) == root_) return w;
    return Window(None);
  };
  // The ways to stack a window of one's own over the others: raised once,
  // then over and over for two seconds, in turn raised, put above by a
  // configure, circulated up from the bottom and a fresh one mapped.
  for (bool withDialog : {false, true}) {
    SCOPED_TRACE(withDialog ? "with the unlock dialog" : "without a dialog");
    if (withDialog) {
      Keys({"space"});
      ASSERT_TRUE(Viewable(dialogName.c_str())) << teldra_.Output();
      ASSERT_NE(dialog(), None);
    }
    std::vector<Window> covers = {cover};
    auto lockOnTop = [&] {
      if (!withDialog) return below(LockWindow(), covers);
      std::vector<Window> under = covers;
      under.push_back(LockWindow());
      return below(dialog(), under);
    };
    XMapRaised(a.d(), cover);
    XSync(a.d(), False);
    EXPECT_TRUE(qwtest::WaitUntil(lockOnTop, 1000));
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    for (int turn = 0; std::chrono::steady_clock::now() < end; ++turn) {
      switch (turn % 4) {
        case 0:
          XRaiseWindow(a.d(), cover);
          break;
        case 1: {
          XWindowChanges changes = {};
          changes.stack_mode = Above;
          XConfigureWindow(a.d(), cover, CWStackMode, &changes);
          break;
        }
        case 2:
          XLowerWindow(a.d(), cover);
          XCirculateSubwindowsUp(a.d(), DefaultRootWindow(a.d()));
          break;
        default:
          if (covers.size() < 20) {
            covers.push_back(coverWindow());
            XMapRaised(a.d(), covers.back());
          }
          break;
      }
      XSync(a.d(), False);
    }
    EXPECT_TRUE(qwtest::WaitUntil(lockOnTop, 1000)) << teldra_.Output();
    for (size_t i = 1; i < covers.size(); ++i) XDestroyWindow(a.d(), covers[i]);
    XSync(a.d(), False);
  }
  // The dialog still takes the keys: the password unlocks.
  Keys({"Escape"});
  Type(kPassword);
  Keys({"Return"});
  ASSERT_TRUE(Gone("screen lock")) << teldra_.Output();
}

TEST_F(LockTest, AnotherClientCannotTakeTheLockAway) {
  std::unique_ptr<Attacker> attacker;
  ASSERT_NO_FATAL_FAILURE(LockedWithAnAttacker(&attacker));
  Attacker& a = *attacker;
  // Unmapping the lock window would end Teldra's grabs.
  XUnmapWindow(a.d(), LockWindow());
  XSync(a.d(), False);
  EXPECT_TRUE(LockHoldsWithinASecond()) << teldra_.Output();
  // Destroying it too: a new one takes its place.
  const Window first = LockWindow();
  XDestroyWindow(a.d(), first);
  XSync(a.d(), False);
  EXPECT_TRUE(LockHoldsWithinASecond()) << teldra_.Output();
  EXPECT_NE(LockWindow(), first);
  // Put into a window of the attacker's, then that one unmapped.
  Window trap = XCreateSimpleWindow(a.d(), DefaultRootWindow(a.d()), 0, 0, 10, 10, 0, 0, 0);
  XMapWindow(a.d(), trap);
  XReparentWindow(a.d(), LockWindow(), trap, 0, 0);
  XUnmapWindow(a.d(), trap);
  XSync(a.d(), False);
  EXPECT_TRUE(LockHoldsWithinASecond()) << teldra_.Output();
  // The lock window on the screen is a child of the root again (the one
  // taken away, or a new one in its place).
  EXPECT_TRUE(qwtest::WaitUntil([&] {
    const Window lock = LockWindow();
    return lock != None && teldratest::ParentOf(display_, lock) == root_;
  }, 1000)) << teldra_.Output();
  TypedKeysStayWithTheLock(&a);
}

TEST_F(LockTest, AGrabHeldByAnotherClientDelaysTheLockButDoesNotCancelIt) {
  StartSession();
  struct Case {
    const char* what;
    bool pointer;     // the other client holds the pointer, else the keyboard
    bool endsClient;  // it lets go by ending, else by ungrabbing
  };
  const Case cases[] = {{"keyboard, the client ends", false, true}, {"pointer, ungrabbed", true, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto a = std::make_unique<Attacker>(server_.DisplayName());
    ASSERT_NE(a->d(), nullptr);
    Window root = DefaultRootWindow(a->d());
    ASSERT_EQ(c.pointer ? XGrabPointer(a->d(), root, False, ButtonPressMask, GrabModeAsync, GrabModeAsync, None,
                                       None, CurrentTime)
                        : XGrabKeyboard(a->d(), root, False, GrabModeAsync, GrabModeAsync, CurrentTime),
              GrabSuccess);
    XSync(a->d(), False);
    RequestLock();
    // The screen is covered while the grab lasts.
    ASSERT_TRUE(Viewable("screen lock")) << teldra_.Output();
    if (c.endsClient) {
      a.reset();
    } else {
      XUngrabPointer(a->d(), CurrentTime);
      XSync(a->d(), False);
      a->Listen();
    }
    EXPECT_TRUE(LockHoldsWithinASecond()) << teldra_.Output();
    TypedKeysStayWithTheLock(a.get());
  }
}

TEST_F(LockTest, AGrabHeldForLongIsToldAndTheLockComesWhenItEnds) {
  StartSession();
  Attacker a(server_.DisplayName());
  ASSERT_NE(a.d(), nullptr);
  ASSERT_EQ(XGrabKeyboard(a.d(), DefaultRootWindow(a.d()), False, GrabModeAsync, GrabModeAsync, CurrentTime),
            GrabSuccess);
  XSync(a.d(), False);
  RequestLock();
  ASSERT_TRUE(Viewable("screen lock")) << teldra_.Output();
  // After a few seconds Teldra says why the lock waits, and keeps trying.
  EXPECT_TRUE(qwtest::WaitUntil([&] {
    teldra_.Pump();
    return teldra_.Output().find("another client still holds the pointer or keyboard") != std::string::npos;
  }, 15000)) << teldra_.Output();
  EXPECT_NE(LockWindow(), None);
  XUngrabKeyboard(a.d(), CurrentTime);
  XSync(a.d(), False);
  EXPECT_TRUE(LockHoldsWithinASecond()) << teldra_.Output();
  a.Listen();
  TypedKeysStayWithTheLock(&a);
}

TEST_F(LockTest, KillingTheLockWindowsClientEndsNeitherTeldraNorTheLock) {
  std::unique_ptr<Attacker> attacker;
  ASSERT_NO_FATAL_FAILURE(LockedWithAnAttacker(&attacker));
  Attacker& a = *attacker;
  const std::string rebuilt = "the lock window was destroyed by another client";
  auto rebuilds = [&] {
    teldra_.Pump();
    const std::string& out = teldra_.Output();
    size_t n = 0;
    for (size_t at = out.find(rebuilt); at != std::string::npos; at = out.find(rebuilt, at + 1)) ++n;
    return n;
  };
  // The window that takes the killed one's place is killed too.
  for (size_t round = 1; round <= 2; ++round) {
    SCOPED_TRACE(round);
    const Window lock = LockWindow();
    ASSERT_NE(lock, None);
    char id[32];
    std::snprintf(id, sizeof id, "0x%lx", lock);
    Tool({"xkill", "-id", id});
    ASSERT_TRUE(qwtest::WaitUntil([&] { return rebuilds() == round; })) << teldra_.Output();
    EXPECT_TRUE(LockHoldsWithinASecond()) << teldra_.Output();
    EXPECT_TRUE(teldra_.Running());
  }
  TypedKeysStayWithTheLock(&a);
  EXPECT_TRUE(qwtest::WaitUntil([&] { return GrabFromAnotherClient() == std::make_pair(GrabSuccess, GrabSuccess); }));
}

// The reply to 'o' (the service's liveness request): how long it took, or
// a negative duration when none came within ten seconds.
std::chrono::milliseconds RoundTrip(QXService* client) {
  const auto start = std::chrono::steady_clock::now();
  const unsigned char hello = 'o';
  if (QXServiceSend(client, &hello, 1) != 0) return std::chrono::milliseconds(-1);
  for (;;) {
    pollfd p = {QXServiceSelectFD(client), POLLIN, 0};
    if (poll(&p, 1, 10000) <= 0) return std::chrono::milliseconds(-1);
    unsigned char buffer[QXServiceMaxMessage];
    size_t n = 0;
    if (QXServiceReceive(client, buffer, sizeof buffer, &n) != 0) return std::chrono::milliseconds(-1);
    if (n == 2 && buffer[0] == 'o')
      return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
  }
}

TEST_F(LockTest, TeldraKeepsAnsweringWhilePamDelaysAWrongPassword) {
  qwtest::ScopedEnv services("QX_SERVICE_DIR", (home_.Path() + "/services").c_str());
  StartSession();
  QXService* client = nullptr;
  ASSERT_TRUE(qwtest::WaitUntil([&] { return QXServiceOpen("teldra", &client) == 0; })) << teldra_.Output();
  ASSERT_GE(RoundTrip(client).count(), 0);
  RequestLock();
  ASSERT_TRUE(Viewable("screen lock")) << teldra_.Output();
  // Debian's "login" service waits three seconds after a wrong password.
  Unlock("wrong password");
  std::vector<long> times;
  const auto start = std::chrono::steady_clock::now();
  while (qwtest::FindWindowsByName(display_, "QXL4550").empty() &&
         std::chrono::steady_clock::now() - start < std::chrono::seconds(15)) {
    const auto t = RoundTrip(client);
    ASSERT_GE(t.count(), 0) << teldra_.Output();
    times.push_back(t.count());
  }
  ASSERT_TRUE(Viewable("QXL4550")) << teldra_.Output();
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::seconds(1)) << "PAM's delay";
  // A check inside the event loop would hold the first request until the
  // delay is over; requests answered while it runs show the loop goes on.
  EXPECT_GE(times.size(), 3u) << "requests answered during the delay";
  // The check still counts: the right password unlocks after the box.
  Keys({"Return"});
  ASSERT_TRUE(Gone("QXL4550"));
  Type(kPassword);
  Keys({"Return"});
  ASSERT_TRUE(Gone("screen lock")) << teldra_.Output();
  QXServiceClose(client);
}

}  // namespace
