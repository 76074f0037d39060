// Screen Print of a session window, end to end: a session under a private
// X server shows a screen from the loopback host; Screen Print from its
// menu and Print in the dialog put a job into the printer's file through
// the print program and a private CUPS scheduler; the job's text is the
// screen's. No shared segment is left, also when the print program cannot
// be started (a box then says why), and the last printer and settings are kept for the next time.
#include <gtest/gtest.h>  // before Xlib, whose None and Bool macros clash with it

#include <Xm/List.h>
#include <Xm/MessageB.h>
#include <Xm/Xm.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "PrintSessionFixture.h"
#include "PrivateCups.h"
#include "print/LocalPrintConfig.h"
#include "print/PrintHandoff.h"
#include "session/AppResources.h"
#include "session/ErrorDialogs.h"
#include "session/SessionControlBlock.h"
#include "tests/datastream/RecordGlueFixtures.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/FreePort.h"
#include "tests/support/LogCapture.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/SessionToolkit.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestHost5250.h"
#include "xfront/LocalPrint.h"
#include "xfront/XStuff.h"

namespace {

using namespace glue_test;
using namespace qwtest::session_toolkit;

Bytes Sba(int row, int column) { return B({0x11, row, column}); }
Bytes InputField(int attribute, int length) { return B({0x1D, 0x40, 0x00, attribute, length >> 8, length & 0xFF}); }

Bytes Screen() {
  return Cat({B({0x04, 0x40}), B({0x04, 0x11, 0x00, 0x08}), Sba(1, 35), B({0x22}), Ebcdic("Sign On"), B({0x20}),
              Sba(3, 2), B({0x20}), Ebcdic("System  . . . . :"), B({0x22}), Ebcdic("QWHOST01"), B({0x20}),
              Sba(6, 17), B({0x20}), Ebcdic("User  . . . . . . . . ."), Sba(6, 52), InputField(0x24, 10),
              Sba(7, 17), B({0x20}), Ebcdic("Password  . . . . . . ."), Sba(7, 52), InputField(0x27, 10),
              Ebcdic("SECRET"), Sba(24, 2), B({0x22}), Ebcdic("(C) COPYRIGHT QW5250 TEST HOST"), B({0x20}),
              B({0x13, 6, 53})});
}

std::string RightTrimmed(std::string s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\r' || s.back() == '\f')) s.pop_back();
  return s;
}

// Keys of the shared segments in the system.
std::vector<long> SegmentKeys() {
  qwtest::ChildProcess ipcs;
  std::vector<long> keys;
  if (!ipcs.Start({"ipcs", "-m"}, qwtest::ChildProcess::BaseEnvironment()) || !ipcs.WaitExit(10000)) return keys;
  ipcs.Pump();
  std::istringstream in(ipcs.Stdout());
  for (std::string line; std::getline(in, line);)
    if (line.rfind("0x", 0) == 0) keys.push_back(std::stol(line.substr(0, line.find(' ')), nullptr, 16));
  return keys;
}

// The segment of the last print is left behind. (Only its own key: test
// programs running beside this one print with keys near it.)
bool PrintSegmentLeft(const LocalPrint* print) {
  const long key = print->lastKey();
  EXPECT_GE(key, kPrintKeyBase) << "the print made a segment";
  for (long k : SegmentKeys())
    if (k == key) return true;
  return false;
}

class ScreenPrintSessionTest : public printtest::PrintSessionFixture {
 protected:
  static void SetUpTestSuite() {
    StartToolkitAndCups({{"proof", "QW proof PostScript printer", "Proofs", false},
                         {"screen", "QW screen printer", "Screen printer", true}});
  }

  void SetUp() override {
    StartSession();
    if (HasFatalFailure()) return;
    host_.SendRecord(Record(0x03, Screen(), 0, 0x40));
    ASSERT_TRUE(host_.Barrier(kWaitMs, HostPump()));
    ASSERT_TRUE(RunUntil([&] { return !block_->xstuff.repaintPending(); }));
  }

  // Screen Print from the menu, then Print in the dialog.
  void PrintFromTheMenu() {
    OpenTheDialog();
    Press("*startBtn");
    LocalPrint* print = block_->xstuff.localPrint();
    EXPECT_EQ(print->dialog(), nullptr);
    EXPECT_EQ(print->dialogState(), 0);
  }
  void Press(const char* name) {
    LocalPrint* print = block_->xstuff.localPrint();
    ASSERT_NE(print->dialog(), nullptr);
    Widget button = XtNameToWidget(print->dialog(), name);
    ASSERT_NE(button, nullptr) << name;
    XmAnyCallbackStruct cbs = {};
    cbs.reason = XmCR_ACTIVATE;
    XtCallCallbacks(button, XmNactivateCallback, &cbs);
  }
  void OpenTheDialog() {
    Widget item = XtNameToWidget(block_->xstuff.shell(), "*localButton");
    ASSERT_NE(item, nullptr);
    XmAnyCallbackStruct cbs = {};
    cbs.reason = XmCR_ACTIVATE;
    XtCallCallbacks(item, XmNactivateCallback, &cbs);
    LocalPrint* print = block_->xstuff.localPrint();
    ASSERT_NE(print, nullptr);
    ASSERT_NE(print->dialog(), nullptr);
    ASSERT_EQ(print->dialogState(), 1);
    ASSERT_TRUE(RunUntil([&] { return XtIsRealized(print->dialog()) && XtIsManaged(print->dialog()); }));
  }

  // The rows of the session's screen as the window shows them.
  std::vector<std::string> ScreenRows() const {
    std::vector<std::string> rows;
    const unsigned char* chars = block_->xstuff.characterMirror();
    for (int r = 0; r < 24; ++r) {
      std::string row(reinterpret_cast<const char*>(chars) + r * 80, 80);
      for (char& c : row)
        if (c == '\0') c = ' ';  // null positions show blank
      rows.push_back(RightTrimmed(row));
    }
    return rows;
  }

};

TEST_F(ScreenPrintSessionTest, ScreenPrintPutsTheScreenIntoThePrintersFile) {
  const int before = cups_->CompletedJobs("screen");
  PrintFromTheMenu();
  LocalPrint* print = block_->xstuff.localPrint();
  ASSERT_EQ(print->lastResult(), PrintHandoffResult::Started);
  EXPECT_EQ(print->settings().queue, "screen") << "the default printer";
  ASSERT_TRUE(cups_->WaitForCompletedJobs("screen", before + 1)) << cups_->ErrorLog();

  // A plain-text job: the screen's rows, each ended by CR LF, then a form feed.
  const std::string job = printtest::ReadWholeFile(cups_->OutputOf("screen"));
  ASSERT_EQ(job.size(), print->lastJobSize());
  ASSERT_EQ(job.back(), '\f');
  std::vector<std::string> rows;
  std::istringstream in(job.substr(0, job.size() - 1));
  for (std::string line; std::getline(in, line, '\n');) {
    ASSERT_EQ(line.size(), 81u) << "80 columns and the CR";
    rows.push_back(RightTrimmed(line));
  }
  EXPECT_EQ(rows, ScreenRows());
  EXPECT_EQ(rows[0].find("Sign On"), 35u);
  EXPECT_EQ(job.find("SECRET"), std::string::npos) << "a non-display field prints blank";
  EXPECT_FALSE(PrintSegmentLeft(print));

  // The printer and settings are kept for the next print.
  LocalPrintSettings kept;
  ASSERT_TRUE(ReadLocalPrintConfig(home_.Path(), kept));
  EXPECT_EQ(kept.queue, "screen");
  EXPECT_EQ(kept.server, "localhost");
  EXPECT_EQ(kept.printerType, 2);
}

TEST_F(ScreenPrintSessionTest, LastPrinterFromTheConfigurationPrintsPostscript) {
  LocalPrintSettings last;
  last.printerType = 1;
  last.orientation = 2;
  last.queue = "proof";
  last.server = "localhost";
  ASSERT_TRUE(WriteLocalPrintConfig(home_.Path(), last));
  const int before = cups_->CompletedJobs("proof");
  PrintFromTheMenu();
  LocalPrint* print = block_->xstuff.localPrint();
  ASSERT_EQ(print->lastResult(), PrintHandoffResult::Started);
  EXPECT_EQ(print->description(), "Proofs");
  ASSERT_TRUE(cups_->WaitForCompletedJobs("proof", before + 1)) << cups_->ErrorLog();
  const std::string job = printtest::ReadWholeFile(cups_->OutputOf("proof"));
  ASSERT_EQ(job.rfind("%!PS-Adobe\n", 0), 0u);
  EXPECT_NE(job.find("8 scalefont"), std::string::npos) << "landscape, as last time";
  EXPECT_NE(job.find("(" + std::string(35, ' ') + "Sign On"), std::string::npos);
  EXPECT_FALSE(PrintSegmentLeft(print));
}

// Run from inside the selection's modal loop: the user picks `g_choice`.
int g_choice = 0;
bool g_chosen = false;
void ChoosePrinter(XtPointer dialogShell, XtIntervalId*) {
  Widget list = XtNameToWidget(static_cast<Widget>(dialogShell), "*printerList");
  Widget ok = XtNameToWidget(static_cast<Widget>(dialogShell), "*printerSelectOk");
  if (!list || !ok) return;
  XmListSelectPos(list, g_choice, False);
  XtCallCallbacks(ok, XmNactivateCallback, nullptr);
  g_chosen = true;
}

TEST_F(ScreenPrintSessionTest, ChosenPrinterPrintsAndIsKept) {
  OpenTheDialog();
  LocalPrint* print = block_->xstuff.localPrint();
  EXPECT_EQ(print->settings().queue, "screen");
  g_choice = 1;  // "proof"
  g_chosen = false;
  XtAppAddTimeOut(ApplicationContext(), 0, ChoosePrinter, XtParent(print->dialog()));
  Press("*localPrintPrinterSelectButton");
  ASSERT_TRUE(g_chosen);
  EXPECT_EQ(print->currentPrinterIndex(), 1);
  EXPECT_EQ(print->settings().queue, "proof");
  EXPECT_EQ(print->description(), "Proofs");
  // Kept at once.
  LocalPrintSettings kept;
  ASSERT_TRUE(ReadLocalPrintConfig(home_.Path(), kept));
  EXPECT_EQ(kept.queue, "proof");
  EXPECT_EQ(kept.printerType, 1);

  const int before = cups_->CompletedJobs("proof");
  Press("*startBtn");
  ASSERT_EQ(print->lastResult(), PrintHandoffResult::Started);
  ASSERT_TRUE(cups_->WaitForCompletedJobs("proof", before + 1)) << cups_->ErrorLog();
  EXPECT_EQ(printtest::ReadWholeFile(cups_->OutputOf("proof")).rfind("%!PS-Adobe\n", 0), 0u);
}

TEST_F(ScreenPrintSessionTest, PrintScreenNowPrintsWithoutTheDialog) {
  const int before = cups_->CompletedJobs("screen");
  XtCallActionProc(block_->xstuff.x_get_text_widget(), const_cast<char*>("print-screen-now"), nullptr, nullptr, 0);
  LocalPrint* print = block_->xstuff.localPrint();
  ASSERT_NE(print, nullptr);
  EXPECT_EQ(print->dialog(), nullptr);
  EXPECT_EQ(print->dialogState(), 0);
  ASSERT_EQ(print->lastResult(), PrintHandoffResult::Started);
  ASSERT_TRUE(cups_->WaitForCompletedJobs("screen", before + 1)) << cups_->ErrorLog();
  EXPECT_NE(printtest::ReadWholeFile(cups_->OutputOf("screen")).find("QWHOST01"), std::string::npos);
  EXPECT_FALSE(PrintSegmentLeft(print));
  // The menu still shows the dialog.
  PrintFromTheMenu();
}

// The message box of the print that could not start: its text.
std::string MessageOf(Widget box) {
  XmString shown = nullptr;
  XtVaGetValues(box, XmNmessageString, &shown, nullptr);
  if (!shown) return "";
  char* text =
      static_cast<char*>(XmStringUnparse(shown, nullptr, XmCHARSET_TEXT, XmCHARSET_TEXT, nullptr, 0, XmOUTPUT_ALL));
  XmStringFree(shown);
  std::string out = text ? text : "";
  XtFree(text);
  return out;
}

TEST_F(ScreenPrintSessionTest, APrintThatCannotStartSaysWhyAndLeavesNoSegment) {
  struct Case {
    const char* what;
    const char* program;  // what stands beside the program as the print program (null: nothing)
    const char* says;
  } cases[] = {
      {"no print program anywhere", nullptr, "The screen was not printed: the print program \"lurvend\" was not found "
                                             "(looked for in "},
      {"a print program that cannot run", "not a program\n",
       "The screen was not printed: the print program \""},
  };
  qwtest::ScopedEnv noProgram("PATH", "/nonexistent");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    qwtest::TempDir programFolder;
    if (c.program) {
      const std::string path = programFolder.WriteFile("bin/lurvend", c.program);
      ASSERT_EQ(chmod(path.c_str(), 0700), 0);
    }
    OpenTheDialog();
    LocalPrint* print = block_->xstuff.localPrint();
    print->setProgramFolder(programFolder.Path() + "/bin");
    Press("*startBtn");
    EXPECT_EQ(print->lastResult(), PrintHandoffResult::NotStarted);
    // A box tells the user why; no "printing" notice pretends otherwise.
    Widget box = XtNameToWidget(block_->xstuff.shell(), "*printNotStartedDialog");
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(XtIsManaged(box));
    const std::string text = MessageOf(box);
    EXPECT_EQ(text.rfind(c.says, 0), 0u) << text;
    if (c.program) {
      EXPECT_NE(text.find(programFolder.Path() + "/bin/lurvend\" could not be started: Exec format error."),
                std::string::npos)
          << text;
    } else {
      EXPECT_NE(text.find(programFolder.Path() + "/bin, " + programFolder.Path() + "/print or PATH)."),
                std::string::npos)
          << text;
    }
    EXPECT_EQ(text, print->lastError());
    EXPECT_EQ(print->progressNotice(), nullptr);
    XtDestroyWidget(XtParent(box));
    EXPECT_EQ(XtNameToWidget(block_->xstuff.shell(), "*printNotStartedDialog"), nullptr);
    // Not found: no segment was made; not started: the one made is gone.
    if (c.program) EXPECT_FALSE(PrintSegmentLeft(print));
    else EXPECT_EQ(print->lastKey(), 0);
  }
  // The session goes on: a second request opens the dialog again.
  Widget item = XtNameToWidget(block_->xstuff.shell(), "*localButton");
  XtCallCallbacks(item, XmNactivateCallback, nullptr);
  EXPECT_EQ(block_->xstuff.localPrint()->dialogState(), 1);
}

// A printing system that cannot be reached is not "no printer": the log
// names the failed list, a box says the screen was not printed and why,
// and no dialog opens.
TEST_F(ScreenPrintSessionTest, UnreachablePrintingSystemIsSaidSoNotNoPrinter) {
  const int port = qwtest::FreeLoopbackPort();
  ASSERT_NE(port, 0);
  {
    qwtest::ScopedEnv nowhere("CUPS_SERVER", ("127.0.0.1:" + std::to_string(port)).c_str());
    cupsSetServer(nullptr);
    const int dialogs = TheErrorDialogs().getNumberOfActiveDialogs();
    qwtest::LogCapture log;
    Widget item = XtNameToWidget(block_->xstuff.shell(), "*localButton");
    ASSERT_NE(item, nullptr);
    XtCallCallbacks(item, XmNactivateCallback, nullptr);
    LocalPrint* print = block_->xstuff.localPrint();
    ASSERT_NE(print, nullptr);
    EXPECT_EQ(print->dialog(), nullptr);
    EXPECT_EQ(print->dialogState(), 0);
    EXPECT_TRUE(log.Contains("QWC0095: getPrinterList failed!"));
    EXPECT_EQ(TheErrorDialogs().getNumberOfActiveDialogs(), dialogs) << "no \"no printer\" box";
    Widget box = XtNameToWidget(block_->xstuff.shell(), "*printNotStartedDialog");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(MessageOf(box),
              "The screen was not printed: the list of printers could not be read (is the printing system running?).");
    XtDestroyWidget(XtParent(box));
  }
  cupsSetServer(nullptr);
  OpenTheDialog();
}

}  // namespace
