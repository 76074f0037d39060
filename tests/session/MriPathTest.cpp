// Finding the translated resource file: MRIPATH, "@euro" and the en_US fallback.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "session/MriPath.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TempDir.h"

namespace {

TEST(MriPathTest, LanguageFromLcMessages) {
  struct Case {
    const char* value;  // null: unset
    const char* language;
    const char* logId;  // null: no log line
  };
  const Case cases[] = {
      {"de_DE", "de_DE", nullptr},
      {"de_DE@euro", "de_DE", nullptr},
      {"fr_CA.ISO8859-1", "fr_CA", nullptr},
      {nullptr, "en_US", "QWC0194: LC_MESSAGES is not defined. Assuming en_US for LC_MESSAGES."},
      {"C", "en_US",
       "QWC0195: LC_MESSAGES only 1 in length. It is C. Assuming en_US for LC_MESSAGES."},
      {"", "en_US", "QWC0195: LC_MESSAGES only 0 in length."},
      {"de_D", "en_US", "QWC0195: LC_MESSAGES only 4 in length."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value ? c.value : "(unset)");
    qwtest::LogCapture log;
    EXPECT_EQ(MriLanguage(c.value), c.language);
    if (c.logId)
      EXPECT_TRUE(log.Contains(c.logId));
    else
      EXPECT_TRUE(log.Lines().empty());
  }
}

TEST(MriPathTest, CandidatePaths) {
  using P = std::vector<std::string>;
  struct Case {
    const char* mriPath;
    P expected;
  };
  const Case cases[] = {
      {"/mri/de_DE", {"/mri/de_DE/K7_2Resc", "/mri/en_US/K7_2Resc"}},
      {"/mri/de_DE@euro",
       {"/mri/de_DE@euro/K7_2Resc", "/mri/de_DE/K7_2Resc", "/mri/en_US/K7_2Resc"}},
      {"/mri/en_US", {"/mri/en_US/K7_2Resc"}},
      {"/de_DE", {"/de_DE/K7_2Resc", "/en_US/K7_2Resc"}},
      {"de_DE", {"de_DE/K7_2Resc", "./en_US/K7_2Resc"}},
      {"", {"/K7_2Resc", "/en_US/K7_2Resc"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mriPath);
    EXPECT_EQ(MriCandidatePaths(c.mriPath, "K7_2Resc"), c.expected);
  }
}

TEST(MriPathTest, OpensTheFirstFileThatExists) {
  struct Case {
    const char* what;
    std::vector<std::string> files;  // relative to the temporary directory
    const char* mriDir;
    const char* opened;  // relative; null: none
    std::vector<std::string> logs;
  };
  const std::vector<Case> cases = {
      {"own directory", {"de_DE/K7_2Resc", "en_US/K7_2Resc"}, "de_DE", "de_DE/K7_2Resc", {}},
      {"euro falls back to its base",
       {"de_DE/K7_2Resc"},
       "de_DE@euro",
       "de_DE/K7_2Resc",
       {"QWC0192: unable to open", "Trying"}},
      {"falls back to en_US",
       {"en_US/K7_2Resc"},
       "fr_FR",
       "en_US/K7_2Resc",
       {"QWC0192: unable to open", "en_US/K7_2Resc instead."}},
      {"euro then en_US",
       {"en_US/K7_2Resc"},
       "it_IT@euro",
       "en_US/K7_2Resc",
       {"failed to open also"}},
      {"nothing", {}, "fr_FR", nullptr, {"failed to open also"}},
      {"a directory is not a file", {"fr_FR/K7_2Resc/x"}, "fr_FR", nullptr, {"unable to open"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    qwtest::TempDir dir;
    for (const auto& f : c.files) dir.WriteFile(f, "QW5250*title: T\n");
    qwtest::LogCapture log;
    std::string opened;
    FILE* file = OpenMriFile(dir.Path() + "/" + c.mriDir, "K7_2Resc", &opened);
    if (c.opened) {
      ASSERT_NE(file, nullptr);
      EXPECT_EQ(opened, dir.Path() + "/" + c.opened);
      fclose(file);
    } else {
      EXPECT_EQ(file, nullptr);
    }
    for (const auto& l : c.logs) EXPECT_TRUE(log.Contains(l)) << l;
  }
}

}  // namespace
