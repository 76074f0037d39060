#pragma once
// The stash file of the secure-socket layer: the key-ring password behind a
// fixed header, plain or obfuscated (format in platform/brell.h).

#include <cstddef>
#include <string>

// Largest stash file and password the reader accepts.
constexpr std::size_t kBrellStashMaxFile = 1024;
constexpr std::size_t kBrellStashMaxPassword = 128;

// Decodes the bytes of a stash file into `password`. False (and `password`
// empty) when the bytes are not a valid stash.
bool BrellParseStash(const unsigned char* data, std::size_t length, std::string* password);
