// What follows the session font when it changes at run time: the status
// line (its labels' font, their gaps, its height), the menu bar and its
// items, the window's height, and the session's open message dialogs. The
// oracle is a second window started with the new font: a window whose font
// changed must look like one that had that font from the start.
#include "tests/xwindow/WindowFixture.h"

#include <Xm/MessageB.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "session/ErrorDialogs.h"

namespace {

using qwtest::Rect;

// The name of the first font of a widget's render table ("" without one).
std::string FontOf(Widget w) {
  if (!w) return "";
  XmRenderTable table = nullptr;
  XtVaGetValues(w, XmNrenderTable, &table, nullptr);
  if (!table) return "";
  XmFontContext context = nullptr;
  if (!XmFontListInitFontContext(&context, table)) return "";
  XmFontListEntry entry = XmFontListNextEntry(context);
  XmFontType type = XmFONT_IS_FONT;
  XtPointer font = entry ? XmFontListEntryGetFont(entry, &type) : nullptr;
  std::string name;
  if (font && type == XmFONT_IS_FONTSET) {
    XFontStruct** fonts = nullptr;
    char** names = nullptr;
    if (XFontsOfFontSet(static_cast<XFontSet>(font), &fonts, &names) > 0 && names && names[0]) name = names[0];
  } else if (font && type == XmFONT_IS_FONT) {
    name = std::to_string(static_cast<XFontStruct*>(font)->fid);
  }
  XmFontListFreeFontContext(context);
  return name;
}

template <class Fixture>
struct Followers : Fixture {
  static Widget StatusLabel(SessionControlBlock* b, const char* name) {
    return XtNameToWidget(b->xstuff.privatePart()->optionArea, name);
  }
  // A widget's place relative to the status line, as the server has it.
  static Rect InStatus(SessionControlBlock* b, const char* name) {
    Rect r = Fixture::WindowRect(XtWindow(StatusLabel(b, name)));
    const Rect area = Fixture::StatusRect(b);
    r.x -= area.x;
    r.y -= area.y;
    return r;
  }

  // Every font of the font menu, chosen in the menu of one window, against
  // a window started with that font.
  void StatusLineAndMenusFollow() {
    SessionControlBlock* b = Fixture::NewSession();
    ASSERT_NE(b, nullptr);
    XStuff& x = b->xstuff;
    XStuff::Private& p = *x.privatePart();
    ASSERT_GE(p.fontToggles.size(), 2u);
    std::set<int> statusHeights;
    // Walk the menu from its last entry (the smallest font) to its first and
    // back, so that every font is reached from a larger and a smaller one.
    std::vector<size_t> order;
    for (size_t i = p.fontToggles.size(); i-- > 0;) order.push_back(i);
    for (size_t i = 1; i < p.fontToggles.size(); ++i) order.push_back(i);
    for (size_t i : order) {
      if (!XtIsSensitive(p.fontToggles[i])) continue;
      const int entry = p.fontChoice.menuEntries[i];
      XmToggleButtonSetState(p.fontToggles[i], True, True);
      Fixture::Settle(b);
      ASSERT_EQ(x.currentFontEntry(), entry);

      SessionControlBlock* fresh = Fixture::NewSessionWithFont(entry);
      ASSERT_NE(fresh, nullptr);
      ASSERT_EQ(fresh->xstuff.currentFontEntry(), entry);
      SCOPED_TRACE("font entry " + std::to_string(entry));
      const Rect status = Fixture::StatusRect(b), freshStatus = Fixture::StatusRect(fresh);
      EXPECT_EQ(status.height, freshStatus.height) << "status line height";
      EXPECT_EQ(Fixture::MenuBarRect(b).height, Fixture::MenuBarRect(fresh).height) << "menu bar height";
      const Rect shell = Fixture::ShellRect(b), freshShell = Fixture::ShellRect(fresh);
      EXPECT_EQ(shell.height, freshShell.height) << "the window's height includes the status line";
      EXPECT_EQ(shell.width, freshShell.width);
      for (const char* label : {"sessionNumberMsg", "hostnameMsg", "typeAheadMsg", "cursorRowCol"}) {
        EXPECT_EQ(FontOf(StatusLabel(b, label)), FontOf(StatusLabel(fresh, label))) << label;
        const Rect at = InStatus(b, label), freshAt = InStatus(fresh, label);
        EXPECT_EQ(at.x, freshAt.x) << label << ": gaps between the labels";
        EXPECT_EQ(at.height, freshAt.height) << label;
      }
      EXPECT_EQ(FontOf(p.fontCascade), FontOf(fresh->xstuff.privatePart()->fontCascade)) << "menu bar";
      EXPECT_FALSE(FontOf(p.fontCascade).empty());
      // The status line closes the window; the text is above it, all rows shown.
      EXPECT_EQ(status.bottom(), shell.bottom());
      EXPECT_LE(Fixture::DrawingRect(b).bottom(), status.y);
      Fixture::ExpectAllRowsShown(b);
      statusHeights.insert(status.height);
    }
    EXPECT_GE(statusHeights.size(), 2u) << "the status line's height follows the font";
  }

  // A message dialog of the session takes the new font; one of another
  // window keeps its own.
  void DialogsFollow() {
    SessionControlBlock* b = Fixture::NewSession();
    ASSERT_NE(b, nullptr);
    SessionControlBlock* other = Fixture::NewSession();
    ASSERT_NE(other, nullptr);
    XStuff::Private& p = *b->xstuff.privatePart();
    ASSERT_GE(p.fontToggles.size(), 2u);
    ErrorDialogs& dialogs = TheErrorDialogs();
    const int mine = dialogs.createWarningDialog(b->xstuff.shell(), "WarningMsgColorFileCorrupt", nullptr, nullptr);
    const int theirs =
        dialogs.createWarningDialog(other->xstuff.shell(), "WarningMsgColorFileCorrupt", nullptr, nullptr);
    ASSERT_GE(mine, 0);
    ASSERT_GE(theirs, 0);
    Widget myText = XmMessageBoxGetChild(dialogs.dialogOf(mine), XmDIALOG_MESSAGE_LABEL);
    Widget theirText = XmMessageBoxGetChild(dialogs.dialogOf(theirs), XmDIALOG_MESSAGE_LABEL);
    const std::string theirFont = FontOf(theirText);
    // Each other font of the menu in turn.
    for (size_t i = 0; i < p.fontToggles.size(); ++i) {
      if (p.fontChoice.menuEntries[i] == b->xstuff.currentFontEntry() || !XtIsSensitive(p.fontToggles[i])) continue;
      XmToggleButtonSetState(p.fontToggles[i], True, True);
      Fixture::Settle(b);
      const std::string font = FontOf(StatusLabel(b, "hostnameMsg"));
      EXPECT_EQ(FontOf(myText), font);
      EXPECT_EQ(FontOf(theirText), theirFont);
    }
    dialogs.destroyErrorDialogByNumber(mine);
    dialogs.destroyErrorDialogByNumber(theirs);
  }
};

std::string FirstFontName(XFontSet set) {
  XFontStruct** fonts = nullptr;
  char** names = nullptr;
  return set && XFontsOfFontSet(set, &fonts, &names) > 0 && names && names[0] ? names[0] : "";
}

using FontFollowers1024 = Followers<qwtest::WindowFixture<1024, 768>>;

// A font that is not in the font menu is loaded when first needed with a
// font set for the program's texts and, in a euro session, one for the euro
// sign; both become the window's with the font.
TEST_F(FontFollowers1024, EntriesLoadedLaterHaveMessageAndEuroSets) {
  // Bitmap fonts scaled by the server make every size of the family there;
  // only a few of them go into the font menu.
  int count = 0;
  char** saved = XGetFontPath(test_, &count);
  std::vector<std::string> path(saved, saved + count);
  XFreeFontPath(saved);
  struct Restore {
    Display* display;
    std::vector<std::string> path;
    ~Restore() {
      std::vector<char*> p;
      for (std::string& s : path) p.push_back(&s[0]);
      XSetFontPath(display, p.data(), static_cast<int>(p.size()));
      XSync(display, False);
    }
  } restore{test_, path};
  std::vector<std::string> scaled = path;
  scaled.insert(scaled.begin(), "/usr/share/fonts/X11/100dpi/");
  std::vector<char*> p;
  for (std::string& s : scaled) p.push_back(&s[0]);
  XSetFontPath(test_, p.data(), static_cast<int>(p.size()));
  XSync(test_, False);
  for (const int euro : {0, 1}) {
    SCOPED_TRACE(euro ? "euro session" : "session");
    SessionStartOptions o;
    o.EuroOption = euro ? 1 : 2;
    SessionControlBlock* b = NewSession(o);
    ASSERT_NE(b, nullptr);
    XStuff& x = b->xstuff;
    XStuff::Private& p = *x.privatePart();
    EXPECT_EQ(!p.euroLocale.empty(), euro == 1);
    EXPECT_EQ(p.fonts->euroSets.size(), euro ? p.fonts->menuSets.size() : 0u);
    EXPECT_EQ(p.currentEuroSet != nullptr, euro == 1);
    int entry = -1;
    for (int e = p.family->count - 1; e >= 0 && entry < 0; --e) {
      char name[kFontNameBufferSize];
      if (std::find(p.fontChoice.menuEntries.begin(), p.fontChoice.menuEntries.end(), e) ==
              p.fontChoice.menuEntries.end() &&
          GenerateFontNameString(*p.family, e, name, sizeof name) && IsFontAvailable(XtDisplay(x.shell()), name))
        entry = e;
    }
    if (entry < 0) GTEST_SKIP() << "the server has only the fonts of the menu";
    ASSERT_TRUE(x.selectNewFont(entry, true));
    Settle(b);
    ASSERT_EQ(p.fonts->entrySets.count(entry), 1u);
    const EntryFonts& f = p.fonts->entrySets.at(entry);
    ASSERT_NE(f.session.fontSet, nullptr);
    EXPECT_EQ(p.currentFontSet, f.session.fontSet);
    // A euro session's texts and euro sign each have their own set.
    EXPECT_EQ(f.message.fontSet != nullptr, euro == 1 || p.messageLocale != p.drawingLocale);
    EXPECT_EQ(p.currentMessageSet, f.message.fontSet ? f.message.fontSet : f.session.fontSet);
    EXPECT_EQ(f.euro.fontSet != nullptr, euro == 1);
    EXPECT_EQ(p.currentEuroSet, f.euro.fontSet);
    // The status line shows the program's texts in their set.
    EXPECT_EQ(FontOf(XtNameToWidget(p.optionArea, "hostnameMsg")), FirstFontName(p.currentMessageSet));
    EndSessions(1);
    qwtest::Pump(20);
  }
}
using FontFollowers800 = Followers<qwtest::WindowFixture<800, 600>>;

TEST_F(FontFollowers1024, StatusLineAndMenusFollowTheFont) { StatusLineAndMenusFollow(); }
TEST_F(FontFollowers800, StatusLineAndMenusFollowTheFont) { StatusLineAndMenusFollow(); }
TEST_F(FontFollowers1024, MessageDialogsOfTheSessionFollowTheFont) { DialogsFollow(); }

}  // namespace
