// The window states of ICCCM 4.1.3 and 4.1.4 as real clients meet them: an
// iconic client is unmapped and learns it from its UnmapNotify, its own map
// brings it back, WM_CHANGE_STATE iconifies, a client that withdraws is let
// go. Every check runs against Teldra and against openbox, whose answers
// are the reference.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "tests/wm/TeldraFixture.h"

namespace {

using teldratest::Attributes;
using teldratest::ParentOf;

std::string Hex(Window w) {
  char text[32];
  std::snprintf(text, sizeof text, "0x%lx", w);
  return text;
}

class IconicStateTest : public teldratest::TeldraFixture, public ::testing::WithParamInterface<const char*> {
 protected:
  void SetUp() override {
    TeldraFixture::SetUp();
    if (HasFatalFailure()) return;
    // The clients of these tests have a connection of their own, so that
    // the events the server sends them can be read back.
    client_ = server_.Connect();
    ASSERT_NE(client_, nullptr);
    qwtest::MakeIOErrorSurvivable(client_);
    // The clients' windows come and go while the test looks at them (xterm
    // and the window managers make and drop windows of their own): a window
    // gone between two requests is no failure of the test.
    previousHandler_ = XSetErrorHandler([](Display*, XErrorEvent* e) {
      if (e->error_code != BadWindow) ADD_FAILURE() << "X error " << int(e->error_code) << " request " << int(e->request_code);
      return 0;
    });
    if (std::string(GetParam()) == "teldra") {
      StartTeldra();
    } else {
      Run({"openbox", "--sm-disable"});
      // openbox drops the map requests that come while it starts: a first
      // window asks again until it is framed.
      ASSERT_TRUE(qwtest::WaitUntil([&] { return qwtest::WindowManagerRunning(display_); }, 15000));
      Window first = XCreateSimpleWindow(display_, root_, 0, 0, 50, 50, 0, 0, 0);
      Window frame = None;
      for (int i = 0; i < 30 && frame == None; ++i) {
        XMapWindow(display_, first);
        XFlush(display_);
        qwtest::WaitUntil([&] {
          Window p = ParentOf(display_, first);
          if (p && p != root_) frame = p;
          return frame != None;
        }, 500);
      }
      ASSERT_NE(frame, None);
    }
  }
  Window MakeClient(const char* name, bool iconic = false) {
    Window w = XCreateSimpleWindow(client_, DefaultRootWindow(client_), 300, 300, 160, 80, 1, 0, 0xffffff);
    XStoreName(client_, w, name);
    XSelectInput(client_, w, StructureNotifyMask);
    if (iconic) {
      XWMHints hints = {};
      hints.flags = StateHint;
      hints.initial_state = IconicState;
      XSetWMHints(client_, w, &hints);
    }
    XMapWindow(client_, w);
    XFlush(client_);
    return w;
  }
  // A window and a dialog of it (WM_TRANSIENT_FOR), both framed and normal.
  void MakeDialog(Window* owner, Window* dialog) {
    *owner = MakeClient("owner");
    ASSERT_NE(WaitForFrame(*owner), None);
    *dialog = XCreateSimpleWindow(client_, DefaultRootWindow(client_), 340, 340, 100, 50, 1, 0, 0xffffff);
    XStoreName(client_, *dialog, "dialog");
    XSetTransientForHint(client_, *dialog, *owner);
    XSelectInput(client_, *dialog, StructureNotifyMask);
    XMapWindow(client_, *dialog);
    XFlush(client_);
    ASSERT_NE(WaitForFrame(*dialog), None);
    ASSERT_TRUE(InState(*dialog, NormalState));
  }
  long State(Window w) {
    const std::vector<long> v = WMState(w);
    return v.empty() ? -1 : v[0];
  }
  // The client holds the state and is mapped (Normal) or unmapped (Iconic).
  bool InState(Window w, long state) {
    return qwtest::WaitUntil([&] {
      const int map = Attributes(display_, w).map_state;
      return State(w) == state && (state == NormalState ? map == IsViewable : map == IsUnmapped);
    }, 15000);
  }
  // The client's connection got an UnmapNotify for its window.
  bool ToldUnmapped(Window w) {
    XEvent ev;
    return qwtest::WaitUntil([&] {
      XSync(client_, False);
      while (XCheckTypedWindowEvent(client_, w, UnmapNotify, &ev))
        if (ev.xunmap.window == w) return true;
      return false;
    });
  }
  // Withdrawn: on the root, unmapped, WM_STATE gone or Withdrawn.
  bool Withdrawn(Window w) {
    return qwtest::WaitUntil([&] {
      const long s = State(w);
      return ParentOf(display_, w) == root_ && Attributes(display_, w).map_state == IsUnmapped &&
             (s == -1 || s == WithdrawnState);
    }, 15000);
  }
  void TearDown() override {
    if (previousHandler_) XSetErrorHandler(previousHandler_);
    TeldraFixture::TearDown();
  }
  Display* client_ = nullptr;  // closed with the server
  XErrorHandler previousHandler_ = nullptr;
};

TEST_P(IconicStateTest, ChangeStateIconifiesAndTheClientsMapRestores) {
  Window w = MakeClient("iconify");
  ASSERT_NE(WaitForFrame(w), None);
  ASSERT_TRUE(InState(w, NormalState)) << teldra_.Output();
  // The client's own map asks for the normal state, and so does another
  // program's map, here xdotool's.
  const std::vector<std::pair<const char*, std::function<void()>>> maps = {
      {"XMapWindow", [&] { XMapWindow(client_, w); }},
      {"XMapRaised", [&] { XMapRaised(client_, w); }},
      {"xdotool windowmap", [&] { Tool({"xdotool", "windowmap", Hex(w)}); }},
  };
  for (const auto& [name, map] : maps) {
    SCOPED_TRACE(name);
    // WM_CHANGE_STATE, as Xlib's XIconifyWindow sends it.
    XIconifyWindow(client_, w, DefaultScreen(client_));
    XFlush(client_);
    ASSERT_TRUE(InState(w, IconicState)) << "state " << State(w) << "\n" << teldra_.Output();
    EXPECT_EQ(WMState(w).size(), 2u);
    EXPECT_TRUE(ToldUnmapped(w));
    map();
    XFlush(client_);
    EXPECT_TRUE(InState(w, NormalState)) << "state " << State(w);
    EXPECT_EQ(Attributes(display_, ParentOf(display_, w)).map_state, IsViewable) << "the frame is back";
  }
  if (std::string(GetParam()) == "teldra") EXPECT_TRUE(teldra_.Running()) << teldra_.Output();
}

TEST_P(IconicStateTest, AClientStartingIconicIsIconicUntilItMapsItself) {
  Window w = MakeClient("starts iconic", true);
  ASSERT_TRUE(qwtest::WaitUntil([&] { return ParentOf(display_, w) != root_ && State(w) != -1; }, 15000));
  EXPECT_TRUE(InState(w, IconicState)) << "state " << State(w);
  XMapWindow(client_, w);
  XFlush(client_);
  EXPECT_TRUE(InState(w, NormalState)) << "state " << State(w);
}

// A client withdraws by unmapping itself; an iconic one, whose window is
// already unmapped, also sends the synthetic UnmapNotify (XWithdrawWindow
// does both). Mapped again, it is managed again.
TEST_P(IconicStateTest, AWithdrawnClientIsLetGo) {
  for (bool iconic : {false, true}) {
    SCOPED_TRACE(iconic ? "from iconic" : "from normal");
    Window w = MakeClient("withdraws");
    ASSERT_NE(WaitForFrame(w), None);
    ASSERT_TRUE(InState(w, NormalState));
    if (iconic) {
      XIconifyWindow(client_, w, DefaultScreen(client_));
      XFlush(client_);
      ASSERT_TRUE(InState(w, IconicState));
    }
    XWithdrawWindow(client_, w, DefaultScreen(client_));
    XFlush(client_);
    EXPECT_TRUE(Withdrawn(w)) << "state " << State(w) << " parent " << Hex(ParentOf(display_, w));
    XMapWindow(client_, w);
    XFlush(client_);
    EXPECT_NE(WaitForFrame(w), None) << "mapped again, managed again";
    EXPECT_TRUE(InState(w, NormalState));
    XDestroyWindow(client_, w);
    XFlush(client_);
  }
}

// xterm iconifies itself with CSI 2 t (WM_CHANGE_STATE) and comes back with
// CSI 1 t (its own map). Its shell writes each sequence when the test says
// so through a FIFO.
TEST_P(IconicStateTest, XtermIconifiesAndRestoresItself) {
  const std::string fifo = home_.Path() + "/go";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  // The shell holds the FIFO open for reading and writing: each read waits
  // for the test's next line, and a writer that closes late cannot end a
  // read (and with it the shell and xterm) with an end of file.
  const std::string script = "exec 3<> " + fifo + "; read x <&3; printf '\\033[2t'; read x <&3; printf '\\033[1t'; read x <&3";
  qwtest::ChildProcess* xterm = Run({"xterm", "-name", "selfish", "-xrm", "*allowWindowOps: true", "-geometry", "30x5+200+200", "-e", "/bin/sh",
       "-c", script});
  Window term = WaitForClass("selfish");
  ASSERT_NE(term, None);
  ASSERT_NE(WaitForFrame(term), None);
  // One line to the shell: it reads it and writes the next sequence.
  auto go = [&](const char* sequence) {
    SCOPED_TRACE(sequence);
    int fd = -1;
    EXPECT_TRUE(qwtest::WaitUntil([&] {
      fd = open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
      return fd >= 0 || errno != ENXIO;
    }));
    ASSERT_GE(fd, 0);
    EXPECT_EQ(write(fd, "\n", 1), 1);
    close(fd);
  };
  ASSERT_TRUE(InState(term, NormalState)) << "state " << State(term) << " xterm running " << xterm->Running()
                                          << " " << Hex(term) << "\n"
                                          << (xterm->Pump(), xterm->Output());
  go("CSI 2 t");
  EXPECT_TRUE(InState(term, IconicState)) << "state " << State(term) << "\n" << teldra_.Output();
  go("CSI 1 t");
  EXPECT_TRUE(InState(term, NormalState)) << "state " << State(term) << "\n" << teldra_.Output();
}

// A dialog goes with its owner: iconic and unmapped while the owner is,
// and back when the owner is. The dialog's own map brings both back.
TEST_P(IconicStateTest, ADialogIsIconicWithItsOwner) {
  Window owner = None, dialog = None;
  ASSERT_NO_FATAL_FAILURE(MakeDialog(&owner, &dialog));
  for (const char* way : {"owner", "dialog"}) {
    SCOPED_TRACE(std::string("mapped again by the ") + way);
    XIconifyWindow(client_, owner, DefaultScreen(client_));
    XFlush(client_);
    ASSERT_TRUE(InState(owner, IconicState)) << "state " << State(owner) << "\n" << teldra_.Output();
    EXPECT_TRUE(InState(dialog, IconicState)) << "state " << State(dialog);
    EXPECT_TRUE(ToldUnmapped(dialog));
    XMapWindow(client_, std::string(way) == "owner" ? owner : dialog);
    XFlush(client_);
    EXPECT_TRUE(InState(owner, NormalState)) << "state " << State(owner);
    EXPECT_TRUE(InState(dialog, NormalState)) << "state " << State(dialog);
    EXPECT_EQ(Attributes(display_, ParentOf(display_, dialog)).map_state, IsViewable) << "its frame is back";
  }
  // A hidden dialog that withdraws is let go while its owner stays iconic.
  XIconifyWindow(client_, owner, DefaultScreen(client_));
  XFlush(client_);
  ASSERT_TRUE(InState(dialog, IconicState));
  XWithdrawWindow(client_, dialog, DefaultScreen(client_));
  XFlush(client_);
  EXPECT_TRUE(Withdrawn(dialog)) << "state " << State(dialog) << " parent " << Hex(ParentOf(display_, dialog));
  EXPECT_EQ(State(owner), IconicState);
  XMapWindow(client_, owner);
  XFlush(client_);
  EXPECT_TRUE(InState(owner, NormalState));
  EXPECT_EQ(Attributes(display_, dialog).map_state, IsUnmapped) << "a withdrawn dialog stays withdrawn";
}

// A dialog may ask to be iconified too, and comes back by its own map.
TEST_P(IconicStateTest, ADialogThatAsksIsIconified) {
  Window owner = None, dialog = None;
  ASSERT_NO_FATAL_FAILURE(MakeDialog(&owner, &dialog));
  XIconifyWindow(client_, dialog, DefaultScreen(client_));
  XFlush(client_);
  EXPECT_TRUE(InState(dialog, IconicState)) << "state " << State(dialog) << "\n" << teldra_.Output();
  EXPECT_TRUE(ToldUnmapped(dialog));
  XMapWindow(client_, dialog);
  XFlush(client_);
  EXPECT_TRUE(InState(dialog, NormalState)) << "state " << State(dialog);
  EXPECT_EQ(Attributes(display_, ParentOf(display_, dialog)).map_state, IsViewable) << "its frame is back";
  if (std::string(GetParam()) == "teldra") EXPECT_TRUE(teldra_.Running()) << teldra_.Output();
}

INSTANTIATE_TEST_SUITE_P(WindowManagers, IconicStateTest, ::testing::Values("teldra", "openbox"),
                         [](const ::testing::TestParamInfo<const char*>& info) { return std::string(info.param); });

}  // namespace
