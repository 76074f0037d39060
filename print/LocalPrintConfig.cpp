#include "print/LocalPrintConfig.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "base/LogMsg.h"
#include "base/PrivateFiles.h"

namespace {

constexpr std::size_t kMaxName = 99;
constexpr long kMaxFile = 64 * 1024;

bool CheckAndCreateDirectory(const std::string& path, mode_t mode) {
  if (access(path.c_str(), R_OK | W_OK) == 0) return true;
  if (errno != ENOENT) {
    LogMsg(LevelError, "%s: LocalPrint: Unable to access directory: %s. errno = %d.\n", "QWC0023", path.c_str(), errno);
    return false;
  }
  if (const int error = MakePrivateFolder(path)) {
    LogMsg(LevelError, "%s: LocalPrint: Unable to make directory: %s. errno = %d. create_mode = %x.\n", "QWC0022",
           path.c_str(), error, static_cast<unsigned>(mode | S_IFDIR));
    return false;
  }
  return true;
}

}  // namespace

std::string LocalPrintConfigPath(const std::string& sharedDirectory) { return sharedDirectory + "/QW5250/LocalPrint"; }

void ParseLocalPrintConfig(const std::string& bytes, LocalPrintSettings& s) {
  std::size_t at = 0;
  auto next = [&](int* out) {
    if (at >= bytes.size()) return false;
    *out = static_cast<unsigned char>(bytes[at++]);
    return true;
  };
  int v;
  auto take = [&](unsigned char& field, int max) {
    if (!next(&v)) return false;
    if (v <= max) field = static_cast<unsigned char>(v);
    return true;
  };
  int count = 0;
  if (!take(s.printerType, 3) || !next(&v) || !take(s.formFeed, 2) || !take(s.orientation, 2) ||
      !take(s.printSelection, 2) || !next(&count))
    return;
  unsigned char* options[3] = {&s.pageSize, &s.resolution, &s.colour};
  const int max[3] = {8, 6, 1};
  for (int i = 0; i < count; ++i) {
    if (i < 3) {
      if (!take(*options[i], max[i])) return;
    } else if (!next(&v)) {
      return;
    }
  }
  auto line = [&](std::string& out) {
    const std::size_t end = bytes.find('\n', at);
    const std::string text = bytes.substr(at, end == std::string::npos ? std::string::npos : end - at);
    at = end == std::string::npos ? bytes.size() : end + 1;
    out = text.substr(0, kMaxName);
  };
  if (at < bytes.size()) line(s.queue);
  if (at < bytes.size()) line(s.server);
}

std::string FormatLocalPrintConfig(const LocalPrintSettings& s) {
  std::string out;
  for (unsigned char b : {s.printerType, static_cast<unsigned char>(0), s.formFeed, s.orientation, s.printSelection,
                          static_cast<unsigned char>(3), s.pageSize, s.resolution, s.colour})
    out += static_cast<char>(b);
  return out + s.queue.substr(0, kMaxName) + "\n" + s.server.substr(0, kMaxName) + "\n";
}

bool ReadLocalPrintConfig(const std::string& sharedDirectory, LocalPrintSettings& s) {
  const std::string path = LocalPrintConfigPath(sharedDirectory);
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) {
    if (errno != ENOENT)
      LogMsg(LevelError, "%s: screen print config file, %s, open failed. errno = %d.\n", "QWC0024", path.c_str(), errno);
    return false;
  }
  std::string bytes;
  char chunk[512];
  std::size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0 && static_cast<long>(bytes.size()) < kMaxFile)
    bytes.append(chunk, n);
  std::fclose(f);
  ParseLocalPrintConfig(bytes, s);
  if (DebugFlag()) {
    LogMsg(LevelDebug, "the last printer queue = %s.\n", s.queue.c_str());
    LogMsg(LevelDebug, "the last printer server = %s.\n", s.server.c_str());
  }
  return true;
}

bool WriteLocalPrintConfig(const std::string& sharedDirectory, const LocalPrintSettings& s) {
  if (!CheckAndCreateDirectory(sharedDirectory, kPrivateFolderMode) ||
      !CheckAndCreateDirectory(sharedDirectory + "/QW5250", kPrivateFolderMode))
    return false;
  const std::string path = LocalPrintConfigPath(sharedDirectory);
  if (DebugFlag()) {
    LogMsg(LevelDebug, "saving the last printer queue as %s.\n", s.queue.c_str());
    LogMsg(LevelDebug, "saving the last printer server as %s.\n", s.server.c_str());
  }
  const std::string bytes = FormatLocalPrintConfig(s);
  // A new file beside it, renamed over it: a link planted at its name is
  // replaced, never followed.
  bool opened = false;
  const bool ok = ReplaceFileSafely(path, kPrivateFileMode, [&](int fd) {
    opened = true;
    return WriteAll(fd, bytes.data(), bytes.size());
  });
  if (!ok && !opened)
    LogMsg(LevelError, "%s:  Unable to open local print config file %s. errno = %d.\n", "QWC0026", path.c_str(), errno);
  else if (!ok)
    LogMsg(LevelError, "%s:  Unable to write to local print config file %s. errno = %d.\n", "QWC0027", path.c_str(),
           errno);
  return ok;
}
