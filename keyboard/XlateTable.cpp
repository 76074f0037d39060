#include "keyboard/XlateTable.h"

XlateTable::XlateTable(unsigned char** builtIn) : builtIn_(builtIn) {
  while (builtIn_ && builtIn_[count_]) ++count_;
}

unsigned char** BuiltInXlateTables() {
  static unsigned char* none[] = {nullptr};
  return none;
}
