#pragma once
// The built-in English resources: the texts of the dialogs and messages,
// used when no translated resource file overrides them.

// A null-terminated list of resource lines, in the form Xt takes as its
// fallback resources.
char** QwFallbackResources();
