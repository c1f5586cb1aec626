// A TWAIN application under Wine: Wine's own source manager loads the
// installed MervaleTwain.ds (as C:\windows\twain_64\sane.ds, the name Wine's
// manager looks for), and this program drives it the way applications do.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "child_process.h"
#include "protocol/twain.h"
#include "resources/dialog_ids.h"
#include "twain_application.h"
#include "wine_desktop.h"

using namespace twain;

namespace {

namespace ids = dialog_ids::main_dialog;

constexpr wchar_t kDialogTitle[] = L"Vistrelle Twain V4.1";

class TwainSession : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(app_.ManagerOpen()); }

  // Reads a capability's container as the application receives it, then frees it.
  std::vector<std::uint8_t> GetCapability(TW_UINT16 cap, TW_UINT16& conType) {
    TW_CAPABILITY capability{cap, TWON_DONTCARE16, nullptr};
    if (Source(DAT_CAPABILITY, MSG_GET, &capability) != TWRC_SUCCESS) return {};
    conType = capability.ConType;
    const auto* bytes = static_cast<const std::uint8_t*>(GlobalLock(capability.hContainer));
    std::vector<std::uint8_t> container(bytes, bytes + GlobalSize(capability.hContainer));
    GlobalUnlock(capability.hContainer);
    GlobalFree(capability.hContainer);
    return container;
  }

  TW_UINT16 Source(TW_UINT16 dat, TW_UINT16 msg, void* data) { return app_.Control(dat, msg, data); }

  void OpenSource() {
    ASSERT_TRUE(app_.OpenSource());
    ASSERT_STREQ(app_.SourceIdentity().ProductName, "MervaleTwain");
  }

  HWND EnableSource() {
    EXPECT_EQ(app_.Enable(), TWRC_SUCCESS);
    enabled_ = true;
    wine_desktop::Pump(300);
    return FindWindowW(L"#32770", kDialogTitle);
  }

  void CloseSource() {
    if (enabled_) {
      EXPECT_EQ(app_.Disable(), TWRC_SUCCESS);
      enabled_ = false;
    }
    EXPECT_EQ(app_.CloseSource(), TWRC_SUCCESS);
  }

  TW_UINT16 SourceStatus() {
    TW_STATUS status{0xEEEE, 0};
    EXPECT_EQ(Source(DAT_STATUS, MSG_GET, &status), TWRC_SUCCESS);
    return status.ConditionCode;
  }

  // The boxes answered with the failure report's caption.
  std::vector<wine_desktop::AnsweredBox> FailureReports() {
    std::vector<wine_desktop::AnsweredBox> reports;
    for (const auto& box : boxes_.Answered()) {
      if (box.caption == L"Sample Source Error") reports.push_back(box);
    }
    return reports;
  }

  static std::string TraceFile() {
    std::ifstream file("C:\\twsrc.log", std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  }

  wine_desktop::TwainApplication app_{"Session test"};
  bool enabled_ = false;
  // No failure report or camera message may hang a test: every box is answered and recorded.
  wine_desktop::BoxWatchdog boxes_{{L"Sample Source Error", L"MervaleTwain"}};
};

TEST_F(TwainSession, TheManagerListsTheSourceWithItsIdentity) {
  ASSERT_TRUE(app_.FindSource());
  const TW_IDENTITY& source = app_.SourceIdentity();
  EXPECT_EQ(source.ProtocolMajor, 2);
  EXPECT_EQ(source.ProtocolMinor, 4);
  EXPECT_EQ(+source.SupportedGroups, DG_CONTROL | DG_IMAGE | DF_DS2);
  EXPECT_STREQ(source.Manufacturer, "Mervale");
  EXPECT_STREQ(source.ProductFamily, "Mervale");
  EXPECT_EQ(source.Version.MinorNum, 603);
  EXPECT_STREQ(source.Version.Info, "Version 4.1 08/09/2019");
}

TEST_F(TwainSession, OpenStatusEnableDisableClose) {
  OpenSource();
  EXPECT_EQ(SourceStatus(), TWCC_SUCCESS);

  HWND dialog = EnableSource();
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(IsWindowVisible(dialog));
  EXPECT_EQ(GetWindow(dialog, GW_OWNER), app_.Window());
  EXPECT_EQ(wine_desktop::WindowText(GetDlgItem(dialog, 1)), L"Scan");
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, ids::kSubmitButton)));
  EXPECT_NE(GetDlgItem(dialog, ids::kHiddenAutomaticRadio), nullptr);
  EXPECT_FALSE(IsWindowVisible(GetDlgItem(dialog, ids::kHiddenAutomaticRadio)));
  EXPECT_EQ(wine_desktop::WindowText(GetDlgItem(dialog, ids::kVideoParametersButton)), L"视频参数设置");
  EXPECT_TRUE(wine_desktop::SaveScreenshot(wine_desktop::OutputFolder() + L"enabled-dialog.bmp"));

  CloseSource();
  wine_desktop::Pump(100);
  EXPECT_FALSE(IsWindow(dialog));
  // Without a camera in the prefix the dialog says so; nothing may be reported as a failure.
  EXPECT_TRUE(FailureReports().empty());
}

TEST_F(TwainSession, WithoutACameraTheSourceSaysSoAndAsksToBeClosed) {
  // No video input device is registered in the test prefix. The request
  // comes with the dialog's first timer tick, after MSG_ENABLEDS returned.
  OpenSource();
  ASSERT_EQ(app_.Enable(), TWRC_SUCCESS);
  enabled_ = true;
  EXPECT_TRUE(app_.WaitFor(MSG_CLOSEDSREQ, 5000));
  HWND dialog = FindWindowW(L"#32770", kDialogTitle);
  EXPECT_NE(dialog, nullptr);
  const auto answered = boxes_.Answered();
  ASSERT_EQ(answered.size(), 1u);
  EXPECT_EQ(answered[0].caption, L"MervaleTwain");
  EXPECT_EQ(answered[0].text, L"No Available Device!");
  CloseSource();
  EXPECT_FALSE(IsWindow(dialog));
}

TEST_F(TwainSession, ARefusalShowsTheFailureReportAndSetsTheCondition) {
  OpenSource();
  EXPECT_EQ(app_.Disable(), TWRC_FAILURE);
  EXPECT_EQ(SourceStatus(), TWCC_SEQERROR);
  const auto answered = boxes_.Answered();
  ASSERT_EQ(answered.size(), 1u);
  EXPECT_EQ(answered[0].text,
            L"General failure in response to MSG_DISABLEDS.  DG DAT MSG is out of expected sequence.");
  CloseSource();
}

TEST_F(TwainSession, ClosingTheDialogReachesTheApplicationAsACloseRequest) {
  OpenSource();
  HWND dialog = EnableSource();
  ASSERT_NE(dialog, nullptr);
  PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  EXPECT_TRUE(app_.WaitFor(MSG_CLOSEDSREQ, 5000));
  CloseSource();
  EXPECT_FALSE(IsWindow(dialog));
}

TEST_F(TwainSession, TheSpaceKeyAnywhereInTheThreadPressesScan) {
  OpenSource();
  ASSERT_NE(EnableSource(), nullptr);
  PostMessageW(app_.Window(), WM_KEYDOWN, VK_SPACE, 0);
  wine_desktop::Pump(200);
  // "拍照处理" in GBK: the hook saw the key and pressed Scan.
  EXPECT_NE(TraceFile().find("\xC5\xC4\xD5\xD5\xB4\xA6\xC0\xED"), std::string::npos);
  CloseSource();
}

TEST_F(TwainSession, CapabilitiesAnswerThroughTheManager) {
  OpenSource();
  TW_UINT16 conType = 0;
  std::vector<std::uint8_t> supported = GetCapability(CAP_SUPPORTEDCAPS, conType);
  ASSERT_EQ(conType, TWON_ARRAY);
  ASSERT_GE(supported.size(), 6u + 41u * 2u);
  TW_ARRAY array;
  std::memcpy(&array, supported.data(), 6);
  EXPECT_EQ(array.ItemType, TWTY_UINT16);
  EXPECT_EQ(+array.NumItems, 41u);
  TW_UINT16 first = 0, last = 0;
  std::memcpy(&first, supported.data() + 6, 2);
  std::memcpy(&last, supported.data() + 6 + 40 * 2, 2);
  EXPECT_EQ(first, CAP_SUPPORTEDCAPS);
  EXPECT_EQ(last, CAP_SUPPORTEDDATS);

  std::vector<std::uint8_t> resolution = GetCapability(ICAP_XRESOLUTION, conType);
  ASSERT_EQ(conType, TWON_ENUMERATION);
  ASSERT_GE(resolution.size(), 14u + 8u * 4u);
  TW_ENUMERATION enumeration;
  std::memcpy(&enumeration, resolution.data(), 14);
  EXPECT_EQ(enumeration.ItemType, TWTY_FIX32);
  EXPECT_EQ(+enumeration.NumItems, 8u);
  EXPECT_EQ(+enumeration.CurrentIndex, 3u);
  TW_FIX32 third{};
  std::memcpy(&third, resolution.data() + 14 + 3 * 4, 4);
  EXPECT_EQ(third.Whole, 200);
  CloseSource();
}

TEST_F(TwainSession, ImageTripletsRefuseOutOfSequence) {
  OpenSource();
  ASSERT_NE(EnableSource(), nullptr);
  TW_IMAGEINFO info{};
  EXPECT_EQ(app_.Image(DAT_IMAGEINFO, MSG_GET, &info), TWRC_FAILURE);
  EXPECT_EQ(SourceStatus(), TWCC_SEQERROR);
  TW_HANDLE bitmap = nullptr;
  EXPECT_EQ(app_.Image(DAT_IMAGENATIVEXFER, MSG_GET, &bitmap), TWRC_FAILURE);
  EXPECT_EQ(SourceStatus(), TWCC_SEQERROR);
  EXPECT_EQ(bitmap, nullptr);
  const auto answered = FailureReports();
  ASSERT_EQ(answered.size(), 2u);
  EXPECT_EQ(answered[0].text, L"General failure in transfer.  DG DAT MSG is out of expected sequence.");
  CloseSource();
}

// twain-acquire in a process of its own: it finds the source through the
// manager, negotiates, enables and closes it.
TEST(TwainAcquire, OpensNegotiatesAndClosesTheSource) {
  // The prefix has no camera: the dialog's "No Available Device!" is answered from here.
  wine_desktop::BoxWatchdog cameraBoxes{{L"MervaleTwain"}};
  wine_desktop::ChildProcess acquire(L"\"" + std::wstring(TWAIN_ACQUIRE_PATH) +
                                     L"\" --wait 200 --mech memory --pixel-type grey");
  ASSERT_TRUE(acquire.Started());
  const int exitCode = acquire.Wait(60000);
  const std::string& output = acquire.Output();
  EXPECT_EQ(exitCode, 0) << output;
  EXPECT_NE(output.find("open: MervaleTwain"), std::string::npos) << output;
  EXPECT_NE(output.find("set pixel type: accepted"), std::string::npos) << output;
  EXPECT_NE(output.find("set transfer mechanism: accepted"), std::string::npos) << output;
  EXPECT_NE(output.find("disable: success"), std::string::npos) << output;
}

TEST_F(TwainSession, EveryTripletIsTracedInGbk) {
  OpenSource();
  SourceStatus();
  CloseSource();
  const std::string trace = TraceFile();
  EXPECT_NE(trace.find("DG_CONTROLDispatchStatusMsg"), std::string::npos);
  EXPECT_NE(trace.find("DS_Entry parameter\xA3\xBA"), std::string::npos);
}

}  // namespace
