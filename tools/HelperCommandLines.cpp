#include "tools/HelperCommandLines.h"

#include <cstdio>

namespace {

using Args = std::vector<std::string>;

void Add(Args& a, std::initializer_list<std::string> more) { a.insert(a.end(), more); }

void Common(Args& a, const HelperLaunchValues& v) {
  if (v.debug) a.push_back("-debug");
  Add(a, {"-qwxxxx", "QW5250"});
}

void SessionName(Args& a, const HelperLaunchValues& v) {
  if (v.defaultSessionId)
    Add(a, {"-hostSess", v.hostName + "-" + std::to_string(v.instance)});
  else
    Add(a, {"-sessionID", v.sessionId});
}

void Euro(Args& a, const HelperLaunchValues& v) { Add(a, {"-euro", v.euro ? "1" : "0"}); }

// The session's dialog colours, which the helper's windows take.
void AddColorOptions(Args& a, const HelperLaunchValues& v) {
  static const char* const kOptions[6] = {"-menuForeground",     "-menuBackground", "-textForeground",
                                          "-groupBoxBackground", "-formBackground", "-entryAreaBackground"};
  for (int i = 0; i < 6; ++i) {
    char colour[16];
    std::snprintf(colour, sizeof colour, "#%6.6x", v.dialogColors[i] & 0xFFFFFFu);
    Add(a, {kOptions[i], colour});
  }
}

}  // namespace

std::string HexWord(unsigned long value) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%lx", value);
  return text;
}

std::vector<std::string> ColorMapperCommandLine(const HelperLaunchValues& v) {
  Args a{"tintwell", "-display", v.displayName};
  Common(a, v);
  if (v.advancedColors) a.push_back("-advcolor");
  Add(a, {"-sysadminPaths", HexWord(static_cast<unsigned long>(v.colorDirectoriesKey)), "-size",
          HexWord(v.colorDirectoriesSize)});
  Add(a, {"-winId", HexWord(v.topWindow), "-emulTitle", v.title});
  SessionName(a, v);
  if (!v.advancedColorFile.empty()) Add(a, {"-advFile", v.advancedColorFile});
  if (v.fileNamesInverted) Add(a, {"-saveFileConv", "INV"});
  AddColorOptions(a, v);
  return a;
}

std::vector<std::string> KeyboardMapperCommandLine(const HelperLaunchValues& v) {
  Args a{"brastor", "-display", v.displayName, "-geometry", "+0+0"};
  Common(a, v);
  Add(a, {"-winId", HexWord(v.menuWindow), "-em_ebc_cp", v.hostCodePage});
  if (v.forceTranslatedFont) a.push_back("-FORCE_MRI_FONT");
  Add(a, {"-emul_lang", v.emulatorLanguage, "-emulTitle", v.title});
  if (v.printerDefinitionTable) a.push_back("-PDT");
  SessionName(a, v);
  if (!v.keyFile.empty()) Add(a, {"-keyFileName", v.keyFile});
  if (v.fileNamesInverted) Add(a, {"-keyFileConv", "INV"});
  if (!v.reserveWmKeys) a.push_back("-no_reserve_wm_keys");
  Add(a, {"-whichKeyboard", std::to_string(v.keyboardId), "-keyboardLang", v.keyboardLanguage});
  Euro(a, v);
  AddColorOptions(a, v);
  return a;
}

std::vector<std::string> KeypadCustomizerCommandLine(const HelperLaunchValues& v) {
  Args a{"keypad", "-display", v.displayName, "-geometry", "-0+0"};
  Common(a, v);
  Add(a, {"-winId", HexWord(v.topWindow), "-em_ebc_cp", v.hostCodePage});
  if (v.forceTranslatedFont) a.push_back("-FORCE_MRI_FONT");
  Add(a, {"-emul_lang", v.emulatorLanguage, "-hostSess", v.title});
  if (v.fileNamesInverted) Add(a, {"-keyFileConv", "INV"});
  Add(a, {"-keyboardLang", v.keyboardLanguage});
  Euro(a, v);
  if (v.printerDefinitionTable) a.push_back("-PDT");
  AddColorOptions(a, v);
  return a;
}

std::vector<std::string> PlaybackEditorCommandLine(const HelperLaunchValues& v) {
  Args a{"vosmerk", "-display", v.displayName, "-geometry", "+0+0"};
  Common(a, v);
  Add(a, {"-winId", HexWord(v.topWindow), "-em_ebc_cp", v.hostCodePage});
  if (v.forceTranslatedFont) a.push_back("-FORCE_MRI_FONT");
  Add(a, {"-emul_lang", v.emulatorLanguage, "-playbackFileToEdit", v.playbackFile, "-hostSess", v.title});
  if (v.fileNamesInverted) Add(a, {"-keyFileConv", "INV"});
  Add(a, {"-keyboardLang", v.keyboardLanguage});
  Euro(a, v);
  if (v.printerDefinitionTable) a.push_back("-PDT");
  char rows[16], cols[16];
  std::snprintf(rows, sizeof rows, "%x", static_cast<unsigned>(v.rows));
  std::snprintf(cols, sizeof cols, "%x", static_cast<unsigned>(v.cols));
  Add(a, {"-rows", rows, "-cols", cols});
  AddColorOptions(a, v);
  return a;
}

std::vector<std::string> PreferencesCommandLine(const HelperLaunchValues& v) {
  Args a{"zembrot", "-display", v.displayName, "-geometry", "-0+0", "-winId", HexWord(v.topWindow)};
  if (v.debug) a.push_back("-debug");
  if (v.is5250Keyboard) a.push_back("-is5250Keyboard");
  AddColorOptions(a, v);
  return a;
}

std::vector<std::string> HelpViewerCommandLine(const HelperLaunchValues& v, const char* topic) {
  Args a{"daltrue"};
  AddColorOptions(a, v);
  Add(a, {"-qwxxxx", "QW5250"});
  if (v.debug) a.push_back("-debug");
  Add(a, {"-helpFile", "K7_2Help"});
  if (topic && *topic) Add(a, {"-startTopic", topic});
  if (!v.asciiCodePage.empty()) Add(a, {"-asciiCodepage", v.asciiCodePage});
  return a;
}

std::string MassageTranslations(const std::string& text) {
  static const std::string kPress = "<ButtonPress>";
  std::string pass1;
  pass1.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    if (text.compare(i, kPress.size(), kPress) == 0 && i + kPress.size() < text.size()) {
      pass1 += "<Btn";
      pass1 += text[i + kPress.size()];
      pass1 += "Down>";
      i += kPress.size() + 1;
    } else if (text.compare(i, 7, "<Button") == 0 && i + 16 <= text.size()) {
      pass1 += "<Btn";
      pass1 += text[i + 15];
      pass1 += "Up>";
      i += 16;
    } else {
      pass1 += text[i++];
    }
  }
  std::string out;
  out.reserve(pass1.size() + 16);
  for (size_t i = 0; i < pass1.size(); ++i) {
    if (pass1[i] == 'A' && i + 1 < pass1.size() && pass1[i + 1] == '<') {
      out += "Alt";
    } else {
      out += pass1[i];
    }
  }
  return out;
}
