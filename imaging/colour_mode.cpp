#include "imaging/colour_mode.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <vector>

#include "imaging/pixel_access.h"
#include "imaging/row_kernels.h"
#include "imaging/threshold.h"

namespace imaging {

namespace {

constexpr int kBoxShift = 6;  // boxes of 64 × 64 pixels
constexpr int kBox = 1 << kBoxShift;

// A threshold map cell of the adaptive threshold and its neighbour, with the
// weight of the neighbour in 1/128: the enlarged map samples the cells at
// their centres, so picture position p lies at cell (p + 0.5) / 64 − 0.5,
// which is (2p − 63) / 128 exactly. Positions before the first centre or
// after the last take the edge cell.
struct MapSample {
  int cell = 0;
  int next = 0;
  int weight = 0;
};

MapSample SampleAt(int position, int cells) {
  const int p = 2 * position - (kBox - 1);
  if (p <= 0) return {0, 0, 0};
  const int cell = p >> 7;
  if (cell >= cells - 1) return {cells - 1, cells - 1, 0};
  return {cell, cell + 1, p & 127};
}

// Picture columns first .. first + count − 1, which lie between the same two map cells.
struct ColumnStretch {
  int first = 0;
  int count = 0;
  int cell = 0;
  int next = 0;
};

// Threshold of every 64 × 64 box, bottom row of boxes first, each row from
// the left; the histograms also add up to the whole picture's. One box is
// counted at a time, so that its counts stay in the nearest cache.
std::vector<int> BoxThresholds(const Picture& grey, int boxColumns, int boxRows, GreyHistogram& whole) {
  std::vector<int> thresholds(static_cast<std::size_t>(boxColumns) * static_cast<std::size_t>(boxRows));
  // Eight counts per level, by column modulo 8: neighbours of equal grey
  // (most of a page) then do not wait on each other's increment.
  constexpr int kLanes = 8;
  std::array<std::array<std::uint32_t, 256>, kLanes> counts;
  whole.fill(0);
  for (int by = 0; by < boxRows; ++by) {
    const int yEnd = std::min((by + 1) * kBox, grey.Height());
    for (int bx = 0; bx < boxColumns; ++bx) {
      for (auto& lane : counts) lane.fill(0);
      const int xBegin = bx * kBox;
      const int xEnd = std::min(xBegin + kBox, grey.Width());
      for (int y = by * kBox; y < yEnd; ++y) {
        const std::uint8_t* row = grey.Row(y);
        int x = xBegin;
        // Eight pixels a step, one to each lane (the box starts at a multiple of 8).
        for (; x + kLanes <= xEnd; x += kLanes) {
          std::uint64_t eight;
          std::memcpy(&eight, row + x, sizeof eight);
          for (std::size_t lane = 0; lane < kLanes; ++lane, eight >>= 8) ++counts[lane][eight & 0xFF];
        }
        for (; x < xEnd; ++x) ++counts[static_cast<std::size_t>(x % kLanes)][row[x]];
      }
      GreyHistogram histogram;
      for (std::size_t level = 0; level < 256; ++level) {
        std::uint32_t count = 0;
        for (const auto& lane : counts) count += lane[level];
        histogram[level] = count;
        whole[level] += histogram[level];
      }
      thresholds[static_cast<std::size_t>(by) * static_cast<std::size_t>(boxColumns) + static_cast<std::size_t>(bx)] =
          SelectThreshold(histogram);
    }
  }
  return thresholds;
}

}  // namespace

bool ConvertToGrey(Picture& picture) {
  if (picture.Empty()) return false;
  if (picture.HasGreyPalette()) return true;  // the grey value of (i, i, i) is i
  const int width = picture.Width();
  const int height = picture.Height();
  if (picture.BitsPerPixel() == 1) {
    // One bit grows to a byte: into a new picture.
    Picture grey(width, height, 8);
    grey.SetDpiX(picture.DpiX());
    grey.SetDpiY(picture.DpiY());
    const std::uint8_t greyOf[2] = {GreyValue(picture.Palette()[0]), GreyValue(picture.Palette()[1])};
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) grey.Row(y)[x] = greyOf[detail::PixelAccess<1>::Get(picture.Row(y), x)];
    }
    picture = std::move(grey);
    return true;
  }
  // In place: every grey byte lands at or before the bytes it comes from,
  // which have been read by then.
  const std::size_t greyStride = RowStride(width, 8);
  std::uint8_t* greyRows = picture.Row(0);
  if (picture.BitsPerPixel() == 24) {
    for (int y = 0; y < height; ++y) {
      const std::uint8_t* src = picture.Row(y);
      kernels::BgrToGrey(src, greyRows + static_cast<std::size_t>(y) * greyStride, width);
    }
  } else {
    std::array<std::uint8_t, 256> greyOf{};
    for (std::size_t i = 0; i < 256; ++i) greyOf[i] = GreyValue(picture.Palette()[i]);
    for (int y = 0; y < height; ++y) {
      std::uint8_t* row = picture.Row(y);
      for (int x = 0; x < width; ++x) row[x] = greyOf[row[x]];
    }
  }
  picture.ShrinkInPlace(width, height, 8);
  picture.SetPalette(GreyPalette());
  picture.ClearPadding();
  return true;
}

bool ConvertToBlackWhite(Picture& picture) {
  if (!ConvertToGrey(picture)) return false;
  const int width = picture.Width();
  const int height = picture.Height();
  const int boxColumns = (width + kBox - 1) / kBox;
  const int boxRows = (height + kBox - 1) / kBox;

  GreyHistogram whole;
  std::vector<int> map = BoxThresholds(picture, boxColumns, boxRows, whole);
  const int global = SelectThreshold(whole);
  // Balance 0.5 between box and picture, bias 0.
  for (int& cell : map) cell = std::clamp(static_cast<int>(std::trunc(0.5 * cell + 0.5 * global + 0.0)), 0, 255);

  // The columns in stretches between the same two cells, with each column's weight.
  std::vector<ColumnStretch> stretches;
  std::vector<std::uint8_t> columnWeights(static_cast<std::size_t>(width));
  for (int x = 0; x < width; ++x) {
    const MapSample column = SampleAt(x, boxColumns);
    columnWeights[static_cast<std::size_t>(x)] = static_cast<std::uint8_t>(column.weight);
    if (stretches.empty() || stretches.back().cell != column.cell || stretches.back().next != column.next) {
      stretches.push_back({x, 0, column.cell, column.next});
    }
    ++stretches.back().count;
  }
  // One map row blended vertically for the current picture row, in 1/128,
  // and enlarged to the row's thresholds.
  std::vector<int> blended(static_cast<std::size_t>(boxColumns));
  std::vector<std::uint8_t> thresholds(static_cast<std::size_t>(width));

  // In place, as the grey conversion: the bits of pixel x land at or before
  // its grey byte, and only once the bytes up to it have been read.
  const std::size_t bitStride = RowStride(width, 1);
  std::uint8_t* bitRows = picture.Row(0);
  for (int y = 0; y < height; ++y) {
    const MapSample row = SampleAt(y, boxRows);
    const int* lowerCells = &map[static_cast<std::size_t>(row.cell) * static_cast<std::size_t>(boxColumns)];
    const int* upperCells = &map[static_cast<std::size_t>(row.next) * static_cast<std::size_t>(boxColumns)];
    for (std::size_t i = 0; i < blended.size(); ++i) {
      blended[i] = lowerCells[i] * (128 - row.weight) + upperCells[i] * row.weight;
    }
    for (const ColumnStretch& stretch : stretches) {
      kernels::BlendThresholds(blended[static_cast<std::size_t>(stretch.cell)],
                               blended[static_cast<std::size_t>(stretch.next)],
                               &columnWeights[static_cast<std::size_t>(stretch.first)],
                               &thresholds[static_cast<std::size_t>(stretch.first)], stretch.count);
    }
    kernels::PackAbove(picture.Row(y), thresholds.data(), bitRows + static_cast<std::size_t>(y) * bitStride, width);
  }
  picture.ShrinkInPlace(width, height, 1);
  picture.ClearPadding();
  return true;
}

}  // namespace imaging
