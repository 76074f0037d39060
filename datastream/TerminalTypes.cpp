#include "datastream/TerminalTypes.h"

#include <strings.h>

namespace {

const Tn5250TerminalType kTypes[] = {
    {"IBM-3179-2", 24, 80},    // colour
    {"IBM-3180-2", 27, 132},   // monochrome
    {"IBM-3196-A1", 24, 80},   // monochrome
    {"IBM-3477-FC", 27, 132},  // colour
    {"IBM-3477-FG", 27, 132},  // monochrome
    {"IBM-3486-BA", 24, 80},   // monochrome
    {"IBM-3487-HA", 24, 80},   // monochrome
    {"IBM-3487-HC", 24, 80},   // colour
    {"IBM-5251-11", 24, 80},   // monochrome
    {"IBM-5291-1", 24, 80},    // monochrome
    {"IBM-5292-2", 24, 80},    // colour
    {"IBM-5555-B01", 24, 80},  // double-byte
    {"IBM-5555-C01", 24, 80},  // double-byte colour
};

}  // namespace

const Tn5250TerminalType* FindTn5250TerminalType(const char* name) {
  if (!name) return nullptr;
  for (const Tn5250TerminalType& t : kTypes)
    if (strcasecmp(t.name, name) == 0) return &t;
  return nullptr;
}

const Tn5250TerminalType* Tn5250TerminalTypes(unsigned int* count) {
  if (count) *count = sizeof kTypes / sizeof kTypes[0];
  return kTypes;
}
