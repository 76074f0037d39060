#pragma once
// The translated resource file (MRI file): read from $MRIPATH, published on
// the root window's RESOURCE_MANAGER property for the helper programs, and
// merged over the application's own resources.
#include <X11/Intrinsic.h>

// Reads fileName from the MRI directory and installs it. On return
// *language is the language used: the first five characters of LC_MESSAGES
// (or "en_US"), or "FB" when no file was installed and the built-in English
// fallbacks stay in force. *language points to storage of this module.
// flag is unused.
void setApplicationResources(const char* fileName, Widget topLevel, char** language, int flag);
