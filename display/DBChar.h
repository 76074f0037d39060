#pragma once
// A character handed to field editing: a single-byte EBCDIC character in the
// low byte (the high byte 0), or a double-byte character.
typedef unsigned short DBChar;

inline unsigned char SingleByteOf(DBChar c) { return static_cast<unsigned char>(c & 0xFF); }
