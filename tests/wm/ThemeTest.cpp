// Colour themes: the package reader on its own, then Teldra switching
// themes from its menu with the results read back from the X server.
#include <poll.h>
#include <sys/stat.h>

#include <fstream>
#include <sstream>
#include <string>

#include "platform/sdk/QXService.h"
#include "tests/support/ScopedEnv.h"
#include "tests/wm/TeldraFixture.h"
#include "wm/shell/ThemePackage.h"

namespace {

using teldratest::TeldraFixture;

std::string ListXml(const std::string& blocks) {
  return "<?xml version=\"1.0\"?>\n<package><category>" + blocks + "</category></package>";
}

std::string Item(const std::string& definition, const std::string& resource) {
  std::string v;
  if (!definition.empty()) v += "<value name=\"definition\">" + definition + "</value>";
  if (!resource.empty()) v += "<value name=\"resource\">" + resource + "</value>";
  return "<item>" + v + "</item>";
}

std::string Texts(const std::string& locale, const std::string& name, const std::string& text) {
  return "<resources locale=\"" + locale + "\"><text name=\"" + name + "\">" + text + "</text></resources>";
}

std::vector<std::string> Labels(const std::string& xml, const char* lang, const char* messages) {
  std::vector<ThemeListEntry> themes;
  EXPECT_TRUE(ParseThemeList(xml.data(), xml.size(), lang, messages, &themes));
  std::vector<std::string> out;
  for (auto& t : themes) out.push_back(t.definition + "=" + t.label);
  return out;
}

TEST(ThemePackageTest, ListLabelsFollowTheLanguage) {
  using L = std::vector<std::string>;
  const std::string de = Texts("de_DE", "sea", "Meer"), fr = Texts("fr_FR", "sea", "Mer"),
                    en = Texts("en_US", "sea", "Sea") + Texts("en_US", "sun", "Sun");
  const std::string item = Item("/themes/sea", "sea");
  struct {
    std::string xml;
    const char* lang;
    const char* messages;
    L expected;
  } cases[] = {
      {ListXml(en + de + fr + item), "fr_FR", "de_DE", {"/themes/sea=Meer"}},
      {ListXml(en + fr + de + item), "fr_FR", "de_DE", {"/themes/sea=Meer"}},
      {ListXml(en + de + fr + item), "fr_FR", nullptr, {"/themes/sea=Mer"}},
      {ListXml(en + de + fr + item), "FR_fr", nullptr, {"/themes/sea=Mer"}},
      {ListXml(en + de + fr + item), "it_IT", nullptr, {"/themes/sea=Sea"}},
      {ListXml(en + Texts("user", "sea", "Mine") + de + item), "de_DE", "de_DE", {"/themes/sea=Mine"}},
      // Only an English text; no definition; no text at all.
      {ListXml(en + Item("/themes/sun", "sun") + Item("", "sea") + Item("/themes/moon", "moon")), "de_DE", nullptr,
       {"/themes/sun=Sun"}},
      // Unknown elements are skipped with what they hold.
      {ListXml(en + "<other>" + item + "</other>"), nullptr, nullptr, {}},
  };
  for (const auto& c : cases) EXPECT_EQ(Labels(c.xml, c.lang, c.messages), c.expected) << c.xml;
  std::vector<ThemeListEntry> themes;
  EXPECT_FALSE(ParseThemeList("<package>", 9, nullptr, nullptr, &themes));
}

TEST(ThemePackageTest, PackagesGiveItemsAndXpmImagesOnly) {
  const std::string xml =
      "<package><item><value name=\"active_caption_color\">#102030</value></item>"
      "<binary type=\"image/x-xpixmap\" name=\"a\" encoding=\"BASE64\">aGVs\nbG8=</binary>"
      "<binary type=\"image/x-xpixmap\" name=\"b\">x=3Dy=\nz</binary>"
      "<binary type=\"image/png\" name=\"c\" encoding=\"base64\">aGVsbG8=</binary>"
      "<binary type=\"image/x-xpixmap\" name=\"\">aGVsbG8=</binary>"
      "<category><item><value name=\"toolbar_pixmap_file\">a</value></item></category></package>";
  ThemePackageContents c;
  ASSERT_TRUE(ParseThemePackage(xml.data(), xml.size(), &c));
  using Pairs = std::vector<std::pair<std::string, std::string>>;
  EXPECT_EQ(c.items, (Pairs{{"active_caption_color", "#102030"}, {"toolbar_pixmap_file", "a"}}));
  EXPECT_EQ(c.images, (Pairs{{"a", "hello"}, {"b", "x=yz"}}));
}

std::string Xpm(int w, int h, const char* color) {
  std::string s = "/* XPM */\nstatic char *p[] = {\n\"" + std::to_string(w) + " " + std::to_string(h) +
                  " 1 1\",\n\"x c " + color + "\",\n";
  for (int y = 0; y < h; ++y) s += "\"" + std::string(static_cast<size_t>(w), 'x') + (y + 1 < h ? "\",\n" : "\"};\n");
  return s;
}

std::string Base64(const std::string& in) {
  static const char* abc = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  for (size_t i = 0; i < in.size(); i += 3) {
    unsigned v = static_cast<unsigned char>(in[i]) << 16;
    if (i + 1 < in.size()) v |= static_cast<unsigned char>(in[i + 1]) << 8;
    if (i + 2 < in.size()) v |= static_cast<unsigned char>(in[i + 2]);
    out += abc[(v >> 18) & 63];
    out += abc[(v >> 12) & 63];
    out += i + 1 < in.size() ? abc[(v >> 6) & 63] : '=';
    out += i + 2 < in.size() ? abc[v & 63] : '=';
    if (out.size() % 77 == 76) out += "\n";
  }
  return out;
}

// Quoted-printable of XPM text: '=' is the only byte to escape here.
std::string QuotedPrintable(const std::string& in) {
  std::string out;
  for (char c : in) out += c == '=' ? std::string("=3D") : std::string(1, c);
  return out;
}

class ThemeTest : public TeldraFixture {
 protected:
  void WriteTheme(const std::string& name, const char* caption, int w, int h, const char* picture) {
    home_.WriteFile(
        "registry/themes/" + name,
        "<package><item>"
        "<value name=\"active_caption_color\">" + std::string(caption) + "</value>"
        "<value name=\"content_background_color\">#fafafa</value>"
        "<value name=\"toolbar_pixmap_file\">tb</value>"
        "<value name=\"toolbar_pixmap16_file\">tb16</value>"
        "<value name=\"appbar_pixmap_file\">ab</value></item>"
        "<binary type=\"image/x-xpixmap\" name=\"tb16\" encoding=\"base64\">" + Base64(Xpm(w, h, picture)) + "</binary>"
        "<binary type=\"image/x-xpixmap\" name=\"tb\" encoding=\"base64\">" + Base64(Xpm(1, 1, "#ff0000")) + "</binary>"
        "<binary type=\"image/x-xpixmap\" name=\"ab\" encoding=\"quoted-printable\">" + QuotedPrintable(Xpm(3, 3, picture)) + "</binary>"
        "<binary type=\"image/png\" name=\"tb16\" encoding=\"base64\">aGVsbG8=</binary>"
        "</package>");
  }
  // "name: value" lines of the root property.
  std::string ThemeInfo() {
    return qwtest::ReadRootProperty(display_, "_QX_THEME_INFO").bytes;
  }
  Pixmap PublishedToolbar() {
    const std::string info = ThemeInfo();
    const size_t at = info.find("toolbar_pixmap:\t#");
    return at == std::string::npos ? None : std::stoul(info.substr(at + 17));
  }
  // The pixmap's size and the pixel at its middle.
  bool PixmapLooks(Pixmap p, unsigned w, unsigned h, unsigned long pixel) {
    qwtest::XErrorTrap trap(display_);
    Window r;
    int x, y;
    unsigned pw = 0, ph = 0, bw, depth;
    if (!XGetGeometry(display_, p, &r, &x, &y, &pw, &ph, &bw, &depth) || pw != w || ph != h) return false;
    XImage* image = XGetImage(display_, p, 0, 0, w, h, AllPlanes, ZPixmap);
    if (!image) return false;
    const unsigned long got = XGetPixel(image, static_cast<int>(w / 2), static_cast<int>(h / 2));
    XDestroyImage(image);
    return got == pixel;
  }
  // Pixels of the colour along the middle of the frame's title bar.
  int TitlePixels(Window frame, unsigned long pixel) {
    const XWindowAttributes a = teldratest::Attributes(display_, frame);
    XImage* image = XGetImage(display_, frame, 0, 8, static_cast<unsigned>(a.width), 1, AllPlanes, ZPixmap);
    if (!image) return 0;
    int n = 0;
    for (int x = 0; x < a.width; ++x) n += XGetPixel(image, x, 0) == pixel;
    XDestroyImage(image);
    return n;
  }
  std::string Preferences() {
    std::ifstream in(home_.Path() + "/registry/desktop/preferences");
    std::stringstream t;
    t << in.rdbuf();
    return t.str();
  }
  void Keys(const std::vector<std::string>& keys) { TeldraFixture::Keys(keys, 30); }
};

TEST_F(ThemeTest, ChoosingAThemeFromTheMenuRecoloursAndKeepsPictureIds) {
  home_.WriteFile("registry/themelist",
                  ListXml(Texts("en_US", "blue", "Blue") + Texts("en_US", "green", "Green") +
                          Item("/themes/blue", "blue") + Item("/themes/green", "green")));
  WriteTheme("blue", "#0000ff", 4, 2, "#0000ff");
  WriteTheme("green", "#00ff00", 6, 3, "#00ff00");
  StartTeldra("current_theme = blue\n");
  qwtest::ScopedEnv services("QX_SERVICE_DIR", (home_.Path() + "/services").c_str());
  QXService* client = nullptr;
  ASSERT_TRUE(qwtest::WaitUntil([&] { return QXServiceOpen("teldra", &client) == 0; }));

  // The current theme is published at start.
  ASSERT_TRUE(qwtest::WaitUntil([&] { return ThemeInfo().find("active_caption_color:\t#0000ff") != std::string::npos; }))
      << ThemeInfo() << teldra_.Output();
  EXPECT_NE(ThemeInfo().find("content_background_color:\t#fafafa"), std::string::npos);
  EXPECT_EQ(ThemeInfo().find("\nforeground_color:"), std::string::npos) << "absent keys are not published";
  const Pixmap toolbar = PublishedToolbar();
  ASSERT_NE(toolbar, None) << ThemeInfo();
  EXPECT_TRUE(PixmapLooks(toolbar, 4, 2, 0x0000ff)) << "the deep screen's picture";

  Run({"xmessage", "-name", "themed", "-geometry", "+100+100", "a window wide enough for a long title bar"});
  Window w = WaitForClass("themed");
  ASSERT_NE(w, None);
  Window frame = WaitForFrame(w);
  ASSERT_TRUE(qwtest::WaitUntil([&] { return Focus() == w; }));
  ASSERT_TRUE(qwtest::WaitUntil([&] { return TitlePixels(frame, 0x0000ff) > 20; })) << "the active title is blue";

  // Root menu, Color Theme, the second theme.
  Click(900, 600);
  Keys({"t"});
  Keys({"Down", "Down", "Return"});
  ASSERT_TRUE(qwtest::WaitUntil([&] { return ThemeInfo().find("active_caption_color:\t#00ff00") != std::string::npos; }))
      << ThemeInfo() << teldra_.Output();
  EXPECT_EQ(PublishedToolbar(), toolbar) << "the published id stays";
  // Other notifications (the memory figures) may come first.
  std::string notice;
  for (int i = 0; i < 100 && notice.substr(0, 2) != std::string("c\2", 2); ++i) {
    pollfd p = {QXServiceSelectFD(client), POLLIN, 0};
    ASSERT_EQ(poll(&p, 1, 10000), 1);
    unsigned char buffer[QXServiceMaxMessage];
    size_t n = 0;
    ASSERT_EQ(QXServiceReceive(client, buffer, sizeof buffer, &n), 0);
    notice.assign(reinterpret_cast<char*>(buffer), n);
  }
  EXPECT_EQ(notice, std::string("c\2\0\0\0\0\0\0\0\0", 10)) << "service clients hear of the change";
  QXServiceClose(client);
  EXPECT_TRUE(PixmapLooks(toolbar, 6, 3, 0x00ff00)) << "with the new picture";
  EXPECT_TRUE(qwtest::WaitUntil([&] { return TitlePixels(frame, 0x00ff00) > 20; })) << "the title is repainted";
  EXPECT_TRUE(qwtest::WaitUntil([&] { return Preferences().find("current_theme = green\n") != std::string::npos; }))
      << Preferences();
  EXPECT_NE(qwtest::WaitForWindowByName(display_, "QXW3504", 10000), None)
      << "an xmessage may need a restart for its colours";
}

}  // namespace

namespace {

class EightBitThemeTest : public ThemeTest {
 protected:
  void SetUp() override {
    server_.SetDepth(8);
    ThemeTest::SetUp();
  }
};

TEST_F(EightBitThemeTest, TheDeepPicturesAreNotUsed) {
  home_.WriteFile("registry/themelist", ListXml(Texts("en_US", "blue", "Blue") + Item("/themes/blue", "blue")));
  WriteTheme("blue", "#0000ff", 4, 2, "#0000ff");
  StartTeldra("current_theme = blue\n");
  ASSERT_TRUE(qwtest::WaitUntil([&] { return PublishedToolbar() != None; })) << ThemeInfo() << teldra_.Output();
  Window r;
  int x, y;
  unsigned w = 0, h = 0, bw, depth;
  ASSERT_TRUE(XGetGeometry(display_, PublishedToolbar(), &r, &x, &y, &w, &h, &bw, &depth));
  EXPECT_EQ(w, 1u) << "the plain picture, not the 4x2 one";
  EXPECT_EQ(h, 1u);
}

}  // namespace

namespace {

// Themes kept as registry objects with picture files beside them.
TEST_F(ThemeTest, RegistryThemesWithPictureFiles) {
  home_.WriteFile("registry/desktop/themes/plain",
                  "name = Plain\nactive_caption_color = #ff0000\ntoolbar_pixmap_file = plain.xpm\n");
  home_.WriteFile("registry/desktop/themes/bright",
                  "name = Bright\nname.de_DE = Hell\nactive_caption_color = #00ffff\ntoolbar_pixmap_file = bright.xpm\n"
                  "appbar_pixmap_file = bright.xpm\n");
  home_.WriteFile("registry/desktop/themes/nameless", "active_caption_color = #123456\n");
  home_.WriteFile("registry/desktop/themes/plain.xpm", Xpm(2, 2, "#ff0000"));
  home_.WriteFile("registry/desktop/themes/bright.xpm", Xpm(5, 5, "#00ffff"));
  StartTeldra("current_theme = plain\n");
  ASSERT_TRUE(qwtest::WaitUntil([&] { return ThemeInfo().find("active_caption_color:\t#ff0000") != std::string::npos; }))
      << ThemeInfo() << teldra_.Output();
  const Pixmap toolbar = PublishedToolbar();
  EXPECT_TRUE(PixmapLooks(toolbar, 2, 2, 0xff0000));
  EXPECT_EQ(ThemeInfo().find("appbar_pixmap"), std::string::npos) << "plain has no application-bar picture";

  // The menu: Bright, Plain (the nameless theme is not offered).
  Click(900, 600);
  Keys({"t"});
  Keys({"Down", "Return"});
  ASSERT_TRUE(qwtest::WaitUntil([&] { return ThemeInfo().find("active_caption_color:\t#00ffff") != std::string::npos; }))
      << ThemeInfo() << teldra_.Output();
  EXPECT_EQ(PublishedToolbar(), toolbar);
  EXPECT_TRUE(PixmapLooks(toolbar, 5, 5, 0x00ffff));
  EXPECT_NE(ThemeInfo().find("appbar_pixmap:\t#"), std::string::npos);
  ASSERT_TRUE(qwtest::WaitUntil([&] { return Preferences().find("current_theme = bright\n") != std::string::npos; }));

  // Choosing the current theme again writes nothing: the file stays the
  // same file (a save renames a new one over it).
  struct stat before;
  ASSERT_EQ(stat((home_.Path() + "/registry/desktop/preferences").c_str(), &before), 0);
  Click(900, 600);
  Keys({"t"});
  Keys({"Down", "Down", "Down", "Return"});  // round the two entries back to Bright
  // The root menu coming up again shows that the choice was handled.
  Click(900, 600);
  ASSERT_TRUE(qwtest::WaitUntil([&] {
    for (Window c : teldratest::ChildrenOf(display_, root_)) {
      const XWindowAttributes a = teldratest::Attributes(display_, c);
      char* name = nullptr;
      XFetchName(display_, c, &name);
      const bool named = name != nullptr;
      if (name) XFree(name);
      if (a.override_redirect && a.map_state == IsViewable && !named) return true;
    }
    return false;
  }));
  Keys({"Escape"});
  struct stat after;
  ASSERT_EQ(stat((home_.Path() + "/registry/desktop/preferences").c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino);
  EXPECT_NE(ThemeInfo().find("active_caption_color:\t#00ffff"), std::string::npos);

  // The same keys to the other theme do change it.
  Click(900, 600);
  Keys({"t"});
  Keys({"Down", "Down", "Return"});
  EXPECT_TRUE(qwtest::WaitUntil([&] { return ThemeInfo().find("active_caption_color:\t#ff0000") != std::string::npos; }))
      << ThemeInfo();
}

}  // namespace
