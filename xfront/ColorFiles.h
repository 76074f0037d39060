#pragma once
// The colour files of a session: the five built-in schemes, a basic file
// naming one of them, an advanced file of 22 colour values, and
// the indirection of a session or default file to an advanced file. No X.
#include <string>
#include <vector>

enum class ColorSchemeId { Black = 0, DarkGrey = 1, Grey = 2, Wheat = 3, LightBlue = 4 };

// The 22 colours of a built-in scheme, index 0 first, as "#rrggbb".
const char* const* BuiltInColorScheme(ColorSchemeId id);

// A colour value a file may hold: "#" and 6 or 12 hex digits.
bool ValidColorSpec(const std::string& spec);

// The scheme a basic colour file selects by its third line, or -1 when the
// file is corrupt.
int BasicColorFileScheme(const std::string& text);

// The 22 colour values of an advanced colour file (lines after the 22nd
// are ignored); false when the file is corrupt.
bool ParseAdvancedColorFile(const std::string& text, std::vector<std::string>* specs);

struct ResolvedColorFile {
  std::string path;
  bool advanced = false;
};

// The administrator's comma-separated list of colour directories as the
// colour mapper takes it: each directory a string of its own, the last one
// followed by an empty string (the list's length + 2 bytes).
std::vector<char> ColorDirectoryBlock(const std::string& list);

// The last component of a path (after the last "/").
std::string LastPathComponent(const std::string& path);

// Resolves a candidate file: with indirection allowed, a file whose first
// byte is "/" names an advanced file on its first line. False when the
// candidate (or the file it names) does not open or the name is too long.
bool ResolveColorFile(const std::string& candidate, bool indirection, ResolvedColorFile* out);
