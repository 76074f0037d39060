#include "xfront/SessionWindowRules.h"

#include <cwchar>

#include <Xm/MwmUtil.h>

#include "base/Utf8.h"
#include "session/AppResources.h"
#include "session/ResourceKeywords.h"

MenuResources MenuResourcesOf(const AppResourceStruct& res) {
  MenuResources r;
  r.command = res.command;
  r.edit = res.edit;
  r.option = res.option;
  r.control = res.control;
  r.localPrint = res.localPrint;
  r.help = res.help;
  r.changeIPAddress = res.changeIPAddress;
  r.fontMenu = res.fontMenu;
  r.keyPad = res.keyPad;
  r.playBack = res.playBack;
  r.drevask = res.drevask;
  r.colorMap = res.colorMap;
  r.keyRemap = res.keyRemap;
  return r;
}

void ForceConsoleResources(MenuResources& r) {
  for (unsigned char* v : {&r.command, &r.localPrint, &r.help, &r.keyPad, &r.playBack, &r.drevask, &r.colorMap,
                           &r.keyRemap})
    *v = QwDisableAndHide;
}

SessionMenuPlan PlanSessionMenus(const MenuResources& r, bool copyPasteAllowed, bool programmingInterface) {
  SessionMenuPlan p;
  p.commandMenu = r.command != QwDisableAndHide && r.command != QwDisableAndAllowWmClose;
  p.editMenu = r.edit != QwDisableAndHide && copyPasteAllowed;
  p.optionMenu = r.option != QwDisableAndHide;
  p.controlMenu = r.control != QwDisableAndHide;
  p.printMenu = r.localPrint != QwDisableAndHide && r.localPrint != QwKeyboardOnlyLocalPrint;
  p.helpCascade = r.help != QwDisableAndHide;
  p.menuBar = p.commandMenu || p.editMenu || p.optionMenu || p.controlMenu || p.printMenu || p.helpCascade;
  if (!p.optionMenu) return p;

  p.fonts.present = r.fontMenu == QwEnable || r.fontMenu == QwFixedFontsOnly;
  p.keypad.present = r.keyPad != QwDisableAndHide;
  p.keypad.greyed = r.keyPad == QwFalse;
  p.customize.present = r.keyPad == QwEnable || r.keyPad == QwTrue || r.keyPad == QwFalse;
  p.playback.present = r.playBack != QwDisableAndHide;
  p.record.present = p.playback.present && r.playBack != QwPlaybackOnly;
  p.misc.present = r.drevask != QwDisableAndHide;
  p.colormap.present = r.colorMap != QwDisableAndHide;
  p.colormap.greyed = r.colorMap == QwDisable;
  p.keymap.present = r.keyRemap != QwDisableAndHide;
  p.keymap.greyed = r.keyRemap == QwDisable;
  p.runApplet.present = programmingInterface;
  return p;
}

int CopyPasteModeFromResource(unsigned char copyPasteAccess) {
  switch (copyPasteAccess) {
    case QwDisable: return 3;
    case QwSessionOnly: return 2;
    default: return 1;
  }
}

bool LocalPrintAllowed(unsigned char localPrint) {
  return localPrint == QwEnable || localPrint == QwKeyboardOnlyLocalPrint;
}

std::string SessionIconName(int titleMode, const std::string& title, const std::string& host,
                            const std::string& sessionId) {
  if (titleMode < 1 || titleMode > 5) titleMode = 1;
  std::string name;
  if (titleMode != 3) name = title;
  if (titleMode == 4 || titleMode == 5) name += " : " + host;
  if (titleMode == 1 || titleMode == 3 || titleMode == 5) {
    if (!name.empty()) name += " : ";
    name += sessionId;
  }
  return name;
}

std::string LocaleTextToUtf8(const std::string& text) {
  std::string out;
  std::mbstate_t state{};
  size_t i = 0;
  while (i < text.size()) {
    wchar_t wc = 0;
    const size_t n = std::mbrtowc(&wc, text.data() + i, text.size() - i, &state);
    if (n == static_cast<size_t>(-1) || n == static_cast<size_t>(-2) || n == 0 || wc < 0 ||
        static_cast<unsigned long>(wc) > 0x10FFFF) {
      AppendUtf8(out, static_cast<unsigned char>(text[i]));
      state = std::mbstate_t{};
      ++i;
      continue;
    }
    AppendUtf8(out, static_cast<unsigned long>(wc));
    i += n;
  }
  return out;
}

std::string SessionClassHintName(bool maximized) {
  return maximized ? std::string(kSessionWindowClass) + ",zoom=on" : std::string(kSessionWindowClass);
}

ThaiDisplayFlags ThaiFlagsForMode(int mode) {
  switch (mode) {
    case 1: return {false, false, false};
    case 2: return {true, false, false};
    case 3: return {true, true, false};
    case 4: return {true, false, true};
    default: return {true, true, true};
  }
}

long SessionShellWmFunctions(const MenuResources& r) {
  const bool noClose = r.command == QwDisableAndHide;
  const bool fixed = r.fontMenu == QwDisableNoResizeOrMove;
  if (!noClose && !fixed) return -1;
  long functions = MWM_FUNC_RESIZE | MWM_FUNC_MOVE | MWM_FUNC_MINIMIZE | MWM_FUNC_MAXIMIZE | MWM_FUNC_CLOSE;
  if (noClose) functions &= ~MWM_FUNC_CLOSE;
  if (fixed) functions &= ~(MWM_FUNC_RESIZE | MWM_FUNC_MOVE | MWM_FUNC_MINIMIZE | MWM_FUNC_MAXIMIZE);
  return functions;
}

std::string CommMessageText(unsigned int number) {
  std::string digits = std::to_string(number);
  if (digits.size() > 4) digits.erase(0, digits.size() - 4);
  digits.resize(4, ' ');
  return digits;
}
