#pragma once
// The check of a Thai key sequence: a code of the host's Thai code page
// that cannot follow the codes typed before it (a tone mark without a
// consonant, two upper vowels on one consonant) is refused. The state
// carries what the last accepted codes allow next. No X here.

namespace thai {

// The class of a code for the check (1 for codes below 0x40).
int KeyCheckClass(unsigned char ebcdic);

// Accepts (true) or refuses a code in `state` (0 to 4), moving the state on
// for an accepted code; a refused code leaves it alone.
bool CheckKeySequence(unsigned char ebcdic, int* state);

}  // namespace thai
