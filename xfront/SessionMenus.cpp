// The menu bar of a session window: the cascades and items that the
// function resources allow, the pop-up edit menu, the font menu, and the
// callbacks of the items that the window handles itself.
#include <Xm/CascadeB.h>
#include <Xm/CascadeBG.h>
#include <Xm/RowColumn.h>
#include <Xm/ToggleB.h>
#include <Xm/ToggleBG.h>

#include <cstdint>
#include <cstdio>

#include "session/SessionControlBlock.h"
#include "session/SessionTable.h"
#include "base/LogMsg.h"
#include "xfront/SessionMenuHooks.h"
#include "xfront/Win3270.h"
#include "xfront/XStuffPrivate.h"

namespace {

SessionMenuProc g_menuProcs[static_cast<int>(SessionMenuCommand::Count)] = {};
SessionKeyProc g_keyProc = nullptr;

constexpr const char* kCommandNames[] = {"new5250", "pfkeys",  "customize", "misc", "colormap", "keymap",
                                         "runApplet", "help", "paste", "copy", "cut", "font"};
static_assert(sizeof kCommandNames / sizeof kCommandNames[0] == static_cast<size_t>(SessionMenuCommand::Count),
              "one name per command");

void RunMenuCommand(SessionMenuCommand command, Widget w, XEvent* event) {
  SessionControlBlock* block = FindSessionOfWidget(w);
  if (!block) return;
  SessionMenuProc proc = GetSessionMenuProc(command);
  if (!proc) {
    if (DebugFlag())
      LogMsg(LevelDebug, "Menu item %s has no work attached.\n", kCommandNames[static_cast<int>(command)]);
    return;
  }
  proc(block, w, event);
}

// Client data: the command number.
void MenuCommandCallback(Widget w, XtPointer clientData, XtPointer callData) {
  const auto command = static_cast<SessionMenuCommand>(reinterpret_cast<intptr_t>(clientData));
  auto* cb = static_cast<XmAnyCallbackStruct*>(callData);
  RunMenuCommand(command, w, cb ? cb->event : nullptr);
}

XtPointer CommandData(SessionMenuCommand c) { return reinterpret_cast<XtPointer>(static_cast<intptr_t>(c)); }

// Control and Print menu items: client data is the keystroke code.
void KeyItemCallback(Widget w, XtPointer clientData, XtPointer) {
  SessionControlBlock* block = FindSessionOfWidget(w);
  if (!block) return;
  const unsigned char code = static_cast<unsigned char>(reinterpret_cast<intptr_t>(clientData));
  if (SessionKeyProc proc = GetSessionKeyProc()) {
    proc(block, &code, 1);
    // The key may have ended the session.
    block = FindSessionOfWidget(w);
    if (block) block->xstuff.Flush_X5250(0);
  } else if (DebugFlag()) {
    LogMsg(LevelDebug, "Keystroke code %c from the menu has no key glue attached.\n", code);
  }
}

XtPointer KeyData(char code) { return reinterpret_cast<XtPointer>(static_cast<intptr_t>(code)); }

void QuitItemCallback(Widget w, XtPointer, XtPointer);

// The macro recorder's entries: the record dialog, the playback dialog.
void RecordItemCallback(Widget w, XtPointer, XtPointer) {
  if (SessionControlBlock* block = FindSessionOfWidget(w)) block->playRecord.materializeRecordControls();
}
void PlaybackItemCallback(Widget w, XtPointer, XtPointer) {
  if (SessionControlBlock* block = FindSessionOfWidget(w)) block->playRecord.materializePlaybackControls(true);
}

void LocalPrintItemCallback(Widget w, XtPointer, XtPointer) {
  if (SessionControlBlock* block = FindSessionOfWidget(w)) block->xstuff.localPrintCallback();
}

// The press that dismissed a menu: the mouse actions ignore a button event
// of the same time.
void MenuUnmapCallback(Widget w, XtPointer clientData, XtPointer callData) {
  auto* p = static_cast<XStuff::Private*>(clientData);
  auto* cb = static_cast<XmAnyCallbackStruct*>(callData);
  if (cb && cb->event && cb->event->type == ButtonPress) {
    p->menuPressPending = true;
    p->menuPressTime = cb->event->xbutton.time;
  } else {
    p->menuPressPending = false;
  }
}

// The font menu: the chosen font becomes the session's, and its toggle the
// only one set (a click on the set toggle keeps it set).
void FontToggleCallback(Widget w, XtPointer, XtPointer callData) {
  auto* cb = static_cast<XmToggleButtonCallbackStruct*>(callData);
  SessionControlBlock* block = FindSessionOfWidget(w);
  if (!block) return;
  if (cb && !cb->set) {
    XmToggleButtonSetState(w, True, False);
    return;
  }
  block->xstuff.fontMenuSelected(w);
}

class MenuBuilder {
 public:
  MenuBuilder(XStuff& x, XStuff::Private& p) : x_(x), p_(p) {}

  Widget pulldown(Widget parent, const char* name) {
    Widget menu = XmCreatePulldownMenu(parent, const_cast<char*>(name), nullptr, 0);
    XtAddCallback(menu, XmNunmapCallback, MenuUnmapCallback, &p_);
    return menu;
  }
  Widget cascade(const char* name, Widget menu) {
    Arg args[1];
    Cardinal n = 0;
    if (menu) {
      XtSetArg(args[n], XmNsubMenuId, menu);
      ++n;
    }
    Widget c = XmCreateCascadeButton(p_.menuBar, const_cast<char*>(name), args, n);
    XtManageChild(c);
    x_.addMenuBarWidget(c);
    return c;
  }
  Widget item(Widget menu, const char* name, XtCallbackProc cb, XtPointer data, bool greyed = false) {
    Widget w = MenuItemAdd(menu, name, cb, 1, data, greyed ? 1 : 0);
    x_.addMenuBarWidget(w);
    return w;
  }
  void editItems(Widget menu) {
    item(menu, "paste", MenuCommandCallback, CommandData(SessionMenuCommand::Paste));
    p_.copyItems.push_back(item(menu, "copy", MenuCommandCallback, CommandData(SessionMenuCommand::Copy), true));
    p_.cutItems.push_back(item(menu, "cut", MenuCommandCallback, CommandData(SessionMenuCommand::Cut), true));
  }

 private:
  XStuff& x_;
  XStuff::Private& p_;
};

// One toggle per font of the font menu, labelled by its cell size, the
// chosen one set.
void BuildFontMenu(XStuff::Private& p, Widget menu) {
  if (!p.family || !p.fonts) return;
  const std::vector<LoadedFontSet>& sets = p.fonts->drawingSets.empty() ? p.fonts->menuSets : p.fonts->drawingSets;
  for (size_t i = 0; i < p.fontChoice.menuEntries.size() && i < sets.size(); ++i) {
    const FontStats& stats = p.family->table[p.fontChoice.menuEntries[i]];
    char name[32], label[32];
    std::snprintf(name, sizeof name, "font%zuButton", i);
    const XFontStruct* f = sets[i].font;
    std::snprintf(label, sizeof label, "%dx%d", f ? f->max_bounds.width : stats.cellWidth,
                  f ? f->ascent + f->descent : stats.cellHeight);
    XmString text = XmStringCreateLocalized(label);
    Arg args[5];
    Cardinal n = 0;
    XtSetArg(args[n], XmNlabelString, text); ++n;
    XtSetArg(args[n], XmNrenderTable, sets[i].fontList); ++n;
    XtSetArg(args[n], XmNuserData, reinterpret_cast<XtPointer>(sets[i].font)); ++n;
    XtSetArg(args[n], XmNset, p.fontChoice.menuEntries[i] == p.fontChoice.chosenEntry ? XmSET : XmUNSET); ++n;
    XtSetArg(args[n], XmNindicatorType, XmONE_OF_MANY); ++n;
    Widget t = XmCreateToggleButtonGadget(menu, name, args, n);
    XmStringFree(text);
    XtAddCallback(t, XmNvalueChangedCallback, FontToggleCallback, nullptr);
    XtManageChild(t);
    p.fontToggles.push_back(t);
  }
}

}  // namespace

void SetSessionMenuProc(SessionMenuCommand command, SessionMenuProc proc) {
  const int i = static_cast<int>(command);
  if (i >= 0 && i < static_cast<int>(SessionMenuCommand::Count)) g_menuProcs[i] = proc;
}

SessionMenuProc GetSessionMenuProc(SessionMenuCommand command) {
  const int i = static_cast<int>(command);
  return (i >= 0 && i < static_cast<int>(SessionMenuCommand::Count)) ? g_menuProcs[i] : nullptr;
}

void SetSessionKeyProc(SessionKeyProc proc) { g_keyProc = proc; }
SessionKeyProc GetSessionKeyProc() { return g_keyProc; }

void BuildSessionMenus(XStuff& x, XStuff::Private& p) {
  const SessionMenuPlan& plan = p.plan;
  MenuBuilder b(x, p);

  // The pop-up edit menu on the shell exists whenever the edit menu does.
  if (plan.editMenu) {
    Arg args[1];
    XtSetArg(args[0], XmNmenuPost, const_cast<char*>("<Btn2Down>"));
    p.popupEditMenu = XmCreatePopupMenu(x.shell(), const_cast<char*>("editMenu"), args, 1);
    XtAddCallback(p.popupEditMenu, XmNunmapCallback, MenuUnmapCallback, &p);
    b.editItems(p.popupEditMenu);
  }
  if (!p.menuBar) return;

  if (plan.commandMenu) {
    Widget menu = b.pulldown(p.menuBar, "commandMenu");
    b.item(menu, "new5250", MenuCommandCallback, CommandData(SessionMenuCommand::NewSession));
    b.item(menu, "quit", QuitItemCallback, nullptr);
    b.cascade("cmdCascade", menu);
  }
  if (plan.editMenu) {
    Widget menu = b.pulldown(p.menuBar, "editMenu");
    b.editItems(menu);
    b.cascade("editCascade", menu);
  }
  if (plan.optionMenu) {
    Widget menu = b.pulldown(p.menuBar, "optionMenu");
    if (plan.fonts.present) {
      p.fontMenu = XmCreatePulldownMenu(menu, const_cast<char*>("fontMenu"), nullptr, 0);
      XtAddCallback(p.fontMenu, XmNunmapCallback, MenuUnmapCallback, &p);
      BuildFontMenu(p, p.fontMenu);
      Arg args[1];
      XtSetArg(args[0], XmNsubMenuId, p.fontMenu);
      Widget c = XmCreateCascadeButtonGadget(menu, const_cast<char*>("fontMenuCascade"), args, 1);
      p.fontCascade = c;
      XtManageChild(c);
      x.addMenuBarWidget(c);
    }
    if (plan.keypad.present)
      b.item(menu, "pfkeys", MenuCommandCallback, CommandData(SessionMenuCommand::Keypad), plan.keypad.greyed);
    if (plan.customize.present)
      b.item(menu, "customize", MenuCommandCallback, CommandData(SessionMenuCommand::CustomizeKeypad));
    if (plan.record.present) b.item(menu, "record", RecordItemCallback, nullptr);
    if (plan.playback.present) b.item(menu, "playback", PlaybackItemCallback, nullptr);
    if (plan.misc.present) b.item(menu, "misc", MenuCommandCallback, CommandData(SessionMenuCommand::Miscellaneous));
    if (plan.colormap.present)
      b.item(menu, "colormap", MenuCommandCallback, CommandData(SessionMenuCommand::ColorMap), plan.colormap.greyed);
    if (plan.keymap.present)
      b.item(menu, "keymap", MenuCommandCallback, CommandData(SessionMenuCommand::KeyboardRemap), plan.keymap.greyed);
    if (plan.runApplet.present)
      b.item(menu, "runApplet", MenuCommandCallback, CommandData(SessionMenuCommand::RunApplet));
    b.cascade("optCascade", menu);
  }
  if (plan.controlMenu) {
    Widget menu = b.pulldown(p.menuBar, "controlMenu");
    b.item(menu, "reset", KeyItemCallback, KeyData('6'));
    b.item(menu, "sysreq", KeyItemCallback, KeyData('5'));
    b.item(menu, "attention", KeyItemCallback, KeyData('>'));
    b.item(menu, "helpkey", KeyItemCallback, KeyData('@'));
    b.item(menu, "enterkey", KeyItemCallback, KeyData('1'));
    b.cascade("ctlCascade", menu);
  }
  if (plan.printMenu) {
    Widget menu = b.pulldown(p.menuBar, "printMenu");
    b.item(menu, "local", LocalPrintItemCallback, nullptr);
    b.item(menu, "system", KeyItemCallback, KeyData('?'));
    b.cascade("prtCascade", menu);
  }
  if (plan.helpCascade) {
    Widget help = b.cascade("helpCascade", nullptr);
    XtAddCallback(help, XmNactivateCallback, MenuCommandCallback, CommandData(SessionMenuCommand::Help));
    XtVaSetValues(p.menuBar, XmNmenuHelpWidget, help, nullptr);
  }
}

namespace {

struct DeferredQuit {
  int slot;
  int sequence;
  SessionControlBlock* block;
};

void EndSessionOf(SessionControlBlock* block) { EndSession(block, 0); }

void DeferredQuitTimer(XtPointer clientData, XtIntervalId*) {
  auto* q = static_cast<DeferredQuit*>(clientData);
  const SessionTableEntry* e = SessionEntry(q->slot);
  SessionControlBlock* block =
      e && e->shell && e->session == q->block && e->sequence == q->sequence ? q->block : nullptr;
  delete q;
  if (block) EndSessionOf(block);
}

}  // namespace

// Quit, and the window manager's close: ends the session. While a message
// pump runs inside the engine the end waits for the main loop.
void QuitSessionOfWidget(Widget w) {
  SessionControlBlock* block = FindSessionOfWidget(w);
  if (!block) return;
  if (XStuffMessagePumpActive()) {
    const SessionTableEntry* e = SessionEntry(block->slot);
    auto* q = new DeferredQuit{block->slot, e ? e->sequence : 0, block};
    XtAppAddTimeOut(XtWidgetToApplicationContext(w), 0, DeferredQuitTimer, q);
    return;
  }
  EndSessionOf(block);
}

namespace {
void QuitItemCallback(Widget w, XtPointer, XtPointer) { QuitSessionOfWidget(w); }
}  // namespace
