// Every message that the program can show has its built-in English text:
// the walk over the sources finds each message name the code passes to a
// dialog, a message area or a log line, and the fallback resources must give
// it a text of its own.
#include <gtest/gtest.h>

#include <X11/Xresource.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>

#include "session/FallbackResources.h"
#include "tests/support/TestPaths.h"

namespace {

namespace fs = std::filesystem;

// The folders of the source tree that hold no program code: tests,
// benchmarks, fuzzers, documents, build files and build trees.
bool HoldsProgramCode(const fs::path& dir) {
  const std::string name = dir.filename().string();
  for (const char* other : {"tests", "bench", "fuzz", "docs", "cmake", "scripts"})
    if (name == other) return false;
  return name.rfind("build", 0) != 0 && name.rfind(".", 0) != 0;
}

// Message names: the resource names of dialog and message-area texts.
const std::regex kMessageName(
    "\"((?:Error|Warning)Msg[A-Z][A-Za-z0-9]*|PlaybackMsg[A-Z][A-Za-z0-9]*|RecordFileMsg[A-Z][A-Za-z0-9]*|"
    "playbackPauseDialogMsg[0-9]+)\"");

// Each message name with the first file that uses it, from every folder of
// program code (a new folder is walked too).
std::map<std::string, std::string> MessageNamesInSources() {
  std::map<std::string, std::string> names;
  const fs::path root = qwtest::SourceRoot();
  for (const auto& top : fs::directory_iterator(root)) {
    if (!top.is_directory() || !HoldsProgramCode(top.path())) continue;
    for (const auto& entry : fs::recursive_directory_iterator(top.path())) {
      const std::string ext = entry.path().extension().string();
      if (ext != ".cpp" && ext != ".h") continue;
      if (entry.path().filename() == "FallbackResources.cpp") continue;
      std::ifstream in(entry.path());
      for (std::string line; std::getline(in, line);) {
        if (line.find("Msg") == std::string::npos) continue;
        for (std::sregex_iterator it(line.begin(), line.end(), kMessageName), end; it != end; ++it)
          names.emplace((*it)[1].str(), fs::relative(entry.path(), root).string());
      }
    }
  }
  return names;
}

// The fallback resources as Xt reads them for the application.
class Fallbacks {
 public:
  Fallbacks() {
    XrmInitialize();
    for (char** line = QwFallbackResources(); *line; ++line) XrmPutLineResource(&db_, *line);
  }
  ~Fallbacks() { XrmDestroyDatabase(db_); }
  // The text of an application resource, or "" when there is none.
  std::string Text(const std::string& name) const {
    const std::string full = "qw5250." + name, cls = "QW5250." + name;
    char* type = nullptr;
    XrmValue value{};
    if (!XrmGetResource(db_, full.c_str(), cls.c_str(), &type, &value) || !value.addr) return "";
    return std::string(value.addr);
  }

 private:
  XrmDatabase db_ = nullptr;
};

TEST(MessageTextsTest, EveryMessageNameInTheSourcesHasItsText) {
  const auto names = MessageNamesInSources();
  // The walk finds the connection's messages: a walk that finds nothing
  // proves nothing.
  for (const char* known : {"ErrorMsgNoHostData2", "ErrorMsgSSLNegotiate", "ErrorMsgFatalTelnetError",
                            "ErrorMsgTelnetUndefined", "WarningMsgColorFileCorrupt", "PlaybackMsgFileCorrupt",
                            "ErrorMsgColorMapActive", "RecordFileMsgNoOpen"})
    EXPECT_EQ(names.count(known), 1u) << known;
  EXPECT_GT(names.size(), 30u);
  Fallbacks fallbacks;
  for (const auto& [name, file] : names) {
    const std::string text = fallbacks.Text(name);
    EXPECT_FALSE(text.empty()) << name << " (used in " << file << ") has no text";
    EXPECT_EQ(text.find(name), std::string::npos) << name << " reads as its own name";
  }
}

TEST(MessageTextsTest, TheConnectionMessagesReadAsTheUserIsTold) {
  Fallbacks fallbacks;
  const struct {
    const char* name;
    const char* text;
  } cases[] = {
      {"ErrorMsgNoHostData2", "Lost connection to host.\nRetry starting the emulator session?"},
      {"ErrorMsgTelnetUndefined", "Telnet is not defined in the services file.."},
      {"ErrorMsgUnknownHost", "The host is not known."},
      {"ErrorMsgUnableToConnect", "Unable to initiate connection."},
      {"ErrorMsgTelnetNegoFailed", "Telnet negotiations failed."},
      {"ErrorMsgFatalTelnetError", "Fatal Telnet error occurred."},
      {"ErrorMsgSSLNegotiate", "SSL negotiations failed."},
  };
  for (const auto& c : cases) EXPECT_EQ(fallbacks.Text(c.name), c.text) << c.name;
}

}  // namespace
