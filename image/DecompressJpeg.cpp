// Baseline JPEG: the markers up to the scan are checked here (only baseline
// sequential 8-bit frames of one or three components with sampling factors
// 1 or 2 and table ids 0-3 are accepted); the entropy decoding, inverse DCT,
// upsampling and colour conversion are libjpeg's.
#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <vector>

#include <jpeglib.h>

#include "base/LogMsg.h"
#include "image/Decompress.h"
#include "image/ImageAid.h"

namespace {

struct Frame {
  unsigned int width = 0, height = 0, components = 0;
  size_t heightAt = 0;  // where the frame header's height stands
  size_t scanAt = 0;    // the first SOS marker
};

unsigned int Get16(const uint8_t* p) { return (unsigned{p[0]} << 8) | p[1]; }

// Reads the markers from SOI to the first SOS. 0 on success, else the
// information code of the refusal.
uint16_t CheckMarkers(const uint8_t* data, size_t length, Frame* frame) {
  if (length < 4 || data[0] != 0xFF || data[1] != 0xD8) return image_aid::kGeneral;
  size_t at = 2;
  bool haveFrame = false;
  for (;;) {
    while (at < length && data[at] == 0xFF && at + 1 < length && data[at + 1] == 0xFF) ++at;  // fill bytes
    if (length - at < 4 || data[at] != 0xFF) return image_aid::kGeneral;
    const uint8_t marker = data[at + 1];
    if (marker == 0xD9) return image_aid::kGeneral;  // no scan
    const size_t n = Get16(data + at + 2);
    if (n < 2 || n > length - at - 2) return image_aid::kGeneral;
    const uint8_t* p = data + at + 4;
    const size_t body = n - 2;
    switch (marker) {
      case 0xC0: {
        if (body < 6) return image_aid::kGeneral;
        if (p[0] == 12) {
          if (DebugFlag()) LogMsg(LevelDebug, "image: 12 bit precision not yet supported\n");
          return image_aid::kGeneral;
        }
        if (p[0] != 8 || haveFrame) return image_aid::kGeneral;
        frame->height = Get16(p + 1);
        frame->heightAt = at + 5;
        frame->width = Get16(p + 3);
        frame->components = p[5];
        if ((frame->components != 1 && frame->components != 3) || body != 6 + 3 * size_t{frame->components})
          return image_aid::kGeneral;
        for (unsigned int c = 0; c < frame->components; ++c) {
          const uint8_t h = p[7 + 3 * c] >> 4, v = p[7 + 3 * c] & 0x0F, q = p[8 + 3 * c];
          if (h < 1 || h > 2 || v < 1 || v > 2 || q > 3) return image_aid::kGeneral;
        }
        haveFrame = true;
        break;
      }
      case 0xC1:
      case 0xC2:
        if (DebugFlag()) LogMsg(LevelDebug, "image: Extended Baseline Jpeg is not yet supported.\n");
        return image_aid::kGeneral;
      case 0xC3: case 0xC5: case 0xC6: case 0xC7: case 0xC9: case 0xCA: case 0xCB:
      case 0xCD: case 0xCE: case 0xCF:
        if (DebugFlag()) LogMsg(LevelDebug, "image: JPEG frame type 0x%X is not supported.\n", marker);
        return image_aid::kGeneral;
      case 0xDB:  // quantisation tables: precision and id, then 64 or 128 bytes
        for (size_t i = 0; i < body;) {
          const size_t size = (p[i] >> 4) ? 128 : 64;
          if ((p[i] >> 4) > 1 || (p[i] & 0x0F) > 3 || body - i - 1 < size) return image_aid::kGeneral;
          i += 1 + size;
        }
        break;
      case 0xC4:  // Huffman tables: class and id, 16 counts, the values
        for (size_t i = 0; i < body;) {
          if (body - i < 17 || (p[i] >> 4) > 1 || (p[i] & 0x0F) > 3) return image_aid::kGeneral;
          size_t values = 0;
          for (int k = 1; k <= 16; ++k) values += p[i + k];
          if (values > 256 || body - i - 17 < values) return image_aid::kGeneral;
          i += 17 + values;
        }
        break;
      case 0xDA:
        if (!haveFrame) return image_aid::kGeneral;
        frame->scanAt = at;
        return 0;
      default:
        break;  // APPn, COM, DRI and the rest are left to the library
    }
    at += 2 + n;
  }
}

struct ErrorManager {
  jpeg_error_mgr pub;
  jmp_buf jump;
};

void OnError(j_common_ptr info) {
  auto* err = reinterpret_cast<ErrorManager*>(info->err);
  if (DebugFlag()) {
    char message[JMSG_LENGTH_MAX];
    info->err->format_message(info, message);
    LogMsg(LevelDebug, "image: JPEG: %s\n", message);
  }
  longjmp(err->jump, 1);
}

void OnMessage(j_common_ptr, int) {}

// Everything longjmp may skip lives outside this frame.
bool Run(jpeg_decompress_struct* info, ErrorManager* err, const uint8_t* data, size_t length, const Frame& frame,
         uint8_t* pixels, bool greyBytes, uint8_t* greyRow) {
  if (setjmp(err->jump)) return false;
  jpeg_create_decompress(info);
  info->mem->max_memory_to_use = 64L << 20;
  jpeg_mem_src(info, data, static_cast<unsigned long>(length));
  if (jpeg_read_header(info, TRUE) != JPEG_HEADER_OK || info->progressive_mode || info->arith_code) return false;
  // The pixel buffer was sized from the frame header read above.
  if (info->image_width != frame.width || info->image_height != frame.height ||
      static_cast<unsigned int>(info->num_components) != frame.components)
    return false;
  info->out_color_space = info->num_components == 1 ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_start_decompress(info);
  const size_t width = info->output_width;
  const size_t stride = greyBytes ? width : 3 * width;
  while (info->output_scanline < info->output_height) {
    uint8_t* out = pixels + static_cast<size_t>(info->output_scanline) * stride;
    JSAMPROW row = greyRow ? greyRow : out;
    if (jpeg_read_scanlines(info, &row, 1) != 1) return false;
    if (greyRow)
      for (size_t x = 0; x < width; ++x) out[3 * x] = out[3 * x + 1] = out[3 * x + 2] = greyRow[x];
  }
  jpeg_finish_decompress(info);
  return true;
}

// A frame of height 0 takes its height from the DNL marker after the first
// scan: the offset of that marker, or 0 when the scan ends without one.
size_t FindDnl(const uint8_t* data, size_t length, const Frame& frame, unsigned int* height) {
  size_t at = frame.scanAt + 2 + Get16(data + frame.scanAt + 2);
  for (; at + 1 < length; ++at) {
    if (data[at] != 0xFF) continue;
    const uint8_t next = data[at + 1];
    if (next == 0x00 || next == 0xFF || (next >= 0xD0 && next <= 0xD7)) continue;  // stuffing, fill, restarts
    if (next != 0xDC || length - at < 6 || Get16(data + at + 2) != 4) return 0;
    *height = Get16(data + at + 4);
    return at;
  }
  return 0;
}

}  // namespace

int Decompress::DecompressJPEG(const uint8_t* data, size_t length) {
  Frame frame;
  if (!data) return fail(image_aid::kGeneral), 0;
  if (const uint16_t info = CheckMarkers(data, length, &frame)) return fail(info), 0;
  // The library has no DNL marker: the height it names goes into the frame
  // header of a copy, and the marker is left out of it.
  std::vector<uint8_t> withHeight;
  if (frame.height == 0) {
    unsigned int height = 0;
    const size_t dnl = FindDnl(data, length, frame, &height);
    if (!dnl || height == 0) return fail(image_aid::kGeneral), 0;
    withHeight.assign(data, data + dnl);
    withHeight.insert(withHeight.end(), data + dnl + 6, data + length);
    withHeight[frame.heightAt] = static_cast<uint8_t>(height >> 8);
    withHeight[frame.heightAt + 1] = static_cast<uint8_t>(height);
    frame.height = height;
    data = withHeight.data();
    length = withHeight.size();
  }
  if (frame.width == 0 || frame.height == 0) return fail(image_aid::kGeneral), 0;
  if (frame.width > kImageMaxWidth) return fail(image_aid::kSize), 0;
  const bool greyscale = frame.components == 1;
  const bool greyBytes = greyscale && depth_ == 8;
  const uint32_t bytesPerLine = greyBytes ? frame.width : 3 * frame.width;
  // Every row is written: data that ends early is completed by the library.
  if (!allocatePixels(bytesPerLine, frame.height, false)) return 0;

  jpeg_decompress_struct info;
  ErrorManager err;
  info.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = OnError;
  err.pub.emit_message = OnMessage;
  // Grey rows to be widened into triples pass through a row of their own.
  std::vector<uint8_t> greyRow(greyscale && !greyBytes ? frame.width : 0);
  const bool ok = Run(&info, &err, data, length, frame, pixels_->data(), greyBytes,
                      greyRow.empty() ? nullptr : greyRow.data());
  jpeg_destroy_decompress(&info);
  if (!ok) return fail(image_aid::kGeneral), 0;

  description_->width = static_cast<uint16_t>(frame.width);
  description_->height = static_cast<uint16_t>(frame.height);
  description_->bytesPerLine = bytesPerLine;
  description_->bitsPerPixel = greyBytes ? 8 : 24;
  description_->type = greyscale ? kImageGreyscale : kImageColour;
  return 1;
}
