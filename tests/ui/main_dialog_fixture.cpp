#include "ui/main_dialog_fixture.h"

#include <algorithm>

#include "platform/global_memory.h"

namespace ui_testing {

using namespace twain;

MainDialogTest::MainDialogTest() {
  platform::headless::Reset();
  camera = std::make_unique<capture::VirtualCamera>(capture::SceneOf(kDeskScene));
  source =
      std::make_unique<Source>(SourcePorts{platform::SystemGlobalMemory(), manager, boxes, platform::SystemDialogs(),
                                           folder.File("twsrc.log"), camera.get(), folder.File("config.ini")},
                               &ui::MakeMainDialog);
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

void MainDialogTest::Enable() {
  Open();
  TW_USERINTERFACE ui{1, 0, nullptr};
  ASSERT_EQ(Call(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui), TWRC_SUCCESS);
  ASSERT_NE(platform::headless::FindDialog(ui::kMainDialogTemplate), nullptr);
  ASSERT_TRUE(camera->IsStreaming());
}

void MainDialogTest::Disable() {
  TW_USERINTERFACE ui{1, 0, nullptr};
  ASSERT_EQ(Call(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui), TWRC_SUCCESS);
}

platform::headless::Dialog& MainDialogTest::Dialog() {
  return *platform::headless::FindDialog(ui::kMainDialogTemplate);
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
