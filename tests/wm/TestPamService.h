// A PAM service under /etc/pam.d made by a test (the tests run as root)
// and removed with the object.
#pragma once
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>

#include "tests/support/TempDir.h"
#include "tests/support/XWindows.h"

namespace teldratest {

// A PAM service of the test's own: Debian's pam_unix for the password and
// the account, pam_env adding a variable of the test's to the session, and
// pam_exec writing each session step to a log. With `holdChecks` every
// password check first waits until the test releases it.
class PamService {
 public:
  explicit PamService(const qwtest::TempDir& dir, bool holdChecks = false) {
    static int count = 0;
    name_ = "qwt-session-" + std::to_string(getpid()) + "-" + std::to_string(count++);
    log_ = dir.Path() + "/pam.log";
    held_ = dir.Path() + "/held";
    release_ = dir.Path() + "/release";
    const std::string script = dir.WriteFile("pam-step", "#!/bin/sh\necho \"$PAM_TYPE $PAM_USER\" >> " + log_ + "\n");
    chmod(script.c_str(), 0700);
    const std::string hold = dir.WriteFile(
        "pam-hold", "#!/bin/sh\necho held >> " + held_ + "\nexec timeout 60 cat " + release_ + " > /dev/null\n");
    chmod(hold.c_str(), 0700);
    mkfifo(release_.c_str(), 0600);
    const std::string envFile = dir.WriteFile("pam-env", "QWT_PAM_VALUE=from-pam\n");
    const std::string envConf = dir.WriteFile("pam-env.conf", "");
    std::ofstream("/etc/pam.d/" + name_) << (holdChecks ? "auth requisite pam_exec.so quiet " + hold + "\n" : "")
                                         << "auth required pam_unix.so\n"
                                            "account required pam_unix.so\n"
                                            "session required pam_unix.so\n"
                                            "session required pam_env.so readenv=1 envfile="
                                         << envFile << " conffile=" << envConf
                                         << "\n"
                                            "session required pam_exec.so "
                                         << script << "\n";
  }
  ~PamService() {
    Release(false);  // a check the test left waiting ends now
    unlink(("/etc/pam.d/" + name_).c_str());
  }
  const std::string& Name() const { return name_; }
  std::string Log() const { return Read(log_); }
  // How many checks have come to the hold so far.
  int Held() const {
    const std::string text = Read(held_);
    return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
  }
  // Lets the waiting check go on (with `wait`, once one waits); false when
  // none waited.
  bool Release(bool wait = true) const {
    int fd = -1;
    auto open = [&] { return (fd = ::open(release_.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC)) >= 0; };
    if (!(wait ? qwtest::WaitUntil(open) : open())) return false;
    const bool written = write(fd, "go\n", 3) == 3;
    close(fd);
    return written;
  }

 private:
  static std::string Read(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  std::string name_, log_, held_, release_;
};

}  // namespace teldratest
