#include "print/PrinterDefinitionFile.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <memory>

#include "base/LogMsg.h"

namespace {

// Word characters: printable, other than "=" and ",".
bool IsWordChar(unsigned char c) { return std::isgraph(c) && c != '=' && c != ','; }

struct Token {
  std::string word;
  bool comma = false;  // a comma follows it
};

struct Line {
  unsigned number = 0;
  std::vector<Token> tokens;
};

struct Failure {
  unsigned line;
  std::string message;
};

// Splits the text into lines of words. Comments ("/*" to "*/", across lines
// too) are dropped; an unterminated one runs to the end of the text.
bool SplitLines(const char* text, std::size_t length, std::vector<Line>& lines, Failure& failure) {
  Line current;
  current.number = 1;
  std::size_t i = 0;
  auto endLine = [&]() {
    lines.push_back(std::move(current));
    current = Line{};
    current.number = lines.back().number + 1;
  };
  while (i < length) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == '\n') {
      endLine();
      ++i;
      continue;
    }
    if (c == '/' && i + 1 < length && text[i + 1] == '*') {
      i += 2;
      while (i < length && !(text[i] == '*' && i + 1 < length && text[i + 1] == '/')) {
        if (text[i] == '\n') endLine();
        ++i;
      }
      i = i < length ? i + 2 : length;
      continue;
    }
    if (c == ',') {
      if (!current.tokens.empty()) current.tokens.back().comma = true;
      ++i;
      continue;
    }
    if (!IsWordChar(c)) {
      ++i;
      continue;
    }
    std::size_t start = i;
    while (i < length && IsWordChar(static_cast<unsigned char>(text[i])) &&
           !(text[i] == '/' && i + 1 < length && text[i + 1] == '*'))
      ++i;
    if (i - start > pdf_limits::kMaxWord) {
      failure = {current.number, "a word is longer than 99 characters"};
      return false;
    }
    current.tokens.push_back(Token{std::string(text + start, i - start), false});
  }
  if (!current.tokens.empty()) lines.push_back(std::move(current));
  return true;
}

// The value items of a line from `first` on: up to the end of the line, or
// up to and including the first item that a comma follows.
std::vector<const Token*> ValueItems(const Line& line, std::size_t first) {
  std::vector<const Token*> items;
  for (std::size_t i = first; i < line.tokens.size(); ++i) {
    items.push_back(&line.tokens[i]);
    if (line.tokens[i].comma) break;
  }
  return items;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Two upper-case hexadecimal digits, or -1.
int GetHex(const std::string& w) {
  if (w.size() != 2) return -1;
  const int hi = HexDigit(w[0]), lo = HexDigit(w[1]);
  return hi < 0 || lo < 0 ? -1 : hi * 16 + lo;
}

struct Macro {
  std::string name;
  std::vector<unsigned char> bytes;
};

class Reader {
 public:
  Reader(std::vector<Line>& lines, PrinterDefinition& def) : lines_(lines), def_(def) {}

  // Sections in order; false with failure_ set when the file is refused.
  bool run() {
    std::size_t at = 0;
    while (at < lines_.size() && !(lines_[at].tokens.size() && lines_[at].tokens[0].word == "BEGIN_MACROS")) ++at;
    if (at == lines_.size()) return refuse(lines_.empty() ? 1 : lines_.back().number, "no BEGIN_MACROS");
    ++at;
    if (!readMacros(at)) return false;
    if (!readParameters(at)) return false;
    if (!readCommands(at)) return false;
    return readCharacters(at);
  }

  Failure failure_{0, ""};

 private:
  bool refuse(unsigned line, const std::string& message) {
    failure_ = {line, message};
    return false;
  }

  bool readMacros(std::size_t& at) {
    for (; at < lines_.size(); ++at) {
      const Line& l = lines_[at];
      if (l.tokens.empty()) continue;
      if (l.tokens[0].word == "END_MACROS") {
        ++at;
        return true;
      }
      const std::string& name = l.tokens[0].word;
      if (name.size() > pdf_limits::kMaxMacroName) return refuse(l.number, "a macro name is longer than 8 characters");
      if (macros_.size() >= pdf_limits::kMaxMacros) return refuse(l.number, "more than 90 macros");
      Macro m{name, {}};
      if (!l.tokens[0].comma) {
        // The word after the name is passed over.
        for (const Token* t : ValueItems(l, 2)) {
          const int b = GetHex(t->word);
          if (b < 0) return refuse(l.number, "\"" + t->word + "\" is not a hexadecimal byte");
          if (m.bytes.size() >= pdf_limits::kMaxValue) return refuse(l.number, "a macro is longer than 80 bytes");
          m.bytes.push_back(static_cast<unsigned char>(b));
        }
      }
      macros_.push_back(std::move(m));
    }
    return refuse(lines_.empty() ? 1 : lines_.back().number, "the text ends inside the macros");
  }

  bool readParameters(std::size_t& at) {
    for (; at < lines_.size(); ++at) {
      const Line& l = lines_[at];
      if (l.tokens.empty()) continue;
      const std::string& key = l.tokens[0].word;
      if (key == "START_JOB") return true;
      const int id = pdt::KeywordId(key.c_str());
      if (id < 0 || id >= pdt::kParameterCount) {
        if (DebugFlag()) LogMsg(LevelDebug, "invalid session parm %s\n", key.c_str());
        continue;
      }
      unsigned long value = 0;
      if (l.tokens.size() > 1 && !l.tokens[0].comma) {
        const std::string& v = l.tokens[1].word;
        if (v == "YES") value = 1;
        else if (v == "NO") value = 0;
        else if (v == "LINE") value = 2;
        else if (v == "INCH") value = 3;
        else {
          if (v.size() > 5) return refuse(l.number, "\"" + v + "\" is not a number from 0 to 65535");
          for (char c : v) {
            if (c < '0' || c > '9') return refuse(l.number, "\"" + v + "\" is not a number from 0 to 65535");
            value = value * 10 + static_cast<unsigned long>(c - '0');
          }
          if (value > 0xFFFF) return refuse(l.number, "\"" + v + "\" is not a number from 0 to 65535");
        }
      }
      def_.parameters[id] = static_cast<unsigned short>(value);
      def_.parameterSet[id] = true;
    }
    return true;
  }

  bool append(std::vector<unsigned char>& value, const unsigned char* bytes, std::size_t n, unsigned line) {
    if (value.size() + n > pdf_limits::kMaxValue) return refuse(line, "a value is longer than 80 bytes");
    value.insert(value.end(), bytes, bytes + n);
    return true;
  }

  // The items of a command or character value. An unknown long name stands
  // for `unknown` (two bytes for commands, one for characters).
  bool readValue(const Line& l, std::vector<unsigned char>& value, bool character) {
    if (l.tokens[0].comma) return true;
    for (const Token* t : ValueItems(l, 1)) {
      const std::string& w = t->word;
      if (w.size() == 1) {
        const unsigned char b = static_cast<unsigned char>(w[0]);
        if (!append(value, &b, 1, l.number)) return false;
      } else if (w.size() == 2) {
        const int b = GetHex(w);
        if (b < 0) return refuse(l.number, "\"" + w + "\" is not a hexadecimal byte");
        const unsigned char byte = static_cast<unsigned char>(b);
        if (!append(value, &byte, 1, l.number)) return false;
      } else {
        const int var = pdt::VariableNumber(w.c_str());
        const Macro* macro = nullptr;
        for (const Macro& m : macros_)
          if (m.name == w) macro = &m;
        if (var >= 0) {
          const unsigned char pair[2] = {0xFF, static_cast<unsigned char>(var)};
          if (!append(value, pair, 2, l.number)) return false;
        } else if (macro) {
          if (!append(value, macro->bytes.data(), macro->bytes.size(), l.number)) return false;
        } else if (character) {
          const unsigned char b = 0xFF;
          if (!append(value, &b, 1, l.number)) return false;
        } else {
          const unsigned char pair[2] = {0xFF, 0x01};
          if (!append(value, pair, 2, l.number)) return false;
        }
      }
    }
    return true;
  }

  static bool StartsCharacters(const std::string& w) { return w == "SPACE" || w == "20"; }

  bool readCommands(std::size_t& at) {
    for (; at < lines_.size(); ++at) {
      const Line& l = lines_[at];
      if (l.tokens.empty()) continue;
      const std::string& key = l.tokens[0].word;
      if (StartsCharacters(key)) return true;
      const int id = pdt::KeywordId(key.c_str());
      if (id < pdt::kParameterCount) {
        if (DebugFlag()) LogMsg(LevelDebug, " invalid control parameter %s \n", key.c_str());
        continue;
      }
      std::vector<unsigned char> value;
      if (!readValue(l, value, false)) return false;
      def_.commands[id] = std::move(value);
      def_.commandSet[id] = true;
    }
    return true;
  }

  bool readCharacters(std::size_t& at) {
    for (; at < lines_.size(); ++at) {
      const Line& l = lines_[at];
      if (l.tokens.empty()) continue;
      const std::string& key = l.tokens[0].word;
      int code = pdt::CharacterCode(key.c_str());
      if (code < 0) {
        code = GetHex(key);
        if (code < 0x20) return true;  // the end of the characters and of the reading
      }
      std::vector<unsigned char> value;
      if (!readValue(l, value, true)) return false;
      def_.characters[code] = std::move(value);
      def_.characterSet[code] = true;
    }
    return true;
  }

  std::vector<Line>& lines_;
  PrinterDefinition& def_;
  std::vector<Macro> macros_;
};

}  // namespace

PrinterDefinitionResult ReadPrinterDefinition(const char* text, std::size_t length, PrinterDefinition& out) {
  PrinterDefinitionResult result;
  if (length > pdf_limits::kMaxText) {
    result.line = 1;
    result.message = "the file is larger than 1 MiB";
    return result;
  }
  std::vector<Line> lines;
  Failure failure{0, ""};
  if (!SplitLines(text, length, lines, failure)) {
    result.line = failure.line;
    result.message = failure.message;
    return result;
  }
  auto def = std::make_unique<PrinterDefinition>();
  Reader reader(lines, *def);
  if (!reader.run()) {
    result.line = reader.failure_.line;
    result.message = reader.failure_.message;
    return result;
  }
  out = std::move(*def);
  result.status = PrinterDefinitionResult::Read;
  return result;
}

std::string FindPrinterDefinitionFile(const char* text, std::size_t length, const char* description,
                                      const char* user) {
  if (!description || !user) return {};
  std::size_t at = 0;
  while (at < length) {
    std::size_t end = at;
    while (end < length && text[end] != '\n') ++end;
    std::string line(text + at, end - at);
    at = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.size() > 132) continue;
    std::size_t q1 = line.find('"');
    if (q1 == std::string::npos) continue;
    std::size_t q2 = line.find('"', q1 + 1);
    if (q2 == std::string::npos) continue;
    if (line.compare(q1 + 1, q2 - q1 - 1, description) != 0 || std::strlen(description) != q2 - q1 - 1) continue;
    std::vector<std::string> words;
    std::size_t i = q2 + 1;
    while (i < line.size()) {
      while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i]))) ++i;
      std::size_t s = i;
      while (i < line.size() && !std::isspace(static_cast<unsigned char>(line[i]))) ++i;
      if (i > s) words.push_back(line.substr(s, i - s));
    }
    if (words.size() < 2) continue;
    for (std::size_t u = 1; u < words.size(); ++u) {
      if (DebugFlag()) LogMsg(LevelDebug, "pdt user name = %s\n", words[u].c_str());
      if (words[u] == user || words[u] == "*all") return words[0];
    }
  }
  return {};
}
