// The Thai key-sequence check: classes of the host code page's codes and
// the states that decide which class may follow which.
#include "xfront/ThaiKeyCheck.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(ThaiKeyCheck, ClassesOfTheCodePage) {
  const struct {
    unsigned char code;
    int keyClass;
  } cases[] = {{0x00, 1}, {0x3F, 1}, {0x40, 1}, {0x41, 1}, {0x42, 2}, {0x48, 2}, {0x49, 1}, {0x8A, 2},
               {0x9A, 2}, {0x9B, 6}, {0x9C, 2}, {0x9D, 6}, {0x9F, 2}, {0xAF, 2}, {0xBA, 1}, {0xBB, 4},
               {0xBC, 17}, {0xBE, 4}, {0xBF, 16}, {0xCA, 1}, {0xCB, 18}, {0xCC, 17}, {0xCD, 18}, {0xCE, 8},
               {0xCF, 9}, {0xDA, 10}, {0xDB, 3}, {0xDF, 3}, {0xEA, 5}, {0xEB, 1}, {0xEC, 14}, {0xED, 12},
               {0xEF, 12}, {0xF9, 1}, {0xFA, 12}, {0xFB, 13}, {0xFC, 13}, {0xFD, 1}, {0xFF, 1}};
  for (const auto& c : cases) EXPECT_EQ(thai::KeyCheckClass(c.code), c.keyClass) << std::hex << int(c.code);
}

TEST(ThaiKeyCheck, SequencesAcceptedAndRefused) {
  struct Step {
    unsigned char code;
    bool accepted;
    int state;  // after the step
  };
  const struct {
    const char* name;
    int start;
    std::vector<Step> steps;
  } cases[] = {
      {"upper vowel, class 8, tone mark", 0, {{0x42, true, 1}, {0xCE, true, 2}, {0xED, true, 0}}},
      {"a tone mark alone is refused", 0, {{0xED, false, 0}, {0x40, true, 0}}},
      {"two marks after class 8", 1, {{0xCE, true, 2}, {0xCE, false, 2}, {0xFB, true, 0}}},
      {"class 9 then only class 12", 1, {{0xCF, true, 3}, {0xFB, false, 3}, {0xFA, true, 0}}},
      {"class 18 then class 14", 1, {{0xCB, true, 4}, {0xEC, true, 0}}},
      {"class 18 refuses class 13", 1, {{0xCB, true, 4}, {0xFB, false, 4}, {0xED, true, 0}}},
      {"classes 10, 14, 15 and 12 end the cluster", 1, {{0xDA, true, 0}}},
      {"a base code always starts again", 3, {{0xDB, true, 0}, {0xBB, true, 0}, {0xEA, true, 0}, {0x9B, true, 0}}},
      {"class 16 like class 8", 1, {{0xBF, true, 2}, {0xEF, true, 0}}},
      {"class 17 like class 9", 1, {{0xBC, true, 3}, {0xED, true, 0}}},
  };
  for (const auto& c : cases) {
    int state = c.start;
    for (size_t i = 0; i < c.steps.size(); ++i) {
      const Step& s = c.steps[i];
      EXPECT_EQ(thai::CheckKeySequence(s.code, &state), s.accepted) << c.name << ", step " << i;
      EXPECT_EQ(state, s.state) << c.name << ", step " << i;
    }
  }
}

}  // namespace
