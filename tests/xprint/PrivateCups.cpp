#include "PrivateCups.h"

#include <arpa/inet.h>
#include <cups/cups.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "tests/support/TestClock.h"

namespace printtest {
namespace {

int FreeLoopbackPort() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof a;
  int port = 0;
  if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
      getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) == 0)
    port = ntohs(a.sin_port);
  close(fd);
  return port;
}

bool Answers(int port) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = htons(static_cast<uint16_t>(port));
  const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
  close(fd);
  return ok;
}

const char kPpdHead[] =
    "*PPD-Adobe: \"4.3\"\n*FormatVersion: \"4.3\"\n*FileVersion: \"1.0\"\n*LanguageVersion: English\n"
    "*LanguageEncoding: ISOLatin1\n*PCFileName: \"QWTEST.PPD\"\n*Manufacturer: \"QW\"\n*Product: \"(QW test)\"\n"
    "*PSVersion: \"(3010.000) 0\"\n*LanguageLevel: \"3\"\n*ColorDevice: False\n*DefaultColorSpace: Gray\n"
    "*FileSystem: False\n*Throughput: \"1\"\n"
    // Jobs pass through unchanged, as a printer that takes them as they are.
    "*cupsFilter: \"application/vnd.cups-raw 0 gziptoany\"\n"
    "*cupsFilter: \"application/octet-stream 0 gziptoany\"\n"
    "*OpenUI *PageSize: PickOne\n*DefaultPageSize: Letter\n*PageSize Letter: \"\"\n*CloseUI: *PageSize\n"
    "*DefaultImageableArea: Letter\n*ImageableArea Letter: \"0 0 612 792\"\n*DefaultPaperDimension: Letter\n"
    "*PaperDimension Letter: \"612 792\"\n";

}  // namespace

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

PrivateCups::~PrivateCups() { Stop(); }

bool PrivateCups::Start(const std::vector<TestQueue>& queues, std::string* error) {
  dir_ = std::make_unique<qwtest::TempDir>();
  root_ = dir_->Path();
  // The scheduler's filters run as another user: they must reach the spool.
  chmod(root_.c_str(), 0755);
  for (const char* sub : {"conf", "conf/ppd", "spool", "cache", "state", "log", "tmp", "out"}) {
    const std::string d = root_ + "/" + sub;
    mkdir(d.c_str(), 0755);
  }
  chmod((root_ + "/out").c_str(), 0777);
  port_ = FreeLoopbackPort();
  dir_->WriteFile("conf/cupsd.conf",
                  "Listen 127.0.0.1:" + std::to_string(port_) +
                      "\nBrowsing No\nDefaultAuthType None\nLogLevel info\nWebInterface No\n"
                      "<Location />\n  Order allow,deny\n  Allow 127.0.0.1\n</Location>\n"
                      "<Policy default>\n  <Limit All>\n    Order deny,allow\n  </Limit>\n</Policy>\n");
  dir_->WriteFile("conf/cups-files.conf", "ServerRoot " + root_ + "/conf\nRequestRoot " + root_ + "/spool\nCacheDir " +
                                              root_ + "/cache\nStateDir " + root_ + "/state\nTempDir " + root_ +
                                              "/tmp\nErrorLog " + root_ + "/log/error_log\nAccessLog " + root_ +
                                              "/log/access_log\nPageLog " + root_ +
                                              "/log/page_log\nFileDevice Yes\nSandboxing Relaxed\n");
  std::string printers;
  for (const TestQueue& q : queues) {
    const char* tag = q.isDefault ? "DefaultPrinter" : "Printer";
    printers += std::string("<") + tag + " " + q.name + ">\nInfo " + q.info + "\nMakeModel " + q.makeAndModel +
                "\nDeviceURI file://" + OutputOf(q.name) + "\nState Idle\nAccepting Yes\nShared No\n</" + tag + ">\n";
    dir_->WriteFile("conf/ppd/" + q.name + ".ppd", std::string(kPpdHead) + "*ModelName: \"" + q.makeAndModel +
                                                        "\"\n*NickName: \"" + q.makeAndModel + "\"\n*ShortNickName: \"" +
                                                        q.makeAndModel + "\"\n");
  }
  dir_->WriteFile("conf/printers.conf", printers);
  for (const char* f : {"conf/cupsd.conf", "conf/cups-files.conf", "conf/printers.conf"})
    chmod((root_ + "/" + f).c_str(), 0644);

  qwtest::ChildProcess::Options o;
  o.argv = {"cupsd", "-f", "-c", root_ + "/conf/cupsd.conf", "-s", root_ + "/conf/cups-files.conf"};
  o.env = qwtest::ChildProcess::BaseEnvironment();
  o.discardOutput = true;
  if (!cupsd_.Start(o)) {
    if (error) *error = "cupsd cannot be started: " + cupsd_.Error();
    return false;
  }
  started_ = true;
  qwtest::Deadline deadline(20000);
  while (!Answers(port_)) {
    if (!cupsd_.Running()) {
      if (error) *error = "cupsd ended: " + ErrorLog();
      return false;
    }
    if (deadline.Expired()) {
      if (error) *error = "cupsd does not answer: " + ErrorLog();
      return false;
    }
    usleep(10000);
  }
  return true;
}

void PrivateCups::Stop() {
  if (started_) cupsd_.Stop(5000);
  started_ = false;
}

std::string PrivateCups::Server() const { return "127.0.0.1:" + std::to_string(port_); }

std::string PrivateCups::OutputOf(const std::string& queue) const { return root_ + "/out/" + queue + ".prn"; }

std::string PrivateCups::ErrorLog() const { return ReadWholeFile(root_ + "/log/error_log"); }

bool PrivateCups::WaitForCompletedJobs(const std::string& queue, int count, int timeoutMs) const {
  http_t* http = httpConnect2("127.0.0.1", port_, nullptr, AF_INET, HTTP_ENCRYPTION_NEVER, 1, 5000, nullptr);
  if (!http) return false;
  qwtest::Deadline deadline(timeoutMs);
  bool done = false;
  while (!done && !deadline.Expired()) {
    cups_job_t* jobs = nullptr;
    const int n = cupsGetJobs2(http, &jobs, queue.c_str(), 0, CUPS_WHICHJOBS_COMPLETED);
    int completed = 0;
    bool failed = false;
    for (int i = 0; i < n; ++i) {
      if (jobs[i].state == IPP_JSTATE_COMPLETED) ++completed;
      if (jobs[i].state == IPP_JSTATE_ABORTED || jobs[i].state == IPP_JSTATE_CANCELED) failed = true;
    }
    cupsFreeJobs(n, jobs);
    if (failed) break;
    done = completed >= count;
    if (!done) usleep(20000);
  }
  httpClose(http);
  return done;
}

int PrivateCups::CompletedJobs(const std::string& queue) const {
  http_t* http = httpConnect2("127.0.0.1", port_, nullptr, AF_INET, HTTP_ENCRYPTION_NEVER, 1, 5000, nullptr);
  if (!http) return -1;
  cups_job_t* jobs = nullptr;
  const int n = cupsGetJobs2(http, &jobs, queue.c_str(), 0, CUPS_WHICHJOBS_COMPLETED);
  int completed = 0;
  for (int i = 0; i < n; ++i) completed += jobs[i].state == IPP_JSTATE_COMPLETED;
  cupsFreeJobs(n, jobs);
  httpClose(http);
  return completed;
}

int PrivateCups::PendingJobs(const std::string& queue) const {
  http_t* http = httpConnect2("127.0.0.1", port_, nullptr, AF_INET, HTTP_ENCRYPTION_NEVER, 1, 5000, nullptr);
  if (!http) return -1;
  cups_job_t* jobs = nullptr;
  const int n = cupsGetJobs2(http, &jobs, queue.c_str(), 0, CUPS_WHICHJOBS_ACTIVE);
  cupsFreeJobs(n, jobs);
  httpClose(http);
  return n;
}

}  // namespace printtest
