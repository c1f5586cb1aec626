// The still pipelines: the frame the dialog asked for becomes a numbered
// picture file in the picture folder and a record in the page queue. They
// run on the camera's streaming thread inside the frame callback, while the
// dialog's thread waits; the callback marks the still done once they have
// returned, so everything here (file, record, count) is finished by then.
// What a still needs from the settings and the capability values is copied
// into its parameters on the dialog's thread when it is asked for
// (PrepareStill); the pipelines read that copy, never the records.
//
// A late still, whose request the dialog had stopped waiting for before a
// frame took it, is dropped: no file, no record, no count, no change of the
// ID-card side and no message. The dialog has gone on meanwhile (it may
// have shot again, changed the mode or handed the pictures over), so the
// number, the side and the count the still would take are no longer its
// own, and the user, who saw nothing arrive, shoots again.
//
// ProcessStill: frame → crop to the drawn frame → position correction or
// black-edge removal → ID card → turn → watermark → DPI → colour kind →
// file. ProcessStillPaged, when a page option is on: frame → DPI → file →
// page processor → colour kind, with smart paging yielding two pictures.
//
// A still is refused, writing nothing, when its pictures would be numbered
// beyond the page queue's 2040: the user is told "Exceeding the maximum!"
// in a box captioned "Tips". A buffer too short for the frame's rows is
// dropped the same way, without a message. A picture that cannot be written
// whole (a full disk) is neither recorded nor counted and leaves no file of
// its own; the user is told once, in a "Tips" box, until a picture is stored
// again.
#pragma once

#include <atomic>
#include <ctime>
#include <functional>
#include <mutex>
#include <string>

#include "acquire/page_queue.h"
#include "caps/stored_values.h"
#include "capture/frame_hooks.h"
#include "imaging/picture.h"
#include "imaging/still_correction.h"
#include "imaging/still_messages.h"
#include "platform/local_time.h"
#include "platform/message_box.h"
#include "platform/text_renderer.h"
#include "settings/settings.h"

namespace imaging {

// Creates the picture folder (and its parents) when it is missing. Returns
// whether it exists afterwards.
bool EnsurePictureFolder(const std::string& folder);

// The per-frame analysis of the automatic scanning and the position
// correction, which watches the frames for a page coming to rest.
class FrameAnalysis {
 public:
  virtual ~FrameAnalysis() = default;
  // Whether the automatic scanning's page detection is running.
  virtual bool DetectionRunning() const = 0;
  // Must leave the frame as it is.
  virtual void AnalyseFrame(const capture::FrameView& frame) = 0;
};

// The local time at the moment a watermark is stamped.
using LocalClock = std::function<std::tm()>;

// What the pipelines read and write, all owned by the source.
struct StillLinks {
  acquire::PageQueue& queue;
  // Read on the dialog's thread only: by PrepareStill and PublishSettings.
  const settings::Settings& settings;
  const caps::StoredValues& capValues;
  platform::MessageBoxes& messageBoxes;
  platform::TextRenderer& textRenderer;
  LocalClock localTime = platform::LocalTimeNow;
};

class StillPipeline final : public capture::FrameHooks {
 public:
  explicit StillPipeline(StillLinks links) : links_(std::move(links)) {}

  // The automatic correction's steps and the page analysis, provided
  // elsewhere; none: the steps are skipped. Set while no camera runs.
  void SetCorrection(StillCorrection* correction) { correction_.store(correction, std::memory_order_release); }
  void SetFrameAnalysis(FrameAnalysis* analysis) { analysis_.store(analysis, std::memory_order_release); }

  // Copies the settings that every frame consults (the page options, the
  // scan mode) for the streaming thread, which never reads the settings
  // record itself while the dialog may be changing it. Called on the
  // dialog's thread after the settings were loaded or changed.
  void PublishSettings();

  // Dialog thread: copies the settings, the capability values, the picture
  // folder and the ID-card side the still will take into its parameters.
  void PrepareStill(capture::StillParameters& parameters) const override;
  capture::ProcessingSwitches Switches() const override;
  void AnalyseFrame(const capture::FrameView& frame) override;
  void ProcessStill(const capture::FrameView& frame, const capture::StillParameters& parameters) override;
  void ProcessStillPaged(const capture::FrameView& frame, const capture::StillParameters& parameters) override;

  // The side the next ID-card shot takes: 0 the front, 1 the back. Each
  // stored ID-card still flips it; the dialog sets it back to the front.
  int IdCardSide() const { return idCardSide_.load(std::memory_order_acquire); }
  void ResetIdCardSide() { idCardSide_.store(0, std::memory_order_release); }

  // Dialog thread: one side of an ID card in "Color and B&W". `shootColour`
  // takes the side's still in colour and waits for it; the pair's pictures
  // and their count are then completed here (id_card_pair.cpp). Returns
  // whether the side was stored.
  bool ShootIdCardColourAndBlackWhite(const std::function<void()>& shootColour);

  // The file written last (for smart paging the right-hand page) and the
  // picture count after that still; empty and 0 before the first.
  std::string LastPicturePath() const;
  int CountAfterLastStill() const;

 private:
  // Whether numbers count + 1 to count + `pictures` lie within the queue;
  // tells the user when they do not.
  bool HasRoomFor(int count, int pictures);
  // Whether the picture folder is there; tells the user when it is not.
  bool HasFolder(const std::string& folder);
  // Stores the picture as a bitmap at `path` and fills the record of
  // picture `number`: the path, the size in inches, the pixel type. False,
  // with the record untouched and the user told, when the file could not be
  // written whole; `path` then keeps what it held.
  bool Store(int number, const std::string& path, const Picture& picture, const capture::StillSettings& settings);
  void TellStoreFailed();
  void Finish(int count, const std::string& lastPath);

  StillLinks links_;
  std::atomic<StillCorrection*> correction_{nullptr};
  std::atomic<FrameAnalysis*> analysis_{nullptr};
  std::atomic<int> idCardSide_{0};
  std::atomic<bool> storeFailureShown_{false};
  struct PublishedSettings {
    std::atomic<bool> autoContinuous{false};
    std::atomic<std::int32_t> scanType{0};
    std::atomic<bool> autoCorrect{false};
    std::atomic<bool> curveFlatten{false};
    std::atomic<bool> smartPaging{false};
    std::atomic<bool> fingerErase{false};
  } published_;
  mutable std::mutex resultMutex_;
  std::string lastPicturePath_;
  int countAfterLastStill_ = 0;
};

}  // namespace imaging
