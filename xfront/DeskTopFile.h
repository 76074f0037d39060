#pragma once
// The desktop settings file's contents: screen formats, the file name per
// screen size, the session records, and the file's bytes. No X here.
#include <cstddef>
#include <string>
#include <vector>

// Screen formats in file order.
enum DeskTopSettingType { kDeskTop24x80 = 0, kDeskTop27x132 = 1, kDeskTop32x80 = 2, kDeskTop43x80 = 3 };
DeskTopSettingType ScreenFormatOf(int rows, int cols);

// The file name for a screen of width x height pixels; the files are tried
// from that row of the size table down to the smallest screen's.
const char* DeskTopFileName(int screenWidth, int screenHeight);
int DeskTopFileRow(int screenWidth, int screenHeight);
int DeskTopFileCount();
const char* DeskTopFileNameOfRow(int row);

struct DeskTopSessionRecord {
  int x = 0, y = 0;
  int font = 0;
  std::string id;  // at most kMaxIdLength characters
  static constexpr size_t kMaxIdLength = 20;
};

struct DeskTopData {
  static constexpr int kMaxSessions = 99;
  bool fontSet[4] = {};
  unsigned char font[4] = {};
  std::vector<DeskTopSessionRecord> sessions;  // newest first
};

// The file image of the settings, and back. Decoding refuses (false, the
// reason in *why) a file that is not complete: a bad first byte, a cut
// font pair or record, an id without its line end or too long.
std::string EncodeDeskTop(const DeskTopData& data);
bool DecodeDeskTop(const std::string& bytes, DeskTopData* out, std::string* why);
