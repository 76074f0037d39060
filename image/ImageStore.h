#pragma once
// The one decoded image a session keeps: it outlives the image object, so
// that a later control field with the same name (caching allowed) shows it
// again without a download. Held by the session's display device.
#include <cstdint>
#include <string>
#include <vector>

#include "image/ImageData.h"

struct ImageStore {
  bool named = false;  // a name is stored (names are compared exactly)
  std::string name;
  bool hasImage = false;  // a decoded image is stored
  image_data description;
  std::vector<uint8_t> pixels;
  uint8_t colourMap[768] = {};
  unsigned int colourCount = 0;
  uint32_t imageType = 0;
  // Image error AIDs sent since an image was last shown; from the fourth
  // on none is sent.
  unsigned char errorAids = 0;

  // Forgets the name, the image and its colours.
  void erase() {
    named = false;
    name.clear();
    hasImage = false;
    description = image_data();
    std::vector<uint8_t>().swap(pixels);
    colourCount = 0;
    imageType = 0;
  }
};
