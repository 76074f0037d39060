// Screen Print from qw5250 started as the first README command starts it: the
// program of the build tree against the demo host, with a PATH that does not
// hold the print program. Screen Print opens the print dialog, a click on
// its Print button (XTEST) hands the screen to the print program found
// beside the program, and the job reaches the CUPS queue.
#include <gtest/gtest.h>  // before Xlib, whose None and Bool macros clash with it

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <unistd.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "PrivateCups.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/EclClient.h"
#include "tests/support/FreePort.h"
#include "tests/support/ProgramWidgets.h"
#include "tests/support/Qw5250ProgramTest.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/SessionWindows.h"
#include "tests/support/TestClock.h"
#include "tests/support/XKeys.h"
#include "tests/support/XWindows.h"

namespace qwtest {
namespace {

constexpr int kWaitMs = 20000;

// The print dialog's Print button: the leftmost of its lowest row.
Window PrintButtonOf(Display* d, Window dialog) {
  const std::vector<PlacedWindow> row = LowestRow(ViewableLeaves(d, dialog));
  return row.size() == 2 ? row[0].window : None;
}

class ScreenPrintProgramTest : public Qw5250ProgramTest {
 protected:
  static void SetUpTestSuite() {
    cups_ = new printtest::PrivateCups;
    std::string error;
    ASSERT_TRUE(cups_->Start({{"screen", "QW screen printer", "Screen printer", true},
                              {"text", "QW text printer", "Text printer", false}},
                             &error))
        << error;
  }
  static void TearDownTestSuite() {
    delete cups_;
    cups_ = nullptr;
  }
  static inline printtest::PrivateCups* cups_ = nullptr;
};

// The screen as the programming interface reads it, one string a row.
std::vector<std::string> ScreenRows(EclClient& client) {
  std::vector<std::string> names, rows;
  if (!client.SessionNames(&names) || names.size() != 1) return rows;
  int32_t rc = 0;
  uint32_t handle = 0, number = 0;
  EclClient::Screen screen;
  if (!client.FindSession(names[0], &rc, &handle, &number) || rc != 1 || !client.ReadScreen(handle, &rc, &screen) ||
      rc != 1 || screen.columns == 0)
    return rows;
  for (size_t at = 0; at + screen.columns <= screen.text.size(); at += screen.columns)
    rows.push_back(screen.text.substr(at, screen.columns));
  return rows;
}

// A text printer's job: the rows as shown (nulls are blanks), each ended by
// CR LF, and a form feed.
std::string TextJobOf(const std::vector<std::string>& rows) {
  std::string job;
  for (std::string row : rows) {
    std::replace(row.begin(), row.end(), '\0', ' ');
    job += row + "\r\n";
  }
  return job + "\f";
}

TEST_F(ScreenPrintProgramTest, PrintButtonOfTheDialogPutsTheScreenIntoTheQueue) {
  ASSERT_TRUE(HasXTest(display_));
  ChildProcess host;
  ASSERT_TRUE(host.Start({QW_DEMOHOST_BINARY, "0"}, ChildProcess::BaseEnvironment())) << host.Error();
  ASSERT_TRUE(host.WaitForOutput("\n", kWaitMs)) << host.Output();
  ASSERT_EQ(host.Stdout().rfind("port ", 0), 0u) << host.Stdout();
  const std::string port = std::to_string(std::stoi(host.Stdout().substr(5)));

  // As run.sh starts it: the print program is not on PATH.
  ScopedEnv path("PATH", "/usr/bin:/bin");
  startQw({"-trace", "-port", port, "127.0.0.1"}, {"CUPS_SERVER=" + cups_->Server(), "KDVSHARED=" + home_.Path()});
  // The first record is the sign-on screen; it is shown before the keys
  // typed after it are read.
  ASSERT_TRUE(qw_->WaitForOutput("Received record", kWaitMs)) << qw_->Output();
  Window shell = None;
  ASSERT_TRUE(WaitUntil([&] { return (shell = ViewableByInstance(display_, "QW5250")) != None; }, kWaitMs, display_))
      << qw_->Output();
  const Window drawing = DrawingWindow(display_, shell);
  ASSERT_NE(drawing, static_cast<Window>(None));
  const int before = cups_->CompletedJobs("screen");

  // Shift+Print (Screen Print of a PC keyboard) opens the dialog; its
  // buttons are the last row, Print first.
  XSetInputFocus(display_, drawing, RevertToParent, CurrentTime);
  XSync(display_, False);
  ASSERT_TRUE(PressKey(display_, XK_Print, {XK_Shift_L}));
  Window dialog = None;
  ASSERT_TRUE(WaitUntil([&] { return (dialog = ViewableByInstance(display_, "localPrintControls_popup")) != None; },
                        kWaitMs, display_))
      << qw_->Output();
  Window start = None;
  ASSERT_TRUE(WaitUntil([&] { return (start = PrintButtonOf(display_, dialog)) != None; }, kWaitMs, display_))
      << WindowTree(display_, dialog);
  ClickMiddleOf(display_, start);

  ASSERT_TRUE(cups_->WaitForCompletedJobs("screen", before + 1)) << cups_->ErrorLog() << qw_->Output();
  const std::string job = printtest::ReadWholeFile(cups_->OutputOf("screen"));
  EXPECT_NE(job.find("Sign On"), std::string::npos) << job;
  EXPECT_EQ(qw_->Output().find("was not found"), std::string::npos) << qw_->Output();
  qw_->Stop();
}

// The printer is chosen in "Choose a Printer" as a user does: a click on
// the second printer of the list and on OK, then (the dialog opened again)
// the arrow key and Return. Each print reaches the chosen queue as the
// screen's text, and the choice is kept for the next dialog.
TEST_F(ScreenPrintProgramTest, PrinterChosenByClickOrKeysPrintsTheScreenThere) {
  ASSERT_TRUE(HasXTest(display_));
  ChildProcess host;
  ASSERT_TRUE(host.Start({QW_DEMOHOST_BINARY, "0"}, ChildProcess::BaseEnvironment())) << host.Error();
  ASSERT_TRUE(host.WaitForOutput("\n", kWaitMs)) << host.Output();
  ASSERT_EQ(host.Stdout().rfind("port ", 0), 0u) << host.Stdout();
  const std::string port = std::to_string(std::stoi(host.Stdout().substr(5)));
  const int eclPort = FreeLoopbackPort();
  ASSERT_NE(eclPort, 0);
  const std::string lurvend = QW_LURVEND_BINARY;
  ScopedEnv path("PATH", (lurvend.substr(0, lurvend.rfind('/')) + ":/usr/bin:/bin").c_str());
  // The user's shared directory is not the home directory.
  TempDir shared;
  startQw({"-ECL", "-port", port, "127.0.0.1"},
          {"CUPS_SERVER=" + cups_->Server(), "KDVSHARED=" + shared.Path(), "QW_ECL_PORT=" + std::to_string(eclPort)});
  const Window shell = WaitForSessionWindow(display_, kWaitMs);
  ASSERT_NE(shell, static_cast<Window>(None)) << qw_->Output();
  EclClient client;
  uint32_t handshake = 0;
  Deadline connectBy(kWaitMs);
  while (!client.Connect(eclPort, &handshake) && !connectBy.Expired()) {
  }
  ASSERT_EQ(handshake, 1u) << qw_->Output();
  std::vector<std::string> screen;
  ASSERT_TRUE(WaitUntil(
      [&] {
        screen = ScreenRows(client);
        for (const std::string& row : screen)
          if (row.find("Sign On") != std::string::npos) return true;
        return false;
      },
      kWaitMs, display_))
      << qw_->Output();
  const Window drawing = DrawingWindow(display_, shell);
  ASSERT_NE(drawing, static_cast<Window>(None));

  struct Round {
    const char* how;
    const char* queue;  // chosen, the list being "screen", "text"
  };
  for (const Round& round : {Round{"click", "text"}, Round{"keys", "screen"}}) {
    SCOPED_TRACE(round.how);
    XSetInputFocus(display_, drawing, RevertToParent, CurrentTime);
    XSync(display_, False);
    ASSERT_TRUE(PressKey(display_, XK_Print, {XK_Shift_L}));
    Window dialog = None;
    ASSERT_TRUE(WaitUntil([&] { return (dialog = ViewableByInstance(display_, "localPrintControls_popup")) != None; },
                          kWaitMs, display_))
        << qw_->Output();
    // "Printer..." heads the dialog.
    Window printerButton = None;
    ASSERT_TRUE(WaitUntil(
        [&] {
          printerButton = PrintButtonOf(display_, dialog) ? Topmost(ViewableLeaves(display_, dialog)).window : None;
          return printerButton != None;
        },
        kWaitMs, display_));
    ClickMiddleOf(display_, printerButton);
    Window chooser = None;
    ASSERT_TRUE(WaitUntil(
        [&] {
          chooser = ViewableByInstance(display_, "localPrintPrinterSelectControls_popup");
          return chooser != None && LowestRow(ViewableLeaves(display_, chooser)).size() == 2;
        },
        kWaitMs, display_))
        << qw_->Output();
    // The list heads the chooser and shows both printers, a line each.
    const PlacedWindow list = Topmost(ViewableLeaves(display_, chooser));
    ASSERT_GE(list.height, 2 * 10) << WindowTree(display_, chooser);
    ASSERT_GE(list.width, 40) << WindowTree(display_, chooser);
    if (std::string(round.how) == "click") {
      ClickAt(display_, list.window, list.width / 2, list.height * 3 / 4);
      ClickMiddleOf(display_, LowestRow(ViewableLeaves(display_, chooser))[0].window);  // OK
    } else {
      // As the window manager gives a new dialog the keyboard.
      XSetInputFocus(display_, chooser, RevertToParent, CurrentTime);
      XSync(display_, False);
      ASSERT_TRUE(PressKey(display_, XK_Up));
      ASSERT_TRUE(PressKey(display_, XK_Return));
    }
    ASSERT_TRUE(WaitUntil([&] { return ViewableByInstance(display_, "localPrintPrinterSelectControls_popup") == None; },
                          kWaitMs, display_))
        << qw_->Output();

    const int before = cups_->CompletedJobs(round.queue);
    Window start = None;
    ASSERT_TRUE(WaitUntil([&] { return (start = PrintButtonOf(display_, dialog)) != None; }, kWaitMs, display_));
    ClickMiddleOf(display_, start);
    ASSERT_TRUE(cups_->WaitForCompletedJobs(round.queue, before + 1))
        << "jobs: screen " << cups_->CompletedJobs("screen") << ", text " << cups_->CompletedJobs("text") << "\n"
        << qw_->Output();
    EXPECT_EQ(printtest::ReadWholeFile(cups_->OutputOf(round.queue)), TextJobOf(screen));
    ASSERT_TRUE(WaitUntil([&] { return ViewableByInstance(display_, "localPrintControls_popup") == None; }, kWaitMs,
                          display_));
  }
  EXPECT_EQ(cups_->CompletedJobs("text"), 1);
  // The choice is kept where KDVSHARED says, and only there.
  EXPECT_TRUE(printtest::ReadWholeFile(shared.Path() + "/QW5250/LocalPrint").find("screen\n") != std::string::npos);
  EXPECT_EQ(access((home_.Path() + "/QW5250").c_str(), F_OK), -1);
  qw_->Stop();
}

}  // namespace
}  // namespace qwtest
