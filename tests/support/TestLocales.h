// The locales the program-level tests run in: the C locale, and a UTF-8
// locale as most desktops set it (en_US.UTF-8 when the machine has it made,
// else C.UTF-8, which the C library always has). Thai sessions are also
// tried under th_TH (TIS-620), which the install script makes.
#pragma once

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <locale.h>
#include <ostream>
#include <string>

namespace qwtest {

enum class TestLocale { C, Utf8, Thai };

inline bool LocaleExists(const char* name) {
  locale_t l = newlocale(LC_ALL_MASK, name, static_cast<locale_t>(nullptr));
  if (!l) return false;
  freelocale(l);
  return true;
}

// The value of LANG for the locale.
inline std::string LocaleName(TestLocale locale) {
  if (locale == TestLocale::C) return "C";
  if (locale == TestLocale::Thai) return "th_TH";
  return LocaleExists("en_US.UTF-8") ? "en_US.UTF-8" : "C.UTF-8";
}

// The locale a whole test program runs in: ctest runs some folders twice,
// the second time with QW_TEST_LOCALE=utf8.
inline TestLocale SuiteLocale() {
  const char* v = getenv("QW_TEST_LOCALE");
  return v && std::string(v) == "utf8" ? TestLocale::Utf8 : TestLocale::C;
}

inline void PrintTo(TestLocale locale, std::ostream* os) { *os << LocaleName(locale); }

inline auto TestLocales() { return ::testing::Values(TestLocale::C, TestLocale::Utf8); }

inline std::string TestLocaleName(const ::testing::TestParamInfo<TestLocale>& info) {
  return info.param == TestLocale::C ? "C" : info.param == TestLocale::Utf8 ? "Utf8" : "Thai";
}

}  // namespace qwtest
