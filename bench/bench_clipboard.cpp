// Copy and paste of a session window on a private Xvfb, connected to the
// loopback host: the Edit menu's Paste of 3,696 characters that another X
// client holds, into a 27 x 132 screen of 200 input fields, and the Edit
// menu's Copy of the whole 27 x 132 screen as a block (to PRIMARY, the
// Motif clipboard and cut buffer 0), each from the menu to XSync.
#include "tests/support/SessionToolkit.h"  // gtest before Xlib

#include <benchmark/benchmark.h>
#include <Xm/Xm.h>

#include <cstdio>
#include <string>
#include <vector>

#include "display/DisplayBag.h"
#include "display/PresentationSpaceScreenBuffer.h"
#include "keyboard/KeyboardState.h"
#include "session/AppResources.h"
#include "session/StartOptions.h"
#include "tests/support/ForeignSelectionOwner.h"
#include "xfront/SessionClipboard.h"
#include "xfront/XStuff.h"

namespace {

using namespace qwtest::session_toolkit;
using Bytes = std::vector<uint8_t>;

SessionControlBlock* g_session = nullptr;
qwtest::TestHost5250* g_host = nullptr;

// 27 x 132: rows 2 to 26 with eight fields of 15 positions each, text
// between them.
Bytes FieldScreen() {
  Bytes data = {0x04, 0x20, 0x00, 0x04, 0x11, 0x00, 0x08};  // clear unit alternate (27 x 132), WTD
  for (int row = 2; row <= 26; ++row) {
    for (int f = 0; f < 8; ++f) {
      const Bytes sba = {0x11, static_cast<uint8_t>(row), static_cast<uint8_t>(1 + f * 16)};
      data.insert(data.end(), sba.begin(), sba.end());
      const Bytes sf = {0x1D, 0x40, 0x00, 0x20, 0x00, 15};
      data.insert(data.end(), sf.begin(), sf.end());
    }
  }
  const Bytes tail = {0x11, 1, 1, 0xC6, 0xC9, 0xC5, 0xD3, 0xC4, 0xE2, 0x13, 2, 2, 0x04, 0x52, 0x00, 0x00};
  data.insert(data.end(), tail.begin(), tail.end());
  const size_t n = data.size() + 10;
  Bytes r = {static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n), 0x12, 0xA0, 0, 0, 0x04, 0x00, 0x40, 0x03};
  r.insert(r.end(), data.begin(), data.end());
  return r;
}

void Menu(const char* name) {
  Widget item = XtNameToWidget(g_session->xstuff.shell(), name);
  XmPushButtonCallbackStruct cbs = {};
  cbs.reason = XmCR_ACTIVATE;
  XtCallCallbacks(item, XmNactivateCallback, &cbs);
}

Display* ToolkitDisplay() { return XtDisplay(g_session->xstuff.shell()); }

void Paste3696(benchmark::State& state) {
  qwtest::ForeignSelectionOwner owner;
  std::string text;
  for (int i = 0; i < 3696; ++i) text += static_cast<char>('A' + i % 26);
  if (!owner.start(g_server->DisplayName(), {{"UTF8_STRING", {"UTF8_STRING", text}}})) {
    state.SkipWithError("no foreign owner");
    return;
  }
  KeyboardState& k = g_session->display->keyboardState();
  for (auto _ : state) {
    Menu("*pasteButton");
    XSync(ToolkitDisplay(), False);
    if (k.state() != KeyboardState::kNormalUnlocked) {
      state.SkipWithError("the paste left the keyboard locked");
      break;
    }
  }
  state.counters["fields"] = static_cast<double>(g_session->display->formatTable().fieldCount());
  // Every input position holds a pasted letter.
  PresentationSpaceScreenBuffer& ps = g_session->display->presentationSpace();
  int filled = 0;
  for (unsigned int p = 0; p < 27u * 132u; ++p) {
    const unsigned char c = ps.getCharacter(p);
    filled += c >= 0xC1 && c <= 0xE9;
  }
  state.counters["filled"] = filled;
  state.counters["characters"] = 3696;
}

void CopyFullBlock(benchmark::State& state) {
  KeyboardState& k = g_session->display->keyboardState();
  XStuff& x = g_session->xstuff;
  const unsigned int last = static_cast<unsigned int>(x.rows() * x.columns() - 1);
  if (!k.enterCopyState(KeyboardState::kBlockCopy, 0, 1)) {
    state.SkipWithError("no copy state");
    return;
  }
  k.updateCopyState(last);
  k.enterPostCopyState(-1, KeyboardState::kBlockCopy);
  for (auto _ : state) {
    Menu("*copyButton");
    XSync(ToolkitDisplay(), False);
  }
  state.counters["text_bytes"] = static_cast<double>(x.clipboard().utf8Text.size());
  state.counters["rows"] = x.rows();
  state.counters["columns"] = x.columns();
  k.exitPostCopyState();
}

}  // namespace

BENCHMARK(Paste3696)->Unit(benchmark::kMillisecond);
BENCHMARK(CopyFullBlock)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  std::string error;
  if (!StartToolkit(0, &error, "C", 1920, 1200)) {
    std::fprintf(stderr, "no toolkit: %s\n", error.c_str());
    return 1;
  }
  static qwtest::TestHost5250 host;
  g_host = &host;
  if (!host.Start()) return 1;
  SessionStartOptions o;
  o.hostName = "127.0.0.1";
  o.port = host.Port();
  createSessionUnderThisProcess(o, nullptr, nullptr);
  g_session = NewestSession();
  if (!g_session || !host.WaitNegotiated(kWaitMs, HostPump())) return 1;
  RunUntil([] { return XtIsRealized(g_session->xstuff.shell()); });
  host.SendRecord(FieldScreen());
  if (!host.Barrier(kWaitMs, HostPump())) return 1;
  Pump(20);
  if (g_session->xstuff.columns() != 132 || g_session->display->formatTable().fieldCount() != 200) {
    std::fprintf(stderr, "screen %dx%d with %zu fields\n", g_session->xstuff.rows(), g_session->xstuff.columns(),
                 static_cast<size_t>(g_session->display->formatTable().fieldCount()));
    return 1;
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}
