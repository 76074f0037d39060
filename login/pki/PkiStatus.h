#pragma once
// Result codes of the public-key toolkit: 0 success, else one of these.
constexpr int kPkiOk = 0;
constexpr int kPkiSignatureMismatch = 256;   // a correct block over another digest
constexpr int kPkiNotInitialised = 514;      // algorithm object not initialised
constexpr int kPkiMemory = 518;
constexpr int kPkiLowerLayer = 520;          // any library failure without a code of its own
constexpr int kPkiBlockFormat = 524;         // bad PKCS #1 block, or data too long for it
constexpr int kPkiInputTooLong = 525;
constexpr int kPkiNoKey = 529;               // the object holds no key
constexpr int kPkiModulusTooLarge = 533;     // key modulus above 1,024 bits
constexpr int kPkiOutputTooSmall = 536;
constexpr int kPkiDerError = 0xFFFF;         // malformed DER, or an algorithm other than MD5
