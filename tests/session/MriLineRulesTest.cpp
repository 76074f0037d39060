// What each resource-file line becomes in each helper mode.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "session/MriLineRules.h"
#include "base/LogMsg.h"
#include "tests/support/LogCapture.h"

namespace {

using Lines = std::vector<std::string>;

TEST(MriLineRulesTest, FileNamesSelectHelperModes) {
  struct Case {
    const char* name;
    int mode;
    const char* read;
  };
  const Case cases[] = {
      {"K7_2Resc", HelperModeNone, "K7_2Resc"},   {"K7_2KeyP", HelperModeKeyP, "K7_2KeyM"},
      {"K7_2KeyM", HelperModeKeyM, "K7_2KeyM"},   {"K7_2KPEd", HelperModeKPEd, "K7_2KeyM"},
      {"K7_2KeyPx", HelperModeNone, "K7_2KeyPx"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(HelperModeOfFileName(c.name), c.mode);
    EXPECT_STREQ(MriFileToRead(c.name), c.read);
  }
}

TEST(MriLineRulesTest, LinesInEachMode) {
  struct Case {
    const char* what;
    int mode;
    std::string line;
    Lines expected;
  };
  const std::vector<Case> cases = {
      {"plain line kept", 0, "QW5250*menu.labelString: Datei", {"QW5250*menu.labelString: Datei"}},
      {"comment", 0, "! QW5250*x: y", {}},
      {"empty", 0, "", {}},
      {"blanks only", 0, " \t ", {}},
      {"other emulator dropped", 0, "ZE3270*x: y", {}},
      {"compared on the class length", 0, "Hirtavenx*x: y", {}},
      {"Jostrel dropped", 3, "Jostrel.title: t", {}},
      {"Drevask renamed", 0, "Drevask*title: T", {"Zolvenar*title: T"}},
      {"QW9999 renamed", 0, "QW9999*title: T", {"QW5250*title: T"}},
      {"action label, mode 0",
       0,
       "Brimvault*actionDef.labelString: Define",
       {"Vosmerk*actionHelp.labelString: Define", "Brimvault*actionDef.labelString: Define"}},
      {"action label, mode 3",
       3,
       "Brimvault*actionDef.labelString:\tDefine",
       {"Trosvel*actionHelp.labelString:\tDefine", "Trosvel*actionDef.labelString:\tDefine"}},
      {"action label, mode 4",
       4,
       "Brimvault*actionDef.labelString : D",
       {"Ombrath*actionHelp.labelString: D", "Ombrath*actionDef.labelString : D"}},
      {"action label, mode 10",
       10,
       "Brimvault*actionDef.labelString:Def",
       {"Vosmerk*actionHelp.labelString:Def", "Vosmerk*actionDef.labelString:Def"}},
      // Exactly the 31-character name: no value, no second line, no overrun.
      {"bare 31-character name", 0, "Brimvault*actionDef.labelString", {}},
      {"longer name sharing the prefix",
       0,
       "Brimvault*actionDef.labelStringX: v",
       {"Brimvault*actionDef.labelStringX: v"}},
      {"no-printers message copied",
       0,
       "QW5250*ErrorMsgNoPrinters: Kein Drucker",
       {"Trosvel*ErrorMsgNoPrinters: Kein Drucker", "Ombrath*ErrorMsgNoPrinters: Kein Drucker",
        "Vosmerk*ErrorMsgNoPrinters: Kein Drucker", "HelpView*ErrorMsgNoPrinters: Kein Drucker",
        "QW5250*ErrorMsgNoPrinters: Kein Drucker"}},
      {"no-printers with empty text",
       0,
       "QW5250*ErrorMsgNoPrinters:",
       {"Trosvel*ErrorMsgNoPrinters:", "Ombrath*ErrorMsgNoPrinters:", "Vosmerk*ErrorMsgNoPrinters:",
        "HelpView*ErrorMsgNoPrinters:", "QW5250*ErrorMsgNoPrinters:"}},
      {"mode 3 drops Ombrath", 3, "Ombrath*x: y", {}},
      {"mode 3 drops Vosmerk", 3, "Vosmerk*x: y", {}},
      {"mode 3 keeps Trosvel", 3, "Trosvel*x: y", {"Trosvel*x: y"}},
      {"mode 3 takes Gulmaren", 3, "Gulmaren*x: y", {"Trosvel*x: y"}},
      {"mode 3 takes Sarvoket", 3, "Sarvoket.x: y", {"Trosvel.x: y"}},
      {"mode 4 drops Trosvel", 4, "Trosvel*x: y", {}},
      {"mode 4 takes Sarvoket", 4, "Sarvoket*x: y", {"Ombrath*x: y"}},
      {"mode 10 drops Ombrath", 10, "Ombrath*x: y", {}},
      {"mode 10 keeps Gulmaren", 10, "Gulmaren*x: y", {"Gulmaren*x: y"}},
      {"mode 0 keeps every helper class", 0, "Trosvel*x: y", {"Trosvel*x: y"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(HandleResourceLine(c.line, c.mode), c.expected);
  }
}

TEST(MriLineRulesTest, UnusableLinesAreLoggedAndDropped) {
  struct Case {
    const char* what;
    std::string line;
  };
  const std::vector<Case> cases = {
      {"missing colon", "QW5250*title Datei"},
      {"no name", ": value"},
      {"NUL byte", std::string("QW5250*title: a\0b", 17)},
      {"binary junk", std::string("\x01\xff\xfe\x80 junk", 9)},
      // The resource parser would read (and publish) the named file.
      {"include directive", "#include \"/etc/passwd\""},
      {"other directive", "#define X: 1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    qwtest::LogCapture log;
    EXPECT_TRUE(HandleResourceLine(c.line, 0, 7).empty());
    EXPECT_TRUE(log.Contains("line 7")) << (log.Lines().empty() ? "" : log.Lines()[0]);
  }
}

TEST(MriLineRulesTest, NoPrinterCopiesAreLoggedWithDebug) {
  SetDebugFlag(true);
  qwtest::LogCapture log;
  HandleResourceLine("QW5250*ErrorMsgNoPrinters: none", 0);
  SetDebugFlag(false);
  EXPECT_EQ(log.Count("found resource QW5250*ErrorMsgNoPrinters: none."), 1);
  EXPECT_EQ(log.Count("duplicating as "), 4);
  EXPECT_TRUE(log.Contains("duplicating as HelpView*ErrorMsgNoPrinters: none."));
}

}  // namespace
