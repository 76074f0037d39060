// The checks on ClientMessages that claim to come from a helper program:
// what any other X client could send a session window.
#include <gtest/gtest.h>

#include "tools/HelperRequests.h"

namespace {

constexpr long Code(int code, int id = 0, int value = 0) {
  return static_cast<long>((static_cast<unsigned long>(code) << 24) | (static_cast<unsigned long>(id) << 16) |
                           (static_cast<unsigned long>(value) << 8));
}

TEST(HelperRequests, EachMessageIsAcceptedOrRefusedWithItsReason) {
  using P = HelperProgram;
  using E = HelperRequestError;
  struct Case {
    P program;
    int format;
    long words[5];
    E expected;
  } cases[] = {
      {P::KeyboardMapper, 32, {Code(1), 0x400001, 4000, 0, 0}, E::Accepted},
      {P::KeyboardMapper, 8, {Code(1), 0x400001, 4000, 0, 0}, E::WrongFormat},
      {P::KeyboardMapper, 32, {Code(1), 0, 4000, 0, 0}, E::InvalidWindow},
      {P::KeyboardMapper, 32, {Code(1), 0x20000000, 4000, 0, 0}, E::InvalidWindow},
      {P::KeyboardMapper, 32, {Code(1), -1, 4000, 0, 0}, E::InvalidWindow},
      {P::KeyboardMapper, 32, {Code(1), 0x400001, 0, 0, 0}, E::InvalidPort},
      {P::KeyboardMapper, 32, {Code(1), 0x400001, 0x10000 + 80, 0, 0}, E::InvalidPort},
      {P::KeyboardMapper, 32, {Code(1), 0x400001, -1, 0, 0}, E::InvalidPort},
      {P::KeyboardMapper, 32, {Code(2), 0, 0, 0, 0}, E::Accepted},
      {P::KeyboardMapper, 32, {Code(3), 0, 0, 0, 0}, E::UnknownCode},
      {P::KeyboardMapper, 32, {Code(0), 0, 0, 0, 0}, E::UnknownCode},
      {P::KeypadCustomizer, 32, {Code(4), 0, 0, 0, 0}, E::Accepted},
      {P::KeypadCustomizer, 32, {Code(3), 0, 0, 0, 0}, E::UnknownCode},
      {P::PlaybackEditor, 32, {Code(3), 0, 0, 0, 0}, E::Accepted},
      {P::PlaybackEditor, 32, {Code(4), 0, 0, 0, 0}, E::UnknownCode},
      {P::Preferences, 32, {Code(1), 0x400001, 0, 0, 0}, E::Accepted},
      {P::Preferences, 32, {Code(1), 0, 0, 0, 0}, E::InvalidWindow},
      {P::Preferences, 32, {Code(2, 19, 1), 0, 0, 0, 0}, E::Accepted},
      {P::Preferences, 32, {Code(2, 20, 1), 0, 0, 0, 0}, E::PreferenceIdOutOfRange},
      {P::Preferences, 32, {Code(2, 255, 1), 0, 0, 0, 0}, E::PreferenceIdOutOfRange},
      {P::Preferences, 32, {Code(5), 0, 0, 0, 0}, E::Accepted},
      {P::Preferences, 32, {Code(6), 0, 0, 0, 0}, E::UnknownCode},
      {P::ColorMapper, 32, {12345, 0, 0, 0, 0}, E::Accepted},
      {P::ColorMapper, 16, {12345, 0, 0, 0, 0}, E::WrongFormat},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "program " << static_cast<int>(c.program) << " word0 " << std::hex
                                    << c.words[0] << " word1 " << c.words[1] << " word2 " << c.words[2]);
    HelperRequest r;
    EXPECT_EQ(DecodeHelperRequest(c.program, c.format, c.words, &r), c.expected);
    EXPECT_STRNE(HelperRequestErrorText(c.expected), "");
  }
}

TEST(HelperRequests, FieldsOfAcceptedMessages) {
  HelperRequest r;
  const long connect[5] = {Code(1), 0x1234567, 40001, 0, 0};
  ASSERT_EQ(DecodeHelperRequest(HelperProgram::KeypadCustomizer, 32, connect, &r), HelperRequestError::Accepted);
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.window, 0x1234567u);
  EXPECT_EQ(r.port, 40001);
  const long apply[5] = {Code(2, 7, 3), 0, 0, 0, 0};
  ASSERT_EQ(DecodeHelperRequest(HelperProgram::Preferences, 32, apply, &r), HelperRequestError::Accepted);
  EXPECT_EQ(r.code, 2);
  EXPECT_EQ(r.preferenceId, 7);
  EXPECT_EQ(r.preferenceValue, 3);
  // A 64-bit long with sign-extended high bits still reads as 32 bits.
  const long high[5] = {static_cast<long>(0xFFFFFFFF05000000ul), 0, 0, 0, 0};
  ASSERT_EQ(DecodeHelperRequest(HelperProgram::Preferences, 32, high, &r), HelperRequestError::Accepted);
  EXPECT_EQ(r.code, 5);
}

}  // namespace
