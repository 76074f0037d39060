#pragma once
// One code-page conversion of a session (an iconv descriptor), opened by the
// code-set names that the language table uses.
#include <iconv.h>

#include <cstddef>
#include <string>

struct TableCodeSet;

// The C library's name of a language-table code set: "QAV-037" is
// "IBM037", "QAV-1140" "IBM1140", "ISO8859-1" "ISO-8859-1"; other names
// stand as they are. "emuleuro" and "QAV-838" have no C library converter:
// they are converted through tables of this program (TableCodeSets.h).
std::string IconvCodeSetName(const char* name);

// The session ASCII code set of the euro languages: ISO 8859-1 with the euro
// sign in place of the currency sign (0xA4), as the euro host code pages
// (CP1140-CP1149) have it in place of theirs.
constexpr const char* kEmulatedEuroCodeSet = "emuleuro";

class CodePageConverter {
 public:
  CodePageConverter() = default;
  ~CodePageConverter() { close(); }
  CodePageConverter(const CodePageConverter&) = delete;
  CodePageConverter& operator=(const CodePageConverter&) = delete;

  // Opens the conversion from `from` to `to`; false when the C library
  // cannot convert between them (the converter then stays closed).
  bool open(const char* to, const char* from);
  void close();
  bool isOpen() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  struct Result {
    size_t written = 0;      // bytes stored in the output
    size_t consumed = 0;     // input bytes taken
    size_t substituted = 0;  // input bytes replaced by the substitute
    bool outOfRoom = false;  // stopped because the output was full
    bool failed = false;     // stopped at a byte it could not convert
    int error = 0;           // errno of the stop
  };
  // Converts `in` into `out` (at most `outSize` bytes). With a substitute
  // (0-255), every input byte that cannot be converted becomes that byte and
  // conversion goes on; with -1 it stops there (failed). Never writes past
  // `outSize`.
  Result convert(const unsigned char* in, size_t inLength, unsigned char* out, size_t outSize,
                 int substitute) const;

 private:
  enum class Step { Done, Invalid, Full };
  Step stepDirect(const unsigned char*& in, size_t& inLeft, unsigned char*& out, size_t& outLeft) const;
  Step stepFromTable(const unsigned char*& in, size_t& inLeft, unsigned char*& out, size_t& outLeft) const;
  Step stepBetweenTables(const unsigned char*& in, size_t& inLeft, unsigned char*& out, size_t& outLeft) const;
  Step stepToTable(const unsigned char*& in, size_t& inLeft, unsigned char*& out, size_t& outLeft) const;

  iconv_t cd_ = reinterpret_cast<iconv_t>(-1);
  const TableCodeSet* fromTable_ = nullptr;  // the source is a set of this program's tables
  const TableCodeSet* toTable_ = nullptr;    // the target is
};
