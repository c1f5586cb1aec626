#include "capture/video_capture_service.h"

namespace capture {

WindowRect FitVideo(ClientSize client, std::int32_t frameWidth, std::int32_t frameHeight) {
  if (client.width <= 0 || client.height <= 0 || frameWidth <= 0 || frameHeight <= 0) {
    return {0, 0, client.width, client.height};
  }
  const double cw = client.width, ch = client.height;
  const double fw = frameWidth, fh = frameHeight;
  if (fw / fh >= cw / ch) {
    const double h = cw * (fh / fw);
    return {0, static_cast<int>((ch - h) / 2), client.width, static_cast<int>(h)};
  }
  const double w = ch * (fw / fh);
  return {static_cast<int>((cw - w) / 2), 0, static_cast<int>(w), client.height};
}

}  // namespace capture
