// A traced sign-on: the operator types a user name and a password into the
// non-display field of the host's sign-on screen and presses Enter. The
// host gets both; the trace dumps (Telnet bytes and records) show the user
// name but neither the password nor what the host wrote into a non-display
// field.
#include <gtest/gtest.h>  // before Xlib, whose None and Bool macros clash with it

#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "tests/support/LogCapture.h"
#include "tests/support/TestHost5250.h"
#include "tests/support/XKeys.h"
#include "tests/xpaint/PaintSession.h"
#include "xfront/XStuff.h"

namespace {

using namespace paint_test;
using Bytes = std::vector<uint8_t>;

// Every byte of the trace dumps, in the order logged: the hexadecimal part
// of each dump line ("[ TRACE ]: ", "%08X" offset, four spaces, bytes in
// groups of four, " |text|").
Bytes DumpedBytes(const std::vector<std::string>& lines) {
  Bytes all;
  for (const std::string& logged : lines) {
    const size_t level = logged.find("]: ");
    if (logged.rfind("[ ", 0) != 0 || level == std::string::npos) continue;
    const std::string line = logged.substr(level + 3);
    const auto hexDigit = [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; };
    if (line.size() < 12 || line.compare(8, 4, "    ") != 0 || !std::all_of(line.begin(), line.begin() + 8, hexDigit))
      continue;
    const size_t bar = line.find(" |", 12);
    std::string hex;
    for (size_t i = 12; i < bar && i < line.size(); ++i)
      if (line[i] != ' ') hex += line[i];
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
      all.push_back(static_cast<uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  }
  return all;
}

bool Holds(const Bytes& haystack, const Bytes& needle) {
  return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end()) != haystack.end();
}

Bytes Record(const Bytes& body) {
  Bytes record = {static_cast<uint8_t>((body.size() + 10) >> 8), static_cast<uint8_t>(body.size() + 10),
                  0x12, 0xA0, 0, 0, 0x04, 0, 0x40, 0x03};
  record.insert(record.end(), body.begin(), body.end());
  return record;
}

TEST(SignOnTrace, ThePasswordOfTheNonDisplayFieldStaysOutOfTheTrace) {
  if (!Toolkit(24)) QW_RUN_IN_OWN_PROCESS(ToolkitText());
  AppResourceStruct saved = AppResources();
  AppResources().MAX_SESSIONS = 99;
  qwtest::TestHost5250 host;
  ASSERT_TRUE(host.Start());
  SessionControlBlock* block = NewSession(host.Port());
  ASSERT_NE(block, nullptr);
  block->trace = 1;
  ASSERT_TRUE(host.WaitNegotiated(kWaitMs, [] { Pump(); }));
  Widget drawing = block->xstuff.x_get_text_widget();
  ASSERT_TRUE(RunUntil([&] { return block->xstuff.mapped() && XtIsRealized(drawing); }));

  qwtest::LogCapture log;
  // User at row 6, password (attribute 0x27: non-display) at row 7, both
  // from column 53, and at row 8 a non-display field the host fills in; the
  // cursor in the user field; a read of modified fields.
  const Bytes hostSecret = {0xA7, 0xA6, 0x99, 0xA5, 0xA3};  // "xwrvt"
  Bytes screen = {0x04, 0x40,                                      // clear unit
                  0x04, 0x11, 0x00, 0x08,                          // write to display
                  0x11, 6, 52, 0x1D, 0x40, 0x00, 0x24, 0x00, 10,   // user field
                  0x11, 7, 52, 0x1D, 0x40, 0x00, 0x27, 0x00, 10,   // password field
                  0x11, 8, 52, 0x1D, 0x40, 0x00, 0x27, 0x00, 10};  // hidden field and its data
  screen.insert(screen.end(), hostSecret.begin(), hostSecret.end());
  screen.insert(screen.end(), {0x13, 6, 53,                        // insert cursor
                               0x04, 0x52, 0x00, 0x00});           // read MDT fields
  host.SendRecord(Record(screen));
  ASSERT_TRUE(host.Barrier(kWaitMs, [] { Pump(); }));

  Display* test = XOpenDisplay(DisplayString(ToolkitDisplay()));
  ASSERT_NE(test, nullptr);
  XSetInputFocus(test, XtWindow(drawing), RevertToParent, CurrentTime);
  XSync(test, False);
  ASSERT_TRUE(RunUntil([&] { return block->xstuff.hasFocus(); }));
  ASSERT_TRUE(qwtest::TypeText(test, "quser"));
  ASSERT_TRUE(qwtest::PressKey(test, XK_Tab));
  ASSERT_TRUE(qwtest::TypeText(test, "zqxjk"));
  ASSERT_TRUE(qwtest::PressKey(test, XK_Return));
  XSync(test, False);
  Bytes inbound;
  ASSERT_TRUE(host.WaitForRecord(kWaitMs, [] { Pump(); }, &inbound));
  XCloseDisplay(test);

  const Bytes user = {0x98, 0xA4, 0xA2, 0x85, 0x99};      // "quser"
  const Bytes password = {0xA9, 0x98, 0xA7, 0x91, 0x92};  // "zqxjk"
  // The host has both fields.
  Bytes fields = {0x11, 6, 53};
  fields.insert(fields.end(), user.begin(), user.end());
  fields.insert(fields.end(), {0x11, 7, 53});
  fields.insert(fields.end(), password.begin(), password.end());
  ASSERT_GE(inbound.size(), 13u);
  EXPECT_EQ(Bytes(inbound.begin() + 13, inbound.end()), fields);

  // The trace shows the record with the user name, and the password masked.
  const Bytes dumped = DumpedBytes(log.Lines());
  EXPECT_TRUE(Holds(dumped, user));
  EXPECT_FALSE(Holds(dumped, password));
  EXPECT_FALSE(Holds(dumped, hostSecret));
  EXPECT_TRUE(Holds(dumped, Bytes{0x27, 0x00, 10, 0x5C, 0x5C, 0x5C, 0x5C, 0x5C, 0x13}));
  EXPECT_TRUE(Holds(dumped, Bytes{0x11, 7, 53, 0x5C, 0x5C, 0x5C, 0x5C, 0x5C}));
  EXPECT_TRUE(log.Contains("Sent record data"));

  EndSessions(1);
  Pump(20);
  AppResources() = saved;
}

}  // namespace
