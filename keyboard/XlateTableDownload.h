#pragma once
// A keyboard translation table that the host downloads, made the session's
// active table. The new table is checked and registered before the old one
// is let go: a refused table leaves the active table as it was.
class XlateTable;
class TAXlate;

// `table`: the table image, `length` the bytes present there. 0 when the
// table is active; else the refusal (see XlateTable::AddTable).
int InstallHostTable(XlateTable& registry, TAXlate& tax, const unsigned char* table, unsigned long length);
