#include "capture/virtual/scene.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

#include "capture/virtual/desk_look.h"
#include "capture/virtual/motion_steps.h"
#include "capture/virtual/scene_pictures.h"

namespace capture {
namespace {

// The built-in scene: a webcam that is not a document camera, a document
// camera with the formats such cameras report, and three pages that arrive,
// rest, are nudged and are taken away again.
constexpr std::string_view kDefaultSceneText = R"(# The virtual document camera's built-in scene.
rate 15
field 440
desk 104 84 66

device "Mervale Desk Webcam" "\\?\usb#vid_0a11&pid_0b22&mi_00#6&3c1d2e&0&0000#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\global"
device "Mervale Document Camera" "\\?\usb#vid_4d56&pid_2c01&mi_00#7&2a1b3c4d&0&0000#{65e8773d-8f56-11d0-a3b9-00a0c9223196}\global"

format YUY2 640 480 30
format YUY2 1600 1200 5
format MJPG 2592 1944 15
format YUY2 3264 2448 2
format MJPG 3264 2448 15
format MJPG 1600 1200 30
format MJPG 640 480 30
format YUY2 176 144 30
format MJPG 160 120 30
current YUY2 640 480 30
refuse 2592 1944

page letter 210 297 seed 1
page memo 148 210 seed 2
page card 86 54 seed 3

wait 1000
place letter -110 170 -14
move letter 216 166 3 900
wait 3000
move letter 226 160 -2 400
wait 3000
remove letter
wait 800
place memo 240 460 24
move memo 212 168 -5 1000
wait 3000
remove memo
wait 800
place card 224 170 7
wait 3000
remove card
wait 800
loop
)";

// Splits a line into words: runs of non-blank characters or texts in double
// quotes (taken literally, without escapes). A word starting with '#' outside
// quotes ends the line. Quoted words are marked so that "-" stays a text.
struct Word {
  std::string text;
  bool quoted = false;
};

bool SplitLine(std::string_view line, std::vector<Word>& words, std::string& error) {
  std::size_t i = 0;
  while (i < line.size()) {
    const char c = line[i];
    if (c == ' ' || c == '\t' || c == '\r') {
      ++i;
    } else if (c == '#') {
      break;
    } else if (c == '"') {
      const std::size_t end = line.find('"', i + 1);
      if (end == std::string_view::npos) {
        error = "a quoted text has no closing quote";
        return false;
      }
      words.push_back({std::string(line.substr(i + 1, end - i - 1)), true});
      i = end + 1;
    } else {
      std::size_t end = i;
      while (end < line.size() && line[end] != ' ' && line[end] != '\t' && line[end] != '\r') ++end;
      words.push_back({std::string(line.substr(i, end - i)), false});
      i = end;
    }
  }
  return true;
}

bool ParseNumber(const std::string& text, double& value) {
  if (text.empty()) return false;
  char* end = nullptr;
  value = std::strtod(text.c_str(), &end);
  return end == text.c_str() + text.size() && std::isfinite(value);
}

bool ParseInteger(const std::string& text, long long& value) {
  const char* first = text.data();
  const char* last = first + text.size();
  auto [ptr, ec] = std::from_chars(first, last, value);
  return ec == std::errc() && ptr == last && !text.empty();
}

const std::map<std::string, FailingStep, std::less<>>& FailingStepNames() {
  static const std::map<std::string, FailingStep, std::less<>> names = {
      {"create-graph", FailingStep::CreateGraph},     {"bind", FailingStep::Bind},
      {"create-grabber", FailingStep::CreateGrabber}, {"stream-config", FailingStep::StreamConfig},
      {"grabber-type", FailingStep::GrabberType},     {"add-grabber", FailingStep::AddGrabber},
      {"render-preview", FailingStep::RenderPreview}, {"render", FailingStep::Render},
      {"connected-type", FailingStep::ConnectedType}, {"run", FailingStep::Run},
      {"video-window", FailingStep::VideoWindow},     {"property-pages", FailingStep::PropertyPages},
  };
  return names;
}

// Frames are drawn at the format's size: keep them within reason.
constexpr long long kMaxFrameSide = 8192;

std::uint32_t BitsPerPixel(const MediaSubtype& subtype) { return subtype == kSubtypeRgb24 ? 24 : 16; }

class SceneParser {
 public:
  SceneParseResult Parse(std::string_view text) {
    int lineNumber = 0;
    std::size_t start = 0;
    while (start <= text.size()) {
      std::size_t end = text.find('\n', start);
      if (end == std::string_view::npos) end = text.size();
      ++lineNumber;
      std::string error;
      std::vector<Word> words;
      if (!SplitLine(text.substr(start, end - start), words, error) || (!words.empty() && !Line(words, error))) {
        return {std::nullopt, "line " + std::to_string(lineNumber) + ": " + error};
      }
      start = end + 1;
    }
    return {std::move(scene_), {}};
  }

 private:
  bool Line(const std::vector<Word>& words, std::string& error) {
    const std::string& keyword = words[0].text;
    args_.assign(words.begin() + 1, words.end());
    if (keyword == "rate") return Rate(error);
    if (keyword == "field") return Count(1, error) && Positive(0, scene_.fieldWidth, error);
    if (keyword == "desk") return Count(3, error) && Colour(0, scene_.desk, error);
    if (keyword == "preview") return Preview(error);
    if (keyword == "device") return Device(error);
    if (keyword == "format") return Format(error, scene_.formats.emplace_back());
    if (keyword == "current") return Format(error, scene_.current.emplace());
    if (keyword == "refuse") return Refuse(error);
    if (keyword == "record-size") return RecordSize(error);
    if (keyword == "fail") return Fail(error);
    if (keyword == "page") return Page(error);
    if (keyword == "place") return Place(StepKind::Place, error);
    if (keyword == "move") return Place(StepKind::Move, error);
    if (keyword == "wait") return Wait(error);
    if (keyword == "remove") return Remove(error);
    if (keyword == "picture" || keyword == "pictures") return Pictures(keyword == "pictures", error);
    if (IsDeskLookLine(keyword)) return DeskLookLine(keyword, error);
    if (keyword == "loop") {
      scene_.loop = true;
      return Count(0, error);
    }
    if (IsMotionKeyword(keyword)) {
      std::vector<std::string> values;
      for (const Word& word : args_) values.push_back(word.text);
      return AddMotionLine(keyword, values, scene_, error);
    }
    error = "unknown keyword \"" + keyword + "\"";
    return false;
  }

  std::vector<std::string> Values() const {
    std::vector<std::string> values;
    for (const Word& word : args_) values.push_back(word.text);
    return values;
  }

  bool Pictures(bool folder, std::string& error) { return ReadPictureLine(folder, Values(), scene_, error); }

  bool DeskLookLine(const std::string& keyword, std::string& error) {
    return ReadDeskLookLine(keyword, Values(), scene_.look, error);
  }

  bool Count(std::size_t wanted, std::string& error) {
    if (args_.size() == wanted) return true;
    error = "expected " + std::to_string(wanted) + " values, found " + std::to_string(args_.size());
    return false;
  }

  bool Number(std::size_t index, double& value, std::string& error) {
    if (ParseNumber(args_[index].text, value)) return true;
    error = "\"" + args_[index].text + "\" is not a number";
    return false;
  }

  bool Positive(std::size_t index, double& value, std::string& error) {
    if (!Number(index, value, error)) return false;
    if (value > 0) return true;
    error = "\"" + args_[index].text + "\" must be greater than 0";
    return false;
  }

  bool Integer(std::size_t index, long long low, long long high, long long& value, std::string& error) {
    if (ParseInteger(args_[index].text, value) && value >= low && value <= high) return true;
    error = "\"" + args_[index].text + "\" is not a whole number from " + std::to_string(low) + " to " +
            std::to_string(high);
    return false;
  }

  bool Colour(std::size_t first, Rgb& colour, std::string& error) {
    long long red = 0, green = 0, blue = 0;
    if (!Integer(first, 0, 255, red, error) || !Integer(first + 1, 0, 255, green, error) ||
        !Integer(first + 2, 0, 255, blue, error)) {
      return false;
    }
    colour = {static_cast<std::uint8_t>(red), static_cast<std::uint8_t>(green), static_cast<std::uint8_t>(blue)};
    return true;
  }

  bool Rate(std::string& error) {
    if (!Count(1, error) || !Positive(0, scene_.framesPerSecond, error)) return false;
    if (scene_.framesPerSecond <= 120) return true;
    error = "at most 120 frames a second";
    return false;
  }

  bool Preview(std::string& error) {
    long long width = 0, height = 0;
    if (!Count(2, error) || !Integer(0, 1, 100000, width, error) || !Integer(1, 1, 100000, height, error)) {
      return false;
    }
    scene_.preview = {static_cast<int>(width), static_cast<int>(height)};
    return true;
  }

  std::optional<std::string> DeviceText(const Word& word) {
    if (!word.quoted && word.text == "-") return std::nullopt;
    return word.text;
  }

  bool Device(std::string& error) {
    if (!Count(2, error)) return false;
    scene_.devices.push_back({DeviceText(args_[0]), DeviceText(args_[1])});
    return true;
  }

  // SUBTYPE WIDTH HEIGHT [FPS] [videoinfo2]
  bool Format(std::string& error, VideoFormat& format) {
    if (args_.size() < 3 || args_.size() > 5) {
      error = "expected a subtype, a width, a height, and optionally frames a second and videoinfo2";
      return false;
    }
    const std::optional<MediaSubtype> subtype = SubtypeFromName(args_[0].text);
    if (!subtype) {
      error = "\"" + args_[0].text + "\" is not a subtype (MJPG, YUY2, YVYU, RGB24 or four characters)";
      return false;
    }
    long long width = 0, height = 0;
    if (!Integer(1, 1, kMaxFrameSide, width, error) || !Integer(2, 1, kMaxFrameSide, height, error)) return false;
    double fps = scene_.framesPerSecond;
    std::size_t next = 3;
    if (args_.size() > next && args_[next].text != "videoinfo2") {
      if (!Positive(next, fps, error)) return false;
      ++next;
    }
    format.formatType = FormatType::VideoInfo;
    if (args_.size() > next) {
      if (args_[next].text != "videoinfo2" || args_.size() > next + 1) {
        error = "unexpected \"" + args_[next].text + "\"";
        return false;
      }
      format.formatType = FormatType::Other;
    }
    format.subtype = *subtype;
    format.width = static_cast<std::int32_t>(width);
    format.height = static_cast<std::int32_t>(height);
    format.frameInterval = std::llround(10'000'000.0 / fps);
    const double bits = static_cast<double>(width) * static_cast<double>(height) * BitsPerPixel(*subtype) * fps;
    format.bitRate = static_cast<std::uint32_t>(std::min(bits, 4294967295.0));
    return true;
  }

  bool Refuse(std::string& error) {
    long long width = 0, height = 0;
    if (!Count(2, error) || !Integer(0, 1, 65535, width, error) || !Integer(1, 1, 65535, height, error)) {
      return false;
    }
    scene_.refusedSizes.emplace_back(static_cast<std::int32_t>(width), static_cast<std::int32_t>(height));
    return true;
  }

  bool RecordSize(std::string& error) {
    long long size = 0;
    if (!Count(1, error) || !Integer(0, 0, 4096, size, error)) return false;
    scene_.capabilityRecordSize = static_cast<int>(size);
    return true;
  }

  bool Fail(std::string& error) {
    if (!Count(1, error)) return false;
    const auto& names = FailingStepNames();
    const auto found = names.find(args_[0].text);
    if (found == names.end()) {
      error = "\"" + args_[0].text + "\" is not a step that can fail";
      return false;
    }
    scene_.failures.insert(found->second);
    return true;
  }

  std::optional<std::size_t> FindPage(const std::string& name) const {
    for (std::size_t i = 0; i < scene_.pages.size(); ++i) {
      if (scene_.pages[i].name == name) return i;
    }
    return std::nullopt;
  }

  // NAME WIDTH HEIGHT [seed N] [paper R G B] [ink R G B] [photo] [text]
  bool Page(std::string& error) {
    if (args_.size() < 3) {
      error = "expected a name, a width and a height";
      return false;
    }
    if (FindPage(args_[0].text)) {
      error = "page \"" + args_[0].text + "\" is defined twice";
      return false;
    }
    PageLayout page;
    page.name = args_[0].text;
    if (!Positive(1, page.width, error) || !Positive(2, page.height, error)) return false;
    if (page.width > 2000 || page.height > 2000) {
      error = "a page is at most 2000 mm on each side";
      return false;
    }
    std::size_t i = 3;
    while (i < args_.size()) {
      const std::string& option = args_[i].text;
      if (option == "photo" || option == "text") {
        (option == "photo" ? page.photo : page.text) = true;
        ++i;
        continue;
      }
      if (option != "seed" && option != "paper" && option != "ink") {
        error = "unknown page option \"" + option + "\"";
        return false;
      }
      const std::size_t values = option == "seed" ? 1 : 3;
      if (i + values >= args_.size()) {
        error = "page option \"" + option + "\" needs " + std::to_string(values) + " values";
        return false;
      }
      if (option == "seed") {
        long long seed = 0;
        if (!Integer(i + 1, 0, 4294967295LL, seed, error)) return false;
        page.seed = static_cast<std::uint32_t>(seed);
      } else if (!Colour(i + 1, option == "paper" ? page.paper : page.ink, error)) {
        return false;
      }
      i += values + 1;
    }
    scene_.pages.push_back(page);
    return true;
  }

  bool PageOf(std::size_t index, std::size_t& page, std::string& error) {
    const std::optional<std::size_t> found = FindPage(args_[index].text);
    if (!found) {
      error = "no page \"" + args_[index].text + "\" is defined";
      return false;
    }
    page = *found;
    return true;
  }

  bool Place(StepKind kind, std::string& error) {
    SceneStep step;
    step.kind = kind;
    if (!Count(kind == StepKind::Move ? 5 : 4, error) || !PageOf(0, step.page, error) ||
        !Number(1, step.pose.x, error) || !Number(2, step.pose.y, error) || !Number(3, step.pose.angle, error)) {
      return false;
    }
    if (kind == StepKind::Move && !Positive(4, step.milliseconds, error)) return false;
    scene_.script.push_back(step);
    return true;
  }

  bool Wait(std::string& error) {
    SceneStep step;
    if (!Count(1, error) || !Positive(0, step.milliseconds, error)) return false;
    scene_.script.push_back(step);
    return true;
  }

  bool Remove(std::string& error) {
    SceneStep step;
    step.kind = StepKind::Remove;
    if (!Count(1, error) || !PageOf(0, step.page, error)) return false;
    scene_.script.push_back(step);
    return true;
  }

  Scene scene_;
  std::vector<Word> args_;
};

}  // namespace

VideoFormat Scene::InitialFormat() const {
  if (current) return *current;
  if (!formats.empty()) return formats.front();
  return {640, 480, 640 * 480 * 24 * 15, kSubtypeRgb24, 666667, FormatType::VideoInfo};
}

SceneParseResult ParseScene(std::string_view text) { return SceneParser().Parse(text); }

const Scene& DefaultScene() {
  static const Scene scene = *ParseScene(kDefaultSceneText).scene;
  return scene;
}

Scene SceneFromEnvironment() {
  const char* path = std::getenv(kSceneVariable);
  if (path == nullptr || *path == '\0') return DefaultScene();
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    std::fprintf(stderr, "virtual camera: cannot read the scene file %s; playing the default scene\n", path);
    return DefaultScene();
  }
  const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  SceneParseResult parsed = ParseScene(text);
  if (!parsed.scene) {
    std::fprintf(stderr, "virtual camera: %s, %s; playing the default scene\n", path, parsed.error.c_str());
    return DefaultScene();
  }
  return std::move(*parsed.scene);
}

}  // namespace capture
