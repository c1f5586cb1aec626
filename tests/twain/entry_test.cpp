// DS_Entry as an application meets it: dispatch, refusals of unknown
// triplets, the origin check, event routing and the trace blocks.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <new>

#include "library/main_dialog_bridge.h"
#include "platform/dialog.h"
#include "support/source_harness.h"

namespace {

using namespace twain;
using ::testing::HasSubstr;
using ::testing::Not;
using testing_support::SourceHarness;

TEST(Entry, UnknownDatInAKnownGroupFailsSilentlyWithBadProtocol) {
  SourceHarness h;
  void* parent = nullptr;
  EXPECT_EQ(h.Call(DG_CONTROL, DAT_PARENT, MSG_OPENDSM, &parent), TWRC_FAILURE);
  EXPECT_EQ(h.Call(DG_IMAGE, DAT_STATUS, MSG_GET, nullptr), TWRC_FAILURE);  // a control DAT in the image group
  EXPECT_TRUE(h.boxes.shown.empty());
  EXPECT_EQ(h.ConditionCode(), TWCC_BADPROTOCOL);
}

TEST(Entry, UnknownGroupFailsAndIsTracedAsImageWithoutDispatch) {
  SourceHarness h;
  EXPECT_EQ(h.Call(4, DAT_STATUS, MSG_GET, nullptr), TWRC_FAILURE);
  const std::string trace = h.TraceBytes();
  EXPECT_THAT(trace, HasSubstr("DG_IMAGE"));
  EXPECT_THAT(trace, Not(HasSubstr("Dispatch")));
  EXPECT_EQ(h.ConditionCode(), TWCC_BADPROTOCOL);
}

TEST(Entry, ForeignOriginReachesNoHandlerWhileAnApplicationHasTheSourceOpen) {
  SourceHarness h;
  ASSERT_EQ(h.Open(), TWRC_SUCCESS);
  TW_IDENTITY other = h.application;
  other.Id = 99;
  TW_IDENTITY record = h.managerRecord;
  EXPECT_EQ(h.CallFrom(&other, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &record), TWRC_FAILURE);
  EXPECT_EQ(h.CallFrom(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &record), TWRC_FAILURE);
  EXPECT_EQ(h.State(), 4);
  EXPECT_TRUE(h.boxes.shown.empty());
  EXPECT_EQ(h.ConditionCode(), TWCC_SUCCESS);  // no condition code was set
  // The blocks are still written, but no handler ran.
  EXPECT_THAT(h.TraceBytes(), Not(HasSubstr("CloseDS")));
}

TEST(Entry, IdentityIsAnsweredForNullAndForeignOriginsEvenWhileOpen) {
  SourceHarness h;
  ASSERT_EQ(h.Open(), TWRC_SUCCESS);
  TW_IDENTITY identity{};
  EXPECT_EQ(h.CallFrom(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_GET, &identity), TWRC_SUCCESS);
  EXPECT_STREQ(identity.ProductName, "MervaleTwain");
  EXPECT_EQ(+identity.Id, 42u);
}

TEST(Entry, ProcessEventBeforeEnableIsNotOursAndLeavesNoTrace) {
  SourceHarness h;
  ASSERT_EQ(h.Open(), TWRC_SUCCESS);
  const std::string before = h.TraceBytes();
  platform::WindowMessage message{nullptr, platform::kWmKeyDown, platform::kVkSpace, 0};
  TW_EVENT event{&message, 0x1234};
  EXPECT_EQ(h.Call(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event), TWRC_NOTDSEVENT);
  EXPECT_EQ(h.TraceBytes(), before);
}

TEST(Entry, EventsOfTheDialogAreConsumedAndAnswerMsgNull) {
  SourceHarness h;
  ASSERT_EQ(h.Open(), TWRC_SUCCESS);
  ASSERT_EQ(h.Enable(), TWRC_SUCCESS);
  const std::string before = h.TraceBytes();
  platform::WindowMessage toDialog{h.source->UserInterface().Window()->Handle(), platform::kWmKeyDown,
                                   platform::kVkSpace, 0};
  TW_EVENT event{&toDialog, 0x1234};
  EXPECT_EQ(h.Call(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event), TWRC_DSEVENT);
  EXPECT_EQ(event.TWMessage, MSG_NULL);

  int applicationWindow = 0;
  platform::WindowMessage toApplication{&applicationWindow, platform::kWmKeyDown, platform::kVkSpace, 0};
  TW_EVENT other{&toApplication, 0x1234};
  EXPECT_EQ(h.Call(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &other), TWRC_NOTDSEVENT);
  EXPECT_EQ(other.TWMessage, 0x1234);
  EXPECT_EQ(h.TraceBytes(), before);
}

TEST(Entry, ClosingTheDialogAsksTheApplicationToCloseTheSource) {
  SourceHarness h;
  ASSERT_EQ(h.Open(), TWRC_SUCCESS);
  ASSERT_EQ(h.Enable(), TWRC_SUCCESS);
  platform::WindowMessage close{h.source->UserInterface().Window()->Handle(), platform::kWmCommand, 2, 0};
  TW_EVENT event{&close, 0};
  EXPECT_EQ(h.Call(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event), TWRC_DSEVENT);
  ASSERT_EQ(h.manager.received.size(), 1u);
  EXPECT_EQ(h.manager.received[0].message, MSG_CLOSEDSREQ);
  EXPECT_EQ(h.State(), 5);  // the application decides when to disable
}

TEST(Entry, ProcessEventWithAnyDatButEventIsAnUnknownTripletWhoseDataIsNotRead) {
  SourceHarness h;
  ASSERT_EQ(h.Open(), TWRC_SUCCESS);
  ASSERT_EQ(h.Enable(), TWRC_SUCCESS);  // with a dialog, a TW_EVENT would be followed
  // Blocks of their own size on the heap, so that any read beyond them is caught.
  auto status = std::make_unique<TW_STATUS>();
  EXPECT_EQ(h.Call(DG_CONTROL, DAT_STATUS, MSG_PROCESSEVENT, status.get()), TWRC_FAILURE);
  EXPECT_EQ(h.ConditionCode(), TWCC_BADPROTOCOL);
  auto identity = std::make_unique<TW_IDENTITY>();
  std::memset(identity.get(), 0x5A, sizeof(TW_IDENTITY));  // its first bytes as a wild pointer
  EXPECT_EQ(h.Call(DG_CONTROL, DAT_IDENTITY, MSG_PROCESSEVENT, identity.get()), TWRC_FAILURE);
  EXPECT_EQ(h.ConditionCode(), TWCC_BADPROTOCOL);
  TW_EVENT event{nullptr, 0x1234};
  EXPECT_EQ(h.Call(DG_IMAGE, DAT_EVENT, MSG_PROCESSEVENT, &event), TWRC_FAILURE);
  EXPECT_EQ(h.ConditionCode(), TWCC_BADPROTOCOL);
  EXPECT_EQ(event.TWMessage, 0x1234);
  // Traced as the calls they are, without reaching a handler.
  const std::string trace = h.TraceBytes();
  EXPECT_THAT(trace, HasSubstr("\tDAT: 0x0008\n\tMSG: 0x0601"));
  std::size_t statusHandlerRuns = 0;
  for (std::size_t at = trace.find("StatusMsg"); at != std::string::npos; at = trace.find("StatusMsg", at + 1)) {
    ++statusHandlerRuns;
  }
  EXPECT_EQ(statusHandlerRuns, 3u);  // the three DAT_STATUS/MSG_GET calls alone
  EXPECT_EQ(h.State(), 5);
}

// A global memory that has none to give, as a process out of memory.
class ExhaustedMemory final : public platform::GlobalMemory {
 public:
  platform::MemoryHandle Allocate(std::size_t) override { throw std::bad_alloc(); }
  platform::MemoryHandle Reallocate(platform::MemoryHandle, std::size_t) override { throw std::bad_alloc(); }
  void* Lock(platform::MemoryHandle handle) override { return handle; }
  void Unlock(platform::MemoryHandle) override {}
  std::size_t Size(platform::MemoryHandle) override { return 0; }
  void Free(platform::MemoryHandle) override {}
};

TEST(Entry, AHandlerThatThrowsAnswersLowMemoryAndTheSourceStaysUsable) {
  SourceHarness h;
  ExhaustedMemory exhausted;
  h.source = std::make_unique<Source>(SourcePorts{exhausted, h.manager, h.boxes, platform::SystemDialogs(), h.trace},
                                      &library::MakeMainDialog);
  ASSERT_EQ(h.Open(), TWRC_SUCCESS);
  TW_CAPABILITY capability{CAP_XFERCOUNT, TWON_DONTCARE16, nullptr};
  EXPECT_EQ(h.Call(DG_CONTROL, DAT_CAPABILITY, MSG_GET, &capability), TWRC_FAILURE);
  EXPECT_TRUE(capability.hContainer == nullptr);
  EXPECT_EQ(h.ConditionCode(), TWCC_LOWMEMORY);
  EXPECT_THAT(h.TraceBytes(), HasSubstr("DS_Entry failed: std::bad_alloc"));
  // The failed call is still closed by its return block, and later calls work.
  EXPECT_THAT(h.TraceBytes(), HasSubstr("DS_Entry return data\xA3\xBA"
                                        "0x0001"));
  EXPECT_EQ(h.Enable(), TWRC_SUCCESS);
  EXPECT_EQ(h.State(), 5);
}

TEST(EntryTrace, OneStatusCallLeavesExactlyTheseBytes) {
  SourceHarness h;
  TW_STATUS status{0xAABB, 0xCCDD};
  ASSERT_EQ(h.Call(DG_CONTROL, DAT_STATUS, MSG_GET, &status), TWRC_SUCCESS);
  // The camera objects made with the library write their lines first. The
  // full-width colon is A3 BA in GBK; the status structure has 4 bytes, so
  // the rest of each data line reads as zeros.
  const std::string expected =
      "CSampleGrabberCB\xB9\xB9\xD4\xEC"
      "CCaptureVideo::CCaptureVideo()"
      "\n1:-----------------\n\tDS_Entry parameter\xA3\xBA\n\t DG: 0x0001\n\tDAT: 0x0008\n\tMSG: 0x0001"
      "\n\t\t data( 1- 8)\xA3\xBA"
      "bbaaddcc 00000000"
      "\n\t\t data( 9-16)\xA3\xBA"
      "00000000 00000000"
      "DG_CONTROLDispatchStatusMsg"
      "\n\n  DS_Entry return data\xA3\xBA"
      "0x0000"
      "\n\t\t data( 1- 8)\xA3\xBA"
      "00000000 00000000"
      "\n-------------------------------------\ntime:";
  const std::string trace = h.TraceBytes();
  ASSERT_EQ(trace.substr(0, expected.size()), expected);
  // Then the local time as "YYYY-MM-DD hh:mm:ss" and a line break.
  const std::string time = trace.substr(expected.size());
  ASSERT_EQ(time.size(), 20u) << time;
  for (std::size_t i : {4u, 7u}) EXPECT_EQ(time[i], '-');
  for (std::size_t i : {13u, 16u}) EXPECT_EQ(time[i], ':');
  EXPECT_EQ(time[10], ' ');
  EXPECT_EQ(time.back(), '\n');
}

TEST(EntryTrace, NullDataTracesZerosAndTheCounterCountsOnlyNonEventCalls) {
  SourceHarness h;
  h.Call(DG_CONTROL, DAT_XFERGROUP, MSG_GET, nullptr);
  TW_EVENT event{nullptr, 0};
  h.Call(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event);
  h.Call(DG_CONTROL, DAT_XFERGROUP, MSG_GET, nullptr);
  const std::string trace = h.TraceBytes();
  EXPECT_THAT(trace, HasSubstr("\n1:-----"));
  EXPECT_THAT(trace, HasSubstr("\n2:-----"));
  EXPECT_THAT(trace, Not(HasSubstr("\n3:-----")));
  EXPECT_THAT(trace, HasSubstr("data( 1- 8)\xA3\xBA"
                               "00000000 00000000\n\t\t data( 9-16)\xA3\xBA"
                               "00000000 00000000"));
}

TEST(EntryTrace, IsAppendedToAndRecreatedWhenDeleted) {
  SourceHarness h;
  h.Call(DG_CONTROL, DAT_XFERGROUP, MSG_GET, nullptr);
  const auto first = h.TraceBytes().size();
  h.Call(DG_CONTROL, DAT_XFERGROUP, MSG_GET, nullptr);
  EXPECT_GT(h.TraceBytes().size(), first);
  std::remove(h.trace.c_str());
  h.Call(DG_CONTROL, DAT_XFERGROUP, MSG_GET, nullptr);
  EXPECT_EQ(h.TraceBytes().rfind("\n3:-----", 0), 0u);
}

TEST(EntryTrace, AnUnwritableTraceChangesNoResult) {
  SourceHarness h;
  h.source = std::make_unique<Source>(SourcePorts{platform::SystemGlobalMemory(), h.manager, h.boxes,
                                                  platform::SystemDialogs(), h.folder.File("missing-folder/twsrc.log")},
                                      &library::MakeMainDialog);
  EXPECT_EQ(h.Open(), TWRC_SUCCESS);
  EXPECT_EQ(h.Enable(), TWRC_SUCCESS);
  EXPECT_EQ(h.State(), 5);
}

}  // namespace
