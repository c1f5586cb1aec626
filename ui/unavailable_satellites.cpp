#include <string>

#include "ui/satellites.h"

namespace ui {
namespace {

class UnavailableSatellites final : public SatelliteDialogs {
 public:
  explicit UnavailableSatellites(platform::MessageBoxes& boxes) : boxes_(boxes) {}

  void RunParameterDialog(platform::DialogWindow& owner) override {
    Tell(owner, "The parameter settings are not available yet.");
  }

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
