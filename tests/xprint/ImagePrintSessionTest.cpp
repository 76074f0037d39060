// Printing the image a session shows, end to end: the loopback host shows
// a picture on the session's screen; the print dialog then offers the image
// (its colour row only for a colour image, its resolution menu only for a
// PCL printer), and Print puts the image job into the printer's file
// through the print program and a private CUPS scheduler. The job is read
// back independently: PostScript rendered by Ghostscript and compared pixel
// for pixel with the picture the host sent, placed and scaled on the page as
// the image printers lay it out; PCL through the test's PCL reader. The
// dialog names the printer with the server delineator or local designator
// and takes the session's menu colours.
#include <gtest/gtest.h>  // before Xlib, whose None and Bool macros clash with it

#include <Xm/ToggleB.h>
#include <Xm/Xm.h>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "PrintSessionFixture.h"
#include "PrivateCups.h"
#include "print/LocalPrintConfig.h"
#include "print/PrintHandoff.h"
#include "session/AppResources.h"
#include "session/SessionControlBlock.h"
#include "tests/datastream/RecordGlueFixtures.h"
#include "tests/image/ImageCorpus.h"
#include "tests/print/PrintReaders.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/SessionToolkit.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestHost5250.h"
#include "xfront/LocalPrint.h"
#include "xfront/SessionImages.h"
#include "xfront/XStuff.h"

namespace {

using namespace glue_test;
using namespace qwtest::session_toolkit;
using image_test::Pnm;

// Image control field (TIFF) for a window of 12 x 40 cells at row 3,
// column 5, shown at 100 %; flags1 0x80 allows caching, 0x02 shows inverse.
Bytes ControlField(uint8_t flags1) {
  Bytes f(28, 0);
  f[2] = 0xD9;
  f[3] = 0x66;
  f[4] = flags1;
  f[11] = 2;
  f[12] = 3;
  f[13] = 5;
  f[14] = 12;
  f[15] = 40;
  f[17] = 100;
  const std::string name = "PICTURE";
  f[27] = static_cast<uint8_t>(name.size());
  f.insert(f.end(), name.begin(), name.end());
  f[0] = static_cast<uint8_t>(f.size() >> 8);
  f[1] = static_cast<uint8_t>(f.size());
  return f;
}

Bytes DownloadField(const Bytes& data, bool last) {
  Bytes f(12, 0);
  f[2] = 0xD9;
  f[3] = 0x67;
  f[4] = last ? 0x80 : 0x00;
  f[11] = 3;
  const std::string name = "IMG";
  f.insert(f.end(), name.begin(), name.end());
  f.insert(f.end(), data.begin(), data.end());
  f[0] = static_cast<uint8_t>(f.size() >> 8);
  f[1] = static_cast<uint8_t>(f.size());
  return f;
}

Bytes Wssf(const Bytes& field) { return Cat({B({0x04, 0xF4}), field}); }

// Where a picture lies on a Letter page, in points from the lower left,
// as the image printer places it (margins of 36 points; landscape turns
// the picture a quarter left inside its box).
struct Placement {
  double x, y, width, height;
  bool landscape;
};

// The picture's pixel under page point (px, py), as fractions; false
// outside the picture.
bool SourceOf(const Placement& p, const Pnm& picture, double px, double py, double* sx, double* sy) {
  const double u = (px - p.x) / p.width, v = (py - p.y) / p.height;
  if (u < 0 || u >= 1 || v < 0 || v >= 1) return false;
  if (p.landscape) {
    // Image x runs up the page, image y from left to right.
    *sx = v * picture.width;
    *sy = u * picture.height;
  } else {
    *sx = u * picture.width;
    *sy = (1 - v) * picture.height;
  }
  return true;
}

bool NearEdge(double v) {
  const double f = v - std::floor(v);
  return f < 0.2 || f > 0.8;
}

// Compares a page rendered at `dpi` with the picture: every device pixel
// whose centre falls well inside a picture pixel has that pixel's colour,
// and the page is white outside the picture. Returns the pixels compared.
int ComparePage(const Pnm& page, const Pnm& picture, const Placement& p, int dpi, bool invert = false) {
  int compared = 0, wrong = 0;
  const double pointsPerPixel = 72.0 / dpi;
  for (unsigned int j = 0; j < page.height; ++j)
    for (unsigned int i = 0; i < page.width; ++i) {
      const double px = (i + 0.5) * pointsPerPixel, py = 792 - (j + 0.5) * pointsPerPixel;
      double sx = 0, sy = 0;
      unsigned char expected[3] = {255, 255, 255};
      if (SourceOf(p, picture, px, py, &sx, &sy)) {
        if (NearEdge(sx) || NearEdge(sy)) continue;
        const unsigned int x = static_cast<unsigned int>(sx), y = static_cast<unsigned int>(sy);
        if (picture.kind == '4') {
          const bool black = picture.bit(x, y) != invert;
          expected[0] = expected[1] = expected[2] = black ? 0 : 255;
        } else {
          for (int c = 0; c < 3; ++c) expected[c] = picture.data[(size_t{y} * picture.width + x) * 3 + c];
        }
      } else {
        // Outside: only well away from the picture's edge.
        const double d = 1.5 * pointsPerPixel;
        double ignored = 0;
        if (SourceOf(p, picture, px - d, py, &sx, &ignored) || SourceOf(p, picture, px + d, py, &sx, &ignored) ||
            SourceOf(p, picture, px, py - d, &sx, &ignored) || SourceOf(p, picture, px, py + d, &sx, &ignored))
          continue;
      }
      unsigned char got[3];
      if (page.kind == '4') {
        got[0] = got[1] = got[2] = page.bit(i, j) ? 0 : 255;  // PBM: 1 is black
      } else {
        for (int c = 0; c < 3; ++c) got[c] = page.data[(size_t{j} * page.width + i) * 3 + c];
      }
      ++compared;
      for (int c = 0; c < 3; ++c)
        if (std::abs(int(got[c]) - int(expected[c])) > 3) {
          if (++wrong <= 5)
            ADD_FAILURE() << "page pixel " << i << "," << j << " colour " << c << ": " << int(got[c]) << " instead of "
                          << int(expected[c]);
          break;
        }
    }
  EXPECT_EQ(wrong, 0) << "of " << compared;
  return compared;
}

class ImagePrintSessionTest : public printtest::PrintSessionFixture {
 protected:
  static void SetUpTestSuite() {
    StartToolkitAndCups({{"proof", "QW proof PostScript printer", "Proofs", true},
                         {"laser", "QW laser PCL printer", "Laser", false},
                         {"lines", "QW line printer", "Lines", false}});
  }

  void SetUp() override {
    StartSession();
    if (HasFatalFailure()) return;
    host_.SendRecord(Record(0x03, Cat({B({0x04, 0x40}), B({0x04, 0x11, 0x00, 0x08}), B({0x11, 1, 30}), B({0x20}),
                                       Ebcdic("Picture of the day")}),
                            0, 0x40));
    ASSERT_TRUE(host_.Barrier(kWaitMs, HostPump()));
  }

  // The host shows `picture` (written as an uncompressed TIFF) on the screen.
  void ShowPicture(const Pnm& picture, uint8_t flags1 = 0x80) {
    const std::string pnm = picture.kind == '4' ? "/picture.pbm" : "/picture.ppm";
    image_test::WritePnm(dir_.Path() + pnm, picture);
    ASSERT_TRUE(image_test::RunTool(dir_, "ppm2tiff -c none " + pnm.substr(1) + " picture.tif"));
    const Bytes tiff = image_test::ReadFile(dir_.Path() + "/picture.tif");
    host_.SendRecord(Record(0x03, Wssf(ControlField(flags1))));
    for (size_t at = 0; at < tiff.size(); at += 8000) {
      const size_t n = std::min<size_t>(8000, tiff.size() - at);
      host_.SendRecord(Record(
          0x03, Wssf(DownloadField(Bytes(tiff.begin() + long(at), tiff.begin() + long(at + n)), at + n >= tiff.size()))));
    }
    ASSERT_TRUE(host_.Barrier(kWaitMs, HostPump()));
    SessionImages* images = ImagesOfSession(block_);
    ASSERT_NE(images, nullptr);
    ASSERT_NE(images->window(), nullptr) << "the image is shown";
    ASSERT_TRUE(images->store().hasImage);
    ASSERT_EQ(images->store().description.width, picture.width);
  }

  // The last printer, kept as if chosen the time before.
  void LastPrinter(const char* queue, unsigned char type, unsigned char orientation = 1, unsigned char pageSize = 1,
                   unsigned char resolution = 1) {
    LocalPrintSettings last;
    last.printerType = type;
    last.orientation = orientation;
    last.pageSize = pageSize;
    last.resolution = resolution;
    last.queue = queue;
    last.server = "localhost";
    ASSERT_TRUE(WriteLocalPrintConfig(home_.Path(), last));
  }

  LocalPrint* OpenTheDialog() {
    Widget item = XtNameToWidget(block_->xstuff.shell(), "*localButton");
    EXPECT_NE(item, nullptr);
    if (!item) return nullptr;
    XmAnyCallbackStruct cbs = {};
    cbs.reason = XmCR_ACTIVATE;
    XtCallCallbacks(item, XmNactivateCallback, &cbs);
    LocalPrint* print = block_->xstuff.localPrint();
    EXPECT_NE(print, nullptr);
    if (!print || !print->dialog()) return nullptr;
    EXPECT_TRUE(RunUntil([&] { return XtIsRealized(print->dialog()) && XtIsManaged(print->dialog()); }));
    return print;
  }
  Widget Named(LocalPrint* print, const char* name) {
    Widget w = XtNameToWidget(print->dialog(), name);
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
  // The user sets a toggle of the dialog.
  void Set(LocalPrint* print, const char* name) {
    Widget w = Named(print, name);
    ASSERT_NE(w, nullptr);
    ASSERT_TRUE(XtIsSensitive(w)) << name;
    XmToggleButtonSetState(w, True, True);
  }
  void Activate(LocalPrint* print, const char* name) {
    Widget w = Named(print, name);
    ASSERT_NE(w, nullptr);
    XmAnyCallbackStruct cbs = {};
    cbs.reason = XmCR_ACTIVATE;
    XtCallCallbacks(w, XmNactivateCallback, &cbs);
  }
  static bool Shown(Widget w) { return w && XtIsManaged(w) && XtIsSensitive(w); }

  // Prints and returns the job as it arrived in the queue's file.
  std::string PrintInto(LocalPrint* print, const std::string& queue) {
    const int before = cups_->CompletedJobs(queue);
    Activate(print, "*startBtn");
    EXPECT_EQ(print->dialogState(), 0);
    EXPECT_EQ(print->lastResult(), PrintHandoffResult::Started);
    EXPECT_TRUE(cups_->WaitForCompletedJobs(queue, before + 1)) << cups_->ErrorLog();
    const std::string job = printtest::ReadWholeFile(cups_->OutputOf(queue));
    EXPECT_EQ(job.size(), print->lastJobSize());
    return job;
  }

  // The job rendered by Ghostscript at `dpi` on a Letter page.
  Pnm Render(const std::string& job, const char* device, int dpi) {
    image_test::WriteBytes(dir_.Path() + "/job.ps", Bytes(job.begin(), job.end()));
    const std::string size = std::to_string(17 * dpi / 2) + "x" + std::to_string(11 * dpi);
    EXPECT_TRUE(image_test::RunTool(dir_, std::string("gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=") + device + " -r" +
                                              std::to_string(dpi) + " -g" + size +
                                              " -sOutputFile=page.pnm job.ps"));
    return image_test::ReadPnm(dir_.Path() + "/page.pnm");
  }

  qwtest::TempDir dir_;
};

TEST_F(ImagePrintSessionTest, FaxPagePrintsOnAPostscriptPrinterAsShown) {
  const Pnm page = image_test::TestPage(270, 180);
  ShowPicture(page);
  LastPrinter("proof", 1);
  LocalPrint* print = OpenTheDialog();
  ASSERT_NE(print, nullptr);
  ASSERT_TRUE(print->imagePresent());
  EXPECT_FALSE(print->imageIsColour());
  // Text is chosen first; the image rows wait for the image choice. A
  // black-and-white picture has no colour row; PostScript no resolution.
  EXPECT_TRUE(XmToggleButtonGetState(Named(print, "*localPrintPrintSelectionTextButton")));
  EXPECT_FALSE(XtIsSensitive(Named(print, "*localPrintPageSizeMenu")));
  Set(print, "*localPrintPrintSelectionImageButton");
  EXPECT_EQ(print->settings().printSelection, 2);
  EXPECT_TRUE(Shown(Named(print, "*localPrintPageSizeMenu")));
  EXPECT_FALSE(Shown(Named(print, "*localPrintImageColorSupportRadioBox")));
  EXPECT_FALSE(XtIsSensitive(Named(print, "*localPrintDPIMenu")));

  const std::string job = PrintInto(print, "proof");
  ASSERT_EQ(job.rfind("%!PS-Adobe-2.0 EPSF-2.0", 0), 0u) << job.substr(0, 80);
  // Letter portrait: 540 x 720 points inside the margins; the 3:2 picture
  // fills the width (540 x 360) and hangs from the top margin.
  const Pnm rendered = Render(job, "pbmraw", 144);
  ASSERT_EQ(rendered.width, 1224u);
  EXPECT_GT(ComparePage(rendered, page, {36, 396, 540, 360, false}, 144), 700000);

  // The image choice is kept with the printer for the next print.
  LocalPrintSettings kept;
  ASSERT_TRUE(ReadLocalPrintConfig(home_.Path(), kept));
  EXPECT_EQ(kept.printSelection, 2);
  EXPECT_EQ(kept.queue, "proof");
}

TEST_F(ImagePrintSessionTest, InverseFaxPagePrintsInverse) {
  const Pnm page = image_test::TestPage(270, 180, 7);
  ShowPicture(page, 0x80 | 0x02);
  LastPrinter("proof", 1);
  LocalPrint* print = OpenTheDialog();
  ASSERT_NE(print, nullptr);
  Set(print, "*localPrintPrintSelectionImageButton");
  const std::string job = PrintInto(print, "proof");
  const Pnm rendered = Render(job, "pbmraw", 72);
  EXPECT_GT(ComparePage(rendered, page, {36, 396, 540, 360, false}, 72, true), 100000);
}

TEST_F(ImagePrintSessionTest, ColourPicturePrintsLandscapeOnAPostscriptPrinter) {
  const Pnm picture = image_test::ColourPicture(135, 90);
  ShowPicture(picture);
  LastPrinter("proof", 1, 2);
  LocalPrint* print = OpenTheDialog();
  ASSERT_NE(print, nullptr);
  EXPECT_TRUE(print->imageIsColour());
  Set(print, "*localPrintPrintSelectionImageButton");
  // A colour picture offers colour.
  EXPECT_TRUE(Shown(Named(print, "*localPrintImageColorSupportRadioBox")));
  EXPECT_TRUE(Shown(Named(print, "*localPrintImageColorSupportTrueButton")));
  Set(print, "*localPrintImageColorSupportTrueButton");
  EXPECT_EQ(print->settings().colour, 1);
  EXPECT_EQ(print->settings().orientation, 2);

  const std::string job = PrintInto(print, "proof");
  ASSERT_NE(job.find("false 3 colorimage"), std::string::npos);
  // Letter landscape: 720 x 540 points across the turned page; the picture
  // fills 720 of them and is turned into a 480 x 720 box at the margins.
  const Pnm rendered = Render(job, "ppmraw", 72);
  ASSERT_EQ(rendered.kind, '6');
  EXPECT_GT(ComparePage(rendered, picture, {36, 36, 480, 720, true}, 72), 100000);
}

// A bit of a PCL raster row.
bool RasterBit(const std::string& row, int x) {
  const size_t byte = static_cast<size_t>(x / 8);
  return byte < row.size() && ((static_cast<unsigned char>(row[byte]) >> (7 - x % 8)) & 1);
}

TEST_F(ImagePrintSessionTest, FaxPagePrintsOnAPclPrinterAtTheChosenPageAndResolution) {
  const Pnm page = image_test::TestPage(270, 180, 3);
  ShowPicture(page);
  LastPrinter("laser", 3);
  LocalPrint* print = OpenTheDialog();
  ASSERT_NE(print, nullptr);
  EXPECT_EQ(print->settings().queue, "laser");
  Set(print, "*localPrintPrintSelectionImageButton");
  // PCL chooses the resolution.
  EXPECT_TRUE(Shown(Named(print, "*localPrintDPIMenu")));
  Activate(print, "*pageSize3");  // A4
  Activate(print, "*DPI2");       // 100 dpi
  EXPECT_EQ(print->settings().pageSize, 3);
  EXPECT_EQ(print->settings().resolution, 2);

  const std::string job = PrintInto(print, "laser");
  std::vector<printtest::PclItem> items;
  std::string error;
  ASSERT_TRUE(printtest::ParsePcl(job, items, &error)) << error;
  std::string paper, dpi, rasterWidth, rasterHeight;
  std::vector<std::string> rows;
  std::string mode = "0";
  for (const printtest::PclItem& item : items) {
    if (item.kind == printtest::PclItem::Escape) {
      if (item.group == "&l" && item.terminator == 'A') paper = item.value;
      if (item.group == "*t" && item.terminator == 'R') dpi = item.value;
      if (item.group == "*r" && item.terminator == 'S') rasterWidth = item.value;
      if (item.group == "*r" && item.terminator == 'T') rasterHeight = item.value;
      if (item.group == "*b" && item.terminator == 'M') mode = item.value;
    } else if (item.kind == printtest::PclItem::Raster) {
      rows.push_back(mode == "1" ? printtest::ExpandPclRunLength(item.data) : item.data);
    }
  }
  EXPECT_EQ(paper, "26") << "A4";
  EXPECT_EQ(dpi, "100");
  // A4 less 0.3 inch a side at 100 dpi: 766 x 1109 dots; the 3:2 page
  // fills the width at 283 %, 180 rows become 509.
  const int width = 766, scale = 283, height = 180 * scale / 100;
  EXPECT_EQ(rasterWidth, std::to_string(width));
  EXPECT_EQ(rasterHeight, std::to_string(height));
  ASSERT_EQ(rows.size(), static_cast<size_t>(height));
  int compared = 0, wrong = 0;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const double sx = x * 100.0 / scale, sy = y * 100.0 / scale;
      // Each output dot takes the nearest picture pixel.
      if (std::fabs(sx - std::floor(sx) - 0.5) < 0.1 || std::fabs(sy - std::floor(sy) - 0.5) < 0.1) continue;
      const unsigned int px = std::min(269u, static_cast<unsigned int>(std::lround(sx)));
      const unsigned int py = std::min(179u, static_cast<unsigned int>(std::lround(sy)));
      ++compared;
      if (RasterBit(rows[size_t(y)], x) != page.bit(px, py) && ++wrong <= 5)
        ADD_FAILURE() << "dot " << x << "," << y;
    }
  EXPECT_EQ(wrong, 0);
  EXPECT_GT(compared, 200000);

  // The next time the dialog shows the image choice, page and resolution
  // kept from this print.
  print = OpenTheDialog();
  ASSERT_NE(print, nullptr);
  EXPECT_TRUE(XmToggleButtonGetState(Named(print, "*localPrintPrintSelectionImageButton")));
  Widget shown = nullptr;
  XtVaGetValues(Named(print, "*localPrintDPIMenu"), XmNmenuHistory, &shown, nullptr);
  EXPECT_EQ(shown, Named(print, "*DPI2"));
  XtVaGetValues(Named(print, "*localPrintPageSizeMenu"), XmNmenuHistory, &shown, nullptr);
  EXPECT_EQ(shown, Named(print, "*pageSize3"));
  Activate(print, "*cancelBtn");
  EXPECT_EQ(print->dialogState(), 0);
}

TEST_F(ImagePrintSessionTest, ColourPicturePrintsInColourOnAPclPrinter) {
  const Pnm picture = image_test::ColourPicture(135, 90);
  ShowPicture(picture);
  LastPrinter("laser", 3);
  LocalPrint* print = OpenTheDialog();
  ASSERT_NE(print, nullptr);
  Set(print, "*localPrintPrintSelectionImageButton");
  Set(print, "*localPrintImageColorSupportTrueButton");
  const std::string job = PrintInto(print, "laser");
  std::vector<printtest::PclItem> items;
  std::string error;
  ASSERT_TRUE(printtest::ParsePcl(job, items, &error)) << error;
  // Direct colour, eight bits a component; the picture's own rows, which
  // the printer scales.
  std::vector<std::string> rows;
  bool direct = false;
  for (const printtest::PclItem& item : items) {
    if (item.kind == printtest::PclItem::Raster) rows.push_back(item.data);
    if (item.kind == printtest::PclItem::Escape && item.group == "*v" && item.terminator == 'W')
      direct = item.data == std::string("\x00\x03\x08\x08\x08\x08", 6);
  }
  EXPECT_TRUE(direct);
  ASSERT_EQ(rows.size(), 90u);
  for (unsigned int y = 0; y < 90; ++y)
    ASSERT_EQ(rows[y], std::string(reinterpret_cast<const char*>(&picture.data[y * 135 * 3]), 135 * 3)) << "row " << y;
}

TEST_F(ImagePrintSessionTest, ImageErasedWhileTheDialogIsOpenPrintsTheScreen) {
  ShowPicture(image_test::TestPage(270, 180));
  LastPrinter("proof", 1);
  LocalPrint* print = OpenTheDialog();
  ASSERT_NE(print, nullptr);
  Set(print, "*localPrintPrintSelectionImageButton");
  // The host clears the screen and writes text: the image goes.
  host_.SendRecord(Record(0x03, Cat({B({0x04, 0x40}), B({0x04, 0x11, 0x00, 0x08}), B({0x11, 2, 10}), B({0x20}),
                                     Ebcdic("No picture now")}),
                          0, 0x40));
  ASSERT_TRUE(host_.Barrier(kWaitMs, HostPump()));
  ASSERT_EQ(ImagesOfSession(block_)->window(), nullptr);
  const std::string job = PrintInto(print, "proof");
  EXPECT_EQ(job.rfind("%!PS-Adobe\n", 0), 0u) << "the screen's text job";
  EXPECT_NE(job.find("No picture now"), std::string::npos);
}

TEST_F(ImagePrintSessionTest, TextPrinterOffersNoImageAndTextStillPrints) {
  ShowPicture(image_test::TestPage(270, 180));
  LastPrinter("lines", 2);
  LocalPrint* print = OpenTheDialog();
  ASSERT_NE(print, nullptr);
  ASSERT_TRUE(print->imagePresent());
  EXPECT_FALSE(XtIsSensitive(Named(print, "*localPrintPrintSelectionImageButton")));
  EXPECT_TRUE(XmToggleButtonGetState(Named(print, "*localPrintPrintSelectionTextButton")));
  EXPECT_FALSE(XtIsSensitive(Named(print, "*localPrintPageSizeMenu")));
  const std::string job = PrintInto(print, "lines");
  EXPECT_NE(job.find("Picture of the day"), std::string::npos);
}

// The text of a label widget.
std::string LabelText(Widget w) {
  XmString s = nullptr;
  XtVaGetValues(w, XmNlabelString, &s, nullptr);
  char* text = s ? static_cast<char*>(XmStringUnparse(s, nullptr, XmCHARSET_TEXT, XmCHARSET_TEXT, nullptr, 0,
                                                      XmOUTPUT_ALL))
                 : nullptr;
  std::string result = text ? text : "";
  XtFree(text);
  XmStringFree(s);
  return result;
}

TEST_F(ImagePrintSessionTest, WithoutAnImageTheDialogHasNoImageRows) {
  // The session's menus in colours of their own.
  Widget bar = XtNameToWidget(block_->xstuff.shell(), "*menuBar");
  ASSERT_NE(bar, nullptr);
  XColor blue, yellow, exact;
  Colormap map = DefaultColormapOfScreen(XtScreen(bar));
  ASSERT_TRUE(XAllocNamedColor(XtDisplay(bar), map, "SteelBlue", &blue, &exact));
  ASSERT_TRUE(XAllocNamedColor(XtDisplay(bar), map, "yellow", &yellow, &exact));
  XtVaSetValues(bar, XmNbackground, blue.pixel, XmNforeground, yellow.pixel, nullptr);

  LocalPrint* print = OpenTheDialog();
  ASSERT_NE(print, nullptr);
  EXPECT_FALSE(print->imagePresent());
  EXPECT_EQ(XtNameToWidget(print->dialog(), "*localPrintPrintSelectionRadioBox"), nullptr);
  EXPECT_EQ(XtNameToWidget(print->dialog(), "*localPrintPageSizeMenu"), nullptr);

  // A printer of this host is named with the local designator, one of a
  // print server with the delineator and the server's name.
  EXPECT_EQ(LabelText(Named(print, "*localPrintPrinterValue")), "proof (this computer)");
  print->setPrinterInfo("accounts", "printhost", "pcl", "N", "Accounts");
  EXPECT_EQ(LabelText(Named(print, "*localPrintPrinterValue")), "accounts on printhost");

  // The dialog takes the session's menu colours; buttons arm in the
  // colour Motif derives from them.
  Pixel background = 0, foreground = 0, arm = 0, buttonBackground = 0, buttonForeground = 0;
  XtVaGetValues(bar, XmNbackground, &background, XmNforeground, &foreground, nullptr);
  Widget start = Named(print, "*startBtn");
  XtVaGetValues(start, XmNbackground, &buttonBackground, XmNforeground, &buttonForeground, XmNarmColor, &arm,
                nullptr);
  ASSERT_EQ(background, blue.pixel);
  EXPECT_EQ(buttonBackground, background);
  EXPECT_EQ(buttonForeground, foreground);
  Pixel fg = 0, top = 0, bottom = 0, select = 0;
  XmGetColors(XtScreen(start), DefaultColormapOfScreen(XtScreen(start)), background, &fg, &top, &bottom, &select);
  EXPECT_EQ(arm, select);
  Pixel formBackground = 0;
  XtVaGetValues(print->dialog(), XmNbackground, &formBackground, nullptr);
  EXPECT_EQ(formBackground, background);
}

}  // namespace
