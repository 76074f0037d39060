// A child program for end-to-end tests: argv without a shell, a chosen
// environment, captured stdout/stderr, bounded waits on output and exit.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace qwtest {

class ChildProcess {
 public:
  struct Options {
    std::vector<std::string> argv;  // argv[0] is the program (path or name in PATH)
    std::vector<std::string> env;   // "NAME=value" entries; the whole environment
    std::string workDir;            // empty: the test's working directory
    std::vector<int> inheritFds;    // descriptors the child keeps at the same number
    bool discardOutput = false;     // send stdout/stderr to /dev/null instead of capturing
    bool dieWithParent = true;      // SIGKILL the child if the test process dies
  };

  ChildProcess() = default;
  ~ChildProcess();  // kills (SIGKILL) and reaps a child still running
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Starts the program; false (and Error() tells why) when it cannot be run.
  bool Start(const Options& options);
  bool Start(const std::vector<std::string>& argv, const std::vector<std::string>& env);

  // The environment a test usually hands down: PATH and the sanitizer
  // options of the test process, followed by the given entries.
  static std::vector<std::string> BaseEnvironment(const std::vector<std::string>& extra = {});

  // Waits until `text` has appeared on stdout or stderr (or the child exits
  // and it has not); true when it appeared within the time.
  bool WaitForOutput(const std::string& text, int timeoutMs = 10000);

  // Collects any output ready now without waiting.
  void Pump();
  std::string Stdout() const { return out_; }
  std::string Stderr() const { return err_; }
  std::string Output() const { return out_ + err_; }

  bool Signal(int sig);  // false when not running
  // Waits until the child ends; false on time-out (the child still runs).
  bool WaitExit(int timeoutMs = 10000);
  // SIGTERM, then SIGKILL after graceMs; always reaps.
  void Stop(int graceMs = 5000);

  bool Running();
  pid_t Pid() const { return pid_; }
  bool Exited() const { return exited_; }
  int RawStatus() const { return status_; }
  bool ExitedNormally() const;  // WIFEXITED
  int ExitCode() const;         // -1 when not exited normally
  int TermSignal() const;       // 0 when not ended by a signal
  const std::string& Error() const { return error_; }

 private:
  bool reap(bool block);
  // Reads what the pipes have within waitMs; returns false when both are closed.
  bool readSome(int waitMs);

  pid_t pid_ = -1;
  int outFd_ = -1;
  int errFd_ = -1;
  int pidFd_ = -1;
  bool exited_ = false;
  int status_ = 0;
  std::string out_, err_, error_;
};

}  // namespace qwtest
