#pragma once
// The command-line mistakes that stop QW5250 before it opens a window: an
// argument that looks like an option but is none (it would otherwise be
// taken as the host name), with the short usage text.
#include <cstdio>
#include <string>

// The first argument after the program name that begins with '-' and that
// neither QW5250 nor the toolkit takes as an option (or as an option's
// value); "" when there is none. Abbreviations are matched as the toolkit
// matches them.
std::string FirstUnknownOption(int argc, char** argv);

// Whether an argument that is no option asks for the usage text: "-help",
// "--help" or "-h".
bool AsksForHelp(const std::string& option);

// Writes the usage text of `program` (its last path part) to `out`.
void PrintUsage(std::FILE* out, const char* program);

// Writes "<program>: unknown option "<option>"" (or that a known option
// lacks its value) and the usage text to `out`.
void ReportUnknownOption(std::FILE* out, const char* program, const std::string& option);

// The exit status of a command line that QW5250 cannot start with.
constexpr int kUsageExitStatus = 2;
