#include "PrintReaders.h"

#include <cctype>
#include <cstdio>
#include <sstream>

#include "tests/support/ChildProcess.h"
#include "tests/support/TempDir.h"

namespace printtest {

std::string RunGhostscript(const std::string& job, const std::string& device, bool* ok) {
  qwtest::TempDir dir;
  const std::string file = dir.WriteFile("job.ps", job);
  qwtest::ChildProcess gs;
  const bool started = gs.Start({"gs", "-q", "-dSAFER", "-dBATCH", "-dNOPAUSE", "-sDEVICE=" + device,
                                 "-sOutputFile=-", file},
                                qwtest::ChildProcess::BaseEnvironment());
  if (!started) {
    if (ok) *ok = false;
    return {};
  }
  const bool ended = gs.WaitExit(60000);
  gs.Pump();
  if (ok) *ok = ended && gs.ExitCode() == 0;
  return gs.Stdout() + gs.Stderr();
}

std::vector<std::string> GhostscriptText(const std::string& job) {
  std::vector<std::string> lines;
  std::istringstream in(RunGhostscript(job, "txtwrite"));
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

bool GhostscriptBoundingBox(const std::string& job, double box[4]) {
  std::istringstream in(RunGhostscript(job, "bbox"));
  std::string line;
  while (std::getline(in, line)) {
    if (std::sscanf(line.c_str(), "%%%%HiResBoundingBox: %lf %lf %lf %lf", &box[0], &box[1], &box[2], &box[3]) == 4)
      return true;
  }
  return false;
}

bool ParsePcl(const std::string& job, std::vector<PclItem>& items, std::string* error) {
  auto fail = [&](const std::string& why, std::size_t at) {
    if (error) *error = why + " at byte " + std::to_string(at);
    return false;
  };
  std::size_t i = 0;
  std::string text;
  auto flushText = [&]() {
    if (!text.empty()) items.push_back({PclItem::Text, "", "", 0, text});
    text.clear();
  };
  while (i < job.size()) {
    if (job[i] != '\x1B') {
      text += job[i++];
      continue;
    }
    flushText();
    const std::size_t start = i++;
    if (i >= job.size()) return fail("ESC at the end", start);
    const char c = job[i];
    // Two-character sequences: ESC E, ESC 9, ESC Y, ...
    if (c >= '0' && c <= '~' && !(c == '%' || c == '&' || c == '*' || c == '(' || c == ')')) {
      items.push_back({PclItem::Escape, std::string(1, c), "", 0, ""});
      ++i;
      continue;
    }
    if (c != '%' && c != '&' && c != '*' && c != '(' && c != ')') return fail("unknown escape", start);
    ++i;
    std::string group(1, c);
    // The group character (lower case) follows, except for "%" and for
    // symbol-set selections such as ESC ( 8 U.
    if (i < job.size() && job[i] >= 'a' && job[i] <= 'z') group += job[i++];
    for (;;) {
      std::string value;
      while (i < job.size() && (std::isdigit(static_cast<unsigned char>(job[i])) || job[i] == '.' || job[i] == '+' ||
                                job[i] == '-'))
        value += job[i++];
      if (i >= job.size()) return fail("unterminated escape", start);
      const char t = job[i++];
      if (t >= 'a' && t <= 'z') {
        items.push_back({PclItem::Escape, group, value, static_cast<char>(t - 32), ""});
        continue;
      }
      if (t < '@' || t > 'Z') return fail("bad terminator", i - 1);
      PclItem item{PclItem::Escape, group, value, t, ""};
      if ((group == "*b" || group == "*v") && t == 'W') {
        const std::size_t n = value.empty() ? 0 : std::stoul(value);
        if (i + n > job.size()) return fail("raster row passes the end", start);
        if (group == "*b") item.kind = PclItem::Raster;
        item.data = job.substr(i, n);
        i += n;
      }
      items.push_back(item);
      break;
    }
  }
  flushText();
  return true;
}

std::string ExpandPclRunLength(const std::string& data) {
  std::string out;
  for (std::size_t i = 0; i + 1 < data.size(); i += 2)
    out.append(static_cast<unsigned char>(data[i]) + 1u, data[i + 1]);
  return out;
}

}  // namespace printtest
