#pragma once
// XML packages of the registry (themes and their lists) read with expat into
// a bounded element tree, and the two encodings of files embedded in them.
// Document type declarations are refused: a package has no use for entities.
#include <cstddef>
#include <memory>
#include <string>
#include <utility>
#include <vector>

struct XmlNode {
  std::string name;
  std::vector<std::pair<std::string, std::string>> attributes;
  std::string text;  // character data directly inside this element
  std::vector<std::unique_ptr<XmlNode>> children;

  // The attribute's value, or null.
  const char* Attribute(const char* attributeName) const;
};

struct XmlLimits {
  size_t maxBytes = 8u << 20;
  int maxDepth = 64;
  size_t maxNodes = 100000;
};

// The root element, or null with a reason in *error.
std::unique_ptr<XmlNode> ParseXml(const char* data, size_t size, std::string* error,
                                  const XmlLimits& limits = XmlLimits());

// Base64 with white space ignored; false for any other byte outside the
// alphabet or a bad end.
bool DecodeBase64(const std::string& in, std::string* out);
// Quoted-printable: "=XX" bytes and soft line breaks ("=" at a line end);
// a malformed "=" stays as it is.
std::string DecodeQuotedPrintable(const std::string& in);
