// The String-to-QwFunction converter as Xt runs it for a resource.
#include "tests/support/XServerTest.h"

#include <X11/Intrinsic.h>
#include <X11/Shell.h>
#include <X11/StringDefs.h>

#include <cstring>
#include <string>

#include "session/ResourceKeywords.h"

namespace {

// What Xt reported: the message's name and type, then its parameters.
std::string g_warnings;
void RecordWarning(String name, String type, String cls, String defaultText, String* params,
                   Cardinal* count) {
  g_warnings += std::string(name ? name : "") + "/" + (type ? type : "");
  for (Cardinal i = 0; params && count && i < *count; ++i) g_warnings += std::string(" ") + params[i];
  g_warnings += "\n";
}

class QwFunctionConverterTest : public qwtest::XServerTest {
 protected:
  void SetUp() override {
    qwtest::XServerTest::SetUp();
    XtToolkitInitialize();
    app_ = XtCreateApplicationContext();
    XtAppSetWarningMsgHandler(app_, RecordWarning);
    int argc = 0;
    xtDisplay_ = XtOpenDisplay(app_, server_.DisplayName().c_str(), "qw5250", "QW5250", nullptr, 0, &argc, nullptr);
    ASSERT_NE(xtDisplay_, nullptr);
    shell_ = XtAppCreateShell("qw5250", "QW5250", applicationShellWidgetClass, xtDisplay_, nullptr, 0);
    RegisterQwFunctionConverter();
    g_warnings.clear();
  }
  void TearDown() override {
    if (shell_) XtDestroyWidget(shell_);
    if (app_) XtDestroyApplicationContext(app_);
    qwtest::XServerTest::TearDown();
  }
  bool Convert(const char* text, unsigned char* code) {
    XrmValue from, to;
    from.addr = const_cast<char*>(text);
    from.size = static_cast<unsigned>(strlen(text) + 1);
    to.addr = reinterpret_cast<XPointer>(code);
    to.size = sizeof *code;
    return XtConvertAndStore(shell_, XtRString, &from, XtRQwFunction, &to);
  }

  XtAppContext app_ = nullptr;
  Display* xtDisplay_ = nullptr;
  Widget shell_ = nullptr;
};

TEST_F(QwFunctionConverterTest, KeywordsBecomeOneByteCodes) {
  struct {
    const char* text;
    unsigned char code;
  } cases[] = {{"enable", 103}, {"ENABLE", 103}, {"DISABLE", 102}, {"TEXT_ONLY", 117}, {"BLOCK", 1}};
  for (const auto& c : cases) {
    unsigned char code = 0;
    EXPECT_TRUE(Convert(c.text, &code)) << c.text;
    EXPECT_EQ(code, c.code) << c.text;
  }
  EXPECT_EQ(g_warnings, "");
}

TEST_F(QwFunctionConverterTest, NoKeywordIsAWarningAndNoValue) {
  unsigned char code = 77;
  EXPECT_FALSE(Convert("Enable", &code));
  EXPECT_EQ(code, 77) << "the resource keeps what it had";
  EXPECT_EQ(g_warnings, "conversionError/string Enable QwFunction\n");
}

}  // namespace
