// Root-window properties for tests: write well-formed and malformed ones on
// purpose, read them back with type, format and every item.
#pragma once

#include <X11/Xlib.h>

#include <string>
#include <vector>

namespace qwtest {

struct PropertyValue {
  bool exists = false;
  Atom type = None;
  std::string typeName;      // "" when the property does not exist
  int format = 0;            // 8, 16 or 32
  unsigned long items = 0;   // number of items of that format
  std::vector<long> values;  // every item as a number (format 16 and 32; 8 too)
  std::string bytes;         // format 8: the raw bytes
};

Atom InternAtom(Display* display, const std::string& name);

// Replaces the property of the root window with format-32 items (type, e.g. "CARDINAL").
void SetRootProperty32(Display* display, const std::string& name, const std::string& type,
                       const std::vector<long>& items);
// Replaces it with format-8 bytes (type, e.g. "STRING").
void SetRootProperty8(Display* display, const std::string& name, const std::string& type,
                      const std::string& bytes);
// Replaces it with format-16 items.
void SetRootProperty16(Display* display, const std::string& name, const std::string& type,
                       const std::vector<short>& items);
void DeleteRootProperty(Display* display, const std::string& name);

// Reads the whole property (any length) of the root window, or of `window`.
PropertyValue ReadRootProperty(Display* display, const std::string& name);
PropertyValue ReadWindowProperty(Display* display, Window window, const std::string& name);

// Round trip to the server: every request sent before has been handled.
void XBarrier(Display* display);

}  // namespace qwtest
