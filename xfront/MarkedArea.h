#pragma once
// The outline of a marked screen area as numbered line segments for the
// window: a block (rectangle), a linear area on one row, or a linear area
// over several rows in left-to-right or mirrored flow.
#include <vector>

#include "xfront/RenderingWindow.h"

struct MarkingSegment {
  DRAW_LINE_METHOD side;
  int from;  // the smaller position
  int to;    // the larger position
  bool operator==(const MarkingSegment& o) const { return side == o.side && from == o.from && to == o.to; }
};

// Segments of the area from start to end (start <= end) on a screen of
// `columns` columns; 4 for a block or one row, 6 to 8 otherwise.
std::vector<MarkingSegment> MarkedAreaOutline(int start, int end, int columns, bool block, bool mirrored);
