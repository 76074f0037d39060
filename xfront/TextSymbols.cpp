#include "xfront/TextSymbols.h"

namespace {

using namespace text_symbol;

bool AlwaysSymbol(unsigned char code) { return code == 0x1C || code == 0x1F || code == 0x1E; }

// The codes the text-symbols display shows in a plane.
bool ShownWithTextSymbols(unsigned char code, int plane) {
  if ((plane == 1 || plane == 2) && (code & 0x80) && (code & 0x5F) <= 7) return true;
  switch (code) {
    case 0x02:
    case 0x03:
    case 0x05:
    case 0x06:
    case 0x0C:
    case 0x1A:
    case 0x1E:
    case 0x41:
      return true;
    default:
      return false;
  }
}

}  // namespace

int TextSymbolKind(unsigned char code, int plane) {
  switch (plane) {
    case 0:
    case 3:
      switch (code) {
        case 0x03:
          return kCarrierReturn;
        case 0x06:
        case 0x1F:
          return kRequiredCarrierReturn;
        case 0x05:
          return kTab;
        case 0x02:
          return kRequiredTab;
        case 0x0C:
          return kPageEnd;
        case 0x41:
          return kRequiredSpace;
        case 0x1A:
        case 0x1E:
          return kStopCode;
        case 0x1C:
          return kDup;
        default:
          return kNone;
      }
    case 1:
      if (code == 0x80) return kPrimaryEnd;
      return (code & 0x80) ? kPrimaryAttribute : kNone;
    case 2:
      switch (code) {
        case 0x80:
          return kSecondaryEnd;
        case 0x81:
        case 0x85:
          return kHalfIndexUp;
        case 0x82:
        case 0x86:
          return kHalfIndexDown;
        case 0x84:
          return kSecondaryOther;
        default:
          return kNone;
      }
    default:
      return kNone;
  }
}

int TextSymbolAt(unsigned char presentation, unsigned char shown, int plane, bool textSymbolsOn, bool nonDisplay) {
  if (nonDisplay) return kNone;
  unsigned char code = plane == 0 ? presentation : shown;
  if (plane != 0 && shown == 0 && (presentation == 0x1F || presentation == 0x1C)) {
    code = presentation;
    plane = 0;
  }
  if (AlwaysSymbol(code)) return TextSymbolKind(code, plane == 0 ? 0 : plane);
  if (textSymbolsOn && ShownWithTextSymbols(code, plane)) return TextSymbolKind(code, plane);
  return kNone;
}

bool TextSymbolsShown(bool displayOn, bool wholeScreen, int plane) {
  return displayOn && (wholeScreen || plane == 1 || plane == 2);
}
