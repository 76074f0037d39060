// The files of the user's shared folder that the session window reads: the
// desktop settings file and the colour files. A refused desktop file leaves
// the settings as they were; an accepted one writes back to the same bytes
// and reads again to the same settings; colour files give a scheme or 22
// valid colour values, or are refused.
//
// Input: the file's bytes (the same bytes serve all three readers).

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

// Both readers need nothing of their library but themselves and the log.
#include "xfront/ColorFiles.cpp"   // NOLINT(bugprone-suspicious-include)
#include "xfront/DeskTopFile.cpp"  // NOLINT(bugprone-suspicious-include)

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);

  DeskTopData d;
  d.fontSet[2] = true;
  d.font[2] = 77;
  std::string why;
  if (!DecodeDeskTop(bytes, &d, &why)) {
    if (!d.fontSet[2] || d.font[2] != 77 || !d.sessions.empty() || why.empty()) std::abort();
  } else {
    if (d.sessions.size() > static_cast<size_t>(DeskTopData::kMaxSessions)) std::abort();
    const std::string again = EncodeDeskTop(d);
    DeskTopData e;
    if (!DecodeDeskTop(again, &e, &why) || EncodeDeskTop(e) != again) std::abort();
    for (const DeskTopSessionRecord& r : d.sessions)
      if (r.id.size() > DeskTopSessionRecord::kMaxIdLength || r.id.find('\n') != std::string::npos) std::abort();
  }

  const int scheme = BasicColorFileScheme(bytes);
  if (scheme < -1 || scheme > 4) std::abort();
  std::vector<std::string> specs;
  if (ParseAdvancedColorFile(bytes, &specs)) {
    if (specs.size() != 22) std::abort();
    for (const std::string& s : specs)
      if (!ValidColorSpec(s)) std::abort();
  }
  return 0;
}
