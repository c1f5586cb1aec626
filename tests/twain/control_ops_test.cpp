// The control operations through DS_Entry: identity, opening and closing,
// the user interface, status, pending transfers and the transfer set-ups.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>

#include "caps/cap_client.h"
#include "platform/files.h"
#include "resources/dialog_ids.h"
#include "support/source_harness.h"
#include "ui/main_dialog.h"

namespace ids = dialog_ids::main_dialog;

namespace {

using namespace twain;
using testing_support::SourceHarness;

TEST(Identity, IsTheSourcesOwnInEveryState) {
  SourceHarness h;
  TW_IDENTITY identity{};
  std::memset(&identity, 0x5A, sizeof identity);
  ASSERT_EQ(h.Call(DG_CONTROL, DAT_IDENTITY, MSG_GET, &identity), TWRC_SUCCESS);
  EXPECT_EQ(+identity.Id, 0u);
  EXPECT_EQ(identity.Version.MajorNum, 1);
  EXPECT_EQ(identity.Version.MinorNum, 603);
  EXPECT_EQ(identity.Version.Language, TWLG_USA);
  EXPECT_EQ(identity.Version.Country, TWCY_USA);
  EXPECT_STREQ(identity.Version.Info, "Version 4.1 08/09/2019");
  EXPECT_EQ(identity.ProtocolMajor, 2);
  EXPECT_EQ(identity.ProtocolMinor, 4);
  EXPECT_EQ(+identity.SupportedGroups, DG_CONTROL | DG_IMAGE | DF_DS2);
  EXPECT_STREQ(identity.Manufacturer, "Mervale");
  EXPECT_STREQ(identity.ProductFamily, "Mervale");
  EXPECT_STREQ(identity.ProductName, "MervaleTwain");
}

TEST(Identity, OpenTakesTheManagersRecordAndASecondOpenIsRefused) {
  SourceHarness h;
  ASSERT_EQ(h.Open(), TWRC_SUCCESS);
  EXPECT_EQ(h.State(), 4);
  EXPECT_EQ(+h.source->Context().sourceIdentity.Id, 42u);
  EXPECT_EQ(+h.source->Context().appIdentity.Id, 7u);

  EXPECT_EQ(h.Open(), TWRC_FAILURE);
  EXPECT_EQ(h.LastBoxText(), "General failure in response to MSG_OPENDS.  DG DAT MSG is out of expected sequence.");
  EXPECT_EQ(h.boxes.shown.back().caption, "Sample Source Error");
  EXPECT_EQ(h.ConditionCode(), TWCC_SEQERROR);
  EXPECT_EQ(+h.source->Context().appIdentity.Id, 7u);  // the first application stays connected
}

TEST(Identity, CloseReturnsToStateThreeAndIsRefusedThere) {
  SourceHarness h;
  TW_IDENTITY record = h.managerRecord;
  EXPECT_EQ(h.Call(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &record), TWRC_FAILURE);
  EXPECT_EQ(h.ConditionCode(), TWCC_SEQERROR);
  ASSERT_EQ(h.Open(), TWRC_SUCCESS);
  EXPECT_EQ(h.Call(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &record), TWRC_SUCCESS);
  EXPECT_EQ(h.State(), 3);
  EXPECT_EQ(+h.source->Context().appIdentity.Id, 0u);
  EXPECT_EQ(h.Call(DG_CONTROL, DAT_IDENTITY, MSG_USERSELECT, &record), TWRC_FAILURE);
  EXPECT_EQ(h.ConditionCode(), TWCC_BADPROTOCOL);
}

TEST(Identity, ClosingAnEnabledSourceTakesTheDialogDownFirst) {
  SourceHarness h;
  ASSERT_EQ(h.Open(), TWRC_SUCCESS);
  ASSERT_EQ(h.Enable(), TWRC_SUCCESS);
  TW_IDENTITY record = h.managerRecord;
  EXPECT_EQ(h.Call(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &record), TWRC_SUCCESS);
  EXPECT_EQ(h.State(), 3);
  EXPECT_FALSE(h.source->UserInterface().IsOpen());
  // And the source opens and enables again.
  EXPECT_EQ(h.Open(), TWRC_SUCCESS);
  EXPECT_EQ(h.Enable(), TWRC_SUCCESS);
}

TEST(UserInterface, EnableShowsTheMainDialogEvenWithoutShowUI) {
  SourceHarness h;
  ASSERT_EQ(h.Open(), TWRC_SUCCESS);
  int parent = 0;
  TW_USERINTERFACE ui{0, 0, &parent};
  ASSERT_EQ(h.Call(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui), TWRC_SUCCESS);
  EXPECT_EQ(h.State(), 5);
  EXPECT_EQ(h.source->Context().parentWindow, &parent);
  platform::DialogWindow* dialog = h.source->UserInterface().Window();
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(dialog->IsVisible());
  EXPECT_EQ(dialog->Title(), "Vistrelle Twain V4.1");
  EXPECT_EQ(dialog->ItemText(ids::kScanButton), "Scan");
  EXPECT_FALSE(dialog->IsItemEnabled(ids::kSubmitButton));
  EXPECT_TRUE(dialog->HasItem(ids::kHiddenAutomaticRadio));
  EXPECT_FALSE(dialog->IsItemVisible(ids::kHiddenAutomaticRadio));
}

TEST(UserInterface, EnableUiOnlyBehavesLikeEnableAndDisableTearsDown) {
  SourceHarness h;
  ASSERT_EQ(h.Open(), TWRC_SUCCESS);
  TW_USERINTERFACE ui{1, 1, nullptr};
  ASSERT_EQ(h.Call(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDSUIONLY, &ui), TWRC_SUCCESS);
  EXPECT_TRUE(h.source->UserInterface().IsOpen());
  ASSERT_EQ(h.Call(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui), TWRC_SUCCESS);
  EXPECT_EQ(h.State(), 4);
  EXPECT_FALSE(h.source->UserInterface().IsOpen());
}

TEST(UserInterface, RefusalsOutOfSequence) {
  SourceHarness h;
  TW_USERINTERFACE ui{1, 0, nullptr};
  EXPECT_EQ(h.Call(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui), TWRC_FAILURE);
  EXPECT_EQ(h.LastBoxText(), "General failure in response to MSG_ENABLEDS.  DG DAT MSG is out of expected sequence.");
  EXPECT_EQ(h.boxes.shown.back().owner, nullptr);
  ASSERT_EQ(h.Open(), TWRC_SUCCESS);
  EXPECT_EQ(h.Call(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui), TWRC_FAILURE);
  EXPECT_EQ(h.ConditionCode(), TWCC_SEQERROR);
  EXPECT_EQ(h.Call(DG_CONTROL, DAT_USERINTERFACE, MSG_GET, &ui), TWRC_FAILURE);
  EXPECT_EQ(h.LastBoxText(), "General failure in response to DAT_USERINTERFACE.  Bad protocol error.");
}

TEST(Status, ReportsTheLastRefusalOnceAndAnsweredIsReset) {
  SourceHarness h;
  TW_USERINTERFACE ui{1, 0, nullptr};
  h.Call(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui);
  h.Open();  // a success does not clear the code
  EXPECT_EQ(h.ConditionCode(), TWCC_SEQERROR);
  EXPECT_EQ(h.ConditionCode(), TWCC_SUCCESS);
  TW_STATUS status{};
  EXPECT_EQ(h.Call(DG_CONTROL, DAT_STATUS, MSG_SET, &status), TWRC_FAILURE);
  EXPECT_EQ(h.ConditionCode(), TWCC_BADPROTOCOL);
}

struct PendingTransfers : ::testing::Test {
  // Three pictures submitted, the first being transferred (state 7).
  void SetUp() override {
    ASSERT_EQ(h.Open(), TWRC_SUCCESS);
    ASSERT_EQ(h.Enable(), TWRC_SUCCESS);
    h.SubmitPictures(3);
    ASSERT_EQ(h.State(), 6);
  }
  TW_UINT16 EndTransfer(TW_PENDINGXFERS& pending) {
    h.source->Context().protocolState = 7;  // as a delivered picture leaves it
    return h.Call(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending);
  }
  SourceHarness h;
};

TEST_F(PendingTransfers, WithTheFeederEnabledEveryPictureComesInOneSeries) {
  TW_PENDINGXFERS pending{};
  ASSERT_EQ(EndTransfer(pending), TWRC_SUCCESS);
  EXPECT_EQ(pending.Count, 0xFFFF);
  EXPECT_EQ(h.State(), 6);
  ASSERT_EQ(EndTransfer(pending), TWRC_SUCCESS);
  EXPECT_EQ(pending.Count, 0xFFFF);
  ASSERT_EQ(EndTransfer(pending), TWRC_SUCCESS);
  EXPECT_EQ(pending.Count, 0);
  platform::DialogWindow* dialog = h.source->UserInterface().Window();
  EXPECT_EQ(dialog->ItemText(ids::kStatusLine), "Finish Uploading");
  EXPECT_EQ(dialog->ItemText(ids::kSubmitButton), "Picture Submitting");
  EXPECT_FALSE(dialog->IsItemEnabled(ids::kSubmitButton));
  EXPECT_EQ(h.source->Queue().PictureCount(), 0);
  EXPECT_NE(h.TraceBytes().find("GetCurrentFeederEnabled\xCD\xBC\xC6\xAC\xC9\xCF\xB4\xAB\xBD\xE1\xCA\xF8STATE7"),
            std::string::npos);
}

TEST_F(PendingTransfers, WithTheFeederDisabledEachAnnouncementYieldsOnePicture) {
  h.source->CapValues().feederEnabled = false;
  TW_PENDINGXFERS pending{0x7777, 0x12345678};
  ASSERT_EQ(EndTransfer(pending), TWRC_SUCCESS);
  EXPECT_EQ(pending.Count, 0);
  EXPECT_EQ(+pending.EOJ, 0x12345678u);  // left as the application passed it
  EXPECT_EQ(h.source->Queue().PendingCount(), 2);
}

TEST_F(PendingTransfers, GetTellsWhetherMoreFollow) {
  TW_PENDINGXFERS pending{};
  ASSERT_EQ(h.Call(DG_CONTROL, DAT_PENDINGXFERS, MSG_GET, &pending), TWRC_SUCCESS);
  EXPECT_EQ(pending.Count, 1);
  h.source->CapValues().feederEnabled = false;
  h.source->Context().protocolState = 7;
  ASSERT_EQ(h.Call(DG_CONTROL, DAT_PENDINGXFERS, MSG_GET, &pending), TWRC_SUCCESS);
  EXPECT_EQ(pending.Count, 0);
}

TEST_F(PendingTransfers, EndTransferInStateFiveAdvancesTheQueueThenRefuses) {
  TW_PENDINGXFERS pending{};
  h.source->Context().protocolState = 5;
  EXPECT_EQ(h.Call(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending), TWRC_FAILURE);
  EXPECT_EQ(h.source->Queue().PendingCount(), 2);
  EXPECT_EQ(h.ConditionCode(), TWCC_SEQERROR);
}

TEST_F(PendingTransfers, ResetDropsEveryPendingPicture) {
  TW_PENDINGXFERS pending{5, 0};
  ASSERT_EQ(h.Call(DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &pending), TWRC_SUCCESS);
  EXPECT_EQ(pending.Count, 0);
  EXPECT_EQ(h.State(), 5);
  EXPECT_FALSE(h.source->Queue().AnyPending());
  EXPECT_EQ(h.Call(DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &pending), TWRC_FAILURE);
  EXPECT_EQ(h.ConditionCode(), TWCC_SEQERROR);
}

// CAP_XFERCOUNT 2 with three pictures: the second MSG_ENDXFER ends the
// upload, the third picture is dropped with the user told, and the next
// enable counts afresh.
TEST(TransferCount, EndsTheUploadAfterTheCountAskedAndSaysWhatWasLeft) {
  SourceHarness h;
  ASSERT_EQ(h.Open(), TWRC_SUCCESS);
  ASSERT_EQ(testing_support::SetOneValue(h, CAP_XFERCOUNT, TWTY_INT16, TW_INT16{2}), TWRC_SUCCESS);
  ASSERT_EQ(h.Enable(), TWRC_SUCCESS);
  h.SubmitPictures(3);
  const auto endTransfer = [&h](TW_PENDINGXFERS& pending) {
    h.source->Context().protocolState = 7;
    return h.Call(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending);
  };
  TW_PENDINGXFERS pending{};
  ASSERT_EQ(endTransfer(pending), TWRC_SUCCESS);
  EXPECT_EQ(pending.Count, 0xFFFF);
  EXPECT_TRUE(h.boxes.shown.empty());
  ASSERT_EQ(endTransfer(pending), TWRC_SUCCESS);
  EXPECT_EQ(pending.Count, 0);
  EXPECT_EQ(h.State(), 6);  // as after the last picture
  EXPECT_FALSE(h.source->Queue().AnyPending());
  EXPECT_EQ(h.source->Queue().PictureCount(), 0);
  EXPECT_EQ(h.source->UserInterface().Window()->ItemText(ids::kStatusLine), "Finish Uploading");
  EXPECT_THAT(h.LastBoxText(), ::testing::HasSubstr("the other 1 were not transferred"));

  TW_USERINTERFACE ui{1, 0, nullptr};
  ASSERT_EQ(h.Call(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui), TWRC_SUCCESS);
  ASSERT_EQ(h.Enable(), TWRC_SUCCESS);
  h.SubmitPictures(3);
  ASSERT_EQ(endTransfer(pending), TWRC_SUCCESS);
  EXPECT_EQ(pending.Count, 0xFFFF);
}

// -1 (any number) and a count beyond the pictures deliver them all without a word.
TEST(TransferCount, AnyNumberOrMoreThanStoredDeliversEveryPicture) {
  for (const TW_INT16 count : {TW_INT16{-1}, TW_INT16{5}}) {
    SourceHarness h;
    ASSERT_EQ(h.Open(), TWRC_SUCCESS);
    ASSERT_EQ(testing_support::SetOneValue(h, CAP_XFERCOUNT, TWTY_INT16, count), TWRC_SUCCESS);
    ASSERT_EQ(h.Enable(), TWRC_SUCCESS);
    h.SubmitPictures(3);
    TW_PENDINGXFERS pending{};
    for (int i = 0; i < 3; ++i) {
      h.source->Context().protocolState = 7;
      ASSERT_EQ(h.Call(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending), TWRC_SUCCESS);
      EXPECT_EQ(pending.Count, i < 2 ? 0xFFFF : 0) << count;
    }
    EXPECT_TRUE(h.boxes.shown.empty()) << count;
  }
}

TEST(SetupMemXfer, AnswersTheBufferSizesInStatesFourToSix) {
  SourceHarness h;
  TW_SETUPMEMXFER setup{};
  EXPECT_EQ(h.Call(DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET, &setup), TWRC_FAILURE);
  ASSERT_EQ(h.Open(), TWRC_SUCCESS);
  ASSERT_EQ(h.Call(DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET, &setup), TWRC_SUCCESS);
  EXPECT_EQ(+setup.MinBufSize, 16384u);
  EXPECT_EQ(+setup.MaxBufSize, 65535u);
  EXPECT_EQ(+setup.Preferred, 65535u);
  EXPECT_EQ(h.Call(DG_CONTROL, DAT_SETUPMEMXFER, MSG_GETFIRST, &setup), TWRC_FAILURE);
  EXPECT_EQ(h.LastBoxText(), "General failure in response to DAT_SETUPMEMXFER, not supported.  Bad protocol error.");
  h.source->Context().protocolState = 7;
  EXPECT_EQ(h.Call(DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET, &setup), TWRC_FAILURE);
  EXPECT_EQ(h.ConditionCode(), TWCC_SEQERROR);
}

TEST(SetupFileXfer, SetCreatesTheFileAndResetRestoresTheDefault) {
  SourceHarness h;
  ASSERT_EQ(h.Open(), TWRC_SUCCESS);
  TW_SETUPFILEXFER setup{};
  ASSERT_EQ(h.Call(DG_CONTROL, DAT_SETUPFILEXFER, MSG_GET, &setup), TWRC_SUCCESS);
  EXPECT_STREQ(setup.FileName, "twain.bmp");
  EXPECT_EQ(setup.Format, TWFF_BMP);

  const std::string name = h.folder.File("page.bmp");
  std::strcpy(setup.FileName, name.c_str());
  setup.Format = TWFF_PNG;
  ASSERT_EQ(h.Call(DG_CONTROL, DAT_SETUPFILEXFER, MSG_SET, &setup), TWRC_SUCCESS);
  EXPECT_TRUE(platform::FileExists(name));
  TW_SETUPFILEXFER current{};
  ASSERT_EQ(h.Call(DG_CONTROL, DAT_SETUPFILEXFER, MSG_GETCURRENT, &current), TWRC_SUCCESS);
  EXPECT_EQ(current.FileName, name);
  EXPECT_EQ(current.Format, TWFF_PNG);
  ASSERT_EQ(h.Call(DG_CONTROL, DAT_SETUPFILEXFER, MSG_GETDEFAULT, &current), TWRC_SUCCESS);
  EXPECT_STREQ(current.FileName, "twain.bmp");
  EXPECT_EQ(current.Format, TWFF_BMP);

  ASSERT_EQ(h.Call(DG_CONTROL, DAT_SETUPFILEXFER, MSG_RESET, &setup), TWRC_SUCCESS);
  EXPECT_STREQ(setup.FileName, "twain.bmp");
  EXPECT_EQ(setup.VRefNum, 0);
}

TEST(SetupFileXfer, ANameThatCannotBeCreatedIsRefusedButKept) {
  SourceHarness h;
  ASSERT_EQ(h.Open(), TWRC_SUCCESS);
  TW_SETUPFILEXFER setup{};
  const std::string name = h.folder.File("no-such-folder/page.bmp");
  std::strcpy(setup.FileName, name.c_str());
  setup.Format = TWFF_BMP;
  EXPECT_EQ(h.Call(DG_CONTROL, DAT_SETUPFILEXFER, MSG_SET, &setup), TWRC_FAILURE);
  EXPECT_EQ(h.LastBoxText(), "Unable to create file <<DAT_SETUPFILEXFER>>Bad value error.");
  EXPECT_EQ(h.ConditionCode(), TWCC_BADVALUE);
  TW_SETUPFILEXFER current{};
  ASSERT_EQ(h.Call(DG_CONTROL, DAT_SETUPFILEXFER, MSG_GET, &current), TWRC_SUCCESS);
  EXPECT_EQ(current.FileName, name);
}

TEST(SetupFileXfer, AnUnterminatedNameKeepsAtMost255Characters) {
  SourceHarness h;
  ASSERT_EQ(h.Open(), TWRC_SUCCESS);
  TW_SETUPFILEXFER setup{};
  std::memset(setup.FileName, 'x', sizeof setup.FileName);
  std::memcpy(setup.FileName, h.folder.Path().data(), h.folder.Path().size());  // created in the test folder
  h.Call(DG_CONTROL, DAT_SETUPFILEXFER, MSG_SET, &setup);
  EXPECT_EQ(h.source->Context().fileNameCurrent.size(), 255u);
  EXPECT_EQ(h.Call(DG_CONTROL, DAT_SETUPFILEXFER, MSG_GETNEXT, &setup), TWRC_FAILURE);
  EXPECT_EQ(h.ConditionCode(), TWCC_BADPROTOCOL);
}

TEST(XferGroup, AnswersTheImageGroupAndAcceptsSet) {
  SourceHarness h;
  ASSERT_EQ(h.Open(), TWRC_SUCCESS);
  TW_UINT32 group = 0xFFFFFFFF;
  ASSERT_EQ(h.Call(DG_CONTROL, DAT_XFERGROUP, MSG_GET, &group), TWRC_SUCCESS);
  EXPECT_EQ(group, 2u);
  EXPECT_EQ(h.Call(DG_CONTROL, DAT_XFERGROUP, MSG_SET, &group), TWRC_SUCCESS);
  EXPECT_EQ(h.Call(DG_CONTROL, DAT_XFERGROUP, MSG_GETFIRST, &group), TWRC_FAILURE);
  h.source->Context().protocolState = 7;
  EXPECT_EQ(h.Call(DG_CONTROL, DAT_XFERGROUP, MSG_GET, &group), TWRC_FAILURE);
  EXPECT_EQ(h.ConditionCode(), TWCC_SEQERROR);
}

}  // namespace
