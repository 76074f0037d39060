#pragma once
// The text of a keystroke as characters: what the input method returns is
// text in the code set of its locale (a UTF-8 locale gives several bytes for
// one accented letter), which is decoded into characters before each is
// given its place in the session's code page.
#include <string>

// The code set of the text that an input method opened in `locale` returns:
// the locale's own code set, and ISO 8859-1 for the C and POSIX locales
// (whose X text is Latin-1). "" for a locale the C library does not know.
std::string KeyTextCodeSet(const char* locale);

// Decodes `length` bytes of key text in `codeSet` into characters (Unicode
// code points). False when the bytes are no text of that code set or the
// code set is unknown; `out` then holds nothing.
bool DecodeKeyText(const std::string& codeSet, const char* text, int length, std::u32string* out);

// The session keyboard codes (ISO 8859-1; in a euro session the euro sign at
// 0xA4) of the characters, up to the first that has no place among them.
// Returns how many characters were taken.
size_t KeyTextToSessionCodes(const std::u32string& text, bool euroSession, std::string* codes);

// The same for a session whose keyboard codes are its own single-byte set
// (a Thai session's, `codeSet`): each character's byte in that set.
size_t KeyTextToCodeSet(const std::u32string& text, const std::string& codeSet, std::string* codes);
