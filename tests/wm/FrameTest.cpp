// Teldra takes real X clients under management: frames, titles, requests,
// and clients that go away at any moment.
#include <X11/Xatom.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/wm/TeldraFixture.h"

namespace {

using teldratest::Attributes;
using teldratest::ChildrenOf;
using teldratest::Exists;
using teldratest::ParentOf;

// The pixels of a rectangle of a window, for comparing what was drawn.
std::vector<unsigned long> Pixels(Display* d, Window w, int x, int y, int width, int height) {
  std::vector<unsigned long> out;
  XImage* img = XGetImage(d, w, x, y, static_cast<unsigned>(width), static_cast<unsigned>(height),
                          AllPlanes, ZPixmap);
  if (!img) return out;
  for (int j = 0; j < height; ++j)
    for (int i = 0; i < width; ++i) out.push_back(XGetPixel(img, i, j));
  XDestroyImage(img);
  return out;
}

struct ClientSpec {
  const char* what;
  const char* name;      // WM_NAME, null: none
  const char* instance;  // WM_CLASS, null: none
  const char* cls;
};

class FrameTest : public teldratest::TeldraFixture {
 protected:
  Window MakeClient(const ClientSpec& c, int x, int y, int width, int height, bool map = true) {
    Window w = XCreateSimpleWindow(display_, root_, x, y, static_cast<unsigned>(width),
                                   static_cast<unsigned>(height), 1, 0, 0xffffff);
    XSelectInput(display_, w, StructureNotifyMask);
    if (c.name) XStoreName(display_, w, c.name);
    if (c.instance || c.cls) {
      XClassHint hint;
      hint.res_name = const_cast<char*>(c.instance);
      hint.res_class = const_cast<char*>(c.cls);
      XSetClassHint(display_, w, &hint);
    }
    if (map) XMapWindow(display_, w);
    XFlush(display_);
    return w;
  }
  // Checks the frame's geometry around the client and the client's WM_STATE.
  void ExpectFramed(Window client, Window frame) {
    const XWindowAttributes c = Attributes(display_, client), f = Attributes(display_, frame);
    EXPECT_EQ(ParentOf(display_, frame), root_);
    EXPECT_EQ(c.map_state, IsViewable);
    EXPECT_EQ(c.border_width, 0);
    EXPECT_EQ(c.x, 5) << "left border";
    EXPECT_GE(c.y, 23) << "title bar of at least 15 + 8";
    EXPECT_EQ(f.width, c.width + 5 + 7);
    EXPECT_EQ(f.height, c.height + c.y + 7);
    const qwtest::PropertyValue state = qwtest::ReadWindowProperty(display_, client, "WM_STATE");
    EXPECT_EQ(state.typeName, "WM_STATE");
    EXPECT_EQ(state.format, 32);
    EXPECT_EQ(state.values, (std::vector<long>{NormalState, 0}));
  }
};

TEST_F(FrameTest, ClientsAreFramedWhateverTheirProperties) {
  StartTeldra();
  const ClientSpec specs[] = {
      {"plain", "plain", "plain", "Plain"},
      {"a session window", "Session A", "qw5250", "QW5250"},
      {"no name and no class", nullptr, nullptr, nullptr},
      {"a class without an instance", "classless", nullptr, "Other"},
  };
  int y = 10;
  for (const ClientSpec& spec : specs) {
    SCOPED_TRACE(spec.what);
    Window w = MakeClient(spec, 20, y, 160, 60);
    y += 110;
    Window frame = WaitForFrame(w);
    ASSERT_NE(frame, None) << teldra_.Output();
    ExpectFramed(w, frame);
  }
  // Hostile names: a WM_NAME of format 32, a _NET_WM_NAME of the wrong type,
  // and a name with control characters.
  Window odd = MakeClient({"odd", nullptr, "odd", "Odd"}, 300, 10, 100, 50, false);
  const long words[] = {1, 2, 3, -1};
  XChangeProperty(display_, odd, XA_WM_NAME, XA_STRING, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(words), 4);
  XChangeProperty(display_, odd, qwtest::InternAtom(display_, "_NET_WM_NAME"), XA_INTEGER, 8,
                  PropModeReplace, reinterpret_cast<const unsigned char*>("\x01\x02"), 2);
  XMapWindow(display_, odd);
  XFlush(display_);
  Window oddFrame = WaitForFrame(odd);
  ASSERT_NE(oddFrame, None);
  XStoreName(display_, odd, "tab\there\nand a line");
  qwtest::XBarrier(display_);
  Window plain = MakeClient({"after", "after", "after", "After"}, 300, 200, 100, 50);
  EXPECT_NE(WaitForFrame(plain), None);
  EXPECT_TRUE(teldra_.Running()) << teldra_.Output();
}

TEST_F(FrameTest, WindowsMappedBeforeTheStartAreAdopted) {
  Window w = MakeClient({"early", "early", "early", "Early"}, 40, 40, 120, 80);
  qwtest::XBarrier(display_);
  ASSERT_EQ(Attributes(display_, w).map_state, IsViewable);
  StartTeldra();
  Window frame = WaitForFrame(w);
  ASSERT_NE(frame, None) << teldra_.Output();
  ExpectFramed(w, frame);
}

// The title bar shows the client's name and follows its changes; a
// _NET_WM_NAME comes before WM_NAME.
TEST_F(FrameTest, TitleFollowsTheClientsName) {
  StartTeldra();
  Window a = MakeClient({"a", "alpha", "a", "A"}, 300, 200, 200, 80);
  Window b = MakeClient({"b", "beta", "b", "B"}, 300, 500, 200, 80);
  Window frameA = WaitForFrame(a), frameB = WaitForFrame(b);
  ASSERT_NE(frameA, None);
  ASSERT_NE(frameB, None);
  const int top = Attributes(display_, a).y;
  auto band = [&](Window frame) { return Pixels(display_, frame, 5, 5, 200, top - 5); };
  // (Both lie clear of the desktop command's window at the top left.)
  // A drawn title bar holds more than one colour and reads the same twice.
  auto settled = [&](Window frame, std::vector<unsigned long>* out) {
    return qwtest::WaitUntil([&] {
      std::vector<unsigned long> first = band(frame);
      qwtest::XBarrier(display_);
      *out = band(frame);
      return !out->empty() && *out == first &&
             std::any_of(out->begin(), out->end(), [&](unsigned long p) { return p != out->front(); });
    });
  };
  // Each reference is taken while its frame is the active one: the newest
  // window, then, once that is gone, the other.
  std::vector<unsigned long> alpha, beta;
  ASSERT_TRUE(settled(frameB, &beta));
  XDestroyWindow(display_, b);
  XFlush(display_);
  ASSERT_TRUE(qwtest::WaitUntil([&] { return !Exists(display_, frameB); }));
  ASSERT_TRUE(settled(frameA, &alpha));
  ASSERT_NE(alpha, beta) << "two names draw two different title bars";
  XStoreName(display_, a, "beta");
  XFlush(display_);
  EXPECT_TRUE(qwtest::WaitUntil([&] { return band(frameA) == beta; })) << "WM_NAME beta";
  const std::string utf8 = "alpha";
  XChangeProperty(display_, a, qwtest::InternAtom(display_, "_NET_WM_NAME"),
                  qwtest::InternAtom(display_, "UTF8_STRING"), 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(utf8.data()), static_cast<int>(utf8.size()));
  XFlush(display_);
  EXPECT_TRUE(qwtest::WaitUntil([&] { return band(frameA) == alpha; })) << "_NET_WM_NAME alpha";
}

// A client that is destroyed or withdraws itself leaves no frame; a
// withdrawn one is back on the root with its border and without WM_STATE.
TEST_F(FrameTest, ClientsThatGoLeaveNoFrame) {
  StartTeldra();
  for (bool destroy : {true, false}) {
    SCOPED_TRACE(destroy ? "destroyed" : "withdrawn");
    Window w = MakeClient({"going", "going", "going", "Going"}, 60, 60, 150, 70);
    Window frame = WaitForFrame(w);
    ASSERT_NE(frame, None);
    if (destroy)
      XDestroyWindow(display_, w);
    else
      XUnmapWindow(display_, w);
    XFlush(display_);
    EXPECT_TRUE(qwtest::WaitUntil([&] { return !Exists(display_, frame); })) << "the frame is gone";
    if (!destroy) {
      EXPECT_EQ(ParentOf(display_, w), root_);
      EXPECT_EQ(Attributes(display_, w).border_width, 1);
      EXPECT_FALSE(qwtest::ReadWindowProperty(display_, w, "WM_STATE").exists);
      XMapWindow(display_, w);
      XFlush(display_);
      EXPECT_NE(WaitForFrame(w), None) << "mapped again, managed again";
    }
  }
}

// Clients that vanish while Teldra takes them under management: Teldra
// lives on and keeps no frame without a client.
TEST_F(FrameTest, ClientsDyingWhileManagedLeaveNoStaleFrame) {
  StartTeldra();
  ASSERT_NE(qwtest::WaitForWindowByClass(display_, "desktop"), None);
  for (int i = 0; i < 30; ++i) {
    Display* doomed = XOpenDisplay(server_.DisplayName().c_str());
    ASSERT_NE(doomed, nullptr);
    Window w = XCreateSimpleWindow(doomed, DefaultRootWindow(doomed), 10, 10, 50 + i, 50, 0, 0, 0);
    XStoreName(doomed, w, "doomed");
    XMapWindow(doomed, w);
    if (i % 2) XDestroyWindow(doomed, w);
    XCloseDisplay(doomed);
  }
  Window last = MakeClient({"last", "last", "last", "Last"}, 200, 200, 100, 60);
  ASSERT_NE(WaitForFrame(last), None) << teldra_.Output();
  EXPECT_TRUE(teldra_.Running()) << teldra_.Output();
  qwtest::XBarrier(display_);
  for (Window top : ChildrenOf(display_, root_))
    EXPECT_FALSE(ChildrenOf(display_, top).empty()) << "a frame without its client: " << top;
}

// A configure request moves and resizes the frame around the client, and
// every request is answered with a synthetic ConfigureNotify, also one that
// changes nothing.
TEST_F(FrameTest, ConfigureRequestsAreHonouredAndAnswered) {
  StartTeldra();
  Window w = MakeClient({"conf", "conf", "conf", "Conf"}, 30, 30, 120, 60);
  Window frame = WaitForFrame(w);
  ASSERT_NE(frame, None);
  const int top = Attributes(display_, w).y;
  // Teldra answers in order: the first synthetic event of the right size is
  // the answer to the move, any later one the answer to the next request.
  auto waitSynthetic = [&](XConfigureEvent* out, int width) {
    return qwtest::WaitUntil([&] {
      XSync(display_, False);
      XEvent ev;
      while (XCheckTypedWindowEvent(display_, w, ConfigureNotify, &ev))
        if (ev.xconfigure.send_event && (!width || ev.xconfigure.width == width)) {
          *out = ev.xconfigure;
          return true;
        }
      return false;
    });
  };
  XMoveResizeWindow(display_, w, 100, 120, 300, 200);
  XFlush(display_);
  XConfigureEvent told = {};
  ASSERT_TRUE(waitSynthetic(&told, 300));
  EXPECT_EQ(told.x, 100);
  EXPECT_EQ(told.y, 120);
  EXPECT_EQ(told.width, 300);
  EXPECT_EQ(told.height, 200);
  const XWindowAttributes f = Attributes(display_, frame), c = Attributes(display_, w);
  EXPECT_EQ(f.x, 95);
  EXPECT_EQ(f.y, 120 - top);
  EXPECT_EQ(c.width, 300);
  EXPECT_EQ(c.height, 200);
  EXPECT_EQ(f.width, 312);
  XResizeWindow(display_, w, 300, 200);
  XFlush(display_);
  ASSERT_TRUE(waitSynthetic(&told, 0)) << "an unchanged geometry is answered too";
  EXPECT_EQ(told.width, 300);
  EXPECT_EQ(told.x, 100);
  // A request past the work area's right and bottom is moved back into it;
  // one larger than the screen is cut to it.
  XMoveResizeWindow(display_, w, 900, 700, 301, 200);
  XFlush(display_);
  ASSERT_TRUE(waitSynthetic(&told, 301));
  XWindowAttributes fr = Attributes(display_, frame);
  EXPECT_EQ(fr.x + fr.width, 1024 + 2 + 1);
  EXPECT_EQ(fr.y + fr.height, 768 + 2 + 1);
  XMoveResizeWindow(display_, w, 10, 40, 3000, 2000);
  XFlush(display_);
  ASSERT_TRUE(waitSynthetic(&told, 0));
  fr = Attributes(display_, frame);
  EXPECT_EQ(fr.x, -1);
  EXPECT_EQ(fr.x + fr.width, 1024 + 2);
  EXPECT_EQ(told.width, fr.width - 12);
}

}  // namespace
