#include "session/CodePageConverter.h"

#include <cerrno>
#include <cstdint>
#include <cstring>

#include "session/TableCodeSets.h"

namespace {

// A table set goes through UCS-4 (big-endian) on its side.
constexpr const char* kPivot = "UCS-4BE";

}  // namespace

std::string IconvCodeSetName(const char* name) {
  if (!name) return "";
  if (std::strncmp(name, "QAV-", 4) == 0 && name[4] != '\0') return std::string("IBM") + (name + 4);
  if (std::strncmp(name, "ISO8859-", 8) == 0) return std::string("ISO-8859-") + (name + 8);
  return name;
}

bool CodePageConverter::open(const char* to, const char* from) {
  close();
  fromTable_ = FindTableCodeSet(from);
  toTable_ = FindTableCodeSet(to);
  if (fromTable_ && toTable_ && fromTable_ == toTable_) {
    fromTable_ = toTable_ = nullptr;
    to = from = "ISO-8859-1";  // the same set on both sides: bytes stay
  }
  // Between two table sets: from the source's table to UCS-4, and the
  // target's table from there (iconv passing UCS-4 through).
  if (fromTable_ && toTable_) {
    cd_ = iconv_open(kPivot, kPivot);
    return isOpen();
  }
  const std::string target = toTable_ ? kPivot : IconvCodeSetName(to);
  const std::string source = fromTable_ ? kPivot : IconvCodeSetName(from);
  cd_ = iconv_open(target.c_str(), source.c_str());
  return isOpen();
}

void CodePageConverter::close() {
  if (isOpen()) iconv_close(cd_);
  cd_ = reinterpret_cast<iconv_t>(-1);
  fromTable_ = toTable_ = nullptr;
}

CodePageConverter::Step CodePageConverter::stepDirect(const unsigned char*& in, size_t& inLeft,
                                                      unsigned char*& out, size_t& outLeft) const {
  char* src = const_cast<char*>(reinterpret_cast<const char*>(in));
  char* dst = reinterpret_cast<char*>(out);
  size_t rc = iconv(cd_, &src, &inLeft, &dst, &outLeft);
  in = reinterpret_cast<const unsigned char*>(src);
  out = reinterpret_cast<unsigned char*>(dst);
  if (rc != static_cast<size_t>(-1)) return Step::Done;
  return errno == E2BIG ? Step::Full : Step::Invalid;
}

CodePageConverter::Step CodePageConverter::stepFromTable(const unsigned char*& in, size_t& inLeft,
                                                        unsigned char*& out, size_t& outLeft) const {
  while (inLeft > 0) {
    const uint32_t cp = fromTable_->codePoints[*in];
    unsigned char ucs[4] = {static_cast<unsigned char>(cp >> 24), static_cast<unsigned char>(cp >> 16),
                            static_cast<unsigned char>(cp >> 8), static_cast<unsigned char>(cp)};
    const unsigned char* p = ucs;
    size_t left = sizeof ucs;
    Step s = stepDirect(p, left, out, outLeft);
    if (s != Step::Done) return s;
    ++in;
    --inLeft;
  }
  return Step::Done;
}

CodePageConverter::Step CodePageConverter::stepBetweenTables(const unsigned char*& in, size_t& inLeft,
                                                             unsigned char*& out, size_t& outLeft) const {
  for (; inLeft > 0; ++in, --inLeft) {
    if (outLeft == 0) return Step::Full;
    const int b = TableCodeSetByte(*toTable_, fromTable_->codePoints[*in]);
    if (b < 0) {
      errno = EILSEQ;
      return Step::Invalid;
    }
    *out++ = static_cast<unsigned char>(b);
    --outLeft;
  }
  return Step::Done;
}

CodePageConverter::Step CodePageConverter::stepToTable(const unsigned char*& in, size_t& inLeft,
                                                      unsigned char*& out, size_t& outLeft) const {
  while (inLeft > 0) {
    if (outLeft == 0) return Step::Full;
    // One character at a time: the room for exactly one code point.
    unsigned char ucs[4];
    char* src = const_cast<char*>(reinterpret_cast<const char*>(in));
    size_t srcLeft = inLeft;
    char* dst = reinterpret_cast<char*>(ucs);
    size_t dstLeft = sizeof ucs;
    size_t rc = iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
    if (dstLeft != 0) {
      // Nothing converted: an invalid sequence, or the end of the input.
      if (rc == static_cast<size_t>(-1) && errno != E2BIG) return Step::Invalid;
      in = reinterpret_cast<const unsigned char*>(src);
      inLeft = srcLeft;
      if (inLeft == 0) return Step::Done;
      continue;  // a shift sequence without a character
    }
    const uint32_t cp = (uint32_t{ucs[0]} << 24) | (uint32_t{ucs[1]} << 16) | (uint32_t{ucs[2]} << 8) | ucs[3];
    const int b = TableCodeSetByte(*toTable_, cp);
    if (b < 0) {
      errno = EILSEQ;
      return Step::Invalid;  // `in` still points at the character
    }
    *out++ = static_cast<unsigned char>(b);
    --outLeft;
    in = reinterpret_cast<const unsigned char*>(src);
    inLeft = srcLeft;
  }
  return Step::Done;
}

CodePageConverter::Result CodePageConverter::convert(const unsigned char* in, size_t inLength, unsigned char* out,
                                                     size_t outSize, int substitute) const {
  Result r;
  if (!isOpen()) {
    r.failed = true;
    r.error = EBADF;
    return r;
  }
  iconv(cd_, nullptr, nullptr, nullptr, nullptr);  // initial shift state
  const unsigned char* src = in;
  size_t inLeft = inLength;
  unsigned char* dst = out;
  size_t outLeft = outSize;
  while (inLeft > 0) {
    Step s = fromTable_ && toTable_ ? stepBetweenTables(src, inLeft, dst, outLeft)
             : fromTable_ ? stepFromTable(src, inLeft, dst, outLeft)
             : toTable_ ? stepToTable(src, inLeft, dst, outLeft)
                       : stepDirect(src, inLeft, dst, outLeft);
    if (s == Step::Done) break;
    if (s == Step::Full) {
      r.outOfRoom = true;
      r.error = E2BIG;
      break;
    }
    r.error = errno;
    if (substitute < 0) {
      r.failed = true;
      break;
    }
    if (outLeft == 0) {
      r.outOfRoom = true;
      r.error = E2BIG;
      break;
    }
    // The byte that cannot be converted (or the truncated sequence at the
    // end) is replaced, one substitute per byte.
    *dst++ = static_cast<unsigned char>(substitute);
    --outLeft;
    ++src;
    --inLeft;
    ++r.substituted;
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
  }
  r.written = static_cast<size_t>(dst - out);
  r.consumed = static_cast<size_t>(src - in);
  return r;
}
