// A source the dialogs can be opened against without the TWAIN source or a
// camera: it records what the dialogs ask of it, in order, and keeps the
// settings, capability values and page queue a test sets up.
#pragma once

#include <string>
#include <vector>

#include "platform/global_memory.h"
#include "support/recording_shell.h"
#include "support/source_harness.h"
#include "ui/source_port.h"

namespace ui_testing {

class FakeSourcePort final : public ui::SourcePort {
 public:
  platform::DialogSystem& Dialogs() override { return platform::SystemDialogs(); }
  platform::MessageBoxes& MessageBoxes() override { return boxes; }
  void Trace(std::string_view line) override { calls.emplace_back("trace " + std::string(line)); }
  std::atomic<bool>& IgnoreNextCommand() override { return latch; }

  settings::Settings& Settings() override { return settings; }
  void LoadSettingsKeepingApplicationChoices() override { calls.emplace_back("load settings"); }
  void CommitSettings() override { calls.emplace_back("commit settings"); }
  const caps::StoredValues& CapValues() const override { return values; }
  void ChooseImageType(protocol::PixelType pixelType, std::uint16_t bitDepth) override {
    calls.emplace_back("image type " + std::to_string(protocol::Wire(pixelType)) + " " + std::to_string(bitDepth));
  }
  void ChooseRotation(std::uint16_t rotationIndex) override {
    calls.emplace_back("rotation " + std::to_string(rotationIndex));
  }
  void ChoosePaperSize(std::uint16_t paperSize) override { calls.emplace_back("paper " + std::to_string(paperSize)); }
  void StoreDpiPair(std::int32_t dpiX, std::int32_t dpiY) override {
    calls.emplace_back("dpi " + std::to_string(dpiX) + " " + std::to_string(dpiY));
  }

  bool StartCamera(platform::WindowHandle, int) override {
    calls.emplace_back("start camera");
    return cameraFound;
  }
  void StopCamera() override { calls.emplace_back("stop camera"); }
  void SetCropRegion(const std::optional<geometry::FrameFractions>& region) override {
    calls.emplace_back(region ? "crop" : "no crop");
  }
  void ShowDeviceProperties(platform::WindowHandle) override { calls.emplace_back("device properties"); }
  std::vector<settings::VideoFormat> CameraFormats() override { return formats; }
  void RestartCamera(const settings::VideoFormat& format) override {
    calls.emplace_back("restart " + std::to_string(format.width) + "x" + std::to_string(format.height));
  }
  void SetPicturePreview(capture::PicturePreview*) override {}
  imaging::DetectedPage& PageDetection() override { return page; }

  void ShootStill(const ui::StillRequest& request) override {
    calls.emplace_back("shoot " + std::to_string(protocol::Wire(request.pixelType)) + " turned " +
                       std::to_string(request.rotationIndex) + (request.idCardSide ? " ID card" : ""));
  }
  bool IdCardBackNext() const override { return false; }
  void ResetIdCardSide() override {}
  void EnsurePictureFolder() override {}
  const acquire::PageQueue& Queue() const override { return queue; }
  acquire::PictureReview& PictureReview() override { return review; }
  void RestartPictureNumbering() override { calls.emplace_back("restart numbering"); }
  void SubmitPictures() override { calls.emplace_back("submit"); }
  void DiscardPictures() override { calls.emplace_back("discard"); }
  void RequestClose() override { calls.emplace_back("request close"); }

  testing_support::RecordingMessageBoxes boxes;
  std::atomic<bool> latch{false};
  settings::Settings settings;
  caps::StoredValues values;
  imaging::DetectedPage page;
  acquire::PageQueue queue{platform::SystemGlobalMemory(), boxes};
  testing_support::RecordingShell shell;
  acquire::PictureReview review{queue, shell};
  std::vector<settings::VideoFormat> formats;
  bool cameraFound = true;
  std::vector<std::string> calls;
};

}  // namespace ui_testing
