// The programming interface of real sessions under a private X server, driven
// by a client that speaks the wire format: the loopback host shows screens
// and sees what the client's keys send; an event listener hears keystroke,
// session and operator-information events.
#include <gtest/gtest.h>  // before Xlib, whose None and Bool macros clash with it

#include <X11/Xlib.h>
#include <X11/keysym.h>
#include <iconv.h>
#include <langinfo.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "api/ECLServerSocket.h"
#include "api/ECLSessionSocket.h"
#include "api/EventSocket.h"
#include "api/ProgrammingInterface.h"
#include "session/AppResources.h"
#include "session/SessionControlBlock.h"
#include "session/SessionTable.h"
#include "session/StartOptions.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/EclClient.h"
#include "tests/support/LogCapture.h"
#include "tests/support/SessionToolkit.h"
#include "tests/support/TestHost5250.h"
#include "tests/support/XKeys.h"

namespace {

using namespace qwtest::session_toolkit;
using qwtest::EclBytes;
using qwtest::EclClient;
using qwtest::EclEventListener;
using qwtest::EclHandle;
using qwtest::EclHandleText;
using qwtest::EclHandleWords;
using qwtest::EclText;
using Bytes = std::vector<uint8_t>;

enum : int32_t { kBase = 0, kConnMgr = 3, kConnection = 5, kFieldList = 8, kOia = 11, kPs = 13, kWin = 19 };

Bytes Ebcdic(const std::string& text) {
  Bytes out;
  for (char c : text) {
    if (c >= 'A' && c <= 'I') out.push_back(static_cast<uint8_t>(0xC1 + c - 'A'));
    else if (c >= 'J' && c <= 'R') out.push_back(static_cast<uint8_t>(0xD1 + c - 'J'));
    else if (c >= 'S' && c <= 'Z') out.push_back(static_cast<uint8_t>(0xE2 + c - 'S'));
    else if (c >= '0' && c <= '9') out.push_back(static_cast<uint8_t>(0xF0 + c - '0'));
    else out.push_back(0x40);
  }
  return out;
}

Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

Bytes Gds(const Bytes& body) {
  const size_t n = body.size() + 10;
  return Cat({Bytes{static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n), 0x12, 0xA0, 0x00, 0x00, 0x04, 0x00, 0x00,
                    0x03},
              body});
}

// Clear Unit, Write to Display unlocking the keyboard, the orders, then
// Read MDT Fields.
Bytes Screen(const Bytes& orders) {
  return Gds(Cat({Bytes{0x04, 0x40, 0x04, 0x11, 0x00, 0x08}, orders, Bytes{0x04, 0x52, 0x00, 0x00}}));
}

// "NAME" at row 5, column 11, an input field of 10 positions at row 5,
// columns 20-29, a title at row 1 and the cursor at row 9, column 33.
Bytes FieldScreen(const std::string& title) {
  return Screen(Cat({Bytes{0x11, 1, 1}, Ebcdic(title), Bytes{0x11, 5, 10}, Ebcdic("NAME"),
                     Bytes{0x11, 5, 19, 0x1D, 0x40, 0x00, 0x20, 0x00, 10}, Bytes{0x13, 9, 33}}));
}

// The text the locale shows for an EBCDIC (CP037) screen, through the C
// library's converter: attribute bytes as blanks.
std::string LocaleText(const Bytes& ebcdic) {
  iconv_t cd = iconv_open(nl_langinfo(CODESET), "IBM037");
  std::string out;
  for (uint8_t b : ebcdic) {
    char in = static_cast<char>(b >= 0x01 && b <= 0x3F ? 0x40 : b);
    char buffer[8];
    char* inp = &in;
    char* outp = buffer;
    size_t inLeft = 1, outLeft = sizeof buffer;
    if (cd == reinterpret_cast<iconv_t>(-1) || iconv(cd, &inp, &inLeft, &outp, &outLeft) == static_cast<size_t>(-1))
      out += ' ';
    else
      out.append(buffer, outp);
  }
  if (cd != reinterpret_cast<iconv_t>(-1)) iconv_close(cd);
  return out;
}

bool Contains(const Bytes& haystack, const Bytes& needle) {
  return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end()) != haystack.end();
}

class ProgrammingInterfaceTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    listener_ = new EclEventListener([] { Pump(5); });
    ASSERT_TRUE(listener_->Start());
    setenv("QW_ECL_PORT", "0", 1);
    setenv("QW_ECL_EVENT_HOST", "127.0.0.1", 1);
    setenv("QW_ECL_EVENT_PORT", std::to_string(listener_->Port()).c_str(), 1);
    std::string error;
    test_ = StartSessionSuite(&error);
    ASSERT_NE(test_, nullptr) << error;
    AttachProgrammingInterface();
  }
  static void TearDownTestSuite() {
    StopProgrammingInterface();
    delete listener_;
    listener_ = nullptr;
    if (test_) XCloseDisplay(test_);
    test_ = nullptr;
  }
  void SetUp() override {
    saved_ = AppResources();
    AppResources().MAX_SESSIONS = 99;
  }
  void TearDown() override {
    client_.Close();
    EndSessions(1);
    Pump(20);
    listener_->Drain(50);
    AppResources() = saved_;
  }

  // A session with the interface on, connected to `host` and showing the
  // field screen; its handle (slot).
  int Open(qwtest::TestHost5250& host, const std::string& title = "MAIN") {
    EXPECT_TRUE(host.Start());
    SessionStartOptions o;
    o.hostName = "127.0.0.1";
    o.port = host.Port();
    o.ECLOption = 2;
    createSessionUnderThisProcess(o, nullptr, nullptr);
    SessionControlBlock* s = NewestSession();
    EXPECT_NE(s, nullptr);
    if (!s) return -1;
    EXPECT_TRUE(host.WaitNegotiated(kWaitMs, HostPump()));
    Show(host, FieldScreen(title));
    return s->slot;
  }
  void Show(qwtest::TestHost5250& host, const Bytes& record) {
    host.SendRecord(record);
    ASSERT_TRUE(host.Barrier(kWaitMs, HostPump()));
  }
  int Port() const { return ProgrammingInterfaceServer() ? ProgrammingInterfaceServer()->port() : 0; }
  void ConnectClient(EclClient& client) {
    uint32_t handshake = 0;
    ASSERT_TRUE(client.Connect(Port(), &handshake));
    ASSERT_EQ(handshake, 1u);
  }
  int32_t Rc(int32_t cls, int32_t fn, const EclBytes& data, size_t replySize = 0, EclBytes* reply = nullptr) {
    int32_t rc = -1;
    EXPECT_TRUE(client_.Call(cls, fn, data, replySize, &rc, reply)) << "class " << cls << " function " << fn;
    return rc;
  }
  uint32_t Word(int32_t cls, int32_t fn, const EclBytes& data) {
    EclBytes reply;
    EXPECT_EQ(Rc(cls, fn, data, 4, &reply), 1);
    return reply.size() == 4 ? qwtest::EclGet32(reply.data()) : 0xFFFFFFFFu;
  }
  int Byte(int32_t cls, int32_t fn, const EclBytes& data) {
    EclBytes reply;
    EXPECT_EQ(Rc(cls, fn, data, 1, &reply), 1);
    return reply.size() == 1 ? reply[0] : -1;
  }

  static Display* test_;
  static EclEventListener* listener_;
  EclClient client_{[] { Pump(5); }};
  AppResourceStruct saved_{};
};

Display* ProgrammingInterfaceTest::test_ = nullptr;
EclEventListener* ProgrammingInterfaceTest::listener_ = nullptr;

TEST_F(ProgrammingInterfaceTest, WholeScreenIsWhatReadScreenReturns) {
  qwtest::TestHost5250 host;
  const int h = Open(host, "ORDERS");
  ConnectClient(client_);
  EclClient::Screen screen;
  int32_t rc = 0;
  ASSERT_TRUE(client_.ReadScreen(static_cast<uint32_t>(h), &rc, &screen));
  ASSERT_EQ(rc, 1);
  EXPECT_EQ(screen.rows, 24u);
  EXPECT_EQ(screen.columns, 80u);

  host.SendRecord(Gds({0x04, 0x62}));  // Read Screen
  Bytes reply;
  ASSERT_TRUE(host.WaitForRecord(kWaitMs, HostPump(), &reply));
  ASSERT_EQ(reply.size(), 10u + 24u * 80u);
  const std::string expected = LocaleText(Bytes(reply.begin() + 10, reply.end()));
  EXPECT_EQ(screen.text, expected);
  EXPECT_EQ(screen.text.substr(0, 6), "ORDERS");
  EXPECT_EQ(screen.text.substr(4 * 80 + 9, 4), "NAME");
  ASSERT_EQ(screen.planes.size(), 4u);
  for (const EclBytes& plane : screen.planes) EXPECT_EQ(plane.size(), 3696u);
  // The colour plane shows the text's colour where the text is.
  EXPECT_NE(screen.planes[0][4 * 80 + 9], 0);
  EXPECT_TRUE(std::all_of(screen.planes[3].begin(), screen.planes[3].end(), [](uint8_t b) { return b == 0; }));
}

TEST_F(ProgrammingInterfaceTest, FieldListNamesTheInputField) {
  qwtest::TestHost5250 host;
  const int h = Open(host);
  ConnectClient(client_);
  const uint32_t count = Word(kFieldList, 2, EclHandle(h));
  ASSERT_GE(count, 1u);
  uint32_t word = 0;
  ASSERT_TRUE(client_.SendRequest(kFieldList, 1, EclHandle(h)));
  ASSERT_TRUE(client_.ReadWord(&word));
  ASSERT_EQ(word, 1u);
  uint32_t records = 0, size = 0;
  ASSERT_TRUE(client_.ReadWord(&records));
  ASSERT_TRUE(client_.ReadWord(&size));
  EXPECT_EQ(records, count);
  EXPECT_EQ(size, count * 12);
  EclBytes data;
  ASSERT_TRUE(client_.Read(records * 12, &data));
  bool found = false;
  for (uint32_t i = 0; i < records; ++i) {
    const uint8_t* r = data.data() + 12 * i;
    if (qwtest::EclGet32(r) != 4 * 80 + 18) continue;
    found = true;
    EXPECT_EQ(r[8], 0x20);  // the attribute byte
    EXPECT_EQ(r[5], 0);     // an input field is not protected
  }
  EXPECT_TRUE(found);
}

TEST_F(ProgrammingInterfaceTest, KeysAndTextReachTheHost) {
  qwtest::TestHost5250 host;
  const int h = Open(host);
  ConnectClient(client_);
  const uint32_t field = 4 * 80 + 19;
  EXPECT_EQ(Rc(kPs, 1, EclHandleWords(h, {field})), 1);
  EXPECT_EQ(Word(kPs, 0, EclHandle(h)), field);
  EXPECT_EQ(Byte(kPs, 30, EclHandle(h)), 1);  // keyboard unlocked

  const struct {
    const char* what;
    int32_t fn;
    std::string text;
    Bytes field;
  } cases[] = {
      {"SendKeys with a key name", 2, "ABC[enter]", Ebcdic("ABC")},
      {"doubled brackets are one bracket each", 2, "[[X]][enter]", Bytes{0xBA, 0xE7, 0xBB}},
      {"SetString types names as text", 4, "[PF1]", Bytes{0xBA, 0xD7, 0xC6, 0xF1, 0xBB}},
      {"UTF-8 text, a character the code page lacks as a blank", 2, "\xc3\xa9\xe2\x82\xac!", Bytes{0x51, 0x40, 0x5A}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Show(host, FieldScreen("KEYS"));
    EXPECT_EQ(Rc(kPs, 1, EclHandleWords(h, {field})), 1);
    EXPECT_EQ(Rc(kPs, c.fn, EclHandleText(h, c.text)), 1);
    if (c.text.find("[enter]") == std::string::npos) EXPECT_EQ(Rc(kPs, 2, EclHandleText(h, "[enter]")), 1);
    Bytes record;
    ASSERT_TRUE(host.WaitForRecord(kWaitMs, HostPump(), &record));
    ASSERT_GT(record.size(), 13u);
    EXPECT_EQ(record[12], 0xF1);  // Enter
    EXPECT_TRUE(Contains(record, c.field)) << c.text;
  }
  // A function key by its name: PF3 (AID 0x33) with no data.
  Show(host, FieldScreen("KEYS"));
  EXPECT_EQ(Rc(kPs, 2, EclHandleText(h, "[pf3]")), 1);
  Bytes record;
  ASSERT_TRUE(host.WaitForRecord(kWaitMs, HostPump(), &record));
  ASSERT_GT(record.size(), 12u);
  EXPECT_EQ(record[12], 0x33);
}

TEST_F(ProgrammingInterfaceTest, OperatorInformationFollowsTheSession) {
  qwtest::TestHost5250 host;
  const int h = Open(host);
  ConnectClient(client_);
  EXPECT_EQ(Byte(kOia, 9, EclHandle(h)), 1);
  EXPECT_EQ(Byte(kOia, 4, EclHandle(h)), 0);
  EXPECT_EQ(Byte(kOia, 2, EclHandle(h)), 0);
  const uint32_t unlocked = Word(kOia, 6, EclHandle(h));
  EXPECT_EQ(unlocked & 7u, 7u);
  EXPECT_EQ(unlocked & 0x20u, 0u);
  EXPECT_EQ(unlocked & 0x8000u, 0u);

  EXPECT_EQ(Rc(kPs, 2, EclHandleText(h, "[insert]")), 1);
  EXPECT_EQ(Byte(kOia, 2, EclHandle(h)), 1);
  EXPECT_NE(Word(kOia, 6, EclHandle(h)) & 0x8000u, 0u);
  EXPECT_EQ(Rc(kPs, 2, EclHandleText(h, "[insert]")), 1);
  EXPECT_EQ(Byte(kOia, 2, EclHandle(h)), 0);

  // Enter locks the keyboard until the host answers.
  EXPECT_EQ(Rc(kPs, 2, EclHandleText(h, "[enter]")), 1);
  ASSERT_TRUE(host.WaitForRecord(kWaitMs, HostPump()));
  EXPECT_NE(Word(kOia, 6, EclHandle(h)) & 0x20u, 0u);
  EXPECT_EQ(Byte(kPs, 30, EclHandle(h)), 0);
  Show(host, FieldScreen("BACK"));
  EXPECT_EQ(Word(kOia, 6, EclHandle(h)) & 0x20u, 0u);
}

TEST_F(ProgrammingInterfaceTest, SessionsAreListedFoundAndReadByTheirHandle) {
  qwtest::TestHost5250 first, second;
  const int a = Open(first, "FIRST");
  const int b = Open(second, "SECOND");
  ConnectClient(client_);
  std::vector<std::string> names;
  ASSERT_TRUE(client_.SessionNames(&names));
  const int na = SessionEntry(a)->instance, nb = SessionEntry(b)->instance;
  EXPECT_EQ(names.size(), 2u);
  EXPECT_NE(std::find(names.begin(), names.end(), "127.0.0.1 " + std::to_string(na)), names.end());
  EXPECT_NE(std::find(names.begin(), names.end(), "127.0.0.1 " + std::to_string(nb)), names.end());

  // Switching to the second session by its name, then reading each screen.
  int32_t rc = 0;
  uint32_t handle = 0, number = 0;
  ASSERT_TRUE(client_.FindSession("127.0.0.1 " + std::to_string(nb), &rc, &handle, &number));
  EXPECT_EQ(rc, 1);
  EXPECT_EQ(handle, static_cast<uint32_t>(b));
  EXPECT_EQ(number, static_cast<uint32_t>(nb));
  for (const auto& [h, title] : {std::pair<int, std::string>{a, "FIRST"}, {b, "SECOND"}}) {
    EclClient::Screen screen;
    ASSERT_TRUE(client_.ReadScreen(static_cast<uint32_t>(h), &rc, &screen));
    ASSERT_EQ(rc, 1);
    EXPECT_EQ(screen.text.substr(0, title.size()), title);
  }
  // A host name alone finds the first of its sessions; malformed names none.
  ASSERT_TRUE(client_.FindSession("127.0.0.1", &rc, &handle, &number));
  EXPECT_EQ(rc, 1);
  EXPECT_EQ(handle, static_cast<uint32_t>(std::min(a, b)));
  for (const std::string& bad : {"127.0.0.1 " + std::to_string(nb) + "x", std::string("127.0.0.1 77"),
                                std::string("127.0.0.1 "), std::string("otherhost 1"), std::string(100, 'h')}) {
    ASSERT_TRUE(client_.FindSession(bad, &rc, &handle, &number));
    EXPECT_EQ(rc, 5) << bad;
  }
  EXPECT_EQ(Byte(kConnection, 6, EclHandle(b)), 1);
  EXPECT_EQ(Word(kConnection, 1, {}), 5250u);
  std::string page;
  ASSERT_TRUE(client_.CallText(kConnection, 4, EclHandle(a), &rc, &page));
  EXPECT_EQ(rc, 1);
  EXPECT_EQ(page, "037");

  // The window follows the window-metrics requests of the handle.
  std::string title;
  EclBytes rename = EclHandle(b);
  for (char c : std::string("Renamed")) rename.push_back(static_cast<uint8_t>(c));
  rename.push_back(0);
  EXPECT_EQ(Rc(kWin, 1, rename), 1);
  ASSERT_TRUE(client_.CallText(kWin, 0, EclHandle(b), &rc, &title));
  EXPECT_EQ(title, "Renamed");
}

TEST_F(ProgrammingInterfaceTest, ClientStartsAndStopsSessions) {
  qwtest::TestHost5250 host;
  const int a = Open(host);
  ConnectClient(client_);
  const int before = getNumberOfSessions();
  EXPECT_EQ(Rc(kConnMgr, 0, EclText("127.0.0.1")), 1);
  ASSERT_EQ(getNumberOfSessions(), before + 1);
  SessionControlBlock* started = NewestSession();
  ASSERT_NE(started, nullptr);
  const int b = started->slot;
  EXPECT_NE(b, a);
  std::vector<std::string> names;
  ASSERT_TRUE(client_.SessionNames(&names));
  EXPECT_EQ(names.size(), static_cast<size_t>(before + 1));
  EXPECT_EQ(Byte(kConnection, 6, EclHandle(b)), 1);

  EXPECT_EQ(Rc(kConnMgr, 1, EclHandle(b)), 1);
  EXPECT_EQ(getNumberOfSessions(), before);
  EXPECT_EQ(Byte(kConnection, 6, EclHandle(b)), 0);
  EXPECT_EQ(Rc(kConnMgr, 1, EclHandle(b)), 5);
  EXPECT_EQ(Rc(kConnection, 8, EclHandle(b)), 5);

  // Disconnecting and connecting again: a new handshake, the same service.
  client_.Close();
  ConnectClient(client_);
  EXPECT_EQ(Byte(kBase, 9, {}), 1);
}

TEST_F(ProgrammingInterfaceTest, EachErrorHasItsReturnCode) {
  qwtest::TestHost5250 host;
  const int h = Open(host);
  ConnectClient(client_);
  const uint32_t unused = h == 98 ? 97u : 98u;
  const struct {
    const char* what;
    int32_t cls, fn;
    EclBytes data;
    int32_t rc;
  } cases[] = {
      {"class 2 has no handler", 2, 0, {}, 4},
      {"class 20 has no handler", 20, 0, {}, 4},
      {"negative class", -1, 0, {}, 4},
      {"base function 5", kBase, 5, {}, 3},
      {"connection manager function 2", kConnMgr, 2, {}, 3},
      {"connection function 2", kConnection, 2, EclHandle(h), 3},
      {"connection function 9", kConnection, 9, EclHandle(h), 3},
      {"operator information function 10", kOia, 10, EclHandle(h), 3},
      {"presentation space function 9", kPs, 9, EclHandle(h), 3},
      {"presentation space function 31", kPs, 31, EclHandle(h), 3},
      {"window metrics function 22", kWin, 22, EclHandle(h), 3},
      {"field list of a free slot", kFieldList, 2, EclHandle(unused), 5},
      {"operator information of a free slot", kOia, 6, EclHandle(unused), 5},
      {"screen of a free slot", kPs, 3, EclHandle(unused), 5},
      {"window of a free slot", kWin, 2, EclHandle(unused), 5},
      {"code page of a free slot", kConnection, 4, EclHandle(unused), 5},
      {"handle beyond the table", kPs, 0, EclHandle(300), 5},
      {"handle in a high byte", kPs, 0, EclHandle(0x01000000u | static_cast<uint32_t>(h)), 5},
      {"no handle at all", kOia, 6, {}, 5},
      {"short handle", kPs, 0, EclBytes{0, 0}, 5},
      {"stop a free slot", kConnMgr, 1, EclHandle(unused), 5},
      {"key name in capitals", kPs, 2, EclHandleText(h, "[Enter]"), 7},
      {"no closing bracket", kPs, 2, EclHandleText(h, "[enter"), 7},
      {"single closing bracket", kPs, 2, EclHandleText(h, "]abc"), 7},
      {"unknown key name", kPs, 2, EclHandleText(h, "[pf25]"), 7},
      {"text not UTF-8", kPs, 2, EclHandleText(h, std::string("a\xff")), 7},
      {"text without its terminator", kPs, 2, EclBytes{0, 0, 0, static_cast<uint8_t>(h), 0, 0, 'a'}, 7},
      {"SetString not UTF-8", kPs, 4, EclHandleText(h, std::string("\xc3")), 9},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Rc(c.cls, c.fn, c.data), c.rc);
  }
  // The connection serves on after every error.
  EXPECT_EQ(Byte(kBase, 9, {}), 1);
}

TEST_F(ProgrammingInterfaceTest, FramingSurvivesPiecesAndRefusesOversizedRequests) {
  qwtest::TestHost5250 host;
  const int h = Open(host);
  ConnectClient(client_);
  // Two requests in one write, answered in order; then one request sent a
  // byte at a time.
  EclBytes two;
  for (int32_t fn : {9, 0}) {
    qwtest::EclPut32(two, fn == 9 ? kBase : kPs);
    qwtest::EclPut32(two, static_cast<uint32_t>(fn));
    qwtest::EclPut32(two, fn == 9 ? 0 : 4);
    if (fn == 0) qwtest::EclPut32(two, static_cast<uint32_t>(h));
  }
  ASSERT_TRUE(client_.SendRaw(two));
  EclBytes reply;
  ASSERT_TRUE(client_.Read(5 + 8, &reply));
  EXPECT_EQ(reply, (EclBytes{0, 0, 0, 1, 1, 0, 0, 0, 1, 0, 0, 0x02, 0xA0}));  // row 9, column 33
  EclBytes one;
  qwtest::EclPut32(one, kBase);
  qwtest::EclPut32(one, 9);
  qwtest::EclPut32(one, 0);
  for (uint8_t b : one) {
    ASSERT_TRUE(client_.SendRaw({b}));
    Pump(1);
  }
  ASSERT_TRUE(client_.Read(5, &reply));
  EXPECT_EQ(reply, (EclBytes{0, 0, 0, 1, 1}));

  // A length no request may have ends that connection, and only that one.
  EclClient other([] { Pump(5); });
  ConnectClient(other);
  EclBytes huge;
  qwtest::EclPut32(huge, kPs);
  qwtest::EclPut32(huge, 2);
  qwtest::EclPut32(huge, 0x7FFFFFFFu);
  ASSERT_TRUE(other.SendRaw(huge));
  EXPECT_TRUE(other.WaitClosed());
  EXPECT_EQ(Byte(kBase, 9, {}), 1);
}

TEST_F(ProgrammingInterfaceTest, ClientThatReadsNoRepliesIsDisconnectedNotWaitedFor) {
  qwtest::TestHost5250 host;
  const int h = Open(host);
  EclClient greedy([] { Pump(1); });
  ConnectClient(greedy);
  ConnectClient(client_);
  // Screens asked for and never read: far more than the socket buffers and
  // the reply queue hold.
  EclBytes burst;
  for (int i = 0; i < 2000; ++i) {
    qwtest::EclPut32(burst, kPs);
    qwtest::EclPut32(burst, 3);
    qwtest::EclPut32(burst, 4);
    qwtest::EclPut32(burst, static_cast<uint32_t>(h));
  }
  ASSERT_TRUE(greedy.SendRaw(burst));
  // The other client is answered meanwhile, and the greedy one is closed.
  EXPECT_EQ(Byte(kBase, 9, {}), 1);
  ASSERT_TRUE(RunUntil([] { return ProgrammingInterfaceServer()->openClients() == 1; }));
  EXPECT_EQ(Byte(kBase, 9, {}), 1);
}

TEST_F(ProgrammingInterfaceTest, ListenerHearsSessionOperatorAndKeystrokeEvents) {
  ASSERT_TRUE(listener_->Accepted(0) || true);
  qwtest::TestHost5250 host;
  const int h = Open(host);
  SessionControlBlock* s = SessionEntry(h)->session;
  const int number = SessionEntry(h)->instance;
  const std::string name = "127.0.0.1" + std::to_string(number);

  // Session started: type 2, 1, the handle, and the name with the number
  // as decimal text.
  EclEventListener::Event e;
  bool started = false;
  while (!started && listener_->Next(&e)) {
    if (e.type != 2 || e.data.empty() || e.data[0] != 1) continue;
    started = true;
    EXPECT_EQ(e.host, "127.0.0.1");
    EXPECT_EQ(e.sessionNumber, static_cast<uint32_t>(number));
    ASSERT_EQ(e.data.size(), 9u + name.size());
    EXPECT_EQ(qwtest::EclGet32(e.data.data() + 1), static_cast<uint32_t>(h));
    EXPECT_EQ(qwtest::EclGet32(e.data.data() + 5), name.size());
    EXPECT_EQ(std::string(e.data.begin() + 9, e.data.end()), name);
  }
  ASSERT_TRUE(started);

  ConnectClient(client_);
  // Operator information: insert mode on, reported with the status word.
  EXPECT_EQ(Rc(kOia, 7, EclHandle(h)), 1);
  EXPECT_EQ(Rc(kPs, 2, EclHandleText(h, "[insert]")), 1);
  ASSERT_TRUE(listener_->Next(&e));
  EXPECT_EQ(e.type, 4u);
  ASSERT_EQ(e.data.size(), 12u);
  EXPECT_EQ(qwtest::EclGet32(e.data.data()), 4u);
  EXPECT_EQ(qwtest::EclGet32(e.data.data() + 4), 1u);
  EXPECT_NE(qwtest::EclGet32(e.data.data() + 8) & 0x8000u, 0u);
  EXPECT_EQ(Rc(kPs, 2, EclHandleText(h, "[insert]")), 1);
  ASSERT_TRUE(listener_->Next(&e));
  EXPECT_EQ(qwtest::EclGet32(e.data.data() + 4), 0u);
  EXPECT_EQ(Rc(kOia, 8, EclHandle(h)), 1);
  EXPECT_EQ(Rc(kPs, 2, EclHandleText(h, "[insert][insert]")), 1);

  // Intercepted keys typed in the window: reported, and not processed.
  EXPECT_EQ(Rc(kPs, 1, EclHandleWords(h, {4 * 80 + 19})), 1);
  EXPECT_EQ(Rc(kPs, 5, EclHandle(h)), 1);
  Widget drawing = s->xstuff.x_get_text_widget();
  XSetInputFocus(test_, XtWindow(drawing), RevertToParent, CurrentTime);
  XSync(test_, False);
  ASSERT_TRUE(qwtest::PressKey(test_, XK_a));
  ASSERT_TRUE(listener_->Next(&e));
  EXPECT_EQ(e.type, 1u);
  EXPECT_EQ(e.data, (EclBytes{'A', 'a'}));
  ASSERT_TRUE(qwtest::PressKey(test_, XK_Return));
  ASSERT_TRUE(listener_->Next(&e));
  EXPECT_EQ(e.type, 1u);
  EXPECT_EQ(e.data, (EclBytes{'M', 0, 0, 0, 7, '[', 'e', 'n', 't', 'e', 'r', ']'}));
  EclClient::Screen screen;
  int32_t rc = 0;
  ASSERT_TRUE(client_.ReadScreen(static_cast<uint32_t>(h), &rc, &screen));
  EXPECT_EQ(screen.text[4 * 80 + 19], '\0');  // nothing typed
  EXPECT_EQ(Byte(kPs, 30, EclHandle(h)), 1);           // and no Enter

  // Interception off: the key goes to the session.
  EXPECT_EQ(Rc(kPs, 6, EclHandle(h)), 1);
  ASSERT_TRUE(qwtest::PressKey(test_, XK_b));
  ASSERT_TRUE(RunUntil([&] {
    EclClient::Screen now;
    int32_t code = 0;
    return client_.ReadScreen(static_cast<uint32_t>(h), &code, &now) && now.text.substr(4 * 80 + 19, 1) == "b";
  }));

  // Session ended: type 2 with 0.
  EndSession(s, 1);
  bool ended = false;
  while (!ended && listener_->Next(&e))
    ended = e.type == 2 && !e.data.empty() && e.data[0] == 0 && qwtest::EclGet32(e.data.data() + 1) == static_cast<uint32_t>(h);
  EXPECT_TRUE(ended);
}

TEST_F(ProgrammingInterfaceTest, KeysAreNotSwallowedWhenTheListenerIsGone) {
  qwtest::TestHost5250 host;
  const int h = Open(host);
  ConnectClient(client_);
  ASSERT_TRUE(listener_->Accepted(kWaitMs));
  EXPECT_EQ(Rc(kPs, 1, EclHandleWords(h, {4 * 80 + 19})), 1);
  EXPECT_EQ(Rc(kPs, 5, EclHandle(h)), 1);
  listener_->DropConnection();
  // The next event finds the connection closed: it connects again (the
  // listener still listens), without the old subscriptions, and the key
  // goes to the session.
  Widget drawing = SessionEntry(h)->session->xstuff.x_get_text_widget();
  XSetInputFocus(test_, XtWindow(drawing), RevertToParent, CurrentTime);
  XSync(test_, False);
  ASSERT_TRUE(qwtest::PressKey(test_, XK_c));
  ASSERT_TRUE(RunUntil([&] {
    EclClient::Screen now;
    int32_t code = 0;
    return client_.ReadScreen(static_cast<uint32_t>(h), &code, &now) && now.text.substr(4 * 80 + 19, 1) == "c";
  }));
  EXPECT_FALSE(ProgrammingInterfaceEvents()->flag(EventSocket::kIntercept, h));
}

}  // namespace

namespace {

TEST_F(ProgrammingInterfaceTest, PresentationSpaceEventsFollowKeysAndHostRecords) {
  qwtest::TestHost5250 host;
  const int h = Open(host);
  ConnectClient(client_);
  ASSERT_TRUE(listener_->Accepted(kWaitMs));
  listener_->Drain(50);
  EXPECT_EQ(Rc(kPs, 1, EclHandleWords(h, {4 * 80 + 19})), 1);
  for (uint8_t selector : {0, 1}) {
    SCOPED_TRACE(static_cast<int>(selector));
    EXPECT_EQ(Rc(kPs, 7, EclHandleWords(h, {selector})), 1);
    EXPECT_EQ(Rc(kPs, 2, EclHandleText(h, "ab")), 1);
    Show(host, FieldScreen("AGAIN"));
    std::vector<uint32_t> values;
    EclEventListener::Event e;
    while (values.size() < 3 && listener_->Next(&e)) {
      if (e.type != 0) continue;
      ASSERT_EQ(e.data.size(), 4u);
      EXPECT_EQ(e.sessionNumber, static_cast<uint32_t>(SessionEntry(h)->instance));
      values.push_back(qwtest::EclGet32(e.data.data()));
    }
    EXPECT_EQ(values, (std::vector<uint32_t>{0, 0, 1}));  // two data keys, then the host's record
    EXPECT_EQ(Rc(kPs, 8, EclHandleWords(h, {selector})), 1);
  }
  // Unsubscribed: nothing more.
  EXPECT_EQ(Rc(kPs, 2, EclHandleText(h, "c")), 1);
  Show(host, FieldScreen("QUIET"));
  for (const EclEventListener::Event& e : listener_->Drain(100)) EXPECT_NE(e.type, 0u);
}

}  // namespace

namespace {

TEST_F(ProgrammingInterfaceTest, WindowFollowsTheWindowMetricsRequests) {
  qwtest::TestHost5250 host;
  const int h = Open(host);
  ConnectClient(client_);
  Widget shell = SessionEntry(h)->session->xstuff.shell();
  ASSERT_TRUE(RunUntil([&] { return Byte(kWin, 12, EclHandle(h)) == 1; }));  // viewable
  // Where the server has the shell (no window manager here).
  auto where = [&](int* x, int* y, unsigned* w, unsigned* hh) {
    XSync(XtDisplay(shell), False);
    Window root = 0, child = 0;
    int rx = 0, ry = 0;
    unsigned border = 0, depth = 0;
    if (!XGetGeometry(test_, XtWindow(shell), &root, &rx, &ry, w, hh, &border, &depth)) return false;
    return XTranslateCoordinates(test_, XtWindow(shell), root, 0, 0, x, y, &child) != 0;
  };
  const struct {
    const char* what;
    int32_t fn;
    uint32_t value;
    int32_t readFn;
    uint32_t expected;
  } cases[] = {
      {"x uses the last byte only", 3, 300, 2, 44},
      {"y uses the whole word", 5, 300, 4, 300},
      {"x again", 3, 0x110, 2, 0x10},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(Rc(kWin, c.fn, EclHandleWords(h, {c.value})), 1);
    EXPECT_EQ(Word(kWin, c.readFn, EclHandle(h)), c.expected);
    int x = 0, y = 0;
    unsigned w = 0, hh = 0;
    ASSERT_TRUE(RunUntil([&] {
      return where(&x, &y, &w, &hh) && static_cast<uint32_t>(c.readFn == 2 ? x : y) == c.expected;
    })) << x << "," << y;
  }
  // All four at once, as the server has them.
  EclBytes four;
  ASSERT_EQ(Rc(kWin, 10, EclHandle(h), 16, &four), 1);
  int x = 0, y = 0;
  unsigned w = 0, hh = 0;
  ASSERT_TRUE(where(&x, &y, &w, &hh));
  EXPECT_EQ(qwtest::EclGet32(four.data()), static_cast<uint32_t>(x));
  EXPECT_EQ(qwtest::EclGet32(four.data() + 4), static_cast<uint32_t>(y));
  EXPECT_EQ(qwtest::EclGet32(four.data() + 8), w);
  EXPECT_EQ(qwtest::EclGet32(four.data() + 12), hh);
  EXPECT_EQ(Word(kWin, 6, EclHandle(h)), w);
  EXPECT_EQ(Word(kWin, 8, EclHandle(h)), hh);
  // Whether it has the size it was created with (the window may have fitted
  // itself to its font since); a width of 0 is not a window X can have.
  int createdWidth = 0, createdHeight = 0;
  ASSERT_TRUE(ProgrammingInterfaceEvents()->windowSize(h, &createdWidth, &createdHeight));
  ASSERT_GT(createdWidth, 0);
  EXPECT_EQ(Byte(kWin, 20, EclHandle(h)), createdWidth == static_cast<int>(w) && createdHeight == static_cast<int>(hh));
  EXPECT_EQ(Rc(kWin, 7, EclHandleWords(h, {0x100})), 1);
  EXPECT_EQ(Word(kWin, 6, EclHandle(h)), w);
  EXPECT_EQ(Byte(kWin, 16, EclHandle(h)), 0);  // not iconified
  // Focus to the window and back to the pointer root.
  EXPECT_EQ(Rc(kWin, 15, EclHandleWords(h, {1})), 1);
  EXPECT_TRUE(RunUntil([&] { return Byte(kWin, 14, EclHandle(h)) == 1; }));
  EXPECT_EQ(Rc(kWin, 15, EclHandleWords(h, {0})), 1);
  EXPECT_TRUE(RunUntil([&] { return Byte(kWin, 14, EclHandle(h)) == 0; }));
  // Maximized: the window fills the screen (no work area, no frames here),
  // and the filled-work-area flag follows once the resize has been handled.
  EXPECT_EQ(Byte(kWin, 18, EclHandle(h)), 0);
  EXPECT_EQ(Rc(kWin, 19, EclHandle(h)), 1);
  EXPECT_TRUE(RunUntil([&] {
    int mx = 0, my = 0;
    unsigned mw = 0, mh = 0;
    return where(&mx, &my, &mw, &mh) && static_cast<int>(mw) == DisplayWidth(test_, DefaultScreen(test_)) &&
           Byte(kWin, 18, EclHandle(h)) == 1;
  }));
}



// Runs `script` (bash) as the user nobody, with no groups, while the
// session's loop keeps running; its output.
std::string RunAsNobody(const std::string& script) {
  qwtest::ChildProcess child;
  EXPECT_TRUE(child.Start({"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "/bin/bash", "-c", script},
                          qwtest::ChildProcess::BaseEnvironment()))
      << child.Error();
  EXPECT_TRUE(RunUntil([&] { return !child.Running(); }));
  child.Pump();
  return child.Output();
}

// A request's 12 header bytes and data.
EclBytes Request(int32_t cls, int32_t fn, const EclBytes& data) {
  EclBytes out;
  qwtest::EclPut32(out, static_cast<uint32_t>(cls));
  qwtest::EclPut32(out, static_cast<uint32_t>(fn));
  qwtest::EclPut32(out, static_cast<uint32_t>(data.size()));
  out.insert(out.end(), data.begin(), data.end());
  return out;
}

// Another user of the machine gets nothing: no handshake, no reply, no
// keys into the session, and its refusal is logged once.
TEST_F(ProgrammingInterfaceTest, AnotherUsersClientIsRefusedAtOnce) {
  qwtest::TestHost5250 host;
  const int h = Open(host);
  qwtest::LogCapture log;
  const std::string port = std::to_string(Port());
  // Connect, ask for the screen and type keys, then print what came back.
  const EclBytes read = Request(kPs, 3, EclHandle(static_cast<uint32_t>(h)));
  const EclBytes keys = Request(kPs, 2, EclHandleText(static_cast<uint32_t>(h), "QUSER[enter]"));
  std::string printf;
  for (uint8_t b : read) printf += "\\x" + std::string(1, "0123456789abcdef"[b >> 4]) + "0123456789abcdef"[b & 15];
  for (uint8_t b : keys) printf += "\\x" + std::string(1, "0123456789abcdef"[b >> 4]) + "0123456789abcdef"[b & 15];
  const std::string script = "id -u; for i in 1 2; do exec 3<>/dev/tcp/127.0.0.1/" + port + " || exit 9; printf '" +
                             printf + "' >&3 2>/dev/null; echo \"got $(head -c 100 <&3 2>/dev/null | wc -c) bytes\"; done";
  const std::string out = RunAsNobody(script);
  EXPECT_EQ(out, "65534\ngot 0 bytes\ngot 0 bytes\n");
  EXPECT_EQ(log.Count("ECL connection of user 65534 refused"), 1) << "once per user";
  EXPECT_EQ(ProgrammingInterfaceServer()->openClients(), 0u);
  // The keys never reached the host; this user's own client is served.
  Bytes record;
  EXPECT_FALSE(host.WaitForRecord(300, HostPump(), &record));
  ConnectClient(client_);
  EXPECT_EQ(Byte(kBase, 9, {}), 1);
}

// A password typed into a non-display field reads as asterisks, as the
// trace shows it, while the host gets it as typed.
TEST_F(ProgrammingInterfaceTest, PasswordTypedReadsMasked) {
  qwtest::TestHost5250 host;
  const int h = Open(host);
  ConnectClient(client_);
  Show(host, Screen(Cat({Bytes{0x11, 1, 1}, Ebcdic("SIGN ON"), Bytes{0x11, 5, 10}, Ebcdic("PASSWORD"),
                         Bytes{0x11, 5, 19, 0x1D, 0x40, 0x00, 0x27, 0x00, 10}, Bytes{0x11, 6, 20}, Ebcdic("SHOWN"),
                         Bytes{0x13, 5, 20}})));
  EXPECT_EQ(Rc(kPs, 2, EclHandleText(h, "S3CRETPW")), 1);
  EclClient::Screen screen;
  int32_t rc = 0;
  ASSERT_TRUE(client_.ReadScreen(static_cast<uint32_t>(h), &rc, &screen));
  ASSERT_EQ(rc, 1);
  EXPECT_EQ(screen.text.find("S3CRETPW"), std::string::npos);
  EXPECT_EQ(screen.text.substr(4 * 80 + 19, 8), "********");
  EXPECT_EQ(screen.text.substr(4 * 80 + 9, 8), "PASSWORD");
  EXPECT_EQ(screen.text.substr(5 * 80 + 19, 5), "SHOWN") << "the field ends where the next attribute stands";
  EXPECT_EQ(Rc(kPs, 2, EclHandleText(h, "[enter]")), 1);
  Bytes record;
  ASSERT_TRUE(host.WaitForRecord(kWaitMs, HostPump(), &record));
  EXPECT_TRUE(Contains(record, Ebcdic("S3CRETPW")));
}

// A client that sends invalid requests as fast as it can: its unread input
// stays within one request and one receive, every request is answered, and
// the log gets one line for it, not one per request.
TEST_F(ProgrammingInterfaceTest, FloodingClientIsHeldBackAndLoggedOnce) {
  qwtest::TestHost5250 host;
  Open(host);
  qwtest::LogCapture log;
  size_t mostPending = 0;
  ECLServerSocket* server = ProgrammingInterfaceServer();
  bool sawPaused = false;
  EclClient flood([&] {
    Pump(1);
    if (ECLSessionSocket* c = server->currentClient()) {
      mostPending = std::max(mostPending, c->pendingBytes());
      sawPaused = sawPaused || !c->reading();
    }
  });
  ConnectClient(flood);
  constexpr int kRequests = 30000;
  EclBytes burst;
  for (int i = 0; i < kRequests; ++i) {
    const EclBytes one = Request(77, i, {});  // no such class
    burst.insert(burst.end(), one.begin(), one.end());
  }
  // As fast as the connection takes them: the client waits only when the
  // socket buffers are full.
  ASSERT_TRUE(flood.SendRaw(burst));
  EclBytes replies;
  ASSERT_TRUE(flood.Read(4u * kRequests, &replies, 60000));
  for (int i = 0; i < kRequests; i += 997) EXPECT_EQ(qwtest::EclGet32(replies.data() + 4 * i), 4u);
  EXPECT_TRUE(sawPaused) << "the client's socket was left unread while its requests waited";
  EXPECT_LE(mostPending, 2u * 16384 + 2 * 12);
  ASSERT_EQ(server->currentClient()->invalidRequests(), static_cast<unsigned long>(kRequests));
  // The interface's own lines (the session's window may log its debug lines).
  const auto interfaceLines = [&] {
    std::string all;
    int n = 0;
    for (const std::string& l : log.Lines())
      if (l.find("[ DEBUG ]") == std::string::npos) {
        all += l + "\n";
        ++n;
      }
    return std::make_pair(n, all);
  };
  EXPECT_EQ(interfaceLines().first, 1) << interfaceLines().second;
  flood.Close();
  ASSERT_TRUE(RunUntil([&] { return log.Contains("sent 30000 invalid requests; only the first was logged"); }));
  EXPECT_EQ(interfaceLines().first, 2) << interfaceLines().second;
}

// A full table of idle clients makes room: the client idle longest goes,
// the new one is served.
TEST_F(ProgrammingInterfaceTest, IdleClientsDoNotLockOthersOut) {
  qwtest::TestHost5250 host;
  Open(host);
  std::vector<std::unique_ptr<EclClient>> idle;
  for (size_t i = 0; i < ECLServerSocket::kMaxClients; ++i) {
    idle.push_back(std::make_unique<EclClient>([] { Pump(1); }));
    ConnectClient(*idle.back());
  }
  // The first one worked a moment ago: it is not the idlest any more.
  uint32_t word = 0;
  ASSERT_TRUE(idle[0]->SendRequest(kBase, 9, {}));
  ASSERT_TRUE(idle[0]->ReadWord(&word));
  EclBytes flag;
  ASSERT_TRUE(idle[0]->Read(1, &flag));
  ConnectClient(client_);
  EXPECT_EQ(Byte(kBase, 9, {}), 1);
  EXPECT_EQ(ProgrammingInterfaceServer()->openClients(), ECLServerSocket::kMaxClients);
  int closed = 0;
  for (const auto& c : idle) closed += c->WaitClosed(0) ? 1 : 0;
  EXPECT_EQ(closed, 1);
  EXPECT_FALSE(idle[0]->WaitClosed(0));
}


// Another user listening on the events port hears nothing: the connection
// is closed before any event is sent, and that is logged once.
TEST_F(ProgrammingInterfaceTest, EventsGoOnlyToAListenerOfTheSameUser) {
  qwtest::ChildProcess foreign;
  const std::string program =
      "import socket\n"
      "s = socket.socket()\n"
      "s.bind(('127.0.0.1', 0))\n"
      "s.listen(8)\n"
      "print(s.getsockname()[1], flush=True)\n"
      "while True:\n"
      "    c, _ = s.accept()\n"
      "    print('got', len(c.recv(65536)), flush=True)\n";
  ASSERT_TRUE(foreign.Start({"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "/usr/bin/python3", "-c",
                             program},
                            qwtest::ChildProcess::BaseEnvironment()))
      << foreign.Error();
  ASSERT_TRUE(foreign.WaitForOutput("\n", kWaitMs)) << foreign.Output();
  const std::string port = std::to_string(std::stoi(foreign.Stdout()));
  const std::string ours = std::getenv("QW_ECL_EVENT_PORT");
  StopProgrammingInterface();
  setenv("QW_ECL_EVENT_PORT", port.c_str(), 1);
  qwtest::LogCapture log;
  {
    qwtest::TestHost5250 host;
    const int h = Open(host);  // the session's start is an event
    ConnectClient(client_);
    EXPECT_EQ(Rc(kPs, 5, EclHandle(static_cast<uint32_t>(h))), 1);  // keystrokes intercepted
    EXPECT_EQ(Rc(kPs, 2, EclHandleText(static_cast<uint32_t>(h), "S3CRETPW[enter]")), 1);
    EXPECT_TRUE(RunUntil([&] {
      foreign.Pump();
      return foreign.Stdout().find("got ") != std::string::npos;
    }));
    Pump(200);
    foreign.Pump();
    const std::string heard = foreign.Stdout().substr(foreign.Stdout().find('\n') + 1);
    EXPECT_EQ(heard.find_first_not_of("got 0\n"), std::string::npos) << heard;
    EXPECT_FALSE(ProgrammingInterfaceEvents()->connected());
    EXPECT_EQ(log.Count("is not this user's listener"), 1) << "once, however often it is tried";
    client_.Close();
    EndSessions(1);
    Pump(20);
  }
  StopProgrammingInterface();
  setenv("QW_ECL_EVENT_PORT", ours.c_str(), 1);
  listener_->DropConnection();
}

}  // namespace
