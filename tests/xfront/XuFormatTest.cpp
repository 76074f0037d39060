// Formats from outside the program are used only when they fit the
// arguments of the program's own format.
#include <gtest/gtest.h>

#include "xfront/XuFormat.h"

namespace {

TEST(XuFormatTest, CandidatesAreCheckedAgainstTheTrustedFormat) {
  struct Case {
    const char* candidate;
    const char* trusted;
    bool fits;
  } cases[] = {
      {"Host %s port %d", "%s: %d", true},
      {"Host %.20s port %5d", "%s: %d", true},
      {"Only the host %s", "%s: %d", true},       // fewer arguments
      {"no arguments at all, 100%%", "%s %d", true},
      {"%d %s", "%s %d", false},                   // swapped
      {"%s %s", "%s", false},                      // one too many
      {"%s %n", "%s %d", false},                   // writes memory
      {"%1$s", "%s", false},                       // positional
      {"%*d", "%d", false},                        // width argument not in trusted
      {"%*d", "%d %d", true},
      {"%ld", "%d", false},                        // other size
      {"%lu", "%ld", true},
      {"%x", "%d", true},
      {"%f", "%d", false},
      {"%p", "%s", false},
      {"%", "%s", false},                          // conversion cut off
      {"%q", "%s", false},
      {"%lls", "%s", false},
      {"%s", nullptr, false},
      {nullptr, "%s", false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(XuFormatFitsArguments(c.candidate, c.trusted), c.fits)
        << (c.candidate ? c.candidate : "(null)") << " vs " << (c.trusted ? c.trusted : "(null)");
}

}  // namespace
