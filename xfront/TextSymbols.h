#pragma once
// Which text-assist symbol (carrier return, tab, required space, page end,
// stop code, word underscore, half index and the others) a screen position
// shows instead of its character. No X here: ScreenPainter draws the kinds.

namespace text_symbol {
constexpr int kNone = -1;
constexpr int kCarrierReturn = 0;
constexpr int kRequiredCarrierReturn = 1;  // also the field mark
constexpr int kTab = 2;
constexpr int kRequiredTab = 3;
constexpr int kPageEnd = 4;
constexpr int kHalfIndexUp = 5;
constexpr int kHalfIndexDown = 6;
constexpr int kSecondaryOther = 7;
constexpr int kSecondaryEnd = 8;
constexpr int kPrimaryAttribute = 9;
constexpr int kPrimaryEnd = 10;
constexpr int kRequiredSpace = 11;
constexpr int kStopCode = 12;
constexpr int kDup = 13;
constexpr int kKinds = 14;
}  // namespace text_symbol

// The symbol kind of a code read from a shadow plane (0 presentation space,
// 1 primary, 2 secondary, 3 colour); text_symbol::kNone for no symbol.
int TextSymbolKind(unsigned char code, int plane);

// The symbol kind a position shows. `presentation` is its presentation-space
// byte, `shown` the byte of the plane the text-symbols display shows
// (`plane`). The dup, field mark and stop code are symbols whenever the
// position is displayed; the other text symbols only while the text-symbols
// display is on.
int TextSymbolAt(unsigned char presentation, unsigned char shown, int plane, bool textSymbolsOn, bool nonDisplay);

// Whether the text-symbols display shows its symbols: the display must be
// on (the station is in text assist), and the operator's switch shows the
// symbols of the text on the whole text area, or the display shows one of
// the attribute planes (`plane` 1 or 2).
bool TextSymbolsShown(bool displayOn, bool wholeScreen, int plane);
