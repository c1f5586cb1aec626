// Reading scene files of the virtual document camera.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "capture/virtual/scene.h"
#include "support/temp_dir.h"

namespace capture {
namespace {

Scene Parse(std::string_view text) {
  SceneParseResult result = ParseScene(text);
  EXPECT_TRUE(result.scene) << result.error;
  return result.scene ? *result.scene : Scene{};
}

std::string ParseError(std::string_view text) {
  SceneParseResult result = ParseScene(text);
  EXPECT_FALSE(result.scene);
  return result.error;
}

TEST(SceneFile, ReadsEveryKindOfLine) {
  const Scene scene = Parse(R"(# a test camera
rate 30
field 400   # millimetres
desk 1 2 3
preview 800 450
device "Cam One" "\\?\usb#vid_4d56&pid_2c01#x"
device - "\\?\path"
device "-" -
format MJPG 1920 1080 25
format YUY2 176 144 videoinfo2
current YUY2 640 480
refuse 1920 1080
record-size 64
fail run
fail bind
page a4 210 297 seed 9 paper 250 250 250 ink 0 0 0
place a4 100 120 -5
move a4 200 150 10 1000
wait 500
remove a4
loop
)");
  EXPECT_EQ(scene.framesPerSecond, 30);
  EXPECT_EQ(scene.fieldWidth, 400);
  EXPECT_EQ(scene.desk, (Rgb{1, 2, 3}));
  EXPECT_EQ(scene.preview.width, 800);
  ASSERT_EQ(scene.devices.size(), 3u);
  EXPECT_EQ(scene.devices[0].friendlyName, "Cam One");
  EXPECT_EQ(scene.devices[0].devicePath, "\\\\?\\usb#vid_4d56&pid_2c01#x");
  EXPECT_FALSE(scene.devices[1].friendlyName);
  EXPECT_EQ(scene.devices[2].friendlyName, "-");  // quoted: a text, not a missing property
  EXPECT_FALSE(scene.devices[2].devicePath);

  ASSERT_EQ(scene.formats.size(), 2u);
  EXPECT_EQ(scene.formats[0].subtype, kSubtypeMjpg);
  EXPECT_EQ(scene.formats[0].width, 1920);
  EXPECT_EQ(scene.formats[0].frameInterval, 400000);
  EXPECT_EQ(scene.formats[0].bitRate, 1920u * 1080 * 16 * 25);
  EXPECT_EQ(scene.formats[1].formatType, FormatType::Other);
  EXPECT_EQ(scene.formats[1].frameInterval, 333333);  // the scene's rate
  EXPECT_EQ(scene.InitialFormat().subtype, kSubtypeYuy2);
  EXPECT_EQ(scene.InitialFormat().width, 640);
  EXPECT_EQ(scene.refusedSizes.size(), 1u);
  EXPECT_EQ(scene.capabilityRecordSize, 64);
  EXPECT_TRUE(scene.Fails(FailingStep::Run));
  EXPECT_TRUE(scene.Fails(FailingStep::Bind));
  EXPECT_FALSE(scene.Fails(FailingStep::Render));

  ASSERT_EQ(scene.pages.size(), 1u);
  EXPECT_EQ(scene.pages[0].seed, 9u);
  EXPECT_EQ(scene.pages[0].ink, (Rgb{0, 0, 0}));
  ASSERT_EQ(scene.script.size(), 4u);
  EXPECT_EQ(scene.script[1].kind, StepKind::Move);
  EXPECT_EQ(scene.script[1].pose, (PagePose{200, 150, 10}));
  EXPECT_EQ(scene.script[1].milliseconds, 1000);
  EXPECT_TRUE(scene.loop);
}

TEST(SceneFile, ErrorsNameTheLine) {
  EXPECT_EQ(ParseError("rate 15\nzoom 3\n"), "line 2: unknown keyword \"zoom\"");
  EXPECT_EQ(ParseError("rate fast"), "line 1: \"fast\" is not a number");
  EXPECT_EQ(ParseError("\n\nplace ghost 1 2 3"), "line 3: no page \"ghost\" is defined");
  EXPECT_EQ(ParseError("device \"open"), "line 1: a quoted text has no closing quote");
  EXPECT_EQ(ParseError("fail everything"), "line 1: \"everything\" is not a step that can fail");
  EXPECT_EQ(ParseError("format MPEG2 10 10"),
            "line 1: \"MPEG2\" is not a subtype (MJPG, YUY2, YVYU, RGB24 or four characters)");
  EXPECT_EQ(ParseError("desk 1 2 300"), "line 1: \"300\" is not a whole number from 0 to 255");
  EXPECT_EQ(ParseError("page a 10 10\npage a 5 5"), "line 2: page \"a\" is defined twice");
  EXPECT_EQ(ParseError("page a 10 10 seed"), "line 1: page option \"seed\" needs 1 values");
  EXPECT_EQ(ParseError("wait -5"), "line 1: \"-5\" must be greater than 0");
  EXPECT_EQ(ParseError("format MJPG 100000 10"), "line 1: \"100000\" is not a whole number from 1 to 8192");
}

TEST(SceneFile, DefaultSceneOffersAWebcamAndADocumentCamera) {
  const Scene& scene = DefaultScene();
  ASSERT_EQ(scene.devices.size(), 2u);
  EXPECT_EQ(scene.devices[1].friendlyName, "Mervale Document Camera");
  EXPECT_EQ(scene.formats.size(), 9u);
  EXPECT_EQ(scene.pages.size(), 3u);
  EXPECT_TRUE(scene.loop);
}

class SceneVariable : public ::testing::Test {
 protected:
  void TearDown() override { unsetenv(kSceneVariable); }
  testing_support::TempDir folder;
};

TEST_F(SceneVariable, NamesTheSceneFileAndFallsBackToTheDefault) {
  unsetenv(kSceneVariable);
  EXPECT_EQ(SceneFromEnvironment().devices.size(), DefaultScene().devices.size());

  const std::string path = folder.File("scene.txt");
  std::ofstream(path) << "device \"Only\" \"\\\\?\\usb#vid_4d56&pid_2c02\"\n";
  setenv(kSceneVariable, path.c_str(), 1);
  ASSERT_EQ(SceneFromEnvironment().devices.size(), 1u);

  std::ofstream(path) << "bogus line\n";
  EXPECT_EQ(SceneFromEnvironment().devices.size(), DefaultScene().devices.size());

  setenv(kSceneVariable, folder.File("missing.txt").c_str(), 1);
  EXPECT_EQ(SceneFromEnvironment().devices.size(), DefaultScene().devices.size());
}

TEST(Subtypes, NamesAndFourCharacterCodes) {
  EXPECT_EQ(SubtypeName(kSubtypeRgb24), "RGB24");
  EXPECT_EQ(SubtypeName(kSubtypeYvyu), "YVYU");
  EXPECT_EQ(SubtypeFromName("NV12"), FourCcSubtype(0x3231564E));
  EXPECT_EQ(SubtypeName(FourCcSubtype(0x3231564E)), "NV12");
  EXPECT_FALSE(SubtypeFromName("NV1"));
  EXPECT_EQ(SubtypeName(MediaSubtype{}), "");
}

}  // namespace
}  // namespace capture
