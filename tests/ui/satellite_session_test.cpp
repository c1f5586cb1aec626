// A whole session with the parameter settings and the picture preview: the
// user changes the settings, shoots, reviews the shots in the preview, turns
// one, deletes another and submits; the application receives exactly the
// pictures the preview showed.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <vector>

#include "imaging/picture_file.h"
#include "platform/global_memory.h"
#include "ui/main_dialog_fixture.h"

namespace ui_testing {
namespace {

using platform::headless::DrawnMark;
using namespace dialog_ids::main_dialog;
namespace format_ids = dialog_ids::property;
namespace preview_ids = dialog_ids::picture_preview;
namespace settings_ids = dialog_ids::parameter_settings;

class SatelliteSessionTest : public MainDialogTest {
 protected:
  platform::headless::Dialog& Preview() { return *platform::headless::FindDialog(preview_ids::kTemplate); }

  // The size of the picture the preview draws now.
  platform::Point ShownSize() {
    for (const DrawnMark& mark : platform::headless::Drawing()) {
      if (mark.kind == DrawnMark::Kind::Picture && mark.window == Preview().Handle()) return mark.points.at(0);
    }
    return {};
  }

  struct Received {
    int width = 0;
    int height = 0;
    int xPelsPerMeter = 0;
    std::vector<std::uint8_t> pixels;
  };
  // A native transfer of the next picture, as the application keeps it.
  Received Receive() {
    platform::GlobalMemory& memory = platform::SystemGlobalMemory();
    twain::TW_HANDLE bitmap = nullptr;
    EXPECT_EQ(Call(twain::DG_IMAGE, twain::DAT_IMAGENATIVEXFER, twain::MSG_GET, &bitmap), twain::TWRC_XFERDONE);
    Received received;
    if (bitmap != nullptr) {
      const auto* block = static_cast<const std::uint8_t*>(memory.Lock(bitmap));
      std::int32_t header[4] = {};
      std::memcpy(header, block, sizeof header);
      std::memcpy(&received.xPelsPerMeter, block + 24, sizeof received.xPelsPerMeter);
      received.width = header[1];
      received.height = header[2];
      const std::size_t stride = (static_cast<std::size_t>(received.width) * 24 + 31) / 32 * 4;
      received.pixels.assign(block + header[0], block + header[0] + stride * static_cast<std::size_t>(received.height));
      memory.Unlock(bitmap);
      memory.Free(bitmap);
    }
    twain::TW_PENDINGXFERS pending{};
    Call(twain::DG_CONTROL, twain::DAT_PENDINGXFERS, twain::MSG_ENDXFER, &pending);
    return received;
  }

  testing_support::ScopedEnvironment trash_{"XDG_DATA_HOME", folder.Path() + "data"};
};

TEST_F(SatelliteSessionTest, TheApplicationReceivesThePicturesAsThePreviewShowedThem) {
  Enable();
  platform::headless::SetModalDriver([](platform::headless::Dialog& settings) {
    ASSERT_EQ(settings.TemplateId(), settings_ids::kTemplate);
    // The corrections off: every picture keeps the frame's size.
    settings.Click(settings_ids::kPositionCorrectionCheck);
    settings.Click(settings_ids::kBlackEdgeCheck);
    settings.Type(settings_ids::kDpiHorizontalEdit, "300");
    settings.Click(settings_ids::kWatermarkCheck);
    settings.Type(settings_ids::kWatermarkTextEdit, "Session");
    settings.Click(1);
  });
  ASSERT_TRUE(Dialog().Click(kSettingsButton));
  EXPECT_EQ(source->UserSettings().dpiX, 300);
  EXPECT_EQ(source->UserSettings().watermarkOn, 1);
  EXPECT_EQ(source->UserSettings().watermarkText, "Session");
  EXPECT_FALSE(Dialog().IsChecked(kPositionCorrectionCheck));

  for (int shot = 0; shot < 3; ++shot) ASSERT_TRUE(Dialog().Click(kScanButton));
  ASSERT_EQ(Count(), 3);
  EXPECT_EQ(Preview().ItemText(preview_ids::kOpenButton), "3/3");
  EXPECT_EQ(ShownSize(), (platform::Point{160, 120}));

  ASSERT_TRUE(Preview().Click(preview_ids::kLastButton));
  ASSERT_TRUE(Preview().Click(preview_ids::kRightButton));  // picture 2 turns
  EXPECT_EQ(ShownSize(), (platform::Point{120, 160}));
  ASSERT_TRUE(Preview().Click(preview_ids::kLastButton));
  const std::string deleted = source->Queue().Entry(1)->filePath;
  ASSERT_TRUE(Preview().Click(preview_ids::kDeleteButton));  // Delete picture 1: the turned one becomes the first
  EXPECT_EQ(Preview().ItemText(preview_ids::kOpenButton), "1/2");
  EXPECT_TRUE(std::filesystem::exists(folder.Path() + "data/Trash/files/" +
                                      std::filesystem::path(deleted).filename().string()));

  // What the preview shows, picture by picture.
  std::vector<platform::Point> shown{ShownSize()};
  std::vector<imaging::Picture> files{imaging::LoadPicture(source->Queue().Entry(1)->filePath)};
  ASSERT_TRUE(Preview().Click(preview_ids::kNextButton));
  shown.push_back(ShownSize());
  files.push_back(imaging::LoadPicture(source->Queue().Entry(2)->filePath));
  EXPECT_EQ(shown, (std::vector<platform::Point>{{120, 160}, {160, 120}}));

  ASSERT_TRUE(Dialog().Click(kSubmitButton));
  for (std::size_t i = 0; i < files.size(); ++i) {
    const Received received = Receive();
    EXPECT_EQ(received.width, shown[i].x);
    EXPECT_EQ(received.height, shown[i].y);
    EXPECT_EQ(received.xPelsPerMeter, 11811) << "300 DPI";
    const auto bytes = files[i].Bytes();
    EXPECT_TRUE(received.pixels == std::vector<std::uint8_t>(bytes.begin(), bytes.end())) << "picture " << i + 1;
  }
  EXPECT_EQ(Count(), 0);
  EXPECT_EQ(Dialog().ItemText(kStatusLine), "Finish Uploading");
}

// The same desk seen by a camera that offers more formats.
class FormatChoiceTest : public SatelliteSessionTest {
 protected:
  FormatChoiceTest() {
    source.reset();
    camera =
        std::make_unique<capture::VirtualCamera>(capture::SceneOf(std::string(kDeskScene) + "format RGB24 320 240\n"
                                                                                            "format YUY2 320 240\n"
                                                                                            "format RGB24 80 60\n"));
    source = std::make_unique<twain::Source>(
        twain::SourcePorts{platform::SystemGlobalMemory(), manager, boxes, platform::SystemDialogs(),
                           folder.File("twsrc.log"), camera.get(), folder.File("config.ini")},
        &library::MakeMainDialog);
  }
};

TEST_F(FormatChoiceTest, VideoPinSettingsRestartsTheCameraInTheChosenFormatAndTheShotsHaveItsSize) {
  Enable();
  ASSERT_TRUE(Dialog().Click(kScanButton));
  ASSERT_NE(platform::headless::FindDialog(preview_ids::kTemplate), nullptr) << "the shot opened the preview";
  std::vector<std::string> formats;
  std::vector<std::string> sizes;
  platform::headless::SetModalDriver([&](platform::headless::Dialog& settings) {
    platform::headless::SetModalDriver([&](platform::headless::Dialog& format) {
      ASSERT_EQ(format.TemplateId(), format_ids::kTemplate);
      for (int i = 0; i < format.ListEntryCount(format_ids::kFormatList); ++i)
        formats.push_back(format.ListEntryText(format_ids::kFormatList, i));
      format.SelectEntry(format_ids::kFormatList, "RGB24");
      for (int i = 0; i < format.ListEntryCount(format_ids::kSizeList); ++i)
        sizes.push_back(format.ListEntryText(format_ids::kSizeList, i));
      format.SelectEntry(format_ids::kSizeList, " 320 x 240 ");
      format.Click(1);
    });
    settings.Click(settings_ids::kPositionCorrectionCheck);
    settings.Click(settings_ids::kBlackEdgeCheck);
    settings.Click(settings_ids::kVideoPinButton);
    settings.Click(1);
  });
  ASSERT_TRUE(Dialog().Click(kSettingsButton));
  EXPECT_EQ(formats, (std::vector<std::string>{"RGB24", "YUY2"}));
  EXPECT_EQ(sizes, std::vector<std::string>{" 320 x 240 "}) << "sizes narrower than 200 pixels are left out";
  EXPECT_EQ(source->UserSettings().documentFormat.width, 320);
  EXPECT_EQ(source->UserSettings().documentFormat.height, 240);
  EXPECT_TRUE(camera->IsStreaming());

  ASSERT_TRUE(Dialog().Click(kScanButton));
  EXPECT_EQ(ShownSize(), (platform::Point{320, 240}));
  EXPECT_EQ(imaging::LoadPicture(source->Queue().Entry(2)->filePath).Width(), 320);
}

}  // namespace
}  // namespace ui_testing
