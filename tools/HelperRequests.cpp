#include "tools/HelperRequests.h"

namespace {

bool KnownCode(HelperProgram program, int code) {
  using namespace helper_code;
  switch (program) {
    case HelperProgram::KeyboardMapper: return code == kConnect || code == kKeymapDisconnect;
    case HelperProgram::KeypadCustomizer:
      return code == kConnect || code == kKeypadDisconnect || code == kKeypadFilesChanged;
    case HelperProgram::PlaybackEditor:
      return code == kConnect || code == kPlaybackFilesChanged || code == kPlaybackDisconnect;
    case HelperProgram::Preferences: return code >= kPreferencesStarted && code <= kPreferencesReset;
    case HelperProgram::ColorMapper: return true;
  }
  return false;
}

// X resource ids have 29 bits.
bool ValidWindow(long w) { return w > 0 && static_cast<unsigned long>(w) <= 0x1FFFFFFFul; }

}  // namespace

HelperRequestError DecodeHelperRequest(HelperProgram program, int format, const long words[5], HelperRequest* out) {
  if (format != 32 || !words || !out) return HelperRequestError::WrongFormat;
  HelperRequest r;
  r.program = program;
  // Xlib hands format-32 data as longs holding 32-bit values.
  const auto w0 = static_cast<std::uint32_t>(static_cast<unsigned long>(words[0]) & 0xFFFFFFFFul);
  r.code = static_cast<int>(w0 >> 24);
  if (program == HelperProgram::ColorMapper) {
    r.code = static_cast<int>(w0);
    *out = r;
    return HelperRequestError::Accepted;
  }
  if (!KnownCode(program, r.code)) return HelperRequestError::UnknownCode;
  if (program == HelperProgram::Preferences) {
    r.preferenceId = static_cast<int>((w0 >> 16) & 0xFF);
    r.preferenceValue = static_cast<int>((w0 >> 8) & 0xFF);
    if (r.code == helper_code::kPreferencesStarted) {
      if (!ValidWindow(words[1])) return HelperRequestError::InvalidWindow;
      r.window = static_cast<std::uint32_t>(words[1]);
    }
    if (r.code == helper_code::kPreferencesApply && r.preferenceId > kLastPreferenceId)
      return HelperRequestError::PreferenceIdOutOfRange;
  } else if (r.code == helper_code::kConnect) {
    if (!ValidWindow(words[1])) return HelperRequestError::InvalidWindow;
    if (words[2] <= 0 || words[2] > 0xFFFF) return HelperRequestError::InvalidPort;
    r.window = static_cast<std::uint32_t>(words[1]);
    r.port = static_cast<std::uint16_t>(words[2]);
  }
  *out = r;
  return HelperRequestError::Accepted;
}

const char* HelperRequestErrorText(HelperRequestError error) {
  switch (error) {
    case HelperRequestError::Accepted: return "accepted";
    case HelperRequestError::WrongFormat: return "not format 32";
    case HelperRequestError::UnknownCode: return "unknown sub-command";
    case HelperRequestError::InvalidWindow: return "bad window id";
    case HelperRequestError::InvalidPort: return "bad port";
    case HelperRequestError::PreferenceIdOutOfRange: return "preference id out of range";
  }
  return "refused";
}
