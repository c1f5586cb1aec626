// The containers byte by byte, and what an application gets when memory is short.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <vector>

#include "caps/containers.h"
#include "protocol/stored_values.h"

namespace {

using namespace twain;
using namespace caps;

// Hands out blocks that the test reads back and frees, or none at all.
class TestMemory final : public platform::GlobalMemory {
 public:
  platform::MemoryHandle Allocate(std::size_t bytes) override {
    if (refuse) return nullptr;
    blocks.emplace_back(bytes, std::byte{0});
    return &blocks.back();
  }
  platform::MemoryHandle Reallocate(platform::MemoryHandle, std::size_t) override { return nullptr; }
  void* Lock(platform::MemoryHandle handle) override { return Block(handle).data(); }
  void Unlock(platform::MemoryHandle) override {}
  std::size_t Size(platform::MemoryHandle handle) override { return Block(handle).size(); }
  void Free(platform::MemoryHandle) override {}

  static std::vector<std::byte>& Block(platform::MemoryHandle handle) {
    return *static_cast<std::vector<std::byte>*>(handle);
  }

  bool refuse = false;
  std::vector<std::vector<std::byte>> blocks = [] {
    std::vector<std::vector<std::byte>> reserved;
    reserved.reserve(8);  // handles stay valid
    return reserved;
  }();
};

template <std::size_t N>
std::vector<std::byte> Bytes(const unsigned char (&values)[N]) {
  std::vector<std::byte> bytes(N);
  std::memcpy(bytes.data(), values, N);
  return bytes;
}

template <typename T>
const std::byte* Stored(const T& value) {
  return reinterpret_cast<const std::byte*>(&value);
}

TEST(Containers, OneValueIsTheItemAfterItsTypeAndFourSpareBytes) {
  TestMemory memory;
  TW_CAPABILITY capability{ICAP_UNITS, TWON_DONTCARE16, nullptr};
  const std::uint16_t units = 5;
  ASSERT_EQ(MakeOneValueContainer(memory, capability, TWTY_UINT16, Stored(units)), TWCC_SUCCESS);
  EXPECT_EQ(capability.ConType, TWON_ONEVALUE);
  const unsigned char expected[] = {0x04, 0x00, 0x05, 0x00, 0, 0, 0, 0};
  EXPECT_EQ(TestMemory::Block(capability.hContainer), Bytes(expected));
}

TEST(Containers, EnumerationPacksItsItemsAfterTheIndexes) {
  TestMemory memory;
  TW_CAPABILITY capability{};
  const std::array<float, 2> items = {1.5f, -1.0f};
  ASSERT_EQ(MakeEnumerationContainer(memory, capability, TWTY_FIX32, 2, 1, 2, Stored(items)), TWCC_SUCCESS);
  EXPECT_EQ(capability.ConType, TWON_ENUMERATION);
  const unsigned char expected[] = {0x07, 0x00,              // ItemType
                                    0x02, 0x00, 0x00, 0x00,  // NumItems
                                    0x01, 0x00, 0x00, 0x00,  // CurrentIndex
                                    0x02, 0x00, 0x00, 0x00,  // DefaultIndex
                                    0x01, 0x00, 0x00, 0x80,  // 1.5
                                    0xFF, 0xFF, 0x01, 0x00,  // -1.0 as the conversion rounds it
                                    0x00};
  EXPECT_EQ(TestMemory::Block(capability.hContainer), Bytes(expected));
}

TEST(Containers, ArrayPacksItsItemsAfterTheCount) {
  TestMemory memory;
  TW_CAPABILITY capability{};
  const std::array<TwainBool, 3> items = {true, false, true};
  ASSERT_EQ(MakeArrayContainer(memory, capability, TWTY_BOOL, 3, Stored(items)), TWCC_SUCCESS);
  EXPECT_EQ(capability.ConType, TWON_ARRAY);
  const unsigned char expected[] = {0x06, 0x00, 0x03, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00};
  EXPECT_EQ(TestMemory::Block(capability.hContainer), Bytes(expected));
}

TEST(Containers, RangeHoldsFiveValuesInFourByteFields) {
  TestMemory memory;
  TW_CAPABILITY capability{};
  const std::uint16_t minimum = 1, maximum = 0x1234, step = 3, defaultValue = 4, current = 5;
  ASSERT_EQ(MakeRangeContainer(memory, capability, TWTY_UINT16, Stored(minimum), Stored(maximum), Stored(step),
                               Stored(defaultValue), Stored(current)),
            TWCC_SUCCESS);
  EXPECT_EQ(capability.ConType, TWON_RANGE);
  const unsigned char expected[] = {0x04, 0x00, 0x01, 0,    0, 0, 0x34, 0x12, 0, 0, 0x03,
                                    0,    0,    0,    0x04, 0, 0, 0,    0x05, 0, 0, 0};
  EXPECT_EQ(TestMemory::Block(capability.hContainer), Bytes(expected));
}

TEST(Containers, ShortMemoryLeavesTheApplicationWithoutAHandle) {
  TestMemory memory;
  memory.refuse = true;
  int junk = 0;
  TW_CAPABILITY capability{ICAP_UNITS, TWON_DONTCARE16, &junk};
  const std::uint16_t units = 0;
  EXPECT_EQ(MakeOneValueContainer(memory, capability, TWTY_UINT16, Stored(units)), TWCC_LOWMEMORY);
  EXPECT_EQ(+capability.hContainer, nullptr);
  capability.hContainer = &junk;
  EXPECT_EQ(MakeArrayContainer(memory, capability, TWTY_UINT16, 1, Stored(units)), TWCC_LOWMEMORY);
  EXPECT_EQ(+capability.hContainer, nullptr);
}

TEST(Containers, OneValueIsReadByItsOwnItemType) {
  const unsigned char container[] = {0x07, 0x00, 0x96, 0x00, 0x00, 0x80};  // FIX32 150.5
  float value = 0;
  ASSERT_TRUE(ReadOneValueContainer(std::as_bytes(std::span(container)), reinterpret_cast<std::byte*>(&value)));
  EXPECT_EQ(value, 150.5f);
  EXPECT_FALSE(
      ReadOneValueContainer(std::as_bytes(std::span(container)).first(5), reinterpret_cast<std::byte*>(&value)));
}

}  // namespace
