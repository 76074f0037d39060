#include <gtest/gtest.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "platform/sdk/JpegDecode.h"
#include "platform/sdk/RegistryIcon.h"
#include "platform/sdk/SdkScreen.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"
#include "tests/support/XTestServer.h"

namespace {

// A width x height JPEG: the left half red, the right half blue.
std::vector<unsigned char> RedBlueJpeg(int width, int height) {
  jpeg_compress_struct c;
  jpeg_error_mgr err;
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &out, &size);
  c.image_width = width;
  c.image_height = height;
  c.input_components = 3;
  c.in_color_space = JCS_RGB;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, 95, TRUE);
  jpeg_start_compress(&c, TRUE);
  std::vector<unsigned char> row(width * 3);
  for (int x = 0; x < width; ++x) {
    row[x * 3] = x < width / 2 ? 255 : 0;
    row[x * 3 + 1] = 0;
    row[x * 3 + 2] = x < width / 2 ? 0 : 255;
  }
  while (c.next_scanline < c.image_height) {
    JSAMPROW r = row.data();
    jpeg_write_scanlines(&c, &r, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  std::vector<unsigned char> bytes(out, out + size);
  free(out);
  return bytes;
}

TEST(JpegDecodeTest, DecodesWithinBoundsAndRefusesTheRest) {
  const std::vector<unsigned char> good = RedBlueJpeg(32, 16);
  JpegImage img;
  std::string error;
  ASSERT_TRUE(DecodeJpeg(good.data(), good.size(), &img, &error)) << error;
  EXPECT_EQ(img.width, 32);
  EXPECT_EQ(img.height, 16);
  EXPECT_GT(img.rgb[0], 200);                       // red on the left
  EXPECT_GT(img.rgb[(8 * 32 + 30) * 3 + 2], 200);  // blue on the right

  std::vector<unsigned char> huge = good;
  // The frame header (SOF0, 0xFFC0): height and width follow its length and precision.
  for (size_t i = 0; i + 8 < huge.size(); ++i)
    if (huge[i] == 0xFF && huge[i + 1] == 0xC0) {
      huge[i + 5] = huge[i + 6] = huge[i + 7] = huge[i + 8] = 0xF0;
      break;
    }
  const std::vector<unsigned char> truncated(good.begin(), good.begin() + good.size() / 3);
  const std::vector<unsigned char> garbage(100, 0x5A);
  struct {
    const std::vector<unsigned char>* data;
    const char* what;
  } bad[] = {{&huge, "header of 61680 x 61680"}, {&truncated, "cut short"}, {&garbage, "no JPEG"}};
  for (const auto& b : bad) {
    JpegImage out;
    bool ok = DecodeJpeg(b.data->data(), b.data->size(), &out, &error);
    if (b.data == &truncated) {
      // libjpeg fills a cut image with grey and warns: what matters is a bounded result.
      if (ok) EXPECT_EQ(out.rgb.size(), 32u * 16u * 3u);
      continue;
    }
    EXPECT_FALSE(ok) << b.what;
    EXPECT_TRUE(out.rgb.empty()) << b.what;
    EXPECT_FALSE(error.empty()) << b.what;
  }
  EXPECT_FALSE(DecodeJpeg(nullptr, 0, &img, &error));
}

TEST(JpegIconTest, RegistryImageBecomesAScaledPixmap) {
  qwtest::TempDir home;
  qwtest::ScopedEnv env("HOME", home.Path().c_str());
  qwtest::ScopedEnv sys("QX_REGISTRY_DIR", (home.Path() + "/none").c_str());
  const std::vector<unsigned char> jpeg = RedBlueJpeg(64, 32);
  home.WriteFile("registry/login/splash.jpg", std::string(jpeg.begin(), jpeg.end()));
  qwtest::XTestServer server;
  ASSERT_TRUE(server.Start()) << server.Error();
  SdkScreen screen;
  ASSERT_EQ(InitScreenInfo(&screen, "test", 1, 0, nullptr, server.DisplayName().c_str()), 0);
  EXPECT_EQ(JPEGLoadRegistryIcon(&screen, "login/missing.jpg", 0, 0), None);
  Pixmap pm = JPEGLoadRegistryIcon(&screen, "login/splash.jpg", 8, 4);
  ASSERT_NE(pm, None);
  XImage* img = XGetImage(screen.display, pm, 0, 0, 8, 4, AllPlanes, ZPixmap);
  ASSERT_NE(img, nullptr);
  EXPECT_GT((XGetPixel(img, 1, 1) >> 16) & 0xff, 200u) << "red on the left";
  EXPECT_GT(XGetPixel(img, 6, 2) & 0xff, 200u) << "blue on the right";
  XDestroyImage(img);
  XFreePixmap(screen.display, pm);
  CloseScreenInfo(&screen);
}

}  // namespace
