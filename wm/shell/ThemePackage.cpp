#include "wm/shell/ThemePackage.h"

#include <strings.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <map>

#include "platform/QXRegObject.h"
#include "platform/QXRegistry.h"
#include "platform/sdk/PixmapCache.h"
#include "platform/sdk/XmlDocument.h"

namespace {

constexpr size_t kMaxPackage = 8u << 20;

using Texts = std::map<std::string, std::string>;

std::string Trim(const std::string& s) {
  const size_t b = s.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return "";
  return s.substr(b, s.find_last_not_of(" \t\r\n") - b + 1);
}

// A registry object in XML: each child element with a "name" attribute is
// one value, its text the value.
void ParseObject(const XmlNode& node, std::vector<std::pair<std::string, std::string>>* values) {
  for (const auto& child : node.children)
    if (const char* name = child->Attribute("name"))
      if (*name) values->emplace_back(name, Trim(child->text));
}

void ParseTexts(const XmlNode& node, Texts* texts) {
  std::vector<std::pair<std::string, std::string>> values;
  ParseObject(node, &values);
  for (auto& v : values) (*texts)[v.first] = v.second;
}

bool IsContainer(const std::string& name) { return name == "package" || name == "category"; }

bool SameLocale(const char* a, const char* b) { return a && b && *a && *b && !strcasecmp(a, b); }

struct ListReader {
  const char* lang;
  const char* lcMessages;
  Texts english, language, user;
  bool messagesMatched = false;
  std::vector<std::pair<std::string, std::string>> items;  // definition, resource

  void Visit(const XmlNode& n) {
    if (IsContainer(n.name)) {
      for (const auto& c : n.children) Visit(*c);
    } else if (n.name == "resources") {
      const char* locale = n.Attribute("locale");
      if (!locale) return;
      if (!std::strcmp(locale, "en_US")) ParseTexts(n, &english);
      if (!std::strcmp(locale, "user")) {
        ParseTexts(n, &user);
      } else if (SameLocale(locale, lcMessages)) {
        // From here on the LANG block is no longer wanted.
        if (!messagesMatched) language.clear();
        messagesMatched = true;
        ParseTexts(n, &language);
      } else if (!messagesMatched && SameLocale(locale, lang)) {
        ParseTexts(n, &language);
      }
    } else if (n.name == "item") {
      std::vector<std::pair<std::string, std::string>> values;
      ParseObject(n, &values);
      std::string definition, resource;
      for (auto& v : values) {
        if (v.first == "definition") definition = v.second;
        if (v.first == "resource") resource = v.second;
      }
      items.emplace_back(definition, resource);
    }
  }
  const std::string* Text(const std::string& name) const {
    for (const Texts* t : {&user, &language, &english}) {
      auto it = t->find(name);
      if (it != t->end()) return &it->second;
    }
    return nullptr;
  }
};

struct PackageReader {
  ThemePackageContents* out;
  void Visit(const XmlNode& n) {
    if (IsContainer(n.name)) {
      for (const auto& c : n.children) Visit(*c);
    } else if (n.name == "binary") {
      const char* type = n.Attribute("type");
      const char* name = n.Attribute("name");
      if (!type || std::strcmp(type, "image/x-xpixmap") != 0 || !name || !*name) return;
      const char* encoding = n.Attribute("encoding");
      std::string decoded;
      if (encoding && !strcasecmp(encoding, "base64")) {
        if (!DecodeBase64(n.text, &decoded)) return;
      } else {
        decoded = DecodeQuotedPrintable(n.text);
      }
      out->images.emplace_back(name, decoded);
    } else if (n.name == "item") {
      ParseObject(n, &out->items);
    }
  }
};

const std::string* Value(const std::vector<std::pair<std::string, std::string>>& values, const char* name) {
  const std::string* found = nullptr;
  for (auto& v : values)
    if (v.first == name) found = &v.second;  // the last one holds, as in an object
  return found;
}

}  // namespace

bool ParseThemeList(const char* xml, size_t size, const char* lang, const char* lcMessages,
                    std::vector<ThemeListEntry>* themes) {
  std::string error;
  auto root = ParseXml(xml, size, &error);
  if (!root) return false;
  ListReader reader{lang, lcMessages, {}, {}, {}, false, {}};
  reader.Visit(*root);
  for (auto& item : reader.items) {
    const std::string* label = item.second.empty() ? nullptr : reader.Text(item.second);
    if (item.first.empty() || !label) continue;
    themes->push_back({item.first, *label});
  }
  return true;
}

bool ParseThemePackage(const char* xml, size_t size, ThemePackageContents* contents) {
  std::string error;
  auto root = ParseXml(xml, size, &error);
  if (!root) return false;
  PackageReader reader{contents};
  reader.Visit(*root);
  return true;
}

bool ReadRegistryPackage(const char* path, std::string* text) {
  if (!path || *path != '/' || !QXRegNamesOnly(path + 1)) return false;
  const std::string file = std::string(QXRegistryDirectory()) + path;
  struct stat st;
  if (stat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || static_cast<size_t>(st.st_size) > kMaxPackage)
    return false;
  FILE* f = std::fopen(file.c_str(), "rb");
  if (!f) return false;
  text->clear();
  char buffer[65536];
  size_t n;
  bool ok = true;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) {
    text->append(buffer, n);
    if (text->size() > kMaxPackage) {
      ok = false;
      break;
    }
  }
  ok = ok && !std::ferror(f);
  std::fclose(f);
  return ok;
}

int ReadThemeList(std::vector<ThemeListEntry>* themes) {
  std::string text;
  if (!ReadRegistryPackage("/themelist", &text)) return 0;
  ParseThemeList(text.data(), text.size(), std::getenv("LANG"), std::getenv("LC_MESSAGES"), themes);
  return 1;
}

QXRegObject* LoadThemePixmaps(Display* display, Window root, int depth, const char* package) {
  std::string text;
  if (!ReadRegistryPackage(package, &text)) return nullptr;
  ThemePackageContents contents;
  if (!ParseThemePackage(text.data(), text.size(), &contents)) return nullptr;
  QXRegObject* result = QXRegCreateObject();
  if (!result) return nullptr;
  // The picture values are ids of pixmaps made here, never the package's
  // own text: a package naming another pixmap could have it freed.
  for (auto& v : contents.items)
    if (v.first != "appbar_pixmap" && v.first != "toolbar_pixmap" && v.first != "background_pixmap")
      result->values.push_back(v);
  DesktopPixmapCache* cache = CreateDesktopPixmapCache(display, root);
  for (auto& image : contents.images) AddPixmap(cache, image.first.c_str(), image.second.c_str());
  for (const char* picture : {"appbar", "toolbar", "background"}) {
    const std::string deep = std::string(picture) + "_pixmap16_file";
    const std::string plain = std::string(picture) + "_pixmap_file";
    const std::string* chosen = nullptr;
    if (depth > 8) {
      const std::string* v = Value(result->values, deep.c_str());
      if (v && FindPixmap(cache, v->c_str(), nullptr) != None) chosen = v;
    }
    if (!chosen) chosen = Value(result->values, plain.c_str());
    if (!chosen) continue;
    const Pixmap p = FindPixmap(cache, chosen->c_str(), nullptr);
    if (p == None) continue;
    // Two pictures may be one image: each gets its own pixmap.
    KeepPixmap(cache, chosen->c_str());
    Pixmap copy = p;
    for (auto& v : result->values)
      if (v.first.size() > 7 && v.first.compare(v.first.size() - 7, 7, "_pixmap") == 0 && v.second == "#" + std::to_string(p)) {
        Window r;
        int x, y;
        unsigned w, h, bw, d;
        XGetGeometry(display, p, &r, &x, &y, &w, &h, &bw, &d);
        copy = XCreatePixmap(display, root, w, h, d);
        GC gc = XCreateGC(display, copy, 0, nullptr);
        XCopyArea(display, p, copy, gc, 0, 0, w, h, 0, 0);
        XFreeGC(display, gc);
        break;
      }
    QXRegSetStringValue(result, (std::string(picture) + "_pixmap").c_str(), ("#" + std::to_string(copy)).c_str());
  }
  FreeDesktopPixmapCache(cache);
  return result;
}
