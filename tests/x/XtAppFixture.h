// gtest fixture: a private Xvfb with an Xt application context, a display
// opened through it and an application shell; Xt warnings are collected.
#pragma once

#include "tests/support/XServerTest.h"

#include <X11/Intrinsic.h>
#include <X11/Shell.h>
#include <X11/StringDefs.h>

#include <string>
#include <vector>

namespace qwtest {

class XtAppFixture : public XServerTest {
 protected:
  void SetUp() override {
    XServerTest::SetUp();
    if (HasFatalFailure()) return;
    XtToolkitInitialize();
    app_ = XtCreateApplicationContext();
    Warnings().clear();
    XtAppSetWarningMsgHandler(app_, CollectWarningMsg);
    XtAppSetWarningHandler(app_, CollectWarning);
    int argc = 0;
    xtDisplay_ = XtOpenDisplay(app_, server_.DisplayName().c_str(), "qwtest", "QW5250", nullptr, 0,
                               &argc, nullptr);
    ASSERT_NE(xtDisplay_, nullptr);
    shell_ = XtVaAppCreateShell("qwtest", "QW5250", applicationShellWidgetClass, xtDisplay_,
                                XtNwidth, 100, XtNheight, 100, nullptr);
  }
  void TearDown() override {
    if (app_) XtDestroyApplicationContext(app_);
    app_ = nullptr;
    XServerTest::TearDown();
  }

  // Processes what the server has sent until a round trip brings nothing new.
  void Drain() {
    XSync(xtDisplay_, False);
    while (XtAppPending(app_)) XtAppProcessEvent(app_, XtIMAll);
  }

  static std::vector<std::string>& Warnings() {
    static std::vector<std::string> w;
    return w;
  }
  static void CollectWarningMsg(String name, String type, String, String defaultText, String* params,
                                Cardinal* count) {
    std::string line = std::string(name ? name : "") + "/" + (type ? type : "") + ": " +
                       (defaultText ? defaultText : "");
    for (Cardinal i = 0; params && count && i < *count; ++i) line += std::string(" [") + params[i] + "]";
    Warnings().push_back(line);
  }
  static void CollectWarning(String text) { Warnings().push_back(text ? text : ""); }

  XtAppContext app_ = nullptr;
  Display* xtDisplay_ = nullptr;
  Widget shell_ = nullptr;
};

}  // namespace qwtest
