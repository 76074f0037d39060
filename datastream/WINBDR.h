#pragma once
// The border of a host window: its attribute and eight characters, set to
// the display's defaults when the window is created, changed by the border
// minor structure (0x01) of a create window structured field, and drawn
// around the window.
#include <cstdint>

class DisplayBag;

class WINBDR {
 public:
  enum Character { kUpperLeft, kTop, kUpperRight, kLeft, kRight, kLowerLeft, kBottom, kLowerRight };
  static constexpr uint32_t kMinLength = 4;
  static constexpr uint32_t kMaxLength = 13;
  // Flag of the minor: use the given characters on a GUI-capable display.
  static constexpr unsigned char kUseCharactersOnGui = 0x80;

  // The defaults of a new window, or those of a border minor structure.
  void setDefaults(const DisplayBag* display, bool forMinor);
  // The minor structure of `length` bytes (checked by the caller against
  // kMinLength and kMaxLength) at `minor`.
  void load(const DisplayBag* display, const unsigned char* minor, uint32_t length);
  // Draws the border of a window of depth x width inside positions whose
  // border attribute stands at `start`; a pull-down window has no top row.
  void show(DisplayBag* display, uint32_t start, uint32_t depth, uint32_t width,
            bool pullDown) const;

  unsigned char attribute() const { return attribute_; }
  unsigned char character(Character c) const { return characters_[c]; }

  static bool guiCapable(const DisplayBag* display);
  static bool colourDisplay(const DisplayBag* display);

 private:
  void showRow(DisplayBag* display, uint32_t at, uint32_t width, unsigned char left,
               unsigned char fill, unsigned char right, bool inside) const;

  unsigned char attribute_ = 0x20;
  unsigned char characters_[8] = {};
};
