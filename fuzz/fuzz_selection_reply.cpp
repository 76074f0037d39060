// What another X client answers to a paste: a reply in the emulator's own
// format is refused or read within its bytes and the screen, target lists
// choose only offered atoms, and text of any bytes converts within the
// paste limit.
//
// Input: byte 0 picks the screen size, the rest is the reply.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

// The conversions need nothing of their library.
#include "xfront/ClipboardText.cpp"  // NOLINT(bugprone-suspicious-include)

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  static const unsigned int kScreens[] = {1920, 3564, 2560, 3440};
  const unsigned int cells = kScreens[data[0] & 3];
  const std::uint8_t* reply = data + 1;
  const std::size_t n = size - 1;

  CopiedDataInformation info;
  std::vector<unsigned char> bytes;
  std::string why;
  if (clipboard::DecodePrivateCopy(reply, n, cells, &info, &bytes, &why)) {
    if (info.endCell >= cells || info.startCell > info.endCell) std::abort();
    if (info.length != bytes.size() || bytes.size() > clipboard::kMaxPasteBytes) std::abort();
    if (bytes.size() + clipboard::kPrivateHeaderBytes != n || info.data) std::abort();
    if (!(info.flags & CopiedDataInformation::kDataPresent)) std::abort();
    // Written again it is the same reply, but for the row flags' spare byte.
    std::vector<unsigned char> again = clipboard::EncodePrivateCopy(info, bytes.data(), info.length);
    if (again.size() != n || std::memcmp(again.data(), reply, 20) != 0) std::abort();
  } else if (why.empty()) {
    std::abort();
  }

  // A list of targets.
  std::vector<unsigned long> targets(n / 4);
  for (std::size_t i = 0; i < targets.size(); ++i)
    targets[i] = (static_cast<unsigned long>(reply[4 * i]) << 8) | reply[4 * i + 1];
  clipboard::TargetAtoms atoms;
  atoms.privateFormat = 1;
  atoms.utf8 = 2;
  atoms.utf8String = 3;
  atoms.compoundText = 4;
  atoms.string = 31;
  unsigned long chosen = 0;
  const clipboard::PasteTarget t = clipboard::ChoosePasteTarget(targets.data(), targets.size(), atoms, &chosen);
  bool offered = chosen == 0;
  for (unsigned long a : targets) offered = offered || a == chosen;
  if (!offered || (t == clipboard::PasteTarget::Nothing) != (chosen == 0)) std::abort();

  // Text: ISO 8859-1 survives UTF-8 both ways; any bytes as UTF-8 stay in
  // the paste limit.
  wchar_t table[256] = {};
  for (int b = 0x20; b < 256; ++b) table[b] = static_cast<wchar_t>(b);
  const char* text = reinterpret_cast<const char*>(reply);
  if (clipboard::Utf8ToLatin1(clipboard::Latin1ToUtf8(text, n)) != std::string(text, n)) std::abort();
  if (clipboard::Utf8ToBytes(text, n, table, clipboard::kMaxPasteBytes).size() > clipboard::kMaxPasteBytes)
    std::abort();
  return 0;
}
