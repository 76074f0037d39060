#pragma once
// The colour of highlighted entry fields, as the resource
// "ENTRY_FIELD_HIGHLIGHTING" gives it: three decimal numbers (red, green,
// blue) separated by blanks. No X here.
#include <string>

// The X colour spec ("#rrggbb") of a resource value: each number clamped to
// 0..255, missing numbers 0. False (and `spec` empty) for a null or empty
// value and for a value holding anything but digits and blanks.
bool EntryFieldHighlightSpec(const char* value, std::string* spec);
