#include "platform/sdk/ResourceDB.h"

#include <X11/Xatom.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

struct QXResourceDB {
  std::vector<std::pair<std::string, std::string>> entries;
  std::string text;
};

QXResourceDB* QXResourceDBCreate() { return new QXResourceDB; }

int QXResourceDBAddString(QXResourceDB* db, const char* name, const char* value) {
  if (!db || !name || !*name || !value) return -1;
  if (std::strpbrk(name, ":\n\r \t") || std::strpbrk(value, "\n\r")) return -1;
  for (auto& e : db->entries)
    if (e.first == name) {
      e.second = value;
      return 0;
    }
  db->entries.emplace_back(name, value);
  return 0;
}

const char* QXResourceDBText(QXResourceDB* db) {
  db->text.clear();
  for (const auto& e : db->entries) db->text += e.first + ":\t" + e.second + "\n";
  return db->text.c_str();
}

int QXResourceDBSave(QXResourceDB* db, Display* display, Window root, Atom property) {
  if (!db || !display) return -1;
  const char* text = QXResourceDBText(db);
  XChangeProperty(display, root, property, XA_STRING, 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(text), static_cast<int>(std::strlen(text)));
  return 0;
}

void QXResourceDBFree(QXResourceDB* db) { delete db; }
