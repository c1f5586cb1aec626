// The settings file against the system's own profile functions: what our
// implementation writes, they read; what they write, we read; and where both
// edit the same file, both write the same bytes.
#include <gtest/gtest.h>
#include <windows.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "platform/text_encoding.h"
#include "settings/first_start_file.h"
#include "settings/private_profile.h"
#include "settings/settings_file.h"
#include "settings/value_encodings.h"

namespace {

using settings_test::kFirstStartFile;

// The profile functions read and write the file in the ANSI code page.
std::wstring FromAnsi(const std::string& bytes) {
  if (bytes.empty()) return {};
  const int length = MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), wide.data(), length);
  return wide;
}

std::string ToAnsi(const std::wstring& wide) {
  if (wide.empty()) return {};
  const int size = static_cast<int>(wide.size());
  const int length = WideCharToMultiByte(CP_ACP, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.data(), size, bytes.data(), length, nullptr, nullptr);
  return bytes;
}

std::string ToUtf8(const std::wstring& wide) {
  const int size = static_cast<int>(wide.size());
  const int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, utf8.data(), length, nullptr, nullptr);
  return utf8;
}

std::string Gbk(const std::string& utf8) { return platform::Utf8ToGbk(utf8); }

std::string ReadBytes(const std::wstring& path) {
  std::ifstream in(path.c_str(), std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::wstring& path, const std::string& bytes) {
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  std::ofstream(path.c_str(), std::ios::binary | std::ios::trunc) << bytes;
}

// A list of NUL-separated strings, as the profile functions return names.
std::vector<std::wstring> SplitList(const std::vector<wchar_t>& buffer, DWORD length) {
  std::vector<std::wstring> items;
  for (DWORD i = 0; i < length;) {
    std::wstring item(buffer.data() + i);
    if (item.empty()) break;
    i += static_cast<DWORD>(item.size()) + 1;
    items.push_back(std::move(item));
  }
  return items;
}

struct Line {
  std::string section;  // GBK
  std::string key;
  std::string value;
};

// The key lines of a file that the profile functions wrote, in order.
std::vector<Line> KeyLines(const std::string& gbk) {
  std::vector<Line> lines;
  std::string section;
  for (std::size_t pos = 0; pos < gbk.size();) {
    const std::size_t end = gbk.find("\r\n", pos);
    const std::string line = gbk.substr(pos, end - pos);
    pos = end + 2;
    if (line.front() == '[') {
      section = line.substr(1, line.size() - 2);
    } else {
      const std::size_t equals = line.find('=');
      lines.push_back({section, line.substr(0, equals), line.substr(equals + 1)});
    }
  }
  return lines;
}

class SettingsProfile : public ::testing::Test {
 protected:
  // The names go through the ANSI code page; with 936 they are the very characters.
  static void SetUpTestSuite() { std::printf("ANSI code page %u\n", GetACP()); }

  void SetUp() override {
    wchar_t temp[MAX_PATH + 1];
    GetTempPathW(MAX_PATH + 1, temp);
    // A folder name outside ASCII, as user folders often are, where Wine's
    // file system can hold one.
    const std::wstring id = std::to_wstring(GetCurrentProcessId());
    folder_ = std::wstring(temp) + L"设置-" + id + L"\\";
    if (!CreateDirectoryW(folder_.c_str(), nullptr)) {
      folder_ = std::wstring(temp) + L"settings-" + id + L"\\";
      CreateDirectoryW(folder_.c_str(), nullptr);
    }
    path_ = folder_ + L"config.ini";
    DeleteFileW(path_.c_str());
  }
  void TearDown() override {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder_ + L"*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
      do {
        const std::wstring file = folder_ + found.cFileName;
        SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(file.c_str());
      } while (FindNextFileW(search, &found));
      FindClose(search);
    }
    RemoveDirectoryW(folder_.c_str());
  }

  std::string PathUtf8() const { return ToUtf8(path_); }

  std::wstring ApiString(const std::string& section, const std::string& key) const {
    wchar_t value[256];
    const DWORD length = GetPrivateProfileStringW(FromAnsi(section).c_str(), FromAnsi(key).c_str(), L"<missing>", value,
                                                  256, path_.c_str());
    return std::wstring(value, length);
  }

  std::wstring folder_;
  std::wstring path_;
};

TEST_F(SettingsProfile, TheProfileFunctionsReadEveryKeyWeWrite) {
  settings::Settings values;
  caps::StoredValues capValues;
  values.watermarkText = "机密";
  values.documentFormat.subtype.data1 = 0x90000000u;
  values.faceFormat.subtype.data2 = 0xFFFF;
  values.coefRed = -0.5;
  values.cropFrameStart = {-12, 34};
  capValues.pixelType = 0;
  capValues.rotationIndex = 2;
  settings::SettingsFile(PathUtf8(), values, capValues).SaveSettings();
  EXPECT_TRUE(GetFileAttributesW(path_.c_str()) & FILE_ATTRIBUTE_HIDDEN);

  // Every section and key the system sees is one of ours, in our order.
  const settings::PrivateProfile ours(ReadBytes(path_));
  std::vector<wchar_t> buffer(65536);
  const DWORD sectionsLength = GetPrivateProfileSectionNamesW(buffer.data(), 65536, path_.c_str());
  const std::vector<std::wstring> sections = SplitList(buffer, sectionsLength);
  std::vector<std::wstring> expectedSections;
  for (const Line& line : KeyLines(Gbk(kFirstStartFile))) {
    if (expectedSections.empty() || expectedSections.back() != FromAnsi(line.section)) {
      expectedSections.push_back(FromAnsi(line.section));
    }
  }
  EXPECT_EQ(sections, expectedSections);

  int keys = 0;
  for (const std::wstring& section : sections) {
    const DWORD length = GetPrivateProfileStringW(section.c_str(), nullptr, L"", buffer.data(), 65536, path_.c_str());
    for (const std::wstring& key : SplitList(buffer, length)) {
      ++keys;
      const std::string sectionBytes = ToAnsi(section), keyBytes = ToAnsi(key);
      const std::optional<std::string> ourValue = ours.Get(sectionBytes, keyBytes);
      ASSERT_TRUE(ourValue) << ToAnsi(key);
      EXPECT_EQ(ToAnsi(ApiString(sectionBytes, keyBytes)), *ourValue);
      const UINT number = GetPrivateProfileIntW(section.c_str(), key.c_str(), 12345, path_.c_str());
      if (!ourValue->empty() && ourValue->find('.') == std::string::npos && keyBytes.rfind("Data4", 0) != 0) {
        EXPECT_EQ(static_cast<std::int32_t>(number), settings::DecodeInt(*ourValue)) << ToAnsi(key);
      }
    }
  }
  EXPECT_EQ(keys, 46);
  EXPECT_EQ(ToAnsi(ApiString(Gbk("水印"), Gbk("水印内容"))), Gbk("机密"));
  EXPECT_EQ(ApiString("分辨率参数", "Data1"), L"<missing>");  // UTF-8 names are not ours
  EXPECT_EQ(ApiString(Gbk("分辨率参数"), "data1"), L"-1879048192");
  EXPECT_EQ(ApiString(Gbk("分辨率参数"), "Data22"), L"65535");
  EXPECT_EQ(ApiString(Gbk("二值化参数"), Gbk("红色系统")), L"-0.500");

  settings::Settings loaded;
  caps::StoredValues loadedCaps;
  EXPECT_TRUE(settings::SettingsFile(PathUtf8(), loaded, loadedCaps).LoadSettings());
  EXPECT_EQ(loaded, values);
  EXPECT_FALSE(GetFileAttributesW(path_.c_str()) & FILE_ATTRIBUTE_HIDDEN);
}

TEST_F(SettingsProfile, AFileTheProfileFunctionsWriteHasOurBytes) {
  for (const Line& line : KeyLines(Gbk(kFirstStartFile))) {
    ASSERT_TRUE(WritePrivateProfileStringW(FromAnsi(line.section).c_str(), FromAnsi(line.key).c_str(),
                                           FromAnsi(line.value).c_str(), path_.c_str()));
  }
  WritePrivateProfileStringW(nullptr, nullptr, nullptr, path_.c_str());  // flushes the system's cache

  const std::wstring ours = folder_ + L"ours.ini";
  settings::Settings values;
  caps::StoredValues capValues;
  settings::SettingsFile(ToUtf8(ours), values, capValues).SaveSettings();
  EXPECT_EQ(ReadBytes(path_), ReadBytes(ours));
  EXPECT_EQ(ReadBytes(path_), Gbk(kFirstStartFile));
}

TEST_F(SettingsProfile, BothSidesEditAHandEditedFileAlike) {
  const std::string start = Gbk(kFirstStartFile) + Gbk("[手写]\r\nmine=1\r\n");
  const std::wstring copy = folder_ + L"copy.ini";
  WriteBytes(path_, start);
  WriteBytes(copy, start);

  settings::Settings values;
  caps::StoredValues capValues;
  values.scanInterval = 9;
  values.idLeft = 100;
  settings::SettingsFile file(PathUtf8(), values, capValues);
  file.SaveSettings();
  const std::string saved = ReadBytes(path_);
  file.SaveSettings();  // over the now hidden file
  EXPECT_EQ(ReadBytes(path_), saved);

  WritePrivateProfileStringW(FromAnsi(Gbk("扫描参数")).c_str(), FromAnsi(Gbk("连扫间隔")).c_str(), L"9", copy.c_str());
  WritePrivateProfileStringW(FromAnsi(Gbk("身份证位置")).c_str(), L"SFZLEFT", L"100", copy.c_str());
  WritePrivateProfileStringW(nullptr, nullptr, nullptr, copy.c_str());
  EXPECT_EQ(ReadBytes(path_), ReadBytes(copy));
  EXPECT_EQ(ApiString(Gbk("手写"), "mine"), L"1");
}

TEST_F(SettingsProfile, WeReadWhatTheProfileFunctionsWrite) {
  WriteBytes(path_, Gbk(kFirstStartFile));
  const auto write = [&](const char* section, const char* key, const char* value) {
    ASSERT_TRUE(WritePrivateProfileStringW(FromAnsi(Gbk(section)).c_str(), FromAnsi(Gbk(key)).c_str(),
                                           FromAnsi(value).c_str(), path_.c_str()));
  };
  write("分辨率参数", "Data4", "0102030405060708");
  write("分辨率参数", "Width", " 640 ");
  write("图片参数", "实际英寸", "2");
  write("扫描参数", "自动连扫", "7");
  write("框选参数", "框选", "-1");
  write("框选参数", "左", "\"25\"");
  write("二值化参数", "红色系统", "abc");
  write("图片参数", "水平DPI", "300");
  write("水印", "水印内容", "");
  WritePrivateProfileStringW(FromAnsi(Gbk("图片参数")).c_str(), FromAnsi(Gbk("自动切边")).c_str(), nullptr,
                             path_.c_str());
  WritePrivateProfileStringW(nullptr, nullptr, nullptr, path_.c_str());

  settings::Settings loaded;
  caps::StoredValues capValues;
  EXPECT_TRUE(settings::SettingsFile(PathUtf8(), loaded, capValues).LoadSettings());
  EXPECT_EQ(loaded.documentFormat.subtype.data4, (std::array<std::uint8_t, 8>{1, 2, 3, 4, 5, 6, 7, 8}));
  EXPECT_EQ(loaded.documentFormat.width, 640);
  EXPECT_FALSE(loaded.actualSizeA3);
  EXPECT_TRUE(loaded.autoContinuous);
  EXPECT_TRUE(loaded.cropFrameShown);
  EXPECT_EQ(loaded.cropFrameStart.x, 25);
  EXPECT_EQ(loaded.coefRed, 0.0);
  EXPECT_EQ(loaded.autoCrop, 1);  // a deleted key keeps the first-start value
  EXPECT_EQ(capValues.xResolution, 300.0f);
  EXPECT_EQ(loaded.dpiY, 300);
}

}  // namespace
