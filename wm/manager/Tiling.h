#pragma once
// Arranging the normal windows of the session inside the work area: in
// horizontal strips, in vertical columns, or cascaded from the top-left.
struct ScreenState;

void TileWindowsHorizontally(ScreenState* state);
void TileWindowsVertically(ScreenState* state);
// `rows` by `columns` cells, filled row by row from the topmost window down.
void TileWindows(ScreenState* state, int rows, int columns);
void CascadeWindows(ScreenState* state);
