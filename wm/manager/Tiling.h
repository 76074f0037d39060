#pragma once
// Arranging the normal windows of the session inside the work area: in
// horizontal strips, in vertical columns, or cascaded from the top-left.
struct ManagerState;

void TileWindowsHorizontally(ManagerState* state);
void TileWindowsVertically(ManagerState* state);
// `rows` by `columns` cells, filled row by row from the topmost window down.
void TileWindows(ManagerState* state, int rows, int columns);
void CascadeWindows(ManagerState* state);
