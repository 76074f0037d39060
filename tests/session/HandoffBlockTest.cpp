// The hand-off block between a later start and the master: what the master
// reads back from what a start wrote, and from blocks another process wrote
// badly (unterminated strings, a keypad list whose length lies).
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "session/HandoffBlock.h"
#include "session/StartOptions.h"

namespace {

using Block = unsigned char[kHandoffBlockSize];

// A command-line keypad list of these names.
std::vector<unsigned char> KeypadList(const std::vector<std::string>& names) {
  std::vector<unsigned char> list = {0, 0, static_cast<unsigned char>(names.size())};
  for (const std::string& n : names) {
    list.insert(list.end(), n.begin(), n.end());
    list.push_back(0);
  }
  list[0] = static_cast<unsigned char>(list.size() >> 8);
  list[1] = static_cast<unsigned char>(list.size() & 0xFF);
  return list;
}

SessionStartOptions RoundTrip(const SessionStartOptions& in) {
  Block block;
  EncodeHandoffBlock(in, block);
  EXPECT_EQ(block[kHandoffAckOffset], 0);
  SessionStartOptions out;
  DecodeHandoffBlock(block, out);
  return out;
}

TEST(HandoffBlockTest, EveryOptionArrivesAsTheStartGaveIt) {
  SessionStartOptions in;
  in.hostName = "as400.example";
  in.title = "Payroll";
  in.sessionId = "PAY";
  in.sslValue = "__NO_SSL_STRING";
  in.port = 2323;
  in.wideOption = 1;
  in.imageOption = 2;
  in.largestImage = 250000;
  in.displayName = "DSP01";
  in.terminalName = "IBM-3477-FC";
  in.DisplayNameSoftRequirementOption = 2;
  in.languageId = "DEU";
  in.playbackFile = "/tmp/play";
  in.PDTOption = 1;
  in.TitleOption = 5;
  in.trace = 1;
  in.startupPlayback = 0;
  in.keyFile = "/tmp/keys";
  in.iconic = 1;
  in.EuroOption = 2;
  in.forceTranslatedFont = 1;
  in.thaiDisplayMode = 3;
  in.retryCount = 9999;
  in.retryInterval = 12;
  in.inactivityTimeout = 99999;
  in.CopyPasteOption = 3;
  in.ECLOption = 2;
  in.FontSizesOption = 7;
  in.initialKeypads = KeypadList({"pad1", "numbers"});
  std::strcpy(in.geometry.geometryString, "80x24+10-20");
  in.geometry.xGiven = 1;
  in.geometry.x = 10;
  in.geometry.y = -20;
  in.geometry.width = 80;

  const SessionStartOptions out = RoundTrip(in);
  EXPECT_EQ(out.hostName, in.hostName);
  EXPECT_EQ(out.title, in.title);
  EXPECT_EQ(out.sessionId, in.sessionId);
  EXPECT_EQ(out.sslValue, in.sslValue);
  EXPECT_EQ(out.port, in.port);
  EXPECT_EQ(out.wideOption, in.wideOption);
  EXPECT_EQ(out.imageOption, in.imageOption);
  EXPECT_EQ(out.largestImage, in.largestImage);
  EXPECT_EQ(out.displayName, in.displayName);
  EXPECT_EQ(out.terminalName, in.terminalName);
  EXPECT_EQ(out.DisplayNameSoftRequirementOption, in.DisplayNameSoftRequirementOption);
  EXPECT_EQ(out.languageId, in.languageId);
  EXPECT_EQ(out.playbackFile, in.playbackFile);
  EXPECT_EQ(out.PDTOption, in.PDTOption);
  EXPECT_EQ(out.TitleOption, in.TitleOption);
  EXPECT_EQ(out.trace, in.trace);
  EXPECT_EQ(out.startupPlayback, in.startupPlayback);
  EXPECT_EQ(out.keyFile, in.keyFile);
  EXPECT_EQ(out.iconic, in.iconic);
  EXPECT_EQ(out.EuroOption, in.EuroOption);
  EXPECT_EQ(out.forceTranslatedFont, in.forceTranslatedFont);
  EXPECT_EQ(out.thaiDisplayMode, in.thaiDisplayMode);
  EXPECT_EQ(out.retryCount, in.retryCount);
  EXPECT_EQ(out.retryInterval, in.retryInterval);
  EXPECT_EQ(out.inactivityTimeout, in.inactivityTimeout);
  EXPECT_EQ(out.CopyPasteOption, in.CopyPasteOption);
  EXPECT_EQ(out.ECLOption, in.ECLOption);
  EXPECT_EQ(out.FontSizesOption, in.FontSizesOption);
  EXPECT_EQ(out.initialKeypads, in.initialKeypads);
  EXPECT_EQ(std::memcmp(&out.geometry, &in.geometry, sizeof in.geometry), 0);
}

TEST(HandoffBlockTest, StringsAreCutToTheirFields) {
  struct Case {
    std::string SessionStartOptions::*field;
    size_t longest;
  };
  const Case cases[] = {
      {&SessionStartOptions::hostName, 100},     {&SessionStartOptions::title, 100},
      {&SessionStartOptions::sessionId, 20},     {&SessionStartOptions::sslValue, 100},
      {&SessionStartOptions::displayName, 100},  {&SessionStartOptions::terminalName, 100},
      {&SessionStartOptions::playbackFile, 100}, {&SessionStartOptions::keyFile, 100},
      {&SessionStartOptions::languageId, 3},
  };
  for (const Case& c : cases) {
    SessionStartOptions in;
    in.*c.field = std::string(150, 'h');
    in.port = 4242;  // the neighbours stay intact
    const SessionStartOptions out = RoundTrip(in);
    EXPECT_EQ(out.*c.field, std::string(c.longest, 'h'));
    EXPECT_EQ(out.port, 4242);
  }
  SessionStartOptions nil;
  nil.languageId = "NIL";
  EXPECT_EQ(RoundTrip(nil).languageId, "NIL");
  EXPECT_TRUE(RoundTrip(SessionStartOptions()).title.empty());
}

TEST(HandoffBlockTest, KeypadListLongerThanItsFieldKeepsTheNamesThatFit) {
  SessionStartOptions in;
  std::vector<std::string> names;
  for (int i = 0; i < 10; ++i) names.push_back(std::string(80, static_cast<char>('a' + i)));
  in.initialKeypads = KeypadList(names);  // 3 + 10 * 81 bytes
  std::strcpy(in.geometry.geometryString, "+1+2");
  const SessionStartOptions out = RoundTrip(in);
  // Six names of 81 bytes fit in 501 with the 3-byte header.
  EXPECT_EQ(out.initialKeypads, KeypadList({names.begin(), names.begin() + 6}));
  EXPECT_STREQ(out.geometry.geometryString, "+1+2");
}

TEST(HandoffBlockTest, BadBlocksAreReadWithinTheirFields) {
  Block block;
  EncodeHandoffBlock(SessionStartOptions(), block);
  std::memset(block + 1, 'x', 101);          // host without a terminator
  std::memset(block + 1306, 'g', 25);        // geometry string without one
  block[804] = 1;                            // a keypad list ...
  const std::vector<std::vector<unsigned char>> lists = {
      {0xFF, 0xFF, 1, 'a', 0},                // ... longer than its field
      {0, 8, 1, 'a', 'b', 'c', 'd', 'e'},     // ... whose name runs to the end
      {0, 5, 2, 'a', 0},                      // ... with fewer names than counted
      {0, 5, 0, 'a', 0},                      // ... with no names
      {0, 2, 0},                              // ... shorter than its header
  };
  for (const auto& list : lists) {
    std::memset(block + 805, 'k', 501);
    std::memcpy(block + 805, list.data(), list.size());
    SessionStartOptions out;
    DecodeHandoffBlock(block, out);
    EXPECT_EQ(out.hostName, std::string(100, 'x'));
    EXPECT_TRUE(out.initialKeypads.empty());
    EXPECT_EQ(std::strlen(out.geometry.geometryString), 24u);
  }
}

}  // namespace
