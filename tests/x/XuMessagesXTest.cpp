// The message layer with a window: warning dialogs one after another, texts
// from the error database, and the X helpers.
#include "tests/x/XtAppFixture.h"

#include <Xm/MessageB.h>
#include <Xm/Label.h>
#include <Xm/Xm.h>

#include <string>
#include <vector>

#include "tests/support/TempDir.h"
#include "xfront/XuMessages.h"
#include "xfront/XuXHelpers.h"

namespace qwtest {
namespace {

std::string TextOf(Widget w, const char* resource) {
  XmString s = nullptr;
  XtVaGetValues(w, resource, &s, nullptr);
  std::string out;
  XmStringContext context = nullptr;
  if (s && XmStringInitContext(&context, s)) {
    char* text = nullptr;
    XmStringCharSet tag = nullptr;
    XmStringDirection direction;
    Boolean separator = False;
    while (XmStringGetNextSegment(context, &text, &tag, &direction, &separator)) {
      out += text ? text : "";
      if (separator) out += "\n";
      XtFree(text);
      XtFree(tag);
    }
    XmStringFreeContext(context);
  }
  if (s) XmStringFree(s);
  return out;
}

class XuMessagesXTest : public XtAppFixture {
 protected:
  void SetUp() override {
    XtAppFixture::SetUp();
    if (HasFatalFailure()) return;
    XtRealizeWidget(shell_);
    Drain();
  }
  void TearDown() override {
    XuReset();
    XtAppFixture::TearDown();
  }
  // Runs the loop (bounded by a guard timer) until a dialog is up.
  Widget WaitForDialog() {
    bool expired = false;
    XtIntervalId guard = XtAppAddTimeOut(
        app_, 10000, [](XtPointer f, XtIntervalId*) { *static_cast<bool*>(f) = true; }, &expired);
    while (!XuMessageDialog() && !expired) XtAppProcessEvent(app_, XtIMAll);
    if (!expired) XtRemoveTimeOut(guard);
    return XuMessageDialog();
  }
  void PressOk(Widget dialog) {
    XmAnyCallbackStruct cb{};
    cb.reason = XmCR_OK;
    XtCallCallbacks(dialog, XmNokCallback, &cb);
  }
};

TEST_F(XuMessagesXTest, ThreeMessagesAreShownOneAfterAnother) {
  XuInitialize(shell_, "qwtest", "QW5250", nullptr);
  XuError(1, "first %s", "message");
  XuError(0x20002, "second\nwith two lines");
  XuError(3, "third %d%%", 3);
  Widget d = WaitForDialog();
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(XtName(d), std::string("warning"));
  EXPECT_FALSE(XtIsManaged(XmMessageBoxGetChild(d, XmDIALOG_CANCEL_BUTTON)));
  EXPECT_FALSE(XtIsManaged(XmMessageBoxGetChild(d, XmDIALOG_HELP_BUTTON)));
  EXPECT_EQ(XuPendingMessageCount(), 2u);
  const std::vector<std::string> expect = {"first message", "second\nwith two lines", "third 3%"};
  for (const std::string& text : expect) {
    d = WaitForDialog();
    ASSERT_NE(d, nullptr) << text;
    EXPECT_EQ(TextOf(d, XmNmessageString), text);
    PressOk(d);
  }
  Drain();
  EXPECT_EQ(XuMessageDialog(), nullptr);
  EXPECT_EQ(XuPendingMessageCount(), 0u);
}

TEST_F(XuMessagesXTest, DatabaseTextsAreUsedOnlyWhenTheyFitTheArguments) {
  TempDir dir;
  const std::string db = dir.WriteFile("errors",
                                       "101.qwtest: Host %s refused\n"
                                       "102.qwtest: Host %s%s%s%n%s\n"
                                       "103.qwtest: Port %d\n");
  XuInitialize(shell_, "qwtest", "QW5250", db.c_str());
  static std::vector<std::string> seen;
  seen.clear();
  XuSetErrorHandler([](const char* t) { seen.push_back(t); });
  XuError(101, "Cannot reach %s", "h1");
  XuError(102, "Cannot reach %s", "h2");
  XuError(103, "Cannot reach %s", "h3");   // %d for a string: refused
  XuError(104, "Cannot reach %s", "h4");   // not in the database
  const std::vector<std::string> expect = {"Host h1 refused", "Cannot reach h2", "Cannot reach h3",
                                           "Cannot reach h4"};
  EXPECT_EQ(seen, expect);
}

TEST_F(XuMessagesXTest, XHelpers) {
  Widget label = XtVaCreateManagedWidget("label", xmLabelWidgetClass, shell_, nullptr);
  Drain();
  XuSetLabelText(label, "a %s %n\nb");
  EXPECT_EQ(TextOf(label, XmNlabelString), "a %s %n\nb");
  XuSetLabelText(label, std::string(20000, 'x').c_str());
  XuSetLabelText(nullptr, "x");
  EXPECT_TRUE(XuWindowInTree(label, XtWindow(shell_)));
  EXPECT_TRUE(XuWindowInTree(label, XtWindow(label)));
  EXPECT_FALSE(XuWindowInTree(label, 0x7fffff0));
  EXPECT_FALSE(XuWindowInTree(label, None));
  XuFree(nullptr);
}

}  // namespace
}  // namespace qwtest
