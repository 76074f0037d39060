#pragma once
// The category of an AID byte: 1 and 2 send field data after the screen
// checks, 3 and 4 send no data, 5 is not an AID.
class DisplayBag;

enum : unsigned int { kAidTypeNotAnAid = 5 };

unsigned int aidType(DisplayBag* display, unsigned char aid);
