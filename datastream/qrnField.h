#pragma once
// How a member's value travels in a field of the save/restore stream.
//
// A field holds an unsigned number of 1 to 64 bits. Unsigned members (and
// bool) are stored as they are and must fit the field. A signed member's
// negative value is stored as its two's complement, and only in a field at
// least as wide as the member, so that it reads back as the same value. An
// enumeration travels as its underlying type. Reading checks that the field's
// value fits the member; a value that does not fit is refused, never cut.

#include <limits>
#include <type_traits>

template <class T, bool = std::is_enum<T>::value>
struct qrnFieldRep {
  using type = T;
};
template <class T>
struct qrnFieldRep<T, true> {
  using type = std::underlying_type_t<T>;
};

// Encodes `value` into a field of `bits` bits (1 to 64). False when it does
// not fit; `raw` then holds the low bits.
template <class T>
constexpr bool qrnEncodeField(T value, unsigned bits, unsigned long long& raw) {
  using V = typename qrnFieldRep<T>::type;
  static_assert(std::is_integral<V>::value, "stream fields hold integers, bools and enumerations");
  const V v = static_cast<V>(value);
  const unsigned long long mask = bits >= 64 ? ~0ULL : (1ULL << bits) - 1;
  if (bits == 0) {
    raw = 0;
    return false;
  }
  if constexpr (std::is_same<V, bool>::value) {
    raw = v ? 1 : 0;
    return true;
  } else {
    if constexpr (std::is_signed<V>::value) {
      if (v < 0) {
        raw = static_cast<unsigned long long>(static_cast<long long>(v)) & mask;
        return bits >= sizeof(V) * 8;
      }
    }
    const unsigned long long u = static_cast<unsigned long long>(v);
    raw = u & mask;
    return u <= mask;
  }
}

// Decodes a field of `bits` bits into a member of type T. False when the
// value does not fit the member; `value` is then 0.
template <class T>
constexpr bool qrnDecodeField(unsigned long long raw, unsigned bits, T& value) {
  using V = typename qrnFieldRep<T>::type;
  static_assert(std::is_integral<V>::value, "stream fields hold integers, bools and enumerations");
  if constexpr (std::is_same<V, bool>::value) {
    value = static_cast<T>(raw == 1);
    return raw <= 1;
  } else {
    if (raw <= static_cast<unsigned long long>(std::numeric_limits<V>::max())) {
      value = static_cast<T>(static_cast<V>(raw));
      return true;
    }
    if constexpr (std::is_signed<V>::value) {
      // A negative member: the field is at least as wide as the member and
      // holds the two's complement.
      if (bits >= sizeof(V) * 8 && bits <= 64) {
        const unsigned long long signBit = 1ULL << (bits - 1);
        if (raw & signBit) {
          const unsigned long long extended = bits == 64 ? raw : (raw | ~((signBit << 1) - 1));
          const long long s = static_cast<long long>(extended);
          if (s >= static_cast<long long>(std::numeric_limits<V>::min())) {
            value = static_cast<T>(static_cast<V>(s));
            return true;
          }
        }
      }
    }
    value = static_cast<T>(V());
    return false;
  }
}
