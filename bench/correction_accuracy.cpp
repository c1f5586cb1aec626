// Accuracy of our edge finder on virtual-camera frames whose truth is
// known: every frame of the scenes in correction_scenes.txt is rendered at
// 3264 x 2448, reduced to the 800 x 600 work picture exactly as the
// position correction makes it, and measured. Prints, per scene, the mean
// and worst absolute error of the angle and the mean and worst overlap
// (intersection over union) of the page rectangle with the true one: the
// true page turned by the true angle about the work picture's centre,
// bounded and clipped to the picture. Then, as the position correction
// does for its crop, the work picture is turned by the angle found and
// measured again: the last column is the worst overlap of that rectangle
// with the true page turned by the angle found. Frames without a page must
// give the whole picture at angle 0.
//
// Then the real camera frames of REAL-FRAMES-FOLDER (by default the
// shared/real-frames folder found beside the checkout when it was
// configured) are reported as correction_real_frames.cpp describes; when
// the folder is absent the program says so and skips them.
//
//   correction_accuracy [SCENES-FILE [REAL-FRAMES-FOLDER]]
#include <stdlib.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

#include "bench/correction_real_frames.h"
#include "capture/virtual/scene_renderer.h"
#include "imaging/bmp_file.h"
#include "imaging/correction/correction.h"
#include "imaging/picture_operations.h"

namespace {

constexpr int kFrameWidth = 3264;
constexpr int kFrameHeight = 2448;
constexpr int kWorkWidth = 800;
constexpr int kWorkHeight = 600;

struct Box {
  double left, top, right, bottom;
};

double Area(const Box& b) { return std::max(0.0, b.right - b.left) * std::max(0.0, b.bottom - b.top); }

double Overlap(const Box& a, const Box& b) {
  const Box common{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                   std::min(a.bottom, b.bottom)};
  const double both = Area(common);
  const double either = Area(a) + Area(b) - both;
  return either > 0 ? both / either : 1.0;
}

// The true page in the work picture once turned clockwise by `turn` degrees.
Box TruePage(const capture::Scene& scene, const capture::PlacedPage& placed, double turn) {
  const double scale = static_cast<double>(kWorkWidth) / kFrameWidth;
  const double radians = turn * std::numbers::pi / 180.0;
  const double c = std::cos(radians);
  const double s = std::sin(radians);
  const double cx = kWorkWidth / 2.0;
  const double cy = kWorkHeight / 2.0;
  Box box{1e9, 1e9, -1e9, -1e9};
  for (const capture::FramePoint& corner : capture::PageCorners(scene, placed, kFrameWidth, kFrameHeight)) {
    const double dx = corner.x * scale - cx;
    const double dy = corner.y * scale - cy;
    const double x = dx * c - dy * s + cx;
    const double y = dx * s + dy * c + cy;
    box = {std::min(box.left, x), std::min(box.top, y), std::max(box.right, x), std::max(box.bottom, y)};
  }
  return {std::max(box.left, 0.0), std::max(box.top, 0.0), std::min(box.right, double{kWorkWidth}),
          std::min(box.bottom, double{kWorkHeight})};
}

struct Row {
  std::string name;
  int frames = 0;
  double errorSum = 0, errorWorst = 0, overlapSum = 0, overlapWorst = 1, cropWorst = 1;
  void Add(double error, double overlap, double cropOverlap) {
    ++frames;
    errorSum += error;
    errorWorst = std::max(errorWorst, error);
    overlapSum += overlap;
    overlapWorst = std::min(overlapWorst, overlap);
    cropWorst = std::min(cropWorst, cropOverlap);
  }
};

void Print(const Row& row) {
  std::printf("| %-50s | %6d | %8.3f | %8.3f | %8.4f | %8.4f | %8.4f |\n", row.name.c_str(), row.frames,
              row.frames ? row.errorSum / row.frames : 0.0, row.errorWorst,
              row.frames ? row.overlapSum / row.frames : 0.0, row.overlapWorst, row.cropWorst);
}

struct Measurement {
  double angle = 0;
  Box page{};
};

Measurement Measure(imaging::correction::EdgeFinder& finder, const imaging::Picture& work, const std::string& input,
                    const std::string& output) {
  imaging::SaveBmp(work, input);
  Measurement m;
  std::int32_t extra[4] = {};
  float left = 0, top = 0, right = 0, bottom = 0;
  finder.FindEdge(input.c_str(), output.c_str(), &m.angle, &extra[0], &extra[1], &left, &top, &right, &bottom,
                  &extra[2], &extra[3]);
  m.page = {left, top, right, bottom};
  return m;
}

std::vector<std::pair<std::string, std::string>> SceneBlocks(const std::string& path) {
  std::ifstream file(path);
  std::vector<std::pair<std::string, std::string>> blocks;
  std::string line;
  const std::string marker = "# scene ";
  while (std::getline(file, line)) {
    if (line.rfind(marker, 0) == 0) {
      blocks.push_back({line.substr(marker.size()), ""});
    } else if (!blocks.empty()) {
      blocks.back().second += line + "\n";
    }
  }
  return blocks;
}

std::int64_t FrameCount(const capture::Scene& scene) {
  std::int64_t frames = 0;
  for (const capture::SceneStep& step : scene.script) {
    if (step.kind == capture::StepKind::Wait || step.kind == capture::StepKind::Move) {
      frames += capture::StepFrames(scene, step.milliseconds);
    }
  }
  return frames;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string scenesPath = argc > 1 ? argv[1] : MERVALE_CORRECTION_SCENES;
  const auto blocks = SceneBlocks(scenesPath);
  if (blocks.empty()) {
    std::fprintf(stderr, "no scenes in %s\n", scenesPath.c_str());
    return 1;
  }
  const std::string work = (std::filesystem::temp_directory_path() / "mervale-accuracy-in.bmp").string();
  const std::string output = (std::filesystem::temp_directory_path() / "mervale-accuracy-out.bmp").string();
  const std::unique_ptr<imaging::correction::EdgeFinder> finder = imaging::correction::MakePageEdgeFinder();

  std::printf("| %-50s | %6s | %8s | %8s | %8s | %8s | %8s |\n", "scenes", "frames", "mean err", "worst", "mean IoU",
              "worst", "crop IoU");
  std::printf("|%s|%s|%s|%s|%s|%s|%s|\n", std::string(52, '-').c_str(), std::string(8, '-').c_str(),
              std::string(10, '-').c_str(), std::string(10, '-').c_str(), std::string(10, '-').c_str(),
              std::string(10, '-').c_str(), std::string(10, '-').c_str());
  Row pages{"all frames with a page"};
  Row blank{"all frames of a bare desk"};
  std::vector<std::uint8_t> bytes;
  for (const auto& [name, text] : blocks) {
    const capture::SceneParseResult parsed = capture::ParseScene(text);
    if (!parsed.scene) {
      std::fprintf(stderr, "scene \"%s\": %s\n", name.c_str(), parsed.error.c_str());
      return 1;
    }
    const auto scene = std::make_shared<const capture::Scene>(*parsed.scene);
    const capture::SceneRenderer renderer(scene);
    Row row{name};
    for (std::int64_t index = 0; index < FrameCount(*scene); ++index) {
      const capture::DeskState desk = capture::DeskAt(*scene, index);
      renderer.Render(desk, kFrameWidth, kFrameHeight, bytes);
      imaging::Picture picture =
          imaging::Picture::FromBgrRows(bytes, kFrameWidth, kFrameHeight, capture::FrameStride(kFrameWidth));
      imaging::ResampleNearest(picture, kWorkWidth, kWorkHeight);
      imaging::AdjustBrightnessContrast(picture, 25, 0);
      const Measurement first = Measure(*finder, picture, work, output);
      imaging::TurnBilinear(picture, static_cast<float>(first.angle), imaging::kBlack);
      const Measurement second = Measure(*finder, picture, work, output);
      const Box whole{0, 0, kWorkWidth, kWorkHeight};
      if (desk.pages.empty()) {
        blank.Add(std::abs(first.angle), Overlap(first.page, whole), Overlap(second.page, whole));
        continue;
      }
      const capture::PlacedPage& placed = desk.pages.back();
      const double truth = -placed.pose.angle;
      const double error = std::abs(first.angle - truth);
      const double overlap = Overlap(first.page, TruePage(*scene, placed, truth));
      const double cropOverlap = Overlap(second.page, TruePage(*scene, placed, first.angle));
      row.Add(error, overlap, cropOverlap);
      pages.Add(error, overlap, cropOverlap);
    }
    Print(row);
  }
  Print(pages);
  Print(blank);
  std::filesystem::remove(work);
  std::filesystem::remove(output);

  const std::string realFrames = argc > 2 ? argv[2] : MERVALE_REAL_FRAMES;
  if (realFrames.empty() || !std::filesystem::is_directory(realFrames)) {
    std::printf("\nno real frames (%s is absent): skipped\n",
                realFrames.empty() ? "shared/real-frames" : realFrames.c_str());
    return 0;
  }
  return ReportRealFrames(realFrames) ? 0 : 1;
}
