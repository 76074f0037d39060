// qw5250 started as a program under a private X server: the start-session
// dialog, the resource dump, translated resources, the window manager's
// border sizes, bad resources and the loss of the X server.
#include <gtest/gtest.h>  // before Xlib, whose None and Bool macros clash with it

#include "tests/support/ChildProcess.h"
#include "tests/support/Qw5250ProgramTest.h"
#include "tests/support/TestPaths.h"
#include "tests/support/XKeys.h"
#include "tests/support/XProps.h"
#include "tests/support/XServerTest.h"
#include "tests/support/XWindows.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <memory>
#include <string>
#include <vector>

namespace qwtest {
namespace {

constexpr const char* kStartTitle = "Start 5250 Session";
constexpr const char* kErrorTitle = "5250 Error";
constexpr int kWaitMs = 20000;

class StartupTest : public Qw5250ProgramTest {
protected:
    Window waitForDialog(const char* title) {
        Window w = WaitForWindowByName(display_, title, kWaitMs);
        if (w == None) {
            qw_->Pump();
            ADD_FAILURE() << "no window \"" << title << "\"\n" << qw_->Output();
        }
        return w;
    }

    bool viewable(Window w) {
        XErrorTrap trap(display_);
        XWindowAttributes attrs;
        Status ok = XGetWindowAttributes(display_, w, &attrs);
        return trap.Errors().empty() && ok && attrs.map_state == IsViewable;
    }

    // Keyboard focus and pointer into the window, then type.
    void typeInto(Window w, const std::string& text) {
        ASSERT_TRUE(WaitUntil([&] { return viewable(w); }, kWaitMs, display_));
        XWarpPointer(display_, None, w, 0, 0, 0, 0, 5, 5);
        XSetInputFocus(display_, w, RevertToPointerRoot, CurrentTime);
        XBarrier(display_);
        ASSERT_TRUE(TypeText(display_, text));
        XBarrier(display_);
    }

    // What a window manager sends when the user closes the window.
    void sendDelete(Window w) {
        SendDeleteWindow(display_, w);
        XBarrier(display_);
    }

    void expectExit(int code) {
        ASSERT_TRUE(qw_->WaitExit(kWaitMs)) << "still running\n" << qw_->Output();
        EXPECT_TRUE(qw_->ExitedNormally()) << qw_->Output();
        EXPECT_EQ(qw_->ExitCode(), code) << qw_->Output();
    }
};

// Typing into the start dialog in the C locale and in a UTF-8 locale.
using StartupInLocaleTest = InLocale<StartupTest>;

TEST_P(StartupInLocaleTest, HostTypedIntoTheStartSessionDialogIsTakenAndTheDialogCloses) {
    startQw({});
    Window dialog = waitForDialog(kStartTitle);
    ASSERT_NE(dialog, static_cast<Window>(None));
    typeInto(dialog, "hostalpha\n");
    // The session for the typed host starts (and finds no such host).
    ASSERT_TRUE(qw_->WaitForOutput("gethostbyname( hostalpha ) failed", kWaitMs)) << qw_->Output();
    EXPECT_TRUE(WaitUntil([&] { return !viewable(dialog); }, kWaitMs, display_));
    EXPECT_TRUE(qw_->Running());
    qw_->Stop();
}

INSTANTIATE_TEST_SUITE_P(Locales, StartupInLocaleTest, TestLocales(), TestLocaleName);

TEST_F(StartupTest, ClosingTheStartSessionDialogWithoutASessionEndsTheProcess) {
    struct Case {
        const char* name;
        bool byKey;  // Escape in the dialog, else the window manager's close
    };
    for (const Case& c : {Case{"window close", false}, Case{"escape key", true}}) {
        SCOPED_TRACE(c.name);
        startQw({});
        Window dialog = waitForDialog(kStartTitle);
        ASSERT_NE(dialog, static_cast<Window>(None));
        if (c.byKey) {
            typeInto(dialog, "");
            ASSERT_TRUE(PressKey(display_, XK_Escape));
            XBarrier(display_);
        } else {
            ASSERT_TRUE(WaitUntil([&] { return viewable(dialog); }, kWaitMs, display_));
            sendDelete(dialog);
        }
        expectExit(0);
        EXPECT_EQ(qw_->Output().find("QWC0216"), std::string::npos) << qw_->Output();
    }
}

TEST_F(StartupTest, EmptyHostOpensTheUnknownHostErrorAndStartsNoSession) {
    startQw({"-debug"});
    Window dialog = waitForDialog(kStartTitle);
    ASSERT_NE(dialog, static_cast<Window>(None));
    typeInto(dialog, "\n");
    Window error = waitForDialog(kErrorTitle);
    ASSERT_NE(error, static_cast<Window>(None));
    EXPECT_TRUE(qw_->WaitForOutput("errorMsgDialog ErrorMsgUnknownHost opened", kWaitMs));
    // The error dialog keeps the process alive after the start dialog went.
    ASSERT_TRUE(WaitUntil([&] { return !viewable(dialog); }, kWaitMs, display_));
    EXPECT_TRUE(qw_->Running());
    ASSERT_TRUE(WaitUntil([&] { return viewable(error); }, kWaitMs, display_));
    sendDelete(error);
    expectExit(0);
    EXPECT_EQ(qw_->Output().find("QWC0216"), std::string::npos) << qw_->Output();
}

TEST_F(StartupTest, CurrencySignIsRefusedAsTheFirstByteOfAnInsertion) {
    // Put the currency sign (byte 0xA4 in the C locale) on a spare key.
    int minCode = 0, maxCode = 0;
    XDisplayKeycodes(display_, &minCode, &maxCode);
    KeySym currency = XK_currency;
    XChangeKeyboardMapping(display_, maxCode, 1, &currency, 1);
    XBarrier(display_);
    ASSERT_EQ(XKeysymToKeycode(display_, XK_currency), maxCode);

    startQw({});
    Window dialog = waitForDialog(kStartTitle);
    ASSERT_NE(dialog, static_cast<Window>(None));
    typeInto(dialog, "ho");
    ASSERT_TRUE(PressKey(display_, XK_currency));
    ASSERT_TRUE(TypeText(display_, "st\n"));
    ASSERT_TRUE(qw_->WaitForOutput("gethostbyname( host ) failed", kWaitMs)) << qw_->Output();
    qw_->Stop();
}

TEST_F(StartupTest, DebugLogsTheApplicationResources) {
    startQw({"-debug"});
    ASSERT_NE(waitForDialog(kStartTitle), static_cast<Window>(None));
    ASSERT_TRUE(qw_->WaitForOutput("before mainloop", kWaitMs)) << qw_->Output();
    const std::string out = qw_->Output();
    for (const char* line : {"Default Application Resource Values",
                             "(Some may be overridden by session command line options or Misc Prefs):",
                             "     PORT = 23\n", "     MAX_SESSIONS = 99\n", "before mainloop"}) {
        EXPECT_NE(out.find(line), std::string::npos) << line << "\n" << out;
    }
    // Without -debug the dump is not written.
    startQw({});
    ASSERT_TRUE(qw_->WaitForOutput("QWC0193", kWaitMs)) << qw_->Output();
    EXPECT_EQ(qw_->Output().find("Default Application Resource Values"), std::string::npos);
}

TEST_F(StartupTest, TranslatedResourceFileOverridesTheFallbacks) {
    TempDir mri;
    mri.WriteFile("de_DE/K7_2Resc",
                  "! translated texts\n"
                  "QW5250*PORT: 2323\n"
                  "QW5250*hostNameDialog.dialogTitle: Sitzung starten\n");
    startQw({"-debug"}, {"MRIPATH=" + mri.Path() + "/de_DE", "LC_MESSAGES=de_DE"});
    ASSERT_NE(waitForDialog("Sitzung starten"), static_cast<Window>(None));
    ASSERT_TRUE(qw_->WaitForOutput("before mainloop", kWaitMs));
    const std::string out = qw_->Output();
    EXPECT_NE(out.find("     PORT = 2323\n"), std::string::npos) << out;
    EXPECT_EQ(out.find("QWC0009"), std::string::npos) << out;
}

TEST_F(StartupTest, BorderSizesOfTheRootWindowAreReadAtStart) {
    SetRootProperty32(display_, "_QX_BORDER_SIZES", "CARDINAL", {27, 5, 7, 2});
    startQw({"-debug"});
    ASSERT_TRUE(qw_->WaitForOutput("wm title height", kWaitMs)) << qw_->Output();
    const std::string out = qw_->Output();
    EXPECT_NE(out.find("wm left border width = 7, wm right border width = 2."), std::string::npos)
        << out;
    EXPECT_NE(out.find("wm top border height = 7, wm bottom border height = 5, wm title height = 20."),
              std::string::npos)
        << out;
}

TEST_F(StartupTest, HelperStatePropertiesStartAtZero) {
    SetRootProperty8(display_, "QAV_5250_Brastor_State", "STRING", std::string("1\0", 2));
    startQw({});
    ASSERT_NE(waitForDialog(kStartTitle), static_cast<Window>(None));
    for (const char* name : {"QAV_5250_Tintwell_State", "QAV_5250_Brastor_State",
                             "QAV_3270_Keypad_State", "QAV_5250_Vosmerk_State"}) {
        PropertyValue p = ReadRootProperty(display_, name);
        ASSERT_TRUE(p.exists) << name;
        EXPECT_EQ(p.format, 8) << name;
        EXPECT_EQ(p.bytes.substr(0, 1), "0") << name;
    }
}

TEST_F(StartupTest, BadKeywordResourceIsLoggedAndTheProgramGoesOn) {
    startQw({"-xrm", "QW5250*BLINKING_TEXT: bogus", "-debug"});
    ASSERT_NE(waitForDialog(kStartTitle), static_cast<Window>(None));
    ASSERT_TRUE(qw_->WaitForOutput("before mainloop", kWaitMs));
    const std::string out = qw_->Output();
    EXPECT_NE(out.find("QWC0017: Xt Warning: Cannot convert string \"bogus\" to type QwFunction"),
              std::string::npos)
        << out;
    // The resource keeps its default.
    EXPECT_NE(out.find("     BLINKING_TEXT = DISABLE\n"), std::string::npos) << out;
    EXPECT_TRUE(qw_->Running());
}

TEST_F(StartupTest, LossOfTheXServerEndsTheProcessWithTheIOErrorMessages) {
    startQw({});
    ASSERT_NE(waitForDialog(kStartTitle), static_cast<Window>(None));
    MakeIOErrorSurvivable(display_);
    server_.Kill();
    ASSERT_TRUE(qw_->WaitExit(kWaitMs)) << qw_->Output();
    const std::string out = qw_->Output();
    EXPECT_TRUE(out.find("QWC0015: fatal IO error") != std::string::npos ||
                out.find("QWC0014 5250: fatal IO error") != std::string::npos)
        << out;
    EXPECT_TRUE(qw_->ExitedNormally()) << out;
    EXPECT_NE(qw_->ExitCode(), 0) << out;
}

TEST_F(StartupTest, ForeignMessagesToTheMasterWindowAreIgnored) {
    startQw({});
    Window dialog = waitForDialog(kStartTitle);
    ASSERT_NE(dialog, static_cast<Window>(None));
    // The master's window may come after the dialog on a busy machine.
    std::vector<Window> masters;
    ASSERT_TRUE(WaitUntil(
        [&] {
            masters = FindWindowsByClass(display_, "lowMemoryDialog_popup");
            return masters.size() == 1;
        },
        kWaitMs, display_))
        << masters.size() << " master windows";
    // Any client can send these; a key that names no hand-off block and
    // messages of other types must change nothing.
    for (const char* type : {"QAV_5250_Start_Session", "QW_SOMETHING_ELSE", "WM_PROTOCOLS"}) {
        XEvent ev = {};
        ev.xclient.type = ClientMessage;
        ev.xclient.window = masters[0];
        ev.xclient.message_type = InternAtom(display_, type);
        ev.xclient.format = 32;
        ev.xclient.data.l[0] = 0x7fffffffL;
        ev.xclient.data.l[1] = -1;
        XSendEvent(display_, masters[0], False, NoEventMask, &ev);
    }
    XBarrier(display_);
    // The start dialog still answers: typing a host reaches the program.
    typeInto(dialog, "hostbeta\n");
    ASSERT_TRUE(qw_->WaitForOutput("gethostbyname( hostbeta ) failed", kWaitMs)) << qw_->Output();
    qw_->Stop();
}

TEST_F(StartupTest, UnsetHomeDoesNotStopTheStart) {
    startQw({}, {}, /*withHome=*/false);
    Window dialog = waitForDialog(kStartTitle);
    ASSERT_NE(dialog, static_cast<Window>(None));
    ASSERT_TRUE(WaitUntil([&] { return viewable(dialog); }, kWaitMs, display_));
    sendDelete(dialog);
    expectExit(0);
}

TEST(StartupWithoutDisplayTest, UnreachableDisplayEndsWithAFailureAndALogLine) {
    TempDir home;
    ChildProcess qw;
    ASSERT_TRUE(qw.Start({Qw5250Binary(), "somehost"},
                         ChildProcess::BaseEnvironment({"DISPLAY=:unreachable",
                                                        "HOME=" + home.Path(), "LANG=C"})))
        << qw.Error();
    ASSERT_TRUE(qw.WaitExit(kWaitMs)) << qw.Output();
    EXPECT_TRUE(qw.ExitedNormally()) << qw.Output();
    EXPECT_NE(qw.ExitCode(), 0) << qw.Output();
    EXPECT_NE(qw.Output().find("Cannot open the X display \":unreachable\""), std::string::npos)
        << qw.Output();
}

}  // namespace
}  // namespace qwtest
