#include "wm/manager/Stacking.h"

#include <X11/Xlib.h>

#include <ctime>
#include <vector>

#include "platform/sdk/SimpleWindow.h"
#include "wm/manager/Frame.h"
#include "wm/manager/ManagerEvents.h"
#include "wm/manager/ManagerState.h"

namespace {

ManagedWindow*& HeadOf(ManagedWindow* w) {
  return w->owner ? w->owner->firstTransient : w->state->stackTop;
}

void Unlink(ManagedWindow* w) {
  if (w->above)
    w->above->below = w->below;
  else if (HeadOf(w) == w)
    HeadOf(w) = w->below;
  if (w->below) w->below->above = w->above;
  w->above = w->below = nullptr;
}

// Links w into its list (chosen by w->owner) just above `at`; at the end
// when `at` is null.
void LinkAbove(ManagedWindow* w, ManagedWindow* at) {
  ManagedWindow*& head = HeadOf(w);
  if (!at) {
    ManagedWindow* last = head;
    while (last && last->below) last = last->below;
    w->above = last;
    w->below = nullptr;
    if (last)
      last->below = w;
    else
      head = w;
    return;
  }
  w->below = at;
  w->above = at->above;
  if (at->above)
    at->above->below = w;
  else
    head = w;
  at->above = w;
}

// The first top-level window whose layer is not above `layer`.
ManagedWindow* FirstOfLayerOrBelow(ManagerState* s, int layer, const ManagedWindow* skip) {
  for (ManagedWindow* t = s->stackTop; t; t = t->below)
    if (t != skip && t->layer <= layer) return t;
  return nullptr;
}

bool InOwnerChain(const ManagedWindow* w, const ManagedWindow* candidate) {
  for (const ManagedWindow* o = w; o; o = o->owner)
    if (o == candidate) return true;
  return false;
}

void SetTreeLayer(ManagedWindow* w, int layer) {
  w->layer = layer;
  for (ManagedWindow* t = w->firstTransient; t; t = t->below) SetTreeLayer(t, layer);
}

void Now(struct timeval* tv) {
  // Only the order of focus times matters: a clock that never steps back.
  struct timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  tv->tv_sec = ts.tv_sec;
  tv->tv_usec = ts.tv_nsec / 1000;
}

bool NotOlder(const struct timeval& a, const struct timeval& b) {
  return a.tv_sec != b.tv_sec ? a.tv_sec > b.tv_sec : a.tv_usec >= b.tv_usec;
}

void ConfigureSibling(ManagedWindow* w, Window sibling, int mode) {
  XWindowChanges ch;
  ch.sibling = sibling;
  ch.stack_mode = mode;
  XConfigureWindow(w->state->sdk.display, w->frame->window, CWSibling | CWStackMode, &ch);
}

// Stacks w's tree below `last` (transients' trees top to bottom, then w
// itself) and returns the frame placed last.
Window RestackBelow(ManagedWindow* w, Window last) {
  for (ManagedWindow* t = w->firstTransient; t; t = t->below) last = RestackBelow(t, last);
  if (w->frame->window != last) {
    ConfigureSibling(w, last, Below);
    last = w->frame->window;
  }
  return last;
}

ManagedWindow* Candidate(ManagedWindow* w) {
  ManagedWindow* fromTransients = nullptr;
  for (ManagedWindow* t = w->firstTransient; t && !fromTransients; t = t->below)
    fromTransients = Candidate(t);
  if (fromTransients && (!w->visible || !fromTransients->modeless ||
                         NotOlder(fromTransients->focusTime, w->focusTime)))
    return fromTransients;
  return w->visible ? w : nullptr;
}

}  // namespace

ManagedWindow* TopOfWindowTree(ManagedWindow* w) {
  while (w && w->firstTransient) w = w->firstTransient;
  return w;
}

ManagedWindow* RootOfWindowTree(ManagedWindow* w) {
  while (w && w->owner) w = w->owner;
  return w;
}

void RestackWindowTree(ManagedWindow* w) {
  ManagedWindow* upper = w->above;
  for (ManagedWindow* o = w->owner; !upper && o; o = o->owner) upper = o->above;
  if (upper) {
    RestackBelow(w, upper->frame->window);
    return;
  }
  ManagedWindow* base = w->below ? TopOfWindowTree(w->below) : w->owner;
  ManagedWindow* top = TopOfWindowTree(w);
  if (base) {
    ConfigureSibling(top, base->frame->window, Above);
    RestackBelow(w, top->frame->window);
    return;
  }
  Display* d = w->state->sdk.display;
  XLowerWindow(d, top->frame->window);
  RestackBelow(w, top->frame->window);
  XSync(d, False);
  if (TheManagerEvents().stackingChanged) TheManagerEvents().stackingChanged(w->state);
}

void StackInsertWindow(ManagedWindow* w, int layer) {
  ManagerState* s = w->state;
  ManagedWindow* owner = nullptr;
  if (w->transientFor)
    for (ManagedWindow* m = s->managedWindows; m && !owner; m = m->next)
      if (m != w && m->client && m->client == w->transientFor && !InOwnerChain(m, w)) owner = m;
  w->above = w->below = nullptr;
  w->visible = 0;
  w->focusTime = {0, 0};
  w->owner = owner;
  if (owner) {
    w->layer = owner->layer;
    LinkAbove(w, owner->firstTransient);
  } else {
    w->layer = layer;
    LinkAbove(w, FirstOfLayerOrBelow(s, layer, w));
  }
  RestackWindowTree(w);
  // Dialogs that came before their owner move under it now; never the
  // window's own owners, which would close a cycle.
  std::vector<ManagedWindow*> adopt;
  for (ManagedWindow* t = s->stackTop; t; t = t->below)
    if (t != w && w->client && t->transientFor == w->client && !InOwnerChain(w, t)) adopt.push_back(t);
  for (ManagedWindow* t : adopt) {
    Unlink(t);
    t->owner = w;
    SetTreeLayer(t, w->layer);
    LinkAbove(t, w->firstTransient);
    RestackWindowTree(t);
  }
}

void StackRemoveWindow(ManagedWindow* w) {
  ManagedWindow* at = w->below;
  ManagedWindow* formerOwner = w->owner;
  std::vector<ManagedWindow*> transients;
  for (ManagedWindow* t = w->firstTransient; t; t = t->below) transients.push_back(t);
  Unlink(w);
  w->firstTransient = nullptr;
  w->owner = nullptr;
  for (ManagedWindow* t : transients) {
    t->above = t->below = nullptr;
    t->owner = formerOwner;
    LinkAbove(t, at);
  }
  ManagerState* s = w->state;
  if (s->activeWindow == w) s->activeWindow = nullptr;
}

void StackDetachWindow(ManagedWindow* w) {
  if (!w->owner) return;
  Unlink(w);
  w->owner = nullptr;
  LinkAbove(w, FirstOfLayerOrBelow(w->state, w->layer, w));
  RestackWindowTree(w);
}

void StackRaiseTree(ManagedWindow* w) {
  if (!w->owner && (!w->above || w->above->layer > w->layer)) return;
  ManagedWindow* moved = nullptr;
  for (ManagedWindow* c = w; c; c = c->owner) {
    if (!c->owner) {
      if (c->above && c->above->layer <= c->layer) {
        Unlink(c);
        LinkAbove(c, FirstOfLayerOrBelow(c->state, c->layer, c));
        moved = c;
      }
      break;
    }
    if (c->above) {
      Unlink(c);
      LinkAbove(c, c->owner->firstTransient);
      moved = c;
    }
  }
  if (moved) RestackWindowTree(RootOfWindowTree(w));
}

void StackLowerTree(ManagedWindow* w) {
  bool moved = false;
  for (ManagedWindow* c = w; c; c = c->owner)
    if (c->below) {
      Unlink(c);
      LinkAbove(c, nullptr);
      moved = true;
    }
  if (!moved) return;
  RestackWindowTree(RootOfWindowTree(w));
  FocusMostRecentWindow(w->state);
}

void MapWindowTree(ManagedWindow* w, int map) {
  Display* d = w->state->sdk.display;
  for (ManagedWindow* t = w->firstTransient; t; t = t->below) {
    if (!t->minimized && !t->unmappedByClient) {
      t->visible = map;
      if (map)
        XMapWindow(d, t->frame->window);
      else
        XUnmapWindow(d, t->frame->window);
      // ICCCM 4.1.4: a dialog hidden with its minimised owner is iconic as
      // the owner is; its UnmapNotify is Teldra's, not a withdrawal.
      const bool iconic = !map && MinimisedOwner(t);
      if (t->client && iconic != (t->iconicWithOwner != 0)) {
        t->iconicWithOwner = iconic;
        if (iconic) {
          XUnmapWindow(d, t->client);
          ++t->unmapsExpected;
        } else {
          XMapWindow(d, t->client);
        }
        SetWMState(t);
      }
    }
    MapWindowTree(t, map);
  }
}

ManagedWindow* MinimisedOwner(ManagedWindow* t) {
  for (ManagedWindow* o = t->owner; o; o = o->owner)
    if (o->minimized) return o;
  return nullptr;
}

void NoteWindowFocus(ManagedWindow* w) {
  for (bool found = true; found;) {
    found = false;
    for (ManagedWindow* t = w->firstTransient; t; t = t->below)
      if (t->visible && !t->modeless) {
        w = t;
        found = true;
        break;
      }
  }
  Now(&w->focusTime);
  w->state->activeWindow = w;
}

void FocusMostRecentWindow(ManagerState* s) {
  s->activeWindow = nullptr;
  for (ManagedWindow* t = s->stackTop; t; t = t->below)
    if (ManagedWindow* c = Candidate(t)) {
      Now(&c->focusTime);
      s->activeWindow = c;
      return;
    }
}

int HasMappedTransient(const ManagedWindow* w) {
  for (const ManagedWindow* t = w->firstTransient; t; t = t->below)
    if ((t->visible && !t->modeless) || HasMappedTransient(t)) return 1;
  return 0;
}

int IsActiveWindow(const ManagedWindow* w) { return w && w->state->activeWindow == w; }
