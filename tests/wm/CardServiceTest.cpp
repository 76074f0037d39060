// The card requests of the "teldra" service in a card session: Teldra's
// log-in, its command service and its root menu in this process on a
// private Xvfb, a simulated reader and card, and a service client on the
// real local channel. The PIN is changed and unblocked as the card says,
// the card id read, and Change PIN in the root menu tells the clients.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
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
#include "platform/AuthSession.h"
#include "platform/sdk/MessageBox.h"
#include "platform/sdk/QXService.h"
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
#include "wm/services/CommandService.h"
#include "wm/services/Tempreg.h"
#include "wm/session/CardPoll.h"
#include "wm/session/ChangePinDialog.h"
#include "wm/session/Launcher.h"
#include "wm/session/Login.h"
#include "wm/session/LoginDialog.h"
#include "wm/session/ScreenState.h"
#include "wm/session/SessionEvents.h"
#include "wm/session/WindowManager.h"
#include "wm/shell/Appearance.h"
#include "wm/shell/DesktopCommands.h"
#include "wm/shell/DesktopWindow.h"
#include "wm/shell/MessageCatalog.h"

using namespace std::chrono_literals;

namespace {

using Bytes = std::vector<uint8_t>;

void Put(Bytes* b, uint32_t tag, const Bytes& value) { qwtest::PutTlv(b, tag, value); }
Bytes Str(const std::string& s) { return qwtest::TlvText(s); }
Bytes Long(uint32_t v) { return qwtest::TlvLong(v); }

CardReaderSimulator* gSim = nullptr;
CardReader* SimReader() {
  auto* r = static_cast<LitronicReader*>(gSim->newReader());
  r->setResetPulse(1ms);
  return r;
}
void NoLogoff(ScreenState*) {}

class CardServiceTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    o_ = new qwtest::OpensslOracle();
    ASSERT_TRUE(o_->makeKey("root") && o_->makeRoot("root"));
    ASSERT_TRUE(o_->makeKey("card") && o_->makeIssued("card", "root"));
  }
  static void TearDownTestSuite() {
    delete o_;
    o_ = nullptr;
  }
  void SetUp() override {
    ASSERT_TRUE(user_.Ok()) << user_.Error();
    ASSERT_TRUE(server_.Start()) << server_.Error();
    home_.WriteFile("registry/desktop/preferences", "desktop_command = /bin/true\n");
    env_.emplace_back("HOME", home_.Path().c_str());
    env_.emplace_back("QX_REGISTRY_DIR", (home_.Path() + "/registry").c_str());
    env_.emplace_back("QX_SERVICE_DIR", (home_.Path() + "/services").c_str());
    env_.emplace_back("QX_AUTH_FILE", nullptr);
    env_.emplace_back("QX_PCNFSD_SERVER", nullptr);
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
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    CreateWindowManagerFonts(&state_, 12, 18, 14);
    // The desktop as the window manager makes it: presses on the background
    // reach the desktop window, which pops up the root menu.
    XSelectInput(state_.sdk.display, state_.sdk.root, KeyPressMask | ButtonPressMask | ExposureMask);
    state_.rootMenuEnabled = 1;
    ASSERT_NE(CreateDesktopWindow(&state_), nullptr);
    sim_ = std::make_unique<CardReaderSimulator>(CardReaderSimulator::Schlumberger);
    gSim = sim_.get();
    SmartCardSetReaderFactory(SimReader);
    SetCardRemovedLogoff(NoLogoff);
    ASSERT_EQ(kSmartCardDone, SmartCardOpen(&state_.card));
    state_.cardVerifier = CardVerifierCreate();
    const Bytes root = o_->read("root.crt.der");
    CardVerifierSetRootCertificate(state_.cardVerifier, root.data(), root.size());
  }
  void TearDown() override {
    if (client_) QXServiceClose(client_);
    PopDownMessageBox(&state_.sdk);
    CloseChangePinDialog(&state_);
    if (!cwd_.empty() && chdir(cwd_.c_str()) != 0) ADD_FAILURE() << "cannot return to " << cwd_;
    StopCardPoll(&state_);
    SetCardRemovedLogoff(nullptr);
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
    // The session a test logged in to ends with it.
    AuthCloseSession();
    SmartCardDropReader();
    SmartCardSetReaderFactory(nullptr);
    gSim = nullptr;
    CardVerifierDestroy(state_.cardVerifier);
    if (state_.sdk.display) CloseScreenInfo(&state_.sdk);
    SetTheScreenState(nullptr);
  }
  // The signing key with its certificate under the test root.
  static Bytes KeyBundle() {
    Bytes bundle;
    Put(&bundle, kCardTagKeyId, Long(7));
    Put(&bundle, kCardTagCertificate, o_->read("card.crt.der"));
    Put(&bundle, kCardTagPrivateKey, o_->read("card.der"));
    return bundle;
  }
  // A card with the test user's credentials signed under the test root.
  void WriteCard() {
    Bytes attributes;
    Put(&attributes, 26, Str(user_.Name()));
    Put(&attributes, 27, Str(user_.Password()));
    Put(&attributes, 19, Str("host.example"));
    CardVerifier* v = CardVerifierCreate();
    const Bytes root = o_->read("root.crt.der");
    CardVerifierSetRootCertificate(v, root.data(), root.size());
    const Bytes bundle = KeyBundle();
    ASSERT_EQ(1, CardVerifierLoadKeys(v, bundle.data(), bundle.size()));
    Bytes record(4000);
    record.resize(CardSignMessage(v, attributes.data(), attributes.size(), record.data(), record.size()));
    uint8_t header[96];
    std::memset(header, 0xFF, sizeof header);
    ASSERT_EQ(kCardHeaderLength, CardBuildHeader(v, 0, record.size(), header, sizeof header));
    CardVerifierDestroy(v);
    uint8_t sw1, sw2;
    int32_t result = -1;
    ASSERT_EQ(kSmartCardDone, SmartCardWriteHeader(state_.card, header, 0, sizeof header, &sw1, &sw2, &result));
    ASSERT_EQ(kSmartCardDone, SmartCardWriteData(state_.card, record.data(), 0, record.size(), &sw1, &sw2, &result));
  }
  bool Pump(const std::function<bool()>& done, int timeoutMs = 20000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < end) {
      if (done()) return true;
      SdkProcessOnce(&state_.sdk, 50);
    }
    return done();
  }
  void Run(const std::vector<std::string>& argv) {
    qwtest::ChildProcess p;
    ASSERT_TRUE(p.Start(argv, qwtest::ChildProcess::BaseEnvironment({"DISPLAY=" + server_.DisplayName()})));
    p.WaitExit(10000);
  }
  // The log-in with the card and its PIN, typed into the dialog; then a
  // service client connects (unless there is to be no desktop program).
  void LogInWithCard(bool connect = true) {
    WriteCard();
    ShowLoginScreen(&state_);
    ASSERT_NE(state_.loginDialog, nullptr);
    ASSERT_TRUE(Pump([&] {
      Window w = 0;
      int revert = 0;
      XGetInputFocus(state_.sdk.display, &w, &revert);
      return state_.loginDialog && w == state_.loginDialog->window->window;
    }));
    Run({"xdotool", "type", "--delay", "15", "1234"});
    Run({"xdotool", "key", "Return"});
    ASSERT_TRUE(Pump([&] { return state_.loginMode == 0; }));
    if (connect) ASSERT_EQ(QXServiceOpen("teldra", &client_), 0);
  }
  // The pointer to a root position and a click of `button` there.
  void ClickAt(int x, int y, int button) {
    Run({"xdotool", "mousemove", "--sync", std::to_string(x), std::to_string(y)});
    Run({"xdotool", "click", std::to_string(button)});
  }
  // A click on the desktop's background pops up the root menu; a click on
  // Change PIN chooses it.
  void ChooseChangePinInTheRootMenu() {
    ClickAt(640, 520, 3);
    ASSERT_TRUE(Pump([&] { return SimpleMenuActive(&state_.sdk); }));
    XRectangle item = {};
    ASSERT_TRUE(SimpleMenuItemRect(state_.rootMenu, CmdChangePIN, &item));
    int x = 0, y = 0;
    Window child = 0;
    XTranslateCoordinates(state_.sdk.display, SimpleMenuWindow(state_.rootMenu), state_.sdk.root, item.x + 30,
                          item.y + item.height / 2, &x, &y, &child);
    ClickAt(x, y, 1);
    ASSERT_TRUE(Pump([&] { return !SimpleMenuActive(&state_.sdk); }));
  }
  // Teldra's Change PIN dialog is up and holds the keyboard.
  bool ChangePinDialogUp() {
    return Pump([&] {
      return state_.changePinDialog && GrabStackTop(&state_.sdk) == state_.changePinDialog->window &&
             !MessageBoxActive(&state_.sdk);
    });
  }
  // PINs typed into the dialog from the box with the keyboard on, Tab
  // between them, Return after the last.
  void TypePins(const std::vector<std::string>& pins) {
    for (size_t i = 0; i < pins.size(); ++i) {
      Run({"xdotool", "type", "--delay", "15", pins[i]});
      Run({"xdotool", "key", i + 1 == pins.size() ? "Return" : "Tab"});
    }
  }
  // The message box that answers, by its id, and what it says.
  std::string Answered(const char* id) {
    if (!Pump([&] { return MessageBoxActive(&state_.sdk) && !qwtest::FindWindowsByName(state_.sdk.display, id).empty(); }))
      return "(no box " + std::string(id) + ")";
    char text[512];
    MessageBoxText(&state_.sdk, text, sizeof text);
    std::string said = text;
    std::replace(said.begin(), said.end(), '\n', ' ');  // the box wraps long texts at a blank
    Run({"xdotool", "key", "Return"});
    Pump([&] { return !MessageBoxActive(&state_.sdk); });
    return said;
  }
  // One request and its reply; notifications that come first are kept.
  Bytes Request(const Bytes& request) {
    EXPECT_EQ(QXServiceSend(client_, request.data(), request.size()), 0);
    Bytes reply;
    Pump([&] {
      unsigned char buffer[QXServiceMaxMessage];
      size_t length = 0;
      while (QXServiceReceive(client_, buffer, sizeof buffer, &length) == 0) {
        if (length == 10 && buffer[0] == 'c') {
          notices_.push_back(buffer[1]);
          continue;
        }
        reply.assign(buffer, buffer + length);
        return true;
      }
      return false;
    });
    return reply;
  }
  static Bytes Int32(uint32_t v) { return Long(v); }
  // "V" (old, new) or "U" (code, new).
  Bytes Pins(char op, const std::string& first, const std::string& second) {
    Bytes m = {static_cast<uint8_t>(op)};
    for (uint8_t b : Int32(static_cast<uint32_t>(first.size()))) m.push_back(b);
    for (uint8_t b : Int32(static_cast<uint32_t>(second.size()))) m.push_back(b);
    m.insert(m.end(), first.begin(), first.end());
    m.insert(m.end(), second.begin(), second.end());
    return m;
  }
  static Bytes Answer(char op, uint32_t value) {
    Bytes b = {static_cast<uint8_t>(op)};
    for (uint8_t x : Int32(value)) b.push_back(x);
    return b;
  }

  static qwtest::OpensslOracle* o_;
  qwtest::TestUser user_{"C4rd-user"};
  qwtest::XTestServer server_;
  qwtest::TempDir home_;
  std::list<qwtest::ScopedEnv> env_;
  std::unique_ptr<CardReaderSimulator> sim_;
  std::string cwd_;
  ScreenState state_;
  QXService* client_ = nullptr;
  std::vector<int> notices_;
};
qwtest::OpensslOracle* CardServiceTest::o_ = nullptr;

TEST_F(CardServiceTest, ThePinIsChangedAndUnblockedAsTheCardSays) {
  LogInWithCard();
  // The card id is the identity file below the master file.
  Bytes id = {'S', 0, 0, 0, 1};
  const Bytes identity = sim_->identity();
  id.insert(id.end(), identity.begin(), identity.end());
  EXPECT_EQ(Request({'S'}), id);

  EXPECT_EQ(Request(Pins('V', "1234", "4321")), Answer('V', 1));
  // Three wrong old PINs and the card blocks: then the right one fails too.
  for (int i = 0; i < 3; ++i) EXPECT_EQ(Request(Pins('V', "9999", "1111")), Answer('V', 0)) << i;
  EXPECT_EQ(Request(Pins('V', "4321", "1111")), Answer('V', 0)) << "blocked";
  EXPECT_EQ(Request(Pins('U', "00000000", "5678")), Answer('U', 0)) << "a wrong unblocking code";
  EXPECT_EQ(Request(Pins('U', "87654321", "5678")), Answer('U', 1));
  EXPECT_EQ(Request(Pins('V', "5678", "1234")), Answer('V', 1)) << "the new PIN holds";

  // Lengths that pass the message, or are negative, are refused unread.
  Bytes overrun = Pins('V', "1234", "5678");
  overrun[4] = 9;
  EXPECT_EQ(Request(overrun), Answer('V', 0));
  Bytes negative = Pins('V', "1234", "5678");
  negative[1] = 0xFF;
  EXPECT_EQ(Request(negative), Answer('V', 0));
  EXPECT_EQ(Request(Pins('V', "1234", "5678")), Answer('V', 1)) << "none of them reached the card";
  // Without a key loaded the check answers that nothing was checked.
  EXPECT_EQ(Request({'Q', '5', '6', '7', '8'}), Answer('Q', 0));
  EXPECT_EQ(Request({'L'}), Answer('L', 0));
}

// Change PIN in the root menu is offered while the card session is open and
// tells the service clients (the desktop manager runs the change).
TEST_F(CardServiceTest, ChangePinInTheRootMenuTellsTheClients) {
  LogInWithCard();
  auto chooseChangePin = [&] {
    // The root menu, popped up through the service as the desktop bar does.
    Bytes popup = {'m'};
    for (uint32_t v : {0u, 500u, 300u, 3u})
      for (uint8_t b : Int32(v)) popup.push_back(b);
    ASSERT_EQ(QXServiceSend(client_, popup.data(), popup.size()), 0);
    ASSERT_TRUE(Pump([&] { return SimpleMenuActive(&state_.sdk); }));
    Run({"xdotool", "key", "--delay", "30", "p", "Escape"});
    ASSERT_TRUE(Pump([&] { return !SimpleMenuActive(&state_.sdk); }));
    // A ping as the barrier: whatever the menu sent came before its answer.
    EXPECT_EQ(Request({'o'}), (Bytes{'o', 1}));
  };
  chooseChangePin();
  EXPECT_EQ(notices_, (std::vector<int>{NoticeChangePIN}));
  EXPECT_EQ(state_.changePinDialog, nullptr) << "the desktop program runs the change";

  // With the card pulled the entry cannot be chosen.
  notices_.clear();
  sim_->insertCard(false);
  PollSmartCard(&state_);
  ASSERT_EQ(state_.card, nullptr);
  chooseChangePin();
  EXPECT_TRUE(notices_.empty());
  EXPECT_EQ(Request({'S'}), Answer('S', 0));
  EXPECT_EQ(Request(Pins('V', "1234", "5678")), Answer('V', 0));
}

// Without a desktop program Change PIN in the root menu, clicked, opens
// Teldra's own dialog. Typed into it: new PINs that differ, and a wrong old
// PIN that costs a try as the card counts; the right one changes the PIN on
// the card. Three wrong ones in a row block it.
TEST_F(CardServiceTest, ChangePinInTheRootMenuOpensTeldrasDialogWithoutADesktopProgram) {
  sim_->setCountsTries(true);
  LogInWithCard(false);
  ChooseChangePinInTheRootMenu();
  ASSERT_TRUE(ChangePinDialogUp());
  EXPECT_FALSE(qwtest::FindWindowsByName(state_.sdk.display, CatalogText(TextChangePINTitle)).empty());

  TypePins({"1234", "4321", "4322"});
  EXPECT_EQ(Answered("QXW3521"), CatalogText(TextPINsDontMatch));
  ASSERT_TRUE(ChangePinDialogUp());
  // The old PIN stays; the new ones are asked again.
  EXPECT_STREQ(TextBoxGetContents(&state_.changePinDialog->boxes[0]), "1234");
  TypePins({"123456789", "123456789"});
  EXPECT_EQ(Answered("QXW3522"), CatalogText(TextPINLength));
  ASSERT_TRUE(ChangePinDialogUp());
  Run({"xdotool", "key", "Escape"});
  ASSERT_TRUE(Pump([&] { return state_.changePinDialog == nullptr; }));
  EXPECT_EQ(GrabStackTop(&state_.sdk), nullptr);

  ChooseChangePinInTheRootMenu();
  ASSERT_TRUE(ChangePinDialogUp());
  for (const char* left : {"2", "1"}) {
    TypePins({"9999", "4321", "4321"});
    const std::string said = Answered("QXW3523");
    EXPECT_NE(said.find("Tries left"), std::string::npos) << said;
    EXPECT_EQ(said.substr(said.size() - 1), left) << said;
    ASSERT_TRUE(ChangePinDialogUp());
  }
  TypePins({"1234", "4321", "4321"});
  EXPECT_EQ(Answered("QXW3520"), CatalogText(TextPINChanged));
  EXPECT_EQ(state_.changePinDialog, nullptr);
  // The card takes the new PIN and no longer the old one.
  uint8_t sw1 = 0, sw2 = 0;
  int32_t result = -1;
  EXPECT_EQ(kSmartCardDone, SmartCardVerifyPIN(state_.card, reinterpret_cast<const uint8_t*>("1234"), 4, 1, &sw1,
                                               &sw2, &result));
  EXPECT_NE(result, 0);
  EXPECT_EQ(kSmartCardDone, SmartCardVerifyPIN(state_.card, reinterpret_cast<const uint8_t*>("4321"), 4, 1, &sw1,
                                               &sw2, &result));
  EXPECT_EQ(result, 0);

  // Three wrong old PINs: the third blocks the card and ends the dialog.
  ChooseChangePinInTheRootMenu();
  ASSERT_TRUE(ChangePinDialogUp());
  for (int i = 0; i < 2; ++i) {
    TypePins({"0000", "5555", "5555"});
    EXPECT_NE(Answered("QXW3523").find("Tries left"), std::string::npos) << i;
    ASSERT_TRUE(ChangePinDialogUp());
  }
  TypePins({"0000", "5555", "5555"});
  EXPECT_EQ(Answered("QXW3524"), CatalogText(TextPINBlocked));
  EXPECT_EQ(state_.changePinDialog, nullptr);
  EXPECT_EQ(GrabStackTop(&state_.sdk), nullptr);
  // The desktop program that comes now finds the PIN blocked too.
  ASSERT_EQ(QXServiceOpen("teldra", &client_), 0);
  EXPECT_EQ(Request(Pins('V', "4321", "1234")), Answer('V', 0));
  EXPECT_EQ(Request(Pins('U', "87654321", "1234")), Answer('U', 1));
  EXPECT_EQ(Request(Pins('V', "1234", "4321")), Answer('V', 1));
}

// With the session's key loaded the card check verifies the PIN and reads
// the card's record; a record without the presence flag (the log-in card's)
// may be erased and a new one written, signed with the key, which the next
// check verifies; a verified record is neither erased nor overwritten.
TEST_F(CardServiceTest, TheCardCheckReadsErasesAndWritesTheSignedRecord) {
  LogInWithCard();
  const Bytes bundle = KeyBundle();
  ASSERT_EQ(1, CardVerifierLoadKeys(state_.cardVerifier, bundle.data(), bundle.size()));
  enum { Done = 0x01, KeyPresent = 0x02, PinRead = 0x04, Verified = 0x08, Blank = 0x10 };
  EXPECT_EQ(Request({'Q'}), Answer('Q', Done | KeyPresent)) << "no PIN: nothing more is checked";
  EXPECT_EQ(Request({'Q', '1', '2', '3', '4'}), Answer('Q', Done | KeyPresent | PinRead));
  // The stored record is the one on the card.
  const Bytes stored = Request({'L'});
  ASSERT_GT(stored.size(), 5u);
  EXPECT_EQ(Bytes(stored.begin(), stored.begin() + 5), Answer('L', 1));
  const Bytes onCard = sim_->file(0x21);
  ASSERT_GE(onCard.size(), stored.size() - 5);
  EXPECT_TRUE(std::equal(stored.begin() + 5, stored.end(), onCard.begin()));
  // A wrong PIN: the check verifies nothing.
  EXPECT_EQ(Request({'Q', '9', '9', '9', '9'}), Answer('Q', KeyPresent));

  EXPECT_EQ(Request({'E'}), Answer('E', 1));
  EXPECT_EQ(Request({'Q', '1', '2', '3', '4'}), Answer('Q', Done | KeyPresent | PinRead | Blank));
  Bytes attributes;
  Put(&attributes, 26, Str("someone.else"));
  Put(&attributes, 0x10001, Long(1));
  Bytes write = {'B'};
  write.insert(write.end(), attributes.begin(), attributes.end());
  EXPECT_EQ(Request(write), (Bytes{'B', 1}));
  EXPECT_EQ(Request({'Q', '1', '2', '3', '4'}), Answer('Q', Done | KeyPresent | PinRead | Verified));
  // The new record decodes under the site's root with what was written.
  const Bytes fresh = Request({'L'});
  ASSERT_GT(fresh.size(), 5u);
  CardRecord* record = CardRecordDecode(state_.cardVerifier, fresh.data() + 5, fresh.size() - 5);
  ASSERT_NE(record, nullptr);
  ASSERT_NE(CardRecordGetValue(record, 100), nullptr);
  EXPECT_STREQ(CardRecordGetValue(record, 100), "someone.else");
  CardRecordFree(record);
  EXPECT_EQ(Request({'E'}), Answer('E', 0));
  EXPECT_EQ(Request(write), (Bytes{'B', 0}));
  EXPECT_EQ(Request({'Q', '1', '2', '3', '4'}), Answer('Q', Done | KeyPresent | PinRead | Verified)) << "kept";
}

}  // namespace
