#include "session/ResourceText.h"

#include <cstring>

std::string EscapeResourceValue(const std::string& value) {
  std::string out;
  out.reserve(value.size() + 8);
  for (size_t i = 0; i < value.size(); ++i) {
    char c = value[i];
    if (i == 0 && (c == ' ' || c == '\t')) {
      out += '\\';
      out += c;
    } else if (c == '\\') {
      out += "\\\\";
    } else if (c == '\n') {
      out += i + 1 == value.size() ? "\\n" : "\\n\\\n";
    } else {
      out += c;
    }
  }
  return out;
}

std::string FormatResourceEntry(const std::vector<ResourceComponent>& components,
                                const std::string& type, const std::string& value) {
  std::string line;
  for (size_t i = 0; i < components.size(); ++i) {
    if (components[i].loose)
      line += '*';
    else if (i > 0)
      line += '.';
    line += components[i].name;
  }
  line += ':';
  if (type == "String") {
    line += '\t';
    line += EscapeResourceValue(value);
  } else {
    line += type;
  }
  line += '\n';
  return line;
}

namespace {

Bool AppendEntry(XrmDatabase*, XrmBindingList bindings, XrmQuarkList quarks,
                 XrmRepresentation* type, XrmValue* value, XPointer closure) {
  std::string& text = *reinterpret_cast<std::string*>(closure);
  std::vector<ResourceComponent> components;
  for (size_t i = 0; quarks[i] != NULLQUARK; ++i) {
    const char* name = XrmQuarkToString(quarks[i]);
    components.push_back({bindings[i] == XrmBindLoosely, name ? name : ""});
  }
  const char* typeName = XrmQuarkToString(*type);
  std::string data;
  if (value && value->addr) {
    // A String value carries its terminating NUL in its size.
    const char* addr = reinterpret_cast<const char*>(value->addr);
    data.assign(addr, strnlen(addr, value->size));
  }
  text += FormatResourceEntry(components, typeName ? typeName : "", data);
  return False;  // go on with the next entry
}

}  // namespace

std::string ResourceDatabaseText(XrmDatabase database) {
  std::string text;
  if (!database) return text;
  XrmQuark empty[1] = {NULLQUARK};
  XrmEnumerateDatabase(database, empty, empty, XrmEnumAllLevels, AppendEntry,
                       reinterpret_cast<XPointer>(&text));
  return text;
}
