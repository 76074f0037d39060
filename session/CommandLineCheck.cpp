#include "session/CommandLineCheck.h"

#include <X11/Xresource.h>

#include <cstring>
#include <iterator>
#include <vector>

#include "session/AppResources.h"

namespace {

#define QW_XT_OPTION(opt, resource, kind) {const_cast<char*>(opt), const_cast<char*>(resource), kind, nullptr}
// An option without a value sets its resource to the value given here, as
// the toolkit's own table does (the resource manager copies it).
#define QW_XT_FLAG(opt, resource, value) \
  {const_cast<char*>(opt), const_cast<char*>(resource), XrmoptionNoArg, const_cast<char*>(value)}

// The toolkit's own options (every Xt program takes them).
XrmOptionDescRec kToolkitOptions[] = {
    QW_XT_FLAG("+rv", "*reverseVideo", "off"),
    QW_XT_FLAG("+synchronous", "*synchronous", "off"),
    QW_XT_OPTION("-background", "*background", XrmoptionSepArg),
    QW_XT_OPTION("-bd", "*borderColor", XrmoptionSepArg),
    QW_XT_OPTION("-bg", "*background", XrmoptionSepArg),
    QW_XT_OPTION("-bordercolor", "*borderColor", XrmoptionSepArg),
    QW_XT_OPTION("-borderwidth", ".borderWidth", XrmoptionSepArg),
    QW_XT_OPTION("-bw", ".borderWidth", XrmoptionSepArg),
    QW_XT_OPTION("-display", ".display", XrmoptionSepArg),
    QW_XT_OPTION("-fg", "*foreground", XrmoptionSepArg),
    QW_XT_OPTION("-fn", "*font", XrmoptionSepArg),
    QW_XT_OPTION("-font", "*font", XrmoptionSepArg),
    QW_XT_OPTION("-foreground", "*foreground", XrmoptionSepArg),
    QW_XT_OPTION("-geometry", ".geometry", XrmoptionSepArg),
    QW_XT_FLAG("-iconic", ".iconic", "on"),
    QW_XT_OPTION("-name", ".name", XrmoptionSepArg),
    QW_XT_FLAG("-reverse", "*reverseVideo", "on"),
    QW_XT_FLAG("-rv", "*reverseVideo", "on"),
    QW_XT_OPTION("-selectionTimeout", ".selectionTimeout", XrmoptionSepArg),
    QW_XT_FLAG("-synchronous", "*synchronous", "on"),
    QW_XT_OPTION("-title", ".title", XrmoptionSepArg),
    QW_XT_OPTION("-xnllanguage", ".xnlLanguage", XrmoptionSepArg),
    {const_cast<char*>("-xrm"), nullptr, XrmoptionResArg, nullptr},
    QW_XT_OPTION("-xtsessionID", ".sessionID", XrmoptionSepArg),
};

const char kUsage[] =
    "usage: %s [options] [host]\n"
    "  -port n               the host's Telnet port (1-65535)\n"
    "  -SESSION_ID id        the session id\n"
    "  -SSL setting, -NO_SSL a secure session, or none\n"
    "  -tn type              a TN5250 terminal type, such as IBM-3179-2 or IBM-3477-FC\n"
    "  -wide enable|disable  27 x 132 screens\n"
    "  -geometry g           the window's size and place\n"
    "  -TITLE_OPTION mode    TEXT_AND_SESSION_ID, TEXT_ONLY, SESSION_ID_ONLY, TEXT_AND_HOST\n"
    "                        or TEXT_HOST_AND_SESSION_ID\n"
    "  -LANGID locale        the session language as a locale name, such as de_DE or\n"
    "                        ja_JP.QAV930 (5 or 12 characters; not a language id)\n"
    "  -keypad name          a keypad to open (up to ten)\n"
    "  -playback file        a playback file\n"
    "  -RETRY_COUNT n, -RETRY_INTERVAL s, -INACTIVITY s\n"
    "  -debug, -trace        debug log lines; the Telnet trace\n"
    "  -ECL, -NO_ECL         the programming interface for local programs, or none\n"
    "  -help, --help, -h     this text\n"
    "  and the toolkit's options: -display name, -xrm resource, -rv, -synchronous, ...\n";

}  // namespace

std::string FirstUnknownOption(int argc, char** argv) {
  if (argc <= 1 || !argv) return std::string();
  Cardinal ownCount = 0;
  const XrmOptionDescRec* own = AppOptionTable(&ownCount);
  std::vector<XrmOptionDescRec> table(own, own + ownCount);
  // As the toolkit merges them: an option of the program replaces the
  // toolkit's option of the same name (so "-geom" stays an abbreviation of
  // one option).
  for (const XrmOptionDescRec& t : kToolkitOptions) {
    bool replaced = false;
    for (Cardinal i = 0; i < ownCount && !replaced; ++i) replaced = std::strcmp(own[i].option, t.option) == 0;
    if (!replaced) table.push_back(t);
  }
  // The resource manager takes what it knows out of the argument list: what
  // stays is the host and anything unknown. It works on a copy.
  std::vector<char*> rest(argv, argv + argc);
  rest.push_back(nullptr);
  int restCount = argc;
  XrmDatabase database = nullptr;
  XrmParseCommand(&database, table.data(), static_cast<int>(table.size()), "qw5250", &restCount, rest.data());
  if (database) XrmDestroyDatabase(database);
  for (int i = 1; i < restCount; ++i)
    if (rest[i] && rest[i][0] == '-') return rest[i];
  return std::string();
}

bool AsksForHelp(const std::string& option) {
  return option == "-help" || option == "--help" || option == "-h";
}

void PrintUsage(std::FILE* out, const char* program) {
  const char* slash = program ? std::strrchr(program, '/') : nullptr;
  std::fprintf(out, kUsage, slash ? slash + 1 : (program ? program : "qw5250"));
}

void ReportUnknownOption(std::FILE* out, const char* program, const std::string& option) {
  const char* slash = program ? std::strrchr(program, '/') : nullptr;
  const char* name = slash ? slash + 1 : (program ? program : "qw5250");
  bool known = false;
  Cardinal ownCount = 0;
  const XrmOptionDescRec* own = AppOptionTable(&ownCount);
  for (Cardinal i = 0; i < ownCount && !known; ++i) known = option == own[i].option;
  for (const XrmOptionDescRec& o : kToolkitOptions) known = known || option == o.option;
  if (known)
    std::fprintf(out, "%s: option \"%s\" needs a value\n", name, option.c_str());
  else
    std::fprintf(out, "%s: unknown option \"%s\"\n", name, option.c_str());
  PrintUsage(out, name);
}
