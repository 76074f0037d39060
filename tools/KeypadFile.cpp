#include "tools/KeypadFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

#include "base/PrivateFiles.h"

namespace {

constexpr size_t kMaxKeypadFile = 64 * 1024;

bool Space(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

// A decimal number as the C library reads one: leading blanks, a sign,
// digits up to the first other character. Clamped to int; 0 without digits.
long Number(const std::string& s, size_t from = 0) {
  size_t i = from;
  while (i < s.size() && Space(s[i])) ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
  long v = 0;
  for (; i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])); ++i) {
    v = v * 10 + (s[i] - '0');
    if (v > INT_MAX) v = INT_MAX;
  }
  return negative ? -v : v;
}

// Two numbers: the first from the start, the second after the first blank
// (0 when there is no blank).
void TwoNumbers(const std::string& line, long* a, long* b) {
  *a = Number(line);
  const size_t blank = line.find(' ');
  *b = blank == std::string::npos ? 0 : Number(line, blank + 1);
}

int16_t Clamp16(long v) { return static_cast<int16_t>(v < INT16_MIN ? INT16_MIN : v > INT16_MAX ? INT16_MAX : v); }

// The file's lines without their line feeds; false for a line too long.
bool SplitLines(const std::string& text, std::vector<std::string>* lines) {
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    const bool feed = end != std::string::npos;
    if (!feed) end = text.size();
    if (end - at + (feed ? 1 : 0) > kMaxKeypadLine) return false;
    lines->push_back(text.substr(at, end - at));
    at = end + 1;
  }
  return true;
}

// The parameters of one action: each blank ends one; a parameter that
// begins with a double quote runs to the last quote of the text.
std::vector<std::string> SplitParams(const std::string& text) {
  std::vector<std::string> params;
  if (text.empty()) return params;
  size_t i = 0;
  for (;;) {
    if (i < text.size() && text[i] == '"') {
      const size_t last = text.rfind('"');
      if (last > i) {
        if (last == text.size() - 1) {
          params.push_back(text.substr(i + 1, last - i - 1));
          return params;
        }
        params.push_back(text.substr(i + 1, last - i));
        i = last + 1;
        if (i < text.size() && text[i] == ' ') ++i;
        if (i >= text.size()) return params;
        continue;
      }
    }
    const size_t blank = text.find(' ', i);
    if (blank == std::string::npos) {
      params.push_back(text.substr(i));
      return params;
    }
    params.push_back(text.substr(i, blank - i));
    i = blank + 1;
    if (i >= text.size()) {
      params.push_back("");
      return params;
    }
  }
}

}  // namespace

std::vector<ButtonAction> ParseKeypadActions(const std::string& textIn) {
  std::vector<ButtonAction> actions;
  std::string text = textIn;
  while (!text.empty() && Space(text.back())) text.pop_back();
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && Space(text[i])) ++i;
    if (i >= text.size()) break;
    const size_t open = text.find('(', i);
    if (open == std::string::npos) {
      actions.push_back({text.substr(i), {}});
      break;
    }
    ButtonAction a;
    a.name = text.substr(i, open - i);
    while (!a.name.empty() && Space(a.name.back())) a.name.pop_back();
    // The closing parenthesis is the first one outside double quotes.
    size_t close = open + 1;
    bool quoted = false;
    for (; close < text.size(); ++close) {
      if (text[close] == '"') quoted = !quoted;
      else if (text[close] == ')' && !quoted) break;
    }
    const std::string params = text.substr(open + 1, close - open - 1);
    if (a.name == "play") {
      if (!params.empty()) a.params.push_back(params);
    } else {
      a.params = SplitParams(params);
    }
    actions.push_back(std::move(a));
    i = close + 1;
  }
  return actions;
}

bool SplitKeypadButtonLine(const std::string& line, std::string* label, std::string* actions) {
  const size_t colon = line.find(':');
  if (colon == std::string::npos || colon == 0) return false;
  *label = line.substr(0, colon);
  size_t i = colon + 1;
  while (i < line.size() && Space(line[i])) ++i;
  *actions = line.substr(i);
  return true;
}

bool IsEmptyKeypadButtonLine(const std::string& line) { return line.empty() || line == "empty_button: nothing()"; }

KeypadFileError ParseKeypadFile(const std::string& text, KeypadFile* out) {
  *out = KeypadFile();
  std::vector<std::string> lines;
  if (!SplitLines(text, &lines)) return KeypadFileError::kLongLine;
  if (lines.size() < 1) return KeypadFileError::kNoStyle;
  out->style = static_cast<int>(Number(lines[0]));
  if (lines.size() < 2) return KeypadFileError::kNoPosition;
  long x = 0, y = 0;
  TwoNumbers(lines[1], &x, &y);
  out->x = Clamp16(x);
  out->y = Clamp16(y);
  if (lines.size() < 3) return KeypadFileError::kNoGrid;
  long rows = 0, cols = 0;
  TwoNumbers(lines[2], &rows, &cols);
  out->rows = static_cast<int>(rows);
  out->cols = static_cast<int>(cols);
  if (rows < 1 || cols < 1 || rows * cols > kMaxKeypadButtons) return KeypadFileError::kBadGrid;
  if (lines.size() < 4) return KeypadFileError::kNoTextLength;
  const long length = Number(lines[3]);
  if (length < 0 || length > static_cast<long>(kMaxKeypadLine)) return KeypadFileError::kNoTextLength;
  out->textLength = static_cast<int>(length);
  for (size_t i = 4; i < lines.size() && out->buttonLines.size() < static_cast<size_t>(kMaxKeypadButtons); ++i)
    out->buttonLines.push_back(lines[i]);
  return KeypadFileError::kNone;
}

std::string KeypadFileErrorText(KeypadFileError e, const std::string& name, const KeypadFile& k) {
  char text[1024];
  switch (e) {
    case KeypadFileError::kNoStyle: std::snprintf(text, sizeof text, "Error in keypad file %s. No style line.", name.c_str()); break;
    case KeypadFileError::kNoPosition:
      std::snprintf(text, sizeof text, "Error in keypad file %s. No position line.", name.c_str());
      break;
    case KeypadFileError::kNoGrid:
      std::snprintf(text, sizeof text, "Error in keypad file %s. No rows/cols line.", name.c_str());
      break;
    case KeypadFileError::kBadGrid:
      std::snprintf(text, sizeof text, "Error in keypad file %s. line = %d %d. Rows/Cols (%d/%d) invalid.", name.c_str(),
                    k.rows, k.cols, k.rows, k.cols);
      break;
    case KeypadFileError::kNoTextLength:
      std::snprintf(text, sizeof text, "Error in keypad file %s. No text length line.", name.c_str());
      break;
    case KeypadFileError::kLongLine:
      std::snprintf(text, sizeof text, "Error in keypad file %s. A line is longer than %zu characters.", name.c_str(),
                    kMaxKeypadLine - 1);
      break;
    default: return "";
  }
  return text;
}

int KeypadCellCount(const KeypadFile& k) { return k.rows * k.cols + (k.rows == 1 ? 1 : 0); }

bool ReadKeypadFileText(const std::string& path, std::string* text) {
  text->clear();
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > static_cast<off_t>(kMaxKeypadFile)) {
    close(fd);
    return false;
  }
  char buf[4096];
  for (;;) {
    const ssize_t r = read(fd, buf, sizeof buf);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) break;
    text->append(buf, static_cast<size_t>(r));
    if (text->size() > kMaxKeypadFile) break;
  }
  close(fd);
  return text->size() <= kMaxKeypadFile;
}

char KeypadFileStyle(const std::string& path) {
  std::string text;
  if (!ReadKeypadFileText(path, &text) || text.empty()) return 0;
  return text[0];
}

bool RewriteKeypadPosition(const std::string& path, int x, int y, std::string* error) {
  std::string text;
  if (!ReadKeypadFileText(path, &text)) {
    *error = "cannot read " + path;
    return false;
  }
  KeypadFile k;
  const KeypadFileError e = ParseKeypadFile(text, &k);
  if (e != KeypadFileError::kNone) {
    *error = KeypadFileErrorText(e, path, k);
    return false;
  }
  std::vector<std::string> lines;
  SplitLines(text, &lines);
  char head[64];
  std::snprintf(head, sizeof head, "%d\n%d %d\n", k.style, x, y);
  std::string out = head;
  for (size_t i = 2; i < lines.size(); ++i) out += lines[i] + "\n";
  // The file keeps its mode, at most 0644 (others may read a keypad file);
  // a new file beside it is renamed over it.
  struct stat st {};
  const mode_t mode = lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) ? (st.st_mode & kSharedReadFileMode)
                                                                         : kPrivateFileMode;
  const bool ok = ReplaceFileSafely(path, out.data(), out.size(), mode);
  if (!ok) *error = "cannot write " + path + ": " + std::strerror(errno);
  return ok;
}

int Utf8SequenceLength(uint8_t lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

bool ConvertUtf8Text(const std::string& in, bool substitute,
                     bool (*convert)(const char* sequence, size_t length, std::string* out, void* context),
                     void* context, std::string* out) {
  out->clear();
  for (size_t i = 0; i < in.size();) {
    const int n = Utf8SequenceLength(static_cast<uint8_t>(in[i]));
    if (n == 0 || i + static_cast<size_t>(n) > in.size()) return false;
    for (int k = 1; k < n; ++k)
      if ((static_cast<uint8_t>(in[i + k]) & 0xC0) != 0x80) return false;
    std::string piece;
    if (convert(in.data() + i, static_cast<size_t>(n), &piece, context)) {
      *out += piece;
    } else if (substitute) {
      *out += ' ';
    } else {
      return false;
    }
    i += static_cast<size_t>(n);
  }
  return !out->empty();
}
