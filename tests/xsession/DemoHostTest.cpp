// The demo host program of the first README command, started as a child
// and driven by a headless session (the real Telnet transport, record glue,
// host interface and data stream manager): its sign-on screen arrives with
// the keyboard unlocked and a read pending, Enter with a user name brings
// the Main Menu that greets the user, and F3 goes back to the sign-on screen.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <memory>
#include <string>

#include "display/EntryField.h"
#include "keyboard/KeystrokeClasses.h"
#include "keyboard/UserInput.h"
#include "tests/datastream/LoopbackSession.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/TestClock.h"

namespace {

using namespace glue_test;

constexpr int kWaitMs = 20000;

class PostedAid : public AidKeystroke {
 public:
  explicit PostedAid(unsigned int aid) : AidKeystroke(aid) {}
  unsigned int processInNormalUnlockedState(DisplayBag* d) override {
    d->postAidCode(static_cast<AidCode>(aid_));
    return 0;
  }
};

struct DemoClient {
  qwtest::PollEventSources events;
  HeadlessSession session{events};
  TelnetLAN telnet{session};
  std::vector<unsigned char> outbound = std::vector<unsigned char>(kRecordBufferSize);
  std::vector<unsigned char> reassembly = std::vector<unsigned char>(kRecordBufferSize);
  RecordGlue glue{session, outbound.data(), reassembly.data()};
  StationWith<HostInterfaceTCP> station{&glue};

  DemoClient() {
    session.telnet = &telnet;
    session.glue = &glue;
    glue.setHostInterface(&station.host);
  }
  ~DemoClient() {
    telnet.tel_close();
    glue.setHostInterface(nullptr);
  }
  DisplayBag& display() { return station.display; }
  // The screen row as text (CP037 through the C library, nulls as blanks).
  std::string Row(int row) {
    const Bytes cells(station.psBuffer.begin() + (row - 1) * 80, station.psBuffer.begin() + row * 80);
    std::string text;
    for (uint8_t e : cells) {
      const Bytes one = {e};
      bool found = false;
      for (int c = 0x20; c < 0x7F && !found; ++c)
        if (e >= 0x40 && Ebcdic(std::string(1, static_cast<char>(c))) == one) {
          text += static_cast<char>(c);
          found = true;
        }
      if (!found) text += ' ';
    }
    return text;
  }
  bool Shows(const std::string& what) {
    for (int r = 1; r <= 24; ++r)
      if (Row(r).find(what) != std::string::npos) return true;
    return false;
  }
  // Runs the event loop until a screen with `what` is up and waits for input.
  bool WaitForScreen(const std::string& what) {
    qwtest::Deadline deadline(kWaitMs);
    while (!(display().readMgr().queryReadPending() && Shows(what))) {
      if (deadline.Expired()) return false;
      events.ProcessPending(50);
    }
    return display().keyboardState().state() == KeyboardState::kNormalUnlocked;
  }
  EntryField* FieldAt(int row, int column) {
    Field* f = display().formatTable().getFieldByStartOffset((row - 1) * 80 + column - 1);
    return f && f->isEntryField() ? static_cast<EntryField*>(f) : nullptr;
  }
  void Type(int row, int column, const std::string& text) {
    EntryField* f = FieldAt(row, column);
    ASSERT_NE(f, nullptr) << "no input field at " << row << "," << column;
    const Bytes e = Ebcdic(text);
    ASSERT_EQ(f->writeData(&display(), e.data(), static_cast<unsigned int>(e.size())), 0);
    f->setFlags(Field::kMDT);
  }
  void Press(unsigned int aid) {
    PostedAid key(aid);
    display().processUserInputObject(&key);
  }
  // A key as the keyboard gives it.
  template <class K, class... A>
  void Key(A... args) {
    K key(args...);
    display().processUserInputObject(&key);
  }
  void TypeKeys(const std::string& text) {
    for (char ch : text) Key<AlphaKeystroke>(FunctionWord{13, Ebcdic(std::string(1, ch))[0]});
  }
  // Runs the event loop until `done` holds.
  template <class P>
  bool WaitUntil(P done) {
    qwtest::Deadline deadline(kWaitMs);
    while (!done()) {
      if (deadline.Expired()) return false;
      events.ProcessPending(50);
    }
    return true;
  }
  bool Connect(int port) {
    if (telnet.tel_init("127.0.0.1", port) != 0 || telnet.tel_setup(0, nullptr, nullptr) != 0) return false;
    telnet.addSocketInput();
    return true;
  }
};

int StartHost(qwtest::ChildProcess& host) {
  if (!host.Start({QW_DEMOHOST_BINARY, "0"}, qwtest::ChildProcess::BaseEnvironment())) return -1;
  if (!host.WaitForOutput("\n", kWaitMs) || host.Stdout().rfind("port ", 0) != 0) return -1;
  return std::stoi(host.Stdout().substr(5));
}

TEST(DemoHostTest, SignOnThenEnterWithAUserNameShowsTheMainMenu) {
  qwtest::ChildProcess host;
  ASSERT_TRUE(host.Start({QW_DEMOHOST_BINARY, "0"}, qwtest::ChildProcess::BaseEnvironment())) << host.Error();
  ASSERT_TRUE(host.WaitForOutput("\n", kWaitMs)) << host.Output();
  const std::string out = host.Stdout();
  ASSERT_EQ(out.rfind("port ", 0), 0u) << out;
  const int port = std::stoi(out.substr(5));

  DemoClient c;
  ASSERT_EQ(c.telnet.tel_init("127.0.0.1", port), 0);
  ASSERT_EQ(c.telnet.tel_setup(0, nullptr, nullptr), 0);
  c.telnet.addSocketInput();

  ASSERT_TRUE(c.WaitForScreen("Sign On"));
  EXPECT_NE(c.Row(7).find("User"), std::string::npos);
  EXPECT_NE(c.Row(8).find("Password"), std::string::npos);
  EXPECT_NE(c.Row(10).find("Program/procedure"), std::string::npos);
  ASSERT_EQ(c.display().formatTable().fieldCount(), 3u);
  EXPECT_EQ(c.display().cursor().getCursorOffset(), 6u * 80 + 52);

  // Enter without a user name: the sign-on screen again, with a message.
  c.Press(0xF1);
  ASSERT_TRUE(c.WaitForScreen("Type a user name"));

  ASSERT_NO_FATAL_FAILURE(c.Type(7, 53, "QSECOFR"));
  ASSERT_NO_FATAL_FAILURE(c.Type(8, 53, "SECRET"));
  ASSERT_NO_FATAL_FAILURE(c.Type(10, 53, "QCMD"));
  c.Press(0xF1);
  ASSERT_TRUE(c.WaitForScreen("Main Menu"));
  EXPECT_NE(c.Row(3).find("Hello, QSECOFR"), std::string::npos) << c.Row(3);
  EXPECT_NE(c.Row(6).find("QSECOFR"), std::string::npos) << c.Row(6);
  EXPECT_NE(c.Row(7).find("6 characters"), std::string::npos) << c.Row(7);
  EXPECT_EQ(c.Row(7).find("SECRET"), std::string::npos) << "the password is not shown";
  EXPECT_NE(c.Row(8).find("QCMD"), std::string::npos) << c.Row(8);
  EXPECT_EQ(c.Row(23).find("COPYRIGHT"), std::string::npos) << "the sign-on screen was cleared";

  // A command typed on the menu comes back; F3 returns to the sign-on screen.
  ASSERT_NO_FATAL_FAILURE(c.Type(20, 8, "WRKACTJOB"));
  c.Press(0xF1);
  ASSERT_TRUE(c.WaitForScreen("WRKACTJOB"));
  c.Press(0x33);
  ASSERT_TRUE(c.WaitForScreen("Sign On"));
  EXPECT_TRUE(host.Running()) << host.Output();
}

// Odd bytes from a client end its connection at worst; the next one is
// served.
TEST(DemoHostTest, SurvivesGarbageAndServesTheNextConnection) {
  qwtest::ChildProcess host;
  ASSERT_TRUE(host.Start({QW_DEMOHOST_BINARY, "0"}, qwtest::ChildProcess::BaseEnvironment())) << host.Error();
  ASSERT_TRUE(host.WaitForOutput("\n", kWaitMs)) << host.Output();
  const int port = std::stoi(host.Stdout().substr(5));
  {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(fd, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<uint16_t>(port));
    ASSERT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    // Option commands, an unterminated subnegotiation and a record too
    // short and too long.
    Bytes junk = {0xFF, 0xFB, 0x18, 0xFF, 0xFD, 0x00, 0xFF, 0xFA, 0x18, 0x00, 'x', 0xFF, 0xF0, 0x00, 0x01, 0xFF, 0xEF};
    for (int i = 0; i < 2000; ++i) junk.insert(junk.end(), {0xFF, 0xFA, 0x27, 0x00, 0x03, 0x41});
    junk.insert(junk.end(), 70000, 0x11);
    junk.insert(junk.end(), {0xFF, 0xEF});
    size_t done = 0;
    while (done < junk.size()) {
      const ssize_t n = send(fd, junk.data() + done, junk.size() - done, MSG_NOSIGNAL);
      if (n <= 0) break;
      done += static_cast<size_t>(n);
    }
    close(fd);
  }
  DemoClient c;
  ASSERT_EQ(c.telnet.tel_init("127.0.0.1", port), 0);
  ASSERT_EQ(c.telnet.tel_setup(0, nullptr, nullptr), 0);
  c.telnet.addSocketInput();
  ASSERT_TRUE(c.WaitForScreen("Sign On"));
  EXPECT_TRUE(host.Running()) << host.Output();
}

// A client that names no registered TN5250 display gets no 5250 session:
// the host refuses END-OF-RECORD and BINARY and says why.
TEST(DemoHostTest, UnregisteredTerminalTypeIsRefused) {
  qwtest::ChildProcess host;
  ASSERT_TRUE(host.Start({QW_DEMOHOST_BINARY, "0"}, qwtest::ChildProcess::BaseEnvironment())) << host.Error();
  ASSERT_TRUE(host.WaitForOutput("\n", kWaitMs)) << host.Output();
  const int port = std::stoi(host.Stdout().substr(5));
  {
    DemoClient c;
    ASSERT_EQ(c.telnet.tel_init("127.0.0.1", port), 0);
    EXPECT_EQ(c.telnet.tel_setup(0, "QAV-3487-HC", nullptr), -1);
    ASSERT_TRUE(host.WaitForOutput("terminal type QAV-3487-HC is no registered TN5250 display; refused", kWaitMs))
        << host.Output();
  }
  DemoClient c;
  ASSERT_EQ(c.telnet.tel_init("127.0.0.1", port), 0);
  ASSERT_EQ(c.telnet.tel_setup(0, "IBM-3179-2", nullptr), 0);
  c.telnet.addSocketInput();
  ASSERT_TRUE(c.WaitForScreen("Sign On"));
  EXPECT_TRUE(host.Running()) << host.Output();
}

// Sessions are served at once: a second one gets its sign-on screen while
// the first waits on its user, each signs on as its own user, and closing
// one leaves the other going.
TEST(DemoHostTest, ServesSessionsAtOnceEachWithItsOwnSignOn) {
  qwtest::ChildProcess host;
  const int port = StartHost(host);
  ASSERT_GT(port, 0) << host.Output();
  DemoClient a;
  ASSERT_TRUE(a.Connect(port));
  ASSERT_TRUE(a.WaitForScreen("Sign On"));
  auto b = std::make_unique<DemoClient>();
  ASSERT_TRUE(b->Connect(port));
  ASSERT_TRUE(b->WaitForScreen("Sign On")) << "the second session waits for the first: " << host.Output();

  ASSERT_NO_FATAL_FAILURE(a.Type(7, 53, "ALPHA"));
  a.Press(0xF1);
  ASSERT_TRUE(a.WaitForScreen("Main Menu"));
  ASSERT_NO_FATAL_FAILURE(b->Type(7, 53, "BRAVO"));
  b->Press(0xF1);
  ASSERT_TRUE(b->WaitForScreen("Main Menu"));
  EXPECT_NE(a.Row(3).find("Hello, ALPHA"), std::string::npos) << a.Row(3);
  EXPECT_NE(b->Row(3).find("Hello, BRAVO"), std::string::npos) << b->Row(3);

  b.reset();
  ASSERT_TRUE(host.WaitForOutput("connection ended", kWaitMs)) << host.Output();
  ASSERT_NO_FATAL_FAILURE(a.Type(20, 8, "WRKSPLF"));
  a.Press(0xF1);
  ASSERT_TRUE(a.WaitForScreen("WRKSPLF"));
  EXPECT_NE(a.Row(3).find("Hello, ALPHA"), std::string::npos) << a.Row(3);
  EXPECT_TRUE(host.Running()) << host.Output();
}

// Automatic help after an operator error: the host answers the help
// request with what the error means on the error line; the screen and what
// the user typed stay, and Reset goes on from there.
TEST(DemoHostTest, HelpInErrorShowsTheErrorsTextAndKeepsWhatWasTyped) {
  qwtest::ChildProcess host;
  const int port = StartHost(host);
  ASSERT_GT(port, 0) << host.Output();
  DemoClient c;
  c.display().options().set(StationOptions::kHelpInError, true);
  ASSERT_TRUE(c.Connect(port));
  ASSERT_TRUE(c.WaitForScreen("Sign On"));
  c.TypeKeys("QUSER");
  c.Key<CursorUpKeystroke>();
  c.TypeKeys("X");  // on the protected line above the field
  ASSERT_TRUE(c.WaitUntil([&] { return c.Shows("Cursor in protected area"); })) << c.Row(24) << host.Output();
  // This station has no separate error line: the message takes the last row.
  EXPECT_NE(c.Row(24).find("0005 Cursor in protected area of display. Press Reset."), std::string::npos)
      << c.Row(24);
  EXPECT_TRUE(host.WaitForOutput("help for operator error 0005", kWaitMs)) << host.Output();
  EXPECT_NE(c.Row(1).find("Sign On"), std::string::npos);
  EXPECT_EQ(c.Row(7).substr(52, 5), "QUSER") << c.Row(7);

  c.Key<ResetKeystroke>();
  ASSERT_TRUE(c.WaitUntil([&] { return c.display().keyboardState().state() == KeyboardState::kNormalUnlocked; }));
  c.Key<CursorDownKeystroke>();
  c.Press(0xF1);
  ASSERT_TRUE(c.WaitForScreen("Main Menu"));
  EXPECT_NE(c.Row(3).find("Hello, QUSER"), std::string::npos) << c.Row(3);
}

}  // namespace
