#pragma once
// The descriptor of one copy or paste, passed between the display station,
// the fields, the display device and the window's clipboard code.
class CopiedDataInformation {
 public:
  static constexpr unsigned int kDataPresent = 0x80000000u;  // bit 31
  static constexpr unsigned int kBlock = 0x40000000u;        // bit 30
  static constexpr unsigned int kRightToLeft = 0x20000000u;  // bit 29
  static constexpr unsigned int kMaxRows = 43;

  unsigned int flags = 0;
  unsigned int startCell = 0;
  unsigned int endCell = 0;
  unsigned int word3 = 0;
  unsigned int word4 = 0;
  unsigned char* data = nullptr;  // a work buffer of the device
  unsigned int length = 0;
  unsigned char hiddenDataCheck = 0;
  unsigned char textAssist = 0;
  unsigned short rowWidth = 0;
  // One flag per copied row: the row holds non-display data.
  unsigned char nonDisplayRow[kMaxRows] = {};
};
