#include "platform/sdk/NLSLocate.h"

#include <sys/stat.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/QXRegistry.h"

namespace {

const char* Language() {
  for (const char* var : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* v = std::getenv(var);
    if (v && *v) return v;
  }
  return nullptr;
}

bool PlainName(const std::string& s) {
  return !s.empty() && s != "." && s != ".." && s.find('/') == std::string::npos;
}

}  // namespace

int QXNLSLocateFile(const char* name, char* buffer, size_t size) {
  if (!name || !buffer || !size || !PlainName(name)) return -1;
  const char* lang = Language();
  if (!lang || !PlainName(lang) || !std::strcmp(lang, "C") || !std::strcmp(lang, "POSIX")) return -1;
  std::vector<std::string> tries = {lang};
  std::string base = lang;
  const size_t cut = base.find_first_of(".@");
  if (cut != std::string::npos) tries.push_back(base = base.substr(0, cut));
  const size_t territory = base.find('_');
  if (territory != std::string::npos) tries.push_back(base.substr(0, territory));
  const std::string dir = std::string(QXRegistryDirectory()) + "/nls/";
  for (const std::string& t : tries) {
    if (!PlainName(t)) continue;
    const std::string path = dir + t + "/" + name;
    struct stat st {};
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    if (path.size() >= size) return -1;
    std::memcpy(buffer, path.c_str(), path.size() + 1);
    return 0;
  }
  return -1;
}
