// A QW5250 session as Teldra's desktop command: framed like every client,
// and its measurement of the frame reads the sizes Teldra publishes.
#include <unistd.h>

#include "tests/support/TestHost5250.h"
#include "tests/support/TestPaths.h"
#include "tests/wm/TeldraFixture.h"

namespace {

using teldratest::Attributes;
using teldratest::ParentOf;

class SessionFramedTest : public teldratest::TeldraFixture {};

TEST_F(SessionFramedTest, TheSessionReadsTeldrasBorderSizes) {
  const std::string qw5250 = qwtest::Qw5250Binary();
  if (access(qw5250.c_str(), X_OK) != 0) GTEST_SKIP() << "no qw5250 at " << qw5250;
  qwtest::TestHost5250 host;
  ASSERT_TRUE(host.Start());
  home_.WriteFile("registry/desktop/preferences",
                  "desktop_command = " + qw5250 + " -debug -PORT " + std::to_string(host.Port()) +
                      " -RETRY_COUNT 0 127.0.0.1\n");
  ASSERT_TRUE(teldra_.Start({TELDRA_BINARY, "-display", server_.DisplayName()}, Environment()))
      << teldra_.Error();
  ASSERT_TRUE(host.WaitNegotiated(30000)) << teldra_.Output();
  Window session = qwtest::WaitForWindowByClass(display_, "QW5250", 30000);
  ASSERT_NE(session, None) << teldra_.Output();
  // The shell window of the session is the client Teldra framed.
  Window frame = WaitForFrame(session);
  ASSERT_NE(frame, None) << teldra_.Output();
  ASSERT_EQ(ParentOf(display_, frame), root_);
  const qwtest::PropertyValue sizes = qwtest::ReadRootProperty(display_, "_QX_BORDER_SIZES");
  ASSERT_EQ(sizes.values.size(), 4u);
  const long top = sizes.values[0], bottom = sizes.values[1], left = sizes.values[2], right = sizes.values[3];
  const XWindowAttributes c = Attributes(display_, session), f = Attributes(display_, frame);
  EXPECT_EQ(c.x, left);
  EXPECT_EQ(c.y, top);
  EXPECT_EQ(f.width, c.width + left + right);
  EXPECT_EQ(f.height, c.height + top + bottom);
  // The session logs what it read (its debug output reaches Teldra's).
  const std::string widths = "wm left border width = " + std::to_string(left) +
                             ", wm right border width = " + std::to_string(right) + ".";
  const std::string heights = "wm top border height = " + std::to_string(left) + ", wm bottom border height = " +
                              std::to_string(bottom) + ", wm title height = " + std::to_string(top - left) + ".";
  EXPECT_TRUE(qwtest::WaitUntil([&] {
    teldra_.Pump();
    return teldra_.Output().find(widths) != std::string::npos && teldra_.Output().find(heights) != std::string::npos;
  })) << teldra_.Output();
  EXPECT_EQ(teldra_.Output().find("QWC0214"), std::string::npos) << "the sizes were usable";
}

}  // namespace
