// Log-in by smart card and PIN: Teldra's log-in dialog in this process on a
// private Xvfb, typed into through XTEST, with a simulated card reader whose
// card carries a credential record signed under a test root. A wrong PIN
// and a record that does not verify are refused; the right PIN starts the
// session as the card's user and keeps the digest of the card's data.
#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <functional>
#include <list>
#include <string>
#include <vector>

#include "login/card/CardInterpreter.h"
#include "login/card/LitronicReader.h"
#include "login/card/SmartCard.h"
#include "login/cardsim/CardReaderSimulator.h"
#include "login/record/CardRecord.h"
#include "login/record/Tlv.h"
#include "platform/Auth.h"
#include "platform/AuthSession.h"
#include "platform/sdk/MessageBox.h"
#include "platform/sdk/SdkScreen.h"
#include "platform/sdk/SimpleMenu.h"
#include "platform/sdk/SimpleWindow.h"
#include "tests/login/OpensslOracle.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestUser.h"
#include "tests/support/TlvRecords.h"
#include "tests/support/XTestServer.h"
#include "tests/support/XWindows.h"
#include "tests/wm/TestPamService.h"
#include "wm/services/CommandService.h"
#include "wm/services/Tempreg.h"
#include "wm/session/CardPoll.h"
#include "wm/session/Launcher.h"
#include "wm/session/Login.h"
#include "wm/session/LoginDialog.h"
#include "wm/session/ScreenLock.h"
#include "wm/session/ScreenState.h"
#include "wm/session/SessionEvents.h"
#include "wm/session/WindowManager.h"
#include "wm/shell/Appearance.h"

using namespace std::chrono_literals;

namespace {

using Bytes = std::vector<uint8_t>;

void Put(Bytes* b, uint32_t tag, const Bytes& value) { qwtest::PutTlv(b, tag, value); }
Bytes Str(const std::string& s) { return qwtest::TlvText(s); }
Bytes Long(uint32_t v) { return qwtest::TlvLong(v); }

CardReaderSimulator* gSim = nullptr;
int gLogoffs = 0;
CardReader* SimReader() {
  auto* r = static_cast<LitronicReader*>(gSim->newReader());
  r->setResetPulse(1ms);
  return r;
}

class CardLoginTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    o_ = new qwtest::OpensslOracle();
    ASSERT_TRUE(o_->makeKey("root") && o_->makeRoot("root"));
    ASSERT_TRUE(o_->makeKey("card") && o_->makeIssued("card", "root"));
    ASSERT_TRUE(o_->makeKey("self") && o_->makeRoot("self"));  // vouches for itself only
    ASSERT_TRUE(o_->makeKey("expired") && o_->makeIssued("expired", "root", -1));
  }
  static void TearDownTestSuite() {
    delete o_;
    o_ = nullptr;
  }
  void SetUp() override {
    ASSERT_TRUE(user_.Ok()) << user_.Error();
    ASSERT_TRUE(server_.Start()) << server_.Error();
    // The session's programs run as the card's user.
    ASSERT_EQ(chmod(out_.Path().c_str(), 0777), 0);
    home_.WriteFile("registry/desktop/preferences",
                    "desktop_command = /bin/sh -c \"id -u > " + out_.Path() + "/session-uid; echo $USER > " +
                        out_.Path() + "/session-user\"\n");
    env_.emplace_back("HOME", home_.Path().c_str());
    env_.emplace_back("QX_REGISTRY_DIR", (home_.Path() + "/registry").c_str());
    env_.emplace_back("QX_SERVICE_DIR", (home_.Path() + "/services").c_str());
    env_.emplace_back("QX_AUTH_FILE", nullptr);
    env_.emplace_back("QX_PCNFSD_SERVER", nullptr);
    // What the session's start sets for its programs.
    for (const char* name : {"TMPDIR", "KDVSHARED", "DISPLAY", "USER", "LOGNAME", "SESSIONID", "LC_MESSAGES"})
      env_.emplace_back(name, std::getenv(name));
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    cwd_ = cwd;
    std::memset(static_cast<void*>(&state_), 0, sizeof state_);
    ASSERT_EQ(InitScreenInfo(&state_.sdk, "teldra", 1, 0, nullptr, server_.DisplayName().c_str()), 0);
    SetTheScreenState(&state_);
    state_.programName = "teldra";
    state_.sdk.messageBoxResetFocus = MessageBoxResetFocus;
    state_.loginMode = 1;
    state_.cardReader = 1;
    state_.desktopCommand = "true";
    InternWindowManagerAtoms(state_.sdk.display, &state_);
    state_.workArea[2] = state_.sdk.width;
    state_.workArea[3] = state_.sdk.height;
    // The session's start meets windows that come and go: errors are not fatal.
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    CreateWindowManagerFonts(&state_, 12, 18, 14);
    sim_ = std::make_unique<CardReaderSimulator>(CardReaderSimulator::Schlumberger);
    gSim = sim_.get();
    SmartCardSetReaderFactory(SimReader);
    ASSERT_EQ(kSmartCardDone, SmartCardOpen(&state_.card));
    // The verifier knows the test root in place of the built-in one.
    state_.cardVerifier = CardVerifierCreate();
    const Bytes root = o_->read("root.crt.der");
    CardVerifierSetRootCertificate(state_.cardVerifier, root.data(), root.size());
  }
  void TearDown() override {
    // The session's start went into HOME.
    if (!cwd_.empty() && chdir(cwd_.c_str()) != 0) ADD_FAILURE() << "cannot return to " << cwd_;
    StopCardPoll(&state_);
    AuthCloseSession();
    AuthSetServiceName(nullptr);
    SetCardRemovedLogoff(nullptr);
    gLogoffs = 0;
    if (state_.loginDialog) DestroyLoginDialog(state_.loginDialog);
    StopTempregService(&state_);
    StopServiceListener(&state_);
    StopDesktopReporting(&state_);
    if (state_.rootMenu) DestroySimpleMenu(state_.rootMenu);
    if (state_.iconPlacementMenu) DestroySimpleMenu(state_.iconPlacementMenu);
    if (state_.desktopCommand && std::strcmp(state_.desktopCommand, "true") != 0)
      std::free(const_cast<char*>(state_.desktopCommand));
    ResetLauncher();
    if (state_.sdk.display) FreeWindowManagerFonts(&state_);
    if (state_.card) {
      state_.card->detachReader();
      delete state_.card;
    }
    SmartCardDropReader();
    SmartCardSetReaderFactory(nullptr);
    gSim = nullptr;
    CardVerifierDestroy(state_.cardVerifier);
    if (state_.sdk.display) CloseScreenInfo(&state_.sdk);
    SetTheScreenState(nullptr);
  }
  // Writes a header and a record over `attributes` signed by `signer`.
  Bytes WriteCard(const std::string& signer, const Bytes& attributes) {
    CardVerifier* v = CardVerifierCreate();
    const Bytes root = o_->read("root.crt.der");
    CardVerifierSetRootCertificate(v, root.data(), root.size());
    Bytes bundle;
    Put(&bundle, kCardTagKeyId, Long(7));
    Put(&bundle, kCardTagCertificate, o_->read(signer + ".crt.der"));
    Put(&bundle, kCardTagPrivateKey, o_->read(signer + ".der"));
    EXPECT_EQ(1, CardVerifierLoadKeys(v, bundle.data(), bundle.size()));
    Bytes record(4000);
    record.resize(CardSignMessage(v, attributes.data(), attributes.size(), record.data(), record.size()));
    EXPECT_FALSE(record.empty());
    uint8_t header[96];
    std::memset(header, 0xFF, sizeof header);
    EXPECT_EQ(kCardHeaderLength, CardBuildHeader(v, 0, record.size(), header, sizeof header));
    CardVerifierDestroy(v);
    uint8_t sw1, sw2;
    int32_t result = -1;
    EXPECT_EQ(kSmartCardDone, SmartCardWriteHeader(state_.card, header, 0, sizeof header, &sw1, &sw2, &result));
    EXPECT_EQ(kSmartCardDone, SmartCardWriteData(state_.card, record.data(), 0, record.size(), &sw1, &sw2, &result));
    return record;
  }
  Bytes UserAttributes() {
    Bytes a;
    Put(&a, 26, Str(user_.Name()));
    Put(&a, 27, Str(user_.Password()));
    Put(&a, 19, Str("host.example"));
    return a;
  }
  bool Pump(const std::function<bool()>& done, int timeoutMs = 20000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < end) {
      if (done()) return true;
      SdkProcessOnce(&state_.sdk, 50);
    }
    return done();
  }
  // xdotool runs while this process's loop stands still: its keys wait in
  // the connection until the pumping afterwards.
  void Type(const std::string& text) { Run({"xdotool", "type", "--delay", "15", text}); }
  void Keys(const std::string& key) { Run({"xdotool", "key", key}); }
  void Run(const std::vector<std::string>& argv) {
    qwtest::ChildProcess p;
    ASSERT_TRUE(p.Start(argv, qwtest::ChildProcess::BaseEnvironment({"DISPLAY=" + server_.DisplayName()})));
    p.WaitExit(10000);
  }
  bool BoxUp(const char* id) {
    return Pump([&] { return MessageBoxActive(&state_.sdk) && !qwtest::FindWindowsByName(state_.sdk.display, id).empty(); });
  }
  void CloseBox() {
    Keys("Return");
    ASSERT_TRUE(Pump([&] { return !MessageBoxActive(&state_.sdk); }));
  }
  bool DialogFocused() {
    return Pump([&] {
      Window w = 0;
      int revert = 0;
      XGetInputFocus(state_.sdk.display, &w, &revert);
      return state_.loginDialog && w == state_.loginDialog->window->window;
    });
  }
  std::string SessionUser() {
    std::ifstream in(out_.Path() + "/session-user");
    std::string line;
    std::getline(in, line);
    return line;
  }
  // The session's programs run as the card's user; the user of the file
  // the desktop command wrote after `id -u`, which says the same.
  std::string SessionUid() {
    std::ifstream in(out_.Path() + "/session-uid");
    std::string line;
    std::getline(in, line);
    return line;
  }
  std::string UserUid() {
    const passwd* pw = getpwnam(user_.Name().c_str());
    return pw ? std::to_string(pw->pw_uid) : "no account";
  }

  static qwtest::OpensslOracle* o_;
  qwtest::TestUser user_{"C4rd-user"};
  qwtest::XTestServer server_;
  qwtest::TempDir home_;
  qwtest::TempDir out_;
  std::list<qwtest::ScopedEnv> env_;
  std::unique_ptr<CardReaderSimulator> sim_;
  std::string cwd_;
  ScreenState state_;
};
qwtest::OpensslOracle* CardLoginTest::o_ = nullptr;

TEST_F(CardLoginTest, AWrongPinIsRefusedTheRightOneStartsTheSession) {
  const Bytes record = WriteCard("card", UserAttributes());
  ShowLoginScreen(&state_);
  ASSERT_NE(state_.loginDialog, nullptr);
  EXPECT_EQ(state_.loginDialog->mode, LoginByCard);
  ASSERT_TRUE(DialogFocused());
  Type("9999");
  Keys("Return");
  ASSERT_TRUE(BoxUp("QXL4551"));
  EXPECT_EQ(state_.loginMode, 1);
  CloseBox();
  ASSERT_TRUE(DialogFocused());
  // Only the first eight characters of a PIN count.
  Type("1234");
  Keys("KP_Enter");
  ASSERT_TRUE(Pump([&] { return state_.loginMode == 0; }));
  EXPECT_EQ(state_.loginDialog, nullptr);
  ASSERT_TRUE(Pump([&] { return SessionUser() == user_.Name(); }, 20000)) << SessionUser();
  EXPECT_EQ(SessionUid(), UserUid());
  // The digest covers exactly the record's bytes (OpenSSL as the oracle).
  unsigned char md5[16];
  unsigned int n = 0;
  EVP_Digest(record.data(), record.size(), md5, &n, EVP_md5(), nullptr);
  EXPECT_EQ(0, std::memcmp(md5, state_.cardDigest, sizeof md5));
}

TEST_F(CardLoginTest, ARecordTheRootDidNotSignIsRefused) {
  // Self-signed, and issued by the root but expired.
  for (const char* signer : {"self", "expired"}) {
    WriteCard(signer, UserAttributes());
    if (!state_.loginDialog) ShowLoginScreen(&state_);
    ASSERT_TRUE(DialogFocused()) << signer;
    Type("1234");
    Keys("Return");
    ASSERT_TRUE(BoxUp("QXL4550")) << signer;
    EXPECT_EQ(state_.loginMode, 1);
    CloseBox();
    EXPECT_NE(state_.loginDialog, nullptr);
  }
}

// The server's check of the card's credentials runs beside the loop, as a
// typed password's does: while PAM holds it the dialog waits and the loop
// goes on; the answer still decides.
TEST_F(CardLoginTest, TheCardsCredentialsAreCheckedBesideTheLoop) {
  qwtest::TempDir dir;
  teldratest::PamService pam(dir, true);
  AuthSetServiceName(pam.Name().c_str());
  Bytes wrong;
  Put(&wrong, 26, Str(user_.Name()));
  Put(&wrong, 27, Str("not the password"));
  Put(&wrong, 19, Str("host.example"));
  WriteCard("card", wrong);
  ShowLoginScreen(&state_);
  ASSERT_TRUE(DialogFocused());
  for (int attempt = 1; attempt <= 2; ++attempt) {
    Type("1234");
    Keys("Return");
    ASSERT_TRUE(Pump([&] { return pam.Held() == attempt; })) << attempt;
    ASSERT_NE(state_.loginDialog, nullptr);
    EXPECT_GE(state_.loginDialog->checkFd, 0) << "waiting for the check";
    EXPECT_FALSE(MessageBoxActive(&state_.sdk));
    EXPECT_EQ(state_.loginMode, 1);
    ASSERT_TRUE(pam.Release());
    if (attempt == 1) {
      ASSERT_TRUE(BoxUp("QXL4550"));
      CloseBox();
      ASSERT_TRUE(DialogFocused());
      WriteCard("card", UserAttributes());
    }
  }
  ASSERT_TRUE(Pump([&] { return state_.loginMode == 0; }));
  ASSERT_TRUE(Pump([&] { return SessionUser() == user_.Name(); }, 20000)) << SessionUser();
  EXPECT_EQ(SessionUid(), UserUid());
}

// A card pulled while the server checks its credentials starts no session,
// whatever the server answers; the card put back logs in.
TEST_F(CardLoginTest, ACardPulledDuringItsCheckStartsNoSession) {
  qwtest::TempDir dir;
  teldratest::PamService pam(dir, true);
  AuthSetServiceName(pam.Name().c_str());
  WriteCard("card", UserAttributes());
  ShowLoginScreen(&state_);
  ASSERT_TRUE(DialogFocused());
  Type("1234");
  Keys("Return");
  ASSERT_TRUE(Pump([&] { return pam.Held() == 1; }));
  sim_->insertCard(false);
  PollSmartCard(&state_);
  ASSERT_EQ(state_.card, nullptr);
  ASSERT_TRUE(pam.Release());
  ASSERT_TRUE(Pump([&] { return state_.loginDialog && state_.loginDialog->checkFd < 0; }));
  for (int i = 0; i < 10; ++i) SdkProcessOnce(&state_.sdk, 20);
  EXPECT_EQ(state_.loginMode, 1);
  EXPECT_FALSE(MessageBoxActive(&state_.sdk));
  EXPECT_EQ(SessionUser(), "");

  sim_->insertCard(true);
  PollSmartCard(&state_);
  ASSERT_TRUE(DialogFocused());
  Type("1234");
  Keys("Return");
  ASSERT_TRUE(Pump([&] { return pam.Held() == 2; }));
  ASSERT_TRUE(pam.Release());
  ASSERT_TRUE(Pump([&] { return state_.loginMode == 0; }));
  ASSERT_TRUE(Pump([&] { return SessionUser() == user_.Name(); }, 20000)) << SessionUser();
}

TEST_F(CardLoginTest, ACardWithoutCredentialsFallsBackToThePasswordDialog) {
  Bytes a;
  Put(&a, 26, Str(user_.Name()));  // a user name, but no password or server
  WriteCard("card", a);
  ShowLoginScreen(&state_);
  ASSERT_TRUE(DialogFocused());
  Type("1234");
  Keys("Return");
  ASSERT_TRUE(Pump([&] { return state_.loginDialog && state_.loginDialog->mode == LoginByPassword; }));
  EXPECT_EQ(state_.passwordFallback, 1);
  ASSERT_TRUE(DialogFocused());
  Type(user_.Name());
  Keys("Return");
  Type(user_.Password());
  Keys("Return");
  ASSERT_TRUE(Pump([&] { return state_.loginMode == 0; }));
  ASSERT_TRUE(Pump([&] { return SessionUser() == user_.Name(); }, 20000)) << SessionUser();
}

}  // namespace

namespace {

// After a card log-in the lock opens its PIN dialog at once (the card is
// in); a wrong PIN and another card are refused, the log-in card unlocks.
TEST_F(CardLoginTest, TheLockOfACardSessionIsOpenedByTheSameCardAndPin) {
  WriteCard("card", UserAttributes());
  ShowLoginScreen(&state_);
  ASSERT_TRUE(DialogFocused());
  Type("1234");
  Keys("Return");
  ASSERT_TRUE(Pump([&] { return state_.loginMode == 0; }));

  LockScreenRecord* lock = LockScreen(&state_, nullptr);
  ASSERT_NE(lock, nullptr);
  EXPECT_EQ(lock->passwordUnlock, 0);
  ASSERT_NE(lock->dialog, nullptr);
  EXPECT_EQ(lock->dialog->mode, UnlockByCard);
  EXPECT_EQ(state_.locked, 1);
  Type("9999");
  Keys("Return");
  ASSERT_TRUE(BoxUp("QXL4551"));
  CloseBox();
  // Another card of the same user: its data differ from the log-in card's.
  Bytes other = UserAttributes();
  Put(&other, 21, Str("another card"));
  WriteCard("card", other);
  Type("1234");
  Keys("Return");
  ASSERT_TRUE(BoxUp("QXL4552"));
  CloseBox();
  EXPECT_EQ(state_.locked, 1);
  WriteCard("card", UserAttributes());  // the log-in card again (the same signed bytes)
  Type("1234");
  Keys("Return");
  ASSERT_TRUE(Pump([&] { return state_.locked == 0; }));
  EXPECT_EQ(state_.lockRecord, nullptr);
}

}  // namespace

namespace {

bool Viewable(Display* d, Window w) {
  XWindowAttributes a;
  return XGetWindowAttributes(d, w, &a) && a.map_state == IsViewable;
}

// The poll at the log-in dialog: a pulled card hides the dialog and empties
// it, an inserted one brings it back in PIN mode with the focus.
TEST_F(CardLoginTest, PullingTheCardHidesTheDialogAndInsertingItBringsItBack) {
  ShowLoginScreen(&state_);
  ASSERT_NE(state_.loginDialog, nullptr);
  EXPECT_NE(state_.cardPollTimer, 0u);
  ASSERT_TRUE(DialogFocused());
  Type("12");
  ASSERT_TRUE(Pump([&] { return std::strlen(TextBoxGetContents(&state_.loginDialog->second)) == 2; }));
  LoginDialog* dialog = state_.loginDialog;

  PollSmartCard(&state_);  // the card is still in: nothing changes
  EXPECT_NE(state_.card, nullptr);
  sim_->insertCard(false);
  PollSmartCard(&state_);
  EXPECT_EQ(state_.card, nullptr);
  EXPECT_EQ(state_.loginDialog, dialog);
  EXPECT_STREQ(TextBoxGetContents(&dialog->second), "");
  EXPECT_FALSE(Viewable(state_.sdk.display, dialog->window->window));
  PollSmartCard(&state_);  // no card, none inserted
  EXPECT_EQ(state_.card, nullptr);
  EXPECT_EQ(gLogoffs, 0);

  sim_->insertCard(true);
  PollSmartCard(&state_);
  ASSERT_NE(state_.card, nullptr);
  EXPECT_EQ(state_.loginDialog, dialog);
  EXPECT_EQ(dialog->mode, LoginByCard);
  EXPECT_TRUE(Viewable(state_.sdk.display, dialog->window->window));
  ASSERT_TRUE(DialogFocused());
  EXPECT_EQ(dialog->focus, FocusSecondBox);
}

// Started without a card the dialog waits unmapped; the running timer maps
// it when a card goes in.
TEST_F(CardLoginTest, TheTimerShowsTheDialogWhenACardIsInserted) {
  state_.card->detachReader();
  delete state_.card;
  state_.card = nullptr;
  sim_->insertCard(false);
  ShowLoginScreen(&state_);
  ASSERT_NE(state_.loginDialog, nullptr);
  EXPECT_NE(state_.cardPollTimer, 0u);
  EXPECT_EQ(state_.card, nullptr);
  XSync(state_.sdk.display, False);
  EXPECT_FALSE(Viewable(state_.sdk.display, state_.loginDialog->window->window));
  sim_->insertCard(true);
  ASSERT_TRUE(DialogFocused());
  EXPECT_NE(state_.card, nullptr);
}

// A pulled card in the other states, one tick each.
TEST_F(CardLoginTest, APulledCardEndsTheSessionOrRebuildsTheDialogAsTheStateSays) {
  struct Case {
    const char* name;
    bool dialog;           // a log-in dialog is up (else a session runs)
    int fallback;          // it is the password dialog of a card without credentials
    int administrator;     // administrator session
    int mayStay;           // "smart_card_leave_alive"
    int logoffs;           // log-offs expected
    int administratorCard; // the flag afterwards
    bool rebuilt;          // a new PIN dialog took the old one's place
  };
  const Case cases[] = {
      {"session", false, 0, 0, 0, 1, 1, false},
      {"session, card may stay", false, 0, 0, 1, 0, 1, false},
      {"administrator session", false, 0, 1, 0, 0, 0, false},
      {"password fallback", true, 1, 0, 0, 0, 0, true},
      {"administrator's password fallback", true, 1, 1, 0, 0, 0, true},
      {"PIN dialog", true, 0, 0, 0, 0, 1, false},
  };
  SetCardRemovedLogoff([](ScreenState*) { ++gLogoffs; });
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    gLogoffs = 0;
    if (!state_.card) {
      sim_->insertCard(true);
      ASSERT_EQ(kSmartCardDone, SmartCardOpen(&state_.card));
      ASSERT_NE(state_.card, nullptr);
    }
    state_.loginDialog =
        c.dialog ? CreateLoginDialog(&state_, 350, 220, nullptr, c.fallback ? LoginByPassword : LoginByCard) : nullptr;
    if (c.dialog) ShowLoginDialog(state_.loginDialog);
    // The dialog's window tells a new dialog from the old one: a new one
    // may well be allocated where the old one was freed.
    const Window before = state_.loginDialog ? state_.loginDialog->window->window : None;
    state_.passwordFallback = c.fallback;
    state_.administratorSession = c.administrator;
    state_.administratorCard = 1;
    state_.cardMayStay = c.mayStay;
    sim_->insertCard(false);
    PollSmartCard(&state_);
    EXPECT_EQ(state_.card, nullptr);
    EXPECT_EQ(gLogoffs, c.logoffs);
    EXPECT_EQ(state_.administratorCard, c.administratorCard);
    if (c.dialog) {
      ASSERT_NE(state_.loginDialog, nullptr);
      EXPECT_EQ(state_.loginDialog->window->window != before, c.rebuilt);
      EXPECT_EQ(state_.loginDialog->mode, LoginByCard);
      EXPECT_FALSE(Viewable(state_.sdk.display, state_.loginDialog->window->window));
      if (c.rebuilt) {
        EXPECT_EQ(state_.passwordFallback, 0);
        EXPECT_EQ(state_.administratorSession, 0);
      }
      DestroyLoginDialog(state_.loginDialog);
      state_.loginDialog = nullptr;
    } else {
      EXPECT_EQ(state_.loginDialog, nullptr);
    }
    // Inserting the card again brings no dialog to a session.
    sim_->insertCard(true);
    PollSmartCard(&state_);
    EXPECT_NE(state_.card, nullptr);
    EXPECT_EQ(state_.loginDialog, nullptr);
  }
}

// While locked the card's removal closes the unlock dialog and its return
// opens it again; the session stays, and the card and PIN still unlock.
TEST_F(CardLoginTest, ALockedScreenFollowsTheCard) {
  WriteCard("card", UserAttributes());
  ShowLoginScreen(&state_);
  ASSERT_TRUE(DialogFocused());
  Type("1234");
  Keys("Return");
  ASSERT_TRUE(Pump([&] { return state_.loginMode == 0; }));
  SetCardRemovedLogoff([](ScreenState*) { ++gLogoffs; });

  LockScreenRecord* lock = LockScreen(&state_, nullptr);
  ASSERT_NE(lock, nullptr);
  ASSERT_NE(lock->dialog, nullptr);
  sim_->insertCard(false);
  PollSmartCard(&state_);
  EXPECT_EQ(state_.card, nullptr);
  EXPECT_EQ(lock->dialog, nullptr);
  EXPECT_EQ(state_.locked, 1);
  EXPECT_EQ(gLogoffs, 0);
  sim_->insertCard(true);
  PollSmartCard(&state_);
  ASSERT_NE(state_.card, nullptr);
  ASSERT_NE(lock->dialog, nullptr);
  EXPECT_EQ(lock->dialog->mode, UnlockByCard);
  EXPECT_EQ(state_.loginDialog, nullptr);
  Type("1234");
  Keys("Return");
  ASSERT_TRUE(Pump([&] { return state_.locked == 0; }));
  // Unlocked, the card's removal ends the session.
  sim_->insertCard(false);
  PollSmartCard(&state_);
  EXPECT_EQ(gLogoffs, 1);
}

}  // namespace
