#include "xfront/ColorFiles.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <iterator>

#include "base/LogMsg.h"
#include "xfront/ColorAllocation.h"

namespace {

constexpr int kColors = 22;

const char* const kSchemes[5][kColors] = {
    {"#c0c0c0", "#000000", "#000000", "#666666", "#00ffff", "#00ff00", "#ff99cc", "#ff0000", "#66ffcc", "#ffffcc",
     "#ffff00", "#ffffcc", "#ffffcc", "#00ccff", "#000000", "#66ffcc", "#ffffff", "#000000", "#000000", "#c0c0c0",
     "#cccccc", "#ffffff"},
    {"#c0c0c0", "#000000", "#333333", "#666666", "#00ffff", "#00ff00", "#ff99cc", "#ff0000", "#66ffcc", "#ffffcc",
     "#ffff00", "#ffffcc", "#ffffcc", "#00ccff", "#333333", "#66ffcc", "#ffffff", "#000000", "#000000", "#c0c0c0",
     "#cccccc", "#ffffff"},
    {"#c0c0c0", "#000000", "#c0c0c0", "#999999", "#0033ff", "#008000", "#ff00ff", "#ff0000", "#008080", "#000000",
     "#ffff00", "#000000", "#000000", "#0033ff", "#c0c0c0", "#008080", "#ffffff", "#000000", "#000000", "#999999",
     "#cccccc", "#ffffff"},
    {"#f5deb3", "#0000cc", "#f5deb3", "#ffffcc", "#0000cc", "#008000", "#ff9966", "#ff0000", "#00cccc", "#000000",
     "#cc9900", "#000000", "#000000", "#0000cc", "#f5deb3", "#00cccc", "#ffffff", "#000000", "#000000", "#ffffcc",
     "#f5deb3", "#ffffff"},
    {"#ccdcff", "#0000ff", "#ccdcff", "#66ccff", "#3333ff", "#008000", "#cc6699", "#ff0000", "#009999", "#000000",
     "#ffff00", "#000000", "#000000", "#0000ff", "#ccdcff", "#009999", "#ffffff", "#000000", "#000000", "#66ccff",
     "#ccdcff", "#ffffff"},
};

// Lines as a 255-byte line reader sees them; a longer line counts as two.
std::vector<std::string> Lines(const std::string& text, size_t limit) {
  std::vector<std::string> lines;
  std::string line;
  for (char c : text) {
    line += c;
    if (c == '\n' || line.size() >= limit - 1) {
      lines.push_back(line);
      line.clear();
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

std::string StripLineEnd(std::string s) {
  if (!s.empty() && s.back() == '\n') s.pop_back();
  if (!s.empty() && s.back() == '\r') s.pop_back();
  return s;
}

}  // namespace

const char* const* BuiltInColorScheme(ColorSchemeId id) {
  const int i = static_cast<int>(id);
  return kSchemes[i >= 0 && i < 5 ? i : 0];
}

bool ValidColorSpec(const std::string& spec) {
  if (spec.size() != 7 && spec.size() != 13) return false;
  if (spec[0] != '#') return false;
  for (size_t i = 1; i < spec.size(); ++i)
    if (!std::isxdigit(static_cast<unsigned char>(spec[i]))) return false;
  return true;
}

int BasicColorFileScheme(const std::string& text) {
  const std::vector<std::string> lines = Lines(text, 256);
  if (lines.size() < 3) return -1;
  const std::string third = StripLineEnd(lines[2]);
  const size_t hash = third.find('#');
  if (hash == std::string::npos || third.size() - hash - 1 < 6) return -1;
  const std::string v = third.substr(hash + 1);
  if (v[0] == '0') return static_cast<int>(ColorSchemeId::Black);
  if (v[0] == '3') return static_cast<int>(ColorSchemeId::DarkGrey);
  if (v[0] == 'b' || v.compare(0, 2, "c0") == 0) return static_cast<int>(ColorSchemeId::Grey);
  if (v[0] == 'f') return static_cast<int>(ColorSchemeId::Wheat);
  if (v.compare(0, 2, "c4") == 0 || v.compare(0, 2, "cc") == 0) return static_cast<int>(ColorSchemeId::LightBlue);
  return -1;
}

bool ParseAdvancedColorFile(const std::string& text, std::vector<std::string>* specs) {
  const std::vector<std::string> lines = Lines(text, 256);
  if (lines.size() < kColors) return false;
  std::vector<std::string> out;
  for (int i = 0; i < kColors; ++i) {
    const std::string line = StripLineEnd(lines[i]);
    const size_t hash = line.find('#');
    if (hash == std::string::npos) return false;
    const std::string spec = line.substr(hash);
    if (spec.size() < 5 || spec.size() > 14 || !ValidColorSpec(spec)) return false;
    out.push_back(spec);
  }
  *specs = out;
  return true;
}

std::vector<char> ColorDirectoryBlock(const std::string& list) {
  std::vector<char> block(list.begin(), list.end());
  std::replace(block.begin(), block.end(), ',', '\0');
  block.push_back('\0');
  block.push_back('\0');
  return block;
}

std::string LastPathComponent(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool ResolveColorFile(const std::string& candidate, bool indirection, ResolvedColorFile* out) {
  std::ifstream in(candidate, std::ios::binary);
  if (!in) return false;
  if (!indirection) {
    out->path = candidate;
    out->advanced = true;
    return true;
  }
  char head[256];
  in.read(head, sizeof head);
  const std::streamsize n = in.gcount();
  if (n <= 0 || head[0] != '/') {
    out->path = candidate;
    out->advanced = false;
    return true;
  }
  std::string name(head, static_cast<size_t>(n));
  const size_t end = name.find('\n');
  if (end == std::string::npos && n == static_cast<std::streamsize>(sizeof head)) {
    LogMsg(LevelError, "%s: xstuff:color file name entry too large so not applied\n", "QWC0062");
    return false;
  }
  name = name.substr(0, end);
  std::ifstream target(name, std::ios::binary);
  if (!target) return false;
  out->path = name;
  out->advanced = true;
  return true;
}
