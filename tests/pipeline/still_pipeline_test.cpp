// Frames through the still pipelines into numbered picture files and page
// queue records, as the frame callback hands them over.
#include "imaging/still_pipeline.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <vector>

#include "acquire/picture_files.h"
#include "capture/media_format.h"
#include "fake_text_renderer.h"
#include "imaging/bmp_file.h"
#include "imaging/picture_file.h"
#include "platform/global_memory.h"
#include "support/full_disk.h"
#include "support/temp_dir.h"

namespace {

using namespace imaging;
using capture::PictureKind;
using capture::StillParameters;
using testing_support::ReadFileBytes;

class RecordedBoxes final : public platform::MessageBoxes {
 public:
  int Show(const platform::MessageBoxRequest& request) override {
    shown.push_back(request);
    return platform::mb::kIdOk;
  }
  std::vector<platform::MessageBoxRequest> shown;
};

// A frame as the camera delivers it: rows bottom-up, padded to four bytes,
// each pixel telling its place.
struct Frame {
  Frame(int width, int height) : width(width), height(height) {
    const std::size_t stride = capture::FrameStride(width);
    bytes.assign(stride * static_cast<std::size_t>(height), 0);
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        std::uint8_t* p = bytes.data() + stride * static_cast<std::size_t>(y) + 3 * static_cast<std::size_t>(x);
        const Rgb c = Colour(x, y);
        p[0] = c.blue;
        p[1] = c.green;
        p[2] = c.red;
      }
    }
  }
  static Rgb Colour(int x, int y) {
    return {static_cast<std::uint8_t>(x * 3), static_cast<std::uint8_t>(y * 5), static_cast<std::uint8_t>(x + y)};
  }
  capture::FrameView View() const { return {bytes.data(), static_cast<long>(bytes.size()), width, height, 0.0}; }
  int width;
  int height;
  std::vector<std::uint8_t> bytes;
};

std::uint32_t Le32(const std::string& bytes, std::size_t at) {
  std::uint32_t value = 0;
  std::memcpy(&value, bytes.data() + at, 4);
  return value;
}

// Writes a page processor's output: the processed picture, and the two pages of a spread.
class FakeCorrection final : public StillCorrection {
 public:
  void CorrectStill(Picture& picture, const std::string& folder, const CorrectionSwitches&) override {
    corrected.push_back({picture.Width(), picture.Height()});
    correctionFolder = folder;
  }
  void RemoveBlackEdges(Picture& picture) override { edgesRemoved.push_back({picture.Width(), picture.Height()}); }
  void RunPageProcessing(const std::string& path, const std::string* left, const std::string* right,
                         const CorrectionSwitches&) override {
    processed.push_back(path);
    Picture input = LoadPicture(path);
    inputs.push_back({input.Width(), input.Height()});
    if (left == nullptr) {
      // Processors may answer in another format: a PNG under the same name.
      Picture out(30, 20, 24);
      out.Fill({0, 0, 30, 20}, {90, 120, 150});
      SavePicture(out, path, PictureFormat::Png);
      return;
    }
    Picture leftPage(20, 25, 24);
    leftPage.Fill({0, 0, 20, 25}, {200, 10, 10});
    SaveBmp(leftPage, *left);
    Picture rightPage(22, 25, 24);
    rightPage.Fill({0, 0, 22, 25}, {10, 10, 200});
    SaveBmp(rightPage, *right);
  }

  std::vector<std::pair<int, int>> corrected, edgesRemoved, inputs;
  std::vector<std::string> processed;
  std::string correctionFolder;
};

class StillPipelineTest : public ::testing::Test {
 protected:
  StillPipelineTest() {
    settings.autoCorrect = 0;
    settings.autoCrop = 0;
    capValues.pixelType = 2;
    capValues.xResolution = 200;
  }

  void Shoot(const Frame& frame, PictureKind kind, StillParameters parameters = {}) {
    parameters.kind = kind;
    parameters.frameWidth = frame.width;
    parameters.frameHeight = frame.height;
    pipeline.PrepareStill(parameters);
    pipeline.ProcessStill(frame.View(), parameters);
  }
  void ShootPaged(const Frame& frame, PictureKind kind) {
    StillParameters parameters;
    parameters.kind = kind;
    pipeline.PrepareStill(parameters);
    pipeline.ProcessStillPaged(frame.View(), parameters);
  }
  // The parameters the dialog's request copies, for a frame handed over as it is.
  StillParameters Prepared() const {
    StillParameters parameters;
    pipeline.PrepareStill(parameters);
    return parameters;
  }
  std::string Folder() const { return acquire::PictureFolder(); }
  std::string File(const char* name) const { return Folder() + name; }

  testing_support::TempDir temp;
  testing_support::ScopedEnvironment temporary{"TMPDIR", temp.Path()};
  RecordedBoxes boxes;
  acquire::PageQueue queue{platform::SystemGlobalMemory(), boxes};
  settings::Settings settings;
  caps::StoredValues capValues;
  pipeline_testing::BlockTextRenderer renderer{4000, 100};
  std::tm shotTime = [] {
    std::tm t{};
    t.tm_year = 119;
    t.tm_mon = 11;
    t.tm_mday = 30;
    t.tm_hour = 3;
    t.tm_min = 22;
    t.tm_sec = 32;
    return t;
  }();
  StillPipeline pipeline{{queue, settings, capValues, boxes, renderer, [this] { return shotTime; }}};
};

TEST_F(StillPipelineTest, AColourStillBecomesPictureOneInThePrivatePictureFolder) {
  ASSERT_EQ(Folder(), temp.Path() + "TAVO/");
  EXPECT_EQ(std::filesystem::status(Folder()).permissions() & std::filesystem::perms::all,
            std::filesystem::perms::owner_all);
  const Frame frame(64, 48);
  Shoot(frame, PictureKind::Colour);

  const std::string path = File("twainrgb1.bmp");
  const Picture stored = LoadBmp(path);
  ASSERT_FALSE(stored.Empty());
  EXPECT_EQ(stored.BitsPerPixel(), 24);
  ASSERT_EQ(stored.Width(), 64);
  ASSERT_EQ(stored.Height(), 48);
  // Rows are taken in the order they arrive: the first is the bottom row.
  EXPECT_EQ(stored.GetPixel(0, 0), Frame::Colour(0, 0));
  EXPECT_EQ(stored.GetPixel(63, 47), Frame::Colour(63, 47));
  EXPECT_EQ(stored.DpiX(), 200);

  EXPECT_EQ(queue.PictureCount(), 1);
  const acquire::PageEntry& entry = *queue.Entry(1);
  EXPECT_EQ(entry.filePath, path);
  EXPECT_FLOAT_EQ(entry.widthInches, 0.32f);
  EXPECT_FLOAT_EQ(entry.heightInches, 0.24f);
  EXPECT_EQ(entry.pixelType, protocol::PixelType::Colour);
  EXPECT_EQ(pipeline.LastPicturePath(), path);
  EXPECT_EQ(pipeline.CountAfterLastStill(), 1);
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(StillPipelineTest, GreyAndBlackAndWhiteStillsCarryTheirDepthPaletteAndDpi) {
  settings.dpiX = 200;
  settings.dpiY = 150;
  capValues.pixelType = 1;
  Shoot(Frame(64, 48), PictureKind::Grey);
  const std::string grey = ReadFileBytes(File("twaingray1.bmp"));
  ASSERT_GE(grey.size(), 54u + 1024u);
  EXPECT_EQ(grey[28], 8);
  EXPECT_EQ(Le32(grey, 38), 7874u);  // biXPelsPerMeter for 200 DPI
  EXPECT_EQ(Le32(grey, 42), 5906u);  // and for 150
  EXPECT_EQ(Le32(grey, 46), 256u);
  EXPECT_EQ(queue.Entry(1)->pixelType, protocol::PixelType::Grey);

  capValues.pixelType = 0;
  Shoot(Frame(33, 10), PictureKind::BlackWhite);
  const std::string bw = ReadFileBytes(File("twainbw2.bmp"));
  ASSERT_GE(bw.size(), 62u);
  EXPECT_EQ(bw[28], 1);
  EXPECT_EQ(Le32(bw, 34), 8u * 10u);  // 33 pixels a row take 8 bytes
  EXPECT_EQ(Le32(bw, 46), 2u);
  EXPECT_EQ(Le32(bw, 54), 0u);           // black first
  EXPECT_EQ(Le32(bw, 58), 0x00FFFFFFu);  // then white
  EXPECT_EQ(queue.PictureCount(), 2);
}

TEST_F(StillPipelineTest, AColourAndBlackAndWhitePairTakesTwoConsecutiveNumbers) {
  const Frame frame(40, 30);
  capValues.pixelType = 2;
  Shoot(frame, PictureKind::Colour);
  capValues.pixelType = 0;
  Shoot(frame, PictureKind::BlackWhite);
  EXPECT_EQ(queue.PictureCount(), 2);
  EXPECT_EQ(queue.Entry(1)->filePath, File("twainrgb1.bmp"));
  EXPECT_EQ(queue.Entry(1)->pixelType, protocol::PixelType::Colour);
  EXPECT_EQ(queue.Entry(2)->filePath, File("twainbw2.bmp"));
  EXPECT_EQ(queue.Entry(2)->pixelType, protocol::PixelType::BlackWhite);
  EXPECT_EQ(LoadBmp(File("twainbw2.bmp")).BitsPerPixel(), 1);
}

TEST_F(StillPipelineTest, AStillBeyondTheQueuesCapacityIsRefusedAndTheUserTold) {
  const Frame frame(16, 8);
  queue.SetPictureCount(2039);
  Shoot(frame, PictureKind::Colour);
  EXPECT_EQ(queue.PictureCount(), 2040);
  EXPECT_TRUE(boxes.shown.empty());

  Shoot(frame, PictureKind::Colour);
  EXPECT_EQ(queue.PictureCount(), 2040);
  EXPECT_FALSE(std::filesystem::exists(File("twainrgb2041.bmp")));
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, "Exceeding the maximum!");
  EXPECT_EQ(boxes.shown[0].caption, "Tips");
  EXPECT_EQ(pipeline.LastPicturePath(), File("twainrgb2040.bmp"));

  // Smart paging needs two numbers.
  settings.smartPaging = 1;
  queue.SetPictureCount(2039);
  ShootPaged(frame, PictureKind::Colour);
  EXPECT_EQ(queue.PictureCount(), 2039);
  EXPECT_EQ(boxes.shown.size(), 2u);
}

TEST_F(StillPipelineTest, AnIdCardFrontAtTheLastNumberIsRefusedToo) {
  settings.idCardMode = 1;
  queue.SetPictureCount(2040);
  Shoot(Frame(64, 48), PictureKind::Colour);
  EXPECT_EQ(pipeline.IdCardSide(), 0);
  EXPECT_EQ(boxes.shown.size(), 1u);
}

TEST_F(StillPipelineTest, ABufferTooShortForTheFrameIsDroppedWithoutReadingBeyondIt) {
  // The camera switched to a smaller format than the one connected.
  const Frame small(32, 24);
  capture::FrameView view = small.View();
  view.width = 64;
  view.height = 48;
  pipeline.ProcessStill(view, Prepared());
  pipeline.ProcessStillPaged(view, Prepared());
  // One row short, and no buffer length at all.
  const Frame exact(64, 48);
  view = exact.View();
  view.length -= static_cast<long>(capture::FrameStride(64));
  pipeline.ProcessStill(view, Prepared());
  view.length = -1;
  pipeline.ProcessStill(view, Prepared());
  view.pixels = nullptr;
  view.length = static_cast<long>(exact.bytes.size());
  pipeline.ProcessStill(view, Prepared());

  EXPECT_EQ(queue.PictureCount(), 0);
  EXPECT_FALSE(std::filesystem::exists(File("twainrgb1.bmp")));
  EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(StillPipelineTest, ABufferLargerThanTheFrameGivesTheConnectedSize) {
  const Frame large(80, 60);
  capture::FrameView view = large.View();
  view.width = 64;
  view.height = 48;
  pipeline.ProcessStill(view, Prepared());
  const Picture stored = LoadBmp(File("twainrgb1.bmp"));
  EXPECT_EQ(stored.Width(), 64);
  EXPECT_EQ(stored.Height(), 48);
  EXPECT_EQ(queue.PictureCount(), 1);
}

// The still follows the settings as they were when it was asked for, though
// the dialog changed them before the frame came.
TEST_F(StillPipelineTest, AStillReadsTheCopyMadeWhenItWasAskedFor) {
  settings.idCardMode = 0;
  settings.dpiX = 300;
  settings.watermarkOn = 1;
  settings.watermarkText = "B";
  capValues.pixelType = 1;
  StillParameters parameters = Prepared();
  parameters.kind = PictureKind::Grey;
  settings.idCardMode = 1;
  settings.dpiX = 100;
  settings.watermarkText = "changed";
  capValues.pixelType = 2;
  capValues.xResolution = 50;
  queue.SetPictureCount(0);
  pipeline.ProcessStill(Frame(64, 48).View(), parameters);

  EXPECT_EQ(queue.PictureCount(), 1);  // no ID-card front
  EXPECT_EQ(pipeline.IdCardSide(), 0);
  const Picture stored = LoadBmp(File("twaingray1.bmp"));
  EXPECT_EQ(stored.DpiX(), 300);
  EXPECT_EQ(queue.Entry(1)->pixelType, protocol::PixelType::Grey);
  EXPECT_FLOAT_EQ(queue.Entry(1)->widthInches, 64 / 200.0f);
  ASSERT_EQ(renderer.requests.size(), 1u);
  EXPECT_EQ(renderer.requests[0].text, "B");
}

// A still the dialog stopped waiting for leaves no trace when it comes.
TEST_F(StillPipelineTest, ALateStillIsDroppedWithoutFileRecordCountOrSide) {
  settings.idCardMode = 1;
  queue.SetPictureCount(2);
  StillParameters parameters = Prepared();
  parameters.late = true;
  pipeline.ProcessStill(Frame(64, 48).View(), parameters);
  settings.idCardMode = 0;
  settings.smartPaging = 1;
  parameters = Prepared();
  parameters.late = true;
  pipeline.ProcessStillPaged(Frame(64, 48).View(), parameters);
  queue.SetPictureCount(2040);
  pipeline.ProcessStill(Frame(64, 48).View(), parameters);  // no room: not even the box

  EXPECT_EQ(queue.PictureCount(), 2040);
  EXPECT_EQ(pipeline.IdCardSide(), 0);
  EXPECT_TRUE(queue.Entry(3)->filePath.empty());
  EXPECT_TRUE(!std::filesystem::exists(Folder()) || std::filesystem::is_empty(Folder()));
  EXPECT_TRUE(boxes.shown.empty());
  EXPECT_EQ(pipeline.CountAfterLastStill(), 0);
}

TEST_F(StillPipelineTest, CropTurnAndWatermarkRunInOrder) {
  settings.watermarkOn = 1;
  settings.watermarkTime = 1;
  settings.watermarkText = "A";
  StillParameters parameters;
  parameters.cropMode = 2;
  parameters.cropRect = {0, 0, 5000, 10000};  // the left half: 600 × 300
  parameters.rotation = 90;
  Shoot(Frame(1200, 300), PictureKind::Colour, parameters);

  const Picture stored = LoadBmp(File("twainrgb1.bmp"));
  ASSERT_EQ(stored.Width(), 300);
  ASSERT_EQ(stored.Height(), 600);
  // Turned a quarter clockwise: the cropped picture's top-left is now the top-right.
  EXPECT_EQ(stored.GetPixel(299, 599), Frame::Colour(0, 299));
  // The character height comes from the width before the turn: 600 / 30.
  ASSERT_EQ(renderer.requests.size(), 1u);
  EXPECT_EQ(renderer.requests[0].characterHeight, 20);
  EXPECT_EQ(renderer.requests[0].text, "A  19/12/30 03:22:32");
  // 20 bytes: a strip of 23 × 20 / 2 = 230 from column 300 − 230 + 20 = 90, rows 20 to 39.
  EXPECT_EQ(stored.GetPixel(91, 21), kBlack);
  EXPECT_EQ(stored.GetPixel(299, 39), kBlack);
  EXPECT_NE(stored.GetPixel(91, 40), kBlack);
  EXPECT_NE(stored.GetPixel(89, 21), kBlack);
}

TEST_F(StillPipelineTest, IdCardFrontAndBackComposeOnePictureCountedOnce) {
  settings.idCardMode = 1;
  queue.SetPictureCount(3);
  const Frame frame(1600, 1200);
  StillParameters rotation;
  rotation.rotation = 0;
  Shoot(frame, PictureKind::Colour, rotation);
  // The front is stored under the number the page takes, and not counted.
  const Picture front = LoadBmp(File("twainrgb4.bmp"));
  EXPECT_EQ(front.Width(), 295);
  EXPECT_EQ(front.Height(), 465);
  EXPECT_EQ(queue.PictureCount(), 3);
  EXPECT_EQ(pipeline.IdCardSide(), 1);

  Shoot(frame, PictureKind::Colour, rotation);
  const Picture page = LoadBmp(File("twainrgb4.bmp"));
  EXPECT_EQ(page.Width(), 1560);
  EXPECT_EQ(page.Height(), 1104);
  EXPECT_EQ(queue.PictureCount(), 4);
  EXPECT_EQ(pipeline.IdCardSide(), 0);
  EXPECT_FLOAT_EQ(queue.Entry(4)->widthInches, 1560 / 200.0f);
  EXPECT_FLOAT_EQ(queue.Entry(4)->heightInches, 1104 / 200.0f);
  EXPECT_EQ(pipeline.CountAfterLastStill(), 4);
}

TEST_F(StillPipelineTest, CorrectionStepsRunWhereTheModesCallForThem) {
  FakeCorrection correction;
  pipeline.SetCorrection(&correction);
  StillParameters drawn;
  drawn.cropMode = 2;
  drawn.cropRect = {0, 0, 5000, 5000};
  const Frame frame(100, 80);

  settings.autoCorrect = 1;
  Shoot(frame, PictureKind::Colour, drawn);
  ASSERT_EQ(correction.corrected.size(), 1u);
  EXPECT_EQ(correction.corrected[0], (std::pair{50, 40}));  // after the drawn-frame crop
  EXPECT_EQ(correction.correctionFolder, Folder());
  EXPECT_TRUE(correction.edgesRemoved.empty());

  settings.autoCorrect = 0;
  settings.autoCrop = 1;
  Shoot(frame, PictureKind::Colour, drawn);
  EXPECT_EQ(correction.edgesRemoved, (std::vector<std::pair<int, int>>{{50, 40}}));

  // ID cards without position correction: neither step, and the card area instead of the drawn frame.
  settings.idCardMode = 1;
  Shoot(frame, PictureKind::Colour, drawn);
  EXPECT_EQ(correction.corrected.size(), 1u);
  EXPECT_EQ(correction.edgesRemoved.size(), 1u);
  // Columns 35 to 64 of the frame's 100, turned upright.
  EXPECT_EQ(LoadBmp(File("twainrgb3.bmp")).Height(), 29);
  pipeline.SetCorrection(nullptr);
}

TEST_F(StillPipelineTest, ThePagePipelineStoresTheProcessorsResultAsABitmapOfTheKind) {
  FakeCorrection correction;
  pipeline.SetCorrection(&correction);
  settings.curveFlatten = 1;
  settings.dpiX = 300;
  capValues.pixelType = 1;
  StillParameters ignored;
  ignored.cropMode = 2;
  ignored.cropRect = {0, 0, 5000, 5000};
  ignored.rotation = 90;
  ignored.kind = PictureKind::Grey;
  pipeline.PrepareStill(ignored);
  pipeline.ProcessStillPaged(Frame(64, 48).View(), ignored);

  // The processor saw the whole frame, uncropped and unturned, with its DPI.
  ASSERT_EQ(correction.processed, (std::vector<std::string>{File("twaingray1.bmp")}));
  EXPECT_EQ(correction.inputs[0], (std::pair{64, 48}));
  const std::string bytes = ReadFileBytes(File("twaingray1.bmp"));
  ASSERT_EQ(bytes.substr(0, 2), "BM");
  EXPECT_EQ(bytes[28], 8);
  EXPECT_EQ(Le32(bytes, 18), 30u);
  EXPECT_EQ(queue.PictureCount(), 1);
  EXPECT_FLOAT_EQ(queue.Entry(1)->widthInches, 30 / 200.0f);
  EXPECT_EQ(queue.Entry(1)->pixelType, protocol::PixelType::Grey);
  pipeline.SetCorrection(nullptr);
}

TEST_F(StillPipelineTest, SmartPagingMakesTwoPicturesFromOneFrame) {
  FakeCorrection correction;
  pipeline.SetCorrection(&correction);
  settings.smartPaging = 1;
  capValues.pixelType = 1;
  queue.SetPictureCount(4);
  ShootPaged(Frame(64, 48), PictureKind::Grey);

  EXPECT_EQ(correction.processed, (std::vector<std::string>{File("twaingray5_tmp.bmp")}));
  EXPECT_EQ(LoadBmp(File("twaingray5_tmp.bmp")).BitsPerPixel(), 8);
  const Picture left = LoadBmp(File("twaingray5.bmp"));
  const Picture right = LoadBmp(File("twaingray6.bmp"));
  EXPECT_EQ(left.BitsPerPixel(), 8);
  EXPECT_EQ(left.Width(), 20);
  EXPECT_EQ(right.BitsPerPixel(), 8);
  EXPECT_EQ(right.Width(), 22);
  EXPECT_EQ(queue.PictureCount(), 6);
  EXPECT_EQ(queue.Entry(5)->filePath, File("twaingray5.bmp"));
  EXPECT_EQ(queue.Entry(6)->filePath, File("twaingray6.bmp"));
  EXPECT_FLOAT_EQ(queue.Entry(6)->widthInches, 22 / 200.0f);
  EXPECT_EQ(pipeline.LastPicturePath(), File("twaingray6.bmp"));
  pipeline.SetCorrection(nullptr);
}

TEST_F(StillPipelineTest, SmartPagingWithoutPagesCountsNothingAndSaysSo) {
  settings.smartPaging = 1;
  ShootPaged(Frame(64, 48), PictureKind::Colour);
  EXPECT_EQ(queue.PictureCount(), 0);
  EXPECT_TRUE(queue.Entry(1)->filePath.empty());
  EXPECT_FALSE(std::filesystem::exists(File("twainrgb1.bmp")));
  EXPECT_FALSE(std::filesystem::exists(File("twainrgb2.bmp")));
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, kStoreFailedText);
}

// A full disk: what cannot be written whole is neither counted nor left as
// a file, the user hears of it once per spell, and shooting goes on when
// there is room again. 64 × 48 colour pictures take 9270 bytes.
TEST_F(StillPipelineTest, AStillThatCannotBeWrittenWholeIsNotCountedAndTheUserIsToldOnce) {
  const Frame frame(64, 48);
  Shoot(frame, PictureKind::Colour);
  const std::string first = ReadFileBytes(File("twainrgb1.bmp"));
  {
    const testing_support::ScopedFullDisk disk(4000);
    Shoot(frame, PictureKind::Colour);
    Shoot(frame, PictureKind::Grey);  // 54 + 1024 + 3072 bytes: cut too
  }
  EXPECT_EQ(queue.PictureCount(), 1);
  EXPECT_EQ(pipeline.CountAfterLastStill(), 1);
  EXPECT_EQ(pipeline.LastPicturePath(), File("twainrgb1.bmp"));
  EXPECT_TRUE(queue.Entry(2)->filePath.empty());
  EXPECT_EQ(ReadFileBytes(File("twainrgb1.bmp")), first);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Folder()), {}), 1);  // no cut file, no temporary
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, kStoreFailedText);
  EXPECT_EQ(boxes.shown[0].caption, "Tips");
  EXPECT_EQ(boxes.shown[0].owner, nullptr);

  Shoot(frame, PictureKind::Colour);
  EXPECT_EQ(queue.PictureCount(), 2);
  EXPECT_EQ(LoadBmp(File("twainrgb2.bmp")).Width(), 64);
  {
    const testing_support::ScopedFullDisk disk(4000);
    Shoot(frame, PictureKind::Colour);  // a new spell, told again
  }
  EXPECT_EQ(boxes.shown.size(), 2u);
  EXPECT_EQ(queue.PictureCount(), 2);
}

TEST_F(StillPipelineTest, AnIdCardBackThatCannotBeStoredKeepsTheFrontAndTheSide) {
  settings.idCardMode = 1;
  const Frame frame(1600, 1200);
  Shoot(frame, PictureKind::Colour);
  const std::string front = ReadFileBytes(File("twainrgb1.bmp"));
  ASSERT_EQ(pipeline.IdCardSide(), 1);
  {
    const testing_support::ScopedFullDisk disk(front.size() + 100);  // the composed page is larger
    Shoot(frame, PictureKind::Colour);
  }
  EXPECT_EQ(pipeline.IdCardSide(), 1);
  EXPECT_EQ(queue.PictureCount(), 0);
  EXPECT_EQ(ReadFileBytes(File("twainrgb1.bmp")), front);
  Shoot(frame, PictureKind::Colour);
  EXPECT_EQ(pipeline.IdCardSide(), 0);
  EXPECT_EQ(queue.PictureCount(), 1);
  EXPECT_EQ(LoadBmp(File("twainrgb1.bmp")).Width(), 1560);
}

TEST_F(StillPipelineTest, PagedStillsThatCannotBeStoredLeaveNoPictureBehind) {
  FakeCorrection correction;
  pipeline.SetCorrection(&correction);
  settings.curveFlatten = 1;
  {
    const testing_support::ScopedFullDisk disk(4000);
    ShootPaged(Frame(64, 48), PictureKind::Colour);
  }
  EXPECT_EQ(queue.PictureCount(), 0);
  EXPECT_FALSE(std::filesystem::exists(File("twainrgb1.bmp")));

  // Smart paging with room for the left page (1554 bytes) but not the right one (1754).
  settings.smartPaging = 1;
  {
    const testing_support::ScopedFullDisk disk(1600);
    ShootPaged(Frame(8, 8), PictureKind::Colour);
  }
  EXPECT_EQ(queue.PictureCount(), 1);
  EXPECT_EQ(LoadBmp(File("twainrgb1.bmp")).Width(), 20);
  EXPECT_FALSE(std::filesystem::exists(File("twainrgb2.bmp")));
  EXPECT_TRUE(queue.Entry(2)->filePath.empty());
  EXPECT_EQ(pipeline.LastPicturePath(), File("twainrgb1.bmp"));
  EXPECT_EQ(boxes.shown.size(), 2u);  // the stored left page ended the first spell
  pipeline.SetCorrection(nullptr);
}

}  // namespace
