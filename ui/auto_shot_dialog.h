// The automatic continuous scanning's status dialog (dialog_ids::automatic_scanning): Start
// and End switch the page detection on and off, the status text, the
// progress bar and the count show how the run goes. The main dialog's
// continuous-shot timer asks it at every tick whether a resting page waits
// to be shot (Step) and tells it what the shot stored (AfterShot).
//
// The detection ends with the dialog, however it closes: a run left
// running would shoot a page at rest before the next run's Start.
#pragma once

#include <cstdint>
#include <functional>

#include "imaging/detected_page.h"
#include "platform/dialog.h"

namespace ui {

// The status texts by kind.
enum class AutoShotStatus { Waiting = 0, Detecting = 1, Shooting = 2, ChangePaper = 3, Finishing = 4 };
const char* AutoShotStatusText(AutoShotStatus status);

// The seconds of the current time, which reseed the progress animation.
using SecondsClock = std::function<std::int64_t()>;
std::int64_t CurrentSeconds();

class AutoShotDialog final : public platform::DialogEvents {
 public:
  explicit AutoShotDialog(imaging::DetectedPage& detection, SecondsClock seconds = CurrentSeconds)
      : detection_(detection), seconds_(std::move(seconds)) {}

  // Runs the dialog modally over `owner`; returns when it has closed.
  void Run(platform::DialogWindow& owner);
  bool IsOpen() const { return window_ != nullptr; }
  int PagesTaken() const { return pages_; }

  // The automatic scanning's part of a tick of the continuous-shot timer:
  // true when a resting page waits to be shot, which the tick then shoots.
  // While nothing rests the status says "Detecting..." and the bar moves.
  bool Step();
  // After the tick's shots: `stored` pictures were stored. A page counts
  // once however many pictures it gave; a page of which nothing was
  // stored is not taken, and the next tick tries it again.
  void AfterShot(int stored);

  void OnInit(platform::DialogWindow& window) override;
  void OnCommand(int controlId, int notification) override;
  void OnDestroy() override;

 private:
  void Start();
  void End();
  // Detection off and every flag cleared.
  void StopDetection();
  void SetStatus(AutoShotStatus status);
  void SetProgress(int position);
  void SetButtons(bool startEnabled, bool endEnabled, bool closeEnabled);

  imaging::DetectedPage& detection_;
  SecondsClock seconds_;
  platform::DialogWindow* window_ = nullptr;
  int pages_ = 0;
};

}  // namespace ui
