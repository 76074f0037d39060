// The X server preferences of the registry applied at session start, read
// back with the server's own tools: xset q, xmodmap -pp, xhost, xrdb -query
// and the root's pixels.
#include <sstream>

#include "tests/wm/TeldraFixture.h"
#include "wm/session/ServerPreferences.h"

namespace {

TEST(ServerPreferenceRulesTest, ClampsPowerTimesAndIconPlacement) {
  const struct {
    long value;
    int acceleration, rate, delay;
  } clamps[] = {
      {0, 1, 1, 0}, {-5, 1, 1, 0}, {50, 50, 30, 50}, {31, 31, 30, 31}, {2000, 1000, 30, 1000}, {300, 300, 30, 300},
  };
  for (const auto& c : clamps) {
    EXPECT_EQ(ClampAcceleration(c.value), c.acceleration) << c.value;
    EXPECT_EQ(ClampRepeatRate(c.value), c.rate) << c.value;
    EXPECT_EQ(ClampRepeatDelay(c.value), c.delay) << c.value;
  }
  const struct {
    long standby, suspend, off;
    int minutes[3];
  } power[] = {
      {10, 5, 30, {20, 40, 60}},  {300, 0, 0, {240, 0, 0}}, {10, 20, 30, {10, 20, 30}},
      {0, 50, 40, {20, 40, 60}},  {-3, 0, 500, {0, 0, 240}}, {0, 0, 0, {0, 0, 0}},
      {30, 0, 0, {30, 0, 0}},     // no suspend time: standby may be anything
  };
  for (const auto& p : power) {
    int m[3];
    PowerTimes(p.standby, p.suspend, p.off, m);
    EXPECT_EQ(std::vector<int>(m, m + 3), std::vector<int>(p.minutes, p.minutes + 3))
        << p.standby << " " << p.suspend << " " << p.off;
  }
  const struct {
    const char* text;
    int code;
  } placements[] = {{"left top", 0},    {"LEFT BOTTOM", 1}, {"top left", 2},    {"Top Right", 3},
                    {"right top", 4},   {"right bottom", 5}, {"bottom left", 6}, {"bottom right", 7},
                    {"middle", 1},      {"", -1},           {nullptr, -1}};
  for (const auto& p : placements) EXPECT_EQ(IconPlacementCode(p.text), p.code) << (p.text ? p.text : "null");
}

class ServerPreferencesTest : public teldratest::TeldraFixture {
 protected:
  // "xmodmap -pp": the button code of each physical button, in order.
  std::vector<int> Buttons() {
    std::istringstream in(Tool({"xmodmap", "-pp"}));
    std::vector<int> codes;
    std::string line;
    while (std::getline(in, line)) {
      std::istringstream words(line);
      int physical = 0, code = 0;
      if (words >> physical >> code && physical == static_cast<int>(codes.size()) + 1) codes.push_back(code);
    }
    return codes;
  }
};

TEST_F(ServerPreferencesTest, TheRegistrysSettingsReachTheServer) {
  home_.WriteFile("registry/config",
                  "pref-screen-background-type = color\n"
                  "pref-screen-background-color = #336699\n"
                  "pref-screensaver-time = 240\n"
                  "pref-mouse-arrangement = Left-Handed\n"
                  "pref-mouse-acceleration = 250\n"
                  "pref-keyboard-auto-repeat-rate = 50\n"
                  "pref-keyboard-auto-repeat-start = 300\n"
                  "xserver-access-control-enabled = true\n"
                  "xserver-access-control-list.a.host = 127.0.0.2\n"
                  "xserver-access-control-list.b.family = decnet\n"
                  "xserver-access-control-list.b.host = 127.0.0.3\n"
                  "xserver-access-control-list.c.name = 127.0.0.4\n"
                  "xserver-access-control-list.d.host = no-such-host.invalid\n"
                  "xserver-initial-x-resources = Teldra*test: yes\\nXTerm*background: grey\n"
                  "pref-power-manage-standby-time = 10\n");
  home_.WriteFile("registry/desktop/mwm", "mwm*iconPlacement = bottom right\n");
  StartTeldra();
  const std::string q = Tool({"xset", "q"});
  EXPECT_NE(q.find("acceleration:  250/100"), std::string::npos) << q;
  EXPECT_NE(q.find("auto repeat delay:  300    repeat rate:  30"), std::string::npos) << q;
  EXPECT_NE(q.find("timeout:  240"), std::string::npos) << q;
  // Left-handed: the hand's three buttons reversed, the wheel's kept.
  const std::vector<int> buttons = Buttons();
  ASSERT_GE(buttons.size(), 5u);
  EXPECT_EQ(std::vector<int>(buttons.begin(), buttons.begin() + 5), (std::vector<int>{3, 2, 1, 4, 5}));
  const std::string hosts = Tool({"xhost"});
  EXPECT_NE(hosts.find("access control enabled"), std::string::npos) << hosts;
  EXPECT_NE(hosts.find("INET:127.0.0.2"), std::string::npos) << hosts;
  EXPECT_NE(hosts.find("INET:127.0.0.4"), std::string::npos) << hosts;
  EXPECT_EQ(hosts.find("127.0.0.3"), std::string::npos) << hosts;  // not a TCP/IP entry
  const std::string resources = Tool({"xrdb", "-query"});
  EXPECT_NE(resources.find("Teldra*test: yes\n"), std::string::npos) << resources;
  EXPECT_NE(resources.find("XTerm*background: grey"), std::string::npos) << resources;
  // The root shows the colour, not the default tile.
  XImage* img = XGetImage(display_, root_, 900, 700, 1, 1, AllPlanes, ZPixmap);
  ASSERT_NE(img, nullptr);
  EXPECT_EQ(XGetPixel(img, 0, 0) & 0xffffff, 0x336699u);
  XDestroyImage(img);
  // What Xvfb lacks is said, not silently skipped.
  teldra_.Pump();
  EXPECT_NE(teldra_.Output().find("no DPMS"), std::string::npos);
  EXPECT_NE(teldra_.Output().find("no XFree86-Misc"), std::string::npos);
}

TEST_F(ServerPreferencesTest, RepeatOffRightHandedAndNoAccessControl) {
  home_.WriteFile("registry/config",
                  "pref-mouse-arrangement = right-handed\n"
                  "pref-mouse-acceleration = 0\n"
                  "pref-keyboard-auto-repeat = false\n"
                  "xserver-access-control-enabled-default = false\n");
  StartTeldra();
  const std::string q = Tool({"xset", "q"});
  EXPECT_NE(q.find("auto repeat:  off"), std::string::npos) << q;
  EXPECT_NE(q.find("acceleration:  1/100"), std::string::npos) << q;
  const std::vector<int> buttons = Buttons();
  ASSERT_GE(buttons.size(), 3u);
  EXPECT_EQ(std::vector<int>(buttons.begin(), buttons.begin() + 3), (std::vector<int>{1, 2, 3}));
  EXPECT_NE(Tool({"xhost"}).find("access control disabled"), std::string::npos);
}

}  // namespace
