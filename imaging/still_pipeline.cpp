#include "imaging/still_pipeline.h"

#include <filesystem>
#include <span>
#include <system_error>

#include "acquire/picture_files.h"
#include "capture/media_format.h"
#include "imaging/bmp_file.h"
#include "imaging/colour_mode.h"
#include "imaging/geometry.h"
#include "imaging/id_card.h"
#include "imaging/picture_file.h"
#include "imaging/watermark.h"
#include "platform/file_stream.h"

namespace imaging {

namespace {

using capture::PictureKind;

std::string FileFor(const std::string& folder, int number, PictureKind kind) {
  return acquire::PictureFileName(folder, number, kind);
}

// The whole frame handed to smart paging: the picture's name with "_tmp" before ".bmp".
std::string WorkFileFor(const std::string& folder, int number, PictureKind kind) {
  std::string name = FileFor(folder, number, kind);
  name.insert(name.size() - 4, "_tmp");
  return name;
}

CorrectionSwitches CorrectionSwitchesOf(const capture::StillSettings& settings) {
  return {settings.autoCrop, settings.smartPaging, settings.fingerErase};
}

void ConvertToKind(Picture& picture, PictureKind kind) {
  if (kind == PictureKind::Grey) ConvertToGrey(picture);
  if (kind == PictureKind::BlackWhite) ConvertToBlackWhite(picture);
}

// Copies the frame's rows, bottom row first as they arrive. Empty when the
// buffer cannot hold width × height rows of the frame's stride.
Picture FramePicture(const capture::FrameView& frame) {
  if (frame.pixels == nullptr || frame.length <= 0) return {};
  return Picture::FromBgrRows(std::span(frame.pixels, static_cast<std::size_t>(frame.length)), frame.width,
                              frame.height, capture::FrameStride(frame.width));
}

// Loads `path` and converts it to the kind.
Picture LoadAsKind(const std::string& path, PictureKind kind) {
  Picture picture = LoadPicture(path);
  ConvertToKind(picture, kind);
  return picture;
}

}  // namespace

bool EnsurePictureFolder(const std::string& folder) {
  std::u8string name(folder.begin(), folder.end());
  while (name.size() > 1 && (name.back() == u8'/' || name.back() == u8'\\')) name.pop_back();
  const std::filesystem::path path(name);
  std::error_code error;
  if (std::filesystem::is_directory(path, error)) return true;
  std::filesystem::create_directories(path, error);
  return std::filesystem::is_directory(path, error);
}

// Everything a still reads besides the frame, copied while the dialog asks
// for it: the dialog may change any of it as soon as its wait has ended.
void StillPipeline::PrepareStill(capture::StillParameters& parameters) const {
  const settings::Settings& s = links_.settings;
  capture::StillSettings& still = parameters.settings;
  still.pictureFolder = acquire::PictureFolder();
  still.idCardMode = s.idCardMode != 0;
  still.idCardBackSide = IdCardSide() == 1;
  still.idCardArea = {s.idLeft, s.idUp, s.idRight, s.idDown};
  still.autoCorrect = s.autoCorrect != 0;
  still.autoCrop = s.autoCrop != 0;
  still.curveFlatten = s.curveFlatten != 0;
  still.smartPaging = s.smartPaging != 0;
  still.fingerErase = s.fingerErase != 0;
  still.watermarkOn = s.watermarkOn != 0;
  still.watermarkTime = s.watermarkTime != 0;
  still.watermarkText = s.watermarkText;
  still.dpiX = s.dpiX;
  still.dpiY = s.dpiY;
  still.xResolution = links_.capValues.xResolution;
  still.pixelType = links_.capValues.pixelType;
}

void StillPipeline::PublishSettings() {
  const settings::Settings& s = links_.settings;
  published_.autoContinuous.store(s.autoContinuous, std::memory_order_release);
  published_.scanType.store(s.scanType, std::memory_order_release);
  published_.autoCorrect.store(s.autoCorrect != 0, std::memory_order_release);
  published_.curveFlatten.store(s.curveFlatten != 0, std::memory_order_release);
  published_.smartPaging.store(s.smartPaging != 0, std::memory_order_release);
  published_.fingerErase.store(s.fingerErase != 0, std::memory_order_release);
}

capture::ProcessingSwitches StillPipeline::Switches() const {
  const FrameAnalysis* analysis = analysis_.load(std::memory_order_acquire);
  return {analysis != nullptr && analysis->DetectionRunning(),
          published_.autoContinuous.load(std::memory_order_acquire),
          published_.scanType.load(std::memory_order_acquire),
          published_.autoCorrect.load(std::memory_order_acquire),
          published_.curveFlatten.load(std::memory_order_acquire),
          published_.smartPaging.load(std::memory_order_acquire),
          published_.fingerErase.load(std::memory_order_acquire)};
}

void StillPipeline::AnalyseFrame(const capture::FrameView& frame) {
  if (FrameAnalysis* analysis = analysis_.load(std::memory_order_acquire)) analysis->AnalyseFrame(frame);
}

void StillPipeline::ProcessStill(const capture::FrameView& frame, const capture::StillParameters& parameters) {
  if (parameters.late) return;
  const capture::StillSettings& s = parameters.settings;
  const int count = links_.queue.PictureCount();
  if (!HasRoomFor(count, 1)) return;
  Picture picture = FramePicture(frame);
  if (picture.Empty()) return;
  const std::string& folder = s.pictureFolder;
  if (!HasFolder(folder)) return;
  StillCorrection* correction = correction_.load(std::memory_order_acquire);
  const int frameWidth = picture.Width();
  const int frameHeight = picture.Height();
  const int number = count + 1;

  const bool idCard = s.idCardMode;
  const bool autoCorrect = s.autoCorrect;
  if (!idCard || autoCorrect) {
    CropToFrame(picture, frameWidth, frameHeight, parameters.cropMode, parameters.cropRect);
    if (correction != nullptr && autoCorrect) correction->CorrectStill(picture, folder, CorrectionSwitchesOf(s));
    if (correction != nullptr && !autoCorrect && s.autoCrop) correction->RemoveBlackEdges(picture);
  }
  const bool backSide = idCard && s.idCardBackSide;
  if (idCard) {
    HandleIdCard(picture, {frameWidth, frameHeight, !autoCorrect, s.idCardArea, backSide,
                           FileFor(folder, number, parameters.kind)});
  }

  // The character height follows the width before the turn.
  const int characterHeight = WatermarkCharacterHeight(picture.Width());
  TurnPicture(picture, parameters.rotation);
  if (s.watermarkOn) {
    StampWatermark(picture, characterHeight, WatermarkLine(s.watermarkText, s.watermarkTime, links_.localTime()),
                   links_.textRenderer);
  }
  picture.SetDpiX(s.dpiX);
  picture.SetDpiY(s.dpiY);
  ConvertToKind(picture, parameters.kind);

  const std::string path = FileFor(folder, number, parameters.kind);
  // A picture that could not be written whole counts nothing and leaves the
  // ID card on the same side: a failed back keeps the stored front.
  if (!Store(number, path, picture, s)) return;
  // An ID card counts once, when its back completes the page.
  if (idCard) idCardSide_.store(backSide ? 0 : 1, std::memory_order_release);
  const int stored = idCard && !backSide ? count : count + 1;
  if (stored != count) links_.queue.SetPictureCount(stored);
  Finish(stored, path);
}

void StillPipeline::ProcessStillPaged(const capture::FrameView& frame, const capture::StillParameters& parameters) {
  if (parameters.late) return;
  const capture::StillSettings& s = parameters.settings;
  const bool smartPaging = s.smartPaging;
  const int count = links_.queue.PictureCount();
  if (!HasRoomFor(count, smartPaging ? 2 : 1)) return;
  Picture picture = FramePicture(frame);
  if (picture.Empty()) return;
  const std::string& folder = s.pictureFolder;
  if (!HasFolder(folder)) return;
  StillCorrection* correction = correction_.load(std::memory_order_acquire);
  picture.SetDpiX(s.dpiX);
  picture.SetDpiY(s.dpiY);
  const PictureKind kind = parameters.kind;
  const int number = count + 1;

  if (!smartPaging) {
    const std::string path = FileFor(folder, number, kind);
    if (!SaveBmp(picture, path)) {
      TellStoreFailed();
      return;
    }
    if (correction != nullptr) correction->RunPageProcessing(path, nullptr, nullptr, CorrectionSwitchesOf(s));
    if (!Store(number, path, LoadAsKind(path, kind), s)) {
      // The unprocessed frame is no picture of the queue.
      platform::RemoveFile(path);
      return;
    }
    links_.queue.SetPictureCount(count + 1);
    Finish(count + 1, path);
    return;
  }

  const std::string work = WorkFileFor(folder, number, kind);
  const std::string left = FileFor(folder, number, kind);
  const std::string right = FileFor(folder, number + 1, kind);
  if (!SaveBmp(picture, work)) {
    TellStoreFailed();
    return;
  }
  if (correction != nullptr) correction->RunPageProcessing(work, &left, &right, CorrectionSwitchesOf(s));
  if (kind != PictureKind::Colour) SaveBmp(LoadAsKind(work, kind), work);
  // The pages may come back in any format the processor writes: both are
  // stored as bitmaps. A page that cannot be stored is not counted and its
  // file goes; a stored left page counts even when the right one fails.
  if (!Store(number, left, LoadAsKind(left, kind), s)) {
    platform::RemoveFile(left);
    platform::RemoveFile(right);
    return;
  }
  if (!Store(number + 1, right, LoadAsKind(right, kind), s)) {
    platform::RemoveFile(right);
    links_.queue.SetPictureCount(count + 1);
    Finish(count + 1, left);
    return;
  }
  links_.queue.SetPictureCount(count + 2);
  Finish(count + 2, right);
}

bool StillPipeline::HasRoomFor(int count, int pictures) {
  if (count >= 0 && count + pictures <= acquire::kMaxPictures) return true;
  if (count >= 0) {
    links_.messageBoxes.Show({nullptr, kQueueFullText, kQueueFullCaption, platform::mb::kOk});
  }
  return false;
}

bool StillPipeline::HasFolder(const std::string& folder) {
  if (!folder.empty() && EnsurePictureFolder(folder)) return true;
  TellStoreFailed();
  return false;
}

bool StillPipeline::Store(int number, const std::string& path, const Picture& picture,
                          const capture::StillSettings& settings) {
  acquire::PageEntry* entry = links_.queue.Entry(number);
  if (entry == nullptr || !SaveBmp(picture, path)) {
    TellStoreFailed();
    return false;
  }
  storeFailureShown_.store(false, std::memory_order_release);
  const float resolution = settings.xResolution;
  entry->filePath = path;
  entry->widthInches = resolution > 0 ? static_cast<float>(picture.Width()) / resolution : 0.0f;
  entry->heightInches = resolution > 0 ? static_cast<float>(picture.Height()) / resolution : 0.0f;
  entry->pixelType = protocol::PixelTypeOf(settings.pixelType);
  return true;
}

void StillPipeline::TellStoreFailed() {
  // Once until a picture is stored again: a continuous series on a full disk
  // must not pile up one box per shot.
  if (storeFailureShown_.exchange(true, std::memory_order_acq_rel)) return;
  links_.messageBoxes.Show({nullptr, kStoreFailedText, kStoreFailedCaption, platform::mb::kOk});
}

void StillPipeline::Finish(int count, const std::string& lastPath) {
  std::lock_guard lock(resultMutex_);
  lastPicturePath_ = lastPath;
  countAfterLastStill_ = count;
}

std::string StillPipeline::LastPicturePath() const {
  std::lock_guard lock(resultMutex_);
  return lastPicturePath_;
}

int StillPipeline::CountAfterLastStill() const {
  std::lock_guard lock(resultMutex_);
  return countAfterLastStill_;
}

}  // namespace imaging
