#pragma once
// Where the print program is found: beside the running program first (its
// own folder, then the print folder of the build tree it was built in,
// ../print), then in the folders of PATH. So a session started from a build
// tree or an installed bin folder prints without the program on PATH.
#include <string>
#include <vector>

// The folders tried before PATH, for a program whose folder is
// `programFolder` ("" when it is not known: none).
std::vector<std::string> PrintProgramFoldersBeside(const std::string& programFolder);

// The path of an executable print program, or "" when there is none;
// `searched` (when given) receives the folders looked in, PATH last as "PATH".
std::string FindPrintProgram(const std::string& programFolder, std::vector<std::string>* searched = nullptr);

// The folder of the running program (from /proc/self/exe); "" when unknown.
std::string RunningProgramFolder();
