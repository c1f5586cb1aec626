#include <string>

#include "ui/satellites.h"

namespace ui {
namespace {

class UnavailableSatellites final : public SatelliteDialogs {
 public:
  explicit UnavailableSatellites(platform::MessageBoxes& boxes) : boxes_(boxes) {}

  void RunAutomaticScanning(platform::DialogWindow& owner) override {
    Tell(owner, "Automatic continuous scanning is not available yet.");
  }
  void RunTimedScanning(platform::DialogWindow& owner) override {
    Tell(owner, "Timed continuous scanning is not available yet.");
  }
  bool AutomaticScanStep() override { return false; }

 private:
  void Tell(platform::DialogWindow& owner, const char* text) {
    boxes_.Show({owner.Handle(), text, "Tips", platform::mb::kOk | platform::mb::kIconInformation});
  }

  platform::MessageBoxes& boxes_;
};

}  // namespace

std::unique_ptr<SatelliteDialogs> MakeUnavailableSatellites(platform::MessageBoxes& boxes) {
  return std::make_unique<UnavailableSatellites>(boxes);
}

}  // namespace ui
