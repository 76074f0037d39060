// The resource value of the entry-field highlighting colour: three decimal
// numbers to "#rrggbb", anything else refused.
#include <gtest/gtest.h>

#include <string>

#include "xfront/EntryFieldHighlight.h"

TEST(EntryFieldHighlightSpec, NumbersBecomeAColourSpecAndAnythingElseIsRefused) {
  const struct {
    const char* value;
    bool valid;
    const char* spec;
  } cases[] = {
      {"255 0 255", true, "#ff00ff"},
      {"  16   32 48 ", true, "#102030"},
      {"300 999999999999999999999999999999999999999999999999999999 7", true, "#ffff07"},
      {"200", true, "#c80000"},
      {"0 128", true, "#008000"},
      {"1 2 3 4", true, "#010203"},
      {"red", false, ""},
      {"255,0,0", false, ""},
      {"-1 0 0", false, ""},
      {"12\t0 0", false, ""},
      {"", false, ""},
      {nullptr, false, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value ? c.value : "(null)");
    std::string spec = "old";
    EXPECT_EQ(EntryFieldHighlightSpec(c.value, &spec), c.valid);
    EXPECT_EQ(spec, c.spec);
  }
}
