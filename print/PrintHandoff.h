#pragma once
// Handing a finished print job to the print program: the job is copied into
// a new System V shared-memory segment (owner only, 0600), detached, and the
// print program is started with the segment's key on its command line; from
// then on the program owns the segment and removes it. A program that
// cannot be started leaves no segment behind.
#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

// The print program and its arguments.
constexpr const char* kPrintProgram = "lurvend";
// The first key tried: this base, plus the process id, plus 10 per job.
constexpr long kPrintKeyBase = 0x2A5D8ACA;

struct PrintHandoffRequest {
  int printerIndex = 1;  // 1-based index in the printer list
  std::string locale;    // the session's locale name
  bool banner = false;
};

std::vector<std::string> PrintProgramCommandLine(long key, int printerIndex, unsigned size, const std::string& locale,
                                                 bool banner);

// Starts argv (argv[0] a program name); the process id, or -1 when the
// program could not be started.
using PrintTaskStarter = std::function<pid_t(const std::vector<std::string>& argv)>;

enum class PrintHandoffResult { Started, NoSegment, NotStarted, NothingToPrint };

// Copies `size` bytes into a new segment and starts the print program.
// `*keyUsed` receives the segment's key.
PrintHandoffResult HandPrintJobToProgram(const unsigned char* data, unsigned size, const PrintHandoffRequest& request,
                                         const PrintTaskStarter& start, long* keyUsed = nullptr);

// The print program's side: takes the job of segment `key` (its first
// `size` bytes) and removes the segment. The segment must belong to this
// user and be closed to everyone else, and hold `size` bytes; a segment of
// another user is left alone. False with a reason otherwise.
bool TakePrintSegment(long key, unsigned size, std::vector<unsigned char>& job, std::string& error);
