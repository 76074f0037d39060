// The key-file reader: any file's bytes are migrated and stripped of
// comments without growing past their room, and any command-line name gets
// the keyboard's extension.
//
// Input: the bytes of a key file; its first line also serves as a name.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

// The reader needs nothing of its library but the keyboard facts.
#include "xfront/KeyFile.cpp"  // NOLINT(bugprone-suspicious-include)

const char* KeyboardName(int) { return "English 102"; }
int is5250Keyboard(int id) { return id >= 113 && id <= 123 ? 1 : 0; }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > keyfile::kMaxKeyFileBytes) return 0;
  const std::string file(reinterpret_cast<const char*>(data), size);
  std::string out, why;
  if (keyfile::PrepareTranslations(file, &out, &why)) {
    if (out.size() > keyfile::kMaxTranslationBytes) std::abort();
    // No comment line is left at the start, and stripping again keeps
    // what is left unless a line now begins the file with "#".
    if (!out.empty() && out[0] == '#' && out.size() > 1 && (out[1] == ' ' || out[1] == '\t')) std::abort();
  } else if (why.empty()) {
    std::abort();
  }
  const std::string stripped = keyfile::StripComments(file);
  if (stripped.size() > file.size()) std::abort();
  std::string copy = file;
  keyfile::ConvertWYSetupToPause(copy);
  if (copy.find("WYSetup") != std::string::npos) std::abort();
  const std::string name = file.substr(0, file.find('\n'));
  std::string fileName;
  keyfile::FixCommandLineName(name, "102", &fileName);
  if (fileName.size() < 4 || fileName.compare(fileName.size() - 4, 4, ".102") != 0) std::abort();
  return 0;
}
