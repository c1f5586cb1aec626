#include "capture/system_capture_service.h"
#include "capture/virtual/virtual_camera.h"

namespace capture {

VideoCaptureService& SystemVideoCaptureService() {
  static VirtualCamera camera(SceneFromEnvironment());
  return camera;
}

}  // namespace capture
