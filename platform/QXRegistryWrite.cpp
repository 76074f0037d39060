#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/QXRegObject.h"
#include "platform/QXRegistry.h"

namespace {

bool Blank(char c) { return c == ' ' || c == '\t'; }

// Text that reads back as written: no line ends, no '=' in a name, no
// blanks at either end.
bool Storable(const char* s, bool name) {
  if (!s) return false;
  const size_t n = std::strlen(s);
  if (n && (Blank(s[0]) || Blank(s[n - 1]))) return false;
  for (size_t i = 0; i < n; ++i)
    if (s[i] == '\n' || s[i] == '\r' || (name && s[i] == '=')) return false;
  return !name || (n && s[0] != '#');
}

bool MakeParents(const std::string& file) {
  for (size_t i = 1; i < file.size(); ++i) {
    if (file[i] != '/') continue;
    const std::string dir = file.substr(0, i);
    if (mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) return false;
  }
  return true;
}

}  // namespace

QXRegObject* QXRegCreateObject() { return new QXRegObject; }

int QXRegSetStringValue(QXRegObject* object, const char* name, const char* value) {
  if (!object || !Storable(name, true) || !Storable(value, false)) return QXRegBadArgument;
  for (auto& v : object->values)
    if (v.first == name) {
      v.second = value;
      return QXRegOk;
    }
  object->values.emplace_back(name, value);
  return QXRegOk;
}

int QXRegSetNumericValue(QXRegObject* object, const char* name, long value) {
  char text[32];
  std::snprintf(text, sizeof text, "%ld", value);
  return QXRegSetStringValue(object, name, text);
}

int QXRegSetBooleanValue(QXRegObject* object, const char* name, int value) {
  return QXRegSetStringValue(object, name, value ? "true" : "false");
}

int QXRegEnumObject(const QXRegObject* object, int index, const char** name, const char** value) {
  if (!object || index < 0 || !name || !value) return QXRegBadArgument;
  if (static_cast<size_t>(index) >= object->values.size()) return QXRegNotFound;
  *name = object->values[static_cast<size_t>(index)].first.c_str();
  *value = object->values[static_cast<size_t>(index)].second.c_str();
  return QXRegOk;
}

int QXRegSetObjectSimple(const char* path, const QXRegObject* object) {
  if (!object || !path || path[0] != '/' || !QXRegNamesOnly(path + 1)) return QXRegBadArgument;
  const std::string file = std::string(QXRegistryDirectory()) + path;
  if (!MakeParents(file)) return QXRegIoError;
  std::string text;
  for (const auto& v : object->values) text += v.first + " = " + v.second + "\n";
  const std::string temp = file + ".new";
  unlink(temp.c_str());
  const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return QXRegIoError;
  size_t done = 0;
  bool ok = true;
  while (ok && done < text.size()) {
    const ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    ok = n > 0;
    if (ok) done += static_cast<size_t>(n);
  }
  if (close(fd) != 0 || !ok || rename(temp.c_str(), file.c_str()) != 0) {
    unlink(temp.c_str());
    return QXRegIoError;
  }
  return QXRegOk;
}
