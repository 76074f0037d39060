#include "xfront/MarkedArea.h"

#include <algorithm>

namespace {

MarkingSegment Segment(DRAW_LINE_METHOD side, int a, int b) { return {side, std::min(a, b), std::max(a, b)}; }

}  // namespace

std::vector<MarkingSegment> MarkedAreaOutline(int start, int end, int columns, bool block, bool mirrored) {
  std::vector<MarkingSegment> out;
  if (columns <= 0 || start < 0 || end < start) return out;
  const int rs = start / columns, cs = start % columns;
  const int re = end / columns, ce = end % columns;
  auto at = [columns](int row, int column) { return row * columns + column; };

  if (block) {
    const int r1 = std::min(rs, re), r2 = std::max(rs, re);
    const int c1 = std::min(cs, ce), c2 = std::max(cs, ce);
    out.push_back(Segment(kLineTop, at(r1, c1), at(r1, c2)));
    out.push_back(Segment(kLineRight, at(r1, c2), at(r2, c2)));
    out.push_back(Segment(kLineBottom, at(r2, c1), at(r2, c2)));
    out.push_back(Segment(kLineLeft, at(r1, c1), at(r2, c1)));
    return out;
  }
  if (rs == re) {
    out.push_back(Segment(kLineTop, start, end));
    out.push_back(Segment(kLineRight, end, end));
    out.push_back(Segment(kLineBottom, start, end));
    out.push_back(Segment(kLineLeft, start, start));
    return out;
  }

  // Left-to-right geometry; a mirrored area is worked out on mirrored
  // columns and mapped back (left and right sides swap).
  const int last = columns - 1;
  const int s = mirrored ? last - cs : cs;
  const int e = mirrored ? last - ce : ce;
  struct Raw {
    DRAW_LINE_METHOD side;
    int r1, c1, r2, c2;
  };
  std::vector<Raw> raw;
  raw.push_back({kLineTop, rs, s, rs, last});
  raw.push_back({kLineRight, rs, last, re - 1, last});
  if (e != last) raw.push_back({kLineBottom, re - 1, e + 1, re - 1, last});
  raw.push_back({kLineRight, re, e, re, e});
  raw.push_back({kLineBottom, re, 0, re, e});
  raw.push_back({kLineLeft, rs + 1, 0, re, 0});
  if (s != 0) raw.push_back({kLineTop, rs + 1, 0, rs + 1, s - 1});
  raw.push_back({kLineLeft, rs, s, rs, s});
  for (Raw r : raw) {
    if (mirrored) {
      r.c1 = last - r.c1;
      r.c2 = last - r.c2;
      if (r.side == kLineLeft)
        r.side = kLineRight;
      else if (r.side == kLineRight)
        r.side = kLineLeft;
    }
    out.push_back(Segment(r.side, at(r.r1, r.c1), at(r.r2, r.c2)));
  }
  return out;
}
