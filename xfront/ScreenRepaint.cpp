#include "xfront/ScreenRepaint.h"

#include <algorithm>
#include <cstdio>

bool NextRowSpan(DirtyRange& range, int columns, RowSpan* span) {
  if (range.empty() || columns <= 0) return false;
  const int row = range.low / columns;
  const int rowEnd = (row + 1) * columns;
  span->row = row;
  span->startColumn = range.low % columns;
  span->start = range.low;
  span->end = std::min(rowEnd, range.high);
  range.low = rowEnd;
  if (range.low >= range.high) range = DirtyRange{range.high, 0};
  return true;
}

std::string RowColumnText(int position, int columns) {
  if (columns <= 0 || position < 0) position = 0;
  const int row = (columns > 0 ? position / columns : 0) + 1;
  const int column = (columns > 0 ? position % columns : 0) + 1;
  char text[16];
  std::snprintf(text, sizeof text, "%2d/%-3d", row % 100, column % 1000);
  return text;
}
