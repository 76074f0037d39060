#pragma once
// The ClientMessages that helper programs send to a session window, checked
// before anything acts on them: another X client can send any window any
// event, so the type, format, sub-command, window id, port and preference
// id are all validated here.
#include <cstdint>

enum class HelperProgram : int { KeyboardMapper, KeypadCustomizer, PlaybackEditor, Preferences, ColorMapper };

struct HelperRequest {
  HelperProgram program = HelperProgram::KeyboardMapper;
  int code = 0;                 // sub-command, bits 31-24 of the first word
  int preferenceId = 0;         // preferences program: bits 23-16
  int preferenceValue = 0;      // preferences program: bits 15-8
  std::uint32_t window = 0;     // connect and preferences start: the helper's window
  std::uint16_t port = 0;       // connect: the helper's TCP port on 127.0.0.1
};

enum class HelperRequestError : int {
  Accepted = 0,
  WrongFormat,         // not format 32
  UnknownCode,       // no such sub-command from this helper
  InvalidWindow,         // window id 0 or beyond the 29 bits of an X id
  InvalidPort,           // port 0 or beyond 16 bits
  PreferenceIdOutOfRange,   // preference id above 19
};

// Sub-command numbers that the helpers send.
namespace helper_code {
constexpr int kConnect = 1;
constexpr int kKeymapDisconnect = 2;
constexpr int kKeypadDisconnect = 2;
constexpr int kKeypadFilesChanged = 4;
constexpr int kPlaybackFilesChanged = 2;
constexpr int kPlaybackDisconnect = 3;
constexpr int kPreferencesStarted = 1;
constexpr int kPreferencesApply = 2;
constexpr int kPreferencesClosed = 3;
constexpr int kPreferencesHelp = 4;
constexpr int kPreferencesReset = 5;
}  // namespace helper_code

// The highest preference id.
constexpr int kLastPreferenceId = 19;

// Decodes the five data words of a ClientMessage from `program` (as its
// message type named it). The colour mapper's messages are passed whole to
// its own handler: only the format is checked.
HelperRequestError DecodeHelperRequest(HelperProgram program, int format, const long words[5], HelperRequest* out);

// A short text for a log line.
const char* HelperRequestErrorText(HelperRequestError error);
