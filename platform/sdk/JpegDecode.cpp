#include "platform/sdk/JpegDecode.h"

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace {

struct ErrorManager {
  jpeg_error_mgr pub;
  jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

void OnError(j_common_ptr info) {
  auto* err = reinterpret_cast<ErrorManager*>(info->err);
  info->err->format_message(info, err->message);
  longjmp(err->jump, 1);
}

void OnMessage(j_common_ptr, int) {}  // warnings are not printed

// Everything that longjmp may skip lives outside this function's frame.
bool Decode(jpeg_decompress_struct* info, ErrorManager* err, const unsigned char* data, size_t size,
            JpegImage* image, const char** reason) {
  if (setjmp(err->jump)) {
    *reason = err->message;
    return false;
  }
  jpeg_create_decompress(info);
  jpeg_mem_src(info, data, static_cast<unsigned long>(size));
  if (jpeg_read_header(info, TRUE) != JPEG_HEADER_OK) {
    *reason = "no JPEG header";
    return false;
  }
  if (info->image_width == 0 || info->image_height == 0 || info->image_width > JpegMaxSide ||
      info->image_height > JpegMaxSide ||
      static_cast<unsigned long>(info->image_width) * info->image_height > JpegMaxPixels) {
    *reason = "the image is too large";
    return false;
  }
  info->out_color_space = JCS_RGB;
  jpeg_start_decompress(info);
  if (info->output_components != 3) {
    *reason = "unexpected colour components";
    return false;
  }
  image->width = static_cast<int>(info->output_width);
  image->height = static_cast<int>(info->output_height);
  image->rgb.resize(static_cast<size_t>(image->width) * image->height * 3);
  while (info->output_scanline < info->output_height) {
    JSAMPROW row = image->rgb.data() + static_cast<size_t>(info->output_scanline) * image->width * 3;
    jpeg_read_scanlines(info, &row, 1);
  }
  jpeg_finish_decompress(info);
  return true;
}

}  // namespace

bool DecodeJpeg(const unsigned char* data, size_t size, JpegImage* image, std::string* error) {
  *image = JpegImage();
  if (!data || size < 4) {
    if (error) *error = "too short for a JPEG";
    return false;
  }
  jpeg_decompress_struct info;
  ErrorManager err;
  info.err = jpeg_std_error(&err.pub);
  err.pub.error_exit = OnError;
  err.pub.emit_message = OnMessage;
  err.message[0] = 0;
  const char* reason = nullptr;
  const bool ok = Decode(&info, &err, data, size, image, &reason);
  jpeg_destroy_decompress(&info);
  if (!ok) {
    if (error) *error = reason ? reason : "unreadable JPEG";
    *image = JpegImage();
  }
  return ok;
}
