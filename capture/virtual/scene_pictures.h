// Recorded pictures played by the virtual camera in place of its desk: the
// scene lines that name them (`picture FILE [MS]`, `pictures FOLDER [MS]`),
// which of them a frame shows, and their drawing scaled to the frame.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "capture/virtual/scene.h"

namespace capture {

// Reads the values of a `picture` line (a file) or a `pictures` line (a
// folder whose PNG, JPEG and BMP files play in name order) into the
// scene's pictures. False, with `error` set, when the file or folder cannot
// be found or a value is wrong.
bool ReadPictureLine(bool folder, const std::vector<std::string>& values, Scene& scene, std::string& error);

// The picture (index into Scene::pictures) that frame `index` shows: each
// for its time in frames, the last staying or, when the scene loops, the
// first following again. None when the scene has no pictures.
std::optional<std::size_t> PictureAt(const Scene& scene, std::int64_t index);

// Draws scene pictures into frames, keeping the last one decoded and scaled.
class PicturePlayer {
 public:
  // Fills `frame` (rows bottom-up, FrameStride(width) bytes each) with the
  // picture stretched to width x height; false, leaving the frame as it is,
  // when the file cannot be read as a picture.
  bool Draw(const ScenePicture& picture, std::int32_t width, std::int32_t height,
            std::vector<std::uint8_t>& frame) const;

 private:
  mutable std::mutex mutex_;
  mutable std::string path_;
  mutable std::int32_t width_ = 0, height_ = 0;
  mutable std::vector<std::uint8_t> rows_;  // the scaled picture, as a frame
};

}  // namespace capture
