#pragma once
// The reader named by the environment: QX_SMARTCARD_DEVICE names the serial
// line and QX_SMARTCARD_READER the reader type ("Litronic" is the only one
// chosen). Null when either is missing, the type is unknown or the line
// cannot be opened.
class CardReader;

CardReader* CreateSmartCardReader();
