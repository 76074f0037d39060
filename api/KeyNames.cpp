#include "api/KeyNames.h"

#include <cstring>

namespace {

struct KeyName {
  const char* name;
  unsigned char code;
};

constexpr KeyName kKeyNames[] = {
    {"[enter]", 0x31},        {"[tab]", 0x09},          {"[backtab]", 0x0A},       {"[clear]", 0x30},
    {"[delete]", 0x0F},       {"[delete char]", 0x0F},  {"[eraseeof]", 0x13},      {"[erase eof]", 0x13},
    {"[backspace]", 0x10},    {"[newline]", 0x07},      {"[reset]", 0x36},         {"[up]", 0x03},
    {"[down]", 0x04},         {"[right]", 0x06},        {"[left]", 0x05},          {"[home]", 0x08},
    {"[pf1]", 0x18},          {"[pf2]", 0x19},          {"[pf3]", 0x1A},           {"[pf4]", 0x1B},
    {"[pf5]", 0x1C},          {"[pf6]", 0x1D},          {"[pf7]", 0x1E},           {"[pf8]", 0x1F},
    {"[pf9]", 0x20},          {"[pf10]", 0x21},         {"[pf11]", 0x22},          {"[pf12]", 0x23},
    {"[eof]", 0x0B},          {"[end field]", 0x0B},    {"[pageup]", 0x41},        {"[page up]", 0x41},
    {"[pagedn]", 0x42},       {"[page down]", 0x42},    {"[fldext]", 0x45},        {"[field-]", 0x47},
    {"[field+]", 0x46},       {"[pa1]", 0x32},          {"[pa2]", 0x33},           {"[pa3]", 0x34},
    {"[sysreq]", 0x35},       {"[sys req]", 0x35},      {"[crsel]", 0x3D},         {"[cursor select]", 0x3D},
    {"[attn]", 0x3E},         {"[sys attn]", 0x3E},     {"[dup]", 0x15},           {"[fieldmark]", 0x16},
    {"[field mark]", 0x16},   {"[insert]", 0x0E},       {"[pf13]", 0x24},          {"[pf14]", 0x25},
    {"[pf15]", 0x26},         {"[pf16]", 0x27},         {"[pf17]", 0x28},          {"[pf18]", 0x29},
    {"[pf19]", 0x2A},         {"[pf20]", 0x2B},         {"[pf21]", 0x2C},          {"[pf22]", 0x2D},
    {"[pf23]", 0x2E},         {"[pf24]", 0x2F},         {"[wordright]", 0x0C},     {"[tab word]", 0x0C},
    {"[wordleft]", 0x0D},     {"[backtab word]", 0x0D}, {"[fastleft]", 0x4A},      {"[fast left]", 0x4A},
    {"[fastright]", 0x4B},    {"[fast right]", 0x4B},   {"[dispsosi]", 0x69},      {"[help]", 0x40},
    {"[print]", 0x3F},        {"[erinp]", 0x14},        {"[erase input]", 0x14},   {"[hex]", 0x6D},
    {"[revvideo]", 0x6A},     {"[test]", 0x48},         {"[test request]", 0x48},
};

}  // namespace

int KeystrokeCodeOfName(const std::string& name) {
  for (const KeyName& k : kKeyNames)
    if (name == k.name) return k.code;
  return -1;
}

const char* KeyNameOfCode(unsigned int code) {
  for (const KeyName& k : kKeyNames)
    if (k.code == code) return k.name;
  return nullptr;
}

int KeyNameCount() { return static_cast<int>(sizeof kKeyNames / sizeof kKeyNames[0]); }
