// The session window: construction, building the window, ending it, the
// communication message pump and the shell's event handling.
#include "xfront/XStuff.h"

#include <X11/Shell.h>
#include <X11/StringDefs.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <Xm/Form.h>
#include <Xm/Protocols.h>
#include <Xm/RowColumn.h>
#include <Xm/Separator.h>

#include <algorithm>
#include <utility>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "display/DisplayBag.h"
#include "session/AppResources.h"
#include "session/Language.h"
#include "session/MiscPreferences.h"
#include "session/MiscPreferenceUpdate.h"
#include "session/PreDispatch.h"
#include "session/RegistryFacts.h"
#include "session/ResourceKeywords.h"
#include "session/SessionControlBlock.h"
#include "session/SessionTable.h"
#include "session/WMGeometry.h"
#include "base/LogMsg.h"
#include "xfront/ActionProcedures.h"
#include "xfront/KeypadButtons.h"
#include "xfront/LocalPrint.h"
#include "xfront/DeskTopSettings.h"
#include "xfront/SessionIcons.h"
#include "xfront/SessionClipboard.h"
#include "xfront/SessionMenuHooks.h"
#include "xfront/KeyboardCharacters.h"
#include "xfront/Win3270.h"
#include "xfront/XStuffPrivate.h"

namespace {

Widget g_shellParent = nullptr;

// The six dialog colours, read as application resources.
struct DialogColors {
  Pixel menuForeground, menuBackground, textForeground, formBackground, groupBoxBackground, entryAreaBackground;
};

#define COLOR_RES(name, cls, field, def)                                                                   \
  {const_cast<String>(name), const_cast<String>(cls), const_cast<String>(XtRPixel), sizeof(Pixel),           \
   static_cast<Cardinal>(offsetof(DialogColors, field)), const_cast<String>(XtRString), const_cast<char*>(def)}

void ReadDialogColors(Widget w, DialogColors* colors) {
  XtResource list[] = {
      COLOR_RES("menuForeground", "MenuForeground", menuForeground, "black"),
      COLOR_RES("menuBackground", "MenuBackground", menuBackground, "grey75"),
      COLOR_RES("textForeground", "TextForeground", textForeground, "black"),
      COLOR_RES("formBackground", "FormBackground", formBackground, "grey75"),
      COLOR_RES("groupBoxBackground", "GroupBoxBackground", groupBoxBackground, "LightGray"),
      COLOR_RES("entryAreaBackground", "EntryAreaBackground", entryAreaBackground, "white"),
  };
  XtGetApplicationResources(w, colors, list, XtNumber(list), nullptr, 0);
}
#undef COLOR_RES

void FreeFontsCallback(Widget, XtPointer clientData, XtPointer) {
  delete static_cast<SessionWindowFonts*>(clientData);
}

XStuff* WindowOfWidget(Widget w) {
  SessionControlBlock* block = FindSessionOfWidget(w);
  return block ? &block->xstuff : nullptr;
}

void ShellStructureHandler(Widget w, XtPointer clientData, XEvent* event, Boolean* continueDispatch) {
  if (XStuff* x = WindowOfWidget(w)) {
    char cont = 1;
    x->topLevelEventHandler(w, clientData, event, &cont);
  }
  *continueDispatch = True;
}

void ShellFocusHandler(Widget w, XtPointer, XEvent* event, Boolean* continueDispatch) {
  if (XStuff* x = WindowOfWidget(w)) x->SetFocus(event->type == FocusIn ? 1 : 0);
  *continueDispatch = True;
}

void WmDeleteCallback(Widget w, XtPointer, XtPointer) { QuitSessionOfWidget(w); }

// The window manager's UTF-8 title and icon title (EWMH), beside WM_NAME and
// WM_ICON_NAME in the locale's encoding.
void SetNetWmNames(Display* display, Window window, const std::string& title, const std::string& iconName) {
  const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
  const std::pair<const char*, std::string> names[] = {{"_NET_WM_NAME", LocaleTextToUtf8(title)},
                                                       {"_NET_WM_ICON_NAME", LocaleTextToUtf8(iconName)}};
  for (const auto& n : names)
    XChangeProperty(display, window, XInternAtom(display, n.first, False), utf8, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(n.second.data()), static_cast<int>(n.second.size()));
}

// The drawing widget's key callback: call data is the keystroke codes as a
// NUL-terminated byte string.
void DrawingKeyCallback(Widget w, XtPointer, XtPointer callData) {
  SessionControlBlock* block = FindSessionOfWidget(w);
  const auto* codes = static_cast<const unsigned char*>(callData);
  if (!block || !codes) return;
  SessionKeyProc proc = GetSessionKeyProc();
  if (!proc) return;
  proc(block, codes, static_cast<int>(std::strlen(reinterpret_cast<const char*>(codes))));
  if ((block = FindSessionOfWidget(w))) block->xstuff.Flush_X5250(0);
}

XtEventHandler g_clientMessageHandler = nullptr;

// The drawing widget was exposed: the window repaints its screen copy.
void DrawingExposeCallback(Widget w, XtPointer, XtPointer callData) {
  const auto* event = static_cast<const XEvent*>(callData);
  if (event && event->type == Expose && event->xexpose.count != 0) return;
  if (XStuff* x = WindowOfWidget(w)) x->exposed();
}

// The drawing widget changed size: a user's resize picks the font.
void DrawingResizeCallback(Widget w, XtPointer, XtPointer) {
  if (XStuff* x = WindowOfWidget(w)) x->resizeWindow();
}

// The drawing widget's action callback: call data is a reason and an
// argument (two ints); 5 widens the font, 11 toggles a latched modifier.
void DrawingActionCallback(Widget w, XtPointer, XtPointer callData) {
  const int* data = static_cast<const int*>(callData);
  XStuff* x = WindowOfWidget(w);
  if (!x || !data) return;
  if (data[0] == 5) x->rotateFont(0);
  if (data[0] == 11) x->toggle_mod(data[1]);
}

// The locale whose code set the session's fonts use.
std::string FontLocale(const SessionControlBlock* block, const std::string& sessionLocale) {
  if (block && block->forceTranslatedFont) {
    if (DebugFlag()) LogMsg(LevelDebug, "font forced to %s\n", sessionLocale.c_str());
    return sessionLocale;
  }
  const char* current = std::setlocale(LC_CTYPE, nullptr);
  return current && *current ? current : "en_US";
}

XmFontList CombinedFontList(const std::vector<LoadedFontSet>& sets) {
  XmFontList list = nullptr;
  for (const LoadedFontSet& s : sets) {
    XmFontListEntry entry = XmFontListEntryCreate(const_cast<char*>(XmFONTLIST_DEFAULT_TAG), XmFONT_IS_FONTSET,
                                                  reinterpret_cast<XtPointer>(s.fontSet));
    if (!entry) continue;
    list = XmFontListAppendEntry(list, entry);
    XmFontListEntryFree(&entry);
  }
  return list;
}

int AvailableWidth(Display* display) {
  int x = 0, y = 0, width = 0, height = 0;
  if (WMDisplay() && GetRealTimeWorkSpaceInfo(x, y, width, height) == 0 && width > 0) return width;
  return DisplayWidth(display, DefaultScreen(display));
}

}  // namespace

SessionWindowFonts::~SessionWindowFonts() {
  if (drawingList) XmFontListFree(drawingList);
  if (menuList) XmFontListFree(menuList);
  for (LoadedFontSet& s : drawingSets) FreeFontSet(display, &s);
  for (LoadedFontSet& s : menuSets) FreeFontSet(display, &s);
  for (LoadedFontSet& s : euroSets) FreeFontSet(display, &s);
  for (auto& e : entrySets) {
    FreeFontSet(display, &e.second.session);
    FreeFontSet(display, &e.second.message);
    FreeFontSet(display, &e.second.euro);
  }
  for (std::vector<XFontStruct*>& list : thaiFonts)
    for (XFontStruct* f : list)
      if (f) XFreeFont(display, f);
}

void XStuffSetClientMessageHandler(XtEventHandler handler) { g_clientMessageHandler = handler; }

XStuff::XStuff(SessionControlBlock* session)
    : session_(session),
      chars_(kMaxCells, 0x20),
      attributes_(kMaxCells, 0),
      overlay_(kMaxCells, 0),
      alive_(std::make_shared<bool>(true)) {
  audioAlarm_ = AppResources().AUDIO_ALARM == QwEnable;
  clipboard_ = std::make_unique<SessionClipboard>();
  if (g_shellParent) {
    Screen* screen = XtScreen(g_shellParent);
    screenWidth_ = WidthOfScreen(screen);
    screenHeight_ = HeightOfScreen(screen);
  }
  clearBuffers();
}

XStuff::~XStuff() {
  *alive_ = false;
  endSession();
  removeTimers();
}

void XStuff::setShellParent(Widget parent) { g_shellParent = parent; }

void XStuff::installDrawingCallbacks() {
  if (!private_ || !private_->drawing) return;
  XtAddCallback(private_->drawing, QwNexposeCallback, DrawingExposeCallback, nullptr);
  XtAddCallback(private_->drawing, QwNresizeCallback, DrawingResizeCallback, nullptr);
  XtAddCallback(private_->drawing, QwNactionCallback, DrawingActionCallback, nullptr);
  columnSeparators_ = AppResources().columnSeparator == QwEnable;
  dirty_.reset(cells());
}

void XStuff::clearBuffers() {
  std::fill(chars_.begin(), chars_.end(), 0x20);
  std::fill(attributes_.begin(), attributes_.end(), 0);
  std::fill(overlay_.begin(), overlay_.end(), 0);
}

Widget XStuff::x_get_text_widget() const {
  if (private_ && private_->drawing) return private_->drawing;
  return shell_;
}

Widget XStuff::menuBar() const { return private_ ? private_->menuBar : nullptr; }
Widget XStuff::statusForm() const { return private_ ? private_->optionArea : nullptr; }

void XStuff::addMenuBarWidget(Widget w) {
  if (w && static_cast<int>(menuBarWidgets_.size()) < kMaxMenuBarWidgets) menuBarWidgets_.push_back(w);
}

void XStuff::addStatusWidget(Widget w) {
  if (w && static_cast<int>(statusWidgets_.size()) < kMaxStatusWidgets) statusWidgets_.push_back(w);
}

int XStuff::XYtoCursor(int x, int y) const {
  auto clamp = [](int value, int cell, int count) {
    if (cell <= 0 || value < 0) return 0;
    const int q = value / cell;
    return q >= count ? count - 1 : q;
  };
  const int column = clamp(x - originX_, cellWidth_, columns_);
  const int row = clamp(y - originY_, cellHeight_, rows_);
  return row * columns_ + column;
}

// Steps 5, 6, 9 and 10 of the start: copy/paste, screen sizes, column
// separators, host change, port, edit and local-print permissions.
void XStuff::settleSessionOptions(int port) {
  const AppResourceStruct& res = AppResources();
  const MenuResources& r = private_->resources;
  SessionControlBlock* b = session_;
  const int option = b ? b->CopyPasteOption : 0;
  copyPasteMode_ = option >= 1 && option <= 3 ? option : CopyPasteModeFromResource(res.COPY_PASTE_ACCESS);
  copyPasteAllowed_ = copyPasteMode_ != 3;

  const int wide = b ? b->wideOption : 3;
  wideAllowed_ = !(wide == 2 || (wide == 3 && res._27x132 == QwDisable));
  const int image = b ? b->imageOption : 3;
  imageAllowed_ = !(image == 2 || (image == 3 && res.imageView == QwDisable));

  columnSeparators_ = res.columnSeparator == QwEnable;
  noHostChange_ = r.changeIPAddress != QwEnable;
  if (b) {
    if (port >= 1)
      b->port = port;
    else
      b->port = b->sslInUse ? 992 : res.PORT;
  }
  if (r.edit != QwEnable) copyPasteAllowed_ = false;
  localPrintAllowed_ = LocalPrintAllowed(r.localPrint);
  // The display station marks and pastes only when copy and paste is allowed.
  if (b && b->display) {
    unsigned int& word = b->display->options().optionWord;
    if (copyPasteAllowed_)
      word |= StationOptions::kCopyPaste;
    else
      word &= ~StationOptions::kCopyPaste;
  }
}

int XStuff::initializeSession(const char* host, const char* title, int port, const char* playbackFile,
                              char startupPlayback, const char* keyFile, char iconic, Geometry geometry,
                              Widget& shellOut) {
  if (!g_shellParent || private_ || ended_) return -1;
  private_ = std::make_unique<Private>();
  Private& p = *private_;
  const AppResourceStruct& res = AppResources();

  host_ = host ? host : "";
  keyFile_ = keyFile ? keyFile : "";
  p.resources = MenuResourcesOf(res);
  if (host_ == kConsoleHostName) ForceConsoleResources(p.resources);

  if (!std::getenv("KDVSHARED"))
    LogMsg(LevelError, "%s: %s env. variable not defined. Helper applications will not work correctly.\n",
           "QWC0157", "KDVSHARED");

  settleSessionOptions(port);
  InstallEmulatorActionProcedures();
  p.plan = PlanSessionMenus(p.resources, copyPasteAllowed_, session_ && session_->programmingInterface);

  DialogColors colors{};
  ReadDialogColors(g_shellParent, &colors);
  p.menuForeground = colors.menuForeground;
  p.menuBackground = colors.menuBackground;
  p.textForeground = colors.textForeground;
  p.formBackground = colors.formBackground;
  p.groupBoxBackground = colors.groupBoxBackground;
  p.entryAreaBackground = colors.entryAreaBackground;

  if (buildWindow(title, iconic, geometry, shellOut) != 0) return -1;

  if (session_) {
    // The sign-on macro: the one given for this session, else the resource's.
    const AppResourceStruct& res = AppResources();
    const char* signon = nullptr;
    if (startupPlayback) {
      signon = playbackFile && *playbackFile ? playbackFile : res.STARTUP_PLAYBACK;
      if (signon && (!*signon || std::strcmp(signon, "0") == 0)) signon = nullptr;
    }
    if (session_->playRecord.playbackInit(res.playBackPath, signon, startupPlayback != 0) != 0) return -1;
  }

  if (thai_) setThaiSession(true);
  if (DebugFlag())
    LogMsg(LevelDebug, "Session window of %s built (playback file %s, start-up playback %d).\n", host_.c_str(),
           playbackFile && *playbackFile ? playbackFile : "none", startupPlayback);
  return 0;
}

int XStuff::buildWindow(const char* titleArg, char iconic, const Geometry& given, Widget& shellOut) {
  Private& p = *private_;
  const AppResourceStruct& res = AppResources();
  Display* display = XtDisplay(g_shellParent);

  // A geometry as large as the screen opens the window maximized (the
  // geometry is then dropped); a taller one is cut to the screen's height.
  Geometry geometry = given;
  const int screenHeight = DisplayHeight(display, DefaultScreen(display));
  bool openMaximized = false;
  if (geometry.geometryString[0] != '\0') {
    if (geometry.widthGiven && geometry.heightGiven && geometry.width >= AvailableWidth(display) &&
        geometry.height >= screenHeight) {
      openMaximized = true;
      geometry.geometryString[0] = '\0';
      geometry.xGiven = geometry.yGiven = geometry.widthGiven = geometry.heightGiven = 0;
    } else if (geometry.heightGiven && geometry.height >= screenHeight) {
      geometry.height = static_cast<uint16_t>(screenHeight);
    }
  }

  // The shell.
  Arg args[12];
  Cardinal n = 0;
  XtSetArg(args[n], XmNdeleteResponse, XmDO_NOTHING); ++n;
  const long functions = SessionShellWmFunctions(p.resources);
  if (functions >= 0) {
    XtSetArg(args[n], XmNmwmFunctions, functions); ++n;
  }
  XtSetArg(args[n], XtNiconic, (iconic || res.ICONIC == QwEnable) ? True : False); ++n;
  if (geometry.xGiven) { XtSetArg(args[n], XtNx, geometry.x); ++n; }
  if (geometry.yGiven) { XtSetArg(args[n], XtNy, geometry.y); ++n; }
  shell_ = XtCreatePopupShell("MainWindow", topLevelShellWidgetClass, g_shellParent, args, n);
  if (!shell_) return -1;
  shellOut = shell_;

  // Title and icon name: the text is the argument, else TITLE, else a title
  // that a resource gave the shell, else the host; the title mode then adds
  // the host and the session id, to the window's title as to its icon's.
  int titleMode = session_ ? session_->TitleOption : 1;
  if (titleArg && *titleArg) {
    title_ = titleArg;
  } else if (res.TITLE && *res.TITLE) {
    title_ = res.TITLE;
  } else {
    String own = nullptr;
    XtVaGetValues(shell_, XtNtitle, &own, nullptr);
    if (own && *own && std::strcmp(own, XtName(shell_)) != 0) {
      title_ = own;
    } else {
      // The shell's own title is only its widget name: name the host, once.
      title_ = host_;
      if (titleMode == 4) titleMode = 2;
      if (titleMode == 5) titleMode = 1;
    }
  }
  iconName_ = SessionIconName(titleMode, title_, host_, session_ ? session_->sessionId : "");
  XtVaSetValues(shell_, XtNtitle, iconName_.c_str(), XtNiconName, iconName_.c_str(), nullptr);
  Pixmap ownIcon = 0;
  XtVaGetValues(shell_, XtNiconPixmap, &ownIcon, nullptr);
  if (!ownIcon && GetIcon(shell_, &p.icon, &p.alternateIcon, &p.iconMask))
    XtVaSetValues(shell_, XtNiconPixmap, p.icon, XtNiconMask, p.iconMask, nullptr);

  // Code sets and locales.
  const LanguageRow* row = session_ ? session_->languageRow : nullptr;
  if (!row) row = FindLanguageRow("ENU");
  const char* xCodeSet = XCodeSetOfLanguage(row);
  nullCharacter_ = NullPositionCharacter(xCodeSet);
  thai_ = IsThaiCodeSet(xCodeSet);
  const std::string sessionLocale = row && row->locale ? row->locale : "en_US";
  const std::string fontLocale = FontLocale(session_, sessionLocale);
  const bool euro = session_ && session_->euroState == 1;
  std::string drawingLocale = sessionLocale;
  if (euro) {
    const char* base = EuroBaseLocale(session_->languageId);
    drawingLocale = base ? base : "en_US";
  }

  // Fonts.
  const bool fixedOnly = p.resources.fontMenu == QwFixedFontsOnly;
  p.family = &ChooseFontFamily(display, res.FONTS_TO_USE && std::strcmp(res.FONTS_TO_USE, "OLD_FIXED_FONTS") == 0);
  SessionFontRequest request;
  request.screenWidth = DisplayWidth(display, DefaultScreen(display));
  request.screenHeight = DisplayHeight(display, DefaultScreen(display));
  request.availableWidth = AvailableWidth(display);
  request.frame.left = WMLeftBorderWidth();
  request.frame.right = WMRightBorderWidth();
  request.frame.top = WMTopBorderHeight();
  request.frame.bottom = WMBottomBorderHeight();
  request.frame.title = WMTitleHeight();
  request.withMenuBar = p.plan.menuBar;
  request.fixedFontsOnly = fixedOnly;
  request.geometry = geometry;
  // Without a size or font of its own, the session starts with the font it
  // had last time.
  DeskTopSettings& desk = DeskTopSettings::instance();
  desk.load(XtWidgetToApplicationContext(g_shellParent), request.screenWidth, request.screenHeight);
  if (!geometry.fontGiven && !(geometry.widthGiven && geometry.heightGiven) && session_) {
    int font = -1;
    if (desk.getFontSizeForSession(session_->sessionId, &font) && font >= 0) {
      request.geometry.fontGiven = 1;
      request.geometry.fontIndex = static_cast<int16_t>(font);
    }
  }
  const FontFamily& family = *p.family;
  request.fontAvailable = [display, &family](int entry) {
    char name[kFontNameBufferSize];
    return GenerateFontNameString(family, entry, name, sizeof name) && IsFontAvailable(display, name) != 0;
  };
  p.fontChoice = ChooseSessionFonts(*p.family, request);
  if (DebugFlag())
    LogMsg(LevelDebug, "Session font: entry %d of %d, %zu entries in the font menu.\n", p.fontChoice.chosenEntry,
           p.family->count, p.fontChoice.menuEntries.size());

  struct Refusal {
    bool* allowed;
    int cols, rows;
    bool exempt;
    const char* text;
  } refusals[] = {
      {&wideAllowed_, 132, 27, res._27X132_IN_800X600 == QwEnable,
       "Not permitting 27x132 screen size due to low monitor resolution.\n"},
      {&p.allowed32x80, 80, 32, false, "Not permitting 32x80 screen size due to low monitor resolution.\n"},
      {&p.allowed43x80, 80, 43, false, "Not permitting 43x80 screen size due to low monitor resolution.\n"},
  };
  for (const Refusal& r : refusals) {
    if (r.exempt || DoesFontFitOnScreen(*p.family, p.fontChoice.defaultEntry, r.cols, r.rows, request.withMenuBar,
                                        request.frame, request.screenWidth, request.screenHeight))
      continue;
    *r.allowed = false;
    if (DebugFlag()) LogMsg(LevelDebug, "%s", r.text);
  }

  p.fonts = new SessionWindowFonts;
  p.fonts->display = display;
  for (int entry : p.fontChoice.menuEntries) {
    char name[kFontNameBufferSize];
    GenerateFontNameString(*p.family, entry, name, sizeof name);
    LoadedFontSet set;
    if (!LoadFontSet(display, name, fontLocale.c_str(), &set)) {
      LogMsg(LevelError, "%s: Cannot start session, unable to create fontset for font string %s\n", "QWC0103", name);
      return -1;
    }
    p.fonts->menuSets.push_back(set);
    if (drawingLocale != fontLocale || euro) {
      LoadedFontSet drawingSet;
      if (!LoadFontSet(display, name, drawingLocale.c_str(), &drawingSet)) {
        LogMsg(LevelError, "%s: Cannot start session, unable to create fontset for font string %s\n", "QWC0104",
               name);
        return -1;
      }
      p.fonts->drawingSets.push_back(drawingSet);
    }
    // A euro session draws the euro sign with a font of its own locale.
    if (euro) {
      LoadedFontSet euroSet;
      if (!LoadFontSet(display, name, sessionLocale.c_str(), &euroSet)) {
        LogMsg(LevelError, "%s: Cannot start session, unable to create fontset for font string %s\n", "QWC0104",
               name);
        return -1;
      }
      p.fonts->euroSets.push_back(euroSet);
    }
  }
  const int position = p.fontChoice.chosenPosition();
  p.currentEntry = p.fontChoice.chosenEntry;
  p.drawingLocale = drawingLocale;
  p.messageLocale = fontLocale;
  p.euroLocale = euro ? sessionLocale : std::string();
  if (position >= 1 && position <= static_cast<int>(p.fonts->menuSets.size())) {
    p.currentMessageSet = p.fonts->menuSets[position - 1].fontSet;
    if (euro) p.currentEuroSet = p.fonts->euroSets[position - 1].fontSet;
  }
  p.fonts->drawingList = CombinedFontList(p.fonts->drawingSets.empty() ? p.fonts->menuSets : p.fonts->drawingSets);
  if (position >= 1 && position <= static_cast<int>(p.fonts->menuSets.size()))
    p.fonts->menuList = XmFontListCopy(p.fonts->menuSets[position - 1].fontList);
  if (!p.fonts->drawingList || !p.fonts->menuList) LogMsg(LevelError, "%s: Bad fontlist\n", "QWC0013");

  // Widgets.
  p.form = XmCreateForm(shell_, const_cast<char*>("form"), nullptr, 0);
  if (p.plan.menuBar) {
    n = 0;
    XtSetArg(args[n], XmNtopAttachment, XmATTACH_FORM); ++n;
    XtSetArg(args[n], XmNleftAttachment, XmATTACH_FORM); ++n;
    XtSetArg(args[n], XmNrightAttachment, XmATTACH_FORM); ++n;
    p.menuBar = XmCreateMenuBar(p.form, const_cast<char*>("menuBar"), args, n);
    addMenuBarWidget(p.menuBar);
  }
  p.optionArea = createStatusForm();
  n = 0;
  XtSetArg(args[n], XmNbottomAttachment, XmATTACH_WIDGET); ++n;
  XtSetArg(args[n], XmNbottomWidget, p.optionArea); ++n;
  XtSetArg(args[n], XmNleftAttachment, XmATTACH_FORM); ++n;
  XtSetArg(args[n], XmNrightAttachment, XmATTACH_FORM); ++n;
  p.separator = XmCreateSeparator(p.form, const_cast<char*>("optionSeparator"), args, n);
  n = 0;
  XtSetArg(args[n], const_cast<char*>(QwNcols), 80); ++n;
  XtSetArg(args[n], const_cast<char*>(QwNrows), 24); ++n;
  if (p.fonts->drawingList) {
    XtSetArg(args[n], const_cast<char*>(QwNfontList), p.fonts->drawingList); ++n;
    XtSetArg(args[n], const_cast<char*>(QwNdefaultFontNumber), position); ++n;
  }
  const std::vector<LoadedFontSet>& drawingSets =
      p.fonts->drawingSets.empty() ? p.fonts->menuSets : p.fonts->drawingSets;
  if (position >= 1 && position <= static_cast<int>(drawingSets.size())) {
    XtSetArg(args[n], const_cast<char*>(QwNfontP), drawingSets[position - 1].font); ++n;
  }
  if (p.menuBar) {
    XtSetArg(args[n], XmNtopAttachment, XmATTACH_WIDGET); ++n;
    XtSetArg(args[n], XmNtopWidget, p.menuBar); ++n;
  } else {
    XtSetArg(args[n], XmNtopAttachment, XmATTACH_FORM); ++n;
  }
  XtSetArg(args[n], XmNbottomAttachment, XmATTACH_WIDGET); ++n;
  XtSetArg(args[n], XmNbottomWidget, p.separator); ++n;
  XtSetArg(args[n], XmNleftAttachment, XmATTACH_FORM); ++n;
  XtSetArg(args[n], XmNrightAttachment, XmATTACH_FORM); ++n;
  p.drawing = XtCreateWidget("x5250", x5250WidgetClass, p.form, args, n);
  if (!p.drawing) return -1;
  XtAddCallback(p.drawing, QwNkeyCallback, DrawingKeyCallback, nullptr);
  InstallPreDispatchHandlers(p.drawing);
  XtSetKeyboardFocus(p.form, p.drawing);
  applyDefaultScreenColors();
  installDrawingCallbacks();

  // Converters and the wide characters of the display table.
  const char* sessionCodeSet = row && row->localCodeSet ? row->localCodeSet : "ISO8859-1";
  p.codeSets.open(xCodeSet, sessionCodeSet, euro);
  if (session_) KeyboardExtraCharacters(WhichKeyboard(), p.codeSets.xFromUtf8, session_->extraKeyboardChars);
  BuildWideCharTable(sessionCodeSet, wide_);

  // Metrics of the session font.
  XFontStruct* font = nullptr;
  Dimension cols = 80, rowCount = 24;
  XtVaGetValues(p.drawing, QwNfontP, &font, QwNcols, &cols, QwNrows, &rowCount, nullptr);
  columns_ = cols;
  rows_ = rowCount;
  p.currentFont = font;
  if (font) {
    cellWidth_ = font->max_bounds.width;
    cellHeight_ = font->ascent + font->descent;
    unsigned long value = 0;
    p.underlineThickness = XGetFontProperty(font, XA_UNDERLINE_THICKNESS, &value) ? static_cast<int>(value) : 1;
    p.underlinePosition = XGetFontProperty(font, XA_UNDERLINE_POSITION, &value)
                              ? font->ascent + static_cast<int>(value)
                              : cellHeight_ - p.underlineThickness;
  }
  Pixel statusBackground = 0;
  XtVaGetValues(p.drawing, QwNextBlue, &statusBackground, nullptr);
  XtVaSetValues(p.optionArea, XmNbackground, statusBackground, XmNheight,
                static_cast<Dimension>(StatusLineHeight(cellHeight_)), nullptr);
  XtVaSetValues(p.separator, XmNbackground, statusBackground, XmNtopShadowColor, statusBackground,
                XmNbottomShadowColor, statusBackground, nullptr);
  createMsgLabels(&p.fonts->menuList);
  XtVaSetValues(p.form, XmNbackground, p.formBackground, nullptr);

  // Menus, in the menu font.
  BuildSessionMenus(*this, p);
  keypadButtons().createPullDownKeypads();
  if (p.fontCascade) {
    XmString label = nullptr;
    XtVaGetValues(p.fontCascade, XmNlabelString, &label, nullptr);
    char* text = label ? static_cast<char*>(XmStringUnparse(label, nullptr, XmCHARSET_TEXT, XmCHARSET_TEXT, nullptr,
                                                              0, XmOUTPUT_ALL))
                       : nullptr;
    p.fontCascadeLabel = text ? text : "";
    XtFree(text);
    XmStringFree(label);
    char caption[160];
    std::snprintf(caption, sizeof caption, "%s   %dx%d", p.fontCascadeLabel.c_str(), cellWidth_, cellHeight_);
    XmString s = XmStringCreateLocalized(caption);
    XtVaSetValues(p.fontCascade, XmNlabelString, s, nullptr);
    XmStringFree(s);
  }
  if (p.fonts->menuList)
    for (Widget w : menuBarWidgets_)
      if (w != p.menuBar) XtVaSetValues(w, XmNrenderTable, p.fonts->menuList, nullptr);
  if (p.menuBar) XtManageChild(p.menuBar);
  XtManageChild(p.optionArea);
  XtManageChild(p.separator);
  XtManageChild(p.drawing);
  XtManageChild(p.form);

  // The session's colour file, when it has one, over the built-in colours.
  if (const char* shared = std::getenv("KDVSHARED")) {
    bool warning = false;
    setColorResources((std::string(shared) + "/QW5250").c_str(), host_.c_str(), &warning);
  } else {
    bool warning = false;
    setColorResources(nullptr, nullptr, &warning);
  }

  // The administrator's colour directories, for the colour mapper.
  if (AppResources().colorMap != QwDisable && AppResources().colorMap != QwDisableAndHide)
    createListOfPaths(AppResources().colorMapPath);

  setEntryFieldHighlighting();
  colorDisplay_ = DefaultVisual(display, DefaultScreen(display))->map_entries > 2;

  XtAddEventHandler(shell_, StructureNotifyMask, False, ShellStructureHandler, nullptr);
  if (g_clientMessageHandler)
    XtAddEventHandler(shell_, NoEventMask, True, g_clientMessageHandler, reinterpret_cast<XtPointer>(p.drawing));
  XtAddEventHandler(shell_, FocusChangeMask, False, ShellFocusHandler, nullptr);

  // A session remembered from an earlier run opens where it stood, unless
  // the geometry places it.
  refreshWorkArea();
  if ((!geometry.xGiven || !geometry.yGiven) && session_ && !openMaximized) {
    int x = 0, y = 0;
    const bool remembered = desk.getWindowPositionForSession(session_->sessionId, &x, &y);
    if (!remembered) {
      // Without a record new sessions cascade, one frame's title and
      // border apart per slot.
      const int step = WMTitleHeight() + WMTopBorderHeight() + WMLeftBorderWidth();
      x = y = 1 + session_->slot * step;
    }
    if (p.workAreaKnown) x += p.workX;
    if (!geometry.xGiven) XtVaSetValues(shell_, XtNx, static_cast<Position>(x), nullptr);
    if (!geometry.yGiven) XtVaSetValues(shell_, XtNy, static_cast<Position>(y), nullptr);
    if (remembered && !geometry.xGiven && !geometry.yGiven && x >= 0 && y >= 0) {
      // The window goes back where the user left it: a position the user
      // chose (window managers place windows whose position is only the
      // program's), of the window itself rather than of its frame.
      p.rememberedGeometry = "+" + std::to_string(x) + "+" + std::to_string(y);
      XtVaSetValues(shell_, XtNgeometry, p.rememberedGeometry.c_str(), XtNwinGravity, StaticGravity, nullptr);
    }
  }
  // The geometry's size counts the window manager's frame; a maximized
  // window fills the work area.
  const int hf = WMLeftBorderWidth() + WMRightBorderWidth();
  const int vf = WMTopBorderHeight() + WMBottomBorderHeight() + WMTitleHeight();
  if (openMaximized) {
    const int height = (p.workAreaKnown ? p.workHeight : screenHeight) - vf;
    XtVaSetValues(shell_, XtNx, static_cast<Position>(p.workAreaKnown ? p.workX : 0), XtNy,
                  static_cast<Position>(p.workAreaKnown ? p.workY : 0), XtNwidth,
                  static_cast<Dimension>(std::max(1, availableWidth() - hf)), XtNheight,
                  static_cast<Dimension>(std::max(1, height)), nullptr);
    p.maximized = true;
    p.maximizedEntry = p.currentEntry;
    p.maximizedRows = rows_;
    p.maximizedColumns = columns_;
  } else {
    if (geometry.widthGiven && geometry.width > hf)
      XtVaSetValues(shell_, XtNwidth, static_cast<Dimension>(geometry.width - hf + 1), nullptr);
    if (geometry.heightGiven && geometry.height > vf)
      XtVaSetValues(shell_, XtNheight, static_cast<Dimension>(geometry.height - vf + 1), nullptr);
  }
  {
    Dimension width = 0, height = 0;
    XtVaGetValues(shell_, XtNwidth, &width, XtNheight, &height, nullptr);
    p.normalWidth = width;
    p.normalHeight = height;
  }
  // Map with the class hint of a session window.
  XtSetMappedWhenManaged(shell_, False);
  XtPopup(shell_, XtGrabNone);
  const std::string hintName = SessionClassHintName(false);
  if (XClassHint* hint = XAllocClassHint()) {
    hint->res_name = const_cast<char*>(hintName.c_str());
    hint->res_class = const_cast<char*>(kSessionWindowClass);
    XSetClassHint(display, XtWindow(shell_), hint);
    XFree(hint);
  } else {
    LogMsg(LevelError, "Error allocating class_hints.\n");
  }
  SetNetWmNames(display, XtWindow(shell_), iconName_, iconName_);
  XtMapWidget(shell_);
  // A window opened at a size of its own fits its font to it (and, when
  // not maximized, settles on the text), as after a user's resize.
  if (openMaximized || geometry.widthGiven || geometry.heightGiven) resizeWindow();

  // Input method.
  p.inputMethod = XOpenIM(display, nullptr, nullptr, nullptr);
  if (p.inputMethod)
    p.inputContext = XCreateIC(p.inputMethod, XNInputStyle, XIMPreeditNothing | XIMStatusNothing, XNClientWindow,
                               XtWindow(p.drawing), nullptr);
  if (session_) {
    session_->inputMethod = p.inputMethod;
    session_->inputContext = p.inputContext;
  }

  Atom deleteWindow = XmInternAtom(display, const_cast<char*>("WM_DELETE_WINDOW"), False);
  XmAddWMProtocolCallback(shell_, deleteWindow, WmDeleteCallback, nullptr);

  x_graphic(imageAllowed_ ? 1 : 0);
  // The session's key file over the built-in translations; what results
  // is kept as the defaults.
  {
    const char* shared = std::getenv("KDVSHARED");
    const std::string directory = std::string(shared ? shared : "") + "/QW5250";
    const SessionTableEntry* entry = session_ ? SessionEntry(session_->slot) : nullptr;
    char hostSession[300];
    std::snprintf(hostSession, sizeof hostSession, "%s-%2d", host_.c_str(), entry ? entry->instance : 0);
    if (setKeyfileResources(directory.c_str(), hostSession) < 0) return -1;
    updateDefaultTranslations(p.drawing);
  }
  if (session_) ApplyMiscellaneousPreferences(session_);
  if (getNumberOfSessions() == 2 && PreferencesProgramStarted()) sendMsgToDrevask(display, 23, 0, 0, 0);
  if (session_) {
    const char* shared = std::getenv("KDVSHARED");
    const std::string path = std::string(shared ? shared : "") + "/QW5250/Miscellaneous";
    ReadMiscellaneousPreferencesFile(session_, path.c_str());
  }
  return 0;
}

unsigned char XStuff::miscPreference(unsigned char id) const {
  if (id >= kMiscPreferenceCount) return 0;
  return session_ ? session_->miscPreferences.value[id] : MiscPreferenceResourceValue(id);
}

void XStuff::setThaiSession(bool on) {
  thai_ = on;
  if (session_) {
    session_->thaiMode = on ? 1 : 0;
    session_->nationalLayer = on ? 1 : 0;  // a Thai session's second layer is the national one
    if (session_->display) session_->display->options().thaiMode = on;
  }
  if (!on) return;
  readThaiSettings();
  // The Thai font of the composition switch (once the window shows text).
  if (private_ && private_->drawing && private_->fonts && private_->currentEntry >= 0) x_set_thai_font();
}

void XStuff::readThaiSettings() {
  const ThaiDisplayFlags flags = ThaiFlagsForMode(session_ ? session_->thaiDisplayMode : 5);
  thaiCompose_ = flags.compose;
  thaiSpaceAlign_ = flags.spaceAlign;
  thaiEofAlign_ = flags.endOfFieldAlign;
  if (const char* v = std::getenv("THAI_EM_SPACE_COUNT"); v && *v) thaiSpaceCount_ = v[0] - '0';
  if (const char* v = std::getenv("THAI_EM_EOF_CHAR"); v && *v && session_) {
    unsigned char ebcdic = 0;
    if (session_->convertLocaleASCIIToEBCDIC(reinterpret_cast<const unsigned char*>(v), 1, &ebcdic, 1) == 1)
      thaiEofChar_ = ebcdic;
  }
  if (const char* v = std::getenv("THAI_EM_RULE_FOLLOW_THAI_CURSOR")) thaiRuleFollowsCursor_ = std::strcmp(v, "YES") == 0;
  if (const char* v = std::getenv("THAI_EM_KEY_CHECK")) thaiKeyCheck_ = std::strcmp(v, "YES") == 0;
  if (DebugFlag()) {
    LogMsg(LevelDebug, "TH: thai_compose is %X\n", thaiCompose_);
    LogMsg(LevelDebug, "TH: thai_space_align is %X\n", thaiSpaceAlign_);
    LogMsg(LevelDebug, "TH: thai_EOF_align is %X\n", thaiEofAlign_);
    LogMsg(LevelDebug, "TH: thai_space_count is %X\n", thaiSpaceCount_);
    LogMsg(LevelDebug, "TH: thai_EOF_char is %X (EBCDIC)\n", thaiEofChar_);
    LogMsg(LevelDebug, "TH: thai_rule_follow_thai_cursor is %X\n", thaiRuleFollowsCursor_);
    LogMsg(LevelDebug, "TH: thai_key_check is %X\n", thaiKeyCheck_);
  }
}

void XStuff::sendSessionEndMessages() {
  Display* display = shell_ ? XtDisplay(shell_) : nullptr;
  if (!display) return;
  for (int k = 0; k < static_cast<int>(HelperKind::Count); ++k) {
    const auto kind = static_cast<HelperKind>(k);
    HelperSessionState& h = helpers_[k];
    if (h.owner) {
      SendHelperMessage(display, h.window, kind, HelperSessionEndCode(kind));
      h.owner = false;
      // The helper gets its message before this window goes away.
      XSync(display, False);
    }
    if (h.startedHere) {
      SetAppState(HelperStateAtom(kind), display, '0');
      GetAppState(HelperStateAtom(kind), display);
      h.startedHere = false;
    }
  }
}

void XStuff::handOverPreferencesProgram() {
  if (!preferencesOwner_) return;
  preferencesOwner_ = false;
  Display* display = shell_ ? XtDisplay(shell_) : nullptr;
  if (!display) return;
  for (int i = 0; i < kMaxSessionSlots; ++i) {
    const SessionTableEntry* e = SessionEntry(i);
    if (!e || !e->shell || !e->session || e->session == session_) continue;
    e->session->xstuff.setOwnsPreferencesProgram(true);
    sendMsgToDrevask(display, 24, 0, 0, XtWindow(e->shell));
    return;
  }
  sendMsgToDrevask(display, 25, 0, 0, 0);
  SetPreferencesProgramStarted(false);
  XSync(display, False);
}

KeypadButtons& XStuff::keypadButtons() {
  if (!keypadButtons_) keypadButtons_ = std::make_unique<KeypadButtons>(session_);
  return *keypadButtons_;
}

void XStuff::endSession() {
  if (ended_) return;
  ended_ = true;
  removeTimers();
  if (!private_) return;
  Private& p = *private_;
  // The window reopens where it was closed; the last session writes at once.
  updateDeskTopSettingForSession(getNumberOfSessions() == 1);
  p.painter.reset();
  if (keypadButtons_) keypadButtons_->cancelAllKeypads();
  sendSessionEndMessages();
  handOverPreferencesProgram();

  if (p.inputContext) XDestroyIC(p.inputContext);
  if (p.inputMethod) XCloseIM(p.inputMethod);
  p.inputContext = nullptr;
  p.inputMethod = nullptr;
  if (session_) {
    session_->inputMethod = nullptr;
    session_->inputContext = nullptr;
  }
  p.codeSets.close();

  freePixMaps();
  if (shell_) {
    Widget w = shell_;
    Display* display = XtDisplay(w);
    shell_ = nullptr;
    XtRemoveEventHandler(w, StructureNotifyMask, False, ShellStructureHandler, nullptr);
    XtRemoveEventHandler(w, FocusChangeMask, False, ShellFocusHandler, nullptr);
    // The fonts go when the widgets that show them are gone.
    XtAddCallback(w, XtNdestroyCallback, FreeFontsCallback, p.fonts);
    p.fonts = nullptr;
    XtPopdown(w);
    XtDestroyWidget(w);
    // The icons go after the shell that shows them.
    for (Pixmap* icon : {&p.icon, &p.alternateIcon, &p.iconMask}) {
      if (*icon) XFreePixmap(display, *icon);
      *icon = 0;
    }
  }
  delete p.fonts;
  p.fonts = nullptr;
  for (Widget& w : p.statusLine) w = nullptr;
  p.form = p.menuBar = p.optionArea = p.separator = p.drawing = p.popupEditMenu = p.fontMenu = nullptr;
  p.fontToggles.clear();
  p.copyItems.clear();
  p.cutItems.clear();
  menuBarWidgets_.clear();
  statusWidgets_.clear();
}

int XStuff::get_width() const {
  if (!shell_) return 0;
  Dimension w = 0;
  XtVaGetValues(shell_, XtNwidth, &w, nullptr);
  return w;
}

int XStuff::get_height() const {
  if (!shell_) return 0;
  Dimension h = 0;
  XtVaGetValues(shell_, XtNheight, &h, nullptr);
  return h;
}

void XStuff::localPrintCallback(bool immediate) {
  if (!localPrintAllowed_) return;
  if (!localPrint_) localPrint_ = std::make_unique<LocalPrint>(session_);
  localPrint_->setImmediatePrint(immediate);
  localPrint_->materializeLocalPrintControls();
  localPrint_->setImmediatePrint(false);
}

void XStuff::SetFocus(char focus) {
  const bool now = focus != 0;
  const bool gained = now && !hasFocus_;
  if (cursorBlinkRequested_ && miscPreference(misc_pref::kCursorBlink) == 1) {
    if (gained) startCursorBlinking();
    if (!now) stopCursorBlinking();
  }
  if (gained) {
    // The pointer shapes are shared with the other session windows: this
    // window's pointer colours on its screen background again.
    if (private_ && private_->drawing) X3270RecolorCursors(private_->drawing);
    stopIconAttention();
  } else {
    updateDeskTopSettingForSession();  // where the user left the window
  }
  // The cursor is solid with the focus and hollow without it.
  clearcurs(0);
  hasFocus_ = now;
  drawcurs(0);
  if (now && ruleLineShown()) drawRuleLine();
  if (segmentCount_ > 0) redrawMarking();
}

void XStuff::topLevelEventHandler(Widget, void*, XEvent* event, char* continueDispatch) {
  if (continueDispatch) *continueDispatch = 1;
  if (!event) return;
  switch (event->type) {
    case MapNotify:
      mapped_ = true;
      stopIconAttention();
      break;
    case UnmapNotify:
      mapped_ = false;
      break;
    case ConfigureNotify:
      if (private_ && private_->form && private_->drawing) XtSetKeyboardFocus(private_->form, private_->drawing);
      break;
    default:
      break;
  }
}

void XStuff::setSessionTitle(const char* title) {
  title_ = title ? title : "";
  if (shell_) XtVaSetValues(shell_, XtNtitle, title_.c_str(), nullptr);
}
