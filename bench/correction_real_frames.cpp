// The position correction on real camera frames with their page corners
// known. Each frame of the folder's truth.csv is played by the virtual
// camera (a scene showing the picture file at its own size) and corrected
// as a still with cropping on, through our edge finder; what the finder
// answered places the crop, a turned rectangle, back in frame pixels.
// Reported per frame and in sum:
//
// - the angle error modulo 90 degrees against the mean direction of the
//   page's four true sides;
// - the overlap (intersection over union) of the crop with the true
//   quadrilateral, the share of the page the crop keeps and the share of
//   the crop that is desk;
// - the ceiling: the best overlap a turned rectangle holding the whole page
//   reaches (the frames are hand-held, so the page is seen in perspective);
// - "no page" (the finder found none) and "wrong" (found, overlap below 0.5);
// - bare-desk strips, the frame's parts left and right of the page: each
//   must give "no page".
#include "bench/correction_real_frames.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

#include "capture/virtual/scene_renderer.h"
#include "imaging/correction/correction.h"
#include "imaging/picture_file.h"
#include "imaging/picture_operations.h"

namespace {

using Point = capture::FramePoint;
using Polygon = std::vector<Point>;

double Area(const Polygon& polygon) {
  double twice = 0;
  for (std::size_t i = 0; i < polygon.size(); ++i) {
    const Point& p = polygon[i];
    const Point& q = polygon[(i + 1) % polygon.size()];
    twice += p.x * q.y - q.x * p.y;
  }
  return std::abs(twice) / 2;
}

// The part of `subject` inside the convex `clip` (both in one turning sense).
Polygon Intersect(Polygon subject, const Polygon& clip) {
  double orientation = 0;
  for (std::size_t i = 0; i < clip.size(); ++i) {
    orientation += clip[i].x * clip[(i + 1) % clip.size()].y - clip[(i + 1) % clip.size()].x * clip[i].y;
  }
  for (std::size_t i = 0; i < clip.size() && !subject.empty(); ++i) {
    const Point a = clip[i], b = clip[(i + 1) % clip.size()];
    auto side = [&](const Point& p) { return ((b.x - a.x) * (p.y - a.y) - (b.y - a.y) * (p.x - a.x)) * orientation; };
    Polygon kept;
    for (std::size_t j = 0; j < subject.size(); ++j) {
      const Point p = subject[j], q = subject[(j + 1) % subject.size()];
      const double sp = side(p), sq = side(q);
      if (sp >= 0) kept.push_back(p);
      if ((sp >= 0) != (sq >= 0)) {
        const double f = sp / (sp - sq);
        kept.push_back({p.x + (q.x - p.x) * f, p.y + (q.y - p.y) * f});
      }
    }
    subject = std::move(kept);
  }
  return subject;
}

struct Truth {
  std::string image;
  Polygon page;  // top-left, top-right, bottom-right, bottom-left
};

std::vector<Truth> ReadTruth(const std::string& path) {
  std::ifstream file(path);
  std::vector<Truth> rows;
  std::string line;
  std::getline(file, line);  // the header
  while (std::getline(file, line)) {
    std::stringstream fields(line);
    Truth truth;
    std::string value;
    if (!std::getline(fields, truth.image, ',')) continue;
    std::array<double, 8> numbers{};
    bool complete = true;
    for (double& number : numbers) {
      complete = complete && std::getline(fields, value, ',');
      if (complete) number = std::strtod(value.c_str(), nullptr);
    }
    if (!complete) continue;
    for (std::size_t i = 0; i < 4; ++i) truth.page.push_back({numbers[2 * i], numbers[2 * i + 1]});
    rows.push_back(truth);
  }
  return rows;
}

// Degrees the page lies turned clockwise: the mean direction of its four sides.
double TrueAngle(const Polygon& q) {
  auto direction = [](const Point& from, const Point& to, double less) {
    return std::atan2(to.y - from.y, to.x - from.x) * 180.0 / std::numbers::pi - less;
  };
  return (direction(q[0], q[1], 0) + direction(q[3], q[2], 0) + direction(q[0], q[3], 90) + direction(q[1], q[2], 90)) /
         4;
}

// The best overlap of a turned rectangle holding the whole page.
double Ceiling(const Polygon& page) {
  const double area = Area(page);
  const double around = TrueAngle(page);
  double best = 0;
  for (double degrees = around - 5; degrees <= around + 5; degrees += 0.02) {
    const double r = degrees * std::numbers::pi / 180.0;
    double low[2] = {1e18, 1e18}, high[2] = {-1e18, -1e18};
    for (const Point& p : page) {
      const double u = p.x * std::cos(r) + p.y * std::sin(r), v = -p.x * std::sin(r) + p.y * std::cos(r);
      low[0] = std::min(low[0], u), high[0] = std::max(high[0], u);
      low[1] = std::min(low[1], v), high[1] = std::max(high[1], v);
    }
    best = std::max(best, area / ((high[0] - low[0]) * (high[1] - low[1])));
  }
  return best;
}

// Our edge finder, remembering what it answered to each call of a correction.
class RecordingFinder final : public imaging::correction::EdgeFinder {
 public:
  int FindEdge(const char* input, const char* output, double* angle, std::int32_t* e1, std::int32_t* e2, float* left,
               float* top, float* right, float* bottom, std::int32_t* found, std::int32_t* e4) override {
    const int result = finder_->FindEdge(input, output, angle, e1, e2, left, top, right, bottom, found, e4);
    calls.push_back({*angle, *left, *top, *right, *bottom, *found != 0, *e1, *e2});
    return result;
  }
  struct Call {
    double angle;
    float left, top, right, bottom;
    bool found;
    std::int32_t workWidth, workHeight;  // our finder's out-values 4 and 5
  };
  std::vector<Call> calls;

 private:
  std::unique_ptr<imaging::correction::EdgeFinder> finder_ = imaging::correction::MakePageEdgeFinder();
};

struct Corrected {
  bool found = false;
  double turn = 0;  // degrees the still was turned clockwise
  Polygon crop;     // the crop in frame pixels
};

// Corrects `still` as the still pipeline does and places the crop in it.
Corrected Correct(const imaging::Picture& still, const std::string& folder) {
  RecordingFinder finder;
  std::unique_ptr<imaging::correction::PageProcessor> processor = imaging::correction::MakeBookPageProcessor();
  imaging::correction::AutomaticCorrection correction(finder, *processor);
  imaging::Picture picture = still;
  correction.CorrectStill(picture, folder, imaging::CorrectionSwitches{.autoCrop = true});
  Corrected result;
  if (finder.calls.size() != 2) return result;
  const int w = still.Width(), h = still.Height();
  result.found = finder.calls[0].found;
  result.turn = static_cast<float>(finder.calls[0].angle);
  const auto& edges = finder.calls[1];
  auto scaled = [](int size, float edge, int side) {
    return std::clamp(std::trunc(size * static_cast<double>(edge / static_cast<float>(side))), 0.0, 1.0 * size);
  };
  double left = scaled(w, edges.left, edges.workWidth), right = scaled(w, edges.right, edges.workWidth);
  double top = scaled(h, edges.top, edges.workHeight), bottom = scaled(h, edges.bottom, edges.workHeight);
  if (left == right || top == bottom) left = 0, top = 0, right = w, bottom = h;
  if (picture.Width() != static_cast<int>(std::abs(right - left)) ||
      picture.Height() != static_cast<int>(std::abs(bottom - top))) {
    std::fprintf(stderr, "the corrected still is %d x %d, not the crop found\n", picture.Width(), picture.Height());
  }
  // A pixel of the turned still at offset d from the centre shows the frame
  // at d turned back (counter-clockwise) by the turn.
  const double r = result.turn * std::numbers::pi / 180.0;
  const double c = std::cos(r), s = std::sin(r), cx = w / 2.0, cy = h / 2.0;
  for (const Point& p : {Point{left, top}, Point{right, top}, Point{right, bottom}, Point{left, bottom}}) {
    const double dx = p.x - cx, dy = p.y - cy;
    result.crop.push_back({dx * c + dy * s + cx, -dx * s + dy * c + cy});
  }
  return result;
}

// The frame as the virtual camera delivers it when its scene shows the picture.
imaging::Picture Shoot(const std::string& path) {
  const imaging::Picture original = imaging::LoadPicture(path);
  if (original.Empty()) return original;
  const std::string text = "format RGB24 " + std::to_string(original.Width()) + " " +
                           std::to_string(original.Height()) + "\npicture \"" + path + "\"\nwait 1000\n";
  const capture::SceneParseResult parsed = capture::ParseScene(text);
  if (!parsed.scene) {
    std::fprintf(stderr, "%s\n", parsed.error.c_str());
    return imaging::Picture();
  }
  const auto scene = std::make_shared<const capture::Scene>(*parsed.scene);
  std::vector<std::uint8_t> bytes;
  capture::SceneRenderer(scene).Render(capture::DeskAt(*scene, 0), original.Width(), original.Height(), bytes);
  return imaging::Picture::FromBgrRows(bytes, original.Width(), original.Height(),
                                       capture::FrameStride(original.Width()));
}

struct Sums {
  int frames = 0, found = 0, noPage = 0, wrong = 0;
  double error = 0, worstError = 0, overlap = 0, worstOverlap = 1, kept = 0, desk = 0, ceiling = 0;
};

double AngleError(double turn, double pageAngle) {
  double error = std::fmod(turn + pageAngle, 90.0);
  if (error >= 45) error -= 90;
  if (error < -45) error += 90;
  return std::abs(error);
}

}  // namespace

bool ReportRealFrames(const std::string& folder) {
  const std::vector<Truth> truths = ReadTruth(folder + "/truth.csv");
  if (truths.empty()) return false;
  const std::string work = (std::filesystem::temp_directory_path() / "mervale-real-frames").string() + "/";
  std::filesystem::create_directories(work);
  std::printf("\nReal frames (%s), each corrected as a still with cropping:\n\n", folder.c_str());
  std::printf("| %-42s | %6s | %6s | %7s | %6s | %6s | %-8s |\n", "frame", "error", "IoU", "ceiling", "kept", "desk",
              "result");
  std::printf("|%s|%s|%s|%s|%s|%s|%s|\n", std::string(44, '-').c_str(), std::string(8, '-').c_str(),
              std::string(8, '-').c_str(), std::string(9, '-').c_str(), std::string(8, '-').c_str(),
              std::string(8, '-').c_str(), std::string(10, '-').c_str());
  Sums sums;
  int strips = 0, stripsBare = 0;
  for (const Truth& truth : truths) {
    const imaging::Picture frame = Shoot(folder + "/" + truth.image);
    if (frame.Empty()) {
      std::fprintf(stderr, "cannot read %s\n", truth.image.c_str());
      return false;
    }
    const Corrected corrected = Correct(frame, work);
    const double pageArea = Area(truth.page);
    const double common = Area(Intersect(corrected.crop, truth.page));
    const double cropArea = Area(corrected.crop);
    const double overlap = common / (pageArea + cropArea - common);
    const double error = AngleError(corrected.turn, TrueAngle(truth.page));
    const double ceiling = Ceiling(truth.page);
    const char* verdict = !corrected.found ? "no page" : (overlap < 0.5 ? "wrong" : "found");
    ++sums.frames;
    sums.found += corrected.found && overlap >= 0.5;
    sums.noPage += !corrected.found;
    sums.wrong += corrected.found && overlap < 0.5;
    sums.error += error, sums.worstError = std::max(sums.worstError, error);
    sums.overlap += overlap, sums.worstOverlap = std::min(sums.worstOverlap, overlap);
    sums.kept += common / pageArea, sums.desk += 1 - common / cropArea, sums.ceiling += ceiling;
    std::printf("| %-42s | %6.2f | %6.3f | %7.3f | %6.3f | %6.3f | %-8s |\n", truth.image.c_str(), error, overlap,
                ceiling, common / pageArea, 1 - common / cropArea, verdict);

    // The desk left and right of the page, a margin of 2% of the width away.
    double low = 1e18, high = -1e18;
    for (const Point& p : truth.page) low = std::min(low, p.x), high = std::max(high, p.x);
    const int margin = frame.Width() / 50;
    const int stripLeft[2] = {0, static_cast<int>(high) + margin};
    const int stripRight[2] = {static_cast<int>(low) - margin, frame.Width()};
    for (int i = 0; i < 2; ++i) {
      if (stripRight[i] - stripLeft[i] < frame.Width() / 8) continue;
      imaging::Picture strip = frame;
      imaging::Crop(strip, {stripLeft[i], 0, stripRight[i], frame.Height()});
      const Corrected bare = Correct(strip, work);
      ++strips;
      stripsBare += !bare.found;
      if (bare.found)
        std::printf("|   %-40s | page found on the bare desk %s\n", truth.image.c_str(), i ? "right" : "left");
    }
  }
  const double n = std::max(1, sums.frames);
  std::printf("| %-42s | %6.2f | %6.3f | %7.3f | %6.3f | %6.3f | %d/%d    |\n", "mean (found with IoU >= 0.5)",
              sums.error / n, sums.overlap / n, sums.ceiling / n, sums.kept / n, sums.desk / n, sums.found,
              sums.frames);
  std::printf("| %-42s | %6.2f | %6.3f | %7s | %6s | %6s | %-8s |\n", "worst", sums.worstError, sums.worstOverlap, "",
              "", "", "");
  std::printf("\n\"no page\" on %d of %d frames, wrong on %d; bare-desk strips: \"no page\" on %d of %d\n", sums.noPage,
              sums.frames, sums.wrong, stripsBare, strips);
  std::filesystem::remove_all(work);
  return true;
}
