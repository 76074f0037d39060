#include "xfront/ThaiFonts.h"

namespace thai {

namespace {

constexpr FontPair kPairs[] = {
    {"-thai-fixed-medium-r-normal--14-100-100-100-m-70-tis620-0",
     "-etl-fixed-medium-r-normal--14-140-72-72-m-70-tis620-0"},
    {"-thai-fixed-medium-r-normal--16-114-100-100-m-80-tis620-0",
     "-etl-fixed-medium-r-normal--16-160-72-72-m-80-tis620-0"},
};

}  // namespace

const FontPair* FontPairs(size_t* count) {
  if (count) *count = sizeof kPairs / sizeof kPairs[0];
  return kPairs;
}

int PairNamed(const std::string& name, bool composing) {
  for (size_t i = 0; i < sizeof kPairs / sizeof kPairs[0]; ++i)
    if (name == (composing ? kPairs[i].composing : kPairs[i].separate)) return static_cast<int>(i);
  return -1;
}

int PairForCellWidth(const int* widths, size_t count, int cellWidth) {
  int best = -1, narrowest = -1;
  for (size_t i = 0; widths && i < count; ++i) {
    if (widths[i] <= 0) continue;
    const int n = static_cast<int>(i);
    if (narrowest < 0 || widths[i] < widths[narrowest]) narrowest = n;
    if (widths[i] <= cellWidth && (best < 0 || widths[i] > widths[best])) best = n;
  }
  return best >= 0 ? best : narrowest;
}

}  // namespace thai
