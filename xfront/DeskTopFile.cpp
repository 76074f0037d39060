#include "xfront/DeskTopFile.h"

namespace {

struct SizeFile {
  int width, height;
  const char* name;
};
constexpr SizeFile kFiles[] = {{1600, 1200, "DeskTop1600x1200"},
                               {1280, 1024, "DeskTop1280x1024"},
                               {1024, 768, "DeskTop1024x768"},
                               {800, 600, "DeskTop800x600"},
                               {0, 0, "DeskTop"}};
constexpr int kFileCount = sizeof kFiles / sizeof kFiles[0];

int FileRow(int width, int height) {
  for (int i = 0; i < kFileCount; ++i)
    if (kFiles[i].width <= width && kFiles[i].height <= height) return i;
  return kFileCount - 1;
}

void PutCoordinate(std::string& out, int v) {
  const unsigned int magnitude = static_cast<unsigned int>(v < 0 ? -v : v) & 0xFFFFu;
  out += static_cast<char>(v < 0 ? 1 : 0);
  out += static_cast<char>(magnitude >> 8);
  out += static_cast<char>(magnitude & 0xFF);
}

}  // namespace

int DeskTopFileRow(int screenWidth, int screenHeight) { return FileRow(screenWidth, screenHeight); }
int DeskTopFileCount() { return kFileCount; }
const char* DeskTopFileNameOfRow(int row) { return kFiles[row >= 0 && row < kFileCount ? row : kFileCount - 1].name; }

DeskTopSettingType ScreenFormatOf(int rows, int cols) {
  if (cols > 80) return kDeskTop27x132;
  if (rows <= 24) return kDeskTop24x80;
  if (rows <= 32) return kDeskTop32x80;
  return kDeskTop43x80;
}

const char* DeskTopFileName(int screenWidth, int screenHeight) {
  return kFiles[FileRow(screenWidth, screenHeight)].name;
}

std::string EncodeDeskTop(const DeskTopData& data) {
  std::string out;
  out += 'd';
  for (int i = 0; i < 4; ++i) {
    out += static_cast<char>(data.fontSet[i] ? 1 : 0);
    out += static_cast<char>(data.font[i]);
  }
  int count = 0;
  for (const DeskTopSessionRecord& r : data.sessions) {
    if (count++ >= DeskTopData::kMaxSessions) break;
    out += static_cast<char>(1);
    PutCoordinate(out, r.x);
    PutCoordinate(out, r.y);
    out += static_cast<char>(r.font);
    out += r.id.substr(0, DeskTopSessionRecord::kMaxIdLength);
    out += '\n';
  }
  return out;
}

bool DecodeDeskTop(const std::string& bytes, DeskTopData* out, std::string* why) {
  DeskTopData d;
  auto fail = [why](const char* reason) {
    if (why) *why = reason;
    return false;
  };
  if (bytes.empty() || static_cast<unsigned char>(bytes[0]) < 100) return fail("no settings mark");
  if (bytes.size() < 9) return fail("font settings cut short");
  const auto byte = [&bytes](size_t i) { return static_cast<unsigned char>(bytes[i]); };
  for (int i = 0; i < 4; ++i) {
    d.fontSet[i] = byte(1 + 2 * i) != 0;
    d.font[i] = byte(2 + 2 * i);
  }
  size_t at = 9;
  while (at < bytes.size()) {
    if (static_cast<int>(d.sessions.size()) >= DeskTopData::kMaxSessions) break;
    if (bytes.size() - at < 8) return fail("session record cut short");
    if (byte(at) == 0) return fail("session record not in use");
    if (byte(at + 1) > 1 || byte(at + 4) > 1) return fail("bad coordinate sign");
    DeskTopSessionRecord r;
    r.x = (byte(at + 2) << 8) | byte(at + 3);
    if (byte(at + 1)) r.x = -r.x;
    r.y = (byte(at + 5) << 8) | byte(at + 6);
    if (byte(at + 4)) r.y = -r.y;
    r.font = byte(at + 7);
    at += 8;
    const size_t end = bytes.find('\n', at);
    if (end == std::string::npos) return fail("session id without line end");
    if (end - at > DeskTopSessionRecord::kMaxIdLength) return fail("session id too long");
    r.id = bytes.substr(at, end - at);
    at = end + 1;
    d.sessions.push_back(r);
  }
  *out = d;
  return true;
}

