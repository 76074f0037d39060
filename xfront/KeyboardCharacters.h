#pragma once
// The characters of a national keyboard beyond those of the US layout: its
// letters and signs in ISO 8859-1, which a session window keeps in the code
// set of its fonts.
#include "session/CodePageConverter.h"

constexpr int kExtraKeyboardCharacters = 10;

// The keyboard's characters (ISO 8859-1 code points, at most 10) ended by
// 0xFF; just 0xFF for a keyboard without any.
const unsigned char* KeyboardExtraCharacterIndexes(int keyboardId);

// Each character of the keyboard as UTF-8 through `xFromUtf8`: the first
// byte of every conversion that succeeds, in order, into `out` (the rest
// of `out` zero). Returns how many were stored.
int KeyboardExtraCharacters(int keyboardId, const CodePageConverter& xFromUtf8,
                            unsigned char (&out)[kExtraKeyboardCharacters]);
