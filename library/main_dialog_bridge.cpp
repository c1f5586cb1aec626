#include "library/main_dialog_bridge.h"

#include "library/source_port_adapter.h"
#include "ui/main_dialog.h"

namespace library {

namespace {

// The main dialog as the TWAIN handlers see it, with its port to the source.
class MainDialogInterface final : public twain::ScanUserInterface {
 public:
  explicit MainDialogInterface(twain::Source& source) : port_(source), dialog_(port_) {}

  bool Open(platform::WindowHandle owner) override { return dialog_.Open(owner); }
  void Close() override { dialog_.Close(); }
  bool IsOpen() const override { return dialog_.IsOpen(); }
  platform::DialogWindow* Window() override { return dialog_.Window(); }
  void ShowUploadFinished() override { dialog_.ShowUploadFinished(); }

 private:
  SourcePortAdapter port_;
  ui::MainDialog dialog_;
};

}  // namespace

std::unique_ptr<twain::ScanUserInterface> MakeMainDialog(twain::Source& source) {
  return std::make_unique<MainDialogInterface>(source);
}

}  // namespace library
