#pragma once
// The plain click shared by the areas: it moves the cursor to the click (or,
// when a left press marks areas, starts a marking there) and posts the
// station's click AID when it has one. 0, or the operator error raised.
class DisplayBag;

int CommonMouseCode(DisplayBag* d, unsigned int offset);
// Shows the hot spot's text at start (length positions) as a pressed push
// button, mirrored on a reversed screen.
void FlashHotSpot(DisplayBag* d, unsigned int start, unsigned int length);
