#pragma once
// The modulus 10 and modulus 11 self-check sums of entry fields. Each byte
// from the last leftwards whose low four bits are 0-9 contributes that digit;
// other bytes contribute nothing but still take their weight. A number is
// valid when its sum is 0. A run whose last byte is the Dup character 0x1C
// is not checked (result 0).

// Weights 1, 2, 1, 2 ... from the right; a doubled digit of 5 or more
// counts 2d - 9. The sum modulo 10.
unsigned int SelfCheckModulo10(const unsigned char* bytes, unsigned int count);
// Weights 1, 2, 3, 4, 5, 6, 7, then 2 to 7 again ... from the right. The
// sum modulo 11.
unsigned int SelfCheckModulo11(const unsigned char* bytes, unsigned int count);
