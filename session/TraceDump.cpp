#include "session/TraceDump.h"

#include <cstdio>

#include "base/LogMsg.h"

void DumpBytesWithTable(const unsigned char table[256], const unsigned char* data, int length, int level) {
  if (!data || length <= 0) return;
  for (int off = 0; off < length; off += 16) {
    // One line at a time: "%08X    " + 16 x 2 + 4 + " |" + 16 + "|\n".
    char line[96];
    int n = std::snprintf(line, sizeof line, "%08X    ", static_cast<unsigned>(off));
    for (int i = 0; i < 16; ++i) {
      const int at = off + i;
      n += at < length ? std::snprintf(line + n, sizeof line - n, "%02X", data[at])
                       : std::snprintf(line + n, sizeof line - n, "  ");
      if (i % 4 == 3) n += std::snprintf(line + n, sizeof line - n, " ");
    }
    n += std::snprintf(line + n, sizeof line - n, " |");
    for (int i = 0; i < 16; ++i) {
      const int at = off + i;
      char c = ' ';
      if (at < length && data[at] != 0x40) {
        const unsigned char t = table ? table[data[at]] : 0;
        c = (t >= 0x21 && t <= 0x7E) ? static_cast<char>(t) : '.';
      }
      line[n++] = c;
    }
    line[n] = '\0';
    LogMsg(level, "%s|\n", line);
  }
}
