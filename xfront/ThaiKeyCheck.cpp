#include "xfront/ThaiKeyCheck.h"

namespace thai {

namespace {

struct Range {
  unsigned char from, to;
  unsigned char keyClass;
};

// Codes from 0x40 up; codes in no range are class 1.
constexpr Range kRanges[] = {
    {0x42, 0x48, 2}, {0x52, 0x58, 2}, {0x62, 0x68, 2}, {0x72, 0x78, 2}, {0x8A, 0x8F, 2}, {0x9A, 0x9A, 2},
    {0x9C, 0x9C, 2}, {0x9E, 0x9F, 2}, {0xAA, 0xAF, 2}, {0xDB, 0xDF, 3}, {0xBB, 0xBB, 4}, {0xBD, 0xBE, 4},
    {0xEA, 0xEA, 5}, {0x9B, 0x9B, 6}, {0x9D, 0x9D, 6}, {0xCE, 0xCE, 8}, {0xCF, 0xCF, 9}, {0xDA, 0xDA, 10},
    {0xED, 0xEF, 12}, {0xFA, 0xFA, 12}, {0xFB, 0xFC, 13}, {0xEC, 0xEC, 14}, {0xBF, 0xBF, 16},
    {0xBC, 0xBC, 17}, {0xCC, 0xCC, 17}, {0xCB, 0xCB, 18}, {0xCD, 0xCD, 18},
};

}  // namespace

int KeyCheckClass(unsigned char code) {
  if (code < 0x40) return 1;
  for (const Range& r : kRanges)
    if (code >= r.from && code <= r.to) return r.keyClass;
  return 1;
}

bool CheckKeySequence(unsigned char code, int* state) {
  if (!state) return true;
  const int c = KeyCheckClass(code);
  switch (c) {
    case 1: case 3: case 4: case 5: case 6:
      *state = 0;
      return true;
    case 2:
      *state = 1;
      return true;
    default:
      break;
  }
  int next = -1;
  switch (*state) {
    case 1:
      if (c == 8 || c == 16) next = 2;
      else if (c == 10 || c == 14 || c == 15 || c == 12 || c == 13) next = 0;
      else if (c == 9 || c == 17) next = 3;
      else if (c == 18) next = 4;
      break;
    case 2:
      if (c == 12 || c == 13) next = 0;
      break;
    case 3:
      if (c == 12) next = 0;
      break;
    case 4:
      if (c == 12 || c == 14) next = 0;
      break;
    default:
      break;
  }
  if (next < 0) return false;
  *state = next;
  return true;
}

}  // namespace thai
