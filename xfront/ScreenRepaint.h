#pragma once
// The pure parts of the window's repaint scheduling: the dirty range of
// screen positions, its division into row spans, and the row/column text of
// the status line.
#include <string>

// One dirty range [low, high); empty is low >= high (low = cells, high = 0).
struct DirtyRange {
  int low = 0;
  int high = 0;
  void reset(int cells) {
    low = cells;
    high = 0;
  }
  bool empty() const { return low >= high; }
  // Widens by [from, to) (to one past the last position).
  void widen(int from, int to) {
    if (from < low) low = from;
    if (to > high) high = to;
  }
};

// One row span of a repaint: positions [start, end) of `row`.
struct RowSpan {
  int row;
  int startColumn;
  int start;
  int end;
};

// Takes the next span of the range (the row of low, from low's column to
// the row's end or to high) and moves low to the next row's start; false
// and an empty range when nothing is left.
bool NextRowSpan(DirtyRange& range, int columns, RowSpan* span);

// The row/column indicator: the 1-based row as two characters (a blank for
// the tens digit below 10), "/", the 1-based column left-aligned in three.
std::string RowColumnText(int position, int columns);
