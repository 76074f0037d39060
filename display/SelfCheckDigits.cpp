#include "display/SelfCheckDigits.h"

#include <vector>

#include "display/PresentationSpaceScreenBuffer.h"
#include "base/ErrorHalt.h"

namespace {
constexpr unsigned char kDup = 0x1C;
constexpr unsigned short kModuleSums = 0x0B1A;

// The digit of a byte, or -1 when its low four bits are not a digit.
int DigitOf(unsigned char b) {
  const int low = b & 0x0F;
  return low <= 9 ? low : -1;
}
}  // namespace

unsigned int SelfCheckModulo10(const unsigned char* bytes, unsigned int count) {
  if (count == 0 || bytes[count - 1] == kDup) return 0;
  unsigned int sum = 0, weight = 1;
  for (unsigned int i = count; i-- > 0;) {
    const int d = DigitOf(bytes[i]);
    if (d >= 0) {
      if (weight == 2)
        sum += d >= 5 ? 2u * d - 9u : 2u * d;
      else
        sum += static_cast<unsigned int>(d);
    }
    weight = weight == 1 ? 2 : 1;
  }
  return sum % 10;
}

unsigned int SelfCheckModulo11(const unsigned char* bytes, unsigned int count) {
  if (count == 0 || bytes[count - 1] == kDup) return 0;
  unsigned int sum = 0, weight = 1;
  for (unsigned int i = count; i-- > 0;) {
    const int d = DigitOf(bytes[i]);
    if (d >= 0) sum += weight * static_cast<unsigned int>(d);
    weight = weight == 7 ? 2 : weight + 1;
  }
  return sum % 11;
}

unsigned int PresentationSpaceScreenBuffer::modulo10(unsigned int first, unsigned int last) const {
  if (first > last || last > lastOffset_) ErrorHalt(kModuleSums, 18, first, last);
  std::vector<unsigned char> run(last - first + 1);
  getData(first, static_cast<unsigned int>(run.size()), run.data());
  return SelfCheckModulo10(run.data(), static_cast<unsigned int>(run.size()));
}

unsigned int PresentationSpaceScreenBuffer::modulo11(unsigned int first, unsigned int last) const {
  if (first > last || last > lastOffset_) ErrorHalt(kModuleSums, 19, first, last);
  std::vector<unsigned char> run(last - first + 1);
  getData(first, static_cast<unsigned int>(run.size()), run.data());
  return SelfCheckModulo11(run.data(), static_cast<unsigned int>(run.size()));
}
