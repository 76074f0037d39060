#pragma once
// The block in which a later start of the program hands its session options
// to the master: 1,348 bytes, strings zero-terminated (absent = empty),
// integers 32-bit big-endian, the Geometry byte for byte.
#include <cstddef>

struct SessionStartOptions;

constexpr size_t kHandoffBlockSize = 1348;
constexpr size_t kHandoffAckOffset = 0;

// Writes the options into the block (acknowledgement 0). Strings are cut to
// their fields; a keypad list longer than its field keeps the names that fit.
void EncodeHandoffBlock(const SessionStartOptions& options, unsigned char (&block)[kHandoffBlockSize]);

// Reads the options from a block another process wrote: every string is
// bounded by its field, and a keypad list whose length, count or names do
// not agree with its bytes is dropped (logged).
void DecodeHandoffBlock(const unsigned char (&block)[kHandoffBlockSize], SessionStartOptions& options);

// The keypad list in the command-line form (16-bit big-endian total length,
// count, zero-terminated names), checked against its own bytes: false when
// the length is out of [3, room], the names do not fill it exactly, or there
// are more than the most names.
bool KeypadListIsWellFormed(const unsigned char* list, size_t room);
