#include "print/PrintProgramPath.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "print/PrintHandoff.h"

namespace {

bool IsExecutableFile(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

}  // namespace

std::vector<std::string> PrintProgramFoldersBeside(const std::string& programFolder) {
  if (programFolder.empty()) return {};
  const size_t slash = programFolder.find_last_of('/');
  if (slash == std::string::npos || slash == 0) return {programFolder};
  return {programFolder, programFolder.substr(0, slash) + "/print"};
}

std::string FindPrintProgram(const std::string& programFolder, std::vector<std::string>* searched) {
  if (searched) searched->clear();
  for (const std::string& folder : PrintProgramFoldersBeside(programFolder)) {
    if (searched) searched->push_back(folder);
    const std::string path = folder + "/" + kPrintProgram;
    if (IsExecutableFile(path)) return path;
  }
  if (searched) searched->push_back("PATH");
  const char* path = std::getenv("PATH");
  const std::string dirs = path && *path ? path : "/usr/bin:/bin";
  size_t from = 0;
  for (;;) {
    const size_t colon = dirs.find(':', from);
    std::string dir = dirs.substr(from, colon == std::string::npos ? std::string::npos : colon - from);
    if (dir.empty()) dir = ".";
    const std::string candidate = dir + "/" + kPrintProgram;
    if (IsExecutableFile(candidate)) return candidate;
    if (colon == std::string::npos) break;
    from = colon + 1;
  }
  return "";
}

std::string RunningProgramFolder() {
  char buffer[4096];
  const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return "";
  const std::string path(buffer, static_cast<size_t>(n));
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? "" : path.substr(0, slash == 0 ? 1 : slash);
}
