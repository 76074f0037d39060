// The desktop settings file: its bytes, the deferred write through a
// temporary file, the write at exit, reading back at the next start, and a
// damaged file giving the defaults, and links planted by someone else.
#include "tests/xwindow/WindowFixture.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>

#include "session/WMGeometry.h"
#include "tests/support/LogCapture.h"

namespace {

using qwtest::Rect;
using qwtest::Pump;
using qwtest::RunUntil;

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

bool Exists(const std::string& path) { return ::access(path.c_str(), F_OK) == 0; }

TEST(DeskTopBytes, RecordsAndCoordinates) {
  DeskTopData d;
  d.fontSet[1] = true;
  d.font[1] = 12;
  d.sessions.push_back({-300, 70000 - 70000 + 513, 7, "PAYROLL"});
  const std::string bytes = EncodeDeskTop(d);
  const std::string expected = std::string("d\0\0\1\x0c\0\0\0\0", 9) + std::string("\1\1\x01\x2c\0\x02\x01\x07", 8) +
                               "PAYROLL\n";
  EXPECT_EQ(bytes, expected);
  DeskTopData back;
  std::string why;
  ASSERT_TRUE(DecodeDeskTop(bytes, &back, &why)) << why;
  ASSERT_EQ(back.sessions.size(), 1u);
  EXPECT_EQ(back.sessions[0].x, -300);
  EXPECT_EQ(back.sessions[0].y, 513);
  EXPECT_EQ(back.sessions[0].id, "PAYROLL");
  EXPECT_TRUE(back.fontSet[1]);
  EXPECT_EQ(back.font[1], 12);
}

TEST(DeskTopBytes, DamagedFilesAreRefused) {
  DeskTopData d;
  d.sessions.push_back({10, 20, 3, "A"});
  const std::string good = EncodeDeskTop(d);
  const struct {
    const char* what;
    std::string bytes;
  } cases[] = {
      {"empty", ""},
      {"first byte 'c'", "c" + good.substr(1)},
      {"font pairs cut", good.substr(0, 6)},
      {"record cut", good.substr(0, 13)},
      {"id without line end", good.substr(0, good.size() - 1)},
      {"id too long", good.substr(0, 17) + std::string(30, 'X') + "\n"},
      {"bad sign byte", good.substr(0, 10) + "\x07" + good.substr(11)},
  };
  for (const auto& c : cases) {
    DeskTopData out;
    out.fontSet[0] = true;
    std::string why;
    EXPECT_FALSE(DecodeDeskTop(c.bytes, &out, &why)) << c.what;
    EXPECT_TRUE(out.fontSet[0]) << c.what << ": a refused file changes nothing";
  }
}

TEST(DeskTopBytes, FileNameByScreenSize) {
  EXPECT_STREQ(DeskTopFileName(1152, 900), "DeskTop1024x768");
  EXPECT_STREQ(DeskTopFileName(800, 600), "DeskTop800x600");
  EXPECT_STREQ(DeskTopFileName(640, 480), "DeskTop");
  EXPECT_STREQ(DeskTopFileName(1600, 1200), "DeskTop1600x1200");
}

TEST(DeskTopBytes, NewestFirstAndTheOldestDropped) {
  DeskTopSettings& s = DeskTopSettings::instance();
  s.resetForTesting();
  qwtest::TempDir dir;
  setenv("KDVSHARED", dir.Path().c_str(), 1);
  s.load(nullptr, 1024, 768);
  for (int i = 0; i < 99; ++i) s.updateSettingsForSession("S" + std::to_string(i), i, i, 1, true);
  EXPECT_EQ(s.data().sessions.front().id, "S98");
  s.updateSettingsForSession("S95", 1, 2, 3, true);  // the fourth moves to the front
  EXPECT_EQ(s.data().sessions[0].id, "S95");
  EXPECT_EQ(s.data().sessions[1].id, "S98");
  EXPECT_EQ(s.data().sessions[4].id, "S94");
  s.updateSettingsForSession("NEW", 5, 5, 1, true);
  EXPECT_EQ(s.data().sessions.size(), 99u);
  EXPECT_EQ(s.data().sessions.back().id, "S1") << "S0, the oldest, dropped";
  s.resetForTesting();
}

// A pending write is not lost when the program ends.
TEST(DeskTopBytes, PendingWriteFlushedAtExit) {
  qwtest::TempDir dir;
  setenv("KDVSHARED", dir.Path().c_str(), 1);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    XtToolkitInitialize();
    XtAppContext app = XtCreateApplicationContext();
    DeskTopSettings& s = DeskTopSettings::instance();
    s.resetForTesting();
    s.load(app, 1024, 768);
    s.updateSettingsForSession("EXIT", 40, 50, 6, false);
    std::exit(s.writePending() ? 0 : 3);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  DeskTopData d;
  std::string why;
  ASSERT_TRUE(DecodeDeskTop(ReadFile(dir.Path() + "/QW5250/DeskTop1024x768"), &d, &why)) << why;
  ASSERT_EQ(d.sessions.size(), 1u);
  EXPECT_EQ(d.sessions[0].id, "EXIT");
  EXPECT_EQ(d.sessions[0].x, 40);
}

using Screen1024 = qwtest::WindowFixture<1024, 768>;

class DeskTopWindow : public Screen1024 {
 protected:
  std::string File() const { return shared_ + "/QW5250/DeskTop1024x768"; }
  void SetUp() override {
    Screen1024::SetUp();
    ::mkdir((shared_ + "/QW5250").c_str(), 0755);
    ::unlink(File().c_str());
  }
};

TEST_F(DeskTopWindow, WrittenOneSecondAfterTheLastChange) {
  DeskTopSettings& s = DeskTopSettings::instance();
  s.load(ApplicationContext(), 1024, 768);
  for (int i = 0; i < 5; ++i) s.updateFontSizeSettingForScreenSize(27, 132, 7 + i);
  EXPECT_TRUE(s.writePending());
  EXPECT_FALSE(Exists(File()));
  ASSERT_TRUE(RunUntil([&s] { return !s.writePending(); }, 5000));
  EXPECT_EQ(s.writes(), 1u) << "five changes, one write";
  EXPECT_FALSE(Exists(File() + ".new")) << "the temporary file was renamed";
  DeskTopData d;
  std::string why;
  ASSERT_TRUE(DecodeDeskTop(ReadFile(File()), &d, &why)) << why;
  EXPECT_TRUE(d.fontSet[kDeskTop27x132]);
  EXPECT_EQ(d.font[kDeskTop27x132], 11);
}

TEST_F(DeskTopWindow, ReadBackAtTheNextStart) {
  // A first run: the window of session PAY moves and takes another font.
  SessionControlBlock* b = NewSession("PAY");
  ASSERT_NE(b, nullptr);
  XStuff::Private& p = *b->xstuff.privatePart();
  ASSERT_GE(p.fontToggles.size(), 2u);
  size_t other = 0;
  while (p.fontChoice.menuEntries[other] == b->xstuff.currentFontEntry()) ++other;
  XtVaSetValues(b->xstuff.shell(), XtNx, 120, XtNy, 90, nullptr);
  Settle(b);
  XmToggleButtonSetState(p.fontToggles[other], True, True);
  Settle(b);
  const int font = b->xstuff.currentFontEntry();
  DeskTopSettings::instance().flush();
  EndSessions(1);
  Pump(20);

  // The next run reads the file.
  DeskTopSettings::instance().resetForTesting();
  SessionControlBlock* again = NewSession("PAY");
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(again->xstuff.currentFontEntry(), font);
  const Rect r = ShellRect(again);
  EXPECT_EQ(r.x, 120);
  EXPECT_EQ(r.y, 90);
}

TEST_F(DeskTopWindow, DamagedFileGivesDefaultsAndALogLine) {
  SessionControlBlock* plain = NewSession("ONE");
  ASSERT_NE(plain, nullptr);
  const int defaultFont = plain->xstuff.currentFontEntry();
  const Rect defaultPlace = ShellRect(plain);
  EndSessions(1);
  Pump(20);
  DeskTopData d;
  d.sessions.push_back({300, 200, defaultFont + 1, "ONE"});
  const std::string good = EncodeDeskTop(d);
  for (const std::string& bad : {good.substr(0, good.size() - 3), "c" + good.substr(1)}) {
    {
      std::ofstream out(File(), std::ios::binary | std::ios::trunc);
      out << bad;
    }
    DeskTopSettings::instance().resetForTesting();
    qwtest::LogCapture log;
    SessionControlBlock* b = NewSession("ONE");
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->xstuff.currentFontEntry(), defaultFont);
    EXPECT_EQ(ShellRect(b).x, defaultPlace.x);
    EXPECT_EQ(ShellRect(b).y, defaultPlace.y);
    EXPECT_TRUE(log.Contains("is damaged")) << "a log line names the damaged file";
    EndSessions(1);
    Pump(20);
  }
}

// Sessions without a record cascade: each slot one frame title and border
// further right and down (the sizes as the window manager publishes them).
TEST_F(DeskTopWindow, NewSessionsWithoutRecordsOpenCascaded) {
  long sizes[4] = {30, 4, 6, 4};  // title + top, bottom, left and right, right
  const Atom property = XInternAtom(test_, "_QX_BORDER_SIZES", False);
  XChangeProperty(test_, DefaultRootWindow(test_), property, XA_CARDINAL, 32, PropModeReplace,
                  reinterpret_cast<unsigned char*>(sizes), 4);
  XSync(test_, False);
  ResetWMBorderSizesForTesting();
  GetWMBorderSizes();
  ASSERT_TRUE(WMBorderSizesKnown());
  const int step = WMTitleHeight() + WMTopBorderHeight() + WMLeftBorderWidth();
  EXPECT_EQ(step, 36);
  SessionControlBlock* first = NewSession("FIRST");
  ASSERT_NE(first, nullptr);
  SessionControlBlock* second = NewSession("SECOND");
  ASSERT_NE(second, nullptr);
  const Rect a = ShellRect(first), b = ShellRect(second);
  EXPECT_EQ(a.x, 1 + first->slot * step);
  EXPECT_EQ(a.y, a.x);
  EXPECT_EQ(b.x - a.x, (second->slot - first->slot) * step);
  EXPECT_EQ(b.y - a.y, (second->slot - first->slot) * step);
  XDeleteProperty(test_, DefaultRootWindow(test_), property);
  XSync(test_, False);
  ResetWMBorderSizesForTesting();
}

}  // namespace

namespace {

// Someone else planted links where the settings are written: the links
// are replaced by the user's own file, what they point at stays as it was,
// and the folders and file QW5250 makes are the user's only.
TEST(DeskTopBytes, PlantedLinksAreReplacedAndTheirTargetsUntouched) {
  DeskTopSettings& s = DeskTopSettings::instance();
  s.resetForTesting();
  qwtest::TempDir dir;
  const std::string shared = dir.Path() + "/shared";
  setenv("KDVSHARED", shared.c_str(), 1);
  s.load(nullptr, 1024, 768);
  s.updateSettingsForSession("PAY", 10, 20, 3, true);
  const std::string file = shared + "/QW5250/DeskTop1024x768";
  struct stat st {};
  const struct {
    std::string path;
    mode_t mode;
  } made[] = {{shared, S_IFDIR | 0700}, {shared + "/QW5250", S_IFDIR | 0700}, {file, S_IFREG | 0600}};
  for (const auto& m : made) {
    ASSERT_EQ(::lstat(m.path.c_str(), &st), 0) << m.path;
    EXPECT_EQ(st.st_mode, m.mode) << m.path;
  }

  // The links: at the file's name and at the name a write once went through.
  const std::string victim = dir.WriteFile("victim/notes", "precious\n");
  const std::string other = dir.WriteFile("victim/other", "also precious\n");
  ASSERT_EQ(::unlink(file.c_str()), 0);
  ASSERT_EQ(::symlink(victim.c_str(), file.c_str()), 0);
  ASSERT_EQ(::symlink(other.c_str(), (file + ".new").c_str()), 0);
  s.updateSettingsForSession("PAY", 30, 40, 4, true);
  EXPECT_EQ(ReadFile(victim), "precious\n");
  EXPECT_EQ(ReadFile(other), "also precious\n");
  ASSERT_EQ(::lstat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode, static_cast<mode_t>(S_IFREG | 0600));
  DeskTopData d;
  std::string why;
  ASSERT_TRUE(DecodeDeskTop(ReadFile(file), &d, &why)) << why;
  ASSERT_FALSE(d.sessions.empty());
  EXPECT_EQ(d.sessions[0].x, 30);
  s.resetForTesting();
}

}  // namespace
