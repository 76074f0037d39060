#pragma once
// The texts Teldra shows, each with a built-in English default that a
// national-language catalog ("qxteldra", lines "Key: text") may replace.
// A replacement whose conversions ("%s", "%d", ...) differ from the
// default's is refused: catalog texts are never used as printf formats,
// their conversions are filled by FormatCatalogText.
#include <cstddef>
#include <string>
#include <vector>

enum CatalogTextId {
  TextMinimizeAll, TextConstrainWindows, TextIconPlacement, TextColorTheme, TextScreenSaver,
  TextLockScreen, TextChangePIN, TextLogoff, TextRestore, TextMove, TextSize, TextMinimize,
  TextMaximize, TextClose, TextIconMenuTitle, TextIconsTopLR, TextIconsTopRL, TextIconsBottomLR,
  TextIconsBottomRL, TextIconsLeftTB, TextIconsLeftBT, TextIconsRightTB, TextIconsRightBT,
  TextColorThemeTitle, TextThemeWarning, TextTimeSeparator, TextAM, TextPM, TextWelcome,
  TextUserName, TextPassword, TextReEnterPassword, TextEnterPIN, TextLogin, TextShutdown,
  TextLockButton, TextUnlockButton, TextLogoffButton, TextRebootButton, TextIncorrectLogin,
  TextIncorrectPassword, TextIncorrectPIN, TextNotSameCard, TextLowMemoryKill,
  TextLowMemoryWarning, TextConnecting, TextWelcomeUnlock, TextWelcomeUnlockBy,
  TextEnterLockPassword, TextPasswordsDontMatch, TextOk, TextCancel, TextYes, TextNo,
  TextLoggedInUser, TextScreenDumpName, TextTalkConnection, TextMyWebSite, TextDiskSpaceLeft,
  TextEnableScreenSaver, TextDisableScreenSaver, TextEnableConstrain, TextDisableConstrain,
  TextScreenLockedKey, TextScreenLockedCard, TextScreenLockedRemove, TextNotEnoughMemory,
  TextConfirmLogoff, TextConfirmLock, TextExecutionFailed,
  TextChangePINTitle, TextOldPIN, TextNewPIN, TextNewPINAgain, TextPINChanged, TextPINsDontMatch,
  TextPINLength, TextWrongOldPIN, TextWrongOldPINTries, TextPINBlocked, TextPINNotChanged, TextNoCard,
  CatalogTextCount
};

// The current text of a slot.
const char* CatalogText(int id);
const char* CatalogKey(int id);
const char* CatalogDefault(int id);
// Puts every slot back to its default.
void ResetMessageCatalog();
// One catalog line: "Key: text" ("\n" in the text is a line end). Returns
// 1 when a slot took the text; 0 for comments, unknown keys, lines
// without a colon, and texts whose conversions differ from the default's.
int ApplyCatalogLine(const char* line);
// The lines of a whole catalog as read from a file: complete lines only;
// a line of 1024 bytes or more is cut to 1023 and what follows dropped up
// to its end.
void ApplyCatalogBytes(const char* data, size_t size);
// Finds "qxteldra" for the current language and applies it; 0 when no
// catalog was read.
int LoadMessageCatalog();
// The text with its conversions replaced by `args`, in order (each already
// formatted as the default's conversion asks); missing args give "".
std::string FormatCatalogText(int id, const std::vector<std::string>& args);
// The conversions of a printf-style text ("%%" left out): "%s", "%02d", ...
std::vector<std::string> TextConversions(const char* text);
