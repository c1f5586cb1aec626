#include "acquire/picture_review.h"

#include <utility>

#include "imaging/picture_operations.h"
#include "platform/files.h"

namespace acquire {

imaging::PictureFormat ReviewFormat(std::string_view path) {
  const std::size_t dot = path.find_last_of('.');
  const std::size_t separator = path.find_last_of("/\\");
  if (dot == std::string_view::npos || (separator != std::string_view::npos && dot < separator)) {
    return imaging::PictureFormat::Jpeg;
  }
  const std::string_view extension = path.substr(dot);
  if (extension == ".TIF") return imaging::PictureFormat::Tiff;
  if (extension == ".bmp") return imaging::PictureFormat::Bmp;
  if (extension == ".PNG") return imaging::PictureFormat::Png;
  if (extension == ".GIF") return imaging::PictureFormat::Gif;
  return imaging::PictureFormat::Jpeg;
}

bool TurnPictureFile(const std::string& path, QuarterTurn turn) {
  const imaging::PictureFormat format = ReviewFormat(path);
  imaging::Picture picture = imaging::LoadPicture(path, format);
  if (picture.Empty()) return false;
  if (turn == QuarterTurn::Left) {
    imaging::TurnLeft(picture);
  } else {
    imaging::TurnRight(picture);
  }
  const int dpiX = picture.DpiX();
  picture.SetDpiX(picture.DpiY());
  picture.SetDpiY(dpiX);
  return imaging::SavePicture(picture, path, format);
}

void PictureReview::Show(int number, std::string path) {
  currentNumber_ = number;
  currentName_ = std::move(path);
}

std::string PictureReview::PositionCaption() const {
  return std::to_string(currentNumber_) + "/" + std::to_string(queue_.PictureCount());
}

void PictureReview::ShowRecorded(int number) {
  const PageEntry* entry = number <= queue_.PictureCount() ? queue_.Entry(number) : nullptr;
  currentNumber_ = entry != nullptr ? number : 0;
  currentName_ = entry != nullptr ? entry->filePath : std::string();
}

bool PictureReview::Turn(QuarterTurn turn) {
  if (currentName_.empty() || !TurnPictureFile(currentName_, turn)) return false;
  if (PageEntry* entry = queue_.Entry(currentNumber_); entry != nullptr && entry->filePath == currentName_) {
    std::swap(entry->widthInches, entry->heightInches);
  }
  return true;
}

void PictureReview::Previous() {
  if (currentNumber_ > 1) ShowRecorded(currentNumber_ - 1);
}

void PictureReview::Next() {
  if (currentNumber_ < queue_.PictureCount()) ShowRecorded(currentNumber_ + 1);
}

bool PictureReview::Open() { return !currentName_.empty() && shell_.OpenFile(currentName_); }

bool PictureReview::DeleteCurrent() {
  const int count = queue_.PictureCount();
  // A picture no longer in the queue (already submitted) is not the queue's to change.
  if (currentNumber_ < 1 || currentNumber_ > count || currentName_.empty()) return false;
  if (!platform::FileExists(currentName_) || !shell_.MoveToTrash(currentName_)) return false;
  for (int number = currentNumber_; number < count; ++number) {
    *queue_.Entry(number) = std::move(*queue_.Entry(number + 1));
  }
  *queue_.Entry(count) = PageEntry{};
  queue_.SetPictureCount(count - 1);
  ShowRecorded(currentNumber_ > 1 ? currentNumber_ - 1 : 1);
  return true;
}

}  // namespace acquire
