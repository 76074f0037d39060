// The preferences file and the preference values the preferences program
// sends: a refused file keeps nothing, an accepted one holds only values in
// range, and applying any id and value keeps every stored value in range.
//
// Input: the file's bytes; pairs of bytes are also applied as id and value.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "display/StationOptions.h"
// The preference code needs nothing of its library but itself.
#include "session/MiscPreferences.cpp"  // NOLINT(bugprone-suspicious-include)

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  unsigned char values[kMiscPreferenceCount] = {};
  std::size_t count = 99;
  const char* why = nullptr;
  const bool taken = ParseMiscPreferenceFile(data, size, values, &count, &why);
  if (taken != (count == size) || (taken && size > kMiscPreferenceCount) || (!taken && (count != 0 || !why)))
    std::abort();
  for (std::size_t i = 0; i < count; ++i)
    if (!MiscPreferenceValueValid(static_cast<int>(i), values[i])) std::abort();

  MiscPreferenceSet set;
  StationOptions station;
  for (std::size_t i = 0; i + 1 < size; i += 2) SetMiscPreference(&set, &station, data[i] & 0x80, data[i], data[i + 1]);
  for (int id = 0; id < kMiscPreferenceCount; ++id)
    if (!MiscPreferenceValueValid(id, set.value[id])) std::abort();
  if (station.hotSpotClickMode > 2 || station.errorResetPreference > 2 || station.insertModePreference > 2 ||
      station.copyType > 1)
    std::abort();
  return 0;
}
