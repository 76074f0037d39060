#include "session/MriLineRules.h"

#include <cstring>

#include "base/LogMsg.h"

namespace {

int g_helperMode = HelperModeNone;

bool StartsWith(const std::string& line, const char* prefix) {
  return line.compare(0, std::strlen(prefix), prefix) == 0;
}

bool StartsWithAny(const std::string& line, std::initializer_list<const char*> prefixes) {
  for (const char* p : prefixes)
    if (StartsWith(line, p)) return true;
  return false;
}

// Replaces a leading `from` by `to`; true when it did.
bool RewriteLeading(std::string& line, const char* from, const char* to) {
  if (!StartsWith(line, from)) return false;
  line.replace(0, std::strlen(from), to);
  return true;
}

constexpr char kActionDefLabel[] = "Brimvault*actionDef.labelString";  // 31 characters
constexpr char kNoPrinters[] = "QW5250*ErrorMsgNoPrinters:";           // 26 characters

// The value part of a resource line whose name ends at `nameEnd`: what
// follows the colon, when only blanks stand between the name and the colon.
bool ValueAfterName(const std::string& line, size_t nameEnd, std::string& value) {
  size_t i = nameEnd;
  while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
  if (i >= line.size() || line[i] != ':') return false;
  value = line.substr(i + 1);
  return true;
}

bool IsBlank(const std::string& line) {
  for (char c : line)
    if (c != ' ' && c != '\t') return false;
  return true;
}

}  // namespace

int HelperModeOfFileName(const char* fileName) {
  if (!fileName) return HelperModeNone;
  if (std::strcmp(fileName, "K7_2KeyP") == 0) return HelperModeKeyP;
  if (std::strcmp(fileName, "K7_2KeyM") == 0) return HelperModeKeyM;
  if (std::strcmp(fileName, "K7_2KPEd") == 0) return HelperModeKPEd;
  return HelperModeNone;
}

const char* MriFileToRead(const char* fileName) {
  return HelperModeOfFileName(fileName) != HelperModeNone ? "K7_2KeyM" : fileName;
}

int ResourceHelperMode() { return g_helperMode; }
void SetResourceHelperMode(int mode) { g_helperMode = mode; }

std::vector<std::string> HandleResourceLine(const std::string& input, int helperMode,
                                            int lineNumber) {
  std::vector<std::string> out;
  if (input.empty() || input[0] == '!' || IsBlank(input)) return out;
  if (input.find('\0') != std::string::npos) {
    LogMsg(LevelError, "%s: resource file line %d holds a NUL byte; line ignored.\n", "QWC0192",
           lineNumber);
    return out;
  }
  std::string line = input;

  // 1. Classes of other programs; renamed classes.
  if (StartsWithAny(line, {"ZE3270", "Hirtaven", "Jostrel"})) return out;
  RewriteLeading(line, "Drevask", "Zolvenar") || RewriteLeading(line, "QW9999", "QW5250");

  // 2. The define-action label also serves as the help-action label of the
  // helper program of this mode.
  if (StartsWith(line, kActionDefLabel)) {
    std::string value;
    if (ValueAfterName(line, sizeof kActionDefLabel - 1, value)) {
      const char* help = helperMode == HelperModeKeyM   ? "Trosvel*actionHelp.labelString:"
                         : helperMode == HelperModeKeyP ? "Ombrath*actionHelp.labelString:"
                                                        : "Vosmerk*actionHelp.labelString:";
      out.push_back(help + value);
    }
  }

  // 3. The no-printers message is shared with the helper programs.
  if (StartsWith(line, kNoPrinters)) {
    std::string text = line.substr(sizeof kNoPrinters - 1);
    if (DebugFlag()) LogMsg(LevelDebug, "found resource %s.\n", line.c_str());
    for (const char* prefix : {"Trosvel*ErrorMsgNoPrinters:", "Ombrath*ErrorMsgNoPrinters:",
                               "Vosmerk*ErrorMsgNoPrinters:", "HelpView*ErrorMsgNoPrinters:"}) {
      out.push_back(prefix + text);
      if (DebugFlag()) LogMsg(LevelDebug, "duplicating as %s.\n", out.back().c_str());
    }
  }

  // 4. Each helper program keeps its own class and takes over the shared ones.
  switch (helperMode) {
    case HelperModeKeyM:
      if (StartsWithAny(line, {"Ombrath", "Vosmerk"})) return out;
      RewriteLeading(line, "Gulmaren", "Trosvel") || RewriteLeading(line, "Sarvoket", "Trosvel") ||
          RewriteLeading(line, "Brimvault", "Trosvel");
      break;
    case HelperModeKeyP:
      if (StartsWithAny(line, {"Trosvel", "Vosmerk"})) return out;
      RewriteLeading(line, "Gulmaren", "Ombrath") || RewriteLeading(line, "Sarvoket", "Ombrath") ||
          RewriteLeading(line, "Brimvault", "Ombrath");
      break;
    case HelperModeKPEd:
      if (StartsWithAny(line, {"Trosvel", "Ombrath"})) return out;
      RewriteLeading(line, "Brimvault", "Vosmerk");
      break;
    default:
      break;
  }

  // 5. A resource line is a name, a colon and a value. "#" lines are
  // directives to the resource parser, which would read the file that an
  // "#include" names (a FIFO there blocks the start-up): never passed on.
  if (line[0] == '#') {
    LogMsg(LevelError, "%s: resource file line %d is a directive; line ignored.\n", "QWC0192",
           lineNumber);
    return out;
  }
  size_t colon = line.find(':');
  if (colon == std::string::npos || IsBlank(line.substr(0, colon))) {
    LogMsg(LevelError, "%s: resource file line %d is not a resource line; line ignored.\n",
           "QWC0192", lineNumber);
    return out;
  }
  out.push_back(line);
  return out;
}
