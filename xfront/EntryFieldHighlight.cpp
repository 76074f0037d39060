#include "xfront/EntryFieldHighlight.h"

#include <cstdio>

bool EntryFieldHighlightSpec(const char* value, std::string* spec) {
  spec->clear();
  if (!value || !*value) return false;
  for (const char* p = value; *p; ++p)
    if (*p != ' ' && (*p < '0' || *p > '9')) return false;
  unsigned int rgb[3] = {0, 0, 0};
  const char* p = value;
  for (unsigned int& component : rgb) {
    while (*p == ' ') ++p;
    // A number of any length saturates at 255.
    for (; *p >= '0' && *p <= '9'; ++p) component = component > 255 ? 256 : component * 10 + unsigned(*p - '0');
    if (component > 255) component = 255;
  }
  char text[8];
  std::snprintf(text, sizeof text, "#%6.6x", rgb[0] << 16 | rgb[1] << 8 | rgb[2]);
  *spec = text;
  return true;
}
