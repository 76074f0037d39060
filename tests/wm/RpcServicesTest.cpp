// The rusers and rwall services against the Debian clients rusers, rwall
// and rpcinfo, with the system's rpcbind: one that already runs is used,
// else the test starts one and stops it again. Every test that registers
// these programs holds a lock for its whole run, so that parallel runs do
// not take each other's registrations, and leaves none behind.
#include <fcntl.h>
#include <rpc/rpc.h>
#include <sys/file.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "platform/sdk/EvtApp.h"
#include "tests/support/TestUser.h"
#include "tests/wm/TeldraFixture.h"
#include "wm/services/RpcServices.h"
#include "wm/session/ScreenState.h"

namespace {

std::string RunTool(const std::vector<std::string>& argv, const std::string& input = "", int* code = nullptr) {
  qwtest::ChildProcess p;
  std::vector<std::string> args = argv;
  if (!input.empty()) args = {"/bin/sh", "-c", "printf '%s\\n' \"$0\" | \"$@\"", input};
  if (!input.empty()) args.insert(args.end(), argv.begin(), argv.end());
  if (!p.Start(args, qwtest::ChildProcess::BaseEnvironment())) return "";
  p.WaitExit(30000);
  p.Pump();
  if (code) *code = p.ExitCode();
  return p.Output();
}

bool Registered(unsigned long program) {
  const std::string table = RunTool({"rpcinfo", "-p", "127.0.0.1"});
  return table.find(" " + std::to_string(program) + " ") != std::string::npos;
}

// rpcbind for the length of one test, and the lock that serialises the tests
// that register the two programs.
class RpcBinder {
 public:
  bool Acquire(std::string* why) {
    lock_ = open("/tmp/teldra-rpc-tests.lock", O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (lock_ < 0 || flock(lock_, LOCK_EX) != 0) {
      *why = "no lock file";
      return false;
    }
    int code = -1;
    RunTool({"rpcinfo", "-p", "127.0.0.1"}, "", &code);
    if (code == 0) return true;
    if (geteuid() != 0) {
      *why = "rpcbind does not run and only root may start it";
      return false;
    }
    if (!rpcbind_.Start({"rpcbind", "-f"}, qwtest::ChildProcess::BaseEnvironment())) {
      *why = rpcbind_.Error();
      return false;
    }
    if (!qwtest::WaitUntil([&] {
          RunTool({"rpcinfo", "-p", "127.0.0.1"}, "", &code);
          return code == 0 || !rpcbind_.Running();
        }, 15000) || code != 0) {
      *why = "rpcbind did not start: " + rpcbind_.Output();
      return false;
    }
    return true;
  }
  ~RpcBinder() {
    if (rpcbind_.Running()) rpcbind_.Stop(3000);
    if (lock_ >= 0) close(lock_);  // releases the lock
  }

 private:
  int lock_ = -1;
  qwtest::ChildProcess rpcbind_;
};

TEST(RpcTextTest, WallTextIsShownAsBoundedText) {
  EXPECT_EQ(WallTextShown("hi\n"), "hi\n");
  EXPECT_EQ(WallTextShown("%s%n%x\tok"), "%s%n%x\tok");
  EXPECT_EQ(WallTextShown("bell\a esc\x1b[2J del\x7f"), "bell? esc?[2J del?");
  EXPECT_EQ(WallTextShown(std::string(5000, 'w').c_str()).size(), static_cast<size_t>(kWallMaxShown));
  // A cut never splits a character: "é" is two bytes.
  std::string accents;
  while (accents.size() < kWallMaxShown + 10) accents += "\xc3\xa9";
  std::string prefix(1, 'a');
  const std::string shown = WallTextShown((prefix + accents).c_str());
  EXPECT_EQ(shown.size(), static_cast<size_t>(kWallMaxShown - 1));
  EXPECT_EQ(shown.substr(shown.size() - 2), "\xc3\xa9");
}

TEST(RpcTextTest, RusersUserName) {
  const struct {
    const char* logname;
    const char* user;
    int anonymous;
    const char* expected;
  } cases[] = {{"alice", "bob", 0, "alice"}, {nullptr, "bob", 0, "bob"}, {"", "bob", 0, "bob"},
               {nullptr, nullptr, 0, "anon"}, {"alice", "bob", 1, "anon"}};
  for (const auto& c : cases) {
    c.logname ? setenv("LOGNAME", c.logname, 1) : unsetenv("LOGNAME");
    c.user ? setenv("USER", c.user, 1) : unsetenv("USER");
    EXPECT_EQ(RusersUserName(c.anonymous), c.expected) << c.expected;
  }
}

// The records as a client decodes them.
struct Entry {
  std::string user, line, host;
  long time = 0;
  unsigned idle = 0;
  int type = 0;
};
struct Entries {
  unsigned long version;
  std::vector<Entry> list;
};

bool_t DecodeEntries(XDR* x, void* p) {
  auto* e = static_cast<Entries*>(p);
  u_int count = 0;
  if (!xdr_u_int(x, &count) || count > kRusersMaxUsers) return FALSE;
  for (u_int i = 0; i < count; ++i) {
    Entry entry;
    if (e->version == 3) {
      char *user = nullptr, *line = nullptr, *host = nullptr;
      int time = 0;
      bool_t ok = xdr_string(x, &user, 1024) && xdr_string(x, &line, 1024) && xdr_string(x, &host, 1024) &&
                  xdr_int(x, &entry.type) && xdr_int(x, &time) && xdr_u_int(x, &entry.idle);
      if (ok) {
        entry.user = user;
        entry.line = line;
        entry.host = host;
        entry.time = time;
      }
      free(user);
      free(line);
      free(host);
      if (!ok) return FALSE;
    } else {
      char line[8] = {0}, name[8] = {0}, host[16] = {0};
      char *linep = line, *namep = name, *hostp = host;
      u_int lineSize = 0, nameSize = 0, hostSize = 0;
      if (!xdr_bytes(x, &linep, &lineSize, 8) || !xdr_bytes(x, &namep, &nameSize, 8) ||
          !xdr_bytes(x, &hostp, &hostSize, 16) || lineSize != 8 || nameSize != 8 || hostSize != 16 ||
          !xdr_long(x, &entry.time) || !xdr_u_int(x, &entry.idle))
        return FALSE;
      entry.line.assign(line, strnlen(line, 8));
      entry.user.assign(name, 8);  // all eight bytes, NULs too
      entry.host.assign(host, strnlen(host, 16));
    }
    e->list.push_back(entry);
  }
  return TRUE;
}

// The services in this process, served by a loop of their own while the
// test's clients call them.
class RpcServicesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string why;
    if (!binder_.Acquire(&why)) GTEST_SKIP() << why;
    memset(&state_, 0, sizeof state_);
    state_.programName = "teldra-test";
    state_.sdk.app = EvtCreateAppContext();
    state_.sessionStartTime = 1700000000;
    ASSERT_EQ(StartRpcServices(&state_), 2);
    serving_ = true;
    loop_ = std::thread([this] {
      while (serving_) EvtAppProcessOnce(state_.sdk.app, 50);
    });
  }
  void TearDown() override {
    if (loop_.joinable()) {
      serving_ = false;
      loop_.join();
      StopRpcServices(&state_);
      EXPECT_EQ(RpcServicesRunning(), 0);
      EXPECT_FALSE(Registered(kRusersProgram));
      EXPECT_FALSE(Registered(kWallProgram));
      EvtDestroyAppContext(state_.sdk.app);
    }
  }
  // A call to the rusers program; the RPC status.
  clnt_stat Call(unsigned long version, unsigned long procedure, xdrproc_t decode, void* out) {
    CLIENT* c = clnt_create("127.0.0.1", kRusersProgram, version, "udp");
    if (!c) return RPC_CANTSEND;
    timeval timeout = {10, 0};
    clnt_stat s = clnt_call(c, procedure, reinterpret_cast<xdrproc_t>(xdr_void), nullptr, decode,
                            static_cast<caddr_t>(out), timeout);
    if (s == RPC_PROGVERSMISMATCH) {
      rpc_err e;
      clnt_geterr(c, &e);
      versions_[0] = e.re_vers.low;
      versions_[1] = e.re_vers.high;
    }
    clnt_destroy(c);
    return s;
  }
  RpcBinder binder_;
  ScreenState state_;
  std::atomic<bool> serving_{false};
  std::thread loop_;
  unsigned long versions_[2] = {0, 0};
};

TEST_F(RpcServicesTest, ReportsTheUserInBothRecordForms) {
  setenv("LOGNAME", "tenletters", 1);
  const std::string listing = RunTool({"rusers", "-l", "127.0.0.1"});
  EXPECT_NE(listing.find("tenlette"), std::string::npos) << listing;
  EXPECT_NE(listing.find("ttyqx"), std::string::npos) << listing;

  int users = -1;
  ASSERT_EQ(Call(3, 1, reinterpret_cast<xdrproc_t>(xdr_int), &users), RPC_SUCCESS);
  EXPECT_EQ(users, 1);
  for (unsigned long procedure : {2ul, 3ul}) {
    Entries v3{3, {}};
    ASSERT_EQ(Call(3, procedure, reinterpret_cast<xdrproc_t>(DecodeEntries), &v3), RPC_SUCCESS);
    ASSERT_EQ(v3.list.size(), 1u);
    EXPECT_EQ(v3.list[0].user, "tenletters");
    EXPECT_EQ(v3.list[0].line, "ttyqx");
    EXPECT_EQ(v3.list[0].host, "");
    EXPECT_EQ(v3.list[0].type, 7);
    EXPECT_EQ(v3.list[0].time, 1700000000);
    EXPECT_EQ(v3.list[0].idle, 0u);
    Entries v2{2, {}};
    ASSERT_EQ(Call(2, procedure, reinterpret_cast<xdrproc_t>(DecodeEntries), &v2), RPC_SUCCESS);
    ASSERT_EQ(v2.list.size(), 1u);
    EXPECT_EQ(v2.list[0].user, "tenlette");  // eight characters, no NUL
    EXPECT_EQ(v2.list[0].line, "ttyqx");
    EXPECT_EQ(v2.list[0].time, 1700000000);
  }
  setenv("LOGNAME", "bob", 1);
  Entries shortName{2, {}};
  ASSERT_EQ(Call(2, 2, reinterpret_cast<xdrproc_t>(DecodeEntries), &shortName), RPC_SUCCESS);
  ASSERT_EQ(shortName.list.size(), 1u);
  EXPECT_EQ(shortName.list[0].user, std::string("bob\0\0\0\0\0", 8));

  state_.anonymous = 1;
  Entries anon{3, {}};
  ASSERT_EQ(Call(3, 2, reinterpret_cast<xdrproc_t>(DecodeEntries), &anon), RPC_SUCCESS);
  ASSERT_EQ(anon.list.size(), 1u);
  EXPECT_EQ(anon.list[0].user, "anon");
  // Version 3 carries names up to the clients' bound of 32 characters.
  state_.anonymous = 0;
  setenv("LOGNAME", std::string(40, 'n').c_str(), 1);
  Entries longName{3, {}};
  ASSERT_EQ(Call(3, 2, reinterpret_cast<xdrproc_t>(DecodeEntries), &longName), RPC_SUCCESS);
  ASSERT_EQ(longName.list.size(), 1u);
  EXPECT_EQ(longName.list[0].user, std::string(32, 'n'));
}

TEST_F(RpcServicesTest, WallMessagesAreAnsweredAndOnlyNonEmptyOnesShown) {
  CLIENT* c = clnt_create("127.0.0.1", kWallProgram, kWallVersion, "udp");
  ASSERT_NE(c, nullptr);
  timeval timeout = {10, 0};
  const struct {
    const char* text;
    const char* shown;
  } cases[] = {{"", nullptr}, {"to all: %n%s\a\x1b", "to all: %n%s??"}, {"caf\xc3\xa9\x07", "caf\xc3\xa9?"}};
  for (const auto& k : cases) {
    char* text = const_cast<char*>(k.text);
    testing::internal::CaptureStderr();
    EXPECT_EQ(clnt_call(c, 2, reinterpret_cast<xdrproc_t>(xdr_wrapstring), reinterpret_cast<caddr_t>(&text),
                        reinterpret_cast<xdrproc_t>(xdr_void), nullptr, timeout),
              RPC_SUCCESS);
    const std::string err = testing::internal::GetCapturedStderr();
    if (k.shown)
      EXPECT_EQ(err, std::string("teldra-test: : ") + k.shown + "\n");
    else
      EXPECT_EQ(err, "");
  }
  EXPECT_EQ(clnt_call(c, 3, reinterpret_cast<xdrproc_t>(xdr_void), nullptr, reinterpret_cast<xdrproc_t>(xdr_void),
                      nullptr, timeout),
            RPC_PROCUNAVAIL);
  clnt_destroy(c);
}

TEST_F(RpcServicesTest, LogInScreenHasNoUsersAndErrorsAreAnswered) {
  state_.loginMode = 1;
  int users = -1;
  ASSERT_EQ(Call(3, 1, reinterpret_cast<xdrproc_t>(xdr_int), &users), RPC_SUCCESS);
  EXPECT_EQ(users, 0);
  Entries none{3, {}};
  ASSERT_EQ(Call(3, 3, reinterpret_cast<xdrproc_t>(DecodeEntries), &none), RPC_SUCCESS);
  EXPECT_TRUE(none.list.empty());
  EXPECT_EQ(Call(4, 1, reinterpret_cast<xdrproc_t>(xdr_int), &users), RPC_PROGVERSMISMATCH);
  EXPECT_EQ(versions_[0], 2u);
  EXPECT_EQ(versions_[1], 3u);
  EXPECT_EQ(Call(3, 9, reinterpret_cast<xdrproc_t>(xdr_int), &users), RPC_PROCUNAVAIL);
  // The null procedure of both programs, through rpcinfo.
  int code = -1;
  const std::string ping = RunTool({"rpcinfo", "-u", "127.0.0.1", "100002"}, "", &code);
  EXPECT_EQ(code, 0) << ping;
  EXPECT_NE(ping.find("program 100002 version 2 ready and waiting"), std::string::npos) << ping;
  EXPECT_NE(ping.find("program 100002 version 3 ready and waiting"), std::string::npos) << ping;
  EXPECT_EQ((RunTool({"rpcinfo", "-u", "127.0.0.1", "100008", "1"}, "", &code), code), 0);
}

// Teldra at the log-in screen offers both services; a wall message is
// shown; log-off withdraws both.
class RpcLoginModeTest : public teldratest::TeldraFixture {
 protected:
  RpcBinder binder_;
};

TEST_F(RpcLoginModeTest, RusersAndRwallAtTheLogInScreenStopAtLogOff) {
  std::string why;
  if (!binder_.Acquire(&why)) GTEST_SKIP() << why;
  extraEnvironment_ = {"USER=tester", "LOGNAME=tester"};
  ASSERT_TRUE(teldra_.Start({TELDRA_BINARY, "-display", server_.DisplayName(), "-login"}, Environment()))
      << teldra_.Error();
  ASSERT_TRUE(qwtest::WaitUntil([&] { return Registered(kRusersProgram) && Registered(kWallProgram); }, 20000))
      << teldra_.Output() << RunTool({"rpcinfo", "-p", "127.0.0.1"});
  const std::string table = RunTool({"rpcinfo", "-p", "127.0.0.1"});
  for (const char* line : {"100002    2   udp", "100002    3   udp", "100008    1   udp"})
    EXPECT_NE(table.find(line), std::string::npos) << line << "\n" << table;

  // Nobody is logged in at the log-in screen.
  int code = -1;
  const std::string listing = RunTool({"rusers", "-l", "127.0.0.1"}, "", &code);
  EXPECT_EQ(listing.find("tester"), std::string::npos) << listing;

  // The message is shown, as text: conversions stay as they are.
  RunTool({"rwall", "127.0.0.1"}, "hi %s%n from the test", &code);
  EXPECT_EQ(code, 0);
  EXPECT_TRUE(teldra_.WaitForOutput("hi %s%n from the test", 15000)) << teldra_.Output();
  EXPECT_TRUE(teldra_.Running());

  ASSERT_TRUE(teldra_.Signal(SIGTERM));
  ASSERT_TRUE(teldra_.WaitExit(20000)) << teldra_.Output();
  EXPECT_EQ(teldra_.ExitCode(), 5);
  EXPECT_FALSE(Registered(kRusersProgram)) << RunTool({"rpcinfo", "-p", "127.0.0.1"});
  EXPECT_FALSE(Registered(kWallProgram));
}

// A user who logs in through the log-in dialog is listed by rusers; log-off
// withdraws the services.
TEST_F(RpcLoginModeTest, TheUserLoggedInThroughTheDialogIsListed) {
  std::string why;
  if (!binder_.Acquire(&why)) GTEST_SKIP() << why;
  qwtest::TestUser user("Rp1-pass word");
  ASSERT_TRUE(user.Ok()) << user.Error();
  home_.WriteFile("registry/desktop/preferences",
                  "desktop_command = /bin/sh -c \"exec xmessage -name desktop -geometry +0+0 desktop\"\n");
  ASSERT_TRUE(teldra_.Start({TELDRA_BINARY, "-display", server_.DisplayName(), "-login"}, Environment()))
      << teldra_.Error();
  ASSERT_TRUE(qwtest::WaitUntil([&] { return Registered(kRusersProgram); }, 20000)) << teldra_.Output();
  // Names may be cut to eight characters in the older record form.
  const std::string listed = user.Name().substr(0, 8);
  EXPECT_EQ(RunTool({"rusers", "-l", "127.0.0.1"}).find(listed), std::string::npos);

  const Window dialog = qwtest::WaitForWindowByName(display_, "Welcome to the Quexel", 15000);
  ASSERT_NE(dialog, None) << teldra_.Output();
  ASSERT_TRUE(qwtest::WaitUntil([&] { return Focus() == dialog; })) << teldra_.Output();
  Tool({"xdotool", "type", "--delay", "15", user.Name()});
  Tool({"xdotool", "key", "Tab"});
  Tool({"xdotool", "type", "--delay", "15", "Rp1-pass word"});
  Tool({"xdotool", "key", "KP_Enter"});
  ASSERT_NE(WaitForClass("desktop"), None) << teldra_.Output();

  std::string listing;
  EXPECT_TRUE(qwtest::WaitUntil([&] {
    listing = RunTool({"rusers", "-l", "127.0.0.1"});
    return listing.find(listed) != std::string::npos;
  }, 20000)) << listing;

  ASSERT_TRUE(teldra_.Signal(SIGTERM));
  ASSERT_TRUE(teldra_.WaitExit(20000)) << teldra_.Output();
  EXPECT_EQ(teldra_.ExitCode(), 5);
  EXPECT_FALSE(Registered(kRusersProgram)) << RunTool({"rpcinfo", "-p", "127.0.0.1"});
  EXPECT_FALSE(Registered(kWallProgram));
}

}  // namespace
