// Playback files are read from the user's directory and from default paths
// that other programs write. The bytes are parsed as a file; the events of
// an accepted file are stepped through to the end, every step staying within
// the string; and the data keys and events that a reader yields, recorded
// again, give the same steps.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "tools/MacroEvents.h"
#include "tools/PlaybackFile.h"

namespace {

bool SameSteps(const std::vector<MacroStep>& a, const std::vector<MacroStep>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i].kind != b[i].kind || a[i].byte != b[i].byte || a[i].position != b[i].position ||
        a[i].record != b[i].record)
      return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  PlaybackFileContents contents;
  const PlaybackFileError e = ParsePlaybackFile(data, size, &contents);
  if (e != PlaybackFileError::kNone) return 0;
  if (contents.events.size() + 8 > size) __builtin_trap();

  MacroReader reader(contents.events);
  std::vector<MacroStep> steps;
  size_t last = 0;
  for (;;) {
    MacroStep s = reader.next();
    if (reader.position() > contents.events.size() || reader.position() < last) __builtin_trap();
    last = reader.position();
    if (s.kind == MacroStep::kEnd) break;
    if (s.kind == MacroStep::kKeyRecord && (s.record.size() < 2 || s.record.size() > 256)) __builtin_trap();
    steps.push_back(std::move(s));
  }
  if (!reader.atEnd()) __builtin_trap();

  // Recorded again (as the recorder's producers hand the steps over).
  MacroRecorder recorder;
  for (const MacroStep& s : steps) {
    switch (s.kind) {
      case MacroStep::kDataKey: recorder.appendDataKeys(&s.byte, 1); break;
      case MacroStep::kKeyRecord: recorder.appendEvent(2, s.record.data() + 1, s.record.size() - 1); break;
      case MacroStep::kMenu: recorder.appendEvent(252, &s.byte, 1); break;
      case MacroStep::kMouse: {
        const std::uint8_t op[3] = {s.byte, static_cast<std::uint8_t>(s.position >> 8),
                                    static_cast<std::uint8_t>(s.position)};
        recorder.appendEvent(253, op, 3);
        break;
      }
      case MacroStep::kUserId: recorder.appendEvent(250, nullptr, 0); break;
      case MacroStep::kPassword: recorder.appendEvent(251, nullptr, 0); break;
      case MacroStep::kPause: recorder.appendEvent(254, nullptr, 0); break;
      default: recorder.appendEvent(s.byte, nullptr, 0); break;
    }
    if (recorder.bytes().size() > kMacroLimit) __builtin_trap();
  }
  // Only a string that fits, has no two button-0 clicks in a row (which
  // the recorder folds into one) or keystroke 255 comes back the same.
  bool comparable = !recorder.full();
  for (size_t i = 0; i < steps.size(); ++i) {
    if (steps[i].kind == MacroStep::kKeystroke && steps[i].byte == 0xFF) comparable = false;
    // The recorder writes key records of the double-byte type only.
    if (steps[i].kind == MacroStep::kKeyRecord && steps[i].record[0] != 2) comparable = false;
    if (i > 0 && steps[i].kind == MacroStep::kMouse && steps[i].byte == 0 && steps[i - 1].kind == MacroStep::kMouse &&
        steps[i - 1].byte == 0)
      comparable = false;
  }
  if (comparable && !SameSteps(steps, ReadAllMacroSteps(recorder.bytes()))) __builtin_trap();
  return 0;
}
