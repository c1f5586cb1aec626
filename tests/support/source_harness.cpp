#include "support/source_harness.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "acquire/picture_files.h"
#include "library/main_dialog_bridge.h"
#include "platform/dialog.h"
#include "support/bmp_builder.h"

namespace testing_support {

using namespace twain;

SourceHarness::SourceHarness() : SourceHarness(&library::MakeMainDialog) {}

SourceHarness::SourceHarness(const Source::UserInterfaceFactory& makeUi) : trace(folder.File("twsrc.log")) {
  application.Id = 7;
  std::strcpy(application.ProductName, "Test Application");
  managerRecord = MakeSourceIdentity();
  managerRecord.Id = 42;
  source = std::make_unique<Source>(SourcePorts{memory, manager, boxes, platform::SystemDialogs(), trace}, makeUi);
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

namespace testing_support {

std::string SourceHarness::StorePicture(int number, std::uint16_t pixelType, std::int32_t width, std::int32_t height) {
  BmpLayout layout;
  layout.width = width;
  layout.height = height;
  layout.bitCount = pixelType == 2 ? 24 : pixelType == 1 ? 8 : 1;
  if (layout.bitCount == 8) {
    for (int i = 0; i < 256; ++i)
      layout.palette.insert(layout.palette.end(), {std::uint8_t(i), std::uint8_t(i), std::uint8_t(i), 0});
  } else if (layout.bitCount == 1) {
    layout.palette = {0, 0, 0, 0, 255, 255, 255, 0};
  }
  std::filesystem::create_directories(acquire::PictureFolder());
  const std::string path = acquire::PictureFileName(acquire::PictureFolder(), number, protocol::PixelTypeOf(pixelType));
  WriteBytes(path, BuildBmp(layout));
  acquire::PageEntry& entry = *source->Queue().Entry(number);
  const float resolution = source->CapValues().xResolution;
  entry = acquire::PageEntry{path, static_cast<float>(width) / resolution, static_cast<float>(height) / resolution,
                             protocol::PixelTypeOf(pixelType)};
  source->Queue().SetPictureCount(std::max(source->Queue().PictureCount(), number));
  return path;
}

}  // namespace testing_support
