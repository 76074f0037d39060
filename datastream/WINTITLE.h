#pragma once
// The title and the footer of a host window: minor structure 0x10 of a
// create window structured field (length, type, flags, monochrome and colour
// attribute, reserved, text), painted into the window's top or bottom border
// row after the border.
#include <cstdint>

class DisplayBag;

class WINTITLE {
 public:
  static constexpr unsigned char kType = 0x10;
  static constexpr uint32_t kTextOffset = 6;
  static constexpr unsigned char kFooter = 0x20;
  static constexpr unsigned char kPlacement = 0xC0;
  static constexpr unsigned char kRight = 0x40;
  static constexpr unsigned char kLeft = 0x80;

  struct Text {
    unsigned char attribute = 0;  // 0: none
    unsigned char flags = 0;
    const unsigned char* text = nullptr;  // in the host record
    uint32_t length = 0;
  };

  void reset() { title_ = footer_ = Text(); }
  // The minor of `length` bytes (more than kTextOffset) at `minor`; a later
  // one of the same kind replaces the earlier. The text stays in the record
  // until show().
  void load(const DisplayBag* display, const unsigned char* minor, uint32_t length);
  // `start`: the window's border attribute position.
  void show(DisplayBag* display, uint32_t start, uint32_t depth, uint32_t width,
            bool suppressTitle) const;

  const Text& title() const { return title_; }
  const Text& footer() const { return footer_; }

 private:
  static void showText(DisplayBag* display, const Text& t, uint32_t at, uint32_t width);

  Text title_;
  Text footer_;
};
