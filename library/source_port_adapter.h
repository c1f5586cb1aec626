// The dialogs' port over the real source.
#pragma once

#include "twain/source.h"
#include "ui/source_port.h"

namespace library {

class SourcePortAdapter final : public ui::SourcePort {
 public:
  explicit SourcePortAdapter(twain::Source& source) : source_(source) {}

  platform::DialogSystem& Dialogs() override { return source_.Ports().dialogs; }
  platform::MessageBoxes& MessageBoxes() override { return source_.Ports().messageBoxes; }
  void Trace(std::string_view line) override { source_.GetTrace().Write(line); }
  std::atomic<bool>& IgnoreNextCommand() override { return source_.IgnoreNextCommand(); }

  settings::Settings& Settings() override { return source_.UserSettings(); }
  void LoadSettingsKeepingApplicationChoices() override;
  void CommitSettings() override;
  const caps::StoredValues& CapValues() const override { return source_.CapValues(); }
  void ChooseImageType(protocol::PixelType pixelType, std::uint16_t bitDepth) override;
  void ChooseRotation(std::uint16_t rotationIndex) override { source_.CapValues().rotationIndex = rotationIndex; }
  void ChoosePaperSize(std::uint16_t paperSize) override { source_.CapValues().paperSize = paperSize; }

  bool StartCamera(platform::WindowHandle dialog, int previewControl) override;
  void StopCamera() override { source_.Camera().CloseCapture(); }
  void SetCropRegion(const std::optional<geometry::FrameFractions>& region) override;
  imaging::DetectedPage& PageDetection() override { return source_.PageDetection(); }

  void ShootStill(const ui::StillRequest& request) override;
  bool IdCardBackNext() const override { return source_.Stills().IdCardSide() == 1; }
  void ResetIdCardSide() override { source_.Stills().ResetIdCardSide(); }
  void EnsurePictureFolder() override;
  const acquire::PageQueue& Queue() const override { return source_.Queue(); }
  void RestartPictureNumbering() override { source_.Queue().SetPictureCount(0); }
  void SubmitPictures() override;
  void DiscardPictures() override;
  void RequestClose() override { source_.NotifyCloseDSReq(); }

 private:
  twain::Source& source_;
};

}  // namespace library
