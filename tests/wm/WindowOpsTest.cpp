// Teldra with real clients (xterm, xmessage, small Xlib clients with Motif
// hints and hostile properties), driven through xdotool and checked with X
// queries: frames as published on the root, class rules, layers, the frame
// buttons, dragging, minimising to a desktop icon, focus.
#include <X11/Xatom.h>

#include <cstdio>

#include "tests/wm/TeldraFixture.h"

namespace {

using teldratest::Attributes;
using teldratest::ChildrenOf;
using teldratest::Exists;
using teldratest::ParentOf;

std::string Hex(Window w) {
  char text[32];
  std::snprintf(text, sizeof text, "0x%lx", w);
  return text;
}

// A point of the title bar right of the window-menu button.
constexpr int kTitleX = 30;

class WindowOpsTest : public teldratest::TeldraFixture {
 protected:
  // The frame sizes Teldra publishes: top (title bar included), bottom, left, right.
  void ReadBorders() {
    // Teldra publishes both once its session starts.
    ASSERT_TRUE(qwtest::WaitUntil([&] {
      return qwtest::ReadRootProperty(display_, "_QX_BORDER_SIZES").exists &&
             qwtest::ReadRootProperty(display_, "_WIN_WORKAREA").exists;
    }));
    const qwtest::PropertyValue p = qwtest::ReadRootProperty(display_, "_QX_BORDER_SIZES");
    ASSERT_EQ(p.typeName, "_QX_BORDER_SIZES");
    ASSERT_EQ(p.format, 32);
    ASSERT_EQ(p.values.size(), 4u);
    top_ = static_cast<int>(p.values[0]);
    bottom_ = static_cast<int>(p.values[1]);
    left_ = static_cast<int>(p.values[2]);
    right_ = static_cast<int>(p.values[3]);
  }
  // The centre of a title button, counted from the right: 0 close,
  // 1 maximise, 2 minimise (of a frame that has all three).
  void ButtonCentre(Window frame, int fromRight, int* x, int* y) {
    const XRectangle r = FrameRect(frame);
    *x = r.x + r.width - right_ - 17 - 16 * fromRight + 7;
    *y = r.y + left_ + (top_ - 20) / 2 + 7;
  }
  Window MakeClient(const char* instance, int x, int y, int width, int height) {
    Window w = XCreateSimpleWindow(display_, root_, x, y, static_cast<unsigned>(width),
                                   static_cast<unsigned>(height), 1, 0, 0xffffff);
    XStoreName(display_, w, instance);
    XClassHint hint;
    hint.res_name = const_cast<char*>(instance);
    hint.res_class = const_cast<char*>("Test");
    XSetClassHint(display_, w, &hint);
    return w;
  }
  void SetMotifHints(Window w, long flags, long functions, long decorations, long inputMode) {
    const long words[5] = {flags, functions, decorations, inputMode, 0};
    const Atom atom = qwtest::InternAtom(display_, "_MOTIF_WM_HINTS");
    XChangeProperty(display_, w, atom, atom, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(words), 5);
  }
  void ExpectDecorated(Window client, Window frame) {
    const XWindowAttributes c = Attributes(display_, client), f = Attributes(display_, frame);
    EXPECT_EQ(ParentOf(display_, frame), root_);
    EXPECT_EQ(c.x, left_);
    EXPECT_EQ(c.y, top_);
    EXPECT_EQ(c.border_width, 0);
    EXPECT_EQ(f.width, c.width + left_ + right_);
    EXPECT_EQ(f.height, c.height + top_ + bottom_);
    // xwininfo sees the client at the same offset inside the frame.
    const std::string tree = Tool({"xwininfo", "-tree", "-id", Hex(frame)});
    EXPECT_NE(tree.find("+" + std::to_string(left_) + "+" + std::to_string(top_) + "  +"), std::string::npos)
        << tree;
  }
  void ExpectUndecorated(Window client, Window frame) {
    const XWindowAttributes c = Attributes(display_, client), f = Attributes(display_, frame);
    EXPECT_EQ(c.x, 0);
    EXPECT_EQ(c.y, 0);
    EXPECT_EQ(f.width, c.width);
    EXPECT_EQ(f.height, c.height);
  }

  int top_ = 0, bottom_ = 0, left_ = 0, right_ = 0;
};

TEST_F(WindowOpsTest, ClientsAreFramedAsTheRootPropertiesSay) {
  StartTeldra();
  ReadBorders();
  EXPECT_GE(top_, 23);
  EXPECT_EQ(bottom_, 7);
  EXPECT_EQ(left_, 5);
  EXPECT_EQ(right_, 7);
  EXPECT_EQ(qwtest::ReadRootProperty(display_, "_WIN_WORKAREA").values, (std::vector<long>{0, 0, 1024, 768}));

  Run({"xterm", "-name", "plainterm", "-geometry", "40x10+300+200"});
  Run({"xmessage", "-name", "msg", "-geometry", "+600+400", "hello, a message wide enough for a title"});
  Run({"xterm", "-name", "x,borders=false,layer=6", "-geometry", "30x5+100+500"});
  // Motif hints: no decorations at all; and only move and close.
  Window bare = MakeClient("bare", 50, 50, 120, 60);
  SetMotifHints(bare, 2, 0, 0, 0);
  Window fixed = MakeClient("fixed", 50, 300, 200, 80);
  SetMotifHints(fixed, 1, 0x24, 0, 0);
  XMapWindow(display_, bare);
  XMapWindow(display_, fixed);
  XFlush(display_);

  for (const char* cls : {"plainterm", "msg"}) {
    SCOPED_TRACE(cls);
    Window client = WaitForClass(cls);
    ASSERT_NE(client, None);
    Window frame = WaitForFrame(client);
    ASSERT_NE(frame, None) << teldra_.Output();
    ExpectDecorated(client, frame);
  }
  Window ruled = WaitForClass("x,borders=false,layer=6");
  ASSERT_NE(ruled, None);
  Window ruledFrame = WaitForFrame(ruled);
  ASSERT_NE(ruledFrame, None);
  ExpectUndecorated(ruled, ruledFrame);
  Window bareFrame = WaitForFrame(bare);
  ASSERT_NE(bareFrame, None);
  ExpectUndecorated(bare, bareFrame);
  Window fixedFrame = WaitForFrame(fixed);
  ASSERT_NE(fixedFrame, None);
  ExpectDecorated(fixed, fixedFrame);

  // Layer 6 stays above the clients of layer 4, also when one of them is
  // raised by a click.
  Window msgFrame = ParentOf(display_, WaitForClass("msg"));
  Click(FrameRect(msgFrame).x + kTitleX, FrameRect(msgFrame).y + top_ / 2);
  EXPECT_TRUE(qwtest::WaitUntil([&] { return StackIndex(msgFrame) > StackIndex(bareFrame); }))
      << "the click raised the message";
  EXPECT_GT(StackIndex(ruledFrame), StackIndex(msgFrame));

  // Without the maximise function the place of that button does nothing;
  // a double click on the title of a window that cannot be resized neither.
  const XRectangle before = FrameRect(fixedFrame);
  int x = 0, y = 0;
  ButtonCentre(fixedFrame, 1, &x, &y);
  Click(x, y);
  std::vector<std::string> twice = {"xdotool"};
  for (auto& a : MoveTo(before.x + kTitleX, before.y + top_ / 2)) twice.push_back(a);
  twice.insert(twice.end(), {"click", "--repeat", "2", "--delay", "50", "1"});
  Tool(twice);
  qwtest::XBarrier(display_);
  const XRectangle after = FrameRect(fixedFrame);
  EXPECT_EQ(after.width, before.width);
  EXPECT_EQ(after.height, before.height);
  EXPECT_EQ(Attributes(display_, fixedFrame).map_state, IsViewable);
  EXPECT_TRUE(teldra_.Running()) << teldra_.Output();
}

TEST_F(WindowOpsTest, MaximiseRestoreDragAndClose) {
  StartTeldra();
  ReadBorders();
  Run({"xterm", "-name", "term", "-geometry", "40x10+300+200"});
  qwtest::ChildProcess* msg = Run({"xmessage", "-name", "msg", "-geometry", "+500+450", "hello, a message wide enough for a title"});
  Window term = WaitForClass("term"), message = WaitForClass("msg");
  ASSERT_NE(term, None);
  ASSERT_NE(message, None);
  Window termFrame = WaitForFrame(term), msgFrame = WaitForFrame(message);
  ASSERT_NE(termFrame, None);
  ASSERT_NE(msgFrame, None);

  // Maximise fills the work area, the outer lines just outside it.
  const XRectangle normal = FrameRect(termFrame);
  int x = 0, y = 0;
  ButtonCentre(termFrame, 1, &x, &y);
  Click(x, y);
  ASSERT_TRUE(qwtest::WaitUntil([&] { return FrameRect(termFrame).width == 1028; })) << teldra_.Output();
  XRectangle r = FrameRect(termFrame);
  EXPECT_EQ(r.x, -1);
  EXPECT_EQ(r.y, -1);
  EXPECT_EQ(r.height, 772);
  EXPECT_EQ(Attributes(display_, term).width, 1028 - left_ - right_);
  // The same button restores the size and place it had.
  ButtonCentre(termFrame, 1, &x, &y);
  Click(x, y);
  ASSERT_TRUE(qwtest::WaitUntil([&] { return FrameRect(termFrame).width == normal.width; }));
  r = FrameRect(termFrame);
  EXPECT_EQ(r.x, normal.x);
  EXPECT_EQ(r.y, normal.y);
  EXPECT_EQ(r.height, normal.height);

  // Dragging the title bar moves the frame with the pointer, first
  // activating the window it was pressed on.
  const XRectangle start = FrameRect(msgFrame);
  Drag(start.x + kTitleX, start.y + top_ / 2, -150, -100);
  ASSERT_TRUE(qwtest::WaitUntil([&] { return FrameRect(msgFrame).x == start.x - 150; })) << teldra_.Output();
  EXPECT_EQ(FrameRect(msgFrame).y, start.y - 100);
  XWindowAttributes c = Attributes(display_, message);
  EXPECT_EQ(c.x, left_);
  EXPECT_EQ(c.y, top_);
  // A move keeps the frame inside the work area on the left and top. (The
  // other window: a second press on the same title bar could make a double
  // click, which maximises.)
  Drag(FrameRect(termFrame).x + kTitleX, FrameRect(termFrame).y + top_ / 2, -900, -900);
  ASSERT_TRUE(qwtest::WaitUntil([&] { return FrameRect(termFrame).x == 0 && FrameRect(termFrame).y == 0; }))
      << FrameRect(termFrame).x << "," << FrameRect(termFrame).y;

  // Close asks with WM_DELETE_WINDOW; xmessage answers by leaving, and its
  // frame goes with it.
  ButtonCentre(msgFrame, 0, &x, &y);
  Click(x, y);
  EXPECT_TRUE(msg->WaitExit(10000)) << "xmessage got WM_DELETE_WINDOW";
  EXPECT_TRUE(qwtest::WaitUntil([&] { return !Exists(display_, msgFrame); }));
  EXPECT_TRUE(teldra_.Running()) << teldra_.Output();
}

TEST_F(WindowOpsTest, MinimiseToADesktopIconAndBack) {
  StartTeldra();
  ReadBorders();
  Run({"xterm", "-name", "term", "-geometry", "40x10+300+200"});
  Run({"xmessage", "-name", "msg", "-geometry", "+500+300", "hello, a message wide enough for a title"});
  Window term = WaitForClass("term"), message = WaitForClass("msg");
  ASSERT_NE(term, None);
  ASSERT_NE(message, None);
  Window termFrame = WaitForFrame(term), msgFrame = WaitForFrame(message);
  ASSERT_NE(termFrame, None);
  ASSERT_NE(msgFrame, None);

  // Icons start at the bottom left of the work area (the default placement):
  // the first image box is at 32, 704.
  auto iconArea = [&] {
    std::vector<unsigned long> out;
    XImage* img = XGetImage(display_, root_, 32, 704, 32, 32, AllPlanes, ZPixmap);
    if (!img) return out;
    for (int j = 0; j < 32; ++j)
      for (int i = 0; i < 32; ++i) out.push_back(XGetPixel(img, i, j));
    XDestroyImage(img);
    return out;
  };
  const std::vector<unsigned long> empty = iconArea();
  int x = 0, y = 0;
  ButtonCentre(termFrame, 2, &x, &y);
  Click(x, y);
  ASSERT_TRUE(qwtest::WaitUntil([&] { return Attributes(display_, termFrame).map_state == IsUnmapped; }))
      << teldra_.Output();
  EXPECT_EQ(WMState(term), (std::vector<long>{IconicState, 0}));
  EXPECT_EQ(Attributes(display_, term).map_state, IsUnmapped) << "an iconic client is unmapped";
  EXPECT_TRUE(qwtest::WaitUntil([&] { return iconArea() != empty; })) << "a desktop icon is drawn";
  EXPECT_NE(Focus(), term);

  // A double click on the icon brings the window back, active.
  DoubleClick(48, 720);
  ASSERT_TRUE(qwtest::WaitUntil([&] { return Attributes(display_, termFrame).map_state == IsViewable; }));
  EXPECT_EQ(WMState(term), (std::vector<long>{1, 0}));
  EXPECT_TRUE(qwtest::WaitUntil([&] { return Focus() == term; }));
  EXPECT_TRUE(qwtest::WaitUntil([&] { return iconArea() == empty; })) << "the icon is gone";

  // xdotool asks through WM_CHANGE_STATE, as any client may.
  Tool({"xdotool", "windowminimize", "--sync", Hex(message)});
  EXPECT_TRUE(qwtest::WaitUntil([&] { return Attributes(display_, msgFrame).map_state == IsUnmapped; }));
  EXPECT_EQ(WMState(message), (std::vector<long>{IconicState, 0}));
  EXPECT_TRUE(teldra_.Running()) << teldra_.Output();
}

// The focus follows the active window: a click into an inactive client
// raises it and gives it the focus, and the click reaches the client.
TEST_F(WindowOpsTest, FocusFollowsTheActiveWindow) {
  StartTeldra();
  ReadBorders();
  Window a = MakeClient("fa", 100, 100, 200, 150), b = MakeClient("fb", 150, 150, 200, 150);
  XSelectInput(display_, a, ButtonPressMask);
  XMapWindow(display_, a);
  XFlush(display_);
  Window frameA = WaitForFrame(a);
  ASSERT_NE(frameA, None);
  XMapWindow(display_, b);
  XFlush(display_);
  Window frameB = WaitForFrame(b);
  ASSERT_NE(frameB, None);
  EXPECT_TRUE(qwtest::WaitUntil([&] { return Focus() == b; })) << "the newest window is active";
  EXPECT_GT(StackIndex(frameB), StackIndex(frameA));
  const XRectangle ra = FrameRect(frameA);
  Click(ra.x + left_ + 10, ra.y + top_ + 10);
  EXPECT_TRUE(qwtest::WaitUntil([&] { return Focus() == a; }));
  EXPECT_GT(StackIndex(frameA), StackIndex(frameB));
  XEvent ev;
  EXPECT_TRUE(qwtest::WaitUntil([&] { return XCheckTypedWindowEvent(display_, a, ButtonPress, &ev) == True; }))
      << "the press was replayed to the client";
  // Destroying the active window hands the focus to the one below.
  XDestroyWindow(display_, a);
  XFlush(display_);
  EXPECT_TRUE(qwtest::WaitUntil([&] { return Focus() == b; }));
  EXPECT_TRUE(qwtest::WaitUntil([&] { return !Exists(display_, frameA); }));
}

// Hostile properties: transient-for cycles, a window transient for itself,
// malformed Motif hints and layers, classes without a terminating NUL. None
// of them ends Teldra, each is framed, and raising them all ends.
TEST_F(WindowOpsTest, HostileClientsAreFramedAndCannotHangTeldra) {
  StartTeldra();
  ReadBorders();
  Window a = MakeClient("ca", 10, 100, 100, 50), b = MakeClient("cb", 150, 100, 100, 50);
  Window self = MakeClient("cs", 300, 100, 100, 50), odd = MakeClient("co", 450, 100, 100, 50);
  Window x = MakeClient("cx", 10, 300, 100, 50), y = MakeClient("cy", 150, 300, 100, 50),
         z = MakeClient("cz", 300, 300, 100, 50);
  XSetTransientForHint(display_, a, b);
  XSetTransientForHint(display_, b, a);
  XSetTransientForHint(display_, self, self);
  XSetTransientForHint(display_, x, z);
  XSetTransientForHint(display_, y, x);
  XSetTransientForHint(display_, z, y);
  const Atom motif = qwtest::InternAtom(display_, "_MOTIF_WM_HINTS");
  XChangeProperty(display_, odd, motif, XA_STRING, 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>("\x02"), 1);
  const long layer[] = {-7};
  XChangeProperty(display_, odd, qwtest::InternAtom(display_, "_WIN_LAYER"), XA_CARDINAL, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(layer), 1);
  XChangeProperty(display_, odd, XA_WM_CLASS, XA_STRING, 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>("no-terminator,layer=9999"), 24);
  XChangeProperty(display_, odd, XA_WM_TRANSIENT_FOR, XA_WINDOW, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(layer), 1);
  for (Window w : {a, b, self, odd, x, y, z}) XMapWindow(display_, w);
  XFlush(display_);
  std::vector<Window> frames;
  for (Window w : {a, b, self, odd, x, y, z}) {
    Window f = WaitForFrame(w);
    ASSERT_NE(f, None) << teldra_.Output();
    frames.push_back(f);
  }
  for (Window f : frames) {
    const XRectangle r = FrameRect(f);
    Click(r.x + 10, r.y + r.height - 3);  // the bottom border: raises without a drag
  }
  // Changing the hints of a managed client is followed, not trusted.
  SetMotifHints(odd, 1, 0x3, 0, 0);
  XChangeProperty(display_, odd, motif, motif, 32, PropModeReplace, nullptr, 0);
  XFlush(display_);
  Window later = MakeClient("later", 600, 300, 100, 50);
  XMapWindow(display_, later);
  XFlush(display_);
  EXPECT_NE(WaitForFrame(later), None);
  EXPECT_TRUE(teldra_.Running()) << teldra_.Output();
  for (Window f : frames) EXPECT_EQ(Attributes(display_, f).map_state, IsViewable);
}

// A client that starts iconic is an icon at once; mapping itself again
// (ICCCM: the way back to the normal state) brings its frame.
TEST_F(WindowOpsTest, AnIconicClientComesBackWhenItMapsItself) {
  StartTeldra();
  ReadBorders();
  Window w = MakeClient("iconic", 300, 300, 150, 80);
  XWMHints hints = {};
  hints.flags = StateHint;
  hints.initial_state = IconicState;
  XSetWMHints(display_, w, &hints);
  XMapWindow(display_, w);
  XFlush(display_);
  ASSERT_TRUE(qwtest::WaitUntil([&] { return ParentOf(display_, w) != root_ && WMState(w).size() == 2; }))
      << teldra_.Output();
  const Window frame = ParentOf(display_, w);
  EXPECT_EQ(WMState(w), (std::vector<long>{IconicState, 0}));
  EXPECT_EQ(Attributes(display_, frame).map_state, IsUnmapped);
  XMapWindow(display_, w);
  XFlush(display_);
  EXPECT_TRUE(qwtest::WaitUntil([&] { return Attributes(display_, w).map_state == IsViewable; }));
  EXPECT_EQ(WMState(w), (std::vector<long>{1, 0}));
}

// The window menu from the menu button, driven by its keys: maximise, then
// close a client that does not take WM_DELETE_WINDOW (its window goes).
TEST_F(WindowOpsTest, TheWindowMenuMaximisesAndCloses) {
  StartTeldra();
  ReadBorders();
  Window w = MakeClient("menu", 200, 200, 300, 150);
  XMapWindow(display_, w);
  XFlush(display_);
  Window frame = WaitForFrame(w);
  ASSERT_NE(frame, None);
  auto menuButton = [&] {
    const XRectangle r = FrameRect(frame);
    Click(r.x + left_ + 2 + 7, r.y + left_ + (top_ - 20) / 2 + 7);
  };
  auto menuUp = [&] {
    return qwtest::WaitUntil([&] {
      for (Window c : ChildrenOf(display_, root_)) {
        const XWindowAttributes a = Attributes(display_, c);
        if (a.override_redirect && a.map_state == IsViewable) return true;
      }
      return false;
    });
  };
  menuButton();
  ASSERT_TRUE(menuUp()) << teldra_.Output();
  // Down from nothing: Restore is not offered; Move, Size, Minimize, then
  // Maximize.
  Tool({"xdotool", "key", "Down", "Down", "Down", "Down", "Return"});
  ASSERT_TRUE(qwtest::WaitUntil([&] { return FrameRect(frame).width == 1028; })) << teldra_.Output();
  menuButton();
  ASSERT_TRUE(menuUp());
  Tool({"xdotool", "key", "Up", "Return"});  // Up from nothing: the last item, Close
  EXPECT_TRUE(qwtest::WaitUntil([&] { return !Exists(display_, w) && !Exists(display_, frame); }))
      << teldra_.Output();
  EXPECT_TRUE(teldra_.Running());
}

// Move and Size from the window menu (chosen by their mnemonics) are
// driven by keys: arrows move by ten pixels, or first choose the edge to
// size; Return applies the outline, Escape gives it up.
TEST_F(WindowOpsTest, KeyboardMoveAndSizeFromTheWindowMenu) {
  StartTeldra();
  ReadBorders();
  Window w = MakeClient("kbd", 200, 200, 300, 150);
  XSelectInput(display_, w, StructureNotifyMask);
  XMapWindow(display_, w);
  XFlush(display_);
  Window frame = WaitForFrame(w);
  ASSERT_NE(frame, None);
  auto menu = [&](const char* mnemonic) {
    const XRectangle r = FrameRect(frame);
    Click(r.x + left_ + 2 + 7, r.y + left_ + (top_ - 20) / 2 + 7);
    ASSERT_TRUE(qwtest::WaitUntil([&] {
      for (Window c : ChildrenOf(display_, root_)) {
        const XWindowAttributes a = Attributes(display_, c);
        if (a.override_redirect && a.map_state == IsViewable) return true;
      }
      return false;
    })) << teldra_.Output();
    Tool({"xdotool", "key", mnemonic});
  };
  const XRectangle start = FrameRect(frame);

  menu("m");
  Tool({"xdotool", "key", "Right", "Right", "Right", "Down", "Return"});
  ASSERT_TRUE(qwtest::WaitUntil([&] { return FrameRect(frame).x == start.x + 30; })) << teldra_.Output();
  EXPECT_EQ(FrameRect(frame).y, start.y + 10);
  EXPECT_EQ(FrameRect(frame).width, start.width);
  // The client heard where it is now.
  XEvent ev;
  EXPECT_TRUE(qwtest::WaitUntil([&] {
    while (XCheckTypedWindowEvent(display_, w, ConfigureNotify, &ev))
      if (ev.xconfigure.send_event && ev.xconfigure.x == start.x + 30 + left_) return true;
    return false;
  }));

  // Escape puts the window back where the move began.
  menu("m");
  Tool({"xdotool", "key", "Left", "Left", "Up"});
  ASSERT_TRUE(qwtest::WaitUntil([&] { return FrameRect(frame).x == start.x + 10; }));
  Tool({"xdotool", "key", "Escape"});
  ASSERT_TRUE(qwtest::WaitUntil([&] { return FrameRect(frame).x == start.x + 30; }));
  EXPECT_EQ(FrameRect(frame).y, start.y + 10);

  // Size: the first arrow picks the right edge, two more widen by 20;
  // Down across it takes the bottom-right corner, one more lowers it by 10.
  menu("s");
  Tool({"xdotool", "key", "Right", "Right", "Right", "Down", "Down", "Return"});
  ASSERT_TRUE(qwtest::WaitUntil([&] { return FrameRect(frame).width == start.width + 20; }))
      << FrameRect(frame).width << " " << teldra_.Output();
  EXPECT_EQ(FrameRect(frame).height, start.height + 10);
  EXPECT_EQ(FrameRect(frame).x, start.x + 30);
  EXPECT_TRUE(qwtest::WaitUntil([&] { return Attributes(display_, w).width == 300 + 20; }));
  EXPECT_EQ(Attributes(display_, w).height, 150 + 10);
  // The keyboard is the applications' again.
  EXPECT_TRUE(qwtest::WaitUntil([&] { return Focus() == w; }));
  EXPECT_TRUE(teldra_.Running());
}

// A minimised client is shown by its own icon: a WM_HINTS bitmap is drawn
// in the label colours, an icon window is placed in the icon and mapped,
// and unmapped again when the window comes back.
TEST_F(WindowOpsTest, DesktopIconsShowTheClientsOwnIcon) {
  StartTeldra();
  ReadBorders();
  Window a = MakeClient("withpixmap", 100, 100, 200, 100), b = MakeClient("withwindow", 400, 100, 200, 100);
  Pixmap bits = XCreatePixmap(display_, root_, 32, 32, 1);
  GC gc = XCreateGC(display_, bits, 0, nullptr);
  XSetForeground(display_, gc, 1);
  XFillRectangle(display_, bits, gc, 0, 0, 32, 32);
  XFreeGC(display_, gc);
  XWMHints hints = {};
  hints.flags = IconPixmapHint;
  hints.icon_pixmap = bits;
  XSetWMHints(display_, a, &hints);
  Window iconWindow = XCreateSimpleWindow(display_, root_, 0, 0, 32, 32, 0, 0, 0x00ff00);
  hints.flags = IconWindowHint;
  hints.icon_window = iconWindow;
  XSetWMHints(display_, b, &hints);
  XMapWindow(display_, a);
  XMapWindow(display_, b);
  XFlush(display_);
  Window frameA = WaitForFrame(a), frameB = WaitForFrame(b);
  ASSERT_NE(frameA, None);
  ASSERT_NE(frameB, None);
  EXPECT_EQ(Attributes(display_, iconWindow).map_state, IsUnmapped);

  Tool({"xdotool", "windowminimize", "--sync", Hex(a)});
  // The first icon's image box is at 32, 704 (bottom left, the default).
  const unsigned long white = WhitePixel(display_, DefaultScreen(display_));
  EXPECT_TRUE(qwtest::WaitUntil([&] {
    XImage* img = XGetImage(display_, root_, 32, 704, 32, 32, AllPlanes, ZPixmap);
    if (!img) return false;
    bool all = true;
    for (int j = 0; j < 32 && all; ++j)
      for (int i = 0; i < 32 && all; ++i) all = XGetPixel(img, i, j) == white;
    XDestroyImage(img);
    return all;
  })) << "the bitmap fills the image box";

  Tool({"xdotool", "windowminimize", "--sync", Hex(b)});
  ASSERT_TRUE(qwtest::WaitUntil([&] { return Attributes(display_, iconWindow).map_state == IsViewable; }))
      << teldra_.Output();
  XWindowAttributes icon = Attributes(display_, iconWindow);
  EXPECT_EQ(icon.x, 96 + 32);
  EXPECT_EQ(icon.y, 704);
  DoubleClick(96 + 48, 704 + 16);
  EXPECT_TRUE(qwtest::WaitUntil([&] { return Attributes(display_, frameB).map_state == IsViewable; }));
  EXPECT_TRUE(qwtest::WaitUntil([&] { return Attributes(display_, iconWindow).map_state == IsUnmapped; }));
  EXPECT_TRUE(teldra_.Running());
}

// On a screen of eight bits the active client's colormap is installed, and
// WM_COLORMAP_WINDOWS that lists a subwindow first installs the subwindow's.
class ColormapTest : public WindowOpsTest {
 protected:
  void SetUp() override {
    server_.SetDepth(8);
    WindowOpsTest::SetUp();
  }
  std::vector<Colormap> Installed() {
    int n = 0;
    Colormap* maps = XListInstalledColormaps(display_, root_, &n);
    std::vector<Colormap> out(maps, maps + n);
    if (maps) XFree(maps);
    return out;
  }
  bool IsInstalled(Colormap c) {
    const std::vector<Colormap> maps = Installed();
    return std::find(maps.begin(), maps.end(), c) != maps.end();
  }
};

TEST_F(ColormapTest, TheActiveClientsColormapWindowsAreFollowed) {
  ASSERT_EQ(DefaultDepth(display_, 0), 8);
  StartTeldra();
  ReadBorders();
  Visual* visual = DefaultVisual(display_, 0);
  Colormap own = XCreateColormap(display_, root_, visual, AllocNone);
  Colormap sub = XCreateColormap(display_, root_, visual, AllocNone);
  XSetWindowAttributes attr;
  attr.colormap = own;
  attr.background_pixel = 0;
  Window w = XCreateWindow(display_, root_, 100, 100, 300, 200, 0, 8, InputOutput, visual,
                           CWColormap | CWBackPixel, &attr);
  XStoreName(display_, w, "cmap");
  attr.colormap = sub;
  Window child = XCreateWindow(display_, w, 10, 10, 50, 50, 0, 8, InputOutput, visual,
                               CWColormap | CWBackPixel, &attr);
  XMapWindow(display_, child);
  XMapWindow(display_, w);
  XFlush(display_);
  ASSERT_NE(WaitForFrame(w), None);
  EXPECT_TRUE(qwtest::WaitUntil([&] { return IsInstalled(own); })) << "the active client's own colormap";
  Window list[2] = {child, w};
  XSetWMColormapWindows(display_, w, list, 2);
  XFlush(display_);
  EXPECT_TRUE(qwtest::WaitUntil([&] { return IsInstalled(sub); })) << teldra_.Output();
  // Listed first itself: its own colormap again.
  Window alone[1] = {w};
  XSetWMColormapWindows(display_, w, alone, 1);
  XFlush(display_);
  EXPECT_TRUE(qwtest::WaitUntil([&] { return IsInstalled(own); }));
  EXPECT_TRUE(teldra_.Running());
}

}  // namespace
