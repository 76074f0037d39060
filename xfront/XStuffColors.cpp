// The screen colours of the session window: the default scheme applied to
// the drawing widget when the window is built.
#include <X11/Intrinsic.h>
#include <Xm/Xm.h>

#include <langinfo.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "base/LogMsg.h"
#include "session/AppInit.h"
#include "session/AppResources.h"
#include "session/CodePageConverter.h"
#include "session/ErrorDialogs.h"
#include "session/SessionControlBlock.h"
#include "xfront/ColorAllocation.h"
#include "xfront/ColorFiles.h"
#include "xfront/EntryFieldHighlight.h"
#include "xfront/SessionImages.h"
#include "xfront/KeypadButtons.h"
#include "xfront/Win3270.h"
#include "xfront/XStuff.h"
#include "xfront/XStuffPrivate.h"

void XStuff::applyDefaultScreenColors() {
  if (!private_ || !private_->drawing) return;
  Widget w = private_->drawing;
  Display* display = XtDisplay(w);
  const int screen = DefaultScreen(display);
  const Colormap colormap = DefaultColormap(display, screen);
  const char* const* scheme = DefaultColorScheme();
  bool substituted = false;
  auto pixel = [&](int index) { return AllocateColor(scheme[index], colormap, display, screen, &substituted); };
  const Pixel background = pixel(2), pushButton = pixel(3), blue = pixel(4), green = pixel(5), pink = pixel(6),
              red = pixel(7), turquoise = pixel(8), white = pixel(9), yellow = pixel(10), cursor = pixel(11),
              mouse = pixel(12), rule = pixel(13);
  XtVaSetValues(w, XmNbackground, background, XmNforeground, green, QwNpushbuttonBackground, pushButton, QwNextBlue,
                blue, QwNextGreen, green, QwNextDefault, green, QwNextPink, pink, QwNextRed, red, QwNextTurquoise,
                turquoise, QwNextWhite, white, QwNextDefIntense, white, QwNextYellow, yellow, QwNcursorColor, cursor,
                QwNmouseColor, mouse, QwNruleColor, rule, nullptr);
  if (substituted)
    LogMsg(LevelWarning, "Some screen colours are not available; the nearest ones are used.\n");
  if (DebugFlag()) LogMsg(LevelDebug, "Default colors loaded from QAV Black Color Scheme.\n");
}

namespace {

std::string ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

}  // namespace

void XStuff::setColor(int index, unsigned long pixel, bool apply) {
  if (index < 0 || index >= kSessionColorCount || !private_ || !private_->drawing) return;
  colorPixels_[index] = pixel;
  Private& p = *private_;
  Widget w = p.drawing;
  switch (index) {
    case 0:
    case 1:
      for (Widget m : menuBarWidgets_) {
        if (!XtIsWidget(m) && !XmIsGadget(m)) continue;
        if (index == 1) {
          XtVaSetValues(m, XmNforeground, pixel, nullptr);
        } else {
          Pixel fg = 0, top = 0, bottom = 0, select = 0;
          XmGetColors(XtScreen(w), DefaultColormapOfScreen(XtScreen(w)), pixel, &fg, &top, &bottom, &select);
          XtVaSetValues(m, XmNbackground, pixel, XmNtopShadowColor, top, XmNbottomShadowColor, bottom, nullptr);
        }
      }
      break;
    case 2: XtVaSetValues(w, XmNbackground, pixel, nullptr); break;
    case 3: XtVaSetValues(w, QwNpushbuttonBackground, pixel, nullptr); break;
    case 4: XtVaSetValues(w, QwNextBlue, pixel, nullptr); break;
    case 5: XtVaSetValues(w, QwNextGreen, pixel, QwNextDefault, pixel, XmNforeground, pixel, nullptr); break;
    case 6: XtVaSetValues(w, QwNextPink, pixel, nullptr); break;
    case 7: XtVaSetValues(w, QwNextRed, pixel, nullptr); break;
    case 8: XtVaSetValues(w, QwNextTurquoise, pixel, nullptr); break;
    case 9: XtVaSetValues(w, QwNextWhite, pixel, QwNextDefIntense, pixel, nullptr); break;
    case 10: XtVaSetValues(w, QwNextYellow, pixel, nullptr); break;
    case 11: XtVaSetValues(w, QwNcursorColor, pixel, nullptr); break;
    case 12: XtVaSetValues(w, QwNmouseColor, pixel, nullptr); break;
    case 13: XtVaSetValues(w, QwNruleColor, pixel, nullptr); break;
    case 14:
    case 15:
      for (Widget s : statusWidgets_) {
        if (index == 14) {
          bool button = false;
          for (const char* name : {"right_arrow", "left_arrow", "playbackMsg"})
            if (std::strcmp(XtName(s), name) == 0) button = true;
          if (!button) XtVaSetValues(s, XmNbackground, pixel, nullptr);
        } else {
          XtVaSetValues(s, XmNforeground, pixel, nullptr);
        }
      }
      break;
    default: break;  // image and dialog colours are only kept
  }
  if (index == 2 || index == 12) X3270RecolorCursors(w);
  if (apply) {
    creategc(true);
    Flush_X5250(0, cells() - 1, 0, 0);
    refreshDialogColors();
    if (index == 16 || index == 17)
      if (SessionImages* images = ImagesOfSession(session_)) images->coloursChanged();
  }
}

void XStuff::createListOfPaths(const char* paths) {
  colorDirectoryBlock_.clear();
  if (!paths || !*paths || std::strcmp(paths, "0") == 0) return;
  CodePageConverter toLatin1;
  const size_t length = std::strlen(paths);
  std::string latin1(length * 2 + 1, '\0');
  CodePageConverter::Result r;
  if (toLatin1.open("ISO-8859-1", nl_langinfo(CODESET)))
    r = toLatin1.convert(reinterpret_cast<const unsigned char*>(paths), length,
                         reinterpret_cast<unsigned char*>(&latin1[0]), latin1.size(), -1);
  if (!toLatin1.isOpen() || r.failed || r.outOfRoom || r.consumed != length) {
    LogMsg(LevelError, "%s: Could not convert the system administrator color map paths.\n", "QWC0138");
    return;
  }
  latin1.resize(r.written);
  colorDirectoryBlock_ = ColorDirectoryBlock(latin1);
}

int XStuff::setColorResources(const char* settingsDirectory, const char* hostFileName, bool* warning) {
  if (!private_ || !private_->drawing) return -1;
  advancedColorFileName_.clear();
  const std::string dir = settingsDirectory ? settingsDirectory : "";
  ResolvedColorFile file;
  bool found = false;
  if (!dir.empty() && ::access((dir + "/C").c_str(), R_OK) == 0) {
    std::vector<std::string> candidates;
    if (session_ && session_->sessionId[0]) candidates.push_back(dir + "/C/" + session_->sessionId + ".session");
    if (hostFileName && *hostFileName) candidates.push_back(dir + "/C/" + hostFileName + ".session");
    candidates.push_back(dir + "/C/Default.default");
    for (const std::string& c : candidates)
      if ((found = ResolveColorFile(c, true, &file))) break;
  }
  const char* defaultPath = AppResources().defaultColorMapPath;
  if (!found && defaultPath && *defaultPath && std::strcmp(defaultPath, "0") != 0)
    found = ResolveColorFile(defaultPath, false, &file);
  if (!found) return -1;

  const std::string text = ReadWhole(file.path);
  std::vector<std::string> specs;
  if (file.advanced) {
    if (!ParseAdvancedColorFile(text, &specs)) specs.clear();
  } else {
    const int scheme = BasicColorFileScheme(text);
    if (scheme >= 0) {
      const char* const* colors = BuiltInColorScheme(static_cast<ColorSchemeId>(scheme));
      specs.assign(colors, colors + kSessionColorCount);
    }
  }
  if (specs.empty()) {
    LogMsg(LevelError, "%s: color file %s is corrupted, default colors used.\n", "QWC0064", file.path.c_str());
    if (shell_) TheErrorDialogs().createWarningDialog(shell_, "WarningMsgColorFileCorrupt", nullptr, nullptr);
    return -1;
  }
  Display* display = XtDisplay(private_->drawing);
  const int screen = DefaultScreen(display);
  const Colormap colormap = DefaultColormap(display, screen);
  bool substituted = false;
  for (int i = 0; i < kSessionColorCount; ++i)
    setColor(i, AllocateColor(specs[i].c_str(), colormap, display, screen, &substituted), false);
  if (substituted) {
    if (warning) *warning = true;
    if (shell_) TheErrorDialogs().createWarningDialog(shell_, "WarningMsgColorNotAvailable", nullptr, nullptr);
  }
  if (file.advanced) advancedColorFileName_ = LastPathComponent(file.path);
  creategc(true);
  refreshDialogColors();
  if (SessionImages* images = ImagesOfSession(session_)) images->coloursChanged();
  if (DebugFlag()) {
    LogMsg(LevelDebug, "Color file %s was used.\n", file.path.c_str());
    if (file.advanced) LogMsg(LevelDebug, "Colors loaded from advanced color file %s.\n", file.path.c_str());
  }
  return 0;
}

void XStuff::sendMsgToTintwell(long code, long word1, long word2, long word3) {
  if (!tintwellWindow_ || !shell_) return;
  Display* display = XtDisplay(shell_);
  XEvent ev = {};
  ev.xclient.type = ClientMessage;
  ev.xclient.window = tintwellWindow_;
  ev.xclient.message_type = ApplicationAtoms().tintwellInterface;
  ev.xclient.format = 32;
  ev.xclient.data.l[0] = code;
  ev.xclient.data.l[1] = word1;
  ev.xclient.data.l[2] = word2;
  ev.xclient.data.l[3] = word3;
  XSendEvent(display, tintwellWindow_, True, NoEventMask, &ev);
  XFlush(display);
}

// Words 2 and 3 carry red and green (high and low half of word 2) and blue
// (high half of word 3), 16 bits each.
void XStuff::TintwellClientMessage(const XClientMessageEvent& m) {
  if (!private_ || !private_->drawing || m.format != 32) return;
  const long code = m.data.l[0];
  const long index = m.data.l[1];
  Display* display = XtDisplay(private_->drawing);
  const int screen = DefaultScreen(display);
  const Colormap colormap = DefaultColormap(display, screen);
  switch (code) {
    case 1:
      tintwellWindow_ = static_cast<Window>(m.data.l[1]);
      sendMsgToTintwell(21, 0, 0, 0);
      return;
    case 5:
      tintwellWindow_ = 0;
      return;
    case 2: {
      if (!tintwellWindow_) return;
      XColor c = {};
      c.pixel = index >= 0 && index < kSessionColorCount ? colorPixels_[index] : WhitePixel(display, screen);
      XQueryColor(display, colormap, &c);
      sendMsgToTintwell(22, index, (static_cast<long>(c.red) << 16) | c.green, static_cast<long>(c.blue) << 16);
      return;
    }
    case 3:
    case 4:
    case 6:
    case 7: {
      if (index < 0 || index >= kSessionColorCount) {
        LogMsg(LevelWarning, "Colour mapper asked for colour %ld, which does not exist.\n", index);
        return;
      }
      XColor c = {};
      c.red = static_cast<unsigned short>((m.data.l[2] >> 16) & 0xFFFF);
      c.green = static_cast<unsigned short>(m.data.l[2] & 0xFFFF);
      c.blue = static_cast<unsigned short>((m.data.l[3] >> 16) & 0xFFFF);
      c.flags = DoRed | DoGreen | DoBlue;
      long status = 0;
      if (!MyAllocColor(display, colormap, screen, &c)) {
        LogMsg(LevelError,
               "%s: For TINTWELL_SETCOLOR in xstuff could not allocate the read only color cell for the color to be "
               "applied for resource = %ld.\n",
               "QWC0065", index);
        findBestFitColor(&c, display, screen);
        status = 1;
      }
      const bool apply = code == 4 || code == 7;
      setColor(static_cast<int>(index), c.pixel, apply);
      if (code == 3 || code == 4) sendMsgToTintwell(code == 3 ? 23 : 24, index, status << 16, 0);
      return;
    }
    default:
      LogMsg(LevelError, "%s: xstuff sending TINTWELL_DONE_ERROR_RSP, data->command = %ld\n", "QWC0066", code);
      return;
  }
}

void XStuff::refreshDialogColors() {
  if (session_) session_->playRecord.setColors();
  if (keypadButtons_) keypadButtons_->setKeypadColors();
}

void XStuff::setEntryFieldHighlighting() {
  entryHighlightPixel_ = 0;
  char*& value = AppResources().ENTRY_FIELD_HIGHLIGHTING;
  std::string spec;
  if (!EntryFieldHighlightSpec(value, &spec)) {
    if (value && *value) {
      LogMsg(LevelError, "Invalid color '%s' specifed for entry field highlighting...ignored.\n", value);
      value = nullptr;  // the toolkit owns the string
    }
    return;
  }
  if (DebugFlag()) LogMsg(LevelDebug, "Allocating color %s for entry field highlighting.\n", spec.c_str());
  Widget w = private_ ? private_->drawing : shell_;
  if (!w) return;
  Display* display = XtDisplay(w);
  const int screen = DefaultScreen(display);
  bool substituted = false;
  entryHighlightPixel_ = AllocateColor(spec.c_str(), DefaultColormap(display, screen), display, screen, &substituted);
  if (substituted)
    LogMsg(LevelInformational, "Color specifed for entry field highlighting unavailable. Substitution made.\n");
}

bool XStuff::entryFieldHighlighting() const {
  const char* value = AppResources().ENTRY_FIELD_HIGHLIGHTING;
  return value && *value;
}
