// The X error handlers of QW5250 in this process, against a private X server.
#include <gtest/gtest.h>  // before Xlib, whose None and Bool macros clash with it

#include "session/XErrorHandlers.h"
#include "base/ErrorHalt.h"
#include "base/LogMsg.h"
#include "tests/support/XServerTest.h"

#include <X11/Xlib.h>
#include <X11/Xproto.h>

#include <cerrno>
#include <string>
#include <vector>

namespace qwtest {
namespace {

std::vector<std::string>& LoggedLines() {
    static std::vector<std::string> lines;
    return lines;
}
void CollectLine(int, const char* line) { LoggedLines().push_back(line); }

bool Logged(const std::string& text) {
    for (const std::string& l : LoggedLines())
        if (l.find(text) != std::string::npos) return true;
    return false;
}

// Routine: what another client can cause (a window it destroyed, a grab it
// holds, the server's memory); everything else means our own state is broken.
TEST(XErrorClassificationTest, RoutineErrorsAreThoseOtherClientsCanCause) {
    struct Case {
        int error;
        int request;
        bool routine;
    };
    const Case cases[] = {
        {BadWindow, X_SendEvent, true},        {BadWindow, X_GetProperty, true},
        {BadDrawable, X_CopyArea, true},       {BadPixmap, X_FreePixmap, true},
        {BadMatch, X_SetInputFocus, true},     {BadMatch, X_CreateWindow, false},
        {BadMatch, X_ConfigureWindow, true},   {BadMatch, X_CopyArea, false},
        {BadValue, X_CreateWindow, false},     {BadAlloc, X_CreatePixmap, true},
        {BadAccess, X_GrabButton, true},       {BadAccess, X_GrabKey, true},
        {BadAccess, X_ChangeWindowAttributes, true}, {BadColor, X_FreeColors, true},
        {BadAtom, X_GetProperty, false},       {BadGC, X_ChangeGC, false},
        {BadFont, X_OpenFont, false},          {BadIDChoice, X_CreateWindow, false},
        {BadLength, X_PolyText8, false},       {BadRequest, 200, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsRoutineXError(c.error, c.request), c.routine)
            << "error " << c.error << " request " << c.request;
    }
}

TEST(XErrorClassificationTest, IOErrorStatusIsNeverSuccess) {
    struct Case {
        int err;
        int status;
        bool hasText;
    };
    const Case cases[] = {
        {EPIPE, EPIPE, true}, {ECONNRESET, ECONNRESET, true}, {EAGAIN, EAGAIN, true},
        {0, 1, false},        {-3, 1, false},                  {100000, 1, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IOErrorExitStatus(c.err), c.status) << c.err;
        EXPECT_EQ(std::string(IOErrorText(c.err)).empty(), !c.hasText) << c.err;
    }
    EXPECT_STREQ(IOErrorText(EPIPE), "Broken pipe");
}

TEST(XtWarningTextTest, ParametersFillOnlyStringPlaces) {
    char bogus[] = "bogus";
    char type[] = "QwFunction";
    char percent[] = "%d%n";
    char* params[] = {bogus, type, percent};
    struct Case {
        const char* format;
        unsigned count;
        const char* expected;
    };
    const Case cases[] = {
        {"Cannot convert string \"%s\" to type %s", 2, "Cannot convert string \"bogus\" to type QwFunction"},
        {"%s and %s and %s", 2, "bogus and QwFunction and "},
        {"%s", 3, "bogus"},
        {"no places %d %x 100%", 2, "no places %d %x 100%"},
        {"param text is not a format: %s %s %s", 3, "param text is not a format: bogus QwFunction %d%n"},
        {"", 0, ""},
    };
    for (const Case& c : cases) EXPECT_EQ(FormatXtMessage(c.format, params, c.count), c.expected);
    EXPECT_EQ(FormatXtMessage(nullptr, nullptr, 0), "");
    EXPECT_EQ(FormatXtMessage("%s!", nullptr, 1), "!");
}

class XErrorHandlersTest : public XServerTest {
protected:
    void SetUp() override {
        XServerTest::SetUp();
        previousError_ = XSetErrorHandler(nullptr);
        previousIO_ = XSetIOErrorHandler(nullptr);
        XSetErrorHandler(previousError_);
        XSetIOErrorHandler(previousIO_);
        LoggedLines().clear();
        SetLogSyslogFunction(CollectLine);
        SetFatalPauseMilliseconds(0);
    }
    void TearDown() override {
        XSetErrorHandler(previousError_);
        XSetIOErrorHandler(previousIO_);
        SetLogSyslogFunction(nullptr);
        XServerTest::TearDown();
    }
    XErrorHandler previousError_ = nullptr;
    XIOErrorHandler previousIO_ = nullptr;
};

TEST_F(XErrorHandlersTest, RequestsOnAVanishedWindowAreLoggedAndTheMasterGoesOn) {
    InstallXErrorHandlers(XErrorHandlerVariant::Master);
    Window w = XCreateSimpleWindow(display_, DefaultRootWindow(display_), 0, 0, 10, 10, 0, 0, 0);
    XDestroyWindow(display_, w);
    XMapWindow(display_, w);
    XEvent ev = {};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = w;
    ev.xclient.format = 32;
    XSendEvent(display_, w, False, NoEventMask, &ev);
    XSync(display_, False);
    ASSERT_TRUE(Logged("X protocol error ignored: BadWindow")) << LoggedLines().size();
    char id[32];
    snprintf(id, sizeof id, "resource id 0x%lx", w);
    EXPECT_TRUE(Logged(id));
    EXPECT_TRUE(Logged("request 8 (X_MapWindow)"));
    EXPECT_TRUE(Logged("request 25 (X_SendEvent)"));
    // The connection still works.
    EXPECT_NE(XInternAtom(display_, "QW_STILL_ALIVE", False), static_cast<Atom>(None));
}

// Another client (a window manager) holds button 2 on our window: each
// failed grab is logged with its request, the menu's loss is said once, and
// the connection goes on.
TEST_F(XErrorHandlersTest, ButtonGrabHeldByAnotherClientIsLoggedOnceAndTheMasterGoesOn) {
    Display* other = server_.Connect();
    ASSERT_NE(other, nullptr);
    Window w = XCreateSimpleWindow(display_, DefaultRootWindow(display_), 0, 0, 10, 10, 0, 0, 0);
    XSync(display_, False);
    XGrabButton(other, Button2, AnyModifier, w, False, ButtonPressMask, GrabModeAsync, GrabModeAsync, None, None);
    XSync(other, False);
    InstallXErrorHandlers(XErrorHandlerVariant::Master);
    for (int i = 0; i < 4; ++i)
        XGrabButton(display_, Button2, AnyModifier, w, False, ButtonPressMask, GrabModeAsync, GrabModeAsync, None,
                    None);
    XSync(display_, False);
    int failed = 0, said = 0;
    for (const std::string& l : LoggedLines()) {
        failed += l.find("X protocol error ignored: BadAccess") != std::string::npos &&
                  l.find("request 28 (X_GrabButton)") != std::string::npos;
        said += l.find("the pop-up Edit menu opens only from a click on the screen") != std::string::npos;
    }
    EXPECT_EQ(failed, 4);
    EXPECT_EQ(said, 1);
    EXPECT_NE(XInternAtom(display_, "QW_STILL_ALIVE", False), static_cast<Atom>(None));
    XDestroyWindow(display_, w);
    XSync(display_, False);
}

TEST_F(XErrorHandlersTest, FailedFontPathIsLoggedAndIgnored) {
    InstallXErrorHandlers(XErrorHandlerVariant::Master);
    char bad[] = "/no/such/font/directory";
    char* path[] = {bad};
    XSetFontPath(display_, path, 1);
    XSync(display_, False);
    EXPECT_TRUE(Logged("QWC0016: Unable to set font path."));
}

TEST_F(XErrorHandlersTest, OtherProtocolErrorsEndTheProcessWithStatusOne) {
    for (XErrorHandlerVariant variant : {XErrorHandlerVariant::Client, XErrorHandlerVariant::Master}) {
        EXPECT_EXIT(
            {
                // A connection of its own: the test's connection stays in step.
                Display* d = XOpenDisplay(server_.DisplayName().c_str());
                InstallXErrorHandlers(variant);
                XCreatePixmap(d, DefaultRootWindow(d), 4, 4, 3);  // depth 3: BadValue
                XSync(d, False);
            },
            ::testing::ExitedWithCode(1), "X Error of failed request: BadValue(.|\n)*Major opcode of failed request: +53");
    }
}

}  // namespace
}  // namespace qwtest
