#include "platform/sdk/XmlDocument.h"

#include <expat.h>

#include <cstring>

namespace {

struct Builder {
  XML_Parser parser;
  const XmlLimits* limits;
  std::unique_ptr<XmlNode> root;
  std::vector<XmlNode*> stack;
  size_t nodes = 0;
  std::string error;

  void Fail(const char* why) {
    if (error.empty()) error = why;
    XML_StopParser(parser, XML_FALSE);
  }
};

void XMLCALL Start(void* data, const XML_Char* name, const XML_Char** attrs) {
  auto* b = static_cast<Builder*>(data);
  if (static_cast<int>(b->stack.size()) >= b->limits->maxDepth) return b->Fail("elements nested too deep");
  if (++b->nodes > b->limits->maxNodes) return b->Fail("too many elements");
  auto node = std::make_unique<XmlNode>();
  node->name = name;
  for (int i = 0; attrs[i] && attrs[i + 1]; i += 2) node->attributes.emplace_back(attrs[i], attrs[i + 1]);
  XmlNode* raw = node.get();
  if (b->stack.empty()) {
    if (b->root) return b->Fail("a second root element");
    b->root = std::move(node);
  } else {
    b->stack.back()->children.push_back(std::move(node));
  }
  b->stack.push_back(raw);
}

void XMLCALL End(void* data, const XML_Char*) {
  auto* b = static_cast<Builder*>(data);
  if (!b->stack.empty()) b->stack.pop_back();
}

void XMLCALL Text(void* data, const XML_Char* s, int len) {
  auto* b = static_cast<Builder*>(data);
  if (!b->stack.empty()) b->stack.back()->text.append(s, static_cast<size_t>(len));
}

void XMLCALL Doctype(void* data, const XML_Char*, const XML_Char*, const XML_Char*, int) {
  static_cast<Builder*>(data)->Fail("document type declarations are not accepted");
}

int Value(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

int Hex(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

const char* XmlNode::Attribute(const char* attributeName) const {
  for (const auto& a : attributes)
    if (a.first == attributeName) return a.second.c_str();
  return nullptr;
}

std::unique_ptr<XmlNode> ParseXml(const char* data, size_t size, std::string* error,
                                  const XmlLimits& limits) {
  auto fail = [&](const std::string& why) {
    if (error) *error = why;
    return std::unique_ptr<XmlNode>();
  };
  if (!data) return fail("no document");
  if (size > limits.maxBytes) return fail("the document is too large");
  XML_Parser parser = XML_ParserCreate(nullptr);
  if (!parser) return fail("out of memory");
  Builder b;
  b.parser = parser;
  b.limits = &limits;
  XML_SetUserData(parser, &b);
  XML_SetElementHandler(parser, Start, End);
  XML_SetCharacterDataHandler(parser, Text);
  XML_SetStartDoctypeDeclHandler(parser, Doctype);
  const XML_Status status = XML_Parse(parser, data, static_cast<int>(size), XML_TRUE);
  std::string why = b.error;
  if (why.empty() && status != XML_STATUS_OK) why = XML_ErrorString(XML_GetErrorCode(parser));
  XML_ParserFree(parser);
  if (!why.empty()) return fail(why);
  if (!b.root) return fail("no root element");
  return std::move(b.root);
}

bool DecodeBase64(const std::string& in, std::string* out) {
  out->clear();
  unsigned int acc = 0;
  int bits = 0;
  int pad = 0;
  for (unsigned char c : in) {
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') continue;
    if (c == '=') {
      ++pad;
      continue;
    }
    const int v = Value(c);
    if (v < 0 || pad) return false;  // nothing may follow the padding
    acc = (acc << 6) | static_cast<unsigned int>(v);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      out->push_back(static_cast<char>((acc >> bits) & 0xff));
    }
  }
  return pad <= 2;
}

std::string DecodeQuotedPrintable(const std::string& in) {
  std::string out;
  for (size_t i = 0; i < in.size(); ++i) {
    if (in[i] != '=') {
      out.push_back(in[i]);
      continue;
    }
    if (i + 1 < in.size() && in[i + 1] == '\n') {
      i += 1;
      continue;
    }
    if (i + 2 < in.size() && in[i + 1] == '\r' && in[i + 2] == '\n') {
      i += 2;
      continue;
    }
    const int hi = i + 1 < in.size() ? Hex(in[i + 1]) : -1;
    const int lo = i + 2 < in.size() ? Hex(in[i + 2]) : -1;
    if (hi < 0 || lo < 0) {
      out.push_back('=');
      continue;
    }
    out.push_back(static_cast<char>(hi * 16 + lo));
    i += 2;
  }
  return out;
}
