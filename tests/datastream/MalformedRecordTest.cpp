// Records that the data stream refuses: each maps to its negative-response
// sense code, changes no plane or cursor position it should not, and leaves
// the station ready for the next record.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "datastream/DsmSense.h"
#include "tests/datastream/DsmRecords.h"

namespace {

struct Case {
  const char* name;
  std::vector<unsigned int> bytes;
  uint32_t sense;
};

// `head` followed by `count` bytes of `fill`.
std::vector<unsigned int> Filled(std::vector<unsigned int> head, size_t count, unsigned int fill) {
  head.insert(head.end(), count, fill);
  return head;
}

// Write to display at row 5 column 5, then a define selection field
// structure of the given type, flag byte 2, text size, rows, columns and
// cancel AID with the given minor structures; the device parameter 0xF2
// (no indicator column) unless one is given.
std::vector<unsigned int> SelField(unsigned int type, unsigned int flags2, unsigned int textSize,
                                   unsigned int rows, unsigned int columns, unsigned int cancel,
                                   std::vector<unsigned int> minors, unsigned int row = 5,
                                   unsigned int parameter = 0xF2, unsigned int column = 5) {
  const size_t n = 20 + minors.size();
  std::vector<unsigned int> r = {0x04, 0x11, 0, 0, 0x11, row, column, 0x15,
                                 static_cast<unsigned int>(n >> 8), static_cast<unsigned int>(n & 0xFF),
                                 0xD9, 0x50, 0x00, flags2, 0x00, type, parameter, parameter, parameter, 0, 0,
                                 textSize, rows, columns, 0, 0, 0, cancel};
  r.insert(r.end(), minors.begin(), minors.end());
  return r;
}
// A choice text minor with flag byte 1 and the text "Yes".
const std::vector<unsigned int> kYes = {8, 0x10, 0x00, 0x00, 0xE0, 0xE8, 0x85, 0xA2};
std::vector<unsigned int> Plus(std::vector<unsigned int> a, const std::vector<unsigned int>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

const Case kCases[] = {
    // The command level.
    {"escape ends the record", {0x04}, 0x10050121},
    {"no escape", {0xC1, 0xC2}, 0x10050131},
    {"write to display without control characters", {0x04, 0x11}, 0x10050121},
    {"write to display with one control character", {0x04, 0x11, 0x00}, 0x10050121},
    {"read input fields without control characters", {0x04, 0x42, 0x00}, 0x10050121},
    {"command 0x34 in display mode", {0x04, 0x34}, 0x1003011C},
    {"copy to printer", {0x04, 0x16}, 0x10030103},
    {"unknown command", {0x04, 0x99}, 0x10030101},
    {"save screen not last", {0x04, 0x02, 0x00}, 0x10050121},
    {"read screen not last", {0x04, 0x62, 0x00}, 0x10050121},
    {"read immediate not last", {0x04, 0x72, 0x04, 0x40}, 0x10050121},
    {"clear unit alternate without its parameter", {0x04, 0x20}, 0x10050121},
    {"clear unit alternate to 27 x 132 on a 24 x 80 station", {0x04, 0x20, 0x00}, 0x10030101},
    {"clear unit alternate to 32 x 80 on a 24 x 80 station", {0x04, 0x20, 0x01}, 0x10030101},
    {"clear unit alternate to 43 x 80 on a 24 x 80 station", {0x04, 0x20, 0x02}, 0x10030101},
    {"clear unit alternate, unknown parameter", {0x04, 0x20, 0x05}, 0x10030105},
    // Save, restore and the display control commands.
    {"save partial with four parameter bytes", {0x04, 0x03, 0x00, 25, 126, 25}, 0x10050110},
    {"save partial row beyond 25", {0x04, 0x03, 0x00, 26, 1, 1, 1}, 0x10050121},
    {"save partial column beyond 126", {0x04, 0x03, 0x00, 1, 1, 1, 127}, 0x10050121},
    {"save partial then save in one record", {0x04, 0x03, 0x00, 1, 1, 1, 1, 0x04, 0x02}, 0x10050134},
    {"restore without its length", {0x04, 0x12}, 0x10050127},
    {"restore of length 9", {0x04, 0x12, 0x00, 0x09, 0, 0, 0, 0, 0}, 0x10050127},
    {"restore longer than the record", {0x04, 0x13, 0x00, 0x20, 0, 0, 0, 0, 0, 0}, 0x10050127},
    {"restore with a bad frame check", {0x04, 0x13, 0x00, 0x0A, 0, 0, 0, 0, 0, 0}, 0x10050127},
    {"write error code starting with an escape", {0x04, 0x21, 0x04, 0x40}, 0x10050121},
    {"write error code to window from column 0", {0x04, 0x22, 0, 10, 0xC1}, 0x10050132},
    {"write error code to window to column 1", {0x04, 0x22, 1, 1, 0xC1}, 0x10050132},
    {"write error code to window beyond the row", {0x04, 0x22, 1, 81, 0xC1}, 0x10050132},
    {"write error code to window cut short", {0x04, 0x22, 1, 10}, 0x10050121},
    {"roll cut short", {0x04, 0x23, 0x01, 2}, 0x10050121},
    {"roll from row 0", {0x04, 0x23, 0x01, 0, 5}, 0x1005012C},
    {"roll top not above bottom", {0x04, 0x23, 0x01, 5, 5}, 0x1005012C},
    {"roll below the screen", {0x04, 0x23, 0x01, 2, 25}, 0x1005012C},
    {"roll by more than its rows", {0x04, 0x23, 0x84, 2, 5}, 0x1005012C},
    {"graphic character load on a single-byte display", {0x04, 0x31, 0, 0, 0xF1, 0x00, 0}, 0x10030101},
    {"customisation of length 7", {0x04, 0xF4, 0x00, 0x07, 0xD9, 0x71, 0x00, 0x00, 0x00}, 0x10050110},
    {"customisation of length 8", {0x04, 0xF4, 0x00, 0x08, 0xD9, 0x71, 0x00, 0x00, 0x00, 0x00}, 0x10050110},
    {"customisation with flag bit 7", {0x04, 0xF4, 0x00, 0x06, 0xD9, 0x71, 0x80, 0x00}, 0x10050112},
    {"customisation subfield of length 0", {0x04, 0xF4, 0x00, 0x09, 0xD9, 0x71, 0x00, 0x00, 0x00, 1, 1},
     0x10050110},
    {"customisation subfield past its end", {0x04, 0xF4, 0x00, 0x09, 0xD9, 0x71, 0x00, 0x00, 0x04, 1, 1},
     0x10050110},
    {"structured field of length 0", {0x04, 0xF3, 0x00, 0x00, 0xD9, 0x70}, 0x10050110},
    // Set buffer address.
    {"SBA cut short", {0x04, 0x11, 0x00, 0x00, 0x11, 0x05}, 0x10050121},
    {"SBA row 0", {0x04, 0x11, 0x00, 0x00, 0x11, 0x00, 0x05}, 0x10050122},
    {"SBA row beyond the screen", {0x04, 0x11, 0x00, 0x00, 0x11, 25, 0x01}, 0x10050122},
    {"SBA column beyond the screen", {0x04, 0x11, 0x00, 0x00, 0x11, 0x01, 81}, 0x10050122},
    {"SBA column 0 on row 2", {0x04, 0x11, 0x00, 0x00, 0x11, 0x02, 0x00}, 0x10050122},
    {"SBA row 1 column 0 before data", {0x04, 0x11, 0x00, 0x00, 0x11, 0x01, 0x00, 0xC1}, 0x10050122},
    // Repeat to address.
    {"RA before the display address", {0x04, 0x11, 0x00, 0x00, 0x11, 5, 10, 0x02, 5, 5, 0x5C}, 0x10050123},
    {"RA row beyond the screen", {0x04, 0x11, 0x00, 0x00, 0x02, 25, 1, 0x5C}, 0x10050122},
    {"RA column 0", {0x04, 0x11, 0x00, 0x00, 0x02, 2, 0, 0x5C}, 0x10050122},
    {"RA without its character", {0x04, 0x11, 0x00, 0x00, 0x02, 5, 5}, 0x10050121},
    // Erase to address.
    {"EA with no types", {0x04, 0x11, 0x00, 0x00, 0x03, 2, 1, 0x01, 0x00}, 0x10050110},
    {"EA with five types", {0x04, 0x11, 0x00, 0x00, 0x03, 2, 1, 0x06, 0, 1, 2, 3, 0xFF}, 0x10050110},
    {"EA type 4", {0x04, 0x11, 0x00, 0x00, 0x03, 2, 1, 0x02, 0x04}, 0x1005012D},
    {"EA good type then bad", {0x04, 0x11, 0x00, 0x00, 0x03, 2, 1, 0x03, 0x00, 0x09}, 0x1005012D},
    {"EA types cut short", {0x04, 0x11, 0x00, 0x00, 0x03, 2, 1, 0x03, 0x00}, 0x10050121},
    {"EA before the display address", {0x04, 0x11, 0x00, 0x00, 0x11, 3, 1, 0x03, 2, 1, 0x02, 0x00}, 0x10050123},
    // Cursor orders.
    {"IC column 0", {0x04, 0x11, 0x00, 0x00, 0x13, 2, 0}, 0x10050122},
    {"IC cut short", {0x04, 0x11, 0x00, 0x00, 0x13, 2}, 0x10050121},
    {"MC row beyond the screen", {0x04, 0x11, 0x00, 0x00, 0x14, 30, 1}, 0x10050122},
    // Write extended attribute.
    {"WEA type 4", {0x04, 0x11, 0x00, 0x00, 0x12, 0x04, 0x80}, 0x1005012D},
    {"WEA type 5", {0x04, 0x11, 0x00, 0x00, 0x12, 0x05, 0x80}, 0x1005012F},
    {"WEA primary value 0x40", {0x04, 0x11, 0x00, 0x00, 0x12, 0x01, 0x40}, 0x1005012F},
    {"WEA colour value 0x90", {0x04, 0x11, 0x00, 0x00, 0x12, 0x03, 0x90}, 0x1005012F},
    {"WEA cut short", {0x04, 0x11, 0x00, 0x00, 0x12, 0x01}, 0x10050121},
    // A null at the last display position moves the address onto the message line.
    {"WEA on the message line", {0x04, 0x11, 0x00, 0x00, 0x11, 24, 80, 0x00, 0x12, 0x01, 0x80}, 0x10050110},
    // Data.
    {"data past the last display position", {0x04, 0x11, 0x00, 0x00, 0x11, 24, 79, 0xC1, 0xC2, 0xC3}, 0x1005012A},
    // Transparent data.
    {"TD longer than the record", {0x04, 0x11, 0x00, 0x00, 0x10, 0x00, 0x05, 0xC1}, 0x10050110},
    {"TD with one length byte", {0x04, 0x11, 0x00, 0x00, 0x10, 0x00}, 0x10050110},
    {"TD order ends the record", {0x04, 0x11, 0x00, 0x00, 0x10}, 0x10050121},
    {"TD past the screen", {0x04, 0x11, 0x00, 0x00, 0x11, 24, 80, 0x10, 0x00, 0x60}, 0x1005012A},
    {"TD into the message line", Filled({0x04, 0x11, 0x00, 0x00, 0x11, 24, 80, 0x10, 0x00, 80}, 80, 0xC1), 0x1005012A},
    {"TD of two at the last display position", {0x04, 0x11, 0x00, 0x00, 0x11, 24, 80, 0x10, 0x00, 0x02, 0xC1, 0xC2},
     0x1005012A},
    // Start of header.
    {"SOH length 0", {0x04, 0x11, 0x00, 0x00, 0x01, 0x00}, 0x1005012B},
    {"SOH length 8", {0x04, 0x11, 0x00, 0x00, 0x01, 0x08, 0, 0, 0, 0, 0, 0, 0, 0}, 0x1005012B},
    {"SOH cut short", {0x04, 0x11, 0x00, 0x00, 0x01, 0x03, 0x00}, 0x10050121},
    {"SOH order ends the record", {0x04, 0x11, 0x00, 0x00, 0x01}, 0x10050121},
    // Orders interpreted by later machines.
    {"start field attribute outside 0x20-0x3F", {0x04, 0x11, 0x00, 0x00, 0x1D, 0x1F, 0x00, 0x05}, 0x10050130},
    {"structured field order of length 0", {0x04, 0x11, 0x00, 0x00, 0x15, 0x00, 0x00, 0xD9, 0x52}, 0x10050110},
    // Windows, mouse buttons, GUI removal and grid lines: refused before
    // anything on the screen changes.
    {"create window shorter than its header", {0x04, 0x11, 0, 0, 0x11, 5, 5, 0x15, 0x00, 0x08, 0xD9, 0x51, 0, 0, 0, 2}, 0x10050110},
    {"create window wider than the screen", {0x04, 0x11, 0, 0, 0x11, 5, 5, 0x15, 0x00, 0x09, 0xD9, 0x51, 0, 0, 0, 2, 80}, 0x10050112},
    {"create window deeper than the screen", {0x04, 0x11, 0, 0, 0x11, 5, 5, 0x15, 0x00, 0x09, 0xD9, 0x51, 0, 0, 0, 19, 10}, 0x10050112},
    {"create window of depth 0", {0x04, 0x11, 0, 0, 0x11, 5, 5, 0x15, 0x00, 0x09, 0xD9, 0x51, 0, 0, 0, 0, 10}, 0x10050112},
    {"create window on the last rows", {0x04, 0x11, 0, 0, 0x11, 23, 1, 0x15, 0x00, 0x09, 0xD9, 0x51, 0, 0, 0, 1, 10}, 0x10050112},
    {"create window with a minor of length 0", {0x04, 0x11, 0, 0, 0x11, 5, 5, 0x15, 0x00, 0x0B, 0xD9, 0x51, 0, 0, 0, 2, 10, 0x00, 0x01}, 0x10050110},
    {"create window with a minor of length 1", {0x04, 0x11, 0, 0, 0x11, 5, 5, 0x15, 0x00, 0x0B, 0xD9, 0x51, 0, 0, 0, 2, 10, 0x01, 0x01}, 0x10050110},
    {"create window with a minor beyond it", {0x04, 0x11, 0, 0, 0x11, 5, 5, 0x15, 0x00, 0x0C, 0xD9, 0x51, 0, 0, 0, 2, 10, 0x04, 0x01, 0x00, 0x01, 0x00}, 0x10050110},
    {"create window with a border minor of length 3", {0x04, 0x11, 0, 0, 0x11, 5, 5, 0x15, 0x00, 0x0C, 0xD9, 0x51, 0, 0, 0, 2, 10, 0x03, 0x01, 0x00}, 0x10050113},
    {"create window with a border minor of length 14", Filled({0x04, 0x11, 0, 0, 0x11, 5, 5, 0x15, 0x00, 0x17, 0xD9, 0x51, 0, 0, 0, 2, 10, 0x0E, 0x01}, 12, 0x4B), 0x10050113},
    {"create window with an empty title", {0x04, 0x11, 0, 0, 0x11, 5, 5, 0x15, 0x00, 0x0F, 0xD9, 0x51, 0, 0, 0, 2, 10, 0x06, 0x10, 0, 0, 0, 0}, 0x10050113},
    {"create window with a title longer than the record", {0x04, 0x11, 0, 0, 0x11, 5, 5, 0x15, 0x00, 0x0F, 0xD9, 0x51, 0, 0, 0, 2, 10, 0x20, 0x10, 0, 0, 0, 0}, 0x10050127},
    {"create window with a title past it but within the record", {0x04, 0x11, 0, 0, 0x11, 5, 5, 0x15, 0x00, 0x0F, 0xD9, 0x51, 0, 0, 0, 2, 10, 0x08, 0x10, 0, 0, 0, 0, 0xC1, 0xC1}, 0x10050110},
    {"create window cut short", {0x04, 0x11, 0, 0, 0x11, 5, 5, 0x15, 0x00, 0x10, 0xD9, 0x51, 0, 0, 0, 2, 10}, 0x10050121},
    {"mouse buttons with two spare bytes", {0x04, 0x11, 0, 0, 0x15, 0x00, 0x0D, 0xD9, 0x55, 0, 0, 0, 0x00, 0x01, 0x00, 0xF1, 0, 0}, 0x10050110},
    {"mouse buttons of length 8", {0x04, 0x11, 0, 0, 0x15, 0x00, 0x08, 0xD9, 0x55, 0, 0, 0, 0}, 0x10050110},
    {"remove GUI window of length 6", {0x04, 0x11, 0, 0, 0x15, 0x00, 0x06, 0xD9, 0x59, 0, 0}, 0x10050110},
    {"remove GUI selection field of length 7", {0x04, 0x11, 0, 0, 0x15, 0x00, 0x07, 0xD9, 0x58, 0, 0, 0}, 0x10050110},
    {"remove all GUI constructs of length 8", {0x04, 0x11, 0, 0, 0x15, 0x00, 0x08, 0xD9, 0x5F, 0x80, 0, 0, 0}, 0x10050110},
    {"grid lines of length 4", {0x04, 0x11, 0, 0, 0x15, 0x00, 0x04, 0xD9, 0x60}, 0x10050112},
    {"erase grid lines of length 10", {0x04, 0x11, 0, 0, 0x15, 0x00, 0x0A, 0xD9, 0x61, 0, 0, 0, 0, 0, 0}, 0x10050121},
    {"grid lines", {0x04, 0x11, 0, 0, 0x15, 0x00, 0x08, 0xD9, 0x60, 0, 0, 0, 0}, 0x10050153},
    // Selection fields: the whole definition is checked before the field is built.
    {"selection field shorter than 24 bytes",
     {0x04, 0x11, 0, 0, 0x11, 5, 5, 0x15, 0x00, 0x17, 0xD9, 0x50, 0, 0, 0, 0x21, 0, 0, 0, 0, 0, 3, 1, 1, 0, 0, 0, 0, 0x03, 0x10, 0},
     0x10050110},
    {"selection field cut short", Filled({0x04, 0x11, 0, 0, 0x11, 5, 5, 0x15, 0x00, 0x30, 0xD9, 0x50}, 20, 0), 0x10050121},
    {"selection field of text size 0", SelField(0x21, 0, 0, 1, 1, 0, kYes), 0x10050112},
    {"selection field of 0 rows", SelField(0x21, 0, 3, 0, 1, 0, kYes), 0x10050112},
    {"selection field of 0 columns", SelField(0x21, 0, 3, 1, 0, 0, kYes), 0x10050112},
    {"scrollable menu bar", SelField(0x01, 0x80, 3, 1, 1, 0, kYes), 0x10050112},
    {"selection field cancel key not an AID", SelField(0x21, 0, 3, 1, 1, 0x01, kYes), 0x10050112},
    {"selection field minor of length 0", SelField(0x21, 0, 3, 1, 1, 0, {0x00, 0x10, 0, 0, 0xE0}), 0x10050110},
    {"selection field minor of length 1", SelField(0x21, 0, 3, 1, 1, 0, {0x01, 0x10, 0, 0, 0xE0}), 0x10050110},
    {"selection field minor past its end", SelField(0x21, 0, 3, 1, 1, 0, {0x06, 0x10, 0, 0, 0xE0}), 0x10050110},
    {"choice text of length 4", SelField(0x21, 0, 3, 1, 1, 0, Plus(kYes, {4, 0x10, 0, 0})), 0x10050110},
    {"choice text items beyond it", SelField(0x21, 0, 3, 1, 1, 0, {6, 0x10, 0x0E, 0, 0xE0, 0}), 0x10050110},
    {"choice text with three numbers", SelField(0x21, 0, 3, 1, 1, 0, {8, 0x10, 0x03, 0, 0xE0, 0xF1, 0xF2, 0xF3}), 0x10050114},
    {"choice number not a digit", SelField(0x21, 0, 3, 1, 1, 0, {7, 0x10, 0x01, 0, 0xE0, 0xC1, 0xC1}), 0x10050114},
    {"choice number blank when it is the only one", SelField(0x21, 0, 3, 1, 1, 0, {7, 0x10, 0x01, 0, 0xE0, 0x40, 0xC1}), 0x10050114},
    {"selection field without choice text", SelField(0x21, 0, 3, 1, 1, 0, {4, 0x02, 0x00, 0x61}), 0x1005013A},
    {"selection field whose choices are for another display", SelField(0x21, 0, 3, 1, 1, 0, {8, 0x10, 0, 0, 0x00, 0xE8, 0x85, 0xA2}), 0x1005013A},
    {"presentation attributes of length 20", SelField(0x21, 0, 3, 1, 1, 0, Plus(Filled({20, 0x01, 0xE0}, 17, 0x20), kYes)), 0x10050110},
    {"choice indicators of length 7", SelField(0x21, 0, 3, 1, 1, 0, Plus({7, 0x02, 0, 0x61, 0x40, 0x5C, 0}, kYes)), 0x10050110},
    {"menu-bar separator of length 4", SelField(0x01, 0, 3, 1, 1, 0, Plus(kYes, {4, 0x09, 0, 3})), 0x10050110},
    {"menu-bar separator of length 9", SelField(0x01, 0, 3, 1, 1, 0, Plus(kYes, {9, 0x09, 0, 3, 9, 0x22, 0x22, 0x5C, 0})), 0x10050110},
    {"menu-bar separator from column 0", SelField(0x01, 0, 3, 1, 1, 0, Plus(kYes, {5, 0x09, 0, 0, 9})), 0x10050112},
    {"menu-bar separator ending at its start", SelField(0x01, 0, 3, 1, 1, 0, Plus(kYes, {5, 0x09, 0, 5, 5})), 0x10050112},
    {"menu-bar separator beyond the row", SelField(0x01, 0, 3, 1, 1, 0, Plus(kYes, {5, 0x09, 0, 5, 81})), 0x10050112},
    {"menu-bar separator below the last row", SelField(0x01, 0, 3, 1, 1, 0, Plus(kYes, {5, 0x09, 0, 5, 9}), 24), 0x1005013B},
    {"two selected choices in a single-choice field", SelField(0x21, 0, 3, 2, 1, 0, Plus({8, 0x10, 0x40, 0, 0xE0, 0xE8, 0x85, 0xA2}, {8, 0x10, 0x40, 0, 0xE0, 0xE8, 0x85, 0xA2})), 0x1005013D},
    {"more choices than rows and columns", SelField(0x21, 0, 3, 1, 1, 0, Plus(kYes, kYes)), 0x1005013C},
    {"more choices than the menu bar holds", SelField(0x01, 0, 3, 1, 1, 0, Plus(kYes, kYes)), 0x1005013C},
    {"choice beyond the right edge", SelField(0x21, 0, 75, 1, 1, 0, kYes), 0x1005013B},
    {"choices below the last row", SelField(0x21, 0, 3, 2, 1, 0, Plus(kYes, kYes), 24), 0x1005013B},
    {"indicator column for a menu bar", SelField(0x01, 0, 3, 1, 1, 0, kYes, 5, 0x00), 0x10050112},
    {"push buttons for a list", SelField(0x21, 0, 3, 1, 1, 0, kYes, 5, 0x52), 0x10050112},
    {"numeric selection in a list that does not scroll", SelField(0x21, 0, 3, 1, 1, 0, kYes, 5, 0x84), 0x10050112},
    {"scrollable list without its rows and slider", SelField(0x21, 0x80, 3, 1, 1, 0, kYes), 0x10050110},
    {"scrollable list of two rows", SelField(0x21, 0x80, 3, 2, 1, 0, Plus({0, 0, 0, 10, 0, 0, 0, 0}, kYes)), 0x10050139},
    {"scrollable list whose slider passes the total", SelField(0x21, 0x80, 3, 3, 1, 0, Plus({0, 0, 0, 4, 0, 0, 0, 2}, kYes)), 0x10050139},
    {"scrollable list whose bar passes the right edge", SelField(0x21, 0x80, 72, 3, 1, 0, Plus({0, 0, 0, 4, 0, 0, 0, 0}, kYes)), 0x10050138},
    {"indicator column left of the screen", SelField(0x21, 0, 3, 1, 1, 0, kYes, 5, 0x02, 2), 0x1005013B},
};

class Malformed : public ::testing::TestWithParam<Case> {};

TEST_P(Malformed, MapsToItsSenseAndChangesNoPlane) {
  const Case& c = GetParam();
  DsmStation s;
  ASSERT_EQ(s.run(Record().clearUnit().wtd(0, 0x08).sba(3, 1).text("Existing screen").ic(4, 4)), 0u);
  ASSERT_EQ(s.run(Record().wtd(0, 0).sba(2, 1).wea(3, 0x85).text("more")), 0u);
  const std::string before = s.planes();

  std::vector<unsigned char> r(c.bytes.begin(), c.bytes.end());
  EXPECT_EQ(s.run(r), c.sense);
  EXPECT_EQ(s.planes(), before);
  EXPECT_TRUE(s.manager().arena().isEmpty());
  EXPECT_EQ(s.manager().rootMachine().state, 0);
  EXPECT_EQ(s.manager().rootMachine().child, nullptr);
  EXPECT_EQ(s.table().validateFormatTable(nullptr), 0);

  // The next record is interpreted as if nothing had happened.
  ASSERT_EQ(s.run(Record().wtd(0, 0).sba(20, 1).text("after")), 0u);
  EXPECT_EQ(s.screen(s.offset(20, 1), 5), Cp037("after"));
}

INSTANTIATE_TEST_SUITE_P(Records, Malformed, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& info) {
                           std::string n;
                           for (const char* p = info.param.name; *p; ++p)
                             n += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
                           return n;
                         });

// What the orders before the bad one wrote stays on the screen.
TEST(Malformed, OrdersBeforeTheBadOneKeepWhatTheyWrote) {
  DsmStation s;
  ASSERT_EQ(s.run(Record().clearUnit()), 0u);
  EXPECT_EQ(s.run(Record().wtd(0, 0).sba(2, 1).text("kept").sba(0, 1)), dsm_sense::kBadRowColumn);
  EXPECT_EQ(s.screen(s.offset(2, 1), 4), Cp037("kept"));
}

// A rejected record clears the format table (outside word processing).
TEST(Malformed, RejectionClearsTheFormatTable) {
  DsmStation s;
  ASSERT_EQ(s.run(Record().clearUnit()), 0u);
  s.entry(kLTRField, {{100, 109}});
  ASSERT_EQ(s.table().fieldCount(), 1u);
  EXPECT_EQ(s.run(Record().bytes({0x04, 0x99})), dsm_sense::kUnknownCommand);
  EXPECT_EQ(s.table().fieldCount(), 0u);
}

}  // namespace
