#include <gtest/gtest.h>
#include <X11/Xatom.h>

#include <string>

#include "platform/sdk/Color.h"
#include "platform/sdk/ResourceDB.h"
#include "platform/sdk/SdkScreen.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/XTestServer.h"

namespace {

TEST(ResourceDBTest, SavedIntoTheRootWhereXrdbReadsIt) {
  qwtest::XTestServer server;
  ASSERT_TRUE(server.Start()) << server.Error();
  SdkScreen screen;
  ASSERT_EQ(InitScreenInfo(&screen, "test", 1, 0, nullptr, server.DisplayName().c_str()), 0);
  QXResourceDB* db = QXResourceDBCreate();
  EXPECT_EQ(QXResourceDBAddString(db, "*background", "grey60"), 0);
  EXPECT_EQ(QXResourceDBAddString(db, "*foreground", "black"), 0);
  EXPECT_EQ(QXResourceDBAddString(db, "*background", "#a0a0a4"), 0) << "replaces";
  EXPECT_EQ(QXResourceDBAddString(db, "bad:name", "x"), -1);
  EXPECT_EQ(QXResourceDBAddString(db, "*x", "two\nlines"), -1);
  EXPECT_STREQ(QXResourceDBText(db), "*background:\t#a0a0a4\n*foreground:\tblack\n");
  ASSERT_EQ(QXResourceDBSave(db, screen.display, screen.root, XA_RESOURCE_MANAGER), 0);
  XSync(screen.display, False);
  QXResourceDBFree(db);

  qwtest::ChildProcess xrdb;
  ASSERT_TRUE(xrdb.Start({"xrdb", "-query"},
                         qwtest::ChildProcess::BaseEnvironment({"DISPLAY=" + server.DisplayName()})));
  ASSERT_TRUE(xrdb.WaitExit(10000));
  EXPECT_NE(xrdb.Stdout().find("*background:\t#a0a0a4"), std::string::npos) << xrdb.Output();

  EXPECT_EQ(GetColor(&screen, "#a0a0a4", 7), 0xa0a0a4u);
  EXPECT_EQ(GetColor(&screen, "no such colour", 7), 7u);
  EXPECT_EQ(GetColor(&screen, nullptr, 7), 7u);
  CloseScreenInfo(&screen);
}

}  // namespace
