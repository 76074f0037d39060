#pragma once
// Colours by name ("grey60") or number ("#a0a0a4") in the screen's colormap.
struct SdkScreen;

// The pixel, or `fallback` when the name is unknown or the colormap is full.
unsigned long GetColor(SdkScreen* screen, const char* name, unsigned long fallback);
