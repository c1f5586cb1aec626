// The whole source with its real main dialog on the headless host and a
// small virtual camera: a test enables the source as an application does,
// then acts as the user on the dialog and watches what the application,
// the camera and the files see.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

#include "acquire/picture_files.h"
#include "capture/camera_fixture.h"
#include "library/main_dialog_bridge.h"
#include "platform/posix/headless_host.h"
#include "resources/dialog_ids.h"
#include "support/source_harness.h"
#include "support/temp_dir.h"
#include "twain/source.h"
#include "ui/main_dialog.h"
#include "ui/main_dialog_timers.h"

namespace ui_testing {

// A page on a darker desk, in frames small enough for many shots per test.
inline constexpr const char* kDeskScene =
    "rate 60\n"
    "device \"Mervale Document Camera\" \"\\\\?\\usb#vid_4d56&pid_2c01#1\"\n"
    "format RGB24 160 120\n"
    "page p 210 297 seed 3\n"
    "place p 150 120 0\n";

class MainDialogTest : public ::testing::Test {
 protected:
  explicit MainDialogTest(std::string_view sceneText = kDeskScene);
  ~MainDialogTest() override;

  twain::TW_UINT16 Call(twain::TW_UINT32 dg, twain::TW_UINT16 dat, twain::TW_UINT16 msg, void* data);
  void Open();
  // MSG_SET of `cap` with a one-value container of `itemType`, as an application negotiates in state 4.
  twain::TW_UINT16 SetCap(twain::TW_UINT16 cap, twain::TW_UINT16 itemType, twain::TW_UINT32 item);
  // MSG_GETCURRENT of a one-value `cap`: its item, or nullopt when refused.
  std::optional<twain::TW_UINT32> CurrentItem(twain::TW_UINT16 cap);
  // MSG_RESET of `cap`; the answered container is freed.
  twain::TW_UINT16 ResetCap(twain::TW_UINT16 cap);
  // Opens and enables the source with its user interface: the dialog is up and the camera runs.
  void Enable();
  void Disable();
  platform::headless::Dialog& Dialog();
  // Takes a native transfer of the next picture and ends it; the bitmap's bit count (0 for none).
  int TransferNext();
  std::string Picture(const std::string& name) const { return acquire::PictureFolder() + name; }
  int Count() const { return source->Queue().PictureCount(); }
  int State() const { return source->Context().protocolState; }
  bool Notified(twain::TW_UINT16 message) const;
  // Sets fields of the settings and saves them, as an earlier session would have left them.
  settings::Settings& SavedSettings() { return source->UserSettings(); }
  void SaveSettings() { source->UserSettingsFile().SaveSettings(); }

  testing_support::TempDir folder;
  testing_support::ScopedEnvironment temporary{"TMPDIR", folder.Path()};
  testing_support::RecordingMessageBoxes boxes;
  testing_support::RecordingSourceManager manager;
  twain::TW_IDENTITY application{};
  std::unique_ptr<capture::VirtualCamera> camera;
  std::unique_ptr<twain::Source> source;
};

}  // namespace ui_testing
