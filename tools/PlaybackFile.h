#pragma once
// Playback files: a 2-byte big-endian length n, a 6-character signature
// ("739309": data keys in the host's EBCDIC, "739308": in ISO 8859-1), then
// n bytes of macro events. Bytes beyond 8 + n are ignored.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

enum class PlaybackFileError {
  kNone,
  kNoOpen,   // the file cannot be opened
  kNoRead,   // fewer than 8 bytes
  kCorrupt,  // neither signature
  kShort,    // fewer event bytes than the header says: nothing is played
};

// The resource name of the message that tells the user about an error
// ("" for kNone and kShort, which are not reported).
const char* PlaybackFileErrorMessage(PlaybackFileError e);

struct PlaybackFileContents {
  std::vector<uint8_t> events;
  bool isoDataKeys = false;
};

PlaybackFileError ParsePlaybackFile(const uint8_t* data, size_t size, PlaybackFileContents* out);
PlaybackFileError ReadPlaybackFile(const std::string& path, PlaybackFileContents* out);

// The header and the events as a recording writes them ("739309").
std::vector<uint8_t> EncodePlaybackFile(const std::vector<uint8_t>& events);

// Writes the events as the playback file `path` (mode 0755): into a new
// file beside it, then renamed over it, so that a failed write leaves no
// partial file and an older file of that name intact. False with the
// reason logged and in *error; longer than 8,192 bytes is refused.
bool WritePlaybackFile(const std::string& path, const std::vector<uint8_t>& events, std::string* error);
