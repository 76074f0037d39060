// Client management in-process on a private Xvfb with clients of a second
// connection: releasing every client to the root at the end of a session,
// and bringing a client forward by its class name.
#include <gtest/gtest.h>
#include <X11/Xutil.h>

#include <cstring>
#include <string>

#include "platform/sdk/SdkScreen.h"
#include "platform/sdk/SimpleWindow.h"
#include "tests/support/XTestServer.h"
#include "wm/manager/Clients.h"
#include "wm/manager/Frame.h"
#include "wm/manager/WindowOps.h"
#include "wm/session/ScreenState.h"
#include "wm/session/WindowManager.h"

namespace {

int xErrors = 0;

class ClientsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server_.Start()) << server_.Error();
    std::memset(static_cast<void*>(&state_), 0, sizeof state_);
    ASSERT_EQ(InitScreenInfo(&state_.sdk, "test", 1, 0, nullptr, server_.DisplayName().c_str()), 0);
    InternWindowManagerAtoms(state_.sdk.display, &state_);
    state_.workArea[2] = state_.sdk.width;
    state_.workArea[3] = state_.sdk.height;
    xErrors = 0;
    XSetErrorHandler([](Display*, XErrorEvent*) {
      ++xErrors;
      return 0;
    });
    other_ = XOpenDisplay(server_.DisplayName().c_str());
    ASSERT_NE(other_, nullptr);
  }
  void TearDown() override {
    // The clients go with their connection.
    while (state_.managedWindows) {
      state_.managedWindows->client = 0;
      DestroyFrame(state_.managedWindows);
    }
    if (other_) XCloseDisplay(other_);
    CloseScreenInfo(&state_.sdk);
  }
  // A client of the other connection, managed as a MapRequest would.
  ManagedWindow* Client(const char* instance, const char* cls, int x, int y, Window transientFor = 0) {
    Window w = XCreateSimpleWindow(other_, DefaultRootWindow(other_), x, y, 200, 100, 3, 0, 0xffffff);
    XClassHint hint;
    hint.res_name = const_cast<char*>(instance);
    hint.res_class = const_cast<char*>(cls);
    XSetClassHint(other_, w, &hint);
    if (transientFor) XSetTransientForHint(other_, w, transientFor);
    XSync(other_, False);
    ManagedWindow* m = ManageWindow(&state_, w, 1);
    XSync(state_.sdk.display, False);
    return m;
  }
  XWindowAttributes Attributes(Window w) {
    XWindowAttributes a = {};
    XGetWindowAttributes(other_, w, &a);
    return a;
  }
  Window Parent(Window w) {
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned int n = 0;
    XQueryTree(other_, w, &root, &parent, &children, &n);
    if (children) XFree(children);
    return parent;
  }

  qwtest::XTestServer server_;
  ScreenState state_;
  Display* other_ = nullptr;
};

// Ending the session at once lets every client go: back on the root where
// its frame was, with its own border width, mapped unless it was a
// transient; no frame is left.
TEST_F(ClientsTest, ReleasedClientsGoBackToTheRootWhereTheirFramesWere) {
  ManagedWindow* main = Client("main", "Main", 100, 120);
  ASSERT_NE(main, nullptr);
  const Window mainClient = main->client;
  ManagedWindow* dialog = Client("dialog", "Dialog", 150, 160, mainClient);
  ASSERT_NE(dialog, nullptr);
  const Window dialogClient = dialog->client;
  const Window mainFrame = main->frame->window, dialogFrame = dialog->frame->window;
  const int frameX = main->x, frameY = main->y;
  ReleaseAllClients(&state_, 0);
  XSync(state_.sdk.display, False);
  EXPECT_EQ(state_.managedWindows, nullptr);
  const Window root = DefaultRootWindow(other_);
  EXPECT_EQ(Parent(mainClient), root);
  EXPECT_EQ(Parent(dialogClient), root);
  const XWindowAttributes a = Attributes(mainClient);
  EXPECT_EQ(a.x, frameX);
  EXPECT_EQ(a.y, frameY);
  EXPECT_EQ(a.border_width, 3);
  EXPECT_EQ(a.map_state, IsViewable);
  EXPECT_EQ(Attributes(dialogClient).map_state, IsUnmapped);
  XWindowAttributes gone;
  XSync(other_, False);
  XErrorHandler old = XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
  EXPECT_FALSE(XGetWindowAttributes(other_, mainFrame, &gone));
  EXPECT_FALSE(XGetWindowAttributes(other_, dialogFrame, &gone));
  XSetErrorHandler(old);
  EXPECT_EQ(xErrors, 0);
}

// By class key: a minimised client is restored, transients are passed over
// (but for the PIN dialog), an empty or unknown name finds nothing.
TEST_F(ClientsTest, ClientsAreActivatedByClassName) {
  ManagedWindow* mail = Client("mail", "Mail", 10, 10);
  ManagedWindow* owner = Client("owner", "Owner", 300, 10);
  ManagedWindow* dialog = Client("dialog", "Dialog", 300, 300, owner->client);
  ManagedWindow* pin = Client("pin", "QXChangePIN", 500, 300, owner->client);
  ASSERT_TRUE(mail && owner && dialog && pin);
  MinimizeWindow(mail);
  ASSERT_EQ(mail->minimized, 1);
  EXPECT_EQ(ActivateClientByName(&state_, "Mail"), 1);
  EXPECT_EQ(mail->minimized, 0);
  EXPECT_EQ(GetActiveWindow(&state_), mail);
  EXPECT_EQ(ActivateClientByName(&state_, "Dialog"), 0);
  EXPECT_EQ(ActivateClientByName(&state_, "QXChangePIN"), 1);
  EXPECT_EQ(GetActiveWindow(&state_), pin);
  EXPECT_EQ(ActivateClientByName(&state_, ""), 0);
  EXPECT_EQ(ActivateClientByName(&state_, nullptr), 0);
  EXPECT_EQ(ActivateClientByName(&state_, "Nobody"), 0);
  XSync(state_.sdk.display, False);
  EXPECT_EQ(xErrors, 0);
}

}  // namespace
