#include "tests/support/XProps.h"

#include <X11/Xatom.h>

namespace qwtest {

Atom InternAtom(Display* display, const std::string& name) {
  return XInternAtom(display, name.c_str(), False);
}

void SetRootProperty32(Display* display, const std::string& name, const std::string& type,
                       const std::vector<long>& items) {
  // Format-32 data is handed to Xlib as an array of long, whatever its width.
  XChangeProperty(display, DefaultRootWindow(display), InternAtom(display, name),
                  InternAtom(display, type), 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(items.data()),
                  static_cast<int>(items.size()));
  XSync(display, False);
}

void SetRootProperty16(Display* display, const std::string& name, const std::string& type,
                       const std::vector<short>& items) {
  XChangeProperty(display, DefaultRootWindow(display), InternAtom(display, name),
                  InternAtom(display, type), 16, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(items.data()),
                  static_cast<int>(items.size()));
  XSync(display, False);
}

void SetRootProperty8(Display* display, const std::string& name, const std::string& type,
                      const std::string& bytes) {
  XChangeProperty(display, DefaultRootWindow(display), InternAtom(display, name),
                  InternAtom(display, type), 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(bytes.data()),
                  static_cast<int>(bytes.size()));
  XSync(display, False);
}

void DeleteRootProperty(Display* display, const std::string& name) {
  XDeleteProperty(display, DefaultRootWindow(display), InternAtom(display, name));
  XSync(display, False);
}

PropertyValue ReadWindowProperty(Display* display, Window window, const std::string& name) {
  PropertyValue v;
  Atom prop = InternAtom(display, name);
  long offset = 0;  // in 32-bit units
  for (;;) {
    Atom type = None;
    int format = 0;
    unsigned long n = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, window, prop, offset, 1 << 16, False, AnyPropertyType, &type,
                           &format, &n, &after, &data) != Success) {
      break;
    }
    if (type == None) {
      if (data) XFree(data);
      break;
    }
    v.exists = true;
    v.type = type;
    v.format = format;
    v.items += n;
    for (unsigned long i = 0; i < n; ++i) {
      if (format == 32)
        v.values.push_back(reinterpret_cast<long*>(data)[i]);
      else if (format == 16)
        v.values.push_back(reinterpret_cast<short*>(data)[i]);
      else
        v.values.push_back(data[i]);
    }
    if (format == 8) v.bytes.append(reinterpret_cast<char*>(data), n);
    XFree(data);
    offset += static_cast<long>(n * static_cast<unsigned long>(format) / 32);
    if (after == 0 || n == 0) break;
  }
  if (v.exists) {
    if (char* tn = XGetAtomName(display, v.type)) {
      v.typeName = tn;
      XFree(tn);
    }
  }
  return v;
}

PropertyValue ReadRootProperty(Display* display, const std::string& name) {
  return ReadWindowProperty(display, DefaultRootWindow(display), name);
}

void XBarrier(Display* display) { XSync(display, False); }

}  // namespace qwtest
