// What a TWAIN 2 manager and application rely on: the manager's entry points
// taken and used for notifications, MSG_RESETALL, and CAP_SUPPORTEDDATS
// naming exactly the triplets the dispatch tables answer.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "caps/cap_client.h"
#include "support/source_harness.h"
#include "twain/dispatch.h"

namespace {

using namespace twain;
using ::testing::HasSubstr;
using testing_support::SourceHarness;

struct ManagerCall {
  TW_UINT32 originId;
  TW_UINT32 destinationId;
  TW_UINT16 dat;
  TW_UINT16 msg;
};
std::vector<ManagerCall> managerCalls;
TW_UINT16 managerAnswer = TWRC_SUCCESS;
constexpr std::size_t kArrayItems = 6;  // TW_ARRAY: ItemType, NumItems, then the items

TW_UINT16 TW_CALLINGSTYLE ManagerEntry(TW_IDENTITY* origin, TW_IDENTITY* destination, TW_UINT32, TW_UINT16 dat,
                                       TW_UINT16 msg, TW_MEMREF) {
  managerCalls.push_back({origin->Id, destination->Id, dat, msg});
  return managerAnswer;
}

class Twain2 : public ::testing::Test {
 protected:
  Twain2() {
    managerCalls.clear();
    managerAnswer = TWRC_SUCCESS;
  }
  TW_UINT16 HandOverEntryPoints(TW_UINT32 size = sizeof(TW_ENTRYPOINT)) {
    TW_ENTRYPOINT entry{size, &ManagerEntry, nullptr, nullptr, nullptr, nullptr};
    return h.Call(DG_CONTROL, DAT_ENTRYPOINT, MSG_SET, &entry);
  }
  SourceHarness h;
};

// The working group's manager sends the entry points before MSG_OPENDS.
TEST_F(Twain2, NotificationsGoThroughTheEntryTheManagerHandedOver) {
  ASSERT_EQ(HandOverEntryPoints(), TWRC_SUCCESS);
  ASSERT_EQ(h.Open(), TWRC_SUCCESS);
  ASSERT_EQ(h.Enable(), TWRC_SUCCESS);
  h.source->NotifyXferReady();
  h.source->NotifyCloseDSReq();
  ASSERT_EQ(managerCalls.size(), 2u);
  EXPECT_EQ(managerCalls[0].originId, 42u);
  EXPECT_EQ(managerCalls[0].destinationId, 7u);
  EXPECT_EQ(managerCalls[0].dat, DAT_NULL);
  EXPECT_EQ(managerCalls[0].msg, MSG_XFERREADY);
  EXPECT_EQ(managerCalls[1].msg, MSG_CLOSEDSREQ);
  EXPECT_TRUE(h.manager.received.empty()) << "no guess at a loaded manager";
}

// Wine's manager sends them right after MSG_OPENDS; closing forgets them.
TEST_F(Twain2, EntryPointsAfterOpeningCountUntilTheSourceCloses) {
  ASSERT_EQ(h.Open(), TWRC_SUCCESS);
  ASSERT_EQ(HandOverEntryPoints(), TWRC_SUCCESS);
  h.source->NotifyCloseDSReq();
  EXPECT_EQ(managerCalls.size(), 1u);
  TW_IDENTITY record = h.managerRecord;
  ASSERT_EQ(h.Call(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &record), TWRC_SUCCESS);
  ASSERT_EQ(h.Open(), TWRC_SUCCESS);
  h.source->NotifyCloseDSReq();
  EXPECT_EQ(managerCalls.size(), 1u);
  EXPECT_EQ(h.manager.received.size(), 1u);
}

TEST_F(Twain2, ANotificationTheManagerRefusesIsTraced) {
  ASSERT_EQ(HandOverEntryPoints(), TWRC_SUCCESS);
  ASSERT_EQ(h.Open(), TWRC_SUCCESS);
  managerAnswer = TWRC_FAILURE;
  h.source->NotifyCloseDSReq();
  EXPECT_THAT(h.TraceBytes(), HasSubstr("The source manager did not take the notification"));
}

TEST_F(Twain2, EntryPointsOfAnotherSizeOrStateOrMessageAreRefused) {
  EXPECT_EQ(HandOverEntryPoints(sizeof(TW_ENTRYPOINT) - 4), TWRC_FAILURE);
  EXPECT_EQ(h.ConditionCode(), TWCC_BADVALUE);
  EXPECT_EQ(h.Call(DG_CONTROL, DAT_ENTRYPOINT, MSG_SET, nullptr), TWRC_FAILURE);
  EXPECT_EQ(h.ConditionCode(), TWCC_BADVALUE);
  TW_ENTRYPOINT entry{};
  EXPECT_EQ(h.Call(DG_CONTROL, DAT_ENTRYPOINT, MSG_GET, &entry), TWRC_FAILURE);
  EXPECT_EQ(h.ConditionCode(), TWCC_BADPROTOCOL);
  ASSERT_EQ(h.Open(), TWRC_SUCCESS);
  ASSERT_EQ(h.Enable(), TWRC_SUCCESS);
  EXPECT_EQ(HandOverEntryPoints(), TWRC_FAILURE);
  EXPECT_EQ(h.ConditionCode(), TWCC_SEQERROR);
  h.source->NotifyCloseDSReq();
  EXPECT_TRUE(managerCalls.empty());
}

TEST_F(Twain2, ResetAllReturnsEveryCapabilityToItsDefaultInStateFourOnly) {
  ASSERT_EQ(h.Open(), TWRC_SUCCESS);
  ASSERT_EQ(testing_support::SetOneValue(h, ICAP_PIXELTYPE, TWTY_UINT16, TW_UINT16{TWPT_GRAY}), TWRC_SUCCESS);
  ASSERT_EQ(testing_support::SetOneValue(h, CAP_XFERCOUNT, TWTY_INT16, TW_INT16{3}), TWRC_SUCCESS);
  TW_CAPABILITY all{CAP_SUPPORTEDCAPS, TWON_DONTCARE16, nullptr};
  ASSERT_EQ(h.Call(DG_CONTROL, DAT_CAPABILITY, MSG_RESETALL, &all), TWRC_SUCCESS);
  const TW_HANDLE answered = all.hContainer;
  EXPECT_EQ(answered, nullptr) << "no container is answered";
  EXPECT_EQ(h.source->CapValues().pixelType, TWPT_RGB);
  EXPECT_EQ(h.source->CapValues().transferCount, -1);
  // The values TWAIN prescribes after a reset.
  EXPECT_EQ(h.source->CapValues().highlight, 255.0f);
  EXPECT_EQ(h.source->CapValues().shadow, 0.0f);
  EXPECT_EQ(h.source->CapValues().scaling, 1.0f);

  ASSERT_EQ(testing_support::SetOneValue(h, ICAP_PIXELTYPE, TWTY_UINT16, TW_UINT16{TWPT_GRAY}), TWRC_SUCCESS);
  ASSERT_EQ(h.Enable(), TWRC_SUCCESS);
  EXPECT_EQ(h.Call(DG_CONTROL, DAT_CAPABILITY, MSG_RESETALL, &all), TWRC_FAILURE);
  EXPECT_EQ(h.ConditionCode(), TWCC_SEQERROR);
}

// Every triplet the tables answer is listed, and nothing else.
TEST_F(Twain2, SupportedDatsNameExactlyWhatTheDispatchTablesAnswer) {
  ASSERT_EQ(h.Open(), TWRC_SUCCESS);
  const testing_support::CapAnswer answer = testing_support::Ask(h, CAP_SUPPORTEDDATS, MSG_GET);
  ASSERT_EQ(answer.result, TWRC_SUCCESS);
  EXPECT_EQ(answer.conType, TWON_ARRAY);
  EXPECT_EQ(answer.ItemType(), TWTY_UINT32);
  std::vector<TW_UINT32> listed;
  for (TW_UINT32 i = 0; i < answer.NumItems(); ++i) {
    listed.push_back(answer.At<TW_UINT32>(kArrayItems + 4 * i));
  }
  std::vector<TW_UINT32> dispatched;
  for (const DispatchRow& row : ControlTable()) dispatched.push_back(DG_CONTROL << 16 | row.dat);
  for (const DispatchRow& row : ImageTable()) dispatched.push_back(DG_IMAGE << 16 | row.dat);
  // DAT_EVENT is answered before the tables, by the event routing.
  dispatched.push_back(DG_CONTROL << 16 | DAT_EVENT);
  std::sort(listed.begin(), listed.end());
  std::sort(dispatched.begin(), dispatched.end());
  dispatched.erase(std::unique(dispatched.begin(), dispatched.end()), dispatched.end());  // a DAT has several rows
  EXPECT_EQ(listed, dispatched);
}

}  // namespace
