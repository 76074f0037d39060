#include "datastream/TelnetSessionLink.h"

#include "base/LogMsg.h"

void TelnetSessionLink::DumpBuff(const unsigned char* data, int length, int level) {
  for (int off = 0; off < length; off += 16) {
    LogMsg(level, "%08X    ", off);
    for (int i = off; i < off + 16 && i < length; ++i) LogMsg(level, "%02X%s", data[i], (i % 4 == 3) ? " " : "");
    LogMsg(level, "\n");
  }
}
