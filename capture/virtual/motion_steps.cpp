#include "capture/virtual/motion_steps.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>

namespace capture {
namespace {

// Frames of each phase of a hand's work.
constexpr int kCarryFrames = 10;
constexpr int kSettleFrames = 6;
constexpr int kWithdrawFrames = 10;
constexpr int kReachFrames = 8;
constexpr int kLiftedFrames = 3;
// A laid page arrives turned this much further and settles from half of it.
constexpr double kArrivalTurn = 12;
// The hand: an arm seen from above, its fingertips over the page's foot.
constexpr double kHandWidth = 85;
constexpr double kHandLength = 300;
constexpr double kFingersOverPage = 35;
// Any step shorter than a frame lasts exactly one frame.
constexpr double kOneFrame = 1e-3;
constexpr std::size_t kMaxStackPages = 500;

bool Number(const std::string& text, double& value, std::string& error) {
  char* end = nullptr;
  value = text.empty() ? 0 : std::strtod(text.c_str(), &end);
  if (!text.empty() && end == text.c_str() + text.size() && std::isfinite(value)) return true;
  error = "\"" + text + "\" is not a number";
  return false;
}

PagePose Between(const PagePose& from, const PagePose& to, double fraction) {
  return {from.x + (to.x - from.x) * fraction, from.y + (to.y - from.y) * fraction,
          from.angle + (to.angle - from.angle) * fraction};
}

std::optional<std::size_t> FindPage(const Scene& scene, std::string_view name) {
  for (std::size_t i = 0; i < scene.pages.size(); ++i) {
    if (scene.pages[i].name == name) return i;
  }
  return std::nullopt;
}

// Where the script leaves the page so far; none when it is not on the desk.
std::optional<PagePose> LastPose(const Scene& scene, std::size_t page) {
  for (auto step = scene.script.rbegin(); step != scene.script.rend(); ++step) {
    if (step->page != page || step->kind == StepKind::Wait) continue;
    if (step->kind == StepKind::Remove) return std::nullopt;
    return step->pose;
  }
  return std::nullopt;
}

// Builds the steps of one motion line on a copy of the scene, so that a
// line with an error leaves the scene as it was.
class MotionWriter {
 public:
  explicit MotionWriter(Scene& scene) : scene_(scene) {}

  std::size_t Hand() {
    if (const std::optional<std::size_t> hand = FindPage(scene_, kHandPageName)) return *hand;
    PageLayout hand;
    hand.name = kHandPageName;
    hand.width = kHandWidth;
    hand.height = kHandLength;
    hand.paper = kHandColour;
    hand.ink = kHandColour;
    scene_.pages.push_back(hand);
    return scene_.pages.size() - 1;
  }

  void Place(std::size_t page, const PagePose& pose) { scene_.script.push_back({StepKind::Place, page, pose, 0}); }
  void Move(std::size_t page, const PagePose& pose, double milliseconds) {
    scene_.script.push_back({StepKind::Move, page, pose, milliseconds});
  }
  void Remove(std::size_t page) { scene_.script.push_back({StepKind::Remove, page, {}, 0}); }
  void Wait(double milliseconds) { scene_.script.push_back({StepKind::Wait, 0, {}, milliseconds}); }

  // The hand's pose when its fingertips lie over the foot of `page` at `pose`.
  PagePose HandOver(std::size_t page, const PagePose& pose) const {
    const PageLayout& sheet = scene_.pages[page];
    return {pose.x + 0.15 * sheet.width, pose.y + sheet.height / 2 + kHandLength / 2 - kFingersOverPage, pose.angle};
  }

  // Beyond the field's lower edge, whatever the frame's proportions.
  double Below() const { return scene_.fieldWidth + kHandLength; }

  // The hand draws back its own length: out of the field from over a page's foot.
  void Withdraw(std::size_t hand, PagePose from) {
    const PagePose away{from.x, from.y + kHandLength, from.angle};
    for (int k = 1; k <= kWithdrawFrames; ++k) Move(hand, Between(from, away, double(k) / kWithdrawFrames), kOneFrame);
    Remove(hand);
  }

  void Lay(std::size_t page, const PagePose& laid) {
    const std::size_t hand = Hand();
    const PagePose start{laid.x, laid.y + Below(), laid.angle + kArrivalTurn};
    const PagePose lowered{laid.x, laid.y + 12, laid.angle + kArrivalTurn / 2};
    Place(page, start);
    Place(hand, HandOver(page, start));
    // Each frame the hand is set where the page is carried to; the page's
    // one-frame move shows both.
    for (int k = 1; k <= kCarryFrames + kSettleFrames; ++k) {
      const PagePose pose = k <= kCarryFrames ? Between(start, lowered, double(k) / kCarryFrames)
                                              : Between(lowered, laid, double(k - kCarryFrames) / kSettleFrames);
      Place(hand, HandOver(page, pose));
      Move(page, pose, kOneFrame);
    }
    Withdraw(hand, HandOver(page, laid));
  }

  void TurnOver(std::size_t page, std::size_t back, const PagePose& pose) {
    const std::size_t hand = Hand();
    const PagePose over = HandOver(page, pose);
    const PagePose outside{over.x, over.y + Below(), over.angle};
    Place(hand, outside);
    for (int k = 1; k <= kReachFrames; ++k) Move(hand, Between(outside, over, double(k) / kReachFrames), kOneFrame);
    // Lifted edge-on: for a few frames only the hand shows.
    Remove(page);
    const PagePose lifted{over.x, over.y - 20, over.angle};
    for (int k = 1; k <= kLiftedFrames; ++k) Move(hand, Between(over, lifted, double(k) / kLiftedFrames), kOneFrame);
    Place(back, pose);
    Place(hand, lifted);
    Move(hand, over, kOneFrame);
    Withdraw(hand, over);
  }

 private:
  Scene& scene_;
};

bool Count(const std::vector<std::string>& values, std::size_t low, std::size_t high, std::string& error) {
  if (values.size() >= low && values.size() <= high) return true;
  error = low == high ? "expected " + std::to_string(low) + " values, found " + std::to_string(values.size())
                      : "expected " + std::to_string(low) + " to " + std::to_string(high) + " values, found " +
                            std::to_string(values.size());
  return false;
}

bool PageOf(const Scene& scene, const std::string& name, std::size_t& page, std::string& error) {
  const std::optional<std::size_t> found = FindPage(scene, name);
  if (found && name != kHandPageName) {
    page = *found;
    return true;
  }
  error = "no page \"" + name + "\" is defined";
  return false;
}

bool PoseOf(const std::vector<std::string>& values, std::size_t first, PagePose& pose, std::string& error) {
  return Number(values[first], pose.x, error) && Number(values[first + 1], pose.y, error) &&
         Number(values[first + 2], pose.angle, error);
}

bool OnDesk(const Scene& scene, std::size_t page, PagePose& pose, std::string& error) {
  if (const std::optional<PagePose> last = LastPose(scene, page)) {
    pose = *last;
    return true;
  }
  error = "page \"" + scene.pages[page].name + "\" is not on the desk";
  return false;
}

bool Stack(const std::vector<std::string>& values, Scene& scene, std::string& error) {
  if (!Count(values, 4, 6, error)) return false;
  double count = 0, rest = 2000;
  PagePose pose;
  if (!Number(values[1], count, error) || !Number(values[2], pose.x, error) || !Number(values[3], pose.y, error)) {
    return false;
  }
  if (count < 1 || count > kMaxStackPages || count != std::floor(count)) {
    error = "a stack has 1 to " + std::to_string(kMaxStackPages) + " pages";
    return false;
  }
  if (values.size() > 4 && (values[4] != "rest" || values.size() != 6 || !Number(values[5], rest, error))) {
    if (error.empty()) error = "expected \"rest MS\" after the position";
    return false;
  }
  if (rest <= 0) {
    error = "the rest must be longer than 0";
    return false;
  }
  const auto pages = static_cast<std::size_t>(count);
  MotionWriter writer(scene);
  for (std::size_t i = 0; i < pages; ++i) {
    PageLayout sheet;
    sheet.name = values[0] + std::to_string(i + 1);
    if (FindPage(scene, sheet.name)) {
      error = "page \"" + sheet.name + "\" is defined twice";
      return false;
    }
    sheet.width = 210;
    sheet.height = 297;
    sheet.seed = static_cast<std::uint32_t>(100 + i);
    sheet.ink = StackInkColour(i, pages);
    scene.pages.push_back(sheet);
    // Each page lies a little differently, as a person lays it.
    writer.Lay(scene.pages.size() - 1, {pose.x + double(i % 3) * 2 - 2, pose.y, double(i % 7) - 3});
    writer.Wait(rest);
  }
  return true;
}

}  // namespace

bool IsMotionKeyword(std::string_view keyword) {
  return keyword == "lay" || keyword == "slide" || keyword == "turn-over" || keyword == "exchange" ||
         keyword == "stack";
}

Rgb StackInkColour(std::size_t index, std::size_t count) {
  // Hue around the wheel at full saturation, the brightest channel at 100:
  // even yellow stays dark once the detection has brightened it.
  const double hue = 6.0 * static_cast<double>(index) / static_cast<double>(std::max<std::size_t>(count, 1));
  const double rise = hue - std::floor(hue);
  const auto level = [](double v) { return static_cast<std::uint8_t>(std::lround(10 + 90 * v)); };
  switch (static_cast<int>(hue) % 6) {
    case 0:
      return {level(1), level(rise), level(0)};
    case 1:
      return {level(1 - rise), level(1), level(0)};
    case 2:
      return {level(0), level(1), level(rise)};
    case 3:
      return {level(0), level(1 - rise), level(1)};
    case 4:
      return {level(rise), level(0), level(1)};
    default:
      return {level(1), level(0), level(1 - rise)};
  }
}

bool AddMotionLine(std::string_view keyword, const std::vector<std::string>& values, Scene& scene, std::string& error) {
  Scene changed = scene;
  MotionWriter writer(changed);
  std::size_t page = 0, other = 0;
  PagePose pose;
  bool done = false;
  if (keyword == "lay") {
    done = Count(values, 4, 4, error) && PageOf(changed, values[0], page, error) && PoseOf(values, 1, pose, error);
    if (done) writer.Lay(page, pose);
  } else if (keyword == "slide") {
    double milliseconds = 0;
    done = Count(values, 5, 5, error) && PageOf(changed, values[0], page, error) && PoseOf(values, 1, pose, error) &&
           Number(values[4], milliseconds, error);
    if (done && milliseconds <= 0) {
      error = "the slide must last longer than 0";
      done = false;
    }
    if (done) {
      const PageLayout& sheet = changed.pages[page];
      writer.Place(page, {-std::max(sheet.width, sheet.height), pose.y, pose.angle});
      writer.Move(page, pose, milliseconds);
    }
  } else if (keyword == "turn-over" || keyword == "exchange") {
    done = Count(values, 2, 2, error) && PageOf(changed, values[0], page, error) &&
           PageOf(changed, values[1], other, error) && OnDesk(changed, page, pose, error);
    if (done && page == other) {
      error = "a page cannot take its own place";
      done = false;
    }
    if (done && keyword == "exchange") {
      writer.Remove(page);
      writer.Place(other, pose);
    } else if (done) {
      writer.TurnOver(page, other, pose);
    }
  } else if (keyword == "stack") {
    done = Stack(values, changed, error);
  } else {
    error = "unknown keyword \"" + std::string(keyword) + "\"";
  }
  if (done) scene = std::move(changed);
  return done;
}

}  // namespace capture
