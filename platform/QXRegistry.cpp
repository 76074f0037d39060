#include "platform/QXRegistry.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>
#include <string>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/QXRegObject.h"

namespace {

constexpr long kMaxObjectBytes = 64 * 1024;

std::string Trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t\r");
  if (b == std::string::npos) return std::string();
  size_t e = s.find_last_not_of(" \t\r");
  return s.substr(b, e - b + 1);
}

bool ValidPath(const char* path) {
  // Absolute, no empty, "." or ".." components: an object name never leaves
  // the registry directory.
  return path && path[0] == '/' && QXRegNamesOnly(path + 1);
}

}  // namespace

bool QXRegNamesOnly(const char* path) {
  const std::string p(path ? path : "");
  size_t i = 0;
  while (i <= p.size()) {
    size_t j = p.find('/', i);
    if (j == std::string::npos) j = p.size();
    const std::string part = p.substr(i, j - i);
    if (part.empty() || part == "." || part == "..") return false;
    i = j + 1;
  }
  return true;
}

const char* QXRegistryDirectory() {
  const char* dir = getenv("QX_REGISTRY_DIR");
  return (dir && *dir) ? dir : "/etc/qx/registry";
}

int QXRegGetObjectSimple(const char* path, QXRegObject** object) {
  if (!object) return QXRegBadArgument;
  *object = nullptr;
  if (!ValidPath(path)) return QXRegBadArgument;
  std::string file = std::string(QXRegistryDirectory()) + path;
  return QXRegReadObjectFile(file.c_str(), object);
}

int QXRegReadObjectFile(const char* file, QXRegObject** object) {
  if (!object || !file) return QXRegBadArgument;
  *object = nullptr;
  // Only a regular file is an object: opening without waiting and looking
  // at what was opened keeps a FIFO or a device from blocking the caller.
  const int fd = open(file, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) return errno == ENOENT || errno == ENOTDIR ? QXRegNotFound : QXRegIoError;
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    return QXRegIoError;
  }
  std::string text;
  char buf[4096];
  bool failed = false;
  for (;;) {
    const ssize_t n = read(fd, buf, sizeof buf);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      failed = true;
      break;
    }
    text.append(buf, static_cast<size_t>(n));
    if (static_cast<long>(text.size()) > kMaxObjectBytes) {
      close(fd);
      return QXRegTooLarge;
    }
  }
  close(fd);
  if (failed) return QXRegIoError;

  auto* obj = new QXRegObject;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string line = Trim(text.substr(pos, end - pos));
    pos = end + 1;
    if (line.empty() || line[0] == '#') continue;
    size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    std::string name = Trim(line.substr(0, eq));
    if (name.empty() || line.find('\0') != std::string::npos) continue;
    obj->values.emplace_back(name, Trim(line.substr(eq + 1)));
  }
  *object = obj;
  return QXRegOk;
}

const char* QXRegGetStringValue(const QXRegObject* object, const char* name) {
  if (!object || !name) return nullptr;
  for (const auto& v : object->values)
    if (v.first == name) return v.second.c_str();
  return nullptr;
}

long QXRegGetNumericValue(const QXRegObject* object, const char* name, long defaultValue) {
  const char* text = QXRegGetStringValue(object, name);
  if (!text || !*text) return defaultValue;
  errno = 0;
  char* end = nullptr;
  long v = strtol(text, &end, 10);
  if (errno != 0 || end == text || *end != '\0') return defaultValue;
  return v;
}

void QXRegDestroyObject(QXRegObject* object) { delete object; }

int QXRegGetBooleanValue(const QXRegObject* object, const char* name, int defaultValue) {
  const char* text = QXRegGetStringValue(object, name);
  if (!text) return defaultValue;
  static const char* const yes[] = {"true", "yes", "on", "1"};
  static const char* const no[] = {"false", "no", "off", "0"};
  for (const char* y : yes)
    if (strcasecmp(text, y) == 0) return 1;
  for (const char* n : no)
    if (strcasecmp(text, n) == 0) return 0;
  return defaultValue;
}
