#include "platform/QXRegistryProfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/QXRegObject.h"
#include "platform/QXRegistry.h"

namespace {

bool ValidRelative(const char* relative) {
  return relative && *relative && relative[0] != '/' && QXRegNamesOnly(relative);
}

bool AreaDirectory(int area, std::string* dir) {
  if (area == QXAreaSystem) {
    *dir = QXRegistryDirectory();
    return true;
  }
  if (area == QXAreaUser) {
    const char* home = getenv("HOME");
    if (!home || !*home) return false;
    *dir = std::string(home) + "/registry";
    return true;
  }
  return false;
}

bool FullPath(int area, const char* relative, std::string* path) {
  std::string dir;
  if (!ValidRelative(relative) || !AreaDirectory(area, &dir)) return false;
  *path = dir + "/" + relative;
  return true;
}

bool CleanText(const char* s, bool name) {
  if (!s) return false;
  for (const char* p = s; *p; ++p)
    if (*p == '\n' || *p == '\r' || (name && *p == '=')) return false;
  return true;
}

}  // namespace

int QXRegistryFilePath(int area, const char* relative, char* buffer, size_t size) {
  std::string path;
  if (!buffer || !FullPath(area, relative, &path) || path.size() >= size) return QXRegBadArgument;
  std::memcpy(buffer, path.c_str(), path.size() + 1);
  return QXRegOk;
}

int QXRegistryFileTest(int area, const char* relative) {
  std::string path;
  struct stat st;
  return FullPath(area, relative, &path) && stat(path.c_str(), &st) == 0 ? 1 : 0;
}

int QXRegistryDirMake(int area, const char* relative) {
  std::string path, dir;
  if (!FullPath(area, relative, &path) || !AreaDirectory(area, &dir)) return QXRegBadArgument;
  // Every part from the area's own directory down.
  std::string so_far = dir;
  mkdir(so_far.c_str(), 0700);
  std::string rest = relative;
  size_t i = 0;
  while (i <= rest.size()) {
    size_t j = rest.find('/', i);
    if (j == std::string::npos) j = rest.size();
    so_far += "/" + rest.substr(i, j - i);
    if (mkdir(so_far.c_str(), 0700) != 0 && errno != EEXIST) return QXRegIoError;
    i = j + 1;
  }
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) ? QXRegOk : QXRegIoError;
}

int QXRegistryFileDelete(int area, const char* relative) {
  std::string path;
  if (!FullPath(area, relative, &path)) return QXRegBadArgument;
  if (unlink(path.c_str()) == 0) return QXRegOk;
  return errno == ENOENT ? QXRegNotFound : QXRegIoError;
}

QXProfile* QXCreateProfile() { return new QXRegObject; }

int QXLoadRegistryProfile(const char* relative, int area, QXProfile** profile) {
  if (!profile) return QXRegBadArgument;
  *profile = nullptr;
  std::string path;
  if (!FullPath(area, relative, &path)) return QXRegBadArgument;
  return QXRegReadObjectFile(path.c_str(), profile);
}

const char* QXGetStringValue(const QXProfile* profile, const char* name, const char* defaultValue) {
  const char* v = QXRegGetStringValue(profile, name);
  return v ? v : defaultValue;
}

long QXGetNumericValue(const QXProfile* profile, const char* name, long defaultValue) {
  return QXRegGetNumericValue(profile, name, defaultValue);
}

int QXSetStringValue(QXProfile* profile, const char* name, const char* value) {
  if (!profile || !name || !*name || !CleanText(name, true) || !CleanText(value, false))
    return QXRegBadArgument;
  for (auto& v : profile->values)
    if (v.first == name) {
      v.second = value;
      return QXRegOk;
    }
  profile->values.emplace_back(name, value);
  return QXRegOk;
}

int QXSetBooleanValue(QXProfile* profile, const char* name, int value) {
  return QXSetStringValue(profile, name, value ? "true" : "false");
}

int QXSaveRegistryProfile(const QXProfile* profile, const char* relative, int area) {
  std::string path;
  if (!profile || !FullPath(area, relative, &path)) return QXRegBadArgument;
  std::string text;
  for (const auto& v : profile->values) text += v.first + " = " + v.second + "\n";
  const std::string temp = path + ".new";
  unlink(temp.c_str());
  int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return errno == ENOENT ? QXRegNotFound : QXRegIoError;
  const bool ok = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
  if (close(fd) != 0 || !ok || rename(temp.c_str(), path.c_str()) != 0) {
    unlink(temp.c_str());
    return QXRegIoError;
  }
  return QXRegOk;
}

void QXDestroyProfile(QXProfile* profile) { QXRegDestroyObject(profile); }
