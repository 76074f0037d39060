// The modulus 10 (Luhn) and modulus 11 self-check sums.
#include <gtest/gtest.h>

#include <string>

#include "display/SelfCheckDigits.h"

namespace {
// EBCDIC digits of a decimal string.
std::string Digits(const std::string& s) {
  std::string out;
  for (char c : s) out += static_cast<char>(0xF0 + (c - '0'));
  return out;
}
unsigned int Mod10(const std::string& ebcdic) {
  return SelfCheckModulo10(reinterpret_cast<const unsigned char*>(ebcdic.data()),
                           static_cast<unsigned int>(ebcdic.size()));
}
unsigned int Mod11(const std::string& ebcdic) {
  return SelfCheckModulo11(reinterpret_cast<const unsigned char*>(ebcdic.data()),
                           static_cast<unsigned int>(ebcdic.size()));
}

struct SumCase {
  const char* number;
  unsigned int mod10, mod11;
};
// Expected sums computed independently (weights from the right: 1,2,1,2...
// with digit sums for modulus 10; 1..7 then 2..7 again for modulus 11).
const SumCase kSums[] = {
    {"79927398713", 0, 8},  {"4111111111111111", 0, 10}, {"12345678903", 0, 0},
    {"12345674", 0, 0},     {"987654325", 1, 0},          {"314159268", 8, 0},
    {"1234567", 1, 7},      {"9876543210", 3, 10},        {"0", 0, 0},
};
}  // namespace

TEST(SelfCheckDigits, KnownNumbers) {
  for (const SumCase& c : kSums) {
    EXPECT_EQ(Mod10(Digits(c.number)), c.mod10) << c.number;
    EXPECT_EQ(Mod11(Digits(c.number)), c.mod11) << c.number;
  }
}

TEST(SelfCheckDigits, AnyOneChangedDigitBreaksALuhnNumber) {
  const std::string valid = "79927398713";
  for (size_t i = 0; i < valid.size(); ++i) {
    for (char d = '0'; d <= '9'; ++d) {
      if (d == valid[i]) continue;
      std::string changed = valid;
      changed[i] = d;
      EXPECT_NE(Mod10(Digits(changed)), 0u) << changed;
    }
  }
}

TEST(SelfCheckDigits, OnlyTheLowFourBitsCountAndOthersKeepTheirWeight) {
  // 0xD3 (a negative units digit 3) counts as 3; a blank (0x40) counts 0
  // and still takes its weight.
  std::string s = Digits("7992739871");
  s += static_cast<char>(0xD3);
  EXPECT_EQ(Mod10(s), 0u);
  std::string withBlank = Digits("0");
  withBlank[0] = 0x40;
  withBlank += Digits("0");
  EXPECT_EQ(Mod10(withBlank), 0u);
  // The 0x4A byte has low bits 10: skipped, but its weight still passes.
  std::string skipped = std::string(1, static_cast<char>(0x4A)) + Digits("5");
  EXPECT_EQ(Mod10(skipped), 5u);
  EXPECT_EQ(Mod10(std::string(1, static_cast<char>(0xF5)) + std::string(1, static_cast<char>(0x4A)) +
                  Digits("0")),
            5u);
}

TEST(SelfCheckDigits, ARunEndingInDupIsNotChecked) {
  std::string s = Digits("1234");
  s += static_cast<char>(0x1C);
  EXPECT_EQ(Mod10(s), 0u);
  EXPECT_EQ(Mod11(s), 0u);
}
