#include "support/source_harness.h"

#include <cstring>

#include "platform/dialog.h"
#include "ui/main_dialog.h"

namespace testing_support {

using namespace twain;

SourceHarness::SourceHarness() : SourceHarness(&ui::MakeMainDialog) {}

SourceHarness::SourceHarness(const Source::UserInterfaceFactory& makeUi) : trace(folder.File("twsrc.log")) {
  application.Id = 7;
  std::strcpy(application.ProductName, "Test Application");
  managerRecord = MakeSourceIdentity();
  managerRecord.Id = 42;
  source = std::make_unique<Source>(
      SourcePorts{platform::SystemGlobalMemory(), manager, boxes, platform::SystemDialogs(), trace}, makeUi);
}

TW_UINT16 SourceHarness::Call(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, void* data) {
  // Managers pass a copy of the application's identity on every call.
  TW_IDENTITY copy = application;
  return CallFrom(&copy, dg, dat, msg, data);
}

TW_UINT16 SourceHarness::CallFrom(TW_IDENTITY* origin, TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, void* data) {
  return source->Entry(origin, dg, dat, msg, data);
}

TW_UINT16 SourceHarness::ConditionCode() {
  TW_STATUS status{0xEEEE, 0xEEEE};
  Call(DG_CONTROL, DAT_STATUS, MSG_GET, &status);
  return status.ConditionCode;
}

TW_UINT16 SourceHarness::Open() {
  TW_IDENTITY record = managerRecord;
  return Call(DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &record);
}

TW_UINT16 SourceHarness::Enable() {
  TW_USERINTERFACE ui{1, 0, nullptr};
  return Call(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui);
}

void SourceHarness::SubmitPictures(int count) {
  source->Queue().SetPictureCount(count);
  source->Queue().AnnounceAll();
  source->NotifyXferReady();
}

}  // namespace testing_support
