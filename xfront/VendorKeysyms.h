#pragma once
// The vendor keysyms of the emulator's 5250 keyboards. The program's keysym
// database (XKeysymDB beside this file) names them for the X library; the
// values are in the vendor-specific range (bit 28 set).

struct VendorKeysym {
  const char* name;
  unsigned long value;
};

constexpr VendorKeysym kVendorKeysyms[] = {
    {"Z3270_Attn", 0x1007FF01},        {"Z3270_CursorSelect", 0x1007FF02},
    {"Z3270_EraseInput", 0x1007FF03},  {"Z3270_PrintScreen", 0x1007FF04},
    {"Z3270_Play", 0x1007FF05},        {"Z3270_Record", 0x1007FF06},
    {"Z3270_BackTab", 0x1007FF07},     {"Z3270_Duplicate", 0x1007FF08},
    {"Z3270_FieldMark", 0x1007FF09},   {"Z3270_Rule", 0x1007FF0A},
    {"Z3270_Reset", 0x1007FF0B},       {"Z5250_FieldExit", 0x1007FF21},
    {"Z5250_FieldMinus", 0x1007FF22},  {"Z5250_FieldPlus", 0x1007FF23},
    {"Z5250_CharAdvance", 0x1007FF24},
};
