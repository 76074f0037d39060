#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "session/RegistryFacts.h"
#include "tests/support/TempDir.h"

namespace {

struct Store {
  const char* termids;  // null: no object
  const char* dhcp;
  const char* nvram;
  const char* unique;
};

struct Expect {
  const char* mac;  // null: unknown
  int tokenRing;
  int keyboard;
  const char* lang;
  char lockMode;
  const char* logged;  // a text the log must hold, or null
};

struct Case {
  const char* what;
  Store store;
  Expect expect;
};

const Case kCases[] = {
    // No registry is the normal case off the terminal: said, with the
    // default, at the informational level only.
    {"empty store", {nullptr, nullptr, nullptr, nullptr},
     {nullptr, 0, 0, "en_US", 'C', "[ INFORMATIONAL ]: QWC0187: No registry objects /boot/nvram and /boot/unique: the keyboard is taken as English 102."}},
    {"no /boot/termids", {nullptr, "network-type = Ethernet\n", "", "keyboard-id = 0\n"},
     {nullptr, 0, 0, "en_US", 'C', "[ INFORMATIONAL ]: QWC0185: No registry object /boot/termids"}},
    {"no /boot/dhcp", {"termid_mac_upper = 0004AC123456\n", nullptr, "", "keyboard-id = 0\n"},
     {"0004AC123456", 0, 0, "en_US", 'C', "[ INFORMATIONAL ]: QWC0186: No registry object /boot/dhcp: the adapter type is taken as Ethernet."}},
    {"/boot/unique missing beside /boot/nvram is wrong",
     {nullptr, nullptr, "xserver-keyboard-type = 3\n", nullptr},
     {nullptr, 0, 0, "en_US", 'C', "[ ERROR ]: QWC0187: Could not get registry object /boot/unique (status = 2)"}},
    {"all facts",
     {"termid_mac_upper = 0004AC123456\n", "network-type = Ethernet\n", "xserver-keyboard-type = 3\n",
      "keyboard-id = 4\n"},
     {"0004AC123456", 0, 4, "de_DE", 'S', nullptr}},
    {"13-character MAC is cut to 12",
     {"termid_mac_upper = 0004AC1234567\n", "network-type = TokenRing16\n", nullptr, "keyboard-id = 9\n"},
     {"0004AC123456", 1, 9, "en_GB", 'C', "QWC0187: Could not get registry object /boot/nvram"}},
    {"11-character MAC is not kept",
     {"termid_mac_upper = 0004AC12345\n", "", "", "keyboard-id = 0\n"},
     {nullptr, 0, 0, "en_US", 'C', "QWC0188: MAC Address, 0004AC12345, not long enough. only 11 digits long."}},
    {"missing values",
     {"", "", "", ""},
     {nullptr, 0, 0, "en_US", 'C', "QWC0190: Keyboard ID not determined. keyboard-id value not found in /boot/unique registry object."}},
    {"5250 keyboard: shift lock, no locale of its own",
     {nullptr, nullptr, "", "keyboard-id = 122\n"},
     {nullptr, 0, 122, "en_US", 'S', "getLangOfKeyboard(): Keyboard ID of 122 not recognized. Assume US English locale."}},
    {"nvram 129 overrides the keyboard",
     {nullptr, nullptr, "xserver-keyboard-type = 129\n", "keyboard-id = 0\n"},
     {nullptr, 0, 129, "de_DE", 'C', nullptr}},
    {"unnamed keyboard id",
     {nullptr, nullptr, nullptr, "keyboard-id = 48\n"},
     {nullptr, 0, 0, "en_US", 'C', "QWC0190: Keyboard ID of 48 not recognized. Set to 0 (English 102)."}},
    {"keyboard id out of range",
     {nullptr, nullptr, nullptr, "keyboard-id = 4294967300\n"},
     {nullptr, 0, 0, "en_US", 'C', "not recognized. Set to 0 (English 102)."}},
    {"shift-lock keyboard 44", {nullptr, nullptr, nullptr, "keyboard-id = 44\n"},
     {nullptr, 0, 44, "fr_BE", 'S', nullptr}},
};

TEST(RegistryFacts, TableOfStores) {
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.what);
    qwtest::TempDir dir;
    if (c.store.termids) dir.WriteFile("boot/termids", c.store.termids);
    if (c.store.dhcp) dir.WriteFile("boot/dhcp", c.store.dhcp);
    if (c.store.nvram) dir.WriteFile("boot/nvram", c.store.nvram);
    if (c.store.unique) dir.WriteFile("boot/unique", c.store.unique);
    setenv("QX_REGISTRY_DIR", dir.Path().c_str(), 1);
    testing::internal::CaptureStdout();
    EXPECT_EQ(GetRegistryInformation(), 0);
    const char* lang = getLangOfKeyboard();
    std::string log = testing::internal::GetCapturedStdout();
    if (c.expect.mac)
      EXPECT_STREQ(GetMACAddress(), c.expect.mac);
    else
      EXPECT_EQ(GetMACAddress(), nullptr);
    EXPECT_EQ(running_on_tokenring(), c.expect.tokenRing);
    EXPECT_EQ(running_on_ethernet(), 1 - c.expect.tokenRing);
    EXPECT_EQ(running_on_twinax(), 0);
    EXPECT_EQ(WhichKeyboard(), c.expect.keyboard);
    EXPECT_STREQ(lang, c.expect.lang);
    EXPECT_EQ(LockKeyMode(), c.expect.lockMode);
    if (c.expect.logged) EXPECT_NE(log.find(c.expect.logged), std::string::npos) << log;
    if (std::string(c.what) == "empty store") EXPECT_EQ(log.find("[ ERROR ]"), std::string::npos) << log;
    unsetenv("QX_REGISTRY_DIR");
  }
}

TEST(RegistryFacts, KeyboardTable) {
  struct {
    int id;
    const char* name;
    int is5250;
    char lock;
  } rows[] = {
      {0, "English 102", 0, 'C'},    {4, "German 102", 0, 'S'},     {5, "French 102", 0, 'S'},
      {6, "Belgian 102", 0, 'S'},    {44, "Belgian Ch Sab 102", 0, 'S'},
      {112, "US ISO 101", 0, 'C'},   {113, "English US 5250", 1, 'C'},
      {123, "CanadianF 5250", 1, 'C'}, {124, nullptr, 0, 'C'},    {148, nullptr, 0, 'C'},
      {171, "Catalan Spain 102", 0, 'C'}, {172, nullptr, 0, 'C'},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.id);
    if (r.name)
      EXPECT_STREQ(KeyboardName(r.id), r.name);
    else
      EXPECT_EQ(KeyboardName(r.id), nullptr);
    EXPECT_EQ(is5250Keyboard(r.id), r.is5250);
    EXPECT_EQ(LockKeyModeOfKeyboard(r.id), r.lock);
  }
}

}  // namespace
