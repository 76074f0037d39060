#include "datastream/TerminalTypes.h"

#include <strings.h>

#include <cctype>
#include <cstring>

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

// An EBCDIC digit, upper-case letter or blank; 0 for anything else.
unsigned char Ebcdic(char c) {
  const unsigned char u = static_cast<unsigned char>(std::toupper(static_cast<unsigned char>(c)));
  if (u >= '0' && u <= '9') return static_cast<unsigned char>(0xF0 + (u - '0'));
  if (u >= 'A' && u <= 'I') return static_cast<unsigned char>(0xC1 + (u - 'A'));
  if (u >= 'J' && u <= 'R') return static_cast<unsigned char>(0xD1 + (u - 'J'));
  if (u >= 'S' && u <= 'Z') return static_cast<unsigned char>(0xE2 + (u - 'S'));
  if (u == ' ') return 0x40;
  return 0;
}

}  // namespace

bool Tn5250DeviceIdentity(const char* name, unsigned char type[4], unsigned char model[3]) {
  if (!name || strncasecmp(name, "IBM-", 4) != 0) return false;
  const char* t = name + 4;
  for (int k = 0; k < 4; ++k)
    if (!std::isdigit(static_cast<unsigned char>(t[k]))) return false;
  if (t[4] != '-') return false;
  const char* m = t + 5;
  const size_t n = std::strlen(m);
  if (n == 0 || n > 3) return false;
  bool digits = true;
  for (size_t k = 0; k < n; ++k) {
    if (!std::isalnum(static_cast<unsigned char>(m[k]))) return false;
    if (!std::isdigit(static_cast<unsigned char>(m[k]))) digits = false;
  }
  // A numbered model is written with leading zeros, a lettered one is
  // padded with blanks.
  char text[4] = {' ', ' ', ' ', '\0'};
  if (digits) {
    std::memcpy(text, "000", 3);
    std::memcpy(text + 3 - n, m, n);
  } else {
    std::memcpy(text, m, n);
  }
  for (int k = 0; k < 4; ++k) type[k] = Ebcdic(t[k]);
  for (int k = 0; k < 3; ++k) model[k] = Ebcdic(text[k]);
  return true;
}

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
