#include "xfront/KeypadButtons.h"

#include <Xm/BulletinB.h>
#include <Xm/CascadeB.h>
#include <Xm/CascadeBG.h>
#include <Xm/Form.h>
#include <Xm/Frame.h>
#include <Xm/Label.h>
#include <Xm/List.h>
#include <Xm/Protocols.h>
#include <Xm/PushB.h>
#include <Xm/PushBG.h>
#include <Xm/RowColumn.h>
#include <Xm/SeparatoG.h>
#include <Xm/Separator.h>
#include <Xm/Xm.h>
#include <dirent.h>
#include <iconv.h>
#include <langinfo.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "base/LogMsg.h"
#include "session/AppResources.h"
#include "session/ErrorDialogs.h"
#include "session/ResourceKeywords.h"
#include "session/SessionControlBlock.h"
#include "xfront/EmulatorActions.h"
#include "xfront/XStuff.h"
#include "xfront/XStuffPrivate.h"

struct KeypadButtons::Popup {
  std::string name, path;
  KeypadFile file;
  Widget shell = nullptr, form = nullptr, board = nullptr, close = nullptr;
  std::vector<Widget> buttons;
  std::vector<std::vector<ButtonAction>> actions;
  std::vector<std::string> fullLabels, shortLabels;
  // Each button's cell (x, y, width, height) and the keypad's width.
  std::vector<std::array<int, 4>> cells;
  int width = 0;
  bool shown = false;
};

namespace {

constexpr int kPullDownBase = 0x10000;
constexpr size_t kMaxNameList = 1280;

std::string BaseName(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The width a button is sized for (text length n, cell width cw).
int ButtonWidth(int n, int cw) {
  static const int kCorrection[15] = {10, 15, 8, -2, -10, -15, -21, -29, -37, -46, -55, -64, -72, -70, -75};
  int w = 14 * n + cw;
  if (cw > 9) w += 2 * cw;
  w += (n >= 1 && n <= 15) ? kCorrection[n - 1] : 10 - 5 * n;
  return std::max(w, 20);
}

struct Cell {
  int x, y, width, height;
};

std::vector<Cell> Cells(const KeypadFile& k, int bw, int cw, int ch) {
  int width, height, pitch;
  if (cw > 7) {
    width = bw - 5 + 2 * cw;
    height = ch + 12;
    pitch = cw + 23;
  } else {
    width = bw - 5 - 2 * cw;
    height = ch + 10;
    pitch = cw < 7 ? 27 - cw : 32 - cw;
  }
  width = std::max(width, 10);
  pitch = std::max(pitch, height);
  std::vector<Cell> cells;
  const int count = KeypadCellCount(k);
  const int perRow = k.rows == 1 ? k.cols + 1 : k.cols;
  for (int i = 0; i < count; ++i) cells.push_back({(i % perRow) * width, (i / perRow) * pitch, width, height});
  return cells;
}

bool ConvertOne(const char* s, size_t n, std::string* out, void* context) {
  auto cd = static_cast<iconv_t>(context);
  char buffer[16];
  char* in = const_cast<char*>(s);
  size_t inLeft = n;
  char* o = buffer;
  size_t outLeft = sizeof buffer;
  if (iconv(cd, &in, &inLeft, &o, &outLeft) == static_cast<size_t>(-1) || inLeft != 0) {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    return false;
  }
  out->assign(buffer, sizeof buffer - outLeft);
  return true;
}

void PressCallback(Widget w, XtPointer self, XtPointer call) {
  XtPointer id = nullptr;
  XtVaGetValues(w, XmNuserData, &id, nullptr);
  auto* cbs = static_cast<XmAnyCallbackStruct*>(call);
  static_cast<KeypadButtons*>(self)->pressButton(static_cast<int>(reinterpret_cast<intptr_t>(id)),
                                                 cbs ? cbs->event : nullptr);
}

void CloseCallback(Widget w, XtPointer self, XtPointer) {
  XtPointer slot = nullptr;
  XtVaGetValues(w, XmNuserData, &slot, nullptr);
  static_cast<KeypadButtons*>(self)->cancelKeypad(static_cast<int>(reinterpret_cast<intptr_t>(slot)));
}

void Colors(Widget source, Pixel* background, Pixel* foreground) {
  XtVaGetValues(source, XmNbackground, background, XmNforeground, foreground, nullptr);
}

void Recolor(Widget w, Pixel background, Pixel foreground) {
  if (!w) return;
  XmChangeColor(w, background);
  XtVaSetValues(w, XmNforeground, foreground, nullptr);
}

void SetLabel(Widget w, const std::string& text) {
  XmString s = XmStringCreateLocalized(const_cast<char*>(text.c_str()));
  XtVaSetValues(w, XmNlabelString, s, nullptr);
  XmStringFree(s);
}

int LabelWidth(Widget w, const std::string& text) {
  XmRenderTable table = nullptr;
  XtVaGetValues(w, XmNrenderTable, &table, nullptr);
  if (!table) return 0;
  XmString s = XmStringCreateLocalized(const_cast<char*>(text.c_str()));
  const int width = XmStringWidth(table, s);
  XmStringFree(s);
  return width;
}

// While pressed a button shows its full label, widened to it when needed
// (kept inside the keypad) and raised over its neighbours.
void ArmCallback(Widget w, XtPointer popup, XtPointer) {
  auto* p = static_cast<KeypadButtons::Popup*>(popup);
  for (size_t i = 0; i < p->buttons.size(); ++i) {
    if (p->buttons[i] != w || p->fullLabels[i] == p->shortLabels[i]) continue;
    SetLabel(w, p->fullLabels[i]);
    const auto& c = p->cells[i];
    const int wanted = LabelWidth(w, p->fullLabels[i]) + 20;
    if (wanted >= c[2]) {
      int x = c[0];
      if (x + wanted > p->width) x = std::max(0, c[0] + c[2] - wanted);
      XtVaSetValues(w, XmNx, x, XmNwidth, wanted, nullptr);
      if (XtIsRealized(w)) XRaiseWindow(XtDisplay(w), XtWindow(w));
    }
  }
}

void DisarmCallback(Widget w, XtPointer popup, XtPointer) {
  auto* p = static_cast<KeypadButtons::Popup*>(popup);
  for (size_t i = 0; i < p->buttons.size(); ++i) {
    if (p->buttons[i] != w || p->fullLabels[i] == p->shortLabels[i]) continue;
    SetLabel(w, p->shortLabels[i]);
    const auto& c = p->cells[i];
    XtVaSetValues(w, XmNx, c[0], XmNy, c[1], XmNwidth, c[2], XmNheight, c[3], nullptr);
  }
}

// The byte lengths of the characters of a text in the locale's code set.
std::vector<size_t> CharacterLengths(const std::string& text) {
  std::vector<size_t> lengths;
  std::mbstate_t state{};
  for (size_t i = 0; i < text.size();) {
    size_t n = std::mbrlen(text.data() + i, text.size() - i, &state);
    if (n == 0 || n == static_cast<size_t>(-1) || n == static_cast<size_t>(-2)) {
      n = 1;
      state = std::mbstate_t{};
    }
    lengths.push_back(n);
    i += n;
  }
  return lengths;
}

// The short label: cut after the last whole character that fits the budget
// (and outside the CJK locales after n characters); one character at least.
std::string ShortLabel(Widget w, const std::string& full, int budget, int n, bool cjk) {
  const std::vector<size_t> lengths = CharacterLengths(full);
  size_t count = lengths.size();
  if (!cjk && n > 0 && count > static_cast<size_t>(n)) count = static_cast<size_t>(n);
  auto prefix = [&](size_t chars) {
    size_t bytes = 0;
    for (size_t i = 0; i < chars; ++i) bytes += lengths[i];
    return full.substr(0, bytes);
  };
  std::string label = prefix(count);
  while (count > 1 && LabelWidth(w, label) > budget) label = prefix(--count);
  return label;
}

std::vector<std::string> ListNames(Widget list) {
  std::vector<std::string> names;
  if (!list) return names;
  XmStringTable table = nullptr;
  int n = 0;
  XtVaGetValues(list, XmNselectedItems, &table, XmNselectedItemCount, &n, nullptr);
  for (int i = 0; i < n; ++i) {
    char* text = nullptr;
    if (XmStringGetLtoR(table[i], const_cast<char*>(XmFONTLIST_DEFAULT_TAG), &text) && text) {
      names.push_back(text);
      XtFree(text);
    }
  }
  return names;
}

}  // namespace

KeypadButtons::KeypadButtons(SessionControlBlock* session) : session_(session) {}

KeypadButtons::~KeypadButtons() { alive_.reset(); }

std::string KeypadButtons::userDirectory() const {
  const char* dir = AppResources().buttonDirectory;
  return dir ? dir : "";
}

std::vector<std::string> KeypadButtons::defaultPaths() const {
  std::vector<std::string> paths;
  const char* list = AppResources().keypadPath;
  if (!list || !*list || std::strcmp(list, "0") == 0) return paths;
  std::string all = list;
  size_t at = 0;
  for (;;) {
    const size_t comma = all.find(',', at);
    std::string one = all.substr(at, comma == std::string::npos ? std::string::npos : comma - at);
    if (!one.empty()) paths.push_back(one);
    if (comma == std::string::npos) break;
    at = comma + 1;
  }
  return paths;
}

std::string KeypadButtons::findPath(const std::string& name) const {
  if (name.empty() || name.find('/') != std::string::npos) return "";
  const std::string user = userDirectory() + "/" + name;
  if (access(user.c_str(), R_OK) == 0) return user;
  for (const std::string& p : defaultPaths())
    if (BaseName(p) == name) return p;
  return "";
}

int KeypadButtons::findOpen(const std::string& name) const {
  for (int i = 0; i < kSlots; ++i)
    if (popups_[i] && popups_[i]->name == name) return i;
  return -1;
}

int KeypadButtons::freeSlot() const {
  for (int i = 0; i < kSlots; ++i)
    if (!popups_[i]) return i;
  return -1;
}

int KeypadButtons::openCount() const {
  int n = 0;
  for (const auto& p : popups_) n += p ? 1 : 0;
  return n;
}

Widget KeypadButtons::popupShell(int slot) const {
  return slot >= 0 && slot < kSlots && popups_[slot] ? popups_[slot]->shell : nullptr;
}

std::string KeypadButtons::popupName(int slot) const {
  return slot >= 0 && slot < kSlots && popups_[slot] ? popups_[slot]->name : "";
}

bool KeypadButtons::convertLabel(const std::string& utf8, bool substitute, std::string* out) const {
  iconv_t cd = iconv_open(nl_langinfo(CODESET), "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    *out = utf8;
    return !utf8.empty();
  }
  const bool ok = ConvertUtf8Text(utf8, substitute, ConvertOne, cd, out);
  iconv_close(cd);
  return ok;
}

void KeypadButtons::createKeypadsFromList(const std::vector<unsigned char>& list) {
  if (list.size() < 3) return;
  const int count = list[2];
  size_t at = 3;
  for (int i = 0; i < count && at < list.size(); ++i) {
    const auto end = std::find(list.begin() + static_cast<long>(at), list.end(), 0);
    const std::string name(list.begin() + static_cast<long>(at), end);
    at = static_cast<size_t>(end - list.begin()) + 1;
    const std::string path = findPath(name);
    if (path.empty()) {
      LogMsg(LevelError, "%s: Keypad file '%s' not found in user or default list.\n", "QWC0121", name.c_str());
      continue;
    }
    if (KeypadFileStyle(path) != '1' || findOpen(name) >= 0) continue;
    const int slot = freeSlot();
    if (slot < 0) continue;
    if (DebugFlag()) LogMsg(LevelDebug, "Keypad '%s' is being started.\n", name.c_str());
    createPopUpKeypad(slot, path);
  }
}

int KeypadButtons::createPopUpKeypad(int slot, const std::string& path) {
  XStuff& x = session_->xstuff;
  Widget parent = x.shell();
  if (!parent || slot < 0 || slot >= kSlots || popups_[slot]) return 0;
  const std::string name = BaseName(path);
  std::string text;
  if (!ReadKeypadFileText(path, &text)) {
    LogMsg(LevelError, "Can't open keypad file. errno = %d.\n", errno);
    return 0;
  }
  auto p = std::make_unique<Popup>();
  p->name = name;
  p->path = path;
  const KeypadFileError e = ParseKeypadFile(text, &p->file);
  if (e != KeypadFileError::kNone) {
    LogMsg(LevelError, "%s\n", KeypadFileErrorText(e, name, p->file).c_str());
    return 0;
  }
  // Every button line is checked before a widget is made.
  for (const std::string& line : p->file.buttonLines) {
    std::vector<ButtonAction> actions;
    std::string label, full, list;
    if (IsEmptyKeypadButtonLine(line)) {
      p->fullLabels.push_back("");
      p->actions.push_back(actions);
      continue;
    }
    if (!SplitKeypadButtonLine(line, &label, &list)) {
      LogMsg(LevelError, "%s: No colon delimeter found in keypad file %s on line %s.\n", "QWC0071", name.c_str(),
             line.c_str());
      return 0;
    }
    if (!convertLabel(label, true, &full)) {
      LogMsg(LevelError, "%s: Keypad file could not be converted from UTF-8 to Locale.\n", "QWC0217");
      return 0;
    }
    if (list.compare(0, 6, "string") == 0 || list.compare(0, 4, "play") == 0) {
      std::string converted;
      if (!convertLabel(list, false, &converted)) {
        LogMsg(LevelError, "%s: Conversion of a portion of the keypad file failed.  Keypad not opened.\n", "QWC0202");
        return 0;
      }
      list = converted;
    }
    p->fullLabels.push_back(full);
    p->actions.push_back(ParseKeypadActions(list));
  }

  // Where it goes: relative to the session window, held on the screen.
  Display* display = XtDisplay(parent);
  int sx = 0, sy = 0;
  Window child = 0;
  if (XtIsRealized(parent))
    XTranslateCoordinates(display, XtWindow(parent), DefaultRootWindow(display), 0, 0, &sx, &sy, &child);
  const int screenW = WidthOfScreen(XtScreen(parent)), screenH = HeightOfScreen(XtScreen(parent));
  int ax = sx + p->file.x, ay = sy + p->file.y;
  if (ax < 0) ax = 0;
  if (ax > screenW - 50) ax = screenW - 50;
  if (ay < 0) ay = 0;
  if (ay > screenH - 50) ay = screenH - 50;
  if (DebugFlag())
    LogMsg(LevelDebug, "Creating keypad %s at relative location (%d,%d) absolute location (%d,%d).\n", name.c_str(),
           p->file.x, p->file.y, ax, ay);

  Arg args[4];
  XtSetArg(args[0], XmNautoUnmanage, False);
  XtSetArg(args[1], XmNdeleteResponse, XmDO_NOTHING);
  XtSetArg(args[2], XmNdefaultPosition, False);
  p->form = XmCreateFormDialog(parent, const_cast<char*>("box"), args, 3);
  p->shell = XtParent(p->form);
  XtVaSetValues(p->shell, XmNx, static_cast<Position>(ax), XmNy, static_cast<Position>(ay), XmNtitle, name.c_str(),
                nullptr);
  Widget frame = XmCreateFrame(p->form, const_cast<char*>("frame"), nullptr, 0);
  XtVaSetValues(frame, XmNtopAttachment, XmATTACH_FORM, XmNleftAttachment, XmATTACH_FORM, XmNrightAttachment,
                XmATTACH_FORM, nullptr);
  XtManageChild(frame);
  p->board = XmCreateBulletinBoard(frame, const_cast<char*>("keypad"), nullptr, 0);
  XtVaSetValues(p->board, XmNmarginWidth, 0, XmNmarginHeight, 0, XmNresizePolicy, XmRESIZE_ANY, nullptr);
  XtManageChild(p->board);

  const int cw = std::max(x.cellWidth(), 1), ch = std::max(x.cellHeight(), 1);
  const int bw = ButtonWidth(p->file.textLength, cw);
  const std::vector<Cell> cells = Cells(p->file, bw, cw, ch);
  const bool cjk = [] {
    const char* lang = std::getenv("LANG");
    if (!lang) return false;
    for (const char* l : {"ja_JP", "ko_KR", "Zh_TW", "ZH_CN", "zh_TW", "zh_CN"})
      if (std::strncmp(lang, l, 5) == 0) return true;
    return false;
  }();
  XtTranslations ret = XtParseTranslationTable("<Key>Return: ArmAndActivate()");
  int budget = p->file.cols > 1 ? std::max(bw, 95) : bw;
  budget -= p->file.textLength <= 13 ? 30 : p->file.textLength <= 15 ? 40 : 60;
  for (const Cell& c : cells) p->width = std::max(p->width, c.x + c.width);
  for (size_t i = 0; i < p->file.buttonLines.size() && i < cells.size(); ++i) {
    const bool empty = IsEmptyKeypadButtonLine(p->file.buttonLines[i]);
    std::string widgetName = empty ? std::string("empty_button") : p->fullLabels[i];
    if (!empty && !cjk && p->file.textLength > 0) {
      const std::vector<size_t> lengths = CharacterLengths(widgetName);
      size_t bytes = 0;
      for (size_t i = 0; i < lengths.size() && i < static_cast<size_t>(p->file.textLength); ++i) bytes += lengths[i];
      widgetName.resize(bytes);
    }
    for (char& c : widgetName)
      if (c == ' ' || c == '.' || c == '*' || c == '?' || c == ':') c = '_';
    if (widgetName.empty()) widgetName = "button";
    // Buttons never take the keyboard from the screen.
    Arg noTraversal[1];
    XtSetArg(noTraversal[0], XmNtraversalOn, False);
    Widget b = XmCreatePushButton(p->board, const_cast<char*>(widgetName.c_str()), noTraversal, 1);
    const std::string shortLabel = empty ? std::string(" ") : ShortLabel(b, p->fullLabels[i], budget, p->file.textLength, cjk);
    p->shortLabels.push_back(empty ? std::string() : shortLabel);
    SetLabel(b, shortLabel);
    p->cells.push_back({cells[i].x, cells[i].y, cells[i].width, cells[i].height});
    XtVaSetValues(b, XmNx, cells[i].x, XmNy, cells[i].y, XmNwidth, cells[i].width, XmNheight, cells[i].height,
                  XmNrecomputeSize, False, XmNuserData,
                  reinterpret_cast<XtPointer>(static_cast<intptr_t>(slot * 256 + static_cast<int>(i))), nullptr);
    if (empty) {
      XtSetSensitive(b, False);
    } else {
      XtAddCallback(b, XmNactivateCallback, PressCallback, this);
      XtAddCallback(b, XmNarmCallback, ArmCallback, p.get());
      XtAddCallback(b, XmNdisarmCallback, DisarmCallback, p.get());
      XtOverrideTranslations(b, ret);
    }
    XtManageChild(b);
    p->buttons.push_back(b);
  }
  Widget sep = XmCreateSeparator(p->form, const_cast<char*>("sep"), nullptr, 0);
  XtVaSetValues(sep, XmNtopAttachment, XmATTACH_WIDGET, XmNtopWidget, frame, XmNleftAttachment, XmATTACH_FORM,
                XmNrightAttachment, XmATTACH_FORM, nullptr);
  XtManageChild(sep);
  p->close = XmCreatePushButton(p->form, const_cast<char*>("cancelkeypad"), nullptr, 0);
  XtVaSetValues(p->close, XmNtopAttachment, XmATTACH_WIDGET, XmNtopWidget, sep, XmNleftAttachment, XmATTACH_FORM,
                XmNrightAttachment, XmATTACH_FORM, XmNbottomAttachment, XmATTACH_FORM, XmNuserData,
                reinterpret_cast<XtPointer>(static_cast<intptr_t>(slot)), nullptr);
  XtAddCallback(p->close, XmNactivateCallback, CloseCallback, this);
  XtOverrideTranslations(p->close, ret);
  XtManageChild(p->close);
  Atom del = XmInternAtom(display, const_cast<char*>("WM_DELETE_WINDOW"), False);
  XmAddWMProtocolCallback(p->shell, del, CloseCallback, this);
  XtVaSetValues(p->shell, XmNuserData, reinterpret_cast<XtPointer>(static_cast<intptr_t>(slot)), nullptr);
  XtManageChild(p->form);
  p->shown = true;
  popups_[slot] = std::move(p);
  setKeypadColors();
  return 1;
}

void KeypadButtons::pressButton(int id, XEvent* event) {
  const std::vector<ButtonAction>* actions = nullptr;
  if (id >= kPullDownBase) {
    const int k = (id - kPullDownBase) / 256, e = (id - kPullDownBase) % 256;
    if (k < static_cast<int>(pulldownActions_.size()) && e < static_cast<int>(pulldownActions_[k].size()))
      actions = &pulldownActions_[k][e];
  } else {
    const int slot = id / 256, index = id % 256;
    if (slot < kSlots && popups_[slot] && index < static_cast<int>(popups_[slot]->actions.size()))
      actions = &popups_[slot]->actions[index];
  }
  Widget drawing = session_->xstuff.x_get_text_widget();
  if (!actions || !drawing) return;
  // A button may close its own keypad or end the session: run a copy, and
  // stop when this object went with the session.
  const std::vector<ButtonAction> run = *actions;
  std::weak_ptr<bool> alive = alive_;
  for (const ButtonAction& a : run) {
    if (!FindEmulatorAction(a.name.c_str())) {
      if (DebugFlag()) LogMsg(LevelDebug, "Keypad action %s is not an action of the window.\n", a.name.c_str());
      continue;
    }
    std::vector<String> params;
    for (const std::string& s : a.params) params.push_back(const_cast<String>(s.c_str()));
    XtCallActionProc(drawing, a.name.c_str(), event, params.data(), static_cast<Cardinal>(params.size()));
    if (alive.expired() || !session_->xstuff.shell()) return;
  }
  // A pop-up keypad's button acts on the screen and leaves the keyboard
  // there: what is typed next goes to the fields.
  if (id < kPullDownBase) ReturnFocusToScreen();
}

void KeypadButtons::ReturnFocusToScreen() {
  Widget drawing = session_->xstuff.x_get_text_widget();
  if (!drawing || !XtIsRealized(drawing)) return;
  Display* display = XtDisplay(drawing);
  XWindowAttributes a;
  if (!XGetWindowAttributes(display, XtWindow(drawing), &a) || a.map_state != IsViewable) return;
  XmProcessTraversal(drawing, XmTRAVERSE_CURRENT);
  XSetInputFocus(display, XtWindow(drawing), RevertToParent, CurrentTime);
}

void KeypadButtons::saveKeypadLocation(int slot) {
  Popup* p = popups_[slot].get();
  Widget parent = session_->xstuff.shell();
  if (!p || !parent || !p->shell || !XtIsRealized(p->shell) || !XtIsRealized(parent)) return;
  Display* display = XtDisplay(parent);
  int sx = 0, sy = 0, kx = 0, ky = 0;
  Window child = 0;
  XTranslateCoordinates(display, XtWindow(parent), DefaultRootWindow(display), 0, 0, &sx, &sy, &child);
  XTranslateCoordinates(display, XtWindow(p->shell), DefaultRootWindow(display), 0, 0, &kx, &ky, &child);
  const int rx = kx - sx, ry = ky - sy;
  if (rx == p->file.x && ry == p->file.y) return;
  const std::string user = userDirectory() + "/" + p->name;
  if (p->path != user) {
    if (DebugFlag())
      LogMsg(LevelDebug, "%s: Unable to save keypad %s's location.  May be a system default keypad.\n", "QWC0083",
             p->name.c_str());
    return;
  }
  std::string error;
  if (!RewriteKeypadPosition(user, rx, ry, &error))
    LogMsg(LevelError, "%s: Unable to open keypad file %s (%s)\n", "QWC0153", user.c_str(), error.c_str());
}

void KeypadButtons::cancelKeypad(int slot) {
  if (slot < 0 || slot >= kSlots || !popups_[slot]) return;
  saveKeypadLocation(slot);
  std::unique_ptr<Popup> p = std::move(popups_[slot]);
  if (p->shell) XtDestroyWidget(p->shell);
}

void KeypadButtons::cancelAllKeypads() {
  for (int i = 0; i < kSlots; ++i) cancelKeypad(i);
  destroyAllPullDownKeypads();
  closeSelectDialog();
}

void KeypadButtons::unManageActiveKeypads() {
  for (auto& p : popups_)
    if (p && p->shown) {
      XtUnmanageChild(p->form);
      p->shown = false;
    }
}

void KeypadButtons::rebuildActivePopupKeypads() {
  std::vector<std::string> names;
  for (int i = 0; i < kSlots; ++i)
    if (popups_[i]) {
      names.push_back(popups_[i]->name);
      cancelKeypad(i);
    }
  for (const std::string& n : names) {
    std::vector<unsigned char> list = {0, 0, 1};
    list.insert(list.end(), n.begin(), n.end());
    list.push_back(0);
    createKeypadsFromList(list);
  }
}

void KeypadButtons::rebuildAllActiveKeypads() {
  rebuildPullDownKeypads();
  rebuildActivePopupKeypads();
}

void KeypadButtons::destroyAllPullDownKeypads() {
  if (pulldownCascade_) XtDestroyWidget(pulldownCascade_);
  if (pulldownMenu_) XtDestroyWidget(pulldownMenu_);
  pulldownCascade_ = pulldownMenu_ = nullptr;
  pulldownCount_ = 0;
  pulldownActions_.clear();
}

void KeypadButtons::rebuildPullDownKeypads() {
  destroyAllPullDownKeypads();
  createPullDownKeypads();
}

void KeypadButtons::createPullDownKeypads() {
  const unsigned char resource = AppResources().keyPad;
  if (resource == QwFalse || resource == QwDisableAndHide) {
    if (DebugFlag()) LogMsg(LevelDebug, "Pull Down Keypads disabled for user by Tolvane Manager.\n");
    return;
  }
  XStuff::Private* priv = session_->xstuff.privatePart();
  if (!priv || !priv->menuBar) return;
  // The names, one a line, while the list stays below 1,280 bytes.
  std::vector<std::string> paths;
  size_t listBytes = 0;
  auto collect = [&](const std::string& path, const char* tooMany) {
    if (KeypadFileStyle(path) != '0') return;
    const size_t add = BaseName(path).size() + 1;
    if (listBytes + add >= kMaxNameList) {
      LogMsg(LevelError, "%s\n", tooMany);
      return;
    }
    listBytes += add;
    paths.push_back(path);
  };
  std::vector<std::string> users;
  if (DIR* d = opendir(userDirectory().c_str())) {
    while (dirent* e = readdir(d))
      if (std::strcmp(e->d_name, ".") && std::strcmp(e->d_name, "..")) users.push_back(e->d_name);
    closedir(d);
  }
  std::sort(users.begin(), users.end());
  for (const std::string& u : users) collect(userDirectory() + "/" + u, "Ignoring pulldown keypads. Too many of them.");
  std::string userMark;
  if (const char* user = std::getenv("USER")) {
    userMark = std::string(user).substr(0, 63);
    for (char& c : userMark) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    userMark += "/";
  }
  for (const std::string& p : defaultPaths()) {
    if (!userMark.empty() && p.find(userMark) != std::string::npos) continue;
    collect(p, "Ignoring default pulldown keypads. Too many of them.");
  }
  const int files = static_cast<int>(paths.size());
  for (const std::string& p : paths) {
    if (pulldownCount_ >= kMaxPullDowns) break;
    addPullDownFile(p, pulldownCount_, files);
  }
  setKeypadColors();
}

void KeypadButtons::addPullDownFile(const std::string& path, int index, int fileCount) {
  const std::string name = BaseName(path);
  std::string text;
  if (!ReadKeypadFileText(path, &text)) {
    LogMsg(LevelError, "%s: Unable to open pulldown keypad file %s.\n", fileCount == 1 ? "QWC0078" : "QWC0080",
           name.c_str());
    return;
  }
  // The header (four lines) is skipped; the entries follow.
  std::vector<std::string> lines;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(at, end - at));
    at = end + 1;
  }
  if (lines.size() < 4) {
    LogMsg(LevelError, "Not enough lines (%d) in keypad file '%s'\n", fileCount == 1 ? 1 : 2, name.c_str());
    return;
  }
  XStuff::Private* priv = session_->xstuff.privatePart();
  Widget pane = nullptr;
  std::vector<std::vector<ButtonAction>> actions;
  bool emptyBefore = false;
  for (size_t i = 4; i < lines.size() && actions.size() < static_cast<size_t>(kMaxKeypadButtons); ++i) {
    const std::string& line = lines[i];
    std::string label, list, converted;
    if (line.empty()) continue;
    if (!SplitKeypadButtonLine(line, &label, &list)) {
      LogMsg(LevelError, "%s: No colon found in keypad file '%s', line %d, %s.\nNot creating pulldown keypad.\n",
             "QWC0079", name.c_str(), static_cast<int>(i + 1), line.c_str());
      break;
    }
    if (label == "empty_button") {
      if (!actions.empty()) emptyBefore = true;
      continue;
    }
    if (!convertLabel(label, true, &converted)) {
      LogMsg(LevelError, "%s: Keypad file %s, line %d could not be converted from UTF-8 to Locale.\n", "QWC0217",
             name.c_str(), static_cast<int>(i + 1));
      break;
    }
    if (!pane) {
      // The menu and its cascade come with the first entry.
      if (!pulldownMenu_) {
        pulldownMenu_ = XmCreatePulldownMenu(priv->menuBar, const_cast<char*>("keypadMenu"), nullptr, 0);
        Arg args[1];
        XtSetArg(args[0], XmNsubMenuId, pulldownMenu_);
        pulldownCascade_ = XmCreateCascadeButton(priv->menuBar, const_cast<char*>("keypadCascade"), args, 1);
        XtManageChild(pulldownCascade_);
      }
      if (fileCount == 1) {
        pane = pulldownMenu_;
      } else {
        if (index > 0) XtManageChild(XmCreateSeparatorGadget(pulldownMenu_, const_cast<char*>("separator"), nullptr, 0));
        pane = XmCreatePulldownMenu(pulldownMenu_, const_cast<char*>("keypadmenuitems"), nullptr, 0);
        std::string title;
        if (!convertLabel(name, true, &title)) {
          LogMsg(LevelError,
                 "%s: file name %s conversion to code page of locale failed. Pulldown keypad choice will have no "
                 "title.\n",
                 "QWC0114", name.c_str());
          title = " ";
        }
        Arg args[1];
        XtSetArg(args[0], XmNsubMenuId, pane);
        Widget cascade = XmCreateCascadeButtonGadget(pulldownMenu_, const_cast<char*>(name.c_str()), args, 1);
        SetLabel(cascade, title);
        XtManageChild(cascade);
      }
    } else {
      XtManageChild(XmCreateSeparatorGadget(pane, const_cast<char*>(emptyBefore ? "empty" : "separator"), nullptr, 0));
    }
    emptyBefore = false;
    Widget entry = XmCreatePushButtonGadget(pane, const_cast<char*>(converted.c_str()), nullptr, 0);
    SetLabel(entry, converted);
    XtVaSetValues(entry, XmNuserData,
                  reinterpret_cast<XtPointer>(static_cast<intptr_t>(kPullDownBase + index * 256 +
                                                                    static_cast<int>(actions.size()))),
                  nullptr);
    XtAddCallback(entry, XmNactivateCallback, PressCallback, this);
    XtManageChild(entry);
    actions.push_back(ParseKeypadActions(list));
  }
  if (!actions.empty()) {
    pulldownActions_.push_back(std::move(actions));
    ++pulldownCount_;
  }
}

void KeypadButtons::handleKeypadMenuSelection() {
  closeSelectDialog();
  Widget parent = session_->xstuff.shell();
  if (!parent) return;
  std::vector<std::string> users, defaults;
  if (DIR* d = opendir(userDirectory().c_str())) {
    while (dirent* e = readdir(d)) {
      if (!std::strcmp(e->d_name, ".") || !std::strcmp(e->d_name, "..")) continue;
      std::string text;
      KeypadFile k;
      if (ReadKeypadFileText(userDirectory() + "/" + e->d_name, &text) &&
          ParseKeypadFile(text, &k) == KeypadFileError::kNone && k.style == 1)
        users.push_back(e->d_name);
    }
    closedir(d);
  }
  std::sort(users.begin(), users.end());
  for (const std::string& p : defaultPaths()) {
    std::string text;
    KeypadFile k;
    if (ReadKeypadFileText(p, &text) && ParseKeypadFile(text, &k) == KeypadFileError::kNone && k.style == 1)
      defaults.push_back(BaseName(p));
  }
  if (users.empty() && defaults.empty()) {
    TheErrorDialogs().createErrorDialog("ErrorMsgNoKeypads", nullptr, nullptr, parent, DialogCloseOnly);
    return;
  }
  if (users.size() + defaults.size() == 1) {
    const std::string name = users.empty() ? defaults[0] : users[0];
    openSelected(users.empty() ? findPath(name) : userDirectory() + "/" + name, name, true);
    return;
  }
  Arg args[2];
  XtSetArg(args[0], XmNautoUnmanage, False);
  XtSetArg(args[1], XmNdeleteResponse, XmDO_NOTHING);
  Widget form = XmCreateFormDialog(parent, const_cast<char*>("keypadfilechangebox"), args, 2);
  selectShell_ = XtParent(form);
  Atom del = XmInternAtom(XtDisplay(parent), const_cast<char*>("WM_DELETE_WINDOW"), False);
  XmAddWMProtocolCallback(
      selectShell_, del, [](Widget, XtPointer self, XtPointer) { static_cast<KeypadButtons*>(self)->closeSelectDialog(); },
      this);
  Arg cargs[1];
  XtSetArg(cargs[0], XmNorientation, XmVERTICAL);
  Widget column = XmCreateRowColumn(form, const_cast<char*>("column"), cargs, 1);
  XtManageChild(column);
  XtManageChild(XmCreateLabel(column, const_cast<char*>("keypadfilechangeboxlabel"), nullptr, 0));
  auto makeList = [&](const char* label, const char* name, const std::vector<std::string>& items) {
    XtManageChild(XmCreateLabel(column, const_cast<char*>(label), nullptr, 0));
    Arg largs[2];
    XtSetArg(largs[0], XmNselectionPolicy, XmMULTIPLE_SELECT);
    XtSetArg(largs[1], XmNvisibleItemCount, 6);
    Widget list = XmCreateScrolledList(column, const_cast<char*>(name), largs, 2);
    for (const std::string& item : items) {
      XmString s = XmStringCreateLocalized(const_cast<char*>(item.c_str()));
      XmListAddItemUnselected(list, s, 0);
      XmStringFree(s);
    }
    XtManageChild(list);
    return list;
  };
  userList_ = makeList("userKeypads", "userlist", users);
  defaultList_ = defaultPaths().empty() ? nullptr : makeList("defaultKeypads", "defaultlist", defaults);
  Widget ok = XmCreatePushButton(column, const_cast<char*>("keypadOKbox"), nullptr, 0);
  XtAddCallback(ok, XmNactivateCallback, [](Widget, XtPointer self, XtPointer) { static_cast<KeypadButtons*>(self)->keypadSelectOk(); }, this);
  XtManageChild(ok);
  Widget cancel = XmCreatePushButton(column, const_cast<char*>("cancelkeypad"), nullptr, 0);
  XtAddCallback(cancel, XmNactivateCallback, [](Widget, XtPointer self, XtPointer) { static_cast<KeypadButtons*>(self)->closeSelectDialog(); }, this);
  XtManageChild(cancel);
  XtManageChild(form);
}

void KeypadButtons::openSelected(const std::string& path, const std::string& name, bool fromDialog) {
  if (path.empty()) return;
  const int open = findOpen(name);
  if (open >= 0) {
    Popup* p = popups_[open].get();
    if (!p->shown) {
      XtManageChild(p->form);
      p->shown = true;
    }
    if (XtIsRealized(p->shell)) XRaiseWindow(XtDisplay(p->shell), XtWindow(p->shell));
    return;
  }
  const int slot = freeSlot();
  if (slot < 0) {
    if (fromDialog)
      TheErrorDialogs().createErrorDialog("ErrorMsgTooManyKeypads", nullptr, nullptr, session_->xstuff.shell(),
                                          DialogCloseOnly);
    return;
  }
  createPopUpKeypad(slot, path);
}

void KeypadButtons::keypadSelectOk() {
  const std::vector<std::string> users = ListNames(userList_), defaults = ListNames(defaultList_);
  if (users.empty() && defaults.empty()) {
    TheErrorDialogs().createErrorDialog("ErrorMsgNoKeypadSelected", nullptr, nullptr, session_->xstuff.shell(),
                                        DialogCloseOnly);
    return;
  }
  for (const std::string& u : users)
    if (u.find('/') == std::string::npos) openSelected(userDirectory() + "/" + u, u, true);
  const std::vector<std::string> paths = defaultPaths();
  for (const std::string& d : defaults)
    for (const std::string& p : paths)
      if (BaseName(p) == d) {
        openSelected(p, d, true);
        break;
      }
  closeSelectDialog();
}

void KeypadButtons::closeSelectDialog() {
  if (selectShell_) XtDestroyWidget(selectShell_);
  selectShell_ = userList_ = defaultList_ = nullptr;
}

void KeypadButtons::setKeypadColors() {
  XStuff::Private* priv = session_->xstuff.privatePart();
  if (!priv || !priv->menuBar) return;
  Pixel background = 0, foreground = 0;
  Colors(priv->menuBar, &background, &foreground);
  for (auto& p : popups_) {
    if (!p) continue;
    Recolor(p->form, background, foreground);
    for (Widget b : p->buttons) Recolor(b, background, foreground);
    Recolor(p->close, background, foreground);
  }
}

void KeypadButtons::changeKeypadFonts(XmRenderTable table) {
  if (pulldownMenu_ && table) XtVaSetValues(pulldownMenu_, XmNrenderTable, table, nullptr);
  rebuildActivePopupKeypads();
}
