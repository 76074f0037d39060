#pragma once
// The bracketed key names of the programming interface ("[enter]",
// "[pf1]" ...) and the keystroke codes of the key glue they stand for.
// Names are compared exactly (case and blanks count); several names share a
// code, and the first of them in table order names the code in key reports.
#include <string>

// The keystroke code of a name (brackets included); -1 for no such name.
int KeystrokeCodeOfName(const std::string& name);
// The first name of a code; null when the code has none.
const char* KeyNameOfCode(unsigned int code);
// The number of names in the table.
int KeyNameCount();
