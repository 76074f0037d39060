#include "session/MriLineReader.h"

bool MriLineReader::readPhysical(Physical& out, size_t room) {
  int c = getc(file_);
  if (c == EOF) return false;
  ++physicalLine_;
  out.text.clear();
  size_t count = 0;
  int last = -1, previous = -1;
  for (; c != EOF && c != '\n'; c = getc(file_)) {
    if (out.text.size() <= room) out.text.push_back(static_cast<char>(c));
    ++count;
    previous = last;
    last = c;
  }
  // A carriage return before the line feed belongs to the line end.
  if (last == '\r') {
    --count;
    last = previous;
  }
  out.truncated = count > room;
  if (out.text.size() > count) out.text.resize(count);
  if (out.text.size() > room) out.text.resize(room);
  out.continues = last == '\\';
  return true;
}

MriLineReader::Result MriLineReader::next(std::string& line) {
  line.clear();
  Physical piece;
  if (!readPhysical(piece, kMaxLogicalLine + 1)) return End;
  startLine_ = physicalLine_;
  bool tooLong = false;
  for (;;) {
    if (!tooLong) {
      if (piece.truncated) {
        tooLong = true;
      } else {
        if (piece.continues) piece.text.pop_back();
        line += piece.text;
        tooLong = line.size() > kMaxLogicalLine;
      }
    }
    // The rest of an over-long line is read up to its true end and dropped.
    if (!piece.continues || !readPhysical(piece, kMaxLogicalLine + 1)) break;
  }
  if (tooLong) {
    line.clear();
    return TooLong;
  }
  return Line;
}
