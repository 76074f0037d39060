// What a repaint lays over the screen copy before it paints: the flash of a
// clicked hot spot is taken back, the entry fields of the repainted range
// are highlighted, and its hot spots are marked again from the presentation
// space.
#include <algorithm>

#include "display/DisplayBag.h"
#include "display/Field.h"
#include "display/FormatTable.h"
#include "keyboard/KeyboardState.h"
#include "session/AppResources.h"
#include "session/MiscPreferences.h"
#include "session/ResourceKeywords.h"
#include "session/SessionControlBlock.h"
#include "xfront/DisplayAttributes.h"
#include "xfront/ScreenPainter.h"
#include "xfront/XStuff.h"

bool XStuff::hotSpotsMarked() const {
  return miscPreference(misc_pref::kHotspots) != 0 && miscPreference(misc_pref::kHotspotHighlighting) == 1;
}

void XStuff::clearHotSpotMarks() {
  constexpr unsigned short kHotSpotBits = paint_flag::kHotSpot | paint_flag::kHighlighted;
  const int n = cells();
  for (int p = 0; p < n; ++p) {
    if (!(overlay_[p] & paint_flag::kHotSpot)) continue;
    overlay_[p] = static_cast<unsigned short>(overlay_[p] & ~kHotSpotBits);
    dirty_.widen(p, p + 1);
  }
  highlightLow_ = highlightHigh_ = -1;
}

void XStuff::prepareOverlays() {
  const int n = cells();
  if (dirty_.empty() || n <= 0) return;
  // The highlighted cells of the last repaint (a flashed hot spot) are
  // shown plain again with whatever comes next.
  if (highlightLow_ >= 0) {
    const int low = std::min(highlightLow_, n - 1), high = std::min(highlightHigh_, n - 1);
    for (int p = low; p <= high; ++p) overlay_[p] = static_cast<unsigned short>(overlay_[p] & ~paint_flag::kHighlighted);
    if (highlightHigh_ < n) dirty_.widen(low, high + 1);
    highlightLow_ = highlightHigh_ = -1;
  }
  const int low = std::max(dirty_.low, 0), high = std::min(dirty_.high, n) - 1;
  DisplayBag* station = session_ ? session_->display : nullptr;
  if (entryFieldHighlighting()) {
    // The cells of input fields that take data get the highlighted
    // background; text assist shows none.
    const bool textAssist = station && station->keyboardState().state() == KeyboardState::kWordProcessing;
    for (int p = low; p <= high; ++p) {
      Field* f = station && !textAssist ? station->formatTable().getField(static_cast<unsigned int>(p)) : nullptr;
      const bool lit = f && f->isEntryField() && !(f->flags() & Field::kBypass);
      attributes_[p] = static_cast<unsigned short>(lit ? attributes_[p] | display_attribute::kEntryHighlight
                                                       : attributes_[p] & ~display_attribute::kEntryHighlight);
    }
  }
  if (!hotSpotsMarked()) return;
  for (int p = low; p <= high; ++p) overlay_[p] = static_cast<unsigned short>(overlay_[p] & ~paint_flag::kHotSpot);
  if (!station) return;
  const PresentationSpaceScreenBuffer& ps = station->presentationSpace();
  // While the screen changes size the window and the station may differ.
  if (static_cast<int>(ps.columns()) != columns_ || static_cast<int>(ps.lastOffset()) < high || low > high) return;
  const auto first = static_cast<unsigned int>(low), last = static_cast<unsigned int>(high);
  ps.markHotspotsInArea(first, last, overlay_.data(), paint_flag::kHotSpot);
  ps.markMenuHotSpots(first, last, overlay_.data(), paint_flag::kHotSpot);
  if (AppResources().browserStart == QwEnable)
    ps.markURLHotSpots(first, last, overlay_.data(), paint_flag::kHotSpot);
}

void XStuff::noteHighlighted(int start, int end) {
  for (int p = std::max(start, 0); p < end && p < cells(); ++p) {
    // A host's push button keeps its highlight (a selected choice).
    if (!(overlay_[p] & paint_flag::kHighlighted) || (overlay_[p] & paint_flag::kPushButton)) continue;
    if (highlightLow_ < 0 || p < highlightLow_) highlightLow_ = p;
    highlightHigh_ = std::max(highlightHigh_, p);
  }
}
