#pragma once
// Reader of printer definition files: the macros, the session parameters,
// the printer commands and the character definitions of one printer, read
// from text that comes from the user and is bounded everywhere. A file that
// breaks a rule is refused with a message that names its line.
#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "print/PrinterKeywords.h"

struct PrinterDefinition {
  // Session parameters (ids 0-20): value and whether the file set it.
  std::array<unsigned short, pdt::kParameterCount> parameters{};
  std::array<bool, pdt::kParameterCount> parameterSet{};
  // Printer commands by keyword id (ids below 21 stay empty).
  std::array<std::vector<unsigned char>, pdt::kKeywordCount> commands;
  std::array<bool, pdt::kKeywordCount> commandSet{};
  // Character definitions by code (0x20-0xFF; below 0x20 stay empty).
  std::array<std::vector<unsigned char>, 256> characters;
  std::array<bool, 256> characterSet{};
};

struct PrinterDefinitionResult {
  enum Verdict { Read = 0, Refused = 2 };
  Verdict status = Refused;
  unsigned line = 0;    // 1-based line of the fault (Refused)
  std::string message;  // what is wrong there (Refused)
};

namespace pdf_limits {
constexpr std::size_t kMaxText = 1024 * 1024;  // bytes of one file
constexpr std::size_t kMaxWord = 99;
constexpr std::size_t kMaxMacroName = 8;
constexpr std::size_t kMaxMacros = 90;
constexpr std::size_t kMaxValue = 80;  // bytes of one macro, command or character
}  // namespace pdf_limits

// Reads a definition file's text (CR LF or LF line ends). A text that ends
// before BEGIN_MACROS or inside the macro section is refused; one that ends
// in a later section keeps what was read up to there. Words longer than 99
// characters, macro names longer than 8, more than 90 macros, values longer
// than 80 bytes, bad hexadecimal bytes and bad numbers are refused with the
// line. Unknown keywords are skipped. `out` is written only on success.
PrinterDefinitionResult ReadPrinterDefinition(const char* text, std::size_t length, PrinterDefinition& out);

// The line of a printer definition table file ("PDT.819") for a printer
// description and a user: the definition file's name, or empty. Lines are
// `"description" file user...`; "*all" matches every user. Lines longer
// than 132 characters, or without a closing quote, a file name or a user,
// are skipped.
std::string FindPrinterDefinitionFile(const char* text, std::size_t length, const char* description,
                                      const char* user);
