// A headless session on the loopback TN5250 host whose display device is
// the real X display device (over a window that draws nothing): image
// structured fields go through the Telnet transport, the record glue, the
// data stream manager and the screen's buffered commands to the device's
// image object, and the image error AIDs come back as inbound records.
#pragma once

#include <cstdlib>
#include <memory>

#include "tests/datastream/LoopbackSession.h"
#include "tests/support/CountingWindow.h"
#include "xfront/RenderingX.h"
#include "xfront/SessionImages.h"

namespace image_test {

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
  CountingWindow window;
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
