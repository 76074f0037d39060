#pragma once
// Opening a web address that the operator clicked on the screen. The
// address is host text: it is checked character by character and handed to
// the browser as one argument of its own, never through a shell.
#include <string>
#include <vector>

class SessionControlBlock;

// An address of the form http://host... or ftp://host... (either case)
// made of printable ASCII that no program could read as more than an
// address: no blanks, quotes, shell or parameter characters.
bool ValidBrowserURL(const std::string& url);

// The browser's argument vector: a running browser is asked to show the
// address (in a new window when newWindow), else the browser starter runs
// with it.
std::vector<std::string> BrowserCommandLine(const std::string& url, bool browserRunning, bool newWindow);

// Whether a program of that name is found in PATH (or, with a slash, at
// that path) and may be executed.
bool ProgramInPath(const std::string& name);

// Opens the address at `length` screen positions from `start` of the
// session's screen. The process id, or -1 when nothing was started (an
// invalid address is logged; a browser that cannot be found or started is
// reported by a dialog and a log line).
int StartBrowser(SessionControlBlock* scb, unsigned int start, unsigned int length);
