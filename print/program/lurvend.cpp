// The print program: takes a print job from the shared-memory segment named
// on its command line, removes the segment and submits the job, unchanged,
// to the chosen printer of the desktop's printing system.
//   lurvend -printBuffer 0x<key> -printerIndex <n> -printSize <bytes>
//           [-printLocale <name>] [-printBanner Y|N] [-printCaller <name>]
// Exit status: 0 submitted, 1 bad command line, 2 no job, 3 not submitted.
#include <cups/cups.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/PrinterList.h"
#include "print/PrintHandoff.h"

namespace {

bool Number(const char* text, int base, long max, long* out) {
  if (!text || !*text) return false;
  errno = 0;
  char* end = nullptr;
  const long v = std::strtol(text, &end, base);
  if (errno || *end || v < 0 || v > max) return false;
  *out = v;
  return true;
}

int Usage(const char* why) {
  std::fprintf(stderr, "lurvend: %s\n", why);
  std::fprintf(stderr,
               "usage: lurvend -printBuffer 0xKEY -printerIndex N -printSize BYTES [-printLocale NAME] "
               "[-printBanner Y|N] [-printCaller NAME]\n");
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  long key = -1, index = -1, size = -1;
  std::string banner = "N", caller = "5250";
  for (int i = 1; i < argc; i += 2) {
    if (i + 1 >= argc) return Usage("an option without its value");
    const std::string option = argv[i];
    const char* value = argv[i + 1];
    if (option == "-printBuffer") {
      if (std::strncmp(value, "0x", 2) != 0 || !Number(value + 2, 16, INT_MAX, &key)) return Usage("bad -printBuffer");
    } else if (option == "-printerIndex") {
      if (!Number(value, 10, 100000, &index) || index < 1) return Usage("bad -printerIndex");
    } else if (option == "-printSize") {
      if (!Number(value, 10, INT_MAX, &size) || size < 1) return Usage("bad -printSize");
    } else if (option == "-printBanner") {
      banner = value;
    } else if (option == "-printCaller") {
      caller = value;
    } else if (option != "-printLocale") {
      return Usage(("unknown option " + option).c_str());
    }
  }
  if (key < 0 || index < 1 || size < 1) return Usage("-printBuffer, -printerIndex and -printSize are needed");

  // The job is taken, and its segment removed, before anything can fail.
  std::vector<unsigned char> job;
  std::string error;
  if (!TakePrintSegment(key, static_cast<unsigned>(size), job, error)) {
    std::fprintf(stderr, "lurvend: %s\n", error.c_str());
    return 2;
  }

  const std::string queue = PrinterQueueName(static_cast<int>(index));
  if (queue.empty()) {
    std::fprintf(stderr, "lurvend: there is no printer %ld\n", index);
    return 3;
  }
  cups_option_t* options = nullptr;
  int count = 0;
  if (banner != "Y") count = cupsAddOption("job-sheets", "none", count, &options);
  const std::string title = caller + " screen print";
  const int id = cupsCreateJob(CUPS_HTTP_DEFAULT, queue.c_str(), title.c_str(), count, options);
  cupsFreeOptions(count, options);
  if (id <= 0) {
    std::fprintf(stderr, "lurvend: %s: %s\n", queue.c_str(), cupsLastErrorString());
    return 3;
  }
  if (cupsStartDocument(CUPS_HTTP_DEFAULT, queue.c_str(), id, title.c_str(), CUPS_FORMAT_RAW, 1) != HTTP_STATUS_CONTINUE ||
      cupsWriteRequestData(CUPS_HTTP_DEFAULT, reinterpret_cast<const char*>(job.data()), job.size()) !=
          HTTP_STATUS_CONTINUE ||
      cupsFinishDocument(CUPS_HTTP_DEFAULT, queue.c_str()) != IPP_STATUS_OK) {
    std::fprintf(stderr, "lurvend: %s: %s\n", queue.c_str(), cupsLastErrorString());
    cupsCancelJob2(CUPS_HTTP_DEFAULT, queue.c_str(), id, 0);
    return 3;
  }
  std::printf("lurvend: job %d on %s\n", id, queue.c_str());
  return 0;
}
