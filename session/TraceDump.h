#pragma once
// The hex and text dump of the session trace: 16 bytes a line, the text
// column through the session's EBCDIC-to-ASCII table.

// Writes the dump at `level`: "%08X    " offset, each byte "%02X" (two
// spaces past the end), a space after every fourth byte, " |", the 16 bytes
// as text (a table character 0x21-0x7E as itself, EBCDIC 0x40 and bytes past
// the end as a space, anything else "."), "|\n". Nothing for a length of 0
// or less.
void DumpBytesWithTable(const unsigned char table[256], const unsigned char* data, int length, int level);
