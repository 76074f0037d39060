// Menu items of the session window and fonts of Motif font lists.
#include <Xm/PushBG.h>
#include <Xm/SeparatoG.h>
#include <Xm/ToggleBG.h>

#include <string>

#include "xfront/Win3270.h"

Widget MenuItemAdd(Widget parent, const char* name, XtCallbackProc callback, int isButton,
                   XtPointer clientData, int insensitive) {
  if (!parent || !name) return nullptr;
  const std::string full = std::string(name) + (isButton ? "Button" : "Toggle");
  Widget item = isButton ? XmCreatePushButtonGadget(parent, const_cast<char*>(full.c_str()), nullptr, 0)
                         : XmCreateToggleButtonGadget(parent, const_cast<char*>(full.c_str()), nullptr, 0);
  if (!item) return nullptr;
  if (callback)
    XtAddCallback(item, isButton ? XmNactivateCallback : XmNvalueChangedCallback, callback, clientData);
  if (insensitive) XtSetSensitive(item, False);
  XtManageChild(item);
  return item;
}

Widget MenuSeparatorAdd(Widget parent) {
  if (!parent) return nullptr;
  Widget separator = XmCreateSeparatorGadget(parent, const_cast<char*>("separator"), nullptr, 0);
  if (separator) XtManageChild(separator);
  return separator;
}

void MenuToggleSetState(Widget item, bool on) {
  if (item) XmToggleButtonGadgetSetState(item, on ? True : False, False);
}

XFontStruct* GetFontFromFontList(XmFontList fontList, int n) {
  if (!fontList || n < 1) return nullptr;
  XmFontContext context = nullptr;
  if (!XmFontListInitFontContext(&context, fontList)) return nullptr;
  XFontStruct* found = nullptr;
  for (int i = 1; i <= n; ++i) {
    XmFontListEntry entry = XmFontListNextEntry(context);
    if (!entry) break;
    XmFontType type;
    XtPointer value = XmFontListEntryGetFont(entry, &type);
    if (!value) continue;
    // The font records of a font set belong to Xlib, which replaces them when
    // it loads a font on first use: no pointer to them may be kept.
    found = type == XmFONT_IS_FONT ? static_cast<XFontStruct*>(value) : nullptr;
  }
  XmFontListFreeFontContext(context);
  return found;
}
