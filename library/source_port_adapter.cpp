#include "library/source_port_adapter.h"

#include "acquire/picture_files.h"
#include "caps/catalogue.h"
#include "caps/pixel_type.h"
#include "settings/resolution.h"

namespace library {

namespace {

// The frame callback's crop modes: the whole frame, or the region set last.
constexpr std::int32_t kCropModeNone = 0;
constexpr std::int32_t kCropModeRegion = 2;

}  // namespace

// The saved settings hold the user's last pixel type, orientation and
// resolution; what the application set this session wins over them, and the
// pictures' DPI follows a resolution the application chose.
void SourcePortAdapter::LoadSettingsKeepingApplicationChoices() {
  caps::StoredValues& values = source_.CapValues();
  const caps::StoredValues chosen = values;
  source_.UserSettingsFile().LoadSettings();
  const caps::CapabilityTable& table = source_.CapTable();
  table.KeepApplicationChoices(chosen, values);
  if (table.SetByApplication(twain::ICAP_XRESOLUTION) || table.SetByApplication(twain::ICAP_YRESOLUTION)) {
    settings::Settings& settings = source_.UserSettings();
    settings.dpiX = settings.dpiY = caps::SetResolutionAsSource(values, chosen.xResolution);
  }
  source_.Stills().PublishSettings();
}

void SourcePortAdapter::CommitSettings() {
  source_.UserSettingsFile().SaveSettings();
  source_.Stills().PublishSettings();
  PublishColourCoefficients();
}

void SourcePortAdapter::PublishColourCoefficients() {
  const settings::Settings& settings = source_.UserSettings();
  source_.Camera().SetColourCoefficients(static_cast<float>(settings.coefRed), static_cast<float>(settings.coefGreen),
                                         static_cast<float>(settings.coefBlue),
                                         static_cast<float>(settings.bwThreshold));
}

void SourcePortAdapter::StoreDpiPair(std::int32_t dpiX, std::int32_t dpiY) {
  settings::ApplyDpiPair(source_.UserSettings(), source_.CapValues(), dpiX, dpiY);
}

void SourcePortAdapter::ChooseImageType(protocol::PixelType pixelType, std::uint16_t bitDepth) {
  caps::StoredValues& values = source_.CapValues();
  values.pixelType = protocol::Wire(pixelType);
  caps::SetCurrentBitDepth(values, bitDepth, values.pixelType);
}

bool SourcePortAdapter::StartCamera(platform::WindowHandle dialog, int previewControl) {
  PublishColourCoefficients();
  return source_.Camera().StartDocumentCamera({dialog, previewControl}) != capture::kStartNoDevice;
}

void SourcePortAdapter::SetCropRegion(const std::optional<geometry::FrameFractions>& region) {
  capture::CCaptureVideo& camera = source_.Camera();
  if (!region) {
    camera.SetCropMode(kCropModeNone);
    return;
  }
  camera.SetCropMode(kCropModeRegion);
  camera.SetCropRect(region->left, region->top, region->right, region->bottom);
}

// A still takes the current pixel type of the capability values: each shot
// of the request sets it, and the application's choice is restored after.
void SourcePortAdapter::ShootStill(const ui::StillRequest& request) {
  capture::CCaptureVideo& camera = source_.Camera();
  caps::StoredValues& values = source_.CapValues();
  const std::uint16_t chosen = values.pixelType;
  const auto shoot = [&](protocol::PixelType pixelType) {
    values.pixelType = protocol::Wire(pixelType);
    camera.CaptureStill(true);
  };
  camera.SetRotation(request.rotationIndex);
  if (request.pixelType != protocol::PixelType::ColourAndBlackWhite) {
    shoot(request.pixelType);
  } else if (request.idCardSide) {
    if (source_.Stills().ShootIdCardColourAndBlackWhite([&] { shoot(protocol::PixelType::Colour); }))
      camera.ShowPicturePreview();
  } else {
    shoot(protocol::PixelType::Colour);
    shoot(protocol::PixelType::BlackWhite);
  }
  values.pixelType = chosen;
}

void SourcePortAdapter::EnsurePictureFolder() { imaging::EnsurePictureFolder(acquire::PictureFolder()); }

void SourcePortAdapter::SubmitPictures() {
  source_.Queue().AnnounceAll();
  source_.NotifyXferReady();
}

void SourcePortAdapter::DiscardPictures() { source_.Queue().DiscardAll(acquire::PictureFolder()); }

}  // namespace library
