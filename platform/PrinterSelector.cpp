#include "platform/PrinterSelector.h"

#include <Xm/Form.h>
#include <Xm/List.h>
#include <Xm/PushB.h>
#include <Xm/Xm.h>

#include <cstring>
#include <string>

#include "platform/PrinterList.h"

namespace {

struct Selection {
  bool done = false;
  int chosen = 0;
  Widget list = nullptr;
};

int Line(char* record, void* data) {
  const char* queue = record;
  const char* description = queue + std::strlen(queue) + 1;
  std::string* text = static_cast<std::string*>(data);
  *text = queue;
  if (std::strcmp(queue, description) != 0) *text += std::string("  ") + description;
  return 0;
}

void OkCallback(Widget, XtPointer data, XtPointer) {
  auto* s = static_cast<Selection*>(data);
  int* positions = nullptr;
  int count = 0;
  if (s->list && XmListGetSelectedPos(s->list, &positions, &count) && count > 0) s->chosen = positions[0];
  XtFree(reinterpret_cast<char*>(positions));
  s->done = true;
}

void CancelCallback(Widget, XtPointer data, XtPointer) {
  auto* s = static_cast<Selection*>(data);
  s->chosen = 0;
  s->done = true;
}

void DefaultActionCallback(Widget w, XtPointer data, XtPointer call) { OkCallback(w, data, call); }

void ParentGone(Widget, XtPointer data, XtPointer) {
  auto* s = static_cast<Selection*>(data);
  s->list = nullptr;
  s->chosen = 0;
  s->done = true;
}

}  // namespace

int printerSelectorGUI(XtAppContext app, Widget parent, int index, PrinterSelectCallback callback, void* clientData) {
  const int count = PrGetListNumber();
  if (!app || !parent || count <= 0) return -1;
  Selection s;
  Widget form = XmCreateForm(parent, const_cast<char*>("printerSelectForm"), nullptr, 0);
  Arg args[2];
  XtSetArg(args[0], XmNselectionPolicy, XmBROWSE_SELECT);
  XtSetArg(args[1], XmNvisibleItemCount, count < 10 ? count : 10);
  s.list = XmCreateScrolledList(form, const_cast<char*>("printerList"), args, 2);
  for (int i = 1; i <= count; ++i) {
    std::string text;
    getPrinterList(Line, i, "qd", &text);
    XmString item = XmStringCreateLocalized(const_cast<char*>(text.c_str()));
    XmListAddItemUnselected(s.list, item, 0);
    XmStringFree(item);
  }
  if (index >= 1 && index <= count) {
    // The keys start from the current printer too.
    XmListSelectPos(s.list, index, False);
  }
  Widget ok = XmCreatePushButton(form, const_cast<char*>("printerSelectOk"), nullptr, 0);
  Widget cancel = XmCreatePushButton(form, const_cast<char*>("printerSelectCancel"), nullptr, 0);
  XtVaSetValues(XtParent(s.list), XmNtopAttachment, XmATTACH_FORM, XmNleftAttachment, XmATTACH_FORM,
                XmNrightAttachment, XmATTACH_FORM, nullptr);
  XtVaSetValues(ok, XmNtopAttachment, XmATTACH_WIDGET, XmNtopWidget, XtParent(s.list), XmNleftAttachment,
                XmATTACH_FORM, XmNbottomAttachment, XmATTACH_FORM, nullptr);
  XtVaSetValues(cancel, XmNtopAttachment, XmATTACH_WIDGET, XmNtopWidget, XtParent(s.list), XmNleftAttachment,
                XmATTACH_WIDGET, XmNleftWidget, ok, XmNbottomAttachment, XmATTACH_FORM, nullptr);
  XtAddCallback(ok, XmNactivateCallback, OkCallback, &s);
  XtAddCallback(cancel, XmNactivateCallback, CancelCallback, &s);
  XtAddCallback(s.list, XmNdefaultActionCallback, DefaultActionCallback, &s);
  // The arrows move through the printers also where no virtual key
  // bindings make them osfUp and osfDown.
  XtOverrideTranslations(s.list, XtParseTranslationTable("~s ~c ~m ~a <Key>Up: ListPrevItem()\n"
                                                         "~s ~c ~m ~a <Key>Down: ListNextItem()"));
  XtAddCallback(form, XmNdestroyCallback, ParentGone, &s);
  XtManageChild(s.list);
  XtManageChild(ok);
  XtManageChild(cancel);
  XtManageChild(form);
  // The dialog that holds the parent is shown now, sized for the list.
  // The keys choose at once: the arrows move in the list, Return takes.
  // Each manager from the dialog down gives its first focus toward the list.
  Widget dialog = s.list;
  while (XtParent(dialog) && !XtIsShell(XtParent(dialog))) {
    XtVaSetValues(XtParent(dialog), XmNinitialFocus, dialog, nullptr);
    dialog = XtParent(dialog);
  }
  XtManageChild(dialog);
  // The keys start from the current printer too (once the list is shown).
  if (index >= 1 && index <= count) XmListSetKbdItemPos(s.list, index);
  XmProcessTraversal(s.list, XmTRAVERSE_CURRENT);

  while (!s.done) XtAppProcessEvent(app, XtIMAll);

  if (s.list) {
    XtRemoveCallback(form, XmNdestroyCallback, ParentGone, &s);
    XtDestroyWidget(form);
  }
  if (callback) callback(s.chosen, clientData);
  return 0;
}
