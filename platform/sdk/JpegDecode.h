#pragma once
// JPEG files of the registry (splash images, icons) decoded to 8-bit RGB
// with libjpeg. Refuses images above a size bound instead of allocating
// whatever a header asks for.
#include <cstddef>
#include <string>
#include <vector>

struct JpegImage {
  int width = 0;
  int height = 0;
  std::vector<unsigned char> rgb;  // width * height * 3, rows top down
};

enum { JpegMaxSide = 8192, JpegMaxPixels = 16 * 1024 * 1024 };

// False with a reason in *error for anything that is not a readable JPEG
// within the bounds.
bool DecodeJpeg(const unsigned char* data, size_t size, JpegImage* image, std::string* error);
