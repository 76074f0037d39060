// The action table and the default translations built from it.
#include <gtest/gtest.h>

#include <cstring>
#include <regex>
#include <set>
#include <string>

#include "xfront/DefaultTranslations.h"
#include "xfront/EmulatorActions.h"

namespace {

TEST(EmulatorActionsTest, TheTableHas141DistinctNames) {
  std::set<std::string> names;
  for (size_t i = 0; i < kEmulatorActionCount; ++i) names.insert(EmulatorActionTable()[i].name);
  EXPECT_EQ(names.size(), 141u);
}

TEST(EmulatorActionsTest, ActionsCarryTheirKeystrokeCodesAndMouseKinds) {
  struct Case {
    const char* name;
    EmulatorActionKind kind;
    int value;
  } cases[] = {
      {"up", EmulatorActionKind::Keystroke, 3},       {"backspace", EmulatorActionKind::Keystroke, 16},
      {"erase-eof", EmulatorActionKind::Keystroke, 19}, {"pf1", EmulatorActionKind::Keystroke, 24},
      {"pf24", EmulatorActionKind::Keystroke, 47},    {"reset", EmulatorActionKind::Keystroke, 54},
      {"hex-entry", EmulatorActionKind::Keystroke, 58}, {"rollup", EmulatorActionKind::Keystroke, 66},
      {"testreq", EmulatorActionKind::Keystroke, 72}, {"textaltd", EmulatorActionKind::Keystroke, 90},
      {"textcent", EmulatorActionKind::Keystroke, 92}, {"kanji", EmulatorActionKind::Keystroke, 98},
      {"cancelprint", EmulatorActionKind::Keystroke, 100},
      {"displaytextsymb", EmulatorActionKind::Keystroke, 108},
      {"toggle-default-copy-type", EmulatorActionKind::Keystroke, 118},
      {"cut", EmulatorActionKind::Keystroke, 121},    {"string", EmulatorActionKind::Other, -1},
      {"delay", EmulatorActionKind::Other, -1},       {"mouse-move", EmulatorActionKind::Mouse, 0},
      {"btn2-release", EmulatorActionKind::Mouse, 5}, {"shift-btn3-release", EmulatorActionKind::Mouse, 17},
  };
  for (const Case& c : cases) {
    const EmulatorAction* a = FindEmulatorAction(c.name);
    ASSERT_NE(a, nullptr) << c.name;
    EXPECT_EQ(a->kind, c.kind) << c.name;
    EXPECT_EQ(a->value, c.value) << c.name;
  }
  EXPECT_EQ(FindEmulatorAction("no-such-action"), nullptr);
  EXPECT_EQ(FindEmulatorAction(nullptr), nullptr);
  EXPECT_FALSE(SetEmulatorActionProc("no-such-action", nullptr));
}

// Every action a default translation names is in the table.
TEST(EmulatorActionsTest, TranslationsNameOnlyActionsOfTheTable) {
  const std::regex call(R"(([A-Za-z_][-A-Za-z0-9_]*)\()");
  for (int id : {0, 45, 113, 123, 200}) {
    const std::string text = BuildDefaultTranslations(id).text;
    int calls = 0;
    for (std::sregex_iterator it(text.begin(), text.end(), call), end; it != end; ++it, ++calls)
      EXPECT_NE(FindEmulatorAction((*it)[1].str().c_str()), nullptr) << id << ": " << (*it)[1];
    EXPECT_GT(calls, 100) << id;
  }
}

TEST(DefaultTranslationsTest, KeypadDivideAndMultiplyFollowTheKeyboard) {
  struct Case {
    int id;
    const char* divide;  // null: no line
  } cases[] = {
      {0, "<Key>KP_Divide:     string(/)"}, {169, "<Key>KP_Divide:     string(/)"},
      {45, "<Key>KP_Divide:     hex(F7)"},  {171, "<Key>KP_Divide:     hex(F7)"},
      {113, nullptr},                       {200, nullptr}, {1, nullptr},
  };
  for (const Case& c : cases) {
    const std::string text = BuildDefaultTranslations(c.id).text;
    if (c.divide) {
      EXPECT_NE(text.find(c.divide), std::string::npos) << c.id;
      EXPECT_NE(text.find("KP_Multiply"), std::string::npos) << c.id;
    } else {
      EXPECT_EQ(text.find("KP_Divide"), std::string::npos) << c.id;
    }
  }
}

TEST(DefaultTranslationsTest, FamiliesHaveTheirOwnKeysAndPrintTexts) {
  struct Case {
    int id;
    bool is5250;
  } cases[] = {{112, false}, {113, true}, {118, true}, {123, true}, {124, false}, {0, false}};
  for (const Case& c : cases) {
    const DefaultTranslations t = BuildDefaultTranslations(c.id);
    EXPECT_EQ(IsKeyboard5250(c.id), c.is5250);
    EXPECT_EQ(t.text.find("Z5250_FieldExit") != std::string::npos, c.is5250) << c.id;
    EXPECT_EQ(t.text.find("<Key>Scroll_Lock") != std::string::npos, !c.is5250) << c.id;
    EXPECT_EQ(t.printKeyLocal.find(c.is5250 ? "Z3270_PrintScreen" : "<Key>Print") != std::string::npos, true);
    EXPECT_NE(t.printKeyLocal, t.printKeySwapped);
    // The catch-all lines end the table: they would hide anything after them.
    EXPECT_EQ(t.text.substr(t.text.size() - 15), "<Key>: string()") << c.id;
  }
}

TEST(DefaultTranslationsTest, EveryCursorKeyLineHasItsMotifTwin) {
  const std::string text = BuildDefaultTranslations(0).text;
  for (const char* pair : {"<Key>Up: up() \n<Key>osfUp: up()", "<Key>Home: home() \n<Key>osfBeginLine: home()",
                           "<Key>Next: rollup() \n<Key>osfPageDown: rollup()",
                           "<Key>BackSpace: backspace() \n<Key>osfBackSpace: backspace()"})
    EXPECT_NE(text.find(pair), std::string::npos) << pair;
}

bool NothingKnown(const char*) { return false; }

TEST(DefaultTranslationsTest, UnnamedVendorKeysymsAreWrittenAsNumbers) {
  const std::string text = BuildDefaultTranslations(113, NothingKnown).text;
  EXPECT_EQ(text.find("Z3270_"), std::string::npos);
  EXPECT_EQ(text.find("Z5250_"), std::string::npos);
  EXPECT_NE(text.find("<Key>0x1007ff01: attention()"), std::string::npos);
  // Standard keysyms keep their names.
  EXPECT_NE(text.find("<Key>Return: enter()"), std::string::npos);
}

}  // namespace
