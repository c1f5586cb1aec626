// The dialogs' one door to the source: everything the main scanning dialog
// and the dialogs it opens ask of the source, the camera, the stills and
// the page queue. The library implements it over the real source; tests
// implement it with a small fake. Everything here is called on the dialog's
// thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string_view>

#include "acquire/page_queue.h"
#include "caps/stored_values.h"
#include "imaging/detected_page.h"
#include "platform/dialog.h"
#include "platform/message_box.h"
#include "protocol/geometry.h"
#include "protocol/pixel_type.h"
#include "settings/settings.h"

namespace ui {

// One shot as the dialog asks for it.
struct StillRequest {
  protocol::PixelType pixelType =
      protocol::PixelType::Colour;  // "Color and B&W": a colour and a black-and-white picture
  int rotationIndex = 0;
  // An ID-card side: in "Color and B&W" its colour picture gets a black-and-white copy.
  bool idCardSide = false;
};

class SourcePort {
 public:
  virtual ~SourcePort() = default;

  // The window system, the message boxes and the trace the dialogs use.
  virtual platform::DialogSystem& Dialogs() = 0;
  virtual platform::MessageBoxes& MessageBoxes() = 0;
  virtual void Trace(std::string_view line) = 0;
  // Set when the space key shot through the message hook: the dialog's next
  // latched command is swallowed, since the same key press also clicks the focused button.
  virtual std::atomic<bool>& IgnoreNextCommand() = 0;

  // The settings record the dialogs edit; a change takes effect when committed.
  virtual settings::Settings& Settings() = 0;
  // Loads the saved settings; the pixel type, orientation and resolution the
  // application chose this session win over the saved ones. What the frames
  // consult goes to the streaming thread.
  virtual void LoadSettingsKeepingApplicationChoices() = 0;
  // Saves the settings and hands what the frames consult to the streaming thread.
  virtual void CommitSettings() = 0;
  // The capability values and the three the user may choose in the dialog.
  virtual const caps::StoredValues& CapValues() const = 0;
  virtual void ChooseImageType(protocol::PixelType pixelType, std::uint16_t bitDepth) = 0;
  virtual void ChooseRotation(std::uint16_t rotationIndex) = 0;
  virtual void ChoosePaperSize(std::uint16_t paperSize) = 0;

  // Runs the camera into the preview control `previewControl` of `dialog`.
  // False when no document camera was found (or bound); any other failure
  // has shown its message and returns true.
  virtual bool StartCamera(platform::WindowHandle dialog, int previewControl) = 0;
  // Closes the picture preview and stops and releases the camera.
  virtual void StopCamera() = 0;
  // Cuts the next shots to `region`; none: they are not cut.
  virtual void SetCropRegion(const std::optional<geometry::FrameFractions>& region) = 0;
  // What the page detection on the streaming thread shares with the dialog.
  virtual imaging::DetectedPage& PageDetection() = 0;

  // Shoots and waits until the still is stored (or refused); every picture
  // it yields is numbered and counted by the source.
  virtual void ShootStill(const StillRequest& request) = 0;
  // Whether the next ID-card shot takes the card's back; the reset goes back to the front.
  virtual bool IdCardBackNext() const = 0;
  virtual void ResetIdCardSide() = 0;
  // Creates the picture folder when it is missing.
  virtual void EnsurePictureFolder() = 0;
  // The stored pictures, read-only.
  virtual const acquire::PageQueue& Queue() const = 0;
  // Numbering starts at 1 again: the pictures left from before are overwritten.
  virtual void RestartPictureNumbering() = 0;
  // "Submit": every stored picture is announced to the application.
  virtual void SubmitPictures() = 0;
  // Deletes the files of the pictures not handed over and forgets them.
  virtual void DiscardPictures() = 0;
  // Asks the application to disable and close the source.
  virtual void RequestClose() = 0;
};

}  // namespace ui
