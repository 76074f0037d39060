#include "xfront/DialogLook.h"

#include <Xm/Label.h>
#include <Xm/LabelG.h>
#include <Xm/MessageB.h>
#include <Xm/PushB.h>
#include <Xm/RowColumn.h>
#include <Xm/Xm.h>

#include "session/SessionControlBlock.h"
#include "xfront/XStuff.h"
#include "xfront/XStuffPrivate.h"

namespace {

// The children of a composite, and the pull-down of an option menu.
template <class Visit>
void EachPart(Widget w, Visit visit) {
  if (XtIsComposite(w)) {
    WidgetList kids = nullptr;
    Cardinal n = 0;
    XtVaGetValues(w, XmNchildren, &kids, XmNnumChildren, &n, nullptr);
    for (Cardinal i = 0; i < n; ++i) visit(kids[i]);
  }
  if (XmIsRowColumn(w)) {
    Widget pane = nullptr;
    XtVaGetValues(w, XmNsubMenuId, &pane, nullptr);
    if (pane) visit(pane);
  }
}

void CloseNotice(Widget w, XtPointer, XtPointer) { XtDestroyWidget(XtParent(w)); }

}  // namespace

void RecolorTree(Widget w, Pixel background, Pixel foreground) {
  if (!w) return;
  XmChangeColor(w, background);
  XtVaSetValues(w, XmNforeground, foreground, nullptr);
  if (XmIsPushButton(w)) {
    Pixel fg = 0, top = 0, bottom = 0, select = 0;
    Colormap colormap = 0;
    XtVaGetValues(w, XmNcolormap, &colormap, nullptr);
    XmGetColors(XtScreen(w), colormap, background, &fg, &top, &bottom, &select);
    XtVaSetValues(w, XmNarmColor, select, nullptr);
  }
  EachPart(w, [&](Widget part) { RecolorTree(part, background, foreground); });
}

void SetRenderTableTree(Widget w, XmRenderTable table) {
  if (!w) return;
  if (XmIsLabel(w) || XmIsLabelGadget(w)) XtVaSetValues(w, XmNrenderTable, table, nullptr);
  EachPart(w, [&](Widget part) { SetRenderTableTree(part, table); });
}

bool ApplySessionDialogLook(SessionControlBlock* session, Widget w) {
  XStuff::Private* priv = session ? session->xstuff.privatePart() : nullptr;
  if (!w || !priv || !priv->menuBar) return false;
  Pixel background = 0, foreground = 0;
  XtVaGetValues(priv->menuBar, XmNbackground, &background, XmNforeground, &foreground, nullptr);
  RecolorTree(w, background, foreground);
  if (priv->fonts && priv->fonts->menuList) SetRenderTableTree(w, priv->fonts->menuList);
  return true;
}

Widget ShowNoticeDialog(Widget parent, const char* name, const std::string& text) {
  if (!parent) return nullptr;
  XmString s = XmStringCreateLocalized(const_cast<char*>(text.c_str()));
  Arg args[1];
  XtSetArg(args[0], XmNmessageString, s);
  Widget box = XmCreateErrorDialog(parent, const_cast<char*>(name), args, 1);
  XmStringFree(s);
  XtUnmanageChild(XmMessageBoxGetChild(box, XmDIALOG_HELP_BUTTON));
  XtUnmanageChild(XmMessageBoxGetChild(box, XmDIALOG_CANCEL_BUTTON));
  XtAddCallback(box, XmNokCallback, CloseNotice, nullptr);
  XtManageChild(box);
  return box;
}
