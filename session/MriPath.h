#pragma once
// Where the translated resource file is found: $MRIPATH/<file>, the
// directory without "@euro", and the "en_US" directory beside it.
#include <cstdio>
#include <string>
#include <vector>

// The language of the resources from the value of LC_MESSAGES (null when
// unset): its first five characters when it is longer than four, else
// "en_US" with a log line.
std::string MriLanguage(const char* lcMessages);

// The paths tried in order for a file under the MRI directory.
std::vector<std::string> MriCandidatePaths(const std::string& mriPath, const std::string& fileName);

// Opens the first candidate that opens, logging each failure; null when
// none does. *opened is the path of the file opened.
FILE* OpenMriFile(const std::string& mriPath, const std::string& fileName, std::string* opened);
