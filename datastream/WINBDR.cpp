#include "datastream/WINBDR.h"

#include <cstring>

#include "display/DisplayBag.h"

namespace {
constexpr uint32_t kGuiCapable = 0x00400000u;
constexpr uint32_t kColourAttributes = 0x10000000u;
constexpr unsigned char kCharacterDisplay[8] = {0x4B, 0x4B, 0x4B, 0x7A, 0x7A, 0x7A, 0x4B, 0x7A};
constexpr unsigned char kGuiWindow[8] = {0x0C, 0x13, 0x0B, 0x12, 0x12, 0x0A, 0x13, 0x0D};
constexpr unsigned char kGuiMinor[8] = {0x0C, 0x07, 0x0B, 0x06, 0x12, 0x0A, 0x13, 0x0D};
constexpr unsigned char kNormalAttribute = 0x20;
constexpr unsigned char kNoAttribute = 0x00;
constexpr unsigned char kShiftOut = 0x0E;
constexpr unsigned char kShiftIn = 0x0F;
constexpr unsigned char kBlank = 0x40;
bool IsAttribute(unsigned char b) { return b >= 0x20 && b <= 0x3F; }

// A double-byte run that is open at `at` (a shift-out to its left on the
// row with no shift-in after it) is closed just before it, so that the
// border does not split a character: a shift-in over the last whole
// character's place, blanks over what is left of a split one.
void CloseDoubleByteRunBefore(PresentationSpaceScreenBuffer& ps, uint32_t at, uint32_t columns) {
  const uint32_t rowStart = at - at % columns;
  uint32_t p = at;
  while (p > rowStart) {
    const unsigned char c = ps.getCharacter(--p);
    if (c == kShiftIn) return;
    if (c != kShiftOut) continue;
    const uint32_t data = at - p - 1;  // double-byte bytes between the shift-out and `at`
    if (data == 0) {
      ps.writeCharacter(p, kBlank);
    } else if (data % 2) {
      ps.writeCharacter(at - 1, kShiftIn);
    } else {
      ps.writeCharacter(at - 2, kShiftIn);
      ps.writeCharacter(at - 1, kBlank);
    }
    return;
  }
}
}  // namespace

bool WINBDR::guiCapable(const DisplayBag* d) {
  return (d->characteristics().word[0] & kGuiCapable) != 0;
}

bool WINBDR::colourDisplay(const DisplayBag* d) {
  return (d->characteristics().word[0] & kColourAttributes) != 0;
}

void WINBDR::setDefaults(const DisplayBag* d, bool forMinor) {
  attribute_ = colourDisplay(d) ? 0x3A : kNormalAttribute;
  const unsigned char* set = !guiCapable(d) ? kCharacterDisplay : forMinor ? kGuiMinor : kGuiWindow;
  std::memcpy(characters_, set, sizeof(characters_));
}

void WINBDR::load(const DisplayBag* d, const unsigned char* minor, uint32_t length) {
  setDefaults(d, true);
  if (guiCapable(d) && !(minor[2] & kUseCharactersOnGui)) return;
  const bool colour = colourDisplay(d);
  if (length > 3 && !colour && IsAttribute(minor[3])) attribute_ = minor[3];
  if (length > 4 && colour && IsAttribute(minor[4])) attribute_ = minor[4];
  for (uint32_t i = 5; i < length && i - 5 < sizeof(characters_); ++i)
    if (minor[i] != 0x00) characters_[i - 5] = minor[i];
}

void WINBDR::showRow(DisplayBag* d, uint32_t at, uint32_t width, unsigned char left,
                     unsigned char fill, unsigned char right, bool inside) const {
  PresentationSpaceScreenBuffer& ps = d->presentationSpace();
  // The attribute that resumes the screen to the right: the one in effect
  // there before the window was drawn.
  const uint32_t after = at + width + 5;
  unsigned char resume = ps.getPreviousAttribute(after, 0);
  if (resume == kNoAttribute) resume = kNormalAttribute;
  CloseDoubleByteRunBefore(ps, at, d->columns());
  ps.writeCharacter(at, attribute_);
  ps.writeCharacter(at + 1, left);
  if (inside) {
    ps.writeCharacter(at + 2, kNormalAttribute);
    ps.fillRange(at + 3, at + 2 + width, 0x00);
    ps.writeCharacter(at + 3 + width, attribute_);
  } else {
    ps.fillRange(at + 2, at + 3 + width, fill);
  }
  ps.writeCharacter(at + 4 + width, right);
  ps.writeCharacter(after, resume);
}

void WINBDR::show(DisplayBag* d, uint32_t start, uint32_t depth, uint32_t width,
                  bool pullDown) const {
  const uint32_t columns = d->columns();
  const uint32_t rows = depth + 2;
  PrimaryECBScreenBuffer& primary = d->primaryPlane();
  if (primary.AreECBsInUse()) {
    ScreenBuffer* planes[3] = {&primary, &d->secondaryPlane(), &d->colourPlane()};
    for (ScreenBuffer* plane : planes) {
      plane->fillVerticalRange(start, rows, 0x80);
      for (uint32_t r = 0; r < rows; ++r)
        plane->fillRange(start + r * columns + 1, start + r * columns + width + 4, 0x00);
    }
  }
  // Bottom up, so that each row finds the attribute to resume with in the
  // screen as it was.
  showRow(d, start + (depth + 1) * columns, width, characters_[kLowerLeft], characters_[kBottom],
          characters_[kLowerRight], false);
  for (uint32_t r = depth; r >= 1; --r)
    showRow(d, start + r * columns, width, characters_[kLeft], 0x00, characters_[kRight], true);
  if (!pullDown)
    showRow(d, start, width, characters_[kUpperLeft], characters_[kTop], characters_[kUpperRight],
            false);
}
