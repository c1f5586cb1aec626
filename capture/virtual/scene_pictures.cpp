#include "capture/virtual/scene_pictures.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "capture/media_format.h"
#include "capture/virtual/scene_renderer.h"
#include "imaging/picture_file.h"

namespace capture {

namespace {

bool IsPlayable(const std::filesystem::path& path) {
  std::error_code ignored;
  if (!std::filesystem::is_regular_file(path, ignored)) return false;
  const imaging::PictureFormat format = imaging::FormatFromExtension(path.string());
  return format == imaging::PictureFormat::Png || format == imaging::PictureFormat::Jpeg ||
         format == imaging::PictureFormat::Bmp;
}

// The channel values of pixel (x, y), rows from the top, blue first.
void PixelOf(const imaging::Picture& picture, int x, int yFromTop, double* bgr) {
  const int y = picture.Height() - 1 - yFromTop;
  if (picture.BitsPerPixel() == 24) {
    const std::uint8_t* pixel = picture.Row(y) + 3 * static_cast<std::ptrdiff_t>(x);
    bgr[0] = pixel[0], bgr[1] = pixel[1], bgr[2] = pixel[2];
    return;
  }
  const imaging::Rgb colour = picture.GetPixel(x, y);
  bgr[0] = colour.blue, bgr[1] = colour.green, bgr[2] = colour.red;
}

// The picture stretched to width x height by bilinear sampling at pixel
// centres (a picture of the frame's own size is copied as it is).
void Stretch(const imaging::Picture& picture, std::int32_t width, std::int32_t height,
             std::vector<std::uint8_t>& rows) {
  const std::size_t stride = FrameStride(width);
  rows.assign(stride * static_cast<std::size_t>(height), 0);
  const double fx = static_cast<double>(picture.Width()) / width;
  const double fy = static_cast<double>(picture.Height()) / height;
  for (std::int32_t row = 0; row < height; ++row) {
    const double sy = std::clamp((row + 0.5) * fy - 0.5, 0.0, picture.Height() - 1.0);
    const int y0 = static_cast<int>(sy);
    const int y1 = std::min(y0 + 1, picture.Height() - 1);
    const double wy = sy - y0;
    std::uint8_t* out = rows.data() + static_cast<std::size_t>(height - 1 - row) * stride;
    for (std::int32_t x = 0; x < width; ++x) {
      const double sx = std::clamp((x + 0.5) * fx - 0.5, 0.0, picture.Width() - 1.0);
      const int x0 = static_cast<int>(sx);
      const int x1 = std::min(x0 + 1, picture.Width() - 1);
      const double wx = sx - x0;
      double a[3], b[3], c[3], d[3];
      PixelOf(picture, x0, y0, a), PixelOf(picture, x1, y0, b), PixelOf(picture, x0, y1, c),
          PixelOf(picture, x1, y1, d);
      for (int k = 0; k < 3; ++k) {
        const double top = a[k] + (b[k] - a[k]) * wx;
        const double bottom = c[k] + (d[k] - c[k]) * wx;
        out[3 * static_cast<std::size_t>(x) + static_cast<std::size_t>(k)] =
            static_cast<std::uint8_t>(std::lround(top + (bottom - top) * wy));
      }
    }
  }
}

}  // namespace

bool ReadPictureLine(bool folder, const std::vector<std::string>& values, Scene& scene, std::string& error) {
  if (values.empty() || values.size() > 2) {
    error = folder ? "expected a folder and optionally milliseconds a picture"
                   : "expected a picture file and optionally milliseconds";
    return false;
  }
  double milliseconds = 0;  // one frame
  if (values.size() == 2) {
    char* end = nullptr;
    milliseconds = std::strtod(values[1].c_str(), &end);
    if (end != values[1].c_str() + values[1].size() || !std::isfinite(milliseconds) || milliseconds <= 0) {
      error = "\"" + values[1] + "\" must be a number greater than 0";
      return false;
    }
  }
  const std::filesystem::path path(values[0]);
  if (!folder) {
    if (!IsPlayable(path)) {
      error = "\"" + values[0] + "\" is not a PNG, JPEG or BMP file";
      return false;
    }
    scene.pictures.push_back({values[0], milliseconds});
    return true;
  }
  std::error_code failed;
  std::vector<std::string> files;
  for (std::filesystem::directory_iterator it(path, failed), end; !failed && it != end; it.increment(failed)) {
    if (IsPlayable(it->path())) files.push_back(it->path().string());
  }
  if (failed || files.empty()) {
    error = "the folder \"" + values[0] + "\" holds no PNG, JPEG or BMP file";
    return false;
  }
  std::sort(files.begin(), files.end());
  for (std::string& file : files) scene.pictures.push_back({std::move(file), milliseconds});
  return true;
}

std::optional<std::size_t> PictureAt(const Scene& scene, std::int64_t index) {
  if (scene.pictures.empty() || index < 0) return std::nullopt;
  std::int64_t total = 0;
  for (const ScenePicture& picture : scene.pictures) total += StepFrames(scene, picture.milliseconds);
  if (index >= total) {
    if (!scene.loop) return scene.pictures.size() - 1;
    index %= total;
  }
  for (std::size_t i = 0; i < scene.pictures.size(); ++i) {
    const std::int64_t frames = StepFrames(scene, scene.pictures[i].milliseconds);
    if (index < frames) return i;
    index -= frames;
  }
  return scene.pictures.size() - 1;
}

bool PicturePlayer::Draw(const ScenePicture& picture, std::int32_t width, std::int32_t height,
                         std::vector<std::uint8_t>& frame) const {
  std::lock_guard lock(mutex_);
  if (picture.path != path_ || width != width_ || height != height_) {
    const imaging::Picture decoded = imaging::LoadPicture(picture.path);
    path_ = picture.path, width_ = width, height_ = height;
    rows_.clear();
    if (!decoded.Empty()) Stretch(decoded, width, height, rows_);
  }
  if (rows_.size() != frame.size()) return false;
  std::copy(rows_.begin(), rows_.end(), frame.begin());
  return true;
}

}  // namespace capture
