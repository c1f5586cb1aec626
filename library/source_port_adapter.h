// The dialogs' port over the real source.
#pragma once

#include "twain/source.h"
#include "ui/source_port.h"

namespace library {

class SourcePortAdapter final : public ui::SourcePort {
 public:
  explicit SourcePortAdapter(twain::Source& source)
      : source_(source),
        review_(source.Queue(), source.Ports().shell != nullptr ? *source.Ports().shell : platform::SystemShell()) {}

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
  void StoreDpiPair(std::int32_t dpiX, std::int32_t dpiY) override;

  bool StartCamera(platform::WindowHandle dialog, int previewControl) override;
  void StopCamera() override { source_.Camera().CloseCapture(); }
  void SetCropRegion(const std::optional<geometry::FrameFractions>& region) override;
  void ShowDeviceProperties(platform::WindowHandle owner) override { source_.Camera().ShowDeviceProperties(owner); }
  std::vector<settings::VideoFormat> CameraFormats() override { return source_.Camera().EnumerateFormats(); }
  void RestartCamera(const settings::VideoFormat& format) override { source_.Camera().RestartInFormat(format); }
  void SetPicturePreview(capture::PicturePreview* preview) override { source_.Camera().SetPicturePreview(preview); }
  imaging::DetectedPage& PageDetection() override { return source_.PageDetection(); }

  void ShootStill(const ui::StillRequest& request) override;
  bool IdCardBackNext() const override { return source_.Stills().IdCardSide() == 1; }
  void ResetIdCardSide() override { source_.Stills().ResetIdCardSide(); }
  void EnsurePictureFolder() override;
  const acquire::PageQueue& Queue() const override { return source_.Queue(); }
  acquire::PictureReview& PictureReview() override { return review_; }
  void RestartPictureNumbering() override { source_.Queue().SetPictureCount(0); }
  void SubmitPictures() override;
  void DiscardPictures() override;
  void RequestClose() override { source_.NotifyCloseDSReq(); }

 private:
  // The frame callback keeps the settings' black-and-white coefficients and
  // threshold for the parameter dialog and the settings file.
  void PublishColourCoefficients();

  twain::Source& source_;
  acquire::PictureReview review_;
};

}  // namespace library
