// Accented letters typed through the keyboard (XTEST) into qw5250 as a
// program, in the C locale and in UTF-8 locales, for US and German sessions
// (CP037, CP273) and their euro variants (CP1140, CP1141): each key gives one
// character, the one EBCDIC byte of the session's code page in the host's
// record and on the screen. The euro sign is typed where the code page has
// it and refused (QWC0219) where it has not; a character that has no place
// in the code page at all (a Cyrillic letter) is a key that is not valid:
// operator error 2, reported to the host, and nothing typed.
#include <gtest/gtest.h>  // before Xlib, whose None and Bool macros clash with it

#include <X11/keysym.h>

#include <ostream>
#include <string>
#include <vector>

#include "tests/support/InputScreen.h"
#include "tests/support/Qw5250ProgramTest.h"
#include "tests/support/SessionWindows.h"
#include "tests/support/TestHost5250.h"
#include "tests/support/XKeys.h"
#include "tests/support/XWindows.h"

namespace qwtest {
namespace {

constexpr int kWaitMs = 20000;

struct CodePage {
  const char* name;
  std::vector<std::string> options;
  std::vector<uint8_t> accented;  // é ü ß ñ
  bool euro;                      // the code page has the euro sign (0x9F)
};

struct KeyTextCase {
  const char* lang;
  CodePage page;
};

void PrintTo(const KeyTextCase& c, std::ostream* os) { *os << c.lang << " " << c.page.name; }

class KeyTextLocaleTest : public Qw5250ProgramTest, public ::testing::WithParamInterface<KeyTextCase> {
 protected:
  // The keyboard focus on the window, once the program's own focus changes
  // at its start are over.
  bool FocusOn(Window w) {
    return WaitUntil(
        [&] {
          Window focus = None;
          int revert = 0;
          XGetInputFocus(display_, &focus, &revert);
          if (focus == w) return true;
          XSetInputFocus(display_, w, RevertToParent, CurrentTime);
          XSync(display_, False);
          return false;
        },
        kWaitMs, display_);
  }

  // qw5250 in the case's locale and code page, showing an input field at
  // row 5, column 11, with the keyboard focus on its drawing area.
  void StartOnInputField() {
    lang_ = GetParam().lang;
    ASSERT_TRUE(HasXTest(display_));
    ASSERT_TRUE(BindKeysyms(display_, {XK_eacute, XK_udiaeresis, XK_ssharp, XK_ntilde, XK_EuroSign, XK_Cyrillic_zhe}));
    ASSERT_TRUE(host_.Start());
    std::vector<std::string> args = GetParam().page.options;
    args.insert(args.end(), {"-PORT", std::to_string(host_.Port()), "-RETRY_COUNT", "0", "127.0.0.1"});
    startQw(args);
    ASSERT_TRUE(host_.WaitNegotiated(kWaitMs)) << qw_->Output();
    const Window shell = WaitForSessionWindow(display_, kWaitMs);
    ASSERT_NE(shell, static_cast<Window>(None)) << qw_->Output();
    const Window drawing = DrawingWindow(display_, shell);
    ASSERT_NE(drawing, static_cast<Window>(None));
    host_.SendRecord(InputFieldScreen(5, 11, 20));
    ASSERT_TRUE(host_.Barrier(kWaitMs)) << qw_->Output();
    ASSERT_TRUE(FocusOn(drawing));
  }
  bool Utf8() const { return std::string(GetParam().lang).find("UTF-8") != std::string::npos; }

  TestHost5250 host_;
};

TEST_P(KeyTextLocaleTest, EachAccentedKeyIsOneCharacterOfTheSessionCodePage) {
  if (!LocaleExists(GetParam().lang)) GTEST_SKIP() << GetParam().lang << " is not made on this machine";
  ASSERT_NO_FATAL_FAILURE(StartOnInputField());
  TestHost5250& host = host_;
  const bool utf8 = Utf8();
  ASSERT_TRUE(PressKey(display_, XK_eacute));
  ASSERT_TRUE(PressKey(display_, XK_udiaeresis));
  ASSERT_TRUE(PressKey(display_, XK_ssharp));
  ASSERT_TRUE(PressKey(display_, XK_ntilde));
  ASSERT_TRUE(PressKey(display_, XK_EuroSign));
  ASSERT_TRUE(PressKey(display_, XK_Return));

  std::vector<uint8_t> expected = GetParam().page.accented;
  if (GetParam().page.euro) expected.push_back(0x9F);
  std::vector<uint8_t> enter;
  ASSERT_TRUE(host.WaitForRecord(kWaitMs, nullptr, &enter)) << qw_->Output();
  EXPECT_EQ(InboundAid(enter), 0xF1);
  EXPECT_EQ(InboundFieldData(enter), expected);
  qw_->Pump();
  // Where the locale has the euro sign as a character.
  EXPECT_EQ(qw_->Output().find("QWC0219: Euro keysym, but not a Euro session.") != std::string::npos,
            utf8 && !GetParam().page.euro);

  host.SendRecord(ReadScreenRecord());
  std::vector<uint8_t> screen;
  ASSERT_TRUE(host.WaitForRecord(kWaitMs, nullptr, &screen)) << qw_->Output();
  const size_t at = 10 + 4 * 80 + 10;  // row 5, column 11
  ASSERT_GE(screen.size(), at + 5);
  EXPECT_EQ(std::vector<uint8_t>(screen.begin() + at, screen.begin() + at + expected.size()), expected);
  EXPECT_EQ(screen[at + expected.size()], 0x00);
  EXPECT_TRUE(qw_->Running()) << qw_->Output();
  qw_->Stop();
}

// A character that no code page of these sessions has, typed where the
// locale has it (UTF-8): operator error 2, key not valid, which the session
// reports to the host as help in error (HLP flag).
TEST_P(KeyTextLocaleTest, ACharacterWithoutPlaceInTheCodePageIsAKeyNotValid) {
  if (!LocaleExists(GetParam().lang)) GTEST_SKIP() << GetParam().lang << " is not made on this machine";
  if (!Utf8()) GTEST_SKIP() << "the C locale has no Cyrillic characters";
  ASSERT_NO_FATAL_FAILURE(StartOnInputField());
  ASSERT_TRUE(PressKey(display_, XK_eacute));
  ASSERT_TRUE(PressKey(display_, XK_Cyrillic_zhe));
  std::vector<uint8_t> error;
  ASSERT_TRUE(host_.WaitForRecord(kWaitMs, nullptr, &error)) << qw_->Output();
  EXPECT_TRUE(InboundIsHelpInError(error, 0x0002)) << ::testing::PrintToString(error);
  qw_->Stop();
}

const CodePage kUs{"CP037", {}, {0x51, 0xDC, 0x59, 0x49}, false};
const CodePage kGerman{"CP273", {"-LANGID", "de_DE"}, {0x51, 0xD0, 0xA1, 0x49}, false};
const CodePage kUsEuro{"CP1140", {"-EURO"}, {0x51, 0xDC, 0x59, 0x49}, true};
const CodePage kGermanEuro{"CP1141", {"-LANGID", "de_DE", "-EURO"}, {0x51, 0xD0, 0xA1, 0x49}, true};

std::vector<KeyTextCase> Cases() {
  std::vector<KeyTextCase> out;
  for (const char* lang : {"C", "C.UTF-8", "en_US.UTF-8"})
    for (const CodePage& page : {kUs, kGerman, kUsEuro, kGermanEuro}) out.push_back({lang, page});
  return out;
}

INSTANTIATE_TEST_SUITE_P(LocalesAndCodePages, KeyTextLocaleTest, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<KeyTextCase>& info) {
                           std::string name = std::string(info.param.lang) + "_" + info.param.page.name;
                           for (char& c : name)
                             if (!isalnum(static_cast<unsigned char>(c))) c = '_';
                           return name;
                         });

}  // namespace
}  // namespace qwtest
