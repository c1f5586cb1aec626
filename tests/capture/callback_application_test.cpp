// An application that works through callbacks, as Linux TWAIN applications
// do: it never passes an event. The source turns its dialog itself, a
// scripted user shoots and submits, and the notifications reach the
// application's callback on the source's thread, where the application
// transfers the pictures and closes the source, as such applications do.
// Runs under ThreadSanitizer with the other two-thread tests.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>
#include <vector>

#include <unistd.h>

#include "camera_fixture.h"
#include "library/main_dialog_bridge.h"
#include "platform/dialog.h"
#include "platform/global_memory.h"
#include "platform/posix/headless_host.h"
#include "twain/source.h"
#include "ui/main_dialog_fixture.h"

namespace capture {
namespace {

using namespace twain;

// The manager of a callback application: every notification is handed to
// the application's callback at once, on the thread that sent it.
class CallbackManager final : public platform::SourceManagerLink {
 public:
  std::function<void(TW_UINT16)> callback;
  bool SendNull(TW_IDENTITY&, TW_IDENTITY&, TW_UINT16 message) override {
    callback(message);
    return true;
  }
};

class CallbackApplication : public ::testing::Test {
 protected:
  CallbackApplication() {
    std::ofstream(scriptPath) << "wait 500\nclick Scan\nwait 300\nclick Scan\nwait 300\nclick Submit\n";
    setenv("MERVALE_USER_SCRIPT", scriptPath.c_str(), 1);
    camera = std::make_unique<VirtualCamera>(SceneOf(ui_testing::kDeskScene));
    SourcePorts ports{platform::SystemGlobalMemory(), manager,   boxes,
                      platform::SystemDialogs(),      tracePath, camera.get()};
    ports.idleTurnsWithoutEvents = true;
    source = std::make_unique<Source>(std::move(ports), &library::MakeMainDialog);
    manager.callback = [this](TW_UINT16 message) { OnNotification(message); };
  }
  ~CallbackApplication() override {
    source.reset();
    unsetenv("MERVALE_USER_SCRIPT");
    std::filesystem::remove(scriptPath);
    std::filesystem::remove(tracePath);
  }

  TW_UINT16 Call(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, void* data) {
    TW_IDENTITY origin = application;
    return source->Entry(&origin, dg, dat, msg, data);
  }
  void OpenAndEnable() {
    application.Id = 7;
    record.Id = 42;
    ASSERT_EQ(Call(DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &record), TWRC_SUCCESS);
    TW_USERINTERFACE ui{1, 0, nullptr};
    ASSERT_EQ(Call(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui), TWRC_SUCCESS);
  }

  // What the application does when the source tells it something: on
  // MSG_XFERREADY it takes every picture by native transfer, then disables
  // and closes the source.
  void OnNotification(TW_UINT16 message) {
    std::vector<TW_UINT16> received;
    if (message == MSG_XFERREADY) {
      TW_PENDINGXFERS pending{};
      do {
        TW_HANDLE bitmap = nullptr;
        if (Call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &bitmap) == TWRC_XFERDONE) {
          ++transferred;
          std::free(bitmap);
        }
        if (Call(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending) != TWRC_SUCCESS) break;
      } while (pending.Count != 0);
      TW_USERINTERFACE ui{};
      disabled = Call(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui) == TWRC_SUCCESS;
    }
    std::lock_guard lock(mutex);
    notifications.push_back(message);
    changed.notify_all();
  }

  const std::string stem =
      (std::filesystem::temp_directory_path() / ("mervale-callback-" + std::to_string(getpid()) + "-" +
                                                 ::testing::UnitTest::GetInstance()->current_test_info()->name()))
          .string();
  const std::string scriptPath = stem + ".txt";
  const std::string tracePath = stem + ".log";
  TW_IDENTITY application{};
  TW_IDENTITY record = MakeSourceIdentity();  // the manager's record of the source
  RecordedBoxes boxes;
  CallbackManager manager;
  std::unique_ptr<VirtualCamera> camera;
  std::unique_ptr<Source> source;
  // Written by the application's callback, which runs on the source's thread.
  int transferred = 0;
  bool disabled = false;
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<TW_UINT16> notifications;
};

TEST_F(CallbackApplication, ReceivesThePicturesWithoutPassingEvents) {
  ASSERT_NO_FATAL_FAILURE(OpenAndEnable());

  {
    std::unique_lock lock(mutex);
    ASSERT_TRUE(changed.wait_for(lock, std::chrono::seconds(60), [this] { return !notifications.empty(); }))
        << "no notification without events";
    EXPECT_EQ(notifications, std::vector<TW_UINT16>{MSG_XFERREADY});
  }
  // The callback ran to its end on the source's thread before the
  // notification was recorded; the entry's lock orders what it wrote.
  TW_STATUS status{};
  ASSERT_EQ(Call(DG_CONTROL, DAT_STATUS, MSG_GET, &status), TWRC_SUCCESS);
  EXPECT_EQ(transferred, 2);
  EXPECT_TRUE(disabled);
  ASSERT_EQ(Call(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &record), TWRC_SUCCESS);
}

// An application that passes events keeps the dialog to its own loop: the
// source adds no turns of its own once it has seen one.
TEST_F(CallbackApplication, AnApplicationThatPassesEventsTurnsTheDialogItself) {
  ASSERT_NO_FATAL_FAILURE(OpenAndEnable());
  platform::WindowMessage idle{};
  TW_EVENT event{&idle, MSG_NULL};
  Call(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event);
  // Well past the script's shots and Submit, with no further event.
  std::this_thread::sleep_for(std::chrono::milliseconds(2500));
  {
    std::lock_guard lock(mutex);
    EXPECT_TRUE(notifications.empty());
  }
  TW_USERINTERFACE ui{};
  ASSERT_EQ(Call(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui), TWRC_SUCCESS);
  ASSERT_EQ(Call(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &record), TWRC_SUCCESS);
}

}  // namespace
}  // namespace capture
