// Hot-key bindings in the syntax of X Toolkit translations, parsed and
// matched against key events of the server's own keyboard mapping.
#include <gtest/gtest.h>
#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <cstring>

#include "platform/sdk/SdkScreen.h"
#include "tests/support/XTestServer.h"
#include "wm/session/ScreenState.h"
#include "wm/session/WindowManager.h"
#include "wm/shell/HotKeys.h"

namespace {

class HotKeysTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server_.Start()) << server_.Error();
    std::memset(static_cast<void*>(&state_), 0, sizeof state_);
    ASSERT_EQ(InitScreenInfo(&state_.sdk, "test", 1, 0, nullptr, server_.DisplayName().c_str()), 0);
    state_.altMask = GetModifierMask(&state_, XK_Alt_L, XK_Alt_R, XK_Meta_L, XK_Meta_R);
    state_.numLockMask = GetModifierMask(&state_, XK_Num_Lock, 0, 0, 0);
    ASSERT_NE(state_.altMask, 0u);
  }
  void TearDown() override { CloseScreenInfo(&state_.sdk); }
  // A key press of `sym` with the modifier state.
  XKeyEvent Press(KeySym sym, unsigned int mods) {
    XKeyEvent e = {};
    e.type = KeyPress;
    e.display = state_.sdk.display;
    e.keycode = XKeysymToKeycode(state_.sdk.display, sym);
    e.state = mods;
    return e;
  }
  int Match(const char* text, KeySym sym, unsigned int mods) {
    KeyBinding b;
    ParseKeyBinding(&state_, text, 7, &b);
    return MatchKeyBinding(&state_, Press(sym, mods), &b, 1);
  }

  qwtest::XTestServer server_;
  ScreenState state_;
};

TEST_F(HotKeysTest, BindingsMatchTheirKeysWithWhateverLocksAreOn) {
  const unsigned alt = state_.altMask, num = state_.numLockMask;
  const struct {
    const char* binding;
    KeySym sym;
    unsigned int mods;
    bool matches;
  } cases[] = {
      {"~Shift Alt<Key>Tab", XK_Tab, alt, true},
      {"~Shift Alt<Key>Tab", XK_Tab, alt | LockMask | num, true},
      {"~Shift Alt<Key>Tab", XK_Tab, alt | ShiftMask, false},
      {"~Shift Alt<Key>Tab", XK_Tab, 0, false},
      {"Shift Alt<Key>Tab", XK_Tab, alt | ShiftMask, true},
      {"Ctrl Alt<Key>V", XK_v, ControlMask | alt, true},
      {"Ctrl Alt<Key>V", XK_v, ControlMask | alt | ShiftMask, true},  // Shift is not compared
      {"Ctrl+Alt<Key>v\r\n", XK_v, ControlMask | alt, true},
      {":Alt<Key>v", XK_v, alt, true},
      {"None<Key>F3", XK_F3, 0, true},
      {"None<Key>F3", XK_F3, ShiftMask, false},
      {"!Ctrl<Key>F3", XK_F3, ControlMask | alt, false},
      {"c<Key>F3", XK_F3, ControlMask, true},
      {"Alt<Key>NoSymbol", XK_a, alt, false},
      {"Alt<Key>NoSuchKey", XK_a, alt, false},
      {"Alt<Key>", XK_a, alt, false},
      {"Alt<Key", XK_a, alt, false},
      {"<Key>\"^a\"", XK_a, ControlMask, true},
      {"<Key>\"^a\"", XK_a, 0, false},
      {"Unknown<Key>F5", XK_F5, 0, true},  // an unknown modifier adds nothing
  };
  for (const auto& c : cases)
    EXPECT_EQ(Match(c.binding, c.sym, c.mods), c.matches ? 7 : -1) << c.binding << " " << c.mods;
  // Far too long a text binds nothing.
  const std::string huge = std::string(2000, ' ') + "<Key>F5";
  EXPECT_EQ(Match(huge.c_str(), XK_F5, 0), -1);
}

// The print-screen keys are found in the server's mapping: Up is never
// taken for them.
TEST_F(HotKeysTest, PrintScreenBindingsUseTheServersPrintKey) {
  KeyBinding b[2];
  ParseKeyBinding(&state_, "~Alt<Key>PrtSc", HotKeyPrintScreen, &b[0]);
  ParseKeyBinding(&state_, "Alt<Key>PrtSc", HotKeyPrintWindow, &b[1]);
  EXPECT_TRUE(b[0].printScreen);
  EXPECT_EQ(MatchKeyBinding(&state_, Press(XK_Print, 0), b, 2), HotKeyPrintScreen);
  EXPECT_EQ(MatchKeyBinding(&state_, Press(XK_Print, state_.altMask), b, 2), HotKeyPrintWindow);
  EXPECT_EQ(MatchKeyBinding(&state_, Press(XK_Up, 0), b, 2), -1);
}

}  // namespace
