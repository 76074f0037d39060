#include "session/MriPath.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "base/LogMsg.h"

std::string MriLanguage(const char* lcMessages) {
  if (!lcMessages) {
    LogMsg(LevelError, "%s: LC_MESSAGES is not defined. Assuming %s for LC_MESSAGES.\n", "QWC0194",
           "en_US");
    return "en_US";
  }
  size_t length = std::strlen(lcMessages);
  if (length <= 4) {
    LogMsg(LevelError,
           "%s: LC_MESSAGES only %d in length. It is %s. Assuming %s for LC_MESSAGES.\n", "QWC0195",
           static_cast<int>(length), lcMessages, "en_US");
    return "en_US";
  }
  return std::string(lcMessages, 5);
}

namespace {

// The path without "@euro" and what follows, with the file name appended.
bool EuroAlternative(const std::string& path, const std::string& fileName, std::string& out) {
  size_t euro = path.find("@euro");
  if (euro == std::string::npos) return false;
  out = path.substr(0, euro) + "/" + fileName;
  return true;
}

// The path without its last two components ("." when it has fewer).
std::string WithoutLastTwo(const std::string& path) {
  size_t last = path.rfind('/');
  if (last == std::string::npos) return ".";
  size_t before = path.rfind('/', last == 0 ? std::string::npos : last - 1);
  if (last == 0 || before == std::string::npos) return last == 0 ? "" : ".";
  return path.substr(0, before);
}

// Opens a regular file for reading; anything else (a directory, a FIFO
// that would block the start-up) fails with errno set.
FILE* OpenRegularFile(const std::string& path) {
  int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    errno = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    return nullptr;
  }
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  FILE* file = fdopen(fd, "r");
  if (!file) close(fd);
  return file;
}

}  // namespace

std::vector<std::string> MriCandidatePaths(const std::string& mriPath,
                                           const std::string& fileName) {
  std::vector<std::string> paths;
  std::string path = mriPath + "/" + fileName;
  paths.push_back(path);
  std::string euro;
  if (EuroAlternative(path, fileName, euro)) paths.push_back(euro);
  if (path.find("en_US") == std::string::npos)
    paths.push_back(WithoutLastTwo(path) + "/en_US/" + fileName);
  return paths;
}

FILE* OpenMriFile(const std::string& mriPath, const std::string& fileName, std::string* opened) {
  std::vector<std::string> paths = MriCandidatePaths(mriPath, fileName);
  FILE* file = nullptr;
  for (size_t i = 0; i < paths.size() && !file; ++i) {
    if (i > 0) LogMsg(LevelError, "Trying %s instead.\n", paths[i].c_str());
    file = OpenRegularFile(paths[i]);
    if (file) {
      if (opened) *opened = paths[i];
      if (DebugFlag()) LogMsg(LevelDebug, "using MRI resource file: %s.\n", paths[i].c_str());
    } else if (i == 0) {
      LogMsg(LevelError, "%s: unable to open %s resource file. errno = %d.\n", "QWC0192",
             paths[i].c_str(), errno);
    } else {
      LogMsg(LevelError, "%s: %s failed to open also. errno = %d.\n", "QWC0192", paths[i].c_str(),
             errno);
    }
  }
  return file;
}
