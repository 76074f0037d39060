#include "tools/PlaybackFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "base/LogMsg.h"
#include "base/PrivateFiles.h"
#include "tools/MacroEvents.h"

namespace {

constexpr size_t kHeaderSize = 8;
constexpr char kEbcdicSignature[] = "739309";
constexpr char kIsoSignature[] = "739308";
constexpr size_t kMaxBodyWrite = 950;
// More than a playback file can hold: a header and 65,535 bytes.
constexpr size_t kMaxFileRead = kHeaderSize + 0xFFFF;

}  // namespace

const char* PlaybackFileErrorMessage(PlaybackFileError e) {
  switch (e) {
    case PlaybackFileError::kNoOpen: return "PlaybackMsgFileNoOpen";
    case PlaybackFileError::kNoRead: return "PlaybackMsgFileNoRead";
    case PlaybackFileError::kCorrupt: return "PlaybackMsgFileCorrupt";
    default: return "";
  }
}

PlaybackFileError ParsePlaybackFile(const uint8_t* data, size_t size, PlaybackFileContents* out) {
  out->events.clear();
  out->isoDataKeys = false;
  if (!data || size < kHeaderSize) return PlaybackFileError::kNoRead;
  if (std::memcmp(data + 2, kEbcdicSignature, 6) == 0) {
    out->isoDataKeys = false;
  } else if (std::memcmp(data + 2, kIsoSignature, 6) == 0) {
    out->isoDataKeys = true;
  } else {
    return PlaybackFileError::kCorrupt;
  }
  const size_t n = static_cast<size_t>(data[0]) << 8 | data[1];
  if (size - kHeaderSize < n) return PlaybackFileError::kShort;
  out->events.assign(data + kHeaderSize, data + kHeaderSize + n);
  return PlaybackFileError::kNone;
}

PlaybackFileError ReadPlaybackFile(const std::string& path, PlaybackFileContents* out) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return PlaybackFileError::kNoOpen;
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    return PlaybackFileError::kNoOpen;
  }
  std::vector<uint8_t> bytes;
  uint8_t buf[4096];
  while (bytes.size() < kMaxFileRead) {
    const ssize_t r = read(fd, buf, sizeof buf);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) break;
    bytes.insert(bytes.end(), buf, buf + r);
  }
  close(fd);
  if (bytes.size() > kMaxFileRead) bytes.resize(kMaxFileRead);
  return ParsePlaybackFile(bytes.data(), bytes.size(), out);
}

std::vector<uint8_t> EncodePlaybackFile(const std::vector<uint8_t>& events) {
  std::vector<uint8_t> file;
  file.push_back(static_cast<uint8_t>(events.size() >> 8));
  file.push_back(static_cast<uint8_t>(events.size()));
  file.insert(file.end(), kEbcdicSignature, kEbcdicSignature + 6);
  file.insert(file.end(), events.begin(), events.end());
  return file;
}

bool WritePlaybackFile(const std::string& path, const std::vector<uint8_t>& events, std::string* error) {
  if (events.size() > kMacroLimit) {
    *error = "the macro is longer than 8192 bytes";
    return false;
  }
  const std::vector<uint8_t> file = EncodePlaybackFile(events);
  // A new file beside it (owner only), renamed over it.
  const bool ok = ReplaceFileSafely(path, kPrivateFileMode, [&](int fd) {
    const ssize_t h = write(fd, file.data(), kHeaderSize);
    if (h != static_cast<ssize_t>(kHeaderSize)) {
      LogMsg(LevelError, "%s: Record wrote %d of %d bytes to file. errno = %x.\n", "QWC0089", static_cast<int>(h),
             static_cast<int>(kHeaderSize), errno);
      return false;
    }
    for (size_t at = kHeaderSize; at < file.size();) {
      const size_t want = std::min(kMaxBodyWrite, file.size() - at);
      const ssize_t w = write(fd, file.data() + at, want);
      if (w < 0 && errno == EINTR) continue;
      if (w != static_cast<ssize_t>(want)) {
        LogMsg(LevelError, "%s: Record wrote %d of %d bytes to file. errno = %x.\n", "QWC0090", static_cast<int>(w),
               static_cast<int>(want), errno);
        return false;
      }
      at += want;
    }
    return true;
  });
  if (!ok) {
    if (error->empty()) *error = std::string("cannot write ") + path + ": " + std::strerror(errno);
    return false;
  }
  return true;
}
