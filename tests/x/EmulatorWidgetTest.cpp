// The emulator's drawing widget classes under a real server: creation,
// resources, translations of each keyboard family and the action table.
#include "tests/x/XtAppFixture.h"

#include <X11/IntrinsicP.h>
#include <Xm/Xm.h>

#include <cstring>
#include <string>

#include "xfront/DefaultTranslations.h"
#include "xfront/EmulatorActions.h"
#include "xfront/FontSelection.h"
#include "xfront/Win3270.h"
#include "xfront/XuXHelpers.h"

namespace qwtest {
namespace {

class EmulatorWidgetTest : public XtAppFixture {
 protected:
  void SetUp() override {
    XuUseKeysymDatabase();
    XtAppFixture::SetUp();
  }
  Widget MakeX5250(ArgList args = nullptr, Cardinal n = 0) {
    Widget w = XtCreateManagedWidget("x5250", x5250WidgetClass, shell_, args, n);
    XtRealizeWidget(shell_);
    Drain();
    return w;
  }
  std::string WarningText() {
    std::string all;
    for (const auto& w : Warnings()) all += w + "\n";
    return all;
  }
};

TEST_F(EmulatorWidgetTest, TheClassesCreateAndRealizeWithoutWarnings) {
  Widget w = MakeX5250();
  ASSERT_TRUE(XtIsRealized(w));
  EXPECT_TRUE(XtIsSubclass(w, win3270WidgetClass));
  EXPECT_NE(X5250FontId(w), 0u);
  EXPECT_EQ(X5250FontId(shell_), 0u);
  Dimension width = 0, height = 0, border = 9;
  XtVaGetValues(w, XtNwidth, &width, XtNheight, &height, XtNborderWidth, &border, nullptr);
  EXPECT_GT(width, 80);
  EXPECT_GT(height, 24);
  EXPECT_EQ(border, 0);
  Pixel cursorColor = 0, foreground = 1;
  XtVaGetValues(w, QwNcursorColor, &cursorColor, XtNforeground, &foreground, nullptr);
  EXPECT_EQ(cursorColor, foreground);
  X3270SetCursor(w, 0);
  X3270SetCursor(w, 1);
  X3270SetCursor(w, 7);
  // Without session tables every printable entry is a blank.
  const unsigned char* table = X5250PrintableTable(w);
  ASSERT_NE(table, nullptr);
  for (int i = 0; i < 256; ++i) ASSERT_EQ(table[i], 0x20) << i;
  EXPECT_EQ(X5250PrintableTable(shell_), nullptr);
  Drain();
  EXPECT_TRUE(Warnings().empty()) << WarningText();
}

TEST_F(EmulatorWidgetTest, ScreenSizesBelow24x80AreRaised) {
  struct Case {
    int rows, cols, expectRows, expectCols;
  } cases[] = {{20, 60, 24, 80}, {27, 132, 27, 132}, {24, 80, 24, 80}, {0, 0, 24, 80}};
  for (const Case& c : cases) {
    Arg args[2];
    XtSetArg(args[0], const_cast<String>(QwNrows), c.rows);
    XtSetArg(args[1], const_cast<String>(QwNcols), c.cols);
    Widget w = XtCreateWidget("x5250", x5250WidgetClass, shell_, args, 2);
    Dimension rows = 0, cols = 0;
    XtVaGetValues(w, QwNrows, &rows, QwNcols, &cols, nullptr);
    EXPECT_EQ(rows, c.expectRows);
    EXPECT_EQ(cols, c.expectCols);
    XtDestroyWidget(w);
  }
}

TEST_F(EmulatorWidgetTest, DefaultFontNumberPastTheListTakesTheLastFont) {
  XFontStruct* fonts[3] = {XLoadQueryFont(xtDisplay_, "6x13"), XLoadQueryFont(xtDisplay_, "7x14"),
                           XLoadQueryFont(xtDisplay_, "9x15")};
  XmFontList list = nullptr;
  for (XFontStruct* f : fonts) {
    ASSERT_NE(f, nullptr);
    XmFontListEntry e = XmFontListEntryCreate(const_cast<char*>(XmFONTLIST_DEFAULT_TAG), XmFONT_IS_FONT, f);
    list = XmFontListAppendEntry(list, e);
    XmFontListEntryFree(&e);
  }
  struct Case {
    int number;
    XFontStruct* expect;
  } cases[] = {{1, fonts[0]}, {2, fonts[1]}, {3, fonts[2]}, {5, fonts[2]}, {0, nullptr}, {-4, nullptr}};
  for (const Case& c : cases) EXPECT_EQ(GetFontFromFontList(list, c.number), c.expect) << c.number;
  EXPECT_EQ(GetFontFromFontList(nullptr, 1), nullptr);
  EXPECT_EQ(XuFontListIndex(list, fonts[1]), 1);
  EXPECT_EQ(XuFontListIndex(nullptr, fonts[1]), -1);

  Arg args[2];
  XtSetArg(args[0], const_cast<String>(QwNfontList), list);
  XtSetArg(args[1], const_cast<String>(QwNdefaultFontNumber), 5);
  // Unmanaged, so that the shell does not impose its own size.
  Widget w = XtCreateWidget("x5250", x5250WidgetClass, shell_, args, 2);
  EXPECT_EQ(X5250FontId(w), fonts[2]->fid);
  Dimension width = 0, height = 0;
  XtVaGetValues(w, XtNwidth, &width, XtNheight, &height, nullptr);
  EXPECT_EQ(width, 80 * fonts[2]->max_bounds.width + 2);
  EXPECT_EQ(height, 24 * (fonts[2]->ascent + fonts[2]->descent) + 2);
  // A new null font keeps the current one.
  XtVaSetValues(w, QwNfontP, static_cast<XFontStruct*>(nullptr), nullptr);
  EXPECT_EQ(X5250FontId(w), fonts[2]->fid);
  XtVaSetValues(w, QwNfontP, fonts[0], nullptr);
  EXPECT_EQ(X5250FontId(w), fonts[0]->fid);
  XtDestroyWidget(w);
  XmFontListFree(list);
}

int gDestroyCalls = 0;
int gResizeCalls = 0;

TEST_F(EmulatorWidgetTest, CallbacksRunOnceEachAndTheListsEmptyOnDestroy) {
  gDestroyCalls = gResizeCalls = 0;
  Widget w = MakeX5250();
  XtAddCallback(w, XtNdestroyCallback, [](Widget, XtPointer, XtPointer) { ++gDestroyCalls; }, nullptr);
  XtAddCallback(w, QwNresizeCallback, [](Widget, XtPointer, XtPointer data) {
    EXPECT_EQ(data, nullptr);
    ++gResizeCalls;
  }, nullptr);
  XtResizeWidget(w, 300, 200, 0);
  EXPECT_EQ(gResizeCalls, 1);
  XtDestroyWidget(w);
  Drain();
  EXPECT_EQ(gDestroyCalls, 1);
}

// Every translation text must parse without a single Xt warning, and install
// on the drawing widget.
TEST_F(EmulatorWidgetTest, EveryKeyboardFamilyTranslatesWithoutWarnings) {
  Widget w = MakeX5250();
  ASSERT_TRUE(Warnings().empty()) << WarningText();
  EXPECT_NE(std::string(Win3270ClassTranslationText()), "");
  EXPECT_NE(w->core.tm.translations, nullptr);  // the class translations are installed
  // The capture itself works: a bad keysym is reported.
  XtParseTranslationTable("<Key>NoSuchKeysymHere: up()");
  ASSERT_FALSE(Warnings().empty());
  struct Case {
    int keyboard;
  } cases[] = {{0}, {45}, {113}, {118}, {123}, {200}};
  for (const Case& c : cases) {
    Warnings().clear();
    const DefaultTranslations t =
        BuildDefaultTranslations(c.keyboard, [](const char* n) { return XStringToKeysym(n) != NoSymbol; });
    XtTranslations parsed = XtParseTranslationTable(t.text.c_str());
    ASSERT_NE(parsed, nullptr) << c.keyboard;
    XtVaSetValues(w, XtNtranslations, parsed, nullptr);
    for (const std::string* print : {&t.printKeyLocal, &t.printKeySwapped})
      XtOverrideTranslations(w, XtParseTranslationTable(print->c_str()));
    Drain();
    EXPECT_TRUE(Warnings().empty()) << "keyboard " << c.keyboard << ":\n" << WarningText();
  }
}

TEST_F(EmulatorWidgetTest, TheProgramsKeysymDatabaseNamesThe5250Keys) {
  ASSERT_NE(XuKeysymDatabasePath(), nullptr);
  // XtOpenDisplay ran after XuUseKeysymDatabase: the names resolve.
  EXPECT_EQ(XStringToKeysym("Z5250_FieldExit"), 0x1007FF21u);
  EXPECT_EQ(XStringToKeysym("Z3270_Attn"), 0x1007FF01u);
  EXPECT_FALSE(XuOsfBackSpaceUnknown());
}

TEST_F(EmulatorWidgetTest, EveryActionOfTheTableIsRegistered) {
  Widget w = MakeX5250();
  XKeyEvent key{};
  key.type = KeyPress;
  key.display = xtDisplay_;
  key.window = XtWindow(w);
  XEvent* event = reinterpret_cast<XEvent*>(&key);
  for (size_t i = 0; i < kEmulatorActionCount; ++i) {
    const char* name = EmulatorActionTable()[i].name;
    EXPECT_EQ(XuCallActionCatchingWarnings(w, name, event, nullptr, 0), 1) << name;
  }
  EXPECT_EQ(XuCallActionCatchingWarnings(w, "no-such-action", event, nullptr, 0), 0);
  // Work attached later is what an action runs.
  static int keystroke = 0;
  SetKeystrokeActionProc([](Widget, XEvent*, int code) { keystroke = code; });
  XtCallActionProc(w, "pf3", event, nullptr, 0);
  EXPECT_EQ(keystroke, 26);
  static int named = 0;
  ASSERT_TRUE(SetEmulatorActionProc("pf3", [](Widget, XEvent*, String*, Cardinal*) { named = 1; }));
  XtCallActionProc(w, "pf3", event, nullptr, 0);
  EXPECT_EQ(named, 1);
  SetEmulatorActionProc("pf3", nullptr);
  SetKeystrokeActionProc(nullptr);
}

}  // namespace
}  // namespace qwtest
