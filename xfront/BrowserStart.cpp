#include "xfront/BrowserStart.h"

#include <Xm/MessageB.h>
#include <Xm/Xm.h>
#include <dirent.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <fstream>

#include "base/LogMsg.h"
#include "session/AppResources.h"
#include "session/ResourceKeywords.h"
#include "session/SessionControlBlock.h"
#include "xfront/XuStartTask.h"

namespace {
constexpr const char* kBrowser = "netscape";
constexpr const char* kBrowserStarter = "jovel_netscape";
constexpr size_t kMaxURL = 2048;

bool StartsWithNoCase(const std::string& s, const char* prefix) {
  const size_t n = std::strlen(prefix);
  if (s.size() < n) return false;
  for (size_t i = 0; i < n; ++i)
    if (std::tolower(static_cast<unsigned char>(s[i])) != prefix[i]) return false;
  return true;
}

// Whether a process of the browser's name runs (read from /proc; no
// program is run to find out).
bool BrowserRunning() {
  DIR* dir = opendir("/proc");
  if (!dir) return false;
  bool found = false;
  while (dirent* e = readdir(dir)) {
    if (e->d_name[0] < '0' || e->d_name[0] > '9') continue;
    std::ifstream comm(std::string("/proc/") + e->d_name + "/comm");
    std::string name;
    if (std::getline(comm, name) && name == kBrowser) {
      found = true;
      break;
    }
  }
  closedir(dir);
  return found;
}

void CloseCallback(Widget w, XtPointer, XtPointer) { XtDestroyWidget(w); }

void ReportBrowserMissing(SessionControlBlock* scb, const std::string& program, bool found) {
  LogMsg(LevelError, "QWC0441 The web browser %s %s.\n", program.c_str(),
         found ? "could not be started" : "was not found in PATH");
  Widget shell = scb ? scb->xstuff.shell() : nullptr;
  if (!shell) return;
  const std::string text = "The web browser \"" + program + "\" " +
                           (found ? "could not be started." : "was not found (it is looked for in PATH).");
  XmString s = XmStringCreateLocalized(const_cast<char*>(text.c_str()));
  Arg args[1];
  XtSetArg(args[0], XmNmessageString, s);
  Widget dialog = XmCreateErrorDialog(shell, const_cast<char*>("browserNotStartedDialog"), args, 1);
  XmStringFree(s);
  XtUnmanageChild(XmMessageBoxGetChild(dialog, XmDIALOG_HELP_BUTTON));
  XtUnmanageChild(XmMessageBoxGetChild(dialog, XmDIALOG_CANCEL_BUTTON));
  XtAddCallback(dialog, XmNokCallback, CloseCallback, nullptr);
  XtManageChild(dialog);
}
}  // namespace

bool ValidBrowserURL(const std::string& url) {
  size_t rest = 0;
  if (StartsWithNoCase(url, "http://"))
    rest = 7;
  else if (StartsWithNoCase(url, "ftp://"))
    rest = 6;
  else
    return false;
  if (url.size() <= rest || url.size() > kMaxURL) return false;
  // Letters, digits and the address characters that mean nothing to a
  // shell or to a browser's remote command.
  static const char kAllowed[] = "-._~:/?#[]@!*+=%&";
  for (size_t i = 0; i < url.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(url[i]);
    if (std::isalnum(c)) continue;
    if (!std::strchr(kAllowed, c) || c == 0) return false;
  }
  // A host name must follow the scheme.
  const unsigned char h = static_cast<unsigned char>(url[rest]);
  return std::isalnum(h) || h == '[';
}

std::vector<std::string> BrowserCommandLine(const std::string& url, bool browserRunning, bool newWindow) {
  if (browserRunning)
    return {kBrowser, "-raise", "-remote", "openURL(" + url + (newWindow ? ",new-window)" : ")")};
  return {kBrowserStarter, url};
}

bool ProgramInPath(const std::string& name) {
  if (name.empty()) return false;
  if (name.find('/') != std::string::npos) return access(name.c_str(), X_OK) == 0;
  const char* path = std::getenv("PATH");
  std::string dirs = path && *path ? path : "/usr/bin:/bin";
  size_t from = 0;
  while (from <= dirs.size()) {
    const size_t colon = dirs.find(':', from);
    std::string dir = dirs.substr(from, colon == std::string::npos ? std::string::npos : colon - from);
    if (dir.empty()) dir = ".";
    if (access((dir + "/" + name).c_str(), X_OK) == 0) return true;
    if (colon == std::string::npos) break;
    from = colon + 1;
  }
  return false;
}

int StartBrowser(SessionControlBlock* scb, unsigned int start, unsigned int length) {
  if (!scb) return -1;
  const XStuff& x = scb->xstuff;
  const unsigned int cells = static_cast<unsigned int>(x.rows() * x.columns());
  const unsigned char* screen = x.characterMirror();
  if (!screen || length == 0 || start >= cells || length > cells - start) return -1;
  const std::string url(reinterpret_cast<const char*>(screen) + start, length);
  if (!ValidBrowserURL(url)) {
    LogMsg(LevelWarning, "QWC0442 The screen text at position %u is no valid web address; no browser started.\n",
           start);
    return -1;
  }
  const bool newWindow = AppResources().BROWSER_START_NEW_WIN != QwDisable;
  const std::vector<std::string> argv = BrowserCommandLine(url, BrowserRunning(), newWindow);
  if (!ProgramInPath(argv[0])) {
    ReportBrowserMissing(scb, argv[0], false);
    return -1;
  }
  if (DebugFlag()) LogMsg(LevelDebug, "Starting task: %s %s.\n", argv[0].c_str(), url.c_str());
  const pid_t pid = XuStartTask(argv);
  if (pid < 0) ReportBrowserMissing(scb, argv[0], true);
  return static_cast<int>(pid);
}
