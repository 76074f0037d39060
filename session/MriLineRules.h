#pragma once
// What each logical line of a resource file becomes: lines dropped, class
// names rewritten, and the extra lines that the helper programs need.
#include <string>
#include <vector>

// Helper-program modes, chosen by the name of the resource file read.
enum ResourceHelperMode : int {
  HelperModeNone = 0,
  HelperModeKeyM = 3,   // "K7_2KeyM"
  HelperModeKeyP = 4,   // "K7_2KeyP"
  HelperModeKPEd = 10,  // "K7_2KPEd"
};

// The mode a file name selects (HelperModeNone for any other name).
int HelperModeOfFileName(const char* fileName);
// The file read for a name: "K7_2KeyM" in any helper mode, else the name.
const char* MriFileToRead(const char* fileName);

// The process-wide helper mode, set by setApplicationResources.
int ResourceHelperMode();
void SetResourceHelperMode(int mode);

// The resource lines that one logical line yields for the database, in
// order (none for dropped, empty, comment and unusable lines; an unusable
// line is logged with its line number).
std::vector<std::string> HandleResourceLine(const std::string& line, int helperMode,
                                            int lineNumber = 0);
