// Copy and paste between a session window and the X desktop: the copy
// offered as PRIMARY (with the emulator's own format, UTF-8, compound text
// and STRING), on the Motif clipboard and in cut buffer 0; the paste taken
// from the PRIMARY owner, the Motif clipboard or cut buffer 0.
#include <X11/Intrinsic.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <Xm/CutPaste.h>
#include <Xm/Xm.h>
#include <poll.h>

#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include "base/LogMsg.h"
#include "display/CopiedDataInformation.h"
#include "display/DisplayBag.h"
#include "display/Rendering.h"
#include "keyboard/KeyboardState.h"
#include "session/PreDispatch.h"
#include "session/SessionControlBlock.h"
#include "session/SessionTable.h"
#include "xfront/ClipboardText.h"
#include "xfront/SessionClipboard.h"
#include "xfront/XStuff.h"
#include "xfront/XStuffPrivate.h"

namespace {

constexpr int kClipboardCalls = 100;
// How long a paste waits for the PRIMARY owner (Xt's own selection time-out).
constexpr int kSelectionWaitMs = 5000;
constexpr int kCopyPasteSessionOnly = 2, kCopyPasteNone = 3;

unsigned long g_nextRequest = 1;

struct Atoms {
  Atom privateFormat, utf8, utf8String, compoundText, text, targets;
};

Atoms AtomsOf(Display* d) {
  Atoms a;
  a.privateFormat = XInternAtom(d, "QAV_X5250_STRING", False);
  a.utf8 = XInternAtom(d, "UTF-8", False);
  a.utf8String = XInternAtom(d, "UTF8_STRING", False);
  a.compoundText = XInternAtom(d, "COMPOUND_TEXT", False);
  a.text = XInternAtom(d, "TEXT", False);
  a.targets = XInternAtom(d, "TARGETS", False);
  return a;
}

XStuff* WindowOf(Widget w) {
  SessionControlBlock* scb = FindSessionOfWidget(w);
  return scb ? &scb->xstuff : nullptr;
}

// A copy of bytes in Xt's memory, which Xt frees once it has sent them.
XtPointer CopyForXt(const void* bytes, size_t length) {
  char* out = XtMalloc(static_cast<Cardinal>(length ? length : 1));
  if (length) std::memcpy(out, bytes, length);
  return out;
}

// Text in an X text property of the given style, from UTF-8.
bool TextProperty(Display* d, const std::string& utf8, XICCEncodingStyle style, XTextProperty* property, int* rc) {
  char* list[1] = {const_cast<char*>(utf8.c_str())};
  *rc = Xutf8TextListToTextProperty(d, list, 1, style, property);
  return *rc >= Success && property->value;
}

Boolean ConvertSelection(Widget w, Atom* selection, Atom* target, Atom* type, XtPointer* value,
                         unsigned long* length, int* format) {
  XStuff* x = WindowOf(w);
  if (!x || !selection || *selection != XA_PRIMARY || !target) return False;
  Display* d = XtDisplay(w);
  const Atoms a = AtomsOf(d);
  const std::string& utf8 = x->copiedUtf8();
  const std::string& latin1 = x->copiedString();
  if (*target == a.targets) {
    const Atom list[] = {a.privateFormat, a.utf8, a.utf8String, a.compoundText, a.text, XA_STRING, a.targets};
    const size_t n = sizeof list / sizeof list[0];
    auto* out = reinterpret_cast<Atom*>(XtMalloc(static_cast<Cardinal>(n * sizeof(Atom))));
    for (size_t i = 0; i < n; ++i) out[i] = list[i];
    *type = XA_ATOM;
    *value = out;
    *length = n;
    *format = 32;
    return True;
  }
  if (*target == a.privateFormat) {
    // The session's own copy: descriptor then host data.
    const std::vector<unsigned char>& bytes = x->clipboard().privateCopy;
    if (bytes.empty()) return False;
    *type = a.privateFormat;
    *value = CopyForXt(bytes.data(), bytes.size());
    *length = bytes.size();
    *format = 8;
    return True;
  }
  if (*target == a.utf8 || *target == a.utf8String) {
    *type = *target;
    *value = CopyForXt(utf8.data(), utf8.size());
    *length = utf8.size();
    *format = 8;
    return True;
  }
  if (*target == XA_STRING) {
    *type = XA_STRING;
    *value = CopyForXt(latin1.data(), latin1.size());
    *length = latin1.size();
    *format = 8;
    return True;
  }
  if (*target == a.compoundText || *target == a.text) {
    XTextProperty p = {};
    int rc = 0;
    if (!TextProperty(d, utf8, *target == a.text ? XStdICCTextStyle : XCompoundTextStyle, &p, &rc)) return False;
    *type = p.encoding;
    *value = CopyForXt(p.value, p.nitems);
    *length = p.nitems;
    *format = 8;
    XFree(p.value);
    return True;
  }
  return False;
}

void LoseSelection(Widget w, Atom* selection);

void SelectionCallback(Widget w, XtPointer clientData, Atom* selection, Atom* type, XtPointer value,
                       unsigned long* length, int* format) {
  XStuff* x = WindowOf(w);
  if (!x) {
    XtFree(static_cast<char*>(value));
    return;
  }
  x->getSelection(w, static_cast<unsigned long>(reinterpret_cast<uintptr_t>(clientData)), selection, type, value,
                  length, format);
}

bool IsHeldInput(const XEvent& e) {
  switch (e.type) {
    case KeyPress:
    case KeyRelease:
    case ButtonPress:
    case ButtonRelease:
    case MotionNotify:
    case ClientMessage:
      return true;
    default:
      return false;
  }
}

Time TimeStamp(Display* d) {
  const Time t = XtLastTimestampProcessed(d);
  return t ? t : CurrentTime;
}

Bool IsPropertyNotifyOf(Display*, XEvent* e, XPointer arg) {
  const auto* want = reinterpret_cast<const XPropertyEvent*>(arg);
  return e->type == PropertyNotify && e->xproperty.window == want->window && e->xproperty.atom == want->atom;
}

// The server's time now: a zero-length append to a property of the window
// comes back with it.
Time ServerTime(Widget w) {
  Display* d = XtDisplay(w);
  const Window window = XtWindow(w);
  XWindowAttributes a;
  if (!XGetWindowAttributes(d, window, &a)) return CurrentTime;
  XSelectInput(d, window, a.your_event_mask | PropertyChangeMask);
  XPropertyEvent want = {};
  want.window = window;
  want.atom = XInternAtom(d, "QAV_X5250_TIME", False);
  XChangeProperty(d, window, want.atom, XA_STRING, 8, PropModeAppend, nullptr, 0);
  XEvent e;
  XIfEvent(d, &e, IsPropertyNotifyOf, reinterpret_cast<XPointer>(&want));
  XSelectInput(d, window, a.your_event_mask);
  return e.xproperty.time;
}

}  // namespace

namespace {

void LoseSelection(Widget w, Atom* selection) {
  if (!selection || *selection != XA_PRIMARY) return;
  SessionControlBlock* scb = FindSessionOfWidget(w);
  if (!scb) return;
  SessionClipboard& c = scb->xstuff.clipboard();
  if (c.replacingOwnership) return;
  c.ownsPrimary = false;
  c.stringText.clear();
  if (scb->display && scb->display->keyboardState().state() == KeyboardState::kPostCopy) {
    scb->display->keyboardState().exitPostCopyState();
    scb->display->outputChanges();
  }
}

}  // namespace

const std::string& XStuff::copiedString() const { return clipboard_->stringText; }
const std::string& XStuff::copiedUtf8() const { return clipboard_->utf8Text; }
const CopiedDataInformation& XStuff::pasteDescriptor() const { return clipboard_->paste; }

void XStuff::freeCopyBuffers() {
  clipboard_->stringText.clear();
  clipboard_->utf8Text.clear();
  clipboard_->privateCopy.clear();
}

void XStuff::x_copy(CopiedDataInformation* info) {
  if (!info) return;
  freeCopyBuffers();
  if (copyPasteMode_ == kCopyPasteNone) return;
  SessionClipboard& c = *clipboard_;
  settleScreenCopy();
  const clipboard::ScreenCells screen{chars_.data(), attributes_.data(), rows_, columns_};
  const bool block = (info->flags & CopiedDataInformation::kBlock) != 0;
  const std::string bytes = (info->flags & CopiedDataInformation::kRightToLeft)
                                ? clipboard::RightToLeftText(screen, info->startCell, info->endCell, block)
                                : clipboard::LeftToRightText(screen, info->startCell, info->endCell, block);
  if (bytes.empty()) {
    LogMsg(LevelWarning, "x_copy: range %u-%u gives no text.\n", info->startCell, info->endCell);
    return;
  }
  c.utf8Text = clipboard::BytesToUtf8(bytes, wide_);
  c.stringText = clipboard::Utf8ToLatin1(c.utf8Text);
  CopiedDataInformation d = *info;
  if (!d.word3) d.word3 = d.rowWidth ? d.rowWidth : static_cast<unsigned int>(columns_);
  c.privateCopy = clipboard::EncodePrivateCopy(d, info->data, info->length);

  if (copyPasteMode_ == kCopyPasteSessionOnly || !shell_ || !private_ || !private_->drawing) return;
  Widget w = private_->drawing;
  Display* display = XtDisplay(w);
  const Window window = XtWindow(w);
  XStoreBytes(display, c.stringText.data(), static_cast<int>(c.stringText.size()));

  XTextProperty property = {};
  int rc = 0;
  if (!TextProperty(display, c.utf8Text, XStdICCTextStyle, &property, &rc)) {
    LogMsg(LevelError, "%s: XmbTextListToTextProperty failed. rc = %d.\n", "QWC0213", rc);
  } else {
    XmString label = XmStringCreateLocalized(const_cast<char*>("5250"));
    long item = 0;
    int status = XmClipboardStartCopy(display, window, label, CurrentTime, nullptr, nullptr, &item);
    XmStringFree(label);
    if (status != XmClipboardSuccess) {
      LogMsg(LevelError, "%s: XmClipboardStartCopy failed. status = %d = %s.\n", "QWC0210", status,
             status == XmClipboardLocked ? "ClipboardLocked" : "unknown");
    } else {
      char* formatName = XGetAtomName(display, property.encoding);
      int calls = 0;
      auto copy = [&](const char* format, const void* data, unsigned long length) {
        do {
          status = XmClipboardCopy(display, window, item, const_cast<char*>(format),
                                   const_cast<XtPointer>(data), length, 0, nullptr);
        } while (status == XmClipboardLocked && ++calls < kClipboardCalls);
        if (status != XmClipboardSuccess)
          LogMsg(LevelError, "%s: XmClipboardCopy failed. status = %d.\n", "QWC0212", status);
      };
      copy(formatName, property.value, property.nitems);
      // The item also carries the text as UTF-8, which programs reading the
      // CLIPBOARD selection ask for first.
      if (formatName && std::strcmp(formatName, "UTF8_STRING") != 0)
        copy("UTF8_STRING", c.utf8Text.data(), c.utf8Text.size());
      calls = 0;
      do {
        status = XmClipboardEndCopy(display, window, item);
      } while (status == XmClipboardLocked && ++calls < kClipboardCalls);
      if (status != XmClipboardSuccess)
        LogMsg(LevelError, "%s: XmClipboardEndCopy failed. status = %d.\n", "QWC0211", status);
      if (formatName) XFree(formatName);
    }
    XFree(property.value);
  }

  c.replacingOwnership = true;
  Boolean owned = XtOwnSelection(w, XA_PRIMARY, TimeStamp(display), ConvertSelection, LoseSelection, nullptr);
  // A copy made without a fresh event (a macro, a key of a keypad) has an
  // old time stamp that another owner's may have passed.
  if (!owned) owned = XtOwnSelection(w, XA_PRIMARY, ServerTime(w), ConvertSelection, LoseSelection, nullptr);
  c.replacingOwnership = false;
  c.ownsPrimary = owned != False;
  if (!owned) LogMsg(LevelWarning, "x_copy: PRIMARY could not be owned.\n");
}

void XStuff::x_get_copied_data(CopiedDataInformation* info, unsigned int) {
  if (!info) return;
  *info = CopiedDataInformation();
  if (copyPasteMode_ == kCopyPasteNone) return;
  SessionClipboard& c = *clipboard_;
  if (copyPasteMode_ == kCopyPasteSessionOnly) {
    if (c.privateCopy.empty() || !session_ || !session_->renderer) return;
    CopiedDataInformation d;
    std::vector<unsigned char> data;
    std::string why;
    if (!clipboard::DecodePrivateCopy(c.privateCopy.data(), c.privateCopy.size(),
                                      static_cast<unsigned int>(cells()), &d, &data, &why)) {
      LogMsg(LevelWarning, "x_get_copied_data: the session's copy is not pasted here: %s.\n", why.c_str());
      return;
    }
    d.data = static_cast<unsigned char*>(session_->renderer->WsGetBuffer(static_cast<unsigned int>(data.size() + 1)));
    if (!data.empty()) std::memcpy(d.data, data.data(), data.size());
    *info = d;
    return;
  }
  if (!shell_ || !private_ || !private_->drawing) return;
  Widget w = private_->drawing;
  Display* display = XtDisplay(w);
  XtAppContext app = XtWidgetToApplicationContext(w);
  c.paste = CopiedDataInformation();
  c.pasteInProgress = true;
  pasteInProgress_ = true;
  c.request = g_nextRequest++;
  c.time = TimeStamp(display);
  XtGetSelectionValue(w, XA_PRIMARY, AtomsOf(display).targets, SelectionCallback,
                      reinterpret_cast<XtPointer>(static_cast<uintptr_t>(c.request)), c.time);

  // Wait for the owner's answer. Only the X events of the transfer and of
  // painting are handled meanwhile: input and client messages (a close
  // among them) wait for the main loop, and no timer runs, so that nothing
  // reaches the engine in the middle of its paste.
  auto alive = alive_;
  std::vector<XEvent> held;
  const int waitMs = static_cast<int>(XtAppGetSelectionTimeout(app));
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs > 0 ? waitMs : kSelectionWaitMs);
  XFlush(display);
  while (c.pasteInProgress && *alive) {
    if (XPending(display)) {
      XEvent event;
      XNextEvent(display, &event);
      if (IsHeldInput(event)) {
        if (event.type == KeyPress || event.type == KeyRelease) {
          SetTranslator();
          char dispatch = 1;
          PreDispatchProcess(&event, &dispatch);
        }
        held.push_back(event);
        continue;
      }
      XtDispatchEvent(&event);
      continue;
    }
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline) break;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now).count();
    struct pollfd fd = {ConnectionNumber(display), POLLIN, 0};
    poll(&fd, 1, static_cast<int>(left < 50 ? left : 50));
  }
  for (auto it = held.rbegin(); it != held.rend(); ++it) XPutBackEvent(display, &*it);
  if (!*alive) return;
  pasteInProgress_ = false;
  if (c.pasteInProgress) {
    // No answer in time: a late one is dropped.
    LogMsg(LevelWarning, "x_get_copied_data: the PRIMARY owner did not answer within %d ms.\n", waitMs);
    c.pasteInProgress = false;
    c.request = 0;
    retrieveAndProcessClipboardData(display, XtWindow(w));
  }
  *info = c.paste;
  c.paste = CopiedDataInformation();
  if (DebugFlag())
    LogMsg(LevelDebug, "x_get_copied_data: %u bytes to paste (flags 0x%x, range %u-%u).\n", info->length, info->flags,
           info->startCell, info->endCell);
}

void XStuff::getSelection(Widget w, unsigned long request, Atom* selection, Atom* type, XtPointer value,
                          unsigned long* length, int* format) {
  SessionClipboard& c = *clipboard_;
  if (request != c.request || !c.pasteInProgress || !selection || *selection != XA_PRIMARY) {
    XtFree(static_cast<char*>(value));
    return;
  }
  Display* display = XtDisplay(w);
  const Window window = XtWindow(w);
  const Atoms a = AtomsOf(display);
  const auto* bytes = static_cast<const unsigned char*>(value);
  const unsigned long n = length ? *length : 0;
  const int f = format ? *format : 0;
  bool followUp = false;
  if (DebugFlag()) {
    char* name = type && *type != None && *type != XT_CONVERT_FAIL ? XGetAtomName(display, *type) : nullptr;
    LogMsg(LevelDebug, "getSelection: %lu items of type %s, format %d.\n", n, name ? name : "none", f);
    if (name) XFree(name);
  }
  if (!value || n == 0 || !type || *type == None || *type == XT_CONVERT_FAIL) {
    retrieveAndProcessClipboardData(display, window);
  } else if ((*type == a.utf8 || *type == a.utf8String) && f == 8) {
    fillInCopiedDataInfoFromString(static_cast<const char*>(value), n);
  } else if (*type == XA_STRING && f == 8) {
    const std::string utf8 = clipboard::Latin1ToUtf8(static_cast<const char*>(value), n);
    fillInCopiedDataInfoFromString(utf8.data(), utf8.size());
  } else if (*type == a.compoundText && f == 8) {
    if (processTextProperty(display, *type, bytes, n, f) != 0) c.paste.flags &= ~CopiedDataInformation::kDataPresent;
  } else if (*type == a.privateFormat && f == 8) {
    CopiedDataInformation d;
    std::vector<unsigned char> data;
    std::string why;
    if (!session_ || !session_->renderer ||
        !clipboard::DecodePrivateCopy(bytes, n, static_cast<unsigned int>(cells()), &d, &data, &why)) {
      LogMsg(LevelWarning, "getSelection: a copy in the emulator's format refused: %s.\n",
             why.empty() ? "no session" : why.c_str());
      c.paste = CopiedDataInformation();
    } else {
      d.data = static_cast<unsigned char*>(session_->renderer->WsGetBuffer(static_cast<unsigned int>(data.size() + 1)));
      if (!data.empty()) std::memcpy(d.data, data.data(), data.size());
      c.paste = d;
    }
  } else if ((*type == a.targets || *type == XA_ATOM) && f == 32) {
    const auto* atoms = static_cast<const Atom*>(value);
    std::vector<unsigned long> list(atoms, atoms + n);
    clipboard::TargetAtoms t;
    t.privateFormat = a.privateFormat;
    t.utf8 = a.utf8;
    t.utf8String = a.utf8String;
    t.compoundText = a.compoundText;
    t.string = XA_STRING;
    unsigned long chosen = 0;
    if (clipboard::ChoosePasteTarget(list.data(), list.size(), t, &chosen) != clipboard::PasteTarget::Nothing) {
      followUp = true;
      XtGetSelectionValue(w, XA_PRIMARY, static_cast<Atom>(chosen), SelectionCallback,
                          reinterpret_cast<XtPointer>(static_cast<uintptr_t>(request)), c.time);
    } else {
      retrieveAndProcessClipboardData(display, window);
    }
  } else {
    retrieveAndProcessClipboardData(display, window);
  }
  XtFree(static_cast<char*>(value));
  // A follow-up answered locally has finished the paste already.
  if (!followUp) c.pasteInProgress = false;
}

int XStuff::processTextProperty(Display* display, Atom encoding, const unsigned char* value, unsigned long nitems,
                                int format) {
  XTextProperty property = {};
  property.value = const_cast<unsigned char*>(value);
  property.encoding = encoding;
  property.format = format;
  property.nitems = nitems;
  char** list = nullptr;
  int count = 0;
  const int rc = Xutf8TextPropertyToTextList(display, &property, &list, &count);
  if (rc < Success) {
    LogMsg(LevelError, "%s: XmbTextPropertyToTextList failed! rc = %d.\n", "QWC0204", rc);
    return -1;
  }
  std::string joined;
  for (int i = 0; i < count && list; ++i)
    if (list[i]) joined += list[i];
  if (list) XFreeStringList(list);
  if (count == 0) return -1;
  fillInCopiedDataInfoFromString(joined.data(), joined.size());
  return 0;
}

int XStuff::retrieveAndProcessClipboardData(Display* display, Window window) {
  SessionClipboard& c = *clipboard_;
  // A foreign clipboard larger than this is no text for a screen.
  constexpr unsigned long kLargestClipboard = 1ul << 20;
  unsigned long length = 0;
  const char* format = "STRING";
  Atom encoding = XA_STRING;
  int status = XmClipboardInquireLength(display, window, const_cast<char*>(format), &length);
  bool locked = status == XmClipboardLocked;
  if (locked) {
    LogMsg(LevelError, "%s: Found XmClipboard locked when trying to get the data length to retrieve.\n", "QWC0205");
  } else if (status == XmClipboardNoData || length == 0) {
    format = "COMPOUND_TEXT";
    encoding = XInternAtom(display, format, False);
    length = 0;
    status = XmClipboardInquireLength(display, window, const_cast<char*>(format), &length);
    locked = status == XmClipboardLocked;
    if (locked)
      LogMsg(LevelError, "%s: Found XmClipboard locked when trying to get the data length to retrieve.\n",
             "QWC0206");
  }
  if (!locked) {
    if (status == XmClipboardSuccess && length > 0 && length <= kLargestClipboard) {
      std::vector<char> buffer(length);
      status = XmClipboardStartRetrieve(display, window, CurrentTime);
      if (status != XmClipboardSuccess) {
        LogMsg(LevelError, "%s: XmClipboardStartRetrieve failed. status = %d.\n", "QWC0209", status);
      } else {
        unsigned long got = 0;
        long privateId = 0;
        const int retrieved =
            XmClipboardRetrieve(display, window, const_cast<char*>(format), buffer.data(), length, &got, &privateId);
        int calls = 0;
        do {
          status = XmClipboardEndRetrieve(display, window);
        } while (status == XmClipboardLocked && ++calls < kClipboardCalls);
        if (status != XmClipboardSuccess)
          LogMsg(LevelError, "%s: XmClipboardEndRetrieve failed. status = %d.\n", "QWC0207", status);
        if (retrieved != XmClipboardSuccess) {
          LogMsg(LevelError, "%s: XmClipboardRetrieve failed. status: %d. format: %s. buffer_length: %d.\n",
                 "QWC0208", retrieved, format, static_cast<int>(length));
        } else if (got <= length &&
                   processTextProperty(display, encoding, reinterpret_cast<unsigned char*>(buffer.data()), got, 8) ==
                       0) {
          return 0;
        }
      }
    } else if (DebugFlag()) {
      LogMsg(LevelDebug, "     No STRING or COMPOUND_TEXT data found in XmClipboard.\n");
    }
  }
  int n = 0;
  char* bytes = XFetchBytes(display, &n);
  if (bytes && n > 0) {
    const std::string utf8 = clipboard::Latin1ToUtf8(bytes, static_cast<size_t>(n));
    XFree(bytes);
    return fillInCopiedDataInfoFromString(utf8.data(), utf8.size());
  }
  if (bytes) XFree(bytes);
  c.paste.flags &= ~CopiedDataInformation::kDataPresent;
  return -1;
}

void XStuff::releasePasteData() {
  if (!clipboard_) return;
  SessionClipboard& c = *clipboard_;
  if (c.paste.data && session_ && session_->renderer) session_->renderer->WsFreeBuffer(c.paste.data);
  c.paste = CopiedDataInformation();
}

int XStuff::fillInCopiedDataInfoFromString(const char* utf8, size_t length) {
  releasePasteData();
  SessionClipboard& c = *clipboard_;
  const std::string bytes = clipboard::Utf8ToBytes(utf8, length, wide_, clipboard::kMaxPasteBytes);
  if (bytes.empty() || !session_ || !session_->renderer) return -1;
  const unsigned int size = static_cast<unsigned int>(bytes.size() * 2 + 100);
  auto* buffer = static_cast<unsigned char*>(session_->renderer->WsGetBuffer(size));
  const int n = session_->convertASCIIToEBCDIC(reinterpret_cast<const unsigned char*>(bytes.data()),
                                               static_cast<int>(bytes.size()), buffer, static_cast<int>(size));
  if (n <= 0) {
    session_->renderer->WsFreeBuffer(buffer);
    return -1;
  }
  c.paste.flags = CopiedDataInformation::kDataPresent;
  c.paste.startCell = 0;
  c.paste.endCell = static_cast<unsigned int>(bytes.size());
  c.paste.word3 = 80;
  c.paste.word4 = 0;
  c.paste.data = buffer;
  c.paste.length = static_cast<unsigned int>(n);
  return 0;
}
