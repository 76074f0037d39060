#pragma once
// Colour-theme packages of the registry: the list of themes ("/themelist")
// with display names in several languages, and theme packages holding their
// settings as registry items and their pictures as XPM images embedded in
// the XML (Base64 or quoted-printable).
#include <X11/Xlib.h>

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

struct QXRegObject;

struct ThemeListEntry {
  std::string definition;  // the theme package's registry path
  std::string label;       // its display name
};

// The themes of a list package's text, in document order. The display text
// is looked up in the "user" texts, then those of the locale that matches
// LC_MESSAGES (else LANG; any case), then "en_US". False when the text is
// not a well-formed package.
bool ParseThemeList(const char* xml, size_t size, const char* lang, const char* lcMessages,
                    std::vector<ThemeListEntry>* themes);

struct ThemePackageContents {
  std::vector<std::pair<std::string, std::string>> items;   // every item's values, in order
  std::vector<std::pair<std::string, std::string>> images;  // name, decoded XPM text
};
// A theme package's text; false when it is not a well-formed package.
bool ParseThemePackage(const char* xml, size_t size, ThemePackageContents* contents);

// The text of a registry package (the file of the object path below the
// registry directory), at most 8 MiB; false when it cannot be read.
bool ReadRegistryPackage(const char* path, std::string* text);

// Reads "/themelist" with the environment's LANG and LC_MESSAGES; 1 when
// the package was read, 0 when it could not be.
int ReadThemeList(std::vector<ThemeListEntry>* themes);

// Reads the theme package: a new object with the theme's items and
// "appbar_pixmap", "toolbar_pixmap" and "background_pixmap" ("#id" of new
// pixmaps that the caller owns) for the pictures it has; null when the
// package cannot be read. On screens of 8 bits or fewer the "16" pictures
// are not used.
QXRegObject* LoadThemePixmaps(Display* display, Window root, int depth, const char* package);
