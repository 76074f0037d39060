#include "session/HandoffBlock.h"

#include <cstdint>
#include <cstring>
#include <string>

#include "session/StartOptions.h"
#include "base/LogMsg.h"

namespace {

// Field offsets and sizes of the block.
constexpr size_t kHost = 1, kHostSize = 101;
constexpr size_t kTitle = 102, kTitleSize = 101;
constexpr size_t kSessionId = 203, kSessionIdSize = 21;
constexpr size_t kSsl = 224, kSslSize = 101;
constexpr size_t kPort = 328;
constexpr size_t kWide = 332, kImage = 333;
constexpr size_t kLargestImage = 336;
constexpr size_t kDisplayName = 340, kDisplayNameSize = 101;
constexpr size_t kTerminalName = 441, kTerminalNameSize = 101;
constexpr size_t kSoftRequirement = 544;
constexpr size_t kStartupPlayback = 548;
constexpr size_t kLanguage = 549, kLanguageSize = 4;
constexpr size_t kPlaybackFile = 553, kPlaybackFileSize = 101;
constexpr size_t kPdt = 656, kTitleOption = 660;
constexpr size_t kTrace = 664;
constexpr size_t kKeyFile = 665, kKeyFileSize = 101;
constexpr size_t kIconic = 766;
constexpr size_t kEuro = 768;
constexpr size_t kForceFont = 772;
constexpr size_t kThai = 776, kRetryCount = 780, kRetryInterval = 784, kInactivity = 788;
constexpr size_t kCopyPaste = 792, kEcl = 796, kFontSizes = 800;
constexpr size_t kKeypadFlag = 804;
constexpr size_t kKeypads = 805, kKeypadsSize = kMaxInitialKeypadListBytes;
constexpr size_t kGeometry = 1306;
static_assert(kKeypads + kKeypadsSize == kGeometry, "keypad list ends where the geometry starts");
static_assert(kGeometry + sizeof(Geometry) + 2 == kHandoffBlockSize, "geometry and two unused bytes end the block");

using Block = unsigned char[kHandoffBlockSize];

void PutString(Block& b, size_t at, size_t size, const std::string& s) {
  const size_t n = s.size() < size - 1 ? s.size() : size - 1;
  std::memcpy(b + at, s.data(), n);
  b[at + n] = 0;
}

std::string GetString(const Block& b, size_t at, size_t size) {
  const void* end = std::memchr(b + at, 0, size);
  const size_t n = end ? static_cast<const unsigned char*>(end) - (b + at) : size - 1;
  return std::string(reinterpret_cast<const char*>(b + at), n);
}

void Put32(Block& b, size_t at, int value) {
  const uint32_t v = static_cast<uint32_t>(value);
  b[at] = static_cast<unsigned char>(v >> 24);
  b[at + 1] = static_cast<unsigned char>(v >> 16);
  b[at + 2] = static_cast<unsigned char>(v >> 8);
  b[at + 3] = static_cast<unsigned char>(v);
}

int Get32(const Block& b, size_t at) {
  const uint32_t v = (uint32_t{b[at]} << 24) | (uint32_t{b[at + 1]} << 16) | (uint32_t{b[at + 2]} << 8) | b[at + 3];
  return static_cast<int>(v);
}

// The names of a command-line keypad list that fit `room` bytes, rebuilt
// with a matching length and count; empty when none fits.
std::vector<unsigned char> FittingKeypadList(const std::vector<unsigned char>& list, size_t room) {
  std::vector<unsigned char> out = {0, 0, 0};
  if (list.size() < 3) return {};
  size_t pos = 3;
  int count = 0;
  while (pos < list.size() && count < list[2] && count < kMaxInitialKeypads) {
    const void* end = std::memchr(list.data() + pos, 0, list.size() - pos);
    if (!end) break;
    const size_t len = static_cast<const unsigned char*>(end) - (list.data() + pos) + 1;
    if (out.size() + len > room) break;
    out.insert(out.end(), list.begin() + pos, list.begin() + pos + len);
    pos += len;
    ++count;
  }
  if (count == 0) return {};
  out[0] = static_cast<unsigned char>(out.size() >> 8);
  out[1] = static_cast<unsigned char>(out.size() & 0xFF);
  out[2] = static_cast<unsigned char>(count);
  return out;
}

}  // namespace

bool KeypadListIsWellFormed(const unsigned char* list, size_t room) {
  if (room < 3) return false;
  const size_t total = (size_t{list[0]} << 8) | list[1];
  const int count = list[2];
  if (total < 3 || total > room || count < 1 || count > kMaxInitialKeypads) return false;
  size_t pos = 3;
  for (int i = 0; i < count; ++i) {
    if (pos >= total) return false;
    const void* end = std::memchr(list + pos, 0, total - pos);
    if (!end) return false;
    pos = static_cast<const unsigned char*>(end) - list + 1;
  }
  return pos == total;
}

void EncodeHandoffBlock(const SessionStartOptions& o, Block& b) {
  std::memset(b, 0, sizeof b);
  b[kHandoffAckOffset] = 0;
  PutString(b, kHost, kHostSize, o.hostName);
  PutString(b, kTitle, kTitleSize, o.title);
  PutString(b, kSessionId, kSessionIdSize, o.sessionId);
  PutString(b, kSsl, kSslSize, o.sslValue);
  Put32(b, kPort, o.port);
  b[kWide] = static_cast<unsigned char>(o.wideOption);
  b[kImage] = static_cast<unsigned char>(o.imageOption);
  Put32(b, kLargestImage, o.largestImage);
  PutString(b, kDisplayName, kDisplayNameSize, o.displayName);
  PutString(b, kTerminalName, kTerminalNameSize, o.terminalName);
  Put32(b, kSoftRequirement, o.DisplayNameSoftRequirementOption);
  b[kStartupPlayback] = static_cast<unsigned char>(o.startupPlayback);
  std::memcpy(b + kLanguage, o.languageId.data(), o.languageId.size() < 3 ? o.languageId.size() : 3);
  PutString(b, kPlaybackFile, kPlaybackFileSize, o.playbackFile);
  Put32(b, kPdt, o.PDTOption);
  Put32(b, kTitleOption, o.TitleOption);
  b[kTrace] = static_cast<unsigned char>(o.trace);
  PutString(b, kKeyFile, kKeyFileSize, o.keyFile);
  b[kIconic] = static_cast<unsigned char>(o.iconic);
  Put32(b, kEuro, o.EuroOption);
  b[kForceFont] = static_cast<unsigned char>(o.forceTranslatedFont);
  Put32(b, kThai, o.thaiDisplayMode);
  Put32(b, kRetryCount, o.retryCount);
  Put32(b, kRetryInterval, o.retryInterval);
  Put32(b, kInactivity, o.inactivityTimeout);
  Put32(b, kCopyPaste, o.CopyPasteOption);
  Put32(b, kEcl, o.ECLOption);
  Put32(b, kFontSizes, o.FontSizesOption);
  const std::vector<unsigned char> keypads = FittingKeypadList(o.initialKeypads, kKeypadsSize);
  if (!keypads.empty()) {
    if (keypads.size() < o.initialKeypads.size())
      LogMsg(LevelWarning, "Initial keypad list cut to %d names to fit the hand-off.\n", keypads[2]);
    b[kKeypadFlag] = 1;
    std::memcpy(b + kKeypads, keypads.data(), keypads.size());
  }
  std::memcpy(b + kGeometry, &o.geometry, sizeof o.geometry);
}

void DecodeHandoffBlock(const Block& b, SessionStartOptions& o) {
  o = SessionStartOptions();
  o.hostName = GetString(b, kHost, kHostSize);
  o.title = GetString(b, kTitle, kTitleSize);
  o.sessionId = GetString(b, kSessionId, kSessionIdSize);
  o.sslValue = GetString(b, kSsl, kSslSize);
  o.port = Get32(b, kPort);
  o.wideOption = b[kWide];
  o.imageOption = b[kImage];
  o.largestImage = Get32(b, kLargestImage);
  o.displayName = GetString(b, kDisplayName, kDisplayNameSize);
  o.terminalName = GetString(b, kTerminalName, kTerminalNameSize);
  o.DisplayNameSoftRequirementOption = Get32(b, kSoftRequirement);
  o.startupPlayback = b[kStartupPlayback];
  o.languageId = GetString(b, kLanguage, kLanguageSize);
  o.playbackFile = GetString(b, kPlaybackFile, kPlaybackFileSize);
  o.PDTOption = Get32(b, kPdt);
  o.TitleOption = Get32(b, kTitleOption);
  o.trace = b[kTrace];
  o.keyFile = GetString(b, kKeyFile, kKeyFileSize);
  o.iconic = b[kIconic];
  o.EuroOption = Get32(b, kEuro);
  o.forceTranslatedFont = b[kForceFont];
  o.thaiDisplayMode = Get32(b, kThai);
  o.retryCount = Get32(b, kRetryCount);
  o.retryInterval = Get32(b, kRetryInterval);
  o.inactivityTimeout = Get32(b, kInactivity);
  o.CopyPasteOption = Get32(b, kCopyPaste);
  o.ECLOption = Get32(b, kEcl);
  o.FontSizesOption = Get32(b, kFontSizes);
  if (b[kKeypadFlag] == 1) {
    if (KeypadListIsWellFormed(b + kKeypads, kKeypadsSize)) {
      const size_t total = (size_t{b[kKeypads]} << 8) | b[kKeypads + 1];
      o.initialKeypads.assign(b + kKeypads, b + kKeypads + total);
    } else {
      LogMsg(LevelError, "Hand-off block with a malformed initial keypad list: list ignored.\n");
    }
  }
  std::memcpy(&o.geometry, b + kGeometry, sizeof o.geometry);
  o.geometry.geometryString[sizeof o.geometry.geometryString - 1] = '\0';
}
