// Logical lines of a resource file: line ends, continuations, the length limit.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "session/MriLineReader.h"

namespace {

struct ReadLine {
  MriLineReader::Result result;
  std::string text;
  int lineNumber;
  bool operator==(const ReadLine& o) const {
    return result == o.result && text == o.text && lineNumber == o.lineNumber;
  }
};

std::ostream& operator<<(std::ostream& os, const ReadLine& l) {
  return os << "{" << l.result << ", \"" << l.text << "\", line " << l.lineNumber << "}";
}

std::vector<ReadLine> ReadAll(const std::string& content) {
  std::vector<ReadLine> out;
  // fmemopen refuses an empty buffer: give it one byte it never reaches.
  std::string buf = content.empty() ? std::string(1, '\0') : content;
  FILE* f = fmemopen(&buf[0], content.empty() ? 1 : buf.size(), "r");
  if (!f) return out;
  if (content.empty()) getc(f);
  MriLineReader reader(f);
  std::string line;
  for (int guard = 0; guard < 1000; ++guard) {
    MriLineReader::Result r = reader.next(line);
    if (r == MriLineReader::End) break;
    out.push_back({r, line, reader.lineNumber()});
  }
  fclose(f);
  return out;
}

const MriLineReader::Result L = MriLineReader::Line;
const MriLineReader::Result T = MriLineReader::TooLong;

TEST(MriLineReaderTest, LineEndsAndContinuations) {
  struct Case {
    const char* what;
    std::string content;
    std::vector<ReadLine> expected;
  };
  const std::string max(MriLineReader::kMaxLogicalLine, 'a');
  const std::vector<Case> cases = {
      {"empty file", "", {}},
      {"LF", "a: 1\nb: 2\n", {{L, "a: 1", 1}, {L, "b: 2", 2}}},
      {"CR LF", "a: 1\r\nb: 2\r\n", {{L, "a: 1", 1}, {L, "b: 2", 2}}},
      {"LF CR LF leaves an empty line",
       "a: 1\n\r\nb: 2\n",
       {{L, "a: 1", 1}, {L, "", 2}, {L, "b: 2", 3}}},
      {"no line end at the end", "a: 1\nb: 2", {{L, "a: 1", 1}, {L, "b: 2", 2}}},
      {"continuation", "a: one \\\ntwo\nb: 3\n", {{L, "a: one two", 1}, {L, "b: 3", 3}}},
      {"continuation with CR LF", "a: x\\\r\ny\r\n", {{L, "a: xy", 1}}},
      {"continuation at end of file", "a: x\\\n", {{L, "a: x", 1}}},
      {"inner CR kept", "a: x\ry\n", {{L, "a: x\ry", 1}}},
      {"NUL kept for the line rules",
       std::string("a: x\0y\n", 7),
       {{L, std::string("a: x\0y", 6), 1}}},
      {"longest line", max + "\n", {{L, max, 1}}},
      {"one byte too long", max + "b\nc: 1\n", {{T, "", 1}, {L, "c: 1", 2}}},
      {"too long by continuation, dropped whole",
       std::string(3000, 'a') + "\\\n" + std::string(3000, 'b') + "\\\nstill the same line\nd: 4\n",
       {{T, "", 1}, {L, "d: 4", 4}}},
      {"huge physical line",
       std::string(100000, 'z') + "\\\nmore\ne: 5\n",
       {{T, "", 1}, {L, "e: 5", 3}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(ReadAll(c.content), c.expected);
  }
}

}  // namespace
