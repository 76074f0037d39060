// The session window's decisions that need no X server: menu gating, icon
// names, class hint, Thai flags, window-manager functions, the message
// number text, the font choice, the code sets and XYtoCursor.
#include <gtest/gtest.h>

#include <Xm/MwmUtil.h>

#include <cstring>
#include <string>

#include "session/Language.h"
#include "session/ResourceKeywords.h"
#include "xfront/SessionFontChoice.h"
#include "xfront/SessionWindowRules.h"
#include "xfront/WindowCodeSets.h"
#include "xfront/XStuff.h"

namespace {

MenuResources Defaults() {
  MenuResources r{};
  for (unsigned char* v : {&r.command, &r.edit, &r.option, &r.control, &r.localPrint, &r.help,
                           &r.changeIPAddress, &r.fontMenu, &r.keyPad, &r.playBack, &r.drevask})
    *v = QwEnable;
  r.colorMap = QwBasic;
  r.keyRemap = QwDisable;
  return r;
}

// What one resource setting does to one item: 'p' present, 'g' greyed,
// '-' absent.
struct GateCase {
  const char* what;
  unsigned char MenuResources::*field;
  unsigned char value;
  bool copyPaste;
  bool programmingInterface;
  bool SessionMenuPlan::*menu;  // a whole menu, or null
  MenuItemPlan SessionMenuPlan::*item;  // an option-menu item, or null
  char expect;
};

const GateCase kGates[] = {
    {"command enable", &MenuResources::command, QwEnable, true, false, &SessionMenuPlan::commandMenu, nullptr, 'p'},
    {"command disable_and_hide", &MenuResources::command, QwDisableAndHide, true, false, &SessionMenuPlan::commandMenu, nullptr, '-'},
    {"command disable_and_allow_wm_close", &MenuResources::command, QwDisableAndAllowWmClose, true, false, &SessionMenuPlan::commandMenu, nullptr, '-'},
    {"command disable keeps the menu", &MenuResources::command, QwDisable, true, false, &SessionMenuPlan::commandMenu, nullptr, 'p'},
    {"edit enable", &MenuResources::edit, QwEnable, true, false, &SessionMenuPlan::editMenu, nullptr, 'p'},
    {"edit without copy/paste", &MenuResources::edit, QwEnable, false, false, &SessionMenuPlan::editMenu, nullptr, '-'},
    {"edit disable_and_hide", &MenuResources::edit, QwDisableAndHide, true, false, &SessionMenuPlan::editMenu, nullptr, '-'},
    {"option disable_and_hide", &MenuResources::option, QwDisableAndHide, true, false, &SessionMenuPlan::optionMenu, nullptr, '-'},
    {"control disable_and_hide", &MenuResources::control, QwDisableAndHide, true, false, &SessionMenuPlan::controlMenu, nullptr, '-'},
    {"control disable", &MenuResources::control, QwDisable, true, false, &SessionMenuPlan::controlMenu, nullptr, 'p'},
    {"localPrint keyboard only", &MenuResources::localPrint, QwKeyboardOnlyLocalPrint, true, false, &SessionMenuPlan::printMenu, nullptr, '-'},
    {"localPrint disable_and_hide", &MenuResources::localPrint, QwDisableAndHide, true, false, &SessionMenuPlan::printMenu, nullptr, '-'},
    {"localPrint disable", &MenuResources::localPrint, QwDisable, true, false, &SessionMenuPlan::printMenu, nullptr, 'p'},
    {"help disable_and_hide", &MenuResources::help, QwDisableAndHide, true, false, &SessionMenuPlan::helpCascade, nullptr, '-'},
    {"fontMenu enable", &MenuResources::fontMenu, QwEnable, true, false, nullptr, &SessionMenuPlan::fonts, 'p'},
    {"fontMenu fixed_fonts_only", &MenuResources::fontMenu, QwFixedFontsOnly, true, false, nullptr, &SessionMenuPlan::fonts, 'p'},
    {"fontMenu disable", &MenuResources::fontMenu, QwDisable, true, false, nullptr, &SessionMenuPlan::fonts, '-'},
    {"fontMenu no resize", &MenuResources::fontMenu, QwDisableNoResizeOrMove, true, false, nullptr, &SessionMenuPlan::fonts, '-'},
    {"keyPad enable", &MenuResources::keyPad, QwEnable, true, false, nullptr, &SessionMenuPlan::keypad, 'p'},
    {"keyPad false greys", &MenuResources::keyPad, QwFalse, true, false, nullptr, &SessionMenuPlan::keypad, 'g'},
    {"keyPad disable_and_hide", &MenuResources::keyPad, QwDisableAndHide, true, false, nullptr, &SessionMenuPlan::keypad, '-'},
    {"customize with keyPad true", &MenuResources::keyPad, QwTrue, true, false, nullptr, &SessionMenuPlan::customize, 'p'},
    {"customize with keyPad false", &MenuResources::keyPad, QwFalse, true, false, nullptr, &SessionMenuPlan::customize, 'p'},
    {"customize with keyPad keypad_only", &MenuResources::keyPad, QwKeypadOnly, true, false, nullptr, &SessionMenuPlan::customize, '-'},
    {"customize with keyPad disable", &MenuResources::keyPad, QwDisable, true, false, nullptr, &SessionMenuPlan::customize, '-'},
    {"record with playback_only", &MenuResources::playBack, QwPlaybackOnly, true, false, nullptr, &SessionMenuPlan::record, '-'},
    {"playback with playback_only", &MenuResources::playBack, QwPlaybackOnly, true, false, nullptr, &SessionMenuPlan::playback, 'p'},
    {"playback disable_and_hide", &MenuResources::playBack, QwDisableAndHide, true, false, nullptr, &SessionMenuPlan::playback, '-'},
    {"record disable_and_hide", &MenuResources::playBack, QwDisableAndHide, true, false, nullptr, &SessionMenuPlan::record, '-'},
    {"misc disable_and_hide", &MenuResources::drevask, QwDisableAndHide, true, false, nullptr, &SessionMenuPlan::misc, '-'},
    {"colorMap basic", &MenuResources::colorMap, QwBasic, true, false, nullptr, &SessionMenuPlan::colormap, 'p'},
    {"colorMap DISABLE greys", &MenuResources::colorMap, QwDisable, true, false, nullptr, &SessionMenuPlan::colormap, 'g'},
    {"colorMap disable_and_hide", &MenuResources::colorMap, QwDisableAndHide, true, false, nullptr, &SessionMenuPlan::colormap, '-'},
    {"keyRemap default disable greys", &MenuResources::keyRemap, QwDisable, true, false, nullptr, &SessionMenuPlan::keymap, 'g'},
    {"keyRemap enable", &MenuResources::keyRemap, QwEnable, true, false, nullptr, &SessionMenuPlan::keymap, 'p'},
    {"keyRemap disable_and_hide", &MenuResources::keyRemap, QwDisableAndHide, true, false, nullptr, &SessionMenuPlan::keymap, '-'},
    {"runApplet with the programming interface", &MenuResources::keyRemap, QwDisable, true, true, nullptr, &SessionMenuPlan::runApplet, 'p'},
    {"runApplet without it", &MenuResources::keyRemap, QwDisable, true, false, nullptr, &SessionMenuPlan::runApplet, '-'},
};

TEST(SessionMenuPlan, EachResourceValueGatesItsItem) {
  for (const GateCase& c : kGates) {
    SCOPED_TRACE(c.what);
    MenuResources r = Defaults();
    r.*c.field = c.value;
    const SessionMenuPlan plan = PlanSessionMenus(r, c.copyPaste, c.programmingInterface);
    char got;
    if (c.menu) {
      got = plan.*c.menu ? 'p' : '-';
    } else {
      const MenuItemPlan item = plan.*c.item;
      got = !item.present ? '-' : item.greyed ? 'g' : 'p';
    }
    EXPECT_EQ(got, c.expect);
    EXPECT_TRUE(plan.menuBar);
  }
}

TEST(SessionMenuPlan, NoMenuBarWhenEveryMenuIsHidden) {
  MenuResources r = Defaults();
  for (unsigned char* v : {&r.command, &r.edit, &r.option, &r.control, &r.localPrint, &r.help}) *v = QwDisableAndHide;
  EXPECT_FALSE(PlanSessionMenus(r, true, true).menuBar);
  // Any one menu brings the bar back; edit only with copy/paste.
  r.edit = QwEnable;
  EXPECT_FALSE(PlanSessionMenus(r, false, false).menuBar);
  EXPECT_TRUE(PlanSessionMenus(r, true, false).menuBar);
  r.edit = QwDisableAndHide;
  r.localPrint = QwKeyboardOnlyLocalPrint;
  r.command = QwDisableAndAllowWmClose;
  EXPECT_FALSE(PlanSessionMenus(r, true, false).menuBar);
  r.help = QwDisable;
  EXPECT_TRUE(PlanSessionMenus(r, true, false).menuBar);
}

TEST(SessionMenuPlan, ConsoleSessionsLoseTheHostFunctions) {
  MenuResources r = Defaults();
  ForceConsoleResources(r);
  const SessionMenuPlan p = PlanSessionMenus(r, true, false);
  EXPECT_FALSE(p.commandMenu);
  EXPECT_FALSE(p.printMenu);
  EXPECT_FALSE(p.helpCascade);
  EXPECT_TRUE(p.editMenu);
  EXPECT_TRUE(p.optionMenu);
  EXPECT_TRUE(p.controlMenu);
  EXPECT_TRUE(p.fonts.present);
  for (MenuItemPlan i : {p.keypad, p.customize, p.record, p.playback, p.misc, p.colormap, p.keymap})
    EXPECT_FALSE(i.present);
}

TEST(SessionWindowRules, IconNameByTitleMode) {
  struct Case {
    int mode;
    const char* title;
    const char* expect;
  } cases[] = {
      {1, "Payroll", "Payroll : B"},      {2, "Payroll", "Payroll"},
      {3, "Payroll", "B"},                {4, "Payroll", "Payroll : host1"},
      {5, "Payroll", "Payroll : host1 : B"}, {1, "", "B"},
      {3, "", "B"},                       {0, "Payroll", "Payroll : B"},
      {9, "Payroll", "Payroll : B"},      {4, "", " : host1"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(SessionIconName(c.mode, c.title, "host1", "B"), c.expect) << c.mode << " " << c.title;
}

TEST(SessionWindowRules, TitlesAreGivenToTheWindowManagerAsUtf8) {
  // The tests run in the C locale: bytes beyond ASCII are taken as ISO 8859-1.
  const struct {
    std::string text, utf8;
  } cases[] = {
      {"Payroll : A", "Payroll : A"},
      {"Z\xFCrich", "Z\xC3\xBCrich"},
      {"\xFF", "\xC3\xBF"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(LocaleTextToUtf8(c.text), c.utf8) << c.text;
}

TEST(SessionWindowRules, ClassHintNameAndThaiFlags) {
  EXPECT_EQ(SessionClassHintName(false), "QW5250");
  EXPECT_EQ(SessionClassHintName(true), "QW5250,zoom=on");
  struct Case {
    int mode;
    bool compose, space, eof;
  } cases[] = {{1, 0, 0, 0}, {2, 1, 0, 0}, {3, 1, 1, 0}, {4, 1, 0, 1}, {5, 1, 1, 1}, {7, 1, 1, 1}, {0, 1, 1, 1}};
  for (const Case& c : cases) {
    const ThaiDisplayFlags f = ThaiFlagsForMode(c.mode);
    EXPECT_EQ(f.compose, c.compose) << c.mode;
    EXPECT_EQ(f.spaceAlign, c.space) << c.mode;
    EXPECT_EQ(f.endOfFieldAlign, c.eof) << c.mode;
  }
}

TEST(SessionWindowRules, WindowManagerFunctions) {
  MenuResources r = Defaults();
  EXPECT_EQ(SessionShellWmFunctions(r), -1);
  r.command = QwDisableAndHide;
  EXPECT_EQ(SessionShellWmFunctions(r), MWM_FUNC_RESIZE | MWM_FUNC_MOVE | MWM_FUNC_MINIMIZE | MWM_FUNC_MAXIMIZE);
  r.fontMenu = QwDisableNoResizeOrMove;
  EXPECT_EQ(SessionShellWmFunctions(r), 0);
  r.command = QwEnable;
  EXPECT_EQ(SessionShellWmFunctions(r), MWM_FUNC_CLOSE);
}

TEST(SessionWindowRules, CommunicationMessageText) {
  struct Case {
    unsigned number;
    const char* text;
  } cases[] = {{7, "7   "}, {659, "659 "}, {1234, "1234"}, {12345, "2345"}, {10007, "0007"}};
  for (const Case& c : cases) EXPECT_EQ(CommMessageText(c.number), c.text) << c.number;
}

TEST(SessionWindowRules, CopyPasteAndLocalPrint) {
  EXPECT_EQ(CopyPasteModeFromResource(QwEnable), 1);
  EXPECT_EQ(CopyPasteModeFromResource(QwDisable), 3);
  EXPECT_EQ(CopyPasteModeFromResource(QwSessionOnly), 2);
  EXPECT_EQ(CopyPasteModeFromResource(QwBasic), 1);
  EXPECT_TRUE(LocalPrintAllowed(QwEnable));
  EXPECT_TRUE(LocalPrintAllowed(QwKeyboardOnlyLocalPrint));
  EXPECT_FALSE(LocalPrintAllowed(QwDisable));
  EXPECT_FALSE(LocalPrintAllowed(QwDisableAndHide));
}

// The b&h family on a 1024 x 768 screen without a frame.
SessionFontRequest Screen1024() {
  SessionFontRequest r;
  r.screenWidth = 1024;
  r.screenHeight = 768;
  r.availableWidth = 1024;
  return r;
}

TEST(SessionFontChoice, LargestFittingFontAndTheFixedOnesInTheMenu) {
  const FontFamily& bh = FontFamilyOf(FontFamilyId::BhLucida);
  const SessionFontChoice c = ChooseSessionFonts(bh, Screen1024());
  EXPECT_FALSE(c.usable[0]);  // 15 x 28: 1,204 pixels wide
  EXPECT_EQ(c.defaultEntry, bh.count - 1);
  ASSERT_GE(c.chosenEntry, 0);
  EXPECT_LE(FontWindowWidth(bh.table[c.chosenEntry], 80), 1024);
  EXPECT_GT(FontWindowWidth(bh.table[c.chosenEntry - 1], 80), 1024);
  EXPECT_LE(static_cast<int>(c.menuEntries.size()), SessionFontChoice::kMaxMenuEntries);
  for (int e : c.menuEntries) EXPECT_TRUE(e == c.chosenEntry || bh.table[e].fixedFont) << e;
  EXPECT_EQ(c.menuEntries[c.chosenPosition() - 1], c.chosenEntry);
}

TEST(SessionFontChoice, FontsTheServerLacksAreNotOffered) {
  const FontFamily& bh = FontFamilyOf(FontFamilyId::BhLucida);
  SessionFontRequest r = Screen1024();
  r.fontAvailable = [&bh](int e) { return bh.table[e].fixedFont; };
  const SessionFontChoice c = ChooseSessionFonts(bh, r);
  ASSERT_GE(c.chosenEntry, 0);
  EXPECT_TRUE(bh.table[c.chosenEntry].fixedFont);
  for (int e : c.menuEntries) EXPECT_TRUE(bh.table[e].fixedFont) << e;
}

TEST(SessionFontChoice, GeometryChoosesTheLargestFontThatFitsIt) {
  const FontFamily& bh = FontFamilyOf(FontFamilyId::BhLucida);
  SessionFontRequest r = Screen1024();
  r.geometry.widthGiven = r.geometry.heightGiven = 1;
  r.geometry.width = 700;
  r.geometry.height = 500;
  const SessionFontChoice c = ChooseSessionFonts(bh, r);
  ASSERT_GE(c.chosenEntry, 0);
  EXPECT_LE(FontWindowWidth(bh.table[c.chosenEntry], 80), 700);
  EXPECT_LE(FontWindowHeight(bh.table[c.chosenEntry], 24, true), 500);
  for (int i = 0; i < c.chosenEntry; ++i)
    EXPECT_TRUE(!c.usable[i] || FontWindowWidth(bh.table[i], 80) > 700 || FontWindowHeight(bh.table[i], 24, true) > 500)
        << i;
  // A font index in the geometry names the font when it is usable.
  SessionFontRequest byIndex = Screen1024();
  byIndex.geometry.fontGiven = 1;
  byIndex.geometry.fontIndex = 9;
  EXPECT_EQ(ChooseSessionFonts(bh, byIndex).chosenEntry, 9);
  byIndex.geometry.fontIndex = 0;  // too wide for the screen
  EXPECT_EQ(ChooseSessionFonts(bh, byIndex).chosenEntry, ChooseSessionFonts(bh, Screen1024()).chosenEntry);
}

TEST(SessionFontChoice, FixedFontsOnlyAndATinyScreen) {
  const FontFamily& bh = FontFamilyOf(FontFamilyId::BhLucida);
  SessionFontRequest r = Screen1024();
  r.fixedFontsOnly = true;
  const SessionFontChoice c = ChooseSessionFonts(bh, r);
  EXPECT_TRUE(bh.table[c.defaultEntry].fixedFont);
  for (int i = 0; i < bh.count; ++i)
    if (!bh.table[i].fixedFont) EXPECT_FALSE(c.usable[i]) << i;
  // Nothing fits: the default font is taken.
  SessionFontRequest tiny = Screen1024();
  tiny.screenWidth = tiny.availableWidth = 100;
  const SessionFontChoice t = ChooseSessionFonts(bh, tiny);
  EXPECT_EQ(t.chosenEntry, t.defaultEntry);
  EXPECT_EQ(t.menuEntries, std::vector<int>{t.defaultEntry});
}

TEST(WindowCodeSets, WideCharactersComeFromTheDisplayCodeSet) {
  // Accented letters survive whatever the process locale is.
  wchar_t table[256];
  ASSERT_TRUE(BuildWideCharTable("ISO8859-1", table));
  EXPECT_EQ(table[0x10], 0);
  EXPECT_EQ(table[0x41], L'A');
  EXPECT_EQ(table[0xE9], 0xE9);  // e acute
  EXPECT_EQ(table[0xA4], 0xA4);  // currency sign
  ASSERT_TRUE(BuildWideCharTable(kEmulatedEuroCodeSet, table));
  EXPECT_EQ(table[0xA4], 0x20AC);  // the euro sign
  EXPECT_EQ(table[0xFC], 0xFC);
  ASSERT_TRUE(BuildWideCharTable("ISO8859-2", table));
  EXPECT_EQ(table[0xA3], 0x141);  // L with stroke
  EXPECT_FALSE(BuildWideCharTable("NO-SUCH-SET", table));
  EXPECT_EQ(table[0x41], 0);
}

TEST(WindowCodeSets, LanguageCodeSetsAndNullCharacters) {
  EXPECT_STREQ(XCodeSetOfLanguage(FindLanguageRow("DEU")), "ISO8859-1");
  EXPECT_STREQ(XCodeSetOfLanguage(FindLanguageRow("@EU")), "ISO8859-15");
  EXPECT_STREQ(XCodeSetOfLanguage(nullptr), "ISO8859-1");
  EXPECT_EQ(NullPositionCharacter("ISO8859-1"), 0xB7);
  EXPECT_EQ(NullPositionCharacter("ISO8859-2"), 0xFF);
  EXPECT_EQ(NullPositionCharacter("ISO8859-5"), 0x2E);
  EXPECT_EQ(NullPositionCharacter("QAV-874"), 0x2E);
  EXPECT_TRUE(IsThaiCodeSet("QAV-874"));
  EXPECT_STREQ(EuroBaseLocale("@EU"), "de_DE");
  EXPECT_STREQ(EuroBaseLocale("@SL"), "es_LA");
  EXPECT_EQ(EuroBaseLocale("DEU"), nullptr);
  EXPECT_EQ(EuroBaseLocale(nullptr), nullptr);
}

TEST(WindowCodeSets, EuroSessionsConvertTheEuroSignToTheXCodeSet) {
  WindowCodeSets sets;
  sets.open("ISO8859-15", kEmulatedEuroCodeSet, true, "UTF-8");
  ASSERT_TRUE(sets.xFromEuro.isOpen());
  const unsigned char in[] = {0xA4, 'A', 0xE9};
  unsigned char out[8] = {};
  auto r = sets.xFromEuro.convert(in, sizeof in, out, sizeof out, -1);
  ASSERT_EQ(r.written, 3u);
  EXPECT_EQ(out[0], 0xA4);  // the euro sign in ISO 8859-15
  EXPECT_EQ(out[2], 0xE9);
  ASSERT_TRUE(sets.utf8FromSession.isOpen());
  r = sets.utf8FromSession.convert(in, 1, out, sizeof out, -1);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(out), r.written), "\xE2\x82\xAC");
  EXPECT_FALSE(sets.localeIsIso885915());
  WindowCodeSets plain;
  plain.open("ISO8859-1", "ISO8859-1", false, "ISO-8859-15");
  EXPECT_FALSE(plain.xFromEuro.isOpen());
  EXPECT_TRUE(plain.localeIsIso885915());
}

TEST(XStuffCells, PixelPositionsToScreenPositions) {
  XStuff x(nullptr);
  x.setCellSize(10, 20);
  x.setOrigin(1, 1);
  struct Case {
    int x, y, expect;
  } cases[] = {
      {1, 1, 0},       {10, 20, 0},      {11, 21, 81},   {-50, -50, 0},
      {799, 1, 79},    {5000, 1, 79},    {1, 5000, 23 * 80}, {5000, 5000, 24 * 80 - 1},
      {0, 0, 0},       {41, 61, 3 * 80 + 4},
  };
  for (const Case& c : cases) EXPECT_EQ(x.XYtoCursor(c.x, c.y), c.expect) << c.x << "," << c.y;
  x.setCellSize(0, 0);
  EXPECT_EQ(x.XYtoCursor(100, 100), 0);
}

TEST(XStuffCells, ClearBuffersBlanksTheMirrors) {
  XStuff x(nullptr);
  x.clearBuffers();
  for (int i : {0, 1919, XStuff::kMaxCells - 1}) {
    EXPECT_EQ(x.characterMirror()[i], 0x20);
    EXPECT_EQ(x.attributeMirror()[i], 0);
    EXPECT_EQ(x.overlayMirror()[i], 0);
  }
  // A window that was never built ends quietly and has no widgets.
  x.endSession();
  EXPECT_EQ(x.x_get_text_widget(), nullptr);
  EXPECT_EQ(x.x_comm_msg(659), 0);
  EXPECT_EQ(x.commStatus(), 659u);
}

}  // namespace
