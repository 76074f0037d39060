#include "session/EditMenuCommands.h"

#include <X11/Intrinsic.h>

#include "display/DisplayBag.h"
#include "keyboard/InObjGen.h"
#include "session/SessionControlBlock.h"
#include "session/SessionTable.h"
#include "xfront/SessionMenuHooks.h"

namespace {

// The event number that macro playback replays for a menu event.
constexpr int kRecordedMenuEvent = 252;

void RunEditCommand(SessionControlBlock* scb, Widget item, int menuEvent) {
  if (!scb || !scb->display) return;
  DisplayBag* display = scb->display;
  display->inObjGen().processMenuEvent(display, menuEvent);
  // A paste may have run a nested event loop: the session must still be there.
  if (!item || FindSessionOfWidget(item) != scb) return;
  display->outputChanges();
  const unsigned char recorded = static_cast<unsigned char>(menuEvent);
  scb->playRecord.recordNonDataKeyEvent(kRecordedMenuEvent, &recorded, 1);
  scb->xstuff.Flush_X5250(0);
}

void PasteProc(SessionControlBlock* scb, Widget item, XEvent*) { RunEditCommand(scb, item, InObjGen::kMenuPaste); }
void CopyProc(SessionControlBlock* scb, Widget item, XEvent*) { RunEditCommand(scb, item, InObjGen::kMenuCopy); }
void CutProc(SessionControlBlock* scb, Widget item, XEvent*) { RunEditCommand(scb, item, InObjGen::kMenuCut); }

}  // namespace

void AttachEditMenus() {
  SetSessionMenuProc(SessionMenuCommand::Paste, PasteProc);
  SetSessionMenuProc(SessionMenuCommand::Copy, CopyProc);
  SetSessionMenuProc(SessionMenuCommand::Cut, CutProc);
}
