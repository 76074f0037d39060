#pragma once
// Types that sessions hand to their dialogs, declared without Motif headers.

// The colour settings of a session (built by the window front end).
struct ColorOptions;

// Motif's render table handle, as Xm/Xm.h declares it.
typedef struct __XmRenderTableRec** XmRenderTable;
