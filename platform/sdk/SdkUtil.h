#pragma once
// The SDK's small utilities.
#include <cstdint>

// A malloc'ed copy (free() it), null for null or when memory runs out.
char* DupString(const char* text);
// 32-bit big-endian numbers at any alignment.
uint32_t ReadBigLong(const unsigned char* bytes);
void WriteBigLong(unsigned char* bytes, uint32_t value);
