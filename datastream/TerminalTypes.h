#pragma once
// The TN5250 display terminal types registered in RFC 1205 (section 2) and
// RFC 2877. A host compares the name the emulator sends with this list
// literally and refuses a 5250 session for any other name.

struct Tn5250TerminalType {
  const char* name;   // as registered, e.g. "IBM-3179-2"
  unsigned int rows;  // the largest screen of the type
  unsigned int columns;
};

// The registered type whose name equals `name` without regard to case; null
// for an unregistered (or null) name.
const Tn5250TerminalType* FindTn5250TerminalType(const char* name);

// The device type and model of a terminal type name ("IBM-3487-HC": 3487
// and "HC "; "IBM-3179-2": 3179 and "002") as the query reply carries them,
// in EBCDIC. False for a name that is not "IBM-", four digits, "-" and a
// model of one to three letters or digits.
bool Tn5250DeviceIdentity(const char* name, unsigned char type[4], unsigned char model[3]);

// The registered types, `*count` of them.
const Tn5250TerminalType* Tn5250TerminalTypes(unsigned int* count);

// The 24 x 80 colour display sent when nothing else is chosen, the 24 x 80
// type a wide type falls back to, and the 27 x 132 colour display.
constexpr const char* kTn5250DefaultType = "IBM-3487-HC";
constexpr const char* kTn5250NarrowType = "IBM-3179-2";
constexpr const char* kTn5250WideType = "IBM-3477-FC";
