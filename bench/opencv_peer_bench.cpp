// Our picture work side by side with the same work done by OpenCV, on the
// same frames in the same run, on one core: each operation runs ours and
// OpenCV's in turn, several rounds interleaved, and prints the medians and
// their ratio (ours / OpenCV, below 1 where ours is faster). The whole
// stills run once more on two cores, both sides.
//
//   opencv_peer_bench [rounds] [width height]
#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <sched.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "acquire/page_queue.h"
#include "acquire/picture_bitmap.h"
#include "bench/bench_folder.h"
#include "bench/document_frame.h"
#include "capture/media_format.h"
#include "capture/virtual/scene_renderer.h"
#include "imaging/bmp_file.h"
#include "imaging/colour_mode.h"
#include "imaging/correction/correction.h"
#include "imaging/picture.h"
#include "imaging/picture_operations.h"
#include "platform/global_memory.h"
#include "stills/still_pipeline.h"

namespace {

using imaging::Picture;
using Clock = std::chrono::steady_clock;

class NoBoxes final : public platform::MessageBoxes {
 public:
  int Show(const platform::MessageBoxRequest&) override { return platform::mb::kIdOk; }
};

// Where the timed runs may go: one core (each run kept on the processor it
// starts on, so that the row split and OpenCV find one), or all of them.
// Our row split and OpenCV's threads both follow the affinity.
class Cores {
 public:
  Cores() { sched_getaffinity(0, sizeof all_, &all_); }
  int Count() const { return CPU_COUNT(&all_); }
  void UseOne(bool one) {
    one_ = one;
    cv::setNumThreads(one ? 0 : Count());
  }
  // Around each timed run.
  void Enter() const {
    if (!one_) return;
    cpu_set_t here;
    CPU_ZERO(&here);
    CPU_SET(sched_getcpu(), &here);
    sched_setaffinity(0, sizeof here, &here);
  }
  void Leave() const { sched_setaffinity(0, sizeof all_, &all_); }

 private:
  cpu_set_t all_;
  bool one_ = true;
};

Cores cores;

// Milliseconds of processor time the process has taken, all its threads.
double ProcessorMs() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

// A run's wall time and processor time, milliseconds.
struct Times {
  double wall = 0;
  double processor = 0;
};

// One timed run: `prepare` (untimed) then `run`.
Times TimeOnce(const std::function<void()>& prepare, const std::function<void()>& run) {
  prepare();
  cores.Enter();
  const auto start = Clock::now();
  const double processorStart = ProcessorMs();
  run();
  const Times times{std::chrono::duration<double, std::milli>(Clock::now() - start).count(),
                    ProcessorMs() - processorStart};
  cores.Leave();
  return times;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

struct Side {
  std::function<void()> prepare;
  std::function<void()> run;
};

// Prints the medians of wall time, their ratio, and the ratio of the
// medians of processor time, which others' work on a shared machine
// disturbs less (on one core the two differ by the time the run waited).
void Compare(const char* operation, const char* peer, int rounds, const Side& ours, const Side& theirs) {
  std::vector<double> oursWall, theirsWall, oursProcessor, theirsProcessor;
  for (int round = 0; round < rounds; ++round) {
    const Times a = TimeOnce(ours.prepare, ours.run);
    const Times b = TimeOnce(theirs.prepare, theirs.run);
    oursWall.push_back(a.wall);
    oursProcessor.push_back(a.processor);
    theirsWall.push_back(b.wall);
    theirsProcessor.push_back(b.processor);
  }
  const double a = Median(oursWall);
  const double b = Median(theirsWall);
  const double cpuA = Median(oursProcessor);
  const double cpuB = Median(theirsProcessor);
  std::printf("| %-48s | %7.2f | %7.2f | %-20s | %5.2f | %7.2f | %7.2f | %5.2f |\n", operation, a, b, peer, a / b, cpuA,
              cpuB, cpuA / cpuB);
  std::fflush(stdout);
}

// A page lying a little askew on the desk, as the virtual camera sees it:
// rows bottom-up, as a camera delivers them.
std::vector<std::uint8_t> DeskFrame(int width, int height) {
  const capture::SceneParseResult parsed = capture::ParseScene("page p 210 297 seed 11\nplace p 150 115 3\n");
  const auto scene = std::make_shared<const capture::Scene>(*parsed.scene);
  std::vector<std::uint8_t> bytes;
  capture::SceneRenderer(scene).Render(capture::DeskAt(*scene, 0), width, height, bytes);
  return bytes;
}

// OpenCV's chain for a still's position correction, the work our
// correction does: an 800 x 600 nearest-pixel copy, Otsu's threshold of
// its grey, the outer contours, the smallest turned rectangle around the
// largest; the still turned by that rectangle's angle and cropped to it.
cv::Mat CorrectedByOpenCv(const cv::Mat& still) {
  constexpr int kWorkWidth = 800, kWorkHeight = 600;
  cv::Mat work, grey, bw;
  cv::resize(still, work, cv::Size(kWorkWidth, kWorkHeight), 0, 0, cv::INTER_NEAREST);
  cv::cvtColor(work, grey, cv::COLOR_BGR2GRAY);
  cv::threshold(grey, bw, 0, 255, cv::THRESH_BINARY | cv::THRESH_OTSU);
  std::vector<std::vector<cv::Point>> contours;
  cv::findContours(bw, contours, cv::RETR_EXTERNAL, cv::CHAIN_APPROX_SIMPLE);
  if (contours.empty()) return still.clone();
  const auto largest = std::max_element(contours.begin(), contours.end(), [](const auto& a, const auto& b) {
    return cv::contourArea(a) < cv::contourArea(b);
  });
  const cv::RotatedRect page = cv::minAreaRect(*largest);
  const double angle = page.angle > 45 ? page.angle - 90 : page.angle;
  const cv::Point2f centre(still.cols / 2.0f, still.rows / 2.0f);
  cv::Mat turned;
  cv::warpAffine(still, turned, cv::getRotationMatrix2D(centre, angle, 1.0), still.size(), cv::INTER_LINEAR);
  const double scaleX = static_cast<double>(still.cols) / kWorkWidth;
  const double scaleY = static_cast<double>(still.rows) / kWorkHeight;
  const bool across = page.angle <= 45;
  const double pageWidth = (across ? page.size.width : page.size.height) * scaleX;
  const double pageHeight = (across ? page.size.height : page.size.width) * scaleY;
  const cv::Rect crop = cv::Rect(static_cast<int>(page.center.x * scaleX - pageWidth / 2),
                                 static_cast<int>(page.center.y * scaleY - pageHeight / 2), static_cast<int>(pageWidth),
                                 static_cast<int>(pageHeight)) &
                        cv::Rect(0, 0, still.cols, still.rows);
  return turned(crop).clone();
}

// The frame as an OpenCV matrix, top row first as OpenCV keeps it.
cv::Mat MatOf(const Picture& picture) {
  const int type = picture.BitsPerPixel() == 24 ? CV_8UC3 : CV_8UC1;
  cv::Mat bottomUp(picture.Height(), picture.Width(), type, const_cast<std::uint8_t*>(picture.Row(0)),
                   picture.Stride());
  cv::Mat topDown;
  cv::flip(bottomUp, topDown, 0);
  return topDown;
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
  const int width = argc > 3 ? std::atoi(argv[2]) : 3264;
  const int height = argc > 3 ? std::atoi(argv[3]) : 2448;
  cores.UseOne(true);

  const Picture colour = bench::DocumentFrame(width, height);
  Picture grey = colour;
  imaging::ConvertToGrey(grey);
  const cv::Mat colourMat = MatOf(colour);
  const cv::Mat greyMat = MatOf(grey);
  constexpr double kAngle = 3.7;
  const cv::Mat turn = cv::getRotationMatrix2D(cv::Point2f(width / 2.0f, height / 2.0f), -kAngle, 1.0);

  Picture work;
  cv::Mat out;
  const auto copyColour = [&] { work = colour; };
  const auto copyGrey = [&] { work = grey; };
  const auto dropOut = [&] { out.release(); };

  std::printf("frames %d x %d, %d rounds, medians in ms, OpenCV %s; one core unless the row says two\n\n", width,
              height, rounds, CV_VERSION);
  std::printf("| %-48s | %7s | %7s | %-20s | %5s | %7s | %7s | %5s |\n", "operation", "ours", "OpenCV", "OpenCV call",
              "ratio", "CPU", "CPU", "ratio");
  std::printf("|%s|---------|---------|----------------------|-------|---------|---------|-------|\n",
              std::string(50, '-').c_str());

  Compare("BGR -> grey", "cvtColor", rounds, {copyColour, [&] { imaging::ConvertToGrey(work); }},
          {dropOut, [&] { cv::cvtColor(colourMat, out, cv::COLOR_BGR2GRAY); }});
  Compare("grey -> black-and-white (adaptive)", "adaptiveThreshold", rounds,
          {copyGrey, [&] { imaging::ConvertToBlackWhite(work); }},
          {dropOut,
           [&] { cv::adaptiveThreshold(greyMat, out, 255, cv::ADAPTIVE_THRESH_MEAN_C, cv::THRESH_BINARY, 65, 0); }});
  Compare("colour -> black-and-white", "cvtColor, adaptive", rounds,
          {copyColour, [&] { imaging::ConvertToBlackWhite(work); }},
          {dropOut, [&] {
             cv::Mat g;
             cv::cvtColor(colourMat, g, cv::COLOR_BGR2GRAY);
             cv::adaptiveThreshold(g, out, 255, cv::ADAPTIVE_THRESH_MEAN_C, cv::THRESH_BINARY, 65, 0);
           }});
  Compare("bilinear turn, size kept, 24-bit", "warpAffine", rounds,
          {copyColour, [&] { imaging::TurnBilinear(work, kAngle, imaging::kBlack); }},
          {dropOut, [&] { cv::warpAffine(colourMat, out, turn, colourMat.size(), cv::INTER_LINEAR); }});
  Compare("bilinear turn, size kept, 8-bit", "warpAffine", rounds,
          {copyGrey, [&] { imaging::TurnBilinear(work, kAngle, imaging::kBlack); }},
          {dropOut, [&] { cv::warpAffine(greyMat, out, turn, greyMat.size(), cv::INTER_LINEAR); }});
  Compare("nearest resampling to 800 x 600, 24-bit", "resize", rounds,
          {copyColour, [&] { imaging::ResampleNearest(work, 800, 600); }},
          {dropOut, [&] { cv::resize(colourMat, out, cv::Size(800, 600), 0, 0, cv::INTER_NEAREST); }});

  // Memory-transfer rows: top row first, red first, into the application's buffer.
  std::vector<std::uint8_t> buffer(colour.Stride() * static_cast<std::size_t>(height));
  Compare("memory-transfer rows, BGR -> RGB, flipped", "cvtColor, flip", rounds,
          {[] {},
           [&] {
             for (int y = 0; y < height; ++y) {
               acquire::CopyBitmapRow(colour.Row(height - 1 - y), buffer.data() + colour.Stride() * y, colour.Stride(),
                                      true);
             }
           }},
          {dropOut, [&] {
             cv::Mat rgb;
             cv::cvtColor(colourMat, rgb, cv::COLOR_BGR2RGB);
             cv::flip(rgb, out, 0);
           }});

  // Native transfer: the stored file read into a bitmap block.
  const std::string path = std::string(P_tmpdir) + "/mervale_peer_bench.bmp";
  imaging::SaveBmp(colour, path);
  platform::GlobalMemory& memory = platform::SystemGlobalMemory();
  NoBoxes boxes;
  acquire::PictureBitmap bitmap = nullptr;
  Compare("native transfer: the file into a bitmap block", "imread", rounds,
          {[&] {
             if (bitmap != nullptr) memory.Free(bitmap);
             bitmap = nullptr;
           },
           [&] { bitmap = acquire::LoadPictureBitmap(path, memory, boxes); }},
          {dropOut, [&] { out = cv::imread(path, cv::IMREAD_UNCHANGED); }});
  if (bitmap != nullptr) memory.Free(bitmap);
  Compare("BMP file written", "imwrite", rounds, {[] {}, [&] { imaging::SaveBmp(colour, path); }},
          {[] {}, [&] { cv::imwrite(path, colourMat); }});
  std::remove(path.c_str());

  // The position correction of a still, and whole stills from the camera's
  // frame to the stored file, corrected and cropped.
  const bench::BenchFolder folder("mervale-peer");
  const std::vector<std::uint8_t> frame = DeskFrame(width, height);
  const std::size_t frameStride = capture::FrameStride(width);
  const Picture still = Picture::FromBgrRows(frame, width, height, frameStride);
  const cv::Mat stillMat = MatOf(still);
  imaging::correction::AutomaticCorrection correction;
  Compare("CorrectStill (work picture, finder, turn, crop)", "resize .. warpAffine", rounds,
          {[&] { work = still; }, [&] { correction.CorrectStill(work, folder.Path(), {.autoCrop = true}); }},
          {dropOut, [&] { out = CorrectedByOpenCv(stillMat); }});

  acquire::PageQueue queue(memory, boxes);
  settings::Settings settings;
  settings.autoCorrect = 1;
  settings.autoCrop = 1;
  caps::StoredValues capValues;
  imaging::StillPipeline pipeline({queue, settings, capValues, boxes, platform::SystemTextRenderer()});
  pipeline.SetCorrection(&correction);
  const capture::FrameView view{frame.data(), static_cast<long>(frame.size()), width, height, 0.0};
  const std::string peerFile = folder.Path() + "peer.bmp";
  const auto wholeStill = [&](const char* operation, capture::PictureKind kind) {
    capture::StillParameters parameters;
    parameters.kind = kind;
    parameters.frameWidth = width;
    parameters.frameHeight = height;
    pipeline.PrepareStill(parameters);
    parameters.settings.pictureFolder = folder.Path();
    const bool blackWhite = kind == capture::PictureKind::BlackWhite;
    Compare(operation, blackWhite ? ".. adaptive, imwrite" : ".. imwrite", rounds,
            {[&] { queue.SetPictureCount(0); }, [&] { pipeline.ProcessStill(view, parameters); }},
            {dropOut, [&] {
               cv::Mat bottomUp(height, width, CV_8UC3, const_cast<std::uint8_t*>(frame.data()), frameStride);
               cv::Mat topDown;
               cv::flip(bottomUp, topDown, 0);
               out = CorrectedByOpenCv(topDown);
               if (blackWhite) {
                 cv::Mat grey;
                 cv::cvtColor(out, grey, cv::COLOR_BGR2GRAY);
                 cv::adaptiveThreshold(grey, out, 255, cv::ADAPTIVE_THRESH_MEAN_C, cv::THRESH_BINARY, 65, 0);
               }
               cv::imwrite(peerFile, out);
             }});
  };
  wholeStill("whole still, colour, corrected and cropped", capture::PictureKind::Colour);
  wholeStill("whole still, black-and-white, corrected, cropped", capture::PictureKind::BlackWhite);
  if (cores.Count() > 1) {
    cores.UseOne(false);
    wholeStill("the same, colour, two cores", capture::PictureKind::Colour);
    wholeStill("the same, black-and-white, two cores", capture::PictureKind::BlackWhite);
  }
  pipeline.SetCorrection(nullptr);
  return 0;
}
