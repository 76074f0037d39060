// Theme packages from the registry: any bytes as a theme list and as a
// theme package, and each embedded picture through the XPM size checks
// and libXpm's reader.
#include <X11/xpm.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/sdk/PixmapCache.h"
#include "wm/shell/ThemePackage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const char* text = reinterpret_cast<const char*>(data);
  std::vector<ThemeListEntry> themes;
  ParseThemeList(text, size, "fr_FR", "de_DE", &themes);
  ThemePackageContents contents;
  if (!ParseThemePackage(text, size, &contents)) return 0;
  for (auto& image : contents.images) {
    int w, h, colors, cpp;
    if (!XpmValues(image.second.c_str(), &w, &h, &colors, &cpp) || w <= 0 || h <= 0 || w > XpmMaxSide ||
        h > XpmMaxSide || colors <= 0 || colors > XpmMaxColors || cpp <= 0 || cpp > 4)
      continue;
    // Only what the checks let through reaches libXpm, as in the cache.
    if (static_cast<long>(w) * h > 1 << 20) continue;
    XpmImage xpm;
    if (XpmCreateXpmImageFromBuffer(const_cast<char*>(image.second.c_str()), &xpm, nullptr) == XpmSuccess)
      XpmFreeXpmImage(&xpm);
  }
  return 0;
}
