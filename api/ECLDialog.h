#pragma once
// The dialog that starts a programming-interface client program from a
// session window: it asks for the client class and its arguments and starts
// Java with the client archive's class path, the wrapper class, "5250",
// what was typed and the session's name. The program is started from an
// argument vector (never through a shell) and not waited for.
#include <string>
#include <vector>

typedef struct _WidgetRec* Widget;
class SessionControlBlock;

// The wrapper class that the client archive provides as its entry point.
constexpr const char* kEclWrapperClass = "com.qw5250.ecl.ECLWrapper";
// The longest command line the dialog starts (all arguments with a blank
// between them); a longer one is refused.
constexpr size_t kMaxLaunchCommand = 1008;
// Host names of this many bytes or more start nothing.
constexpr size_t kMaxLaunchHostName = 46;

// The argument vector for a session of `host` with session number `number`
// and the typed text (split at blanks), from the values of CLASSPATH,
// JAVA_HOME and HOME (null: not set). Empty, with the reason in *why, when
// a value is missing or the command would be too long.
std::vector<std::string> EclLaunchCommand(const std::string& typed, const std::string& host, int number,
                                          const char* classPath, const char* javaHome, const char* home,
                                          std::string* why);

class ECLDialog {
 public:
  // Opens the dialog for a session, or raises the one that is open.
  static void Open(SessionControlBlock* session);
  // The open dialog (null when none).
  static Widget Current();
  // What OK does: starts the program for the session with the typed text.
  // The child's process id, or -1 when nothing was started (logged).
  static int Run(SessionControlBlock* session, const std::string& typed);
};
