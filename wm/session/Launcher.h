#pragma once
// The program launcher: one launch record per started program, the exit
// ring that the child signal handler fills, and child supervision.
#include <sys/types.h>

#include <cstddef>
#include <string>

#include "wm/services/LaunchIds.h"

struct ScreenState;
struct EvtSignalNotice;

struct RestartAction;

struct LaunchRecord {
  unsigned char id[8];
  pid_t pid;
  int priority;        // low-memory kill order; negative: never killed
  int desktopCommand;  // 1 for the desktop command
  char* name;          // owned
  RestartAction* restart;
};

// Splits text in place into at most size - 1 words (a word in double
// quotes may hold blanks); words[count] is null. Returns the count.
int SplitCommandLine(char* text, char** words, int size);

// Starts a program; the record (owned by the launcher, valid until the next
// launch or removal) or null.
LaunchRecord* LaunchProgram(const char* commandLine, int debug, int unused, int restart);

// Starts a Java program: "appletviewer" (flag 0x04), "java_g" (0x10) or
// "java" with the split arguments, CLASSPATH from the class path (bare
// archive names found through JARPATH) before the old one, and
// JAVA_SHELL_WIDGET_APP_NAME from the application name. Null or empty class
// path and name are absent.
LaunchRecord* LaunchJavaProgram(const char* arguments, const char* classPath, const char* applicationName,
                                int javaFlags, int debug, int restart);
// The class path with each entry without a '/' looked up in the
// directories of JARPATH (the first that holds it); empty entries vanish.
std::string ExpandJarPath(const char* classPath);

LaunchRecord* AddLaunchRecord(pid_t pid, const char* name, RestartAction* restart);
void RemoveLaunchRecord(pid_t pid);
LaunchRecord* FindLaunchRecordByPid(pid_t pid);
void UnregisterApplication(const unsigned char id[8]);
void ClearRestartActions();
int OnlyDesktopCommandLeft();
int LaunchRecordCount();
LaunchRecord* LaunchRecordAt(int index);
void WaitForChildren(int seconds);
// Log-off: every launched program, the desktop command included, ends with
// the process group it leads (terminated, then killed), and, when this
// process adopts orphans (`AdoptOrphans`), every other process below it
// too; then every other X client of the display.
void KillAllClients(ScreenState* state);
int KillLowestPriorityApplication();
// Makes the orphans of every program started from here this process's
// children rather than init's, so that log-off still finds a program that
// left its group or session (Teldra does it at start-up; 0 on success).
int AdoptOrphans();

// The child signal: the handler reaps into the ring and posts the notice.
void ChildSignalHandler(int sig);
void SetChildSignalNotice(EvtSignalNotice* notice);
void InstallChildSignalHandler();
void ReapChildren();

int ReportChildExit(const LaunchRecord* record, int status, const char* name);
// The text for an exit status worth telling the user about, else null.
const char* DescribeExitStatus(int status);

// Forgets every record without touching the processes (tests, forked children).
void ResetLauncher();
