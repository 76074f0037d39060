#include "platform/AuthSession.h"

#include <grp.h>
#include <pwd.h>
#include <security/pam_appl.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/Auth.h"

namespace {

struct Session {
  pam_handle_t* pam = nullptr;
  bool open = false;
  std::string user, home, shell;
  uid_t uid = 0;
  gid_t gid = 0;
  std::vector<std::string> environment;  // "NAME=value" from PAM
};

Session session;

// No module of the session stack has anything to ask; messages are dropped.
int Silent(int count, const pam_message**, pam_response** responses, void*) {
  if (count <= 0 || count > PAM_MAX_NUM_MSG) return PAM_CONV_ERR;
  *responses = static_cast<pam_response*>(calloc(static_cast<size_t>(count), sizeof(pam_response)));
  return *responses ? PAM_SUCCESS : PAM_BUF_ERR;
}

bool SameIdentity() {
  return getuid() == session.uid && geteuid() == session.uid && getgid() == session.gid &&
         getegid() == session.gid;
}

// In a child: every process of the session user ends; TERM first, KILL
// after a second for those that stay.
void EndUsersProcesses() {
  if (session.uid == 0 || session.uid == getuid()) return;
  int done[2];
  if (pipe(done) != 0) return;
  const pid_t pid = fork();
  if (pid < 0) {
    close(done[0]);
    close(done[1]);
    return;
  }
  if (pid == 0) {
    close(done[0]);
    // As the user, kill(-1) reaches exactly that user's processes.
    if (setgid(session.gid) != 0 || setuid(session.uid) != 0 || getuid() != session.uid) _exit(1);
    kill(-1, SIGTERM);
    for (int i = 0; i < 10 && kill(-1, 0) == 0; ++i) usleep(100 * 1000);
    kill(-1, SIGKILL);
    _exit(0);
  }
  close(done[1]);
  // The child signal handler may reap it: its end is the pipe's.
  char c;
  while (read(done[0], &c, 1) < 0 && errno == EINTR) {
  }
  close(done[0]);
  waitpid(pid, nullptr, 0);
}

}  // namespace

int AuthOpenSession(const char* user) {
  if (session.open || !user || !*user) return AuthBadArgument;
  std::vector<char> buffer(16384);
  passwd pw;
  passwd* found = nullptr;
  if (getpwnam_r(user, &pw, buffer.data(), buffer.size(), &found) != 0 || !found) return AuthRejected;
  session.user = pw.pw_name;
  session.home = pw.pw_dir && *pw.pw_dir ? pw.pw_dir : "/";
  session.shell = pw.pw_shell && *pw.pw_shell ? pw.pw_shell : "/bin/sh";
  session.uid = pw.pw_uid;
  session.gid = pw.pw_gid;
  session.environment.clear();
  if (std::getenv("QX_AUTH_FILE") && *std::getenv("QX_AUTH_FILE")) {
    // The password file checked the password; the account is the system's.
    session.open = true;
    return AuthOk;
  }
  const pam_conv conv = {Silent, nullptr};
  int r = pam_start(AuthServiceName(), user, &conv, &session.pam);
  if (r != PAM_SUCCESS) {
    session.pam = nullptr;
    return AuthNoFile;
  }
  r = pam_setcred(session.pam, PAM_ESTABLISH_CRED | PAM_SILENT);
  if (r == PAM_SUCCESS) {
    r = pam_open_session(session.pam, PAM_SILENT);
    if (r != PAM_SUCCESS) pam_setcred(session.pam, PAM_DELETE_CRED | PAM_SILENT);
  }
  if (r != PAM_SUCCESS) {
    std::fprintf(stderr, "teldra: the session of %s could not be opened: %s\n", user,
                 pam_strerror(session.pam, r));
    pam_end(session.pam, r);
    session.pam = nullptr;
    return AuthRejected;
  }
  if (char** list = pam_getenvlist(session.pam)) {
    for (char** e = list; *e; ++e) {
      session.environment.emplace_back(*e);
      free(*e);
    }
    free(list);
  }
  session.open = true;
  return AuthOk;
}

int AuthSessionOpen() { return session.open ? 1 : 0; }

int AuthBecomeSessionUser() {
  if (!session.open) return 0;
  if (!SameIdentity()) {
    if (initgroups(session.user.c_str(), session.gid) != 0) return -1;
    if (setgid(session.gid) != 0 || setuid(session.uid) != 0) return -1;
    if (!SameIdentity()) return -1;
    if (session.uid != 0 && setuid(0) == 0) return -1;
  }
  for (const std::string& e : session.environment) {
    const size_t eq = e.find('=');
    if (eq != std::string::npos && eq > 0) setenv(e.substr(0, eq).c_str(), e.c_str() + eq + 1, 1);
  }
  setenv("HOME", session.home.c_str(), 1);
  setenv("SHELL", session.shell.c_str(), 1);
  setenv("USER", session.user.c_str(), 1);
  setenv("LOGNAME", session.user.c_str(), 1);
  if (chdir(session.home.c_str()) != 0 && chdir("/") != 0) return -1;
  return 0;
}

void AuthCloseSession() {
  if (!session.open) return;
  EndUsersProcesses();
  if (session.pam) {
    int r = pam_close_session(session.pam, PAM_SILENT);
    const int c = pam_setcred(session.pam, PAM_DELETE_CRED | PAM_SILENT);
    if (r == PAM_SUCCESS) r = c;
    pam_end(session.pam, r);
    session.pam = nullptr;
  }
  session.open = false;
  session.environment.clear();
}
