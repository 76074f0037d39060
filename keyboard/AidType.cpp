#include "keyboard/AidType.h"

#include "display/DisplayBag.h"

unsigned int aidType(DisplayBag* display, unsigned char aid) {
  switch (aid) {
    case 0x3F:
      return 2;
    case 0x50: case 0xD9: case 0xDA: case 0xF1: case 0xF4: case 0xF5:
      return 1;
    case 0x6B: case 0x6C: case 0x6E: case 0xBD: case 0xF3: case 0xF8:
      return 4;
    case 0xF6:
      return 3;
    default:
      break;
  }
  if (aid >= 0x70 && aid <= 0x7F) return 4;
  if ((aid >= 0x31 && aid <= 0x3C) || (aid >= 0xB1 && aid <= 0xBC))
    return display->pfKeyMask().isDataRequired(aid) ? 1 : 3;
  return kAidTypeNotAnAid;
}
