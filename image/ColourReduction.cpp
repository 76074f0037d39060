#include "image/ColourReduction.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "base/LogMsg.h"

namespace colour_reduction {

namespace {

// Histogram cells: red and blue at 5 bits, green at 6.
constexpr int kRedCells = 32, kGreenCells = 64, kBlueCells = 32;
constexpr unsigned int kCells = kRedCells * kGreenCells * kBlueCells;
// Weights of the components in distances: the extent of a cell in
// component units times 2, 3 and 1.
constexpr int kRedScale = 16, kGreenScale = 12, kBlueScale = 8;

inline unsigned int Cell(int r, int g, int b) {
  return (static_cast<unsigned int>(r) << 11) | (static_cast<unsigned int>(g) << 5) | static_cast<unsigned int>(b);
}
inline int RedCentre(int r) { return 8 * r + 4; }
inline int GreenCentre(int g) { return 4 * g + 2; }
inline int BlueCentre(int b) { return 8 * b + 4; }

struct Box {
  int r0, r1, g0, g1, b0, b1;
  long volume;
  long colours;
};

// The error limit for -255..255, built once.
const int* ErrorLimitTable() {
  static const std::vector<int> table = [] {
    std::vector<int> t(511);
    for (int e = 0; e <= 255; ++e) {
      const int limit = e < 16 ? e : e < 48 ? 16 + (e - 16) / 2 : 32;
      t[255 + e] = limit;
      t[255 - e] = -limit;
    }
    return t;
  }();
  return table.data() + 255;
}

class MedianCut {
 public:
  explicit MedianCut(uint16_t* histogram) : hist_(histogram) {}

  void updateBox(Box& b) const {
    // Shrink each side to the cells that hold pixels.
    auto occupied = [&](int r0, int r1, int g0, int g1, int b0, int b1) {
      for (int r = r0; r <= r1; ++r)
        for (int g = g0; g <= g1; ++g)
          for (int c = b0; c <= b1; ++c)
            if (hist_[Cell(r, g, c)]) return true;
      return false;
    };
    while (b.r0 < b.r1 && !occupied(b.r0, b.r0, b.g0, b.g1, b.b0, b.b1)) ++b.r0;
    while (b.r1 > b.r0 && !occupied(b.r1, b.r1, b.g0, b.g1, b.b0, b.b1)) --b.r1;
    while (b.g0 < b.g1 && !occupied(b.r0, b.r1, b.g0, b.g0, b.b0, b.b1)) ++b.g0;
    while (b.g1 > b.g0 && !occupied(b.r0, b.r1, b.g1, b.g1, b.b0, b.b1)) --b.g1;
    while (b.b0 < b.b1 && !occupied(b.r0, b.r1, b.g0, b.g1, b.b0, b.b0)) ++b.b0;
    while (b.b1 > b.b0 && !occupied(b.r0, b.r1, b.g0, b.g1, b.b1, b.b1)) --b.b1;
    const long dr = (b.r1 - b.r0) * kRedScale, dg = (b.g1 - b.g0) * kGreenScale, db = (b.b1 - b.b0) * kBlueScale;
    b.volume = dr * dr + dg * dg + db * db;
    long n = 0;
    for (int r = b.r0; r <= b.r1; ++r)
      for (int g = b.g0; g <= b.g1; ++g)
        for (int c = b.b0; c <= b.b1; ++c)
          if (hist_[Cell(r, g, c)]) ++n;
    b.colours = n;
  }

  // Splits boxes until there are `wanted` or none can be split.
  void selectColours(std::vector<Box>& boxes, unsigned int wanted) const {
    boxes.clear();
    boxes.reserve(wanted);
    boxes.push_back(Box{0, kRedCells - 1, 0, kGreenCells - 1, 0, kBlueCells - 1, 0, 0});
    updateBox(boxes[0]);
    while (boxes.size() < wanted) {
      Box* pick = nullptr;
      if (boxes.size() * 2 <= wanted) {
        long best = 0;
        for (Box& b : boxes)
          if (b.volume > 0 && b.colours > best) {
            best = b.colours;
            pick = &b;
          }
      } else {
        long best = 0;
        for (Box& b : boxes)
          if (b.volume > best) {
            best = b.volume;
            pick = &b;
          }
      }
      if (!pick) break;
      Box& b1 = *pick;
      Box b2 = b1;
      const long er = (b1.r1 - b1.r0) * kRedScale, eg = (b1.g1 - b1.g0) * kGreenScale,
                 eb = (b1.b1 - b1.b0) * kBlueScale;
      int axis = 1;
      long most = eg;
      if (er > most) {
        axis = 0;
        most = er;
      }
      if (eb > most) axis = 2;
      switch (axis) {
        case 0: {
          const int mid = (b1.r0 + b1.r1) / 2;
          b1.r1 = mid;
          b2.r0 = mid + 1;
          break;
        }
        case 1: {
          const int mid = (b1.g0 + b1.g1) / 2;
          b1.g1 = mid;
          b2.g0 = mid + 1;
          break;
        }
        default: {
          const int mid = (b1.b0 + b1.b1) / 2;
          b1.b1 = mid;
          b2.b0 = mid + 1;
          break;
        }
      }
      updateBox(b1);
      updateBox(b2);
      boxes.push_back(b2);  // after the last use of b1
    }
  }

  // The pixel-weighted mean of the box's cell centres.
  void computeColour(const Box& b, uint8_t* rgb) const {
    unsigned long total = 0, sr = 0, sg = 0, sb = 0;
    for (int r = b.r0; r <= b.r1; ++r)
      for (int g = b.g0; g <= b.g1; ++g)
        for (int c = b.b0; c <= b.b1; ++c) {
          const unsigned long n = hist_[Cell(r, g, c)];
          total += n;
          sr += n * static_cast<unsigned long>(RedCentre(r));
          sg += n * static_cast<unsigned long>(GreenCentre(g));
          sb += n * static_cast<unsigned long>(BlueCentre(c));
        }
    if (total == 0) {
      rgb[0] = static_cast<uint8_t>(RedCentre((b.r0 + b.r1) / 2));
      rgb[1] = static_cast<uint8_t>(GreenCentre((b.g0 + b.g1) / 2));
      rgb[2] = static_cast<uint8_t>(BlueCentre((b.b0 + b.b1) / 2));
      return;
    }
    rgb[0] = static_cast<uint8_t>((sr + total / 2) / total);
    rgb[1] = static_cast<uint8_t>((sg + total / 2) / total);
    rgb[2] = static_cast<uint8_t>((sb + total / 2) / total);
  }

 private:
  uint16_t* hist_;
};

inline long Distance(int dr, int dg, int db) {
  const long r = 2L * dr, g = 3L * dg, b = db;
  return r * r + g * g + b * b;
}

// The inverse colour map, filled a group of 4 x 8 x 4 cells at a time.
class InverseMap {
 public:
  InverseMap(uint16_t* cells, const uint8_t* map, unsigned int colours)
      : cells_(cells), map_(map), colours_(colours) {}

  unsigned int lookup(int r, int g, int b) {
    uint16_t& cell = cells_[Cell(r >> 3, g >> 2, b >> 3)];
    if (cell == 0) fill(r >> 3, g >> 2, b >> 3);
    return cell - 1u;
  }

 private:
  void fill(int cr, int cg, int cb) {
    const int r0 = cr & ~3, g0 = cg & ~7, b0 = cb & ~3;
    const int rLo = RedCentre(r0), rHi = RedCentre(r0 + 3);
    const int gLo = GreenCentre(g0), gHi = GreenCentre(g0 + 7);
    const int bLo = BlueCentre(b0), bHi = BlueCentre(b0 + 3);
    // The colours that can be nearest to some cell of the group: those
    // whose nearest distance to the group is within the smallest farthest
    // distance of any colour.
    long minMax = -1;
    long minDist[256];
    for (unsigned int i = 0; i < colours_; ++i) {
      const int r = map_[3 * i], g = map_[3 * i + 1], b = map_[3 * i + 2];
      auto near = [](int v, int lo, int hi) { return v < lo ? lo - v : v > hi ? v - hi : 0; };
      auto far = [](int v, int lo, int hi) { return std::max(std::abs(v - lo), std::abs(v - hi)); };
      minDist[i] = Distance(near(r, rLo, rHi), near(g, gLo, gHi), near(b, bLo, bHi));
      const long maxDist = Distance(far(r, rLo, rHi), far(g, gLo, gHi), far(b, bLo, bHi));
      if (minMax < 0 || maxDist < minMax) minMax = maxDist;
    }
    unsigned char candidates[256];
    unsigned int n = 0;
    for (unsigned int i = 0; i < colours_; ++i)
      if (minDist[i] <= minMax) candidates[n++] = static_cast<unsigned char>(i);
    for (int r = r0; r < r0 + 4; ++r)
      for (int g = g0; g < g0 + 8; ++g)
        for (int b = b0; b < b0 + 4; ++b) {
          long best = -1;
          unsigned int bestIndex = 0;
          for (unsigned int k = 0; k < n; ++k) {
            const unsigned int i = candidates[k];
            const long d = Distance(RedCentre(r) - map_[3 * i], GreenCentre(g) - map_[3 * i + 1],
                                    BlueCentre(b) - map_[3 * i + 2]);
            if (best < 0 || d < best) {
              best = d;
              bestIndex = i;
            }
          }
          cells_[Cell(r, g, b)] = static_cast<uint16_t>(bestIndex + 1);
        }
  }

  uint16_t* cells_;
  const uint8_t* map_;
  unsigned int colours_;
};

}  // namespace

int LimitError(int e) { return ErrorLimitTable()[std::clamp(e, -255, 255)]; }

int Convert24to8Slow(const uint8_t* pixels, unsigned int width, unsigned int height, unsigned int bytesPerLine,
                     uint8_t* out, uint8_t* red, uint8_t* green, uint8_t* blue, unsigned int colours,
                     unsigned int* used) {
  colours = std::clamp(colours, 1u, 256u);
  std::unique_ptr<uint16_t[]> hist(new (std::nothrow) uint16_t[kCells]);
  // Errors of the row being dithered and of the next, three components per
  // pixel, two pixels beyond each end.
  const size_t rowWords = (static_cast<size_t>(width) + 4) * 3;
  std::unique_ptr<int[]> errors(new (std::nothrow) int[2 * rowWords]);
  if (!hist || !errors) {
    LogMsg(LevelError, "image: Convert24to8Slow() - failed to allocate workspace\n");
    return 1;
  }
  const int* limit = ErrorLimitTable();

  std::memset(hist.get(), 0, kCells * sizeof(uint16_t));
  for (unsigned int y = 0; y < height; ++y) {
    const uint8_t* p = pixels + static_cast<size_t>(y) * bytesPerLine;
    for (unsigned int x = 0; x < width; ++x, p += 3) {
      uint16_t& c = hist[Cell(p[0] >> 3, p[1] >> 2, p[2] >> 3)];
      if (c != 0xFFFF) ++c;
    }
  }

  MedianCut cut(hist.get());
  std::vector<Box> boxes;
  cut.selectColours(boxes, colours);
  uint8_t map[768] = {};
  for (size_t i = 0; i < boxes.size(); ++i) cut.computeColour(boxes[i], map + 3 * i);
  const unsigned int count = static_cast<unsigned int>(boxes.size());
  for (unsigned int i = 0; i < 256; ++i) {
    red[i] = map[3 * i];
    green[i] = map[3 * i + 1];
    blue[i] = map[3 * i + 2];
  }
  if (used) *used = count;

  // The histogram becomes the inverse map.
  std::memset(hist.get(), 0, kCells * sizeof(uint16_t));
  InverseMap inverse(hist.get(), map, count);
  int* thisRow = errors.get();
  int* nextRow = errors.get() + rowWords;
  std::memset(thisRow, 0, rowWords * sizeof(int));
  for (unsigned int y = 0; y < height; ++y) {
    std::memset(nextRow, 0, rowWords * sizeof(int));
    const bool forward = (y & 1) == 0;
    const int step = forward ? 1 : -1;
    int x = forward ? 0 : static_cast<int>(width) - 1;
    int carry[3] = {0, 0, 0};  // the previous pixel's error, in component units
    const uint8_t* row = pixels + static_cast<size_t>(y) * bytesPerLine;
    uint8_t* dst = out + static_cast<size_t>(y) * width;
    for (unsigned int n = 0; n < width; ++n, x += step) {
      const size_t at = (static_cast<size_t>(x) + 2) * 3;
      int v[3];
      for (int k = 0; k < 3; ++k) {
        const int acc = thisRow[at + k] + 7 * carry[k];
        const int e = std::clamp((acc + 8) >> 4, -255, 255);
        v[k] = std::clamp(row[3 * x + k] + limit[e], 0, 255);
      }
      const unsigned int index = inverse.lookup(v[0], v[1], v[2]);
      dst[x] = static_cast<uint8_t>(index);
      for (int k = 0; k < 3; ++k) {
        const int err = v[k] - map[3 * index + k];
        nextRow[at - 3 * step + k] += 3 * err;
        nextRow[at + k] += 5 * err;
        nextRow[at + 3 * step + k] += err;
        carry[k] = err;
      }
    }
    std::swap(thisRow, nextRow);
  }
  return 0;
}

void Convert24to16(const uint8_t* pixels, unsigned int width, unsigned int height, unsigned int bytesPerLine,
                   uint8_t* out, uint8_t* red, uint8_t* green, uint8_t* blue) {
  for (unsigned int i = 0; i < 256; ++i) {
    red[i] = static_cast<uint8_t>(((i & 0xF8) * 255 + 124) / 248);
    green[i] = static_cast<uint8_t>(((i & 0xFC) * 255 + 126) / 252);
    blue[i] = 0;
  }
  for (unsigned int y = 0; y < height; ++y) {
    const uint8_t* p = pixels + static_cast<size_t>(y) * bytesPerLine;
    uint8_t* o = out + static_cast<size_t>(y) * width * 2;
    for (unsigned int x = 0; x < width; ++x, p += 3, o += 2) {
      const unsigned int g = p[1] & 0xFC;
      o[0] = static_cast<uint8_t>((p[0] & 0xF8) | (g >> 5));
      o[1] = static_cast<uint8_t>(((g << 3) & 0xE0) | (p[2] >> 3));
    }
  }
}

}  // namespace colour_reduction
