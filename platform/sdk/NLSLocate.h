#pragma once
// National-language files: "<registry>/nls/<language>/<name>", for the
// language of LC_ALL, LC_MESSAGES or LANG (the first one set), tried whole
// ("de_DE.UTF-8"), without codeset and modifier ("de_DE"), then as the
// bare language ("de").
#include <cstddef>

// Copies the path of the file into buffer; 0, or -1 when there is none (or
// the name or buffer will not do).
int QXNLSLocateFile(const char* name, char* buffer, size_t size);
