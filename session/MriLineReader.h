#pragma once
// Logical lines of a resource file: line ends (LF, CR LF) removed, a line
// that ends in a backslash continued by the next physical line.
#include <cstddef>
#include <cstdio>
#include <string>

class MriLineReader {
 public:
  static constexpr size_t kMaxLogicalLine = 4096;

  enum Result { Line, TooLong, End };

  explicit MriLineReader(FILE* file) : file_(file) {}

  // Line: `line` holds the next logical line. TooLong: a logical line of
  // more than kMaxLogicalLine bytes was read and dropped whole (`line` is
  // empty). End: nothing more.
  Result next(std::string& line);

  // The physical line number (1-based) where the last logical line began.
  int lineNumber() const { return startLine_; }

 private:
  struct Physical {
    std::string text;        // at most the room asked for, line end removed
    bool truncated = false;  // the line held more than that
    bool continues = false;  // its last byte (before the line end) is a backslash
  };
  // One physical line; false at end of file with nothing read.
  bool readPhysical(Physical& out, size_t room);

  FILE* file_;
  int physicalLine_ = 0;
  int startLine_ = 0;
};
