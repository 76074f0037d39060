// The end of a Teldra session: clients that take WM_SAVE_YOURSELF are asked
// to save before everything is closed, the geometry of each window class is
// written to the user's preferences, and read back at the next start.
#include <X11/Xatom.h>

#include <csignal>
#include <fstream>
#include <iterator>
#include <sstream>

#include "tests/support/TextFiles.h"
#include "tests/wm/TeldraFixture.h"

namespace {

using teldratest::Attributes;


class SessionEndTest : public teldratest::TeldraFixture {
 protected:
  Window MakeClient(const char* instance, const char* cls, int x, int y, int width, int height) {
    Window w = XCreateSimpleWindow(display_, root_, x, y, static_cast<unsigned>(width),
                                   static_cast<unsigned>(height), 0, 0, 0xffffff);
    XStoreName(display_, w, instance);
    XClassHint hint;
    hint.res_name = const_cast<char*>(instance);
    hint.res_class = const_cast<char*>(cls);
    XSetClassHint(display_, w, &hint);
    return w;
  }
  std::string Preferences() { return qwtest::ReadWholeFile(home_.Path() + "/registry/desktop/preferences"); }
};

TEST_F(SessionEndTest, LogOffAsksClientsToSaveAndRemembersClassGeometry) {
  StartTeldra();
  // A client that saves when asked, one whose class is never remembered,
  // and xmessage, which is closed with WM_DELETE_WINDOW.
  Window saver = MakeClient("saver", "Saver", 120, 140, 300, 150);
  Atom saveYourself = qwtest::InternAtom(display_, "WM_SAVE_YOURSELF");
  XSetWMProtocols(display_, saver, &saveYourself, 1);
  Window special = MakeClient("emu", "QW5250x", 300, 300, 200, 100);
  XMapWindow(display_, saver);
  XMapWindow(display_, special);
  XFlush(display_);
  qwtest::ChildProcess* msg = Run({"xmessage", "-name", "msg", "-geometry", "+500+450", "goodbye"});
  const Window saverFrame = WaitForFrame(saver);
  ASSERT_NE(saverFrame, None);
  ASSERT_NE(WaitForFrame(special), None);
  ASSERT_NE(WaitForFrame(WaitForClass("msg")), None);
  const XRectangle r = FrameRect(saverFrame);

  ASSERT_TRUE(teldra_.Signal(SIGTERM));
  // The request to save comes first; saving is told by WM_COMMAND.
  bool asked = false;
  ASSERT_TRUE(qwtest::WaitUntil([&] {
    XEvent ev;
    while (XCheckIfEvent(display_, &ev, [](Display*, XEvent* e, XPointer) {
      return e->type == ClientMessage ? True : False;
    }, nullptr)) {
      if (ev.xclient.window == saver && static_cast<Atom>(ev.xclient.data.l[0]) == saveYourself && !asked) {
        asked = true;
        char* argv[] = {const_cast<char*>("saver"), const_cast<char*>("--restored")};
        XSetCommand(display_, saver, argv, 2);
        XFlush(display_);
      }
    }
    return asked || !teldra_.Running();
  }, 15000));
  EXPECT_TRUE(asked) << teldra_.Output();
  ASSERT_TRUE(teldra_.WaitExit(15000)) << teldra_.Output();
  EXPECT_EQ(teldra_.ExitCode(), 5) << teldra_.Output();
  EXPECT_TRUE(msg->WaitExit(10000));

  const std::string prefs = Preferences();
  const std::string line = "class/Saver = " + std::to_string(r.x) + "," + std::to_string(r.y) + "," +
                           std::to_string(r.x + r.width) + "," + std::to_string(r.y + r.height) + ",0\n";
  EXPECT_NE(prefs.find(line), std::string::npos) << prefs;
  EXPECT_EQ(prefs.find("QW5250x"), std::string::npos) << "an emulator class is never remembered\n" << prefs;
  EXPECT_NE(prefs.find("desktop_command = "), std::string::npos) << "the other values stay\n" << prefs;
}

// A remembered geometry comes back for a window whose name carries rules;
// without rules, or with the position rule off, it does not.
TEST_F(SessionEndTest, RememberedGeometryIsRestoredUnderTheRules) {
  StartTeldra("class/Kept = 50,60,450,360,0\nclass/Zoomed = 10,20,500,400,1\n");
  Window kept = MakeClient("kept,save_zoom=false", "Kept", 300, 300, 100, 100);
  Window plain = MakeClient("plain", "Kept", 310, 320, 100, 100);
  Window noPos = MakeClient("nopos,save_position=no", "Kept", 330, 340, 100, 100);
  Window zoomed = MakeClient("zoomed,menu=false", "Zoomed", 200, 200, 100, 100);
  for (Window w : {kept, plain, noPos, zoomed}) XMapWindow(display_, w);
  XFlush(display_);
  struct Case {
    Window client;
    int x, y, width, height;
  } cases[] = {{kept, 50, 60, 400, 300},
               {plain, 310, 320, -1, -1},
               {noPos, 330, 340, -1, -1},
               {zoomed, -1, -1, 1028, 772}};
  for (const Case& c : cases) {
    const Window frame = WaitForFrame(c.client);
    ASSERT_NE(frame, None) << teldra_.Output();
    const XRectangle r = FrameRect(frame);
    EXPECT_EQ(r.x, c.x) << c.client;
    EXPECT_EQ(r.y, c.y) << c.client;
    if (c.width > 0) {
      EXPECT_EQ(r.width, c.width) << c.client;
      EXPECT_EQ(r.height, c.height) << c.client;
    } else {
      EXPECT_EQ(Attributes(display_, c.client).width, 100);
    }
  }
}

}  // namespace

namespace {

// The state of a process: 0 when it is gone or a zombie.
bool ProcessAlive(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const size_t close = text.rfind(')');
  return close != std::string::npos && close + 2 < text.size() && text[close + 2] != 'Z';
}

// A desktop command without a window that ignores the hang-up and the
// terminate signal, a program it started, and a daemon that left for a
// session of its own and whose parent is gone: all end with the log-off.
TEST_F(SessionEndTest, LogOffLeavesNoProcessOfTheSession) {
  const std::string pids = home_.Path() + "/pids";
  const std::string daemon = home_.Path() + "/daemon";
  // Ignored signals stay ignored in the children and across exec.
  home_.WriteFile("daemon.sh", "trap '' HUP TERM\necho $$ > " + daemon + ".new\nmv " + daemon + ".new " + daemon +
                                   "\nexec sleep 601\n");
  home_.WriteFile("desktop.sh", "trap '' HUP TERM\nsleep 600 &\n"
                                "/bin/sh -c 'setsid /bin/sh " + home_.Path() + "/daemon.sh &'\n"
                                "echo $$ $! > " + pids + ".new\nmv " + pids + ".new " + pids + "\nwait\n");
  home_.WriteFile("registry/desktop/preferences", "desktop_command = /bin/sh " + home_.Path() + "/desktop.sh\n");
  ASSERT_TRUE(teldra_.Start({TELDRA_BINARY, "-display", server_.DisplayName()}, Environment())) << teldra_.Error();
  pid_t shell = 0, sleeper = 0, escaped = 0;
  ASSERT_TRUE(qwtest::WaitUntil([&] {
    std::ifstream in(pids);
    return static_cast<bool>(in >> shell >> sleeper);
  }, 15000)) << teldra_.Output();
  ASSERT_TRUE(qwtest::WaitUntil([&] {
    std::ifstream in(daemon);
    return static_cast<bool>(in >> escaped);
  }, 15000)) << teldra_.Output();
  for (pid_t p : {shell, sleeper, escaped}) ASSERT_TRUE(ProcessAlive(p)) << p;
  ASSERT_NE(getsid(escaped), getsid(shell)) << "the daemon left the session";
  ASSERT_TRUE(teldra_.Signal(SIGHUP));  // ignored by Teldra as by the command
  ASSERT_TRUE(teldra_.Signal(SIGTERM));
  ASSERT_TRUE(teldra_.WaitExit(20000)) << teldra_.Output();
  EXPECT_EQ(teldra_.ExitCode(), 5) << teldra_.Output();
  EXPECT_TRUE(qwtest::WaitUntil([&] { return !ProcessAlive(shell) && !ProcessAlive(sleeper); }, 5000))
      << "the desktop command " << shell << " or its program " << sleeper << " lives on";
  EXPECT_TRUE(qwtest::WaitUntil([&] { return !ProcessAlive(escaped); }, 5000))
      << "the daemon " << escaped << " lives on";
  for (pid_t p : {shell, sleeper, escaped})
    if (ProcessAlive(p)) kill(p, SIGKILL);  // a failed log-off leaves nothing to the next test
}

}  // namespace
