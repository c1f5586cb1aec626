#include "capture/virtual/scene_renderer.h"

#include "capture/virtual/desk_look.h"
#include "platform/text_renderer.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <string_view>

namespace capture {
namespace {

// A small generator of our own, so that every compiler draws the same pages.
class SplitMix64 {
 public:
  explicit SplitMix64(std::uint64_t seed) : state_(seed) {}
  // A number in [0, 1).
  double Next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    z ^= z >> 31;
    return static_cast<double>(z >> 11) / 9007199254740992.0;
  }

 private:
  std::uint64_t state_;
};

// At most this many texels along a page's longer side, so that huge pages stay cheap.
constexpr double kMaxTexelsPerSide = 4000;
constexpr double kTexelsPerMm = 5;

PagePose Between(const PagePose& from, const PagePose& to, double fraction) {
  return {from.x + (to.x - from.x) * fraction, from.y + (to.y - from.y) * fraction,
          from.angle + (to.angle - from.angle) * fraction};
}

PlacedPage* OnDesk(DeskState& desk, std::size_t page) {
  for (PlacedPage& placed : desk.pages) {
    if (placed.page == page) return &placed;
  }
  return nullptr;
}

void TakeAway(DeskState& desk, std::size_t page) {
  std::erase_if(desk.pages, [page](const PlacedPage& placed) { return placed.page == page; });
}

std::int64_t ScriptFrames(const Scene& scene) {
  std::int64_t total = 0;
  for (const SceneStep& step : scene.script) {
    if (step.kind == StepKind::Move || step.kind == StepKind::Wait) total += StepFrames(scene, step.milliseconds);
  }
  return total;
}

// The pixels `first`..`last` of a row for which `start + step * x` lies in [0, length).
bool Inside(double start, double step, double length, double& first, double& last) {
  if (std::abs(step) < 1e-12) {
    if (start < 0 || start >= length) return false;
    return true;
  }
  const double a = -start / step;
  const double b = (length - start) / step;
  first = std::max(first, std::min(a, b));
  last = std::min(last, std::max(a, b));
  return first <= last;
}

}  // namespace

// A landscape: sky with a sun above dark hills, a dark tree at the left
// reaching the photograph's foot. Blue, green, red into `bgr`.
void SceneRenderer::PhotoColour(const Texture& texture, double u, double v, std::uint8_t* bgr) {
  const double s = (u - texture.photoLeft) / std::max(1e-9, texture.photoRight - texture.photoLeft);
  const double t = (v - texture.photoTop) / std::max(1e-9, texture.photoBottom - texture.photoTop);
  const double horizon = 0.45 + 0.08 * std::sin(6.3 * s);
  double red, green, blue;
  if (s > 0.15 && s < 0.2 && t > 0.35) {
    red = 60, green = 40, blue = 25;
  } else if (std::hypot(s - 0.75, (t - 0.2) * 0.7) < 0.08) {
    red = 250, green = 230, blue = 150;
  } else if (t < horizon) {
    red = 110 + 70 * t, green = 150 + 50 * t, blue = 215;
  } else {
    red = 40 + 30 * s, green = 70 + 20 * std::sin(20 * s), blue = 35 + 10 * t;
  }
  bgr[0] = static_cast<std::uint8_t>(std::clamp(blue, 0.0, 255.0));
  bgr[1] = static_cast<std::uint8_t>(std::clamp(green, 0.0, 255.0));
  bgr[2] = static_cast<std::uint8_t>(std::clamp(red, 0.0, 255.0));
}

std::array<FramePoint, 4> PageCorners(const Scene& scene, const PlacedPage& placed, std::int32_t width,
                                      std::int32_t height) {
  std::array<FramePoint, 4> corners{};
  if (placed.page >= scene.pages.size() || scene.fieldWidth <= 0) return corners;
  const PageLayout& sheet = scene.pages[placed.page];
  const double pixelsPerMm = width / scene.fieldWidth;
  const double radians = placed.pose.angle * std::numbers::pi / 180.0;
  const double c = std::cos(radians);
  const double s = std::sin(radians);
  const double halves[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
  for (std::size_t i = 0; i < 4; ++i) {
    // Page offsets (u across, v down) turn clockwise onto the desk as the renderer maps them.
    const double u = halves[i][0] * sheet.width / 2;
    const double v = halves[i][1] * sheet.height / 2;
    corners[i] = {(placed.pose.x + u * c - v * s) * pixelsPerMm, (placed.pose.y + u * s + v * c) * pixelsPerMm};
    SeenAt(scene.look, width, height, corners[i].x, corners[i].y);
  }
  return corners;
}

// Sets a made-up word in the platform's font over the box of a word (mm):
// its small letters fill the box's height, its tall ones reach above and
// below. False when the platform has no font.
namespace {

struct InkTexels {
  std::vector<std::uint8_t>& ink;
  int columns;
  int rows;
  double texelsPerMm;
};

bool SetWord(InkTexels texture, double left, double top, double right, double bottom, SplitMix64& random) {
  static constexpr std::string_view kLetters = "etaoinshrdlucmfwypvbgketaoinsrhl";
  const double t = texture.texelsPerMm;
  const double xHeight = (bottom - top) * t;
  const int letters = std::max(1, static_cast<int>(std::lround((right - left) / ((bottom - top) * 0.62))));
  std::string word;
  for (int i = 0; i < letters; ++i) word += kLetters[static_cast<std::size_t>(random.Next() * kLetters.size())];
  const platform::CoverageMask mask =
      platform::SystemTextRenderer().Render({word, "", std::max(4, static_cast<int>(std::lround(2.2 * xHeight)))});
  if (mask.Empty()) return false;
  // The mask's middle band (its small letters) goes over the box; the box widens to hold the rest.
  const double c0 = left * t, c1 = right * t;
  const double rows = mask.height * (xHeight / (0.45 * mask.height));
  const double r0 = (top + bottom) / 2 * t - rows / 2;
  for (int r = std::max(0, static_cast<int>(r0)); r < std::min(texture.rows, static_cast<int>(std::ceil(r0 + rows)));
       ++r) {
    const int my = static_cast<int>((r - r0) / rows * mask.height);
    for (int c = std::max(0, static_cast<int>(c0)); c < std::min(texture.columns, static_cast<int>(std::ceil(c1)));
         ++c) {
      const int mx = static_cast<int>((c - c0) / (c1 - c0) * mask.width);
      if (mask.At(mx, my) >= 128) {
        texture.ink[static_cast<std::size_t>(r) * static_cast<std::size_t>(texture.columns) +
                    static_cast<std::size_t>(c)] = 1;
      }
    }
  }
  return true;
}

}  // namespace

std::int64_t StepFrames(const Scene& scene, double milliseconds) {
  return std::max<std::int64_t>(1, std::llround(milliseconds * scene.framesPerSecond / 1000.0));
}

DeskState DeskAt(const Scene& scene, std::int64_t index) {
  DeskState desk;
  desk.picture = PictureAt(scene, index);
  const std::int64_t total = ScriptFrames(scene);
  if (scene.loop && total > 0) index %= total;
  for (const SceneStep& step : scene.script) {
    switch (step.kind) {
      case StepKind::Place:
        TakeAway(desk, step.page);
        desk.pages.push_back({step.page, step.pose});
        break;
      case StepKind::Remove:
        TakeAway(desk, step.page);
        break;
      case StepKind::Wait: {
        const std::int64_t frames = StepFrames(scene, step.milliseconds);
        if (index < frames) return desk;
        index -= frames;
        break;
      }
      case StepKind::Move: {
        const std::int64_t frames = StepFrames(scene, step.milliseconds);
        PlacedPage* placed = OnDesk(desk, step.page);
        if (placed == nullptr) {
          // A page moved before it was placed appears at its destination.
          desk.pages.push_back({step.page, step.pose});
          placed = &desk.pages.back();
        }
        if (index < frames) {
          placed->pose = Between(placed->pose, step.pose, static_cast<double>(index + 1) / static_cast<double>(frames));
          return desk;
        }
        placed->pose = step.pose;
        index -= frames;
        break;
      }
    }
  }
  return desk;
}

SceneRenderer::SceneRenderer(std::shared_ptr<const Scene> scene)
    : scene_(std::move(scene)), textures_(scene_->pages.size()) {}

// A page as a document: a heading, a rule under it, paragraphs of words
// (bars of ink the height of small letters) and a rule at the foot. Sizes
// follow the page, so that a card carries a few short lines.
const SceneRenderer::Texture& SceneRenderer::TextureOf(std::size_t page) const {
  std::lock_guard lock(texturesMutex_);
  std::unique_ptr<Texture>& slot = textures_[page];
  if (slot) return *slot;

  const PageLayout& sheet = scene_->pages[page];
  auto texture = std::make_unique<Texture>();
  texture->texelsPerMm = std::min(kTexelsPerMm, kMaxTexelsPerSide / std::max(sheet.width, sheet.height));
  const double t = texture->texelsPerMm;
  texture->columns = std::max(1, static_cast<int>(std::ceil(sheet.width * t)));
  texture->rows = std::max(1, static_cast<int>(std::ceil(sheet.height * t)));
  texture->ink.assign(static_cast<std::size_t>(texture->columns) * static_cast<std::size_t>(texture->rows), 0);

  // Inks the texels of a rectangle given in mm; at least one texel, so that thin rules show.
  auto fill = [&](double left, double top, double right, double bottom, std::uint8_t value = 1) {
    const int c0 = std::clamp(static_cast<int>(std::lround(left * t)), 0, texture->columns - 1);
    const int r0 = std::clamp(static_cast<int>(std::lround(top * t)), 0, texture->rows - 1);
    const int c1 = std::clamp(static_cast<int>(std::lround(right * t)), c0 + 1, texture->columns);
    const int r1 = std::clamp(static_cast<int>(std::lround(bottom * t)), r0 + 1, texture->rows);
    for (int r = r0; r < r1; ++r) {
      std::uint8_t* row =
          texture->ink.data() + static_cast<std::size_t>(r) * static_cast<std::size_t>(texture->columns);
      std::fill(row + c0, row + c1, value);
    }
  };

  SplitMix64 random(sheet.seed);
  const double shorter = std::min(sheet.width, sheet.height);
  const double s = std::clamp(shorter / 210.0, 0.3, 2.0);
  const double margin = std::max(3.0, 0.1 * shorter);
  const double left = margin;
  const double right = sheet.width - margin;
  const double textWidth = right - left;
  const double foot = sheet.height - margin;
  if (textWidth > 4 * s && foot - margin > 12 * s) {
    double y = margin;
    fill(left, y, left + textWidth * (0.35 + 0.3 * random.Next()), y + 5 * s);  // heading
    y += 8 * s;
    fill(left, y, right, y + std::max(0.3, 0.6 * s));  // rule under the heading
    y += 6 * s;
    if (sheet.photo) {
      const double photoHeight = std::min(0.4 * (foot - y), 0.7 * textWidth);
      texture->photoLeft = left;
      texture->photoTop = y;
      texture->photoRight = right;
      texture->photoBottom = y + photoHeight;
      fill(left, y, right, y + photoHeight, 2);
      y += photoHeight + 6 * s;
    }
    const double pitch = 6.4 * s;
    const double letters = 2.6 * s;
    int lineInParagraph = 0;
    int paragraphLines = 3 + static_cast<int>(random.Next() * 5);
    while (y + letters <= foot - 6 * s) {
      const bool last = lineInParagraph == paragraphLines - 1;
      const double lineEnd = last ? left + textWidth * (0.3 + 0.5 * random.Next()) : right;
      double x = lineInParagraph == 0 ? left + 6 * s : left;
      while (x < lineEnd) {
        const double word = (3 + 14 * random.Next()) * s;
        if (!sheet.text || !SetWord({texture->ink, texture->columns, texture->rows, texture->texelsPerMm}, x, y,
                                    std::min(x + word, lineEnd), y + letters, random)) {
          fill(x, y, std::min(x + word, lineEnd), y + letters);
        }
        x += word + 2.2 * s;
      }
      y += pitch;
      if (last) {
        y += pitch;  // a blank line between paragraphs
        lineInParagraph = 0;
        paragraphLines = 3 + static_cast<int>(random.Next() * 5);
      } else {
        ++lineInParagraph;
      }
    }
    fill(left, foot - 2 * s, right, foot - 2 * s + std::max(0.3, 0.4 * s));  // rule at the foot
  }
  slot = std::move(texture);
  return *slot;
}

void SceneRenderer::DrawPage(const PlacedPage& placed, double pixelsPerMm, std::int32_t width, std::int32_t height,
                             std::vector<std::uint8_t>& frame) const {
  const PageLayout& sheet = scene_->pages[placed.page];
  const Texture& texture = TextureOf(placed.page);
  const double radians = placed.pose.angle * std::numbers::pi / 180.0;
  const double cosine = std::cos(radians);
  const double sine = std::sin(radians);

  // The rows the turned page can touch.
  const double halfHeightOnDesk = (std::abs(sheet.width * sine) + std::abs(sheet.height * cosine)) / 2;
  const int firstRow = std::max(0, static_cast<int>(std::floor((placed.pose.y - halfHeightOnDesk) * pixelsPerMm)));
  const int lastRow =
      std::min(height - 1, static_cast<int>(std::ceil((placed.pose.y + halfHeightOnDesk) * pixelsPerMm)));

  const std::size_t stride = FrameStride(width);
  const std::uint8_t paper[3] = {sheet.paper.blue, sheet.paper.green, sheet.paper.red};
  const std::uint8_t ink[3] = {sheet.ink.blue, sheet.ink.green, sheet.ink.red};
  // Page coordinates (u across, v down, in mm) of pixel x on a row: u = u0 + du * x, v = v0 + dv * x.
  const double du = cosine / pixelsPerMm;
  const double dv = -sine / pixelsPerMm;
  const double x0 = 0.5 / pixelsPerMm - placed.pose.x;
  for (int row = firstRow; row <= lastRow; ++row) {
    const double dy = (row + 0.5) / pixelsPerMm - placed.pose.y;
    const double u0 = x0 * cosine + dy * sine + sheet.width / 2;
    const double v0 = -x0 * sine + dy * cosine + sheet.height / 2;
    double first = 0;
    double last = width - 1;
    if (!Inside(u0, du, sheet.width, first, last) || !Inside(v0, dv, sheet.height, first, last)) continue;
    const int firstPixel = std::max(0, static_cast<int>(std::ceil(first)));
    const int lastPixel = std::min(width - 1, static_cast<int>(std::floor(last)));
    std::uint8_t* out = frame.data() + static_cast<std::size_t>(height - 1 - row) * stride;
    for (int x = firstPixel; x <= lastPixel; ++x) {
      const int column = std::clamp(static_cast<int>((u0 + du * x) * texture.texelsPerMm), 0, texture.columns - 1);
      const int line = std::clamp(static_cast<int>((v0 + dv * x) * texture.texelsPerMm), 0, texture.rows - 1);
      const std::uint8_t texel =
          texture.ink[static_cast<std::size_t>(line) * static_cast<std::size_t>(texture.columns) +
                      static_cast<std::size_t>(column)];
      std::uint8_t photo[3];
      if (texel == 2) PhotoColour(texture, u0 + du * x, v0 + dv * x, photo);
      const std::uint8_t* colour = texel == 0 ? paper : (texel == 1 ? ink : photo);
      std::uint8_t* pixel = out + static_cast<std::size_t>(x) * 3;
      pixel[0] = colour[0];
      pixel[1] = colour[1];
      pixel[2] = colour[2];
    }
  }
}

void SceneRenderer::Render(const DeskState& desk, std::int32_t width, std::int32_t height,
                           std::vector<std::uint8_t>& frame) const {
  if (width < 1 || height < 1) {
    frame.clear();
    return;
  }
  const std::size_t stride = FrameStride(width);
  frame.assign(stride * static_cast<std::size_t>(height), 0);
  const double pixelsPerMm = width / scene_->fieldWidth;
  const bool shown = desk.picture && *desk.picture < scene_->pictures.size() &&
                     pictures_.Draw(scene_->pictures[*desk.picture], width, height, frame);
  if (!shown) DrawDesk(*scene_, pixelsPerMm, width, height, frame);
  for (const PlacedPage& placed : desk.pages) {
    if (placed.page < scene_->pages.size()) DrawPage(placed, pixelsPerMm, width, height, frame);
  }
  if (!shown) LightAndSee(*scene_, pixelsPerMm, width, height, frame);
}

}  // namespace capture
