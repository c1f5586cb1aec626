#include "capture/virtual/desk_look.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>

#include "capture/media_format.h"

namespace capture {

namespace {

// A deterministic hash of a pixel, for the grain's fine noise.
std::uint32_t Hash(std::uint32_t x, std::uint32_t y, std::uint32_t seed) {
  std::uint32_t h = x * 0x8da6b343u ^ y * 0xd8163841u ^ seed * 0xcb1ab31fu;
  h ^= h >> 13;
  h *= 0x5bd1e995u;
  return h ^ (h >> 15);
}

bool Numbers(const std::vector<std::string>& values, std::size_t first, std::size_t count, double* out,
             std::string& error) {
  for (std::size_t i = 0; i < count; ++i) {
    const std::string& text = values[first + i];
    char* end = nullptr;
    out[i] = std::strtod(text.c_str(), &end);
    if (text.empty() || end != text.c_str() + text.size() || !std::isfinite(out[i])) {
      error = "\"" + text + "\" is not a number";
      return false;
    }
  }
  return true;
}

bool Share(double value, double low, double high, const std::string& text, std::string& error) {
  if (value >= low && value <= high) return true;
  error =
      "\"" + text + "\" must lie from " + std::to_string(low).substr(0, 4) + " to " + std::to_string(high).substr(0, 4);
  return false;
}

bool Colour(const std::vector<std::string>& values, std::size_t first, Rgb& colour, std::string& error) {
  double channels[3];
  if (!Numbers(values, first, 3, channels, error)) return false;
  for (int i = 0; i < 3; ++i) {
    if (channels[i] < 0 || channels[i] > 255 || channels[i] != std::floor(channels[i])) {
      error = "\"" + values[first + static_cast<std::size_t>(i)] + "\" is not a whole number from 0 to 255";
      return false;
    }
  }
  colour = {static_cast<std::uint8_t>(channels[0]), static_cast<std::uint8_t>(channels[1]),
            static_cast<std::uint8_t>(channels[2])};
  return true;
}

bool Expect(const std::vector<std::string>& values, std::size_t low, std::size_t high, std::string& error) {
  if (values.size() >= low && values.size() <= high) return true;
  error = "expected " + std::to_string(low) + (low == high ? "" : " to " + std::to_string(high)) + " values, found " +
          std::to_string(values.size());
  return false;
}

// Wood: bands of lighter and darker grain across the frame that wander as
// they run, with a little noise; a factor around 1 for the desk's colour.
// The grain is tabulated in steps of 1/8 mm, the wander by column.
class WoodGrain {
 public:
  WoodGrain(std::uint32_t seed, double pixelsPerMm, std::int32_t width, std::int32_t height)
      : seed_(seed), pixelsPerMm_(pixelsPerMm) {
    const double phase = 0.37 * (seed % 97);
    const double period = 4.0 + (seed % 5);
    wander_.resize(static_cast<std::size_t>(std::max(0, width)));
    for (std::size_t x = 0; x < wander_.size(); ++x) {
      const double mm = (static_cast<double>(x) + 0.5) / pixelsPerMm;
      wander_[x] = 2.5 * std::sin(mm / 41.0 + phase) + 0.8 * std::sin(mm / 9.0 + 2 * phase);
    }
    // Positions from -kMargin to the frame's height in mm plus kMargin, wander included.
    const auto steps = static_cast<std::size_t>((height / pixelsPerMm + 2 * kMargin) * kSteps) + 2;
    band_.resize(steps);
    streak_.resize(steps);
    for (std::size_t i = 0; i < steps; ++i) {
      const double mm = static_cast<double>(i) / kSteps - kMargin;
      const double band = std::sin(2 * std::numbers::pi * mm / period);
      band_[i] = 0.06 * band * band * band;
      streak_[i] = 0.04 * std::sin(2 * std::numbers::pi * mm / (7.3 * period) + phase);
    }
  }
  double Factor(std::int32_t x, std::int32_t row) const {
    const double y = (row + 0.5) / pixelsPerMm_;
    const double wander = wander_[static_cast<std::size_t>(x)];
    const std::uint32_t noise = Hash(static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(row), seed_);
    return 0.93 + band_[Step(y + wander)] + streak_[Step(y + 0.5 * wander)] +
           (static_cast<double>(noise % 1000) / 1000.0 - 0.5) * 0.03;
  }

 private:
  static constexpr double kMargin = 4.0;  // more than the wander reaches
  static constexpr double kSteps = 8.0;
  std::size_t Step(double mm) const {
    return std::min(band_.size() - 1, static_cast<std::size_t>(std::max(0.0, (mm + kMargin) * kSteps)));
  }
  std::uint32_t seed_;
  double pixelsPerMm_;
  std::vector<double> wander_, band_, streak_;
};

std::uint8_t Scaled(std::uint8_t value, double factor) {
  return static_cast<std::uint8_t>(std::clamp(value * factor + 0.5, 0.0, 255.0));
}

// How much of a shadow covers desk point (x, y) mm: 1 inside, falling to 0
// over a soft edge of 8 mm.
double ShadowCover(const DeskShadow& shadow, double x, double y) {
  constexpr double kSoft = 8.0;
  const double dx = std::abs(x - shadow.x) - shadow.width / 2;
  const double dy = std::abs(y - shadow.y) - shadow.height / 2;
  const double outside = std::max(dx, dy);
  return std::clamp(0.5 - outside / kSoft, 0.0, 1.0);
}

}  // namespace

bool IsDeskLookLine(std::string_view keyword) {
  return keyword == "wood" || keyword == "object" || keyword == "shadow" || keyword == "vignette" ||
         keyword == "light" || keyword == "perspective";
}

bool ReadDeskLookLine(std::string_view keyword, const std::vector<std::string>& values, DeskLook& look,
                      std::string& error) {
  double v[5] = {};
  if (keyword == "wood") {
    if (!Expect(values, 0, 2, error)) return false;
    look.wood = true;
    if (values.empty()) return true;
    if (values.size() != 2 || values[0] != "seed" || !Numbers(values, 1, 1, v, error) || v[0] < 0 ||
        v[0] > 4294967295.0) {
      if (error.empty()) error = "expected \"seed N\"";
      return false;
    }
    look.woodSeed = static_cast<std::uint32_t>(v[0]);
    return true;
  }
  if (keyword == "vignette") {
    return Expect(values, 1, 1, error) && Numbers(values, 0, 1, v, error) && Share(v[0], 0, 0.9, values[0], error) &&
           (look.vignette = v[0], true);
  }
  if (keyword == "light") {
    if (!Expect(values, 2, 2, error) || !Numbers(values, 0, 2, v, error) || !Share(v[0], 0, 0.9, values[0], error)) {
      return false;
    }
    look.lightSlope = v[0], look.lightAngle = v[1];
    return true;
  }
  if (keyword == "perspective") {
    return Expect(values, 1, 1, error) && Numbers(values, 0, 1, v, error) && Share(v[0], -0.5, 0.5, values[0], error) &&
           (look.perspective = v[0], true);
  }
  if (keyword == "shadow") {
    if (!Expect(values, 4, 5, error) || !Numbers(values, 0, values.size(), v, error)) return false;
    DeskShadow shadow{v[0], v[1], std::abs(v[2]), std::abs(v[3])};
    if (values.size() == 5) {
      if (!Share(v[4], 0, 1, values[4], error)) return false;
      shadow.depth = v[4];
    }
    look.shadows.push_back(shadow);
    return true;
  }
  // object rect|round X Y WIDTH HEIGHT [R G B]
  if (values.size() != 5 && values.size() != 8) {
    error = "expected rect or round, a centre, a width and a height, and optionally a colour";
    return false;
  }
  if (values[0] != "rect" && values[0] != "round") {
    error = "\"" + values[0] + "\" is neither rect nor round";
    return false;
  }
  DeskObject object;
  object.round = values[0] == "round";
  if (!Numbers(values, 1, 4, v, error)) return false;
  object.x = v[0], object.y = v[1], object.width = std::abs(v[2]), object.height = std::abs(v[3]);
  if (values.size() == 8 && !Colour(values, 5, object.colour, error)) return false;
  look.objects.push_back(object);
  return true;
}

void DrawDesk(const Scene& scene, double pixelsPerMm, std::int32_t width, std::int32_t height,
              std::vector<std::uint8_t>& frame) {
  const std::size_t stride = FrameStride(width);
  const std::uint8_t base[3] = {scene.desk.blue, scene.desk.green, scene.desk.red};
  for (std::int32_t row = 0; row < height && !scene.look.wood; ++row) {
    std::uint8_t* out = frame.data() + static_cast<std::size_t>(height - 1 - row) * stride;
    for (std::int32_t x = 0; x < width; ++x) std::copy(base, base + 3, out + static_cast<std::size_t>(x) * 3);
  }
  if (scene.look.wood) {
    const WoodGrain grain(scene.look.woodSeed, pixelsPerMm, width, height);
    for (std::int32_t row = 0; row < height; ++row) {
      std::uint8_t* out = frame.data() + static_cast<std::size_t>(height - 1 - row) * stride;
      for (std::int32_t x = 0; x < width; ++x) {
        const double factor = grain.Factor(x, row);
        std::uint8_t* pixel = out + static_cast<std::size_t>(x) * 3;
        for (int k = 0; k < 3; ++k) pixel[k] = Scaled(base[k], factor);
      }
    }
  }
  for (const DeskObject& object : scene.look.objects) {
    const int top = std::max(0, static_cast<int>((object.y - object.height / 2) * pixelsPerMm));
    const int bottom = std::min(height, static_cast<int>(std::ceil((object.y + object.height / 2) * pixelsPerMm)));
    const int left = std::max(0, static_cast<int>((object.x - object.width / 2) * pixelsPerMm));
    const int right = std::min(width, static_cast<int>(std::ceil((object.x + object.width / 2) * pixelsPerMm)));
    const std::uint8_t colour[3] = {object.colour.blue, object.colour.green, object.colour.red};
    for (int row = top; row < bottom; ++row) {
      std::uint8_t* out = frame.data() + static_cast<std::size_t>(height - 1 - row) * stride;
      for (int x = left; x < right; ++x) {
        const double u = ((x + 0.5) / pixelsPerMm - object.x) / (object.width / 2);
        const double v = ((row + 0.5) / pixelsPerMm - object.y) / (object.height / 2);
        if (object.round && u * u + v * v > 1) continue;
        std::copy(colour, colour + 3, out + static_cast<std::size_t>(x) * 3);
      }
    }
  }
}

void LightAndSee(const Scene& scene, double pixelsPerMm, std::int32_t width, std::int32_t height,
                 std::vector<std::uint8_t>& frame) {
  const DeskLook& look = scene.look;
  const std::size_t stride = FrameStride(width);
  const bool lit = look.vignette > 0 || look.lightSlope > 0 || !look.shadows.empty();
  const double cx = width / 2.0, cy = height / 2.0, reach = std::hypot(cx, cy);
  const double radians = look.lightAngle * std::numbers::pi / 180.0;
  const double towardX = std::cos(radians), towardY = std::sin(radians);
  for (std::int32_t row = 0; row < height && lit; ++row) {
    std::uint8_t* out = frame.data() + static_cast<std::size_t>(height - 1 - row) * stride;
    const double dy = (row + 0.5 - cy) / reach;
    for (std::int32_t x = 0; x < width; ++x) {
      const double dx = (x + 0.5 - cx) / reach;
      double factor = (1 - look.vignette * (dx * dx + dy * dy)) * (1 + look.lightSlope * (dx * towardX + dy * towardY));
      for (const DeskShadow& shadow : look.shadows) {
        factor *= 1 - shadow.depth * ShadowCover(shadow, (x + 0.5) / pixelsPerMm, (row + 0.5) / pixelsPerMm);
      }
      std::uint8_t* pixel = out + static_cast<std::size_t>(x) * 3;
      for (int k = 0; k < 3; ++k) pixel[k] = Scaled(pixel[k], factor);
    }
  }
  if (look.perspective == 0) return;
  // Row by row, the frame's pixel x sees the flat desk's x' = cx + (x - cx) / s.
  std::vector<std::uint8_t> flat(stride);
  for (std::int32_t row = 0; row < height; ++row) {
    std::uint8_t* out = frame.data() + static_cast<std::size_t>(height - 1 - row) * stride;
    std::copy(out, out + stride, flat.begin());
    const double s = 1 - look.perspective * (1 - (row + 0.5) / height);
    for (std::int32_t x = 0; x < width; ++x) {
      const double source = std::clamp(cx + (x + 0.5 - cx) / s - 0.5, 0.0, width - 1.0);
      const auto left = static_cast<std::int32_t>(source);
      const std::int32_t right = std::min(left + 1, width - 1);
      const double f = source - left;
      for (int k = 0; k < 3; ++k) {
        const double a = flat[static_cast<std::size_t>(left) * 3 + static_cast<std::size_t>(k)];
        const double b = flat[static_cast<std::size_t>(right) * 3 + static_cast<std::size_t>(k)];
        out[static_cast<std::size_t>(x) * 3 + static_cast<std::size_t>(k)] =
            static_cast<std::uint8_t>(std::lround(a + (b - a) * f));
      }
    }
  }
}

void SeenAt(const DeskLook& look, std::int32_t width, std::int32_t height, double& x, double& y) {
  if (look.perspective == 0 || height <= 0) return;
  const double s = 1 - look.perspective * (1 - y / height);
  x = width / 2.0 + (x - width / 2.0) * s;
}

}  // namespace capture
