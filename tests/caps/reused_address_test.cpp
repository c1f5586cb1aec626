// A block the source handed to the application, once the application has
// freed it, may come back at the same address as the application's next
// block, of another size: the source judges that block by what the heap
// knows of it, never by what it remembered of its own block there.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "caps/cap_client.h"
#include "library/main_dialog_bridge.h"
#include "platform/dialog.h"
#include "platform/posix/global_memory_posix.h"
#include "support/reusing_heap.h"
#include "support/source_harness.h"

namespace {

using namespace twain;
using testing_support::ReusingHeap;
using testing_support::SourceHarness;

TEST(HeapGlobalMemory, ForgetsTheSizeOfABlockOnceItIsHandedOverOrFreed) {
  ReusingHeap heap;
  const std::unique_ptr<platform::GlobalMemory> memory = platform::MakeHeapGlobalMemory(heap);
  void* handed = memory->Allocate(16);
  EXPECT_EQ(memory->Size(handed), 16u);
  memory->HandOver(handed);
  heap.Free(handed);  // by the application
  void* applications = heap.Calloc(6);
  ASSERT_EQ(applications, handed);
  EXPECT_EQ(memory->Size(applications), 6u);
  heap.Free(applications);

  void* freed = memory->Allocate(40);
  memory->Free(freed);
  ASSERT_EQ(heap.Calloc(6), freed);
  EXPECT_EQ(memory->Size(freed), 6u);
}

class ReusedAddresses : public ::testing::Test {
 protected:
  ReusedAddresses() {
    h.source = std::make_unique<Source>(SourcePorts{*memory, h.manager, h.boxes, platform::SystemDialogs(), h.trace},
                                        &library::MakeMainDialog);
  }

  // MSG_GET of `cap`; the application frees the container it receives.
  void* GetAndFree(TW_UINT16 cap) {
    TW_CAPABILITY capability{cap, TWON_DONTCARE16, nullptr};
    EXPECT_EQ(h.Call(DG_CONTROL, DAT_CAPABILITY, MSG_GET, &capability), TWRC_SUCCESS);
    void* container = capability.hContainer;
    heap.Free(container);
    return container;
  }

  // MSG_SET of ICAP_FRAMES with the application's own one-value container
  // of `blockBytes`, claiming a frame item; `at` is where the heap put it.
  TW_UINT16 SetFrame(const TW_FRAME& frame, std::size_t blockBytes, void*& at) {
    auto* container = static_cast<unsigned char*>(heap.Calloc(blockBytes));
    const TW_UINT16 itemType = TWTY_FRAME;
    std::memcpy(container, &itemType, sizeof itemType);
    std::memcpy(container + 2, &frame, std::min(sizeof frame, blockBytes - 2));
    TW_CAPABILITY capability{ICAP_FRAMES, TWON_ONEVALUE, container};
    const TW_UINT16 result = h.Call(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &capability);
    heap.Free(container);
    at = container;
    return result;
  }

  ReusingHeap heap;
  std::unique_ptr<platform::GlobalMemory> memory = platform::MakeHeapGlobalMemory(heap);
  SourceHarness h;
  const TW_FRAME letter{testing_support::Fix(0), testing_support::Fix(0), testing_support::Fix(8, 0x8000),
                        testing_support::Fix(11)};
};

TEST_F(ReusedAddresses, AContainerAtTheAddressOfAFreedAnswerIsReadAsFarAsItGoes) {
  ASSERT_EQ(h.Open(), TWRC_SUCCESS);
  // A whole frame container where a shorter answer lay: accepted.
  void* answer = GetAndFree(CAP_XFERCOUNT);
  void* at = nullptr;
  EXPECT_EQ(SetFrame(letter, 2 + sizeof(TW_FRAME), at), TWRC_SUCCESS);
  ASSERT_EQ(at, answer);

  // A 6-byte container claiming a frame where a frame answer lay, whose
  // bytes are still there: too short, and nothing past its 6 bytes is read.
  answer = GetAndFree(ICAP_FRAMES);
  EXPECT_EQ(SetFrame(letter, sizeof(TW_ONEVALUE), at), TWRC_FAILURE);
  ASSERT_EQ(at, answer);
  EXPECT_EQ(h.ConditionCode(), TWCC_BADVALUE);
}

TEST_F(ReusedAddresses, ANativeTransferBitmapIsTheApplicationsOnceDelivered) {
  ASSERT_EQ(h.Open(), TWRC_SUCCESS);
  ASSERT_EQ(h.Enable(), TWRC_SUCCESS);
  h.StorePicture(1, TWPT_RGB, 3, 2);
  h.SubmitPictures(1);
  TW_HANDLE bitmap = nullptr;
  ASSERT_EQ(h.Call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &bitmap), TWRC_XFERDONE);
  ASSERT_NE(bitmap, nullptr);
  EXPECT_EQ(memory->Size(bitmap), 40u + 2 * 12);
  heap.Free(bitmap);
  ASSERT_EQ(heap.Calloc(6), bitmap);
  EXPECT_EQ(memory->Size(bitmap), 6u);
  heap.Free(bitmap);
}

}  // namespace
