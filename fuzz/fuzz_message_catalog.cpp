// A message catalog is a file of the user's or the system's: any bytes.
// Whatever it holds, every text keeps the conversions of its default, and
// filling them never reads past the arguments given.
#include <cstdint>
#include <string>
#include <vector>

#include "wm/shell/MessageCatalog.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ResetMessageCatalog();
  ApplyCatalogBytes(reinterpret_cast<const char*>(data), size);
  ApplyCatalogLine(std::string(reinterpret_cast<const char*>(data), size).c_str());
  const std::vector<std::string> args = {"a", "b"};
  for (int id = 0; id < CatalogTextCount; ++id) {
    if (TextConversions(CatalogText(id)) != TextConversions(CatalogDefault(id))) __builtin_trap();
    FormatCatalogText(id, args);
  }
  return 0;
}
