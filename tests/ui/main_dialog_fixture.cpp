#include "ui/main_dialog_fixture.h"

#include <algorithm>
#include <cstring>

#include "platform/global_memory.h"

namespace ui_testing {

using namespace twain;

MainDialogTest::MainDialogTest(std::string_view sceneText) {
  platform::headless::Reset();
  camera = std::make_unique<capture::VirtualCamera>(capture::SceneOf(sceneText));
  source =
      std::make_unique<Source>(SourcePorts{platform::SystemGlobalMemory(), manager, boxes, platform::SystemDialogs(),
                                           folder.File("twsrc.log"), camera.get(), folder.File("config.ini")},
                               &library::MakeMainDialog);
  // What the library's message hook does on Windows: every key-down of the thread passes the source first.
  platform::headless::SetKeyDownHook([this](std::uintptr_t key) { return source->PreTranslateKeyDown(key); });
}

MainDialogTest::~MainDialogTest() {
  source.reset();
  platform::headless::SetKeyDownHook(nullptr);
  platform::headless::Reset();
}

TW_UINT16 MainDialogTest::Call(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, void* data) {
  TW_IDENTITY origin = application;
  return source->Entry(&origin, dg, dat, msg, data);
}

void MainDialogTest::Open() {
  application.Id = 7;
  TW_IDENTITY record = MakeSourceIdentity();
  record.Id = 42;
  ASSERT_EQ(Call(DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &record), TWRC_SUCCESS);
}

TW_UINT16 MainDialogTest::SetCap(TW_UINT16 cap, TW_UINT16 itemType, TW_UINT32 item) {
  platform::GlobalMemory& memory = platform::SystemGlobalMemory();
  TW_CAPABILITY capability{cap, TWON_ONEVALUE, memory.Allocate(sizeof(TW_ONEVALUE))};
  auto* value = static_cast<TW_ONEVALUE*>(memory.Lock(capability.hContainer));
  value->ItemType = itemType;
  value->Item = item;
  memory.Unlock(capability.hContainer);
  const TW_UINT16 result = Call(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &capability);
  memory.Free(capability.hContainer);
  return result;
}

std::optional<TW_UINT32> MainDialogTest::CurrentItem(TW_UINT16 cap) {
  TW_CAPABILITY capability{cap, TWON_DONTCARE16, nullptr};
  if (Call(DG_CONTROL, DAT_CAPABILITY, MSG_GETCURRENT, &capability) != TWRC_SUCCESS) return std::nullopt;
  platform::GlobalMemory& memory = platform::SystemGlobalMemory();
  TW_ONEVALUE value{};
  std::memcpy(&value, memory.Lock(capability.hContainer), sizeof value);
  memory.Unlock(capability.hContainer);
  memory.Free(capability.hContainer);
  return value.Item & (value.ItemType == TWTY_BOOL ? 0xFFFFu : 0xFFFFFFFFu);
}

TW_UINT16 MainDialogTest::ResetCap(TW_UINT16 cap) {
  TW_CAPABILITY capability{cap, TWON_DONTCARE16, nullptr};
  const TW_UINT16 result = Call(DG_CONTROL, DAT_CAPABILITY, MSG_RESET, &capability);
  if (capability.hContainer != nullptr) platform::SystemGlobalMemory().Free(capability.hContainer);
  return result;
}

void MainDialogTest::Enable() {
  if (State() < 4) Open();
  TW_USERINTERFACE ui{1, 0, nullptr};
  ASSERT_EQ(Call(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui), TWRC_SUCCESS);
  ASSERT_NE(platform::headless::FindDialog(dialog_ids::main_dialog::kTemplate), nullptr);
  ASSERT_TRUE(camera->IsStreaming());
}

void MainDialogTest::Disable() {
  TW_USERINTERFACE ui{1, 0, nullptr};
  ASSERT_EQ(Call(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui), TWRC_SUCCESS);
}

platform::headless::Dialog& MainDialogTest::Dialog() {
  return *platform::headless::FindDialog(dialog_ids::main_dialog::kTemplate);
}

int MainDialogTest::TransferNext() {
  platform::GlobalMemory& memory = platform::SystemGlobalMemory();
  TW_HANDLE bitmap = nullptr;
  int bitCount = 0;
  EXPECT_EQ(Call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &bitmap), TWRC_XFERDONE);
  if (bitmap != nullptr) {
    bitCount = static_cast<const std::uint8_t*>(memory.Lock(bitmap))[14];
    memory.Unlock(bitmap);
    memory.Free(bitmap);
  }
  TW_PENDINGXFERS pending{};
  Call(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending);
  return bitCount;
}

bool MainDialogTest::Notified(TW_UINT16 message) const {
  return std::any_of(manager.received.begin(), manager.received.end(),
                     [message](const testing_support::Notification& n) { return n.message == message; });
}

}  // namespace ui_testing
