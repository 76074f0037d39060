#pragma once
// Covers, in a copy of host bytes meant for a trace, the data that a host
// writes right after a start-field order whose attribute hides the field (a
// password the host fills in): the plain data up to the next order, or the
// transparent data that follows the order at once. The bytes may be a whole
// record or raw Telnet input (0xFF 0xEF, the end of a record, ends it).
#include <cstddef>

void MaskNonDisplayFieldWrites(unsigned char* bytes, size_t n, unsigned char maskByte);
