// Our picture work side by side with the same work done by OpenCV, on the
// same frames in the same run, on one core: each operation runs ours and
// OpenCV's in turn, several rounds interleaved, and prints the medians and
// their ratio (ours / OpenCV, below 1 where ours is faster).
//
//   opencv_peer_bench [rounds] [width height]
#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "acquire/picture_bitmap.h"
#include "bench/document_frame.h"
#include "imaging/bmp_file.h"
#include "imaging/colour_mode.h"
#include "imaging/picture.h"
#include "imaging/picture_operations.h"
#include "platform/global_memory.h"

namespace {

using imaging::Picture;
using Clock = std::chrono::steady_clock;

class NoBoxes final : public platform::MessageBoxes {
 public:
  int Show(const platform::MessageBoxRequest&) override { return platform::mb::kIdOk; }
};

// One timed run: `prepare` (untimed) then `run`; milliseconds.
double TimeOnce(const std::function<void()>& prepare, const std::function<void()>& run) {
  prepare();
  const auto start = Clock::now();
  run();
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
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

void Compare(const char* operation, const char* peer, int rounds, const Side& ours, const Side& theirs) {
  std::vector<double> oursMs, theirsMs;
  for (int round = 0; round < rounds; ++round) {
    oursMs.push_back(TimeOnce(ours.prepare, ours.run));
    theirsMs.push_back(TimeOnce(theirs.prepare, theirs.run));
  }
  const double a = Median(oursMs);
  const double b = Median(theirsMs);
  std::printf("| %-46s | %7.2f | %7.2f | %-18s | %5.2f |\n", operation, a, b, peer, a / b);
  std::fflush(stdout);
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
  cv::setNumThreads(0);  // OpenCV on the calling thread alone, as ours runs

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

  std::printf("frames %d x %d, %d rounds, medians in ms, OpenCV %s on one thread\n\n", width, height, rounds,
              CV_VERSION);
  std::printf("| %-46s | %7s | %7s | %-18s | %5s |\n", "operation", "ours", "OpenCV", "OpenCV call", "ratio");
  std::printf("|%s|---------|---------|--------------------|-------|\n", std::string(48, '-').c_str());

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
  return 0;
}
