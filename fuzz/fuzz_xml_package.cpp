// Registry XML packages: any bytes as a package, and its embedded files.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/sdk/XmlDocument.h"

namespace {

void Walk(const XmlNode& node) {
  std::string out;
  DecodeBase64(node.text, &out);
  DecodeQuotedPrintable(node.text);
  for (const auto& child : node.children) Walk(*child);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string error;
  auto root = ParseXml(reinterpret_cast<const char*>(data), size, &error);
  if (root) Walk(*root);
  return 0;
}
