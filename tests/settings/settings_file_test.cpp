#include "settings/settings_file.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/text_encoding.h"
#include "settings/first_start_file.h"
#include "settings/resolution.h"
#include "support/temp_dir.h"

namespace settings {
namespace {

using namespace std::string_literals;
using settings_test::kFirstStartFile;
using testing_support::ReadFileBytes;
using testing_support::TempDir;

void WriteFile(const std::string& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

std::string Gbk(const std::string& utf8) { return platform::Utf8ToGbk(utf8); }

// A record and capability values with a settings file in a test folder.
struct Fixture {
  TempDir dir;
  std::string path = dir.File("config.ini");
  Settings settings;
  caps::StoredValues capValues;
  SettingsFile file{path, settings, capValues};

  // Loads `utf8` as the file's content (converted to GBK).
  bool Load(const std::string& utf8) {
    WriteFile(path, Gbk(utf8));
    return file.LoadSettings();
  }
  // The first-start file with one line replaced.
  bool LoadWith(const std::string& line, const std::string& replacement) {
    std::string content = kFirstStartFile;
    content.replace(content.find(line), line.size(), replacement);
    return Load(content);
  }
};

TEST(SettingsFile, FirstStartWritesTheFirstStartValuesAndKeepsTheRecord) {
  Fixture f;
  EXPECT_FALSE(f.file.LoadSettings());
  const std::string bytes = ReadFileBytes(f.path);
  EXPECT_EQ(bytes, Gbk(kFirstStartFile));
  EXPECT_EQ(bytes.substr(0, 12), "[\xCD\xBC\xC6\xAC\xB2\xCE\xCA\xFD]\r\n");  // "[图片参数]" in GBK
  EXPECT_EQ(f.settings, Settings{});
  EXPECT_EQ(f.capValues.pixelType, 2);
  EXPECT_EQ(f.capValues.xResolution, 200.0f);
  EXPECT_TRUE(f.file.LoadSettings());
  EXPECT_EQ(f.settings, Settings{});
}

TEST(SettingsFile, EveryValueSurvivesASaveAndALoad) {
  Fixture f;
  Settings& s = f.settings;
  s.documentFormat = {2592, 1944, 123, {0x80000001u, 0xFFFF, 0x8000, {0, 1, 0x7F, 0x80, 0xAB, 0xCD, 0xEF, 0xFF}}};
  // A bit rate beyond the signed range survives as well (the file holds it as a negative number).
  s.faceFormat = {-1, 480, 0xFFFFFFFBu, {7, 1, 2, {9, 9, 9, 9, 9, 9, 9, 9}}};
  s.actualSizeA3 = true;
  s.pictureQuality = 95;
  s.autoCorrect = 0;
  s.autoCrop = 7;
  s.idCardMode = 1;
  s.fileFormatIndex = 4;
  s.watermarkOn = 1;
  s.watermarkTime = 1;
  s.watermarkText = "机密 Confidential";
  s.fingerErase = s.smartPaging = s.curveFlatten = 1;
  s.coefRed = 0.25;
  s.coefGreen = -1.5;
  s.coefBlue = 12.125;
  s.bwThreshold = 0.75;
  s.scanType = 2;
  s.scanInterval = 30;
  s.autoContinuous = true;
  s.cropFrameShown = true;
  s.cropFrameStart = {500, -20};
  s.cropFrameEnd = {10, 300};
  s.idLeft = 1;
  s.idRight = 2;
  s.idUp = 3;
  s.idDown = 4;
  SetSourceResolution(s, f.capValues, 300.0f);
  f.capValues.pixelType = 1;
  f.capValues.rotationIndex = 3;
  f.file.SaveSettings();

  Settings loaded;
  caps::StoredValues loadedValues;
  EXPECT_TRUE(SettingsFile(f.path, loaded, loadedValues).LoadSettings());
  EXPECT_EQ(loaded, s);
  EXPECT_EQ(loadedValues.pixelType, 1);
  EXPECT_EQ(loadedValues.rotationIndex, 3);
  EXPECT_EQ(loadedValues.xResolution, 300.0f);
}

TEST(SettingsFile, SavingKeepsKeysEditedByHandAndTwiceGivesTheSameBytes) {
  Fixture f;
  f.file.SaveSettings();
  std::string edited = ReadFileBytes(f.path);
  edited.insert(edited.find(Gbk("[分页]")), Gbk("; mine\r\n备注=保留\r\n"));
  edited += "[Extra]\r\nkey=value";
  WriteFile(f.path, edited);

  f.settings.scanInterval = 9;
  f.file.SaveSettings();
  const std::string once = ReadFileBytes(f.path);
  f.file.SaveSettings();
  EXPECT_EQ(ReadFileBytes(f.path), once);

  std::string expected = edited;
  expected.replace(expected.find(Gbk("连扫间隔=5")), Gbk("连扫间隔=5").size(), Gbk("连扫间隔=9"));
  EXPECT_EQ(once, expected);
  // Nothing else lies in the folder: no temporary file is left behind.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(f.dir.Path()), std::filesystem::directory_iterator()), 1);
}

TEST(SettingsFile, TheHorizontalDpiBecomesTheResolutionWhenItDiffers) {
  Fixture f;
  EXPECT_TRUE(f.LoadWith("水平DPI=200\r\n垂直DPI=200", "水平DPI=600\r\n垂直DPI=150"));
  EXPECT_EQ(f.capValues.xResolution, 600.0f);
  EXPECT_EQ(f.settings.dpiX, 600);
  EXPECT_EQ(f.settings.dpiY, 600);

  f.capValues.xResolution = 200.0f;
  EXPECT_TRUE(f.LoadWith("垂直DPI=200", "垂直DPI=150"));
  EXPECT_EQ(f.capValues.xResolution, 200.0f);
  EXPECT_EQ(f.settings.dpiX, 200);
  EXPECT_EQ(f.settings.dpiY, 150);
}

TEST(SettingsFile, SettingTheResolutionDropsItsFractionForTheDpi) {
  Settings s;
  caps::StoredValues values;
  SetSourceResolution(s, values, 299.9f);
  EXPECT_EQ(values.xResolution, 299.9f);
  EXPECT_EQ(s.dpiX, 299);
  EXPECT_EQ(s.dpiY, 299);
  SetSourceResolution(s, values, 1e30f);
  EXPECT_EQ(s.dpiX, 2147483647);
}

TEST(SettingsFile, ValuesLoadWithTheirOwnRules) {
  Fixture f;
  EXPECT_TRUE(f.LoadWith("实际英寸=0", "实际英寸=2"));
  EXPECT_FALSE(f.settings.actualSizeA3);
  EXPECT_TRUE(f.LoadWith("实际英寸=0", "实际英寸=1"));
  EXPECT_TRUE(f.settings.actualSizeA3);
  EXPECT_TRUE(f.LoadWith("自动连扫=0", "自动连扫=7"));
  EXPECT_TRUE(f.settings.autoContinuous);
  EXPECT_TRUE(f.LoadWith("框选=0", "框选=-1"));
  EXPECT_TRUE(f.settings.cropFrameShown);
  EXPECT_TRUE(f.LoadWith("红色系统=0.300", "红色系统=abc"));
  EXPECT_EQ(f.settings.coefRed, 0.0);
  f.settings.autoCrop = 0;
  EXPECT_TRUE(f.LoadWith("自动切边=1\r\n", ""));
  EXPECT_EQ(f.settings.autoCrop, 0);  // a deleted key keeps what the record holds
  // 16-bit values keep their low 16 bits, unchecked.
  EXPECT_TRUE(f.LoadWith("图片类型=2", "图片类型=65543"));
  EXPECT_EQ(f.capValues.pixelType, 7);
  EXPECT_TRUE(f.LoadWith("Data2=0", "Data2=-1"));
  EXPECT_EQ(f.settings.documentFormat.subtype.data2, 0xFFFF);
  EXPECT_TRUE(f.LoadWith("Data4=800000AA00389B71", "Data4=800000aa00389b71"));
  EXPECT_EQ(f.settings.documentFormat.subtype, kMjpgSubtype);
}

TEST(SettingsFile, TheWatermarkTextIsGbkOnDiskAndAtMost99BytesWhenRead) {
  Fixture f;
  f.settings.watermarkText = "水印";
  f.file.SaveSettings();
  EXPECT_NE(ReadFileBytes(f.path).find("=\xCB\xAE\xD3\xA1\r\n"), std::string::npos);

  // 50 two-byte characters: the 50th would end at byte 100.
  std::string longText;
  for (int i = 0; i < 50; ++i) longText += "字";
  EXPECT_TRUE(f.LoadWith("水印内容=", "水印内容=" + longText));
  EXPECT_EQ(f.settings.watermarkText, longText.substr(0, 49 * 3));
}

// Keys a damaged file lacks keep the first-start values: the next single
// Scan is an ordinary colour page at 200 dpi, not an ID card at 3 dpi turned
// by 270 degrees with the watermark on.
TEST(SettingsFile, DamagedFilesLoadWithTheFirstStartValues) {
  std::string junk;
  for (int i = 0; i < 4096; ++i) junk += static_cast<char>((i * 7919) % 256);
  const std::string damaged[] = {
      junk,
      "\0\0\0[\0]\0=\0\n"s,
      std::string(600000, 'x') + "\n" + std::string(200000, '['),
      Gbk("[图片参数]\r\n图片类型\r\n旋转角度=\r\n水平DPI\r\n垂直DPI=\r\n实际英寸=\r\n图片压缩率=\r\n"
          "自动矫正\r\n自动切边\r\n身份证\r\n[分辨率参数]"),
      Gbk("[分页]\n去手指=0"),
      Gbk("[二值化参数]\r\n红色系统=\r\n[扫描参数]\r\n连扫间隔=\r\n自动连扫=\r\n"),
  };
  for (const std::string& content : damaged) {
    Fixture f;
    WriteFile(f.path, content);
    EXPECT_TRUE(f.file.LoadSettings());
    EXPECT_EQ(f.settings, Settings{}) << testing::PrintToString(content.substr(0, 40));
    EXPECT_EQ(f.capValues.pixelType, 2);
    EXPECT_EQ(f.capValues.rotationIndex, 0);
    EXPECT_EQ(f.capValues.xResolution, 200.0f);

    // What is saved over a damaged file loads back unchanged.
    f.file.SaveSettings();
    Settings again;
    caps::StoredValues againValues;
    EXPECT_TRUE(SettingsFile(f.path, again, againValues).LoadSettings());
    EXPECT_EQ(again, f.settings);
  }
}

// Load, save, load, save: the second save writes the bytes of the first,
// however the file was damaged. Each of these once lost or changed bytes at
// every save.
TEST(SettingsFile, LoadingAndSavingTwiceGivesTheSameBytesTwice) {
  const std::string damaged[] = {
      Gbk(kFirstStartFile) + Gbk("[水印]\r\n") + "x=1\r\n",
      std::string(Gbk("[水印]\r\n水印内容=\"\"机密\"\"\r\n")),
      std::string(Gbk("[水印]\r\n水印内容=\" \"x\" \"\r\n")),
      std::string(Gbk("[水印]\r\n水印内容='\"'\"''\r\n")),
      std::string(Gbk("[水印]\r\n水印内容=\"\t \"\r\n")),
      std::string(Gbk("[水印]\r\n水印内容=\"")) + std::string(120, '"') + "\r\n",
  };
  for (const std::string& content : damaged) {
    Fixture f;
    WriteFile(f.path, content);
    ASSERT_TRUE(f.file.LoadSettings());
    f.file.SaveSettings();
    const std::string once = ReadFileBytes(f.path);
    const Settings loadedOnce = f.settings;
    ASSERT_TRUE(f.file.LoadSettings());
    EXPECT_EQ(f.settings, loadedOnce) << testing::PrintToString(content);
    f.file.SaveSettings();
    EXPECT_EQ(ReadFileBytes(f.path), once) << testing::PrintToString(content);
  }
}

TEST(SettingsFile, AWatermarkTextWithQuotesOrOuterBlanksReadsBackAsItWasWritten) {
  for (const std::string text : {"\"机密\"", " 机密 ", "'", "\"\"", "'a'"}) {
    Fixture f;
    f.settings.watermarkText = text;
    f.file.SaveSettings();
    f.settings.watermarkText.clear();
    ASSERT_TRUE(f.file.LoadSettings());
    EXPECT_EQ(f.settings.watermarkText, text);
  }
}

// A file the source cannot read whole holds what the user wrote: it is
// neither read as empty nor saved over, and the trace says why.
TEST(SettingsFile, AFileTooLargeToReadWholeIsKeptAndTraced) {
  Fixture f;
  std::vector<std::string> trace;
  SettingsFile traced(f.path, f.settings, f.capValues, [&](std::string_view line) { trace.emplace_back(line); });
  const std::string content = Gbk(kFirstStartFile) + "; " + std::string(1u << 20, 'x') + "\r\n";
  WriteFile(f.path, content);
  f.settings.idCardMode = 1;  // as the record stood before loading
  EXPECT_FALSE(traced.LoadSettings());
  EXPECT_EQ(f.settings.idCardMode, 1);
  traced.SaveSettings();
  EXPECT_EQ(ReadFileBytes(f.path), content);
  ASSERT_EQ(trace.size(), 2u);
  EXPECT_NE(trace[0].find("cannot be read whole"), std::string::npos);
  EXPECT_NE(trace[1].find("not saved"), std::string::npos);
}

TEST(SettingsFile, AFileThatCannotBeReadIsNeitherReadNorReplaced) {
  Fixture f;
  std::filesystem::create_directory(f.path);
  EXPECT_FALSE(f.file.LoadSettings());
  f.file.SaveSettings();
  EXPECT_TRUE(std::filesystem::is_directory(f.path));
  EXPECT_EQ(f.settings, Settings{});

  Settings settings;
  caps::StoredValues values;
  SettingsFile nowhere("", settings, values);
  EXPECT_FALSE(nowhere.LoadSettings());
  nowhere.SaveSettings();
  EXPECT_EQ(settings, Settings{});
}

TEST(SettingsFile, ALinkedFileIsUpdatedWhereItLies) {
  Fixture f;
  const std::string target = f.dir.File("elsewhere.ini");
  WriteFile(target, "");
  std::filesystem::create_symlink(target, f.path);
  f.file.SaveSettings();
  EXPECT_TRUE(std::filesystem::is_symlink(f.path));
  EXPECT_EQ(ReadFileBytes(target), Gbk(kFirstStartFile));
}

// Sets an environment variable for one test, then puts back what was there.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    value ? setenv(name, value, 1) : unsetenv(name);
  }
  ~ScopedEnv() { old_ ? setenv(name_, old_->c_str(), 1) : unsetenv(name_); }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

TEST(SettingsFile, LiesInTheUsersConfigurationFolder) {
  ScopedEnv home("HOME", "/home/user");
  {
    ScopedEnv config("XDG_CONFIG_HOME", "/custom/config");
    EXPECT_EQ(SettingsFilePath(), "/custom/config/config.ini");
  }
  {
    ScopedEnv config("XDG_CONFIG_HOME", "relative");
    EXPECT_EQ(SettingsFilePath(), "/home/user/.config/config.ini");
  }
  ScopedEnv config("XDG_CONFIG_HOME", nullptr);
  EXPECT_EQ(SettingsFilePath(), "/home/user/.config/config.ini");
  ScopedEnv noHome("HOME", nullptr);
  EXPECT_EQ(SettingsFilePath(), "");
}

}  // namespace
}  // namespace settings
