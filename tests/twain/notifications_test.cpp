// Notifications to the source manager, failure texts, internal-check
// reports and the space-key shortcut.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "resources/dialog_ids.h"
#include "support/source_harness.h"
#include "twain/reports.h"

namespace ids = dialog_ids::main_dialog;

namespace {

using namespace twain;
using ::testing::HasSubstr;
using testing_support::SourceHarness;

TEST(Notifications, XferReadyGoesFromTheAssignedIdentityToTheApplication) {
  SourceHarness h;
  ASSERT_EQ(h.Open(), TWRC_SUCCESS);
  ASSERT_EQ(h.Enable(), TWRC_SUCCESS);
  h.source->NotifyXferReady();
  EXPECT_EQ(h.State(), 6);
  ASSERT_EQ(h.manager.received.size(), 1u);
  EXPECT_EQ(h.manager.received[0].originId, 42u);
  EXPECT_EQ(h.manager.received[0].destinationId, 7u);
  EXPECT_EQ(h.manager.received[0].message, MSG_XFERREADY);
}

TEST(Notifications, XferReadyWithoutAManagerStillMovesToStateSix) {
  SourceHarness h;
  h.manager.present = false;
  ASSERT_EQ(h.Open(), TWRC_SUCCESS);
  h.source->NotifyXferReady();
  EXPECT_EQ(h.State(), 6);
  EXPECT_THAT(h.TraceBytes(), HasSubstr("NotifyXferReady"));
}

TEST(Notifications, CloseRequestLeavesTheStateAlone) {
  SourceHarness h;
  ASSERT_EQ(h.Open(), TWRC_SUCCESS);
  h.source->NotifyCloseDSReq();
  EXPECT_EQ(h.State(), 4);
  ASSERT_EQ(h.manager.received.size(), 1u);
  EXPECT_EQ(h.manager.received[0].message, MSG_CLOSEDSREQ);
  EXPECT_THAT(h.TraceBytes(), HasSubstr("NotifyCloseDSReq"));
}

TEST(FailureReports, EveryCodeHasItsTextAndTheLongestPairFits) {
  EXPECT_EQ(ConditionCodeText(TWCC_BADVALUE), "Bad value error.");
  EXPECT_EQ(ConditionCodeText(7), "Unknown Error value in condition code.");
  EXPECT_EQ(ConditionCodeText(8), "Unknown Error value in condition code.");
  EXPECT_EQ(ConditionCodeText(TWCC_CAPUNSUPPORTED), "Unknown Error value in condition code.");
  EXPECT_EQ(ConditionCodeText(TWCC_SUCCESS), "Success message from detailed error request ??");
  EXPECT_LE(
      FailureReportText("General failure in response to DAT_SETUPFILEXFER, not supported.  ", TWCC_LOWMEMORY).size(),
      179u);
}

TEST(FailureReports, AssertionBoxNamesModuleAndLine) {
  testing_support::RecordingMessageBoxes boxes;
  EXPECT_TRUE(ReportAssertion(boxes, "Scanner", 12));
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, "File Scanner\n Line 12");
  EXPECT_EQ(boxes.shown[0].caption, "Assertion Failed!");
  EXPECT_EQ(boxes.shown[0].owner, nullptr);
  EXPECT_EQ(boxes.shown[0].style, 0x5u | 0x10u | 0x2000u | 0x10000u);
}

// A user interface whose dialog records the commands it receives.
class RecordingInterface final : public ScanUserInterface, private platform::DialogEvents {
 public:
  explicit RecordingInterface(Source& source) : source_(source) {}
  bool Open(platform::WindowHandle owner) override {
    window_ = source_.Ports().dialogs.CreateModeless(ids::kTemplate, *this, owner);
    return window_ != nullptr;
  }
  void Close() override { window_.reset(); }
  bool IsOpen() const override { return window_ != nullptr; }
  platform::DialogWindow* Window() override { return window_.get(); }
  void ShowUploadFinished() override {}
  std::vector<int> commands;

 private:
  void OnInit(platform::DialogWindow&) override {}
  void OnCommand(int id, int) override { commands.push_back(id); }
  Source& source_;
  std::unique_ptr<platform::DialogWindow> window_;
};

TEST(SpaceKey, PressesScanWhileTheDialogExistsAndSetsTheLatch) {
  RecordingInterface* ui = nullptr;
  SourceHarness h([&ui](Source& source) {
    auto made = std::make_unique<RecordingInterface>(source);
    ui = made.get();
    return made;
  });
  EXPECT_FALSE(h.source->PreTranslateKeyDown(platform::kVkSpace));  // no dialog yet: nothing happens
  EXPECT_FALSE(h.source->IgnoreNextCommand().load());

  ASSERT_EQ(h.Open(), TWRC_SUCCESS);
  ASSERT_EQ(h.Enable(), TWRC_SUCCESS);
  EXPECT_FALSE(h.source->PreTranslateKeyDown('A'));
  EXPECT_TRUE(ui->commands.empty());
  EXPECT_FALSE(h.source->PreTranslateKeyDown(platform::kVkSpace));
  EXPECT_EQ(ui->commands, std::vector<int>{1});
  EXPECT_TRUE(h.source->IgnoreNextCommand().load());
  EXPECT_THAT(h.TraceBytes(), HasSubstr("\xC5\xC4\xD5\xD5\xB4\xA6\xC0\xED"));  // "拍照处理" in GBK
}

}  // namespace
