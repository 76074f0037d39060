// scripts/desktop.sh as a user starts it (its build step left out): Teldra
// on a nested X server, whose end ends the nested server too, whatever
// ends Teldra, as xinit does. A screen that Teldra locked is never left
// open on a server that outlives it.
#include <gtest/gtest.h>
#include <X11/Xlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/ChildProcess.h"
#include "tests/support/TempDir.h"
#include "tests/support/XTestServer.h"
#include "tests/support/XWindows.h"

namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

bool Alive(pid_t pid) {
  if (pid <= 0 || kill(pid, 0) != 0) return false;
  // A zombie has ended.
  const std::string stat = ReadFile("/proc/" + std::to_string(pid) + "/stat");
  const size_t close = stat.rfind(')');
  return close != std::string::npos && close + 2 < stat.size() && stat[close + 2] != 'Z';
}

bool ServerAnswers(const std::string& name) {
  Display* d = XOpenDisplay(name.c_str());
  if (!d) return false;
  XCloseDisplay(d);
  return true;
}

class DesktopScriptTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server_.Start()) << server_.Error();
    // The script as shipped, in a tree of its own whose build holds Teldra
    // already; "cmake" does nothing there.
    std::ifstream script(std::string(QW_SOURCE_ROOT) + "/scripts/desktop.sh");
    std::stringstream text;
    text << script.rdbuf();
    ASSERT_FALSE(text.str().empty());
    tree_.WriteFile("scripts/desktop.sh", text.str());
    // The session records where it runs and who started it, then stays.
    info_ = tree_.Path() + "/session";
    tree_.WriteFile("scripts/desktop-session.sh",
                    "echo \"$DISPLAY $PPID $$\" > " + info_ + ".new\nmv " + info_ + ".new " + info_ +
                        "\nexec sleep 600\n");
    ASSERT_EQ(chmod(tree_.WriteFile("bin/cmake", "#!/bin/sh\nexit 0\n").c_str(), 0755), 0);
    tree_.WriteFile("build/wm/.keep", "");
    ASSERT_EQ(symlink(TELDRA_BINARY, (tree_.Path() + "/build/wm/teldra").c_str()), 0);
  }
  void TearDown() override {
    // What the script left running, when it failed.
    for (pid_t pid : {sessionPid_, teldraPid_})
      if (Alive(pid)) kill(pid, SIGKILL);
    if (script_ && script_->Running()) script_->Stop(3000);
  }
  // Starts the desktop and waits for its session; the nested display.
  std::string StartDesktop() {
    std::vector<std::string> env;
    for (const std::string& e : qwtest::ChildProcess::BaseEnvironment())
      env.push_back(e.rfind("PATH=", 0) == 0 ? "PATH=" + tree_.Path() + "/bin:" + e.substr(5) : e);
    env.push_back("DISPLAY=" + server_.DisplayName());
    env.push_back("QW_SKIP_INSTALL=1");
    env.push_back("HOME=" + tree_.Path());
    env.push_back("QX_SERVICE_DIR=" + tree_.Path() + "/services");
    script_ = std::make_unique<qwtest::ChildProcess>();
    EXPECT_TRUE(script_->Start({"bash", tree_.Path() + "/scripts/desktop.sh"}, env)) << script_->Error();
    std::string line;
    EXPECT_TRUE(qwtest::WaitUntil([&] { return !(line = ReadFile(info_)).empty(); }, 60000)) << script_->Output();
    std::istringstream words(line);
    std::string display;
    words >> display >> teldraPid_ >> sessionPid_;
    return display;
  }
  qwtest::XTestServer server_;
  qwtest::TempDir tree_;
  std::unique_ptr<qwtest::ChildProcess> script_;
  std::string info_;
  pid_t teldraPid_ = 0, sessionPid_ = 0;
};

struct Ending {
  const char* what;
  bool toTeldra;  // else to the script
  int signal;
};

TEST_F(DesktopScriptTest, TheNestedServerEndsWhenTeldraEnds) {
  const Ending endings[] = {
      {"Teldra killed", true, SIGKILL},
      {"Teldra told to end (log-off)", true, SIGTERM},
      {"the script told to end", false, SIGTERM},
      {"the script hung up", false, SIGHUP},
  };
  for (const Ending& e : endings) {
    SCOPED_TRACE(e.what);
    unlink(info_.c_str());
    const std::string nested = StartDesktop();
    ASSERT_FALSE(nested.empty());
    ASSERT_NE(nested, server_.DisplayName());
    ASSERT_TRUE(Alive(teldraPid_));
    ASSERT_TRUE(ServerAnswers(nested));
    ASSERT_EQ(kill(e.toTeldra ? teldraPid_ : script_->Pid(), e.signal), 0);
    EXPECT_TRUE(script_->WaitExit(30000)) << script_->Output();
    EXPECT_TRUE(qwtest::WaitUntil([&] { return !ServerAnswers(nested); }, 30000)) << "the nested server ended";
    EXPECT_TRUE(qwtest::WaitUntil([&] { return !Alive(teldraPid_); }, 30000)) << "Teldra ended";
    // A killed Teldra could not end its session's program; the test does.
    if (Alive(sessionPid_)) kill(sessionPid_, SIGKILL);
  }
}

}  // namespace
