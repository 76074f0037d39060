// A headless session on the loopback TN5250 host whose display device is
// the real X display device (over a window that draws nothing): image
// structured fields go through the Telnet transport, the record glue, the
// data stream manager and the screen's buffered commands to the device's
// image object, and the image error AIDs come back as inbound records.
#pragma once

#include <cstdlib>
#include <memory>

#include "tests/datastream/LoopbackSession.h"
#include "xfront/RenderingWindow.h"
#include "xfront/RenderingX.h"
#include "xfront/SessionImages.h"

namespace image_test {

class BlankWindow : public RenderingWindow {
 public:
  void x_write(int, const unsigned char*, const unsigned short*, int, char) override {}
  void x_clear() override {}
  void x_set_rows_columns(int, int) override {}
  void x_cursor(int) override {}
  void x_set_cursor_plane(PlaneNumber) override {}
  void x_set_shadow_cursor_row(unsigned int) override {}
  void x_set_text_symbols_display_plane(PlaneNumber) override {}
  void x_set_cursor_blink(int) override {}
  void x_hide_cursor(unsigned int) override {}
  void x_set_text_symbols_display_on_whole_screen(unsigned int) override {}
  void x_set_reset_text_symbols_display(unsigned int) override {}
  void x_set_reset_enptui_symbols_display(unsigned int) override {}
  void x_ding(unsigned int) override {}
  void x_sys(int) override {}
  void x_inserting(unsigned int) override {}
  void x_msgWait(int) override {}
  void x_typeahead(unsigned int) override {}
  void x_capslock(unsigned int) override {}
  void x_shiftkey(unsigned int) override {}
  void x_lang_shift(unsigned int) override {}
  void x_diacritic(unsigned int) override {}
  void x_rtlcursor(unsigned int) override {}
  void x_rtlscreen(unsigned int) override {}
  void x_draw_pushbutton(unsigned int, unsigned int, char, char) override {}
  void x_erase_pushbutton(unsigned int, unsigned int) override {}
  void x_copy_button(unsigned int) override {}
  void x_cut_button(unsigned int) override {}
  void x_paste_button(unsigned int) override {}
  void x_popup_edit_menu() override {}
  void x_copy(CopiedDataInformation*) override {}
  void x_get_copied_data(CopiedDataInformation*, unsigned int) override {}
  void defineLine(DRAW_LINE_METHOD, int, int, int) override {}
  void drawMarkingLines(int) override {}
  void unmarkText() override {}
  bool ruleLineShown() const override { return false; }
  void drawRuleLine() override {}
};

// The display station over the X display device.
struct ImageStation {
  explicit ImageStation(RecordGlue* glue)
      : host(glue),
        rendering(24, 80, &window, nullptr, static_cast<char*>(std::malloc(RenderingX::kAreaSize)),
                  RenderingX::kAreaSize),
        psBuffer(3696),
        display(nullptr, &rendering, &host, &tax, DisplayCharacteristics(), psBuffer.data()) {
    host.setDisplayObjectPtr(&display);
    rendering.images().setStation(&display);
  }
  ~ImageStation() { host.setDisplayObjectPtr(nullptr); }

  HostInterfaceTCP host;
  BlankWindow window;
  RenderingX rendering;
  TAXlate tax;
  std::vector<unsigned char> psBuffer;
  DisplayBag display;
};

struct ImageLoopback {
  qwtest::PollEventSources events;
  glue_test::HeadlessSession session{events};
  TelnetLAN telnet{session};
  std::vector<unsigned char> outbound = std::vector<unsigned char>(kRecordBufferSize);
  std::vector<unsigned char> reassembly = std::vector<unsigned char>(kRecordBufferSize);
  RecordGlue glue{session, outbound.data(), reassembly.data()};
  std::unique_ptr<ImageStation> station;
  qwtest::TestHost5250 host;
  qwtest::TestHost5250::Pump pump = [this] { events.ProcessPending(10); };

  ImageLoopback() {
    session.telnet = &telnet;
    session.glue = &glue;
    station = std::make_unique<ImageStation>(&glue);
    glue.setHostInterface(&station->host);
    EXPECT_TRUE(host.Start());
    EXPECT_EQ(telnet.tel_init("127.0.0.1", host.Port()), 0);
    EXPECT_EQ(telnet.tel_setup(0, nullptr, nullptr), 0);
    EXPECT_TRUE(host.WaitNegotiated(glue_test::kLoopbackWaitMs, pump));
    telnet.addSocketInput();
  }
  ~ImageLoopback() {
    telnet.tel_close();
    glue.setHostInterface(nullptr);
  }

  SessionImages& images() { return station->rendering.images(); }
  void Send(const Bytes& record) { qwtest::SendRecordAndSettle(host, pump, glue_test::kLoopbackWaitMs, record); }
  std::vector<Bytes> Pending() { return qwtest::PendingRecords(host, pump, glue_test::kLoopbackWaitMs); }
};

}  // namespace image_test
