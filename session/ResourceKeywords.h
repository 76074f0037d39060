#pragma once
// Keywords of the enumerated application resources (type "QwFunction"): an Xt
// converter turns a keyword into a one-byte code, and the lookups below turn
// codes back into keywords for logs and for the preferences program.

// The resource type name of the enumerated resources.
#define XtRQwFunction "QwFunction"

// General keyword codes.
enum QwFunctionCode : unsigned char {
  QwDisableAndHide = 101,
  QwDisable = 102,
  QwEnable = 103,
  QwBasic = 104,
  QwAdvanced = 105,
  QwPlaybackOnly = 106,
  QwDisableNoResizeOrMove = 107,
  QwKeypadOnly = 108,
  QwKeyboardOnlyLocalPrint = 109,
  Qw819 = 110,
  QwLower819Only = 111,
  QwTrue = 112,
  QwFalse = 113,
  QwSessionOnly = 114,
  QwTextAndSessionId = 115,
  QwSessionIdOnly = 116,
  QwTextOnly = 117,
  QwNotSpecified = 118,
  QwFixedFontsOnly = 119,
  QwTextAndHost = 120,
  QwTextHostAndSessionId = 121,
  QwDeiconify = 122,
  QwBeep = 123,
  QwBlink = 124,
  QwDisableAndAllowWmClose = 125,
  QwEnableWithAdditionalChars = 126,
};

// The code of a keyword: general keywords first, then the preference
// keywords. False when the text is no keyword.
bool QwFunctionFromString(const char* text, unsigned char* code);

// The keyword of a general code, "Unknown Value" (with a log line) otherwise.
const char* GetResourceValueStr(unsigned char code);

// The keyword of a code in a preference's list ("CURSOR_STYLE", ...), or
// "Unknown Value".
const char* GetDrevaskResourceValueStr(const char* preference, unsigned char code);

// Registers the String-to-QwFunction converter with Xt (cached). Needs an
// initialised toolkit; declared without Xt types so callers need no X headers.
void RegisterQwFunctionConverter();
