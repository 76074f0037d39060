#include <gtest/gtest.h>

#include <string>

#include "platform/sdk/XmlDocument.h"

namespace {

TEST(XmlDocumentTest, ReadsATreeWithAttributesAndText) {
  const std::string xml =
      "<?xml version=\"1.0\"?>\n"
      "<package><resources locale=\"en_US\"><text name=\"blue\">Blue sky</text></resources>"
      "<binary type=\"image/x-xpixmap\" name=\"bg\" encoding=\"base64\">aGVs\nbG8=</binary></package>";
  std::string error;
  auto root = ParseXml(xml.data(), xml.size(), &error);
  ASSERT_NE(root, nullptr) << error;
  EXPECT_EQ(root->name, "package");
  ASSERT_EQ(root->children.size(), 2u);
  const XmlNode& res = *root->children[0];
  EXPECT_STREQ(res.Attribute("locale"), "en_US");
  EXPECT_EQ(res.Attribute("missing"), nullptr);
  EXPECT_EQ(res.children[0]->text, "Blue sky");
  std::string decoded;
  ASSERT_TRUE(DecodeBase64(root->children[1]->text, &decoded));
  EXPECT_EQ(decoded, "hello");
}

TEST(XmlDocumentTest, BadOrHostileDocumentsAreRefused) {
  std::string nested;
  for (int i = 0; i < 70; ++i) nested += "<a>";
  for (int i = 0; i < 70; ++i) nested += "</a>";
  struct {
    std::string xml;
    const char* what;
  } cases[] = {
      {"<a><b></a>", "mismatched tags"},
      {"", "empty"},
      {"just text", "no element"},
      {nested, "nested 70 deep"},
      {"<!DOCTYPE a [<!ENTITY x \"xxxxxxxx\"><!ENTITY y \"&x;&x;&x;&x;\">]><a>&y;</a>", "entities"},
      {"<a/><b/>", "two roots"},
  };
  for (const auto& c : cases) {
    std::string error;
    EXPECT_EQ(ParseXml(c.xml.data(), c.xml.size(), &error), nullptr) << c.what;
    EXPECT_FALSE(error.empty()) << c.what;
  }
  XmlLimits small;
  small.maxNodes = 3;
  std::string error;
  const std::string four = "<a><b/><c/><d/></a>";
  EXPECT_EQ(ParseXml(four.data(), four.size(), &error, small), nullptr);
  EXPECT_EQ(error, "too many elements");
}

TEST(XmlDocumentTest, EmbeddedFileEncodings) {
  struct {
    const char* in;
    bool ok;
    const char* out;
  } b64[] = {{"aGVsbG8=", true, "hello"}, {" aGVs\r\nbG8h ", true, "hello!"}, {"", true, ""},
             {"aGV*", false, ""},      {"aG=Vs", false, ""}};
  for (const auto& c : b64) {
    std::string out;
    EXPECT_EQ(DecodeBase64(c.in, &out), c.ok) << c.in;
    if (c.ok) EXPECT_EQ(out, c.out) << c.in;
  }
  struct {
    const char* in;
    const char* out;
  } qp[] = {{"a=3Db", "a=b"}, {"soft=\nbreak", "softbreak"}, {"crlf=\r\nbreak", "crlfbreak"},
            {"bad=ZZ", "bad=ZZ"}, {"end=", "end="}, {"=4", "=4"}};
  for (const auto& c : qp) EXPECT_EQ(DecodeQuotedPrintable(c.in), c.out) << c.in;
}

}  // namespace
