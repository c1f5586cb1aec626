// A scene of the virtual document camera: the devices it offers, the
// formats they report, the steps of a camera start that fail, and the desk
// with pages laid on it from a script. Scenes are read from a text file (see
// docs/virtual-camera-scenes.md); the same text format holds the built-in
// default scene.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "capture/media_format.h"
#include "capture/video_capture_service.h"
#include "protocol/geometry.h"

namespace capture {

using Rgb = geometry::Rgb;

struct SceneDevice {
  std::optional<std::string> friendlyName;  // empty: the property cannot be read
  std::optional<std::string> devicePath;
};

// Steps of a camera start that a scene can make fail.
enum class FailingStep {
  CreateGraph,    // the graph, its builder or their interfaces
  Bind,           // the device cannot be opened as a capture filter
  CreateGrabber,  // the sample grabber cannot be made
  StreamConfig,   // the device has no stream configuration
  GrabberType,    // the grabber refuses the RGB24 media type
  AddGrabber,     // the graph refuses the grabber
  RenderPreview,  // the preview pin cannot be connected (the capture pin still can)
  Render,         // no pin can be connected
  ConnectedType,  // the connected media type cannot be read
  Run,            // the graph does not run
  VideoWindow,    // the video window cannot be owned by the preview control
  PropertyPages,  // the driver has no property pages
};

// A page: its size in millimetres and the colours and seed of its text.
struct PageLayout {
  std::string name;
  double width = 0;
  double height = 0;
  std::uint32_t seed = 1;
  Rgb paper{246, 245, 240};
  Rgb ink{28, 30, 36};
  // The page carries a photograph under its heading, in place of its first paragraphs.
  bool photo = false;
  // Its words are set in a font by the platform's text renderer (bars where it has none).
  bool text = false;
};

// Where a page lies: its centre in millimetres from the top-left corner of the
// camera's field, and its turn in degrees, clockwise as seen by the camera.
struct PagePose {
  double x = 0;
  double y = 0;
  double angle = 0;
  friend bool operator==(const PagePose&, const PagePose&) = default;
};

// Things on the desk besides pages, each a centre and size in millimetres.
struct DeskObject {
  bool round = false;  // an ellipse, else a rectangle
  double x = 0, y = 0, width = 0, height = 0;
  Rgb colour{250, 250, 248};
};

// A soft-edged shadow over the desk and the pages on it, darker by `depth` (a share).
struct DeskShadow {
  double x = 0, y = 0, width = 0, height = 0;
  double depth = 0.35;
};

// How the desk looks beyond its colour (desk_look.h).
struct DeskLook {
  bool wood = false;  // wood grain around the desk colour
  std::uint32_t woodSeed = 1;
  double vignette = 0;    // share darker in the frame's corners than at its middle
  double lightSlope = 0;  // share brighter and darker at the frame's far sides...
  double lightAngle = 0;  // ...brightest towards this direction, degrees clockwise from the right
  std::vector<DeskObject> objects;
  std::vector<DeskShadow> shadows;
  double perspective = 0;  // share narrower a rectangle on the desk shows at the frame's top than at its foot
};

// A recorded picture the camera shows in place of its desk, for `milliseconds`
// (0: one frame); see scene_pictures.h.
struct ScenePicture {
  std::string path;
  double milliseconds = 0;
};

enum class StepKind { Place, Move, Wait, Remove };

struct SceneStep {
  StepKind kind = StepKind::Wait;
  std::size_t page = 0;     // index into Scene::pages (not for Wait)
  PagePose pose;            // Place and Move
  double milliseconds = 0;  // Move and Wait
};

struct Scene {
  std::vector<SceneDevice> devices;
  std::vector<VideoFormat> formats;    // stream capabilities, in the order reported
  std::optional<VideoFormat> current;  // the device's own format; else the first capability
  std::vector<std::pair<std::int32_t, std::int32_t>> refusedSizes;
  int capabilityRecordSize = 128;
  std::set<FailingStep> failures;
  double framesPerSecond = 15;
  double fieldWidth = 440;  // millimetres of desk across the frame's width
  Rgb desk{104, 84, 66};
  DeskLook look;
  ClientSize preview{712, 534};
  std::vector<PageLayout> pages;
  std::vector<SceneStep> script;
  std::vector<ScenePicture> pictures;
  bool loop = false;

  bool Fails(FailingStep step) const { return failures.count(step) != 0; }
  // The device's format before anything is applied.
  VideoFormat InitialFormat() const;
};

struct SceneParseResult {
  std::optional<Scene> scene;
  std::string error;  // "line N: ..." when the text is not a scene
};

SceneParseResult ParseScene(std::string_view text);

// The scene played when no scene file is named.
const Scene& DefaultScene();

// The scene of the file named by MERVALE_SCENE, or the default scene when the
// variable is unset. A file that cannot be read or parsed is reported on
// standard error and the default scene is played instead.
Scene SceneFromEnvironment();

inline constexpr const char* kSceneVariable = "MERVALE_SCENE";

}  // namespace capture
