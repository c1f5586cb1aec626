#include "acquire/page_queue.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "acquire/picture_files.h"
#include "platform/file_stream.h"
#include "platform/files.h"

namespace acquire {

PageQueue::PageQueue(platform::GlobalMemory& memory, platform::MessageBoxes& boxes) : memory_(memory), boxes_(boxes) {}

PageQueue::~PageQueue() { ReleaseHeld(); }

PageEntry* PageQueue::Entry(int number) {
  if (number < 1 || number > kMaxPictures) return nullptr;
  return &entries_[static_cast<std::size_t>(number)];
}

const PageEntry* PageQueue::Entry(int number) const { return const_cast<PageQueue*>(this)->Entry(number); }

void PageQueue::ReleaseHeld() {
  if (held_ != nullptr) {
    memory_.Unlock(held_);
    memory_.Free(held_);
  }
  held_ = nullptr;
  rows_ = nextRow_ = nullptr;
  rowBytes_ = 0;
  rowsDelivered_ = 0;
  openedPath_.clear();
  transferCompleted_ = false;
}

std::string PageQueue::FindNextPictureFile() const {
  const int first = NextPictureNumber();
  const PageEntry* entry = Entry(first);
  // After the count was reset with pictures still pending there is no next picture.
  if (entry == nullptr) return {};
  // A missing file hands the search on to the next number of the same
  // prefix; every number up to the last picture is searched, the last one included.
  const std::string folder = PictureFolder();
  for (int number = first; number <= kMaxPictures; ++number) {
    std::string path = PictureFileName(folder, number, entry->pixelType);
    if (platform::FileExists(path)) return path;
  }
  return {};
}

bool PageQueue::OpenNextPicture(std::uint32_t& rowBytes) {
  ReleaseHeld();
  if (std::string path = FindNextPictureFile(); !path.empty()) {
    held_ = LoadPictureBitmap(path, memory_, boxes_);
    if (held_ != nullptr) openedPath_ = std::move(path);
  }
  if (held_ == nullptr) return false;

  auto* block = static_cast<std::uint8_t*>(memory_.Lock(held_));
  BitmapInfoHeader header{};
  std::memcpy(&header, block, sizeof header);
  rowBytes_ = static_cast<std::uint32_t>(BitmapRowBytes(header.biWidth, header.biBitCount));
  rows_ = block + sizeof header + header.biClrUsed * 4u;
  nextRow_ = rows_ + static_cast<std::size_t>(header.biHeight - 1) * rowBytes_;
  rowBytes = rowBytes_;
  return true;
}

PictureBitmap PageQueue::ReadNextPictureHeader() {
  const std::string path = FindNextPictureFile();
  if (path.empty()) return nullptr;
  const platform::FileHandle file = platform::OpenRegularFile(path);
  return file ? ReadBitmapHeader(file.get(), memory_) : nullptr;
}

void PageQueue::CompleteTransfer() {
  if (!openedPath_.empty()) platform::RemoveFile(openedPath_);
  openedPath_.clear();
  transferCompleted_ = true;
}

PictureBitmap PageQueue::TakeHeldBitmap() {
  PictureBitmap bitmap = held_;
  if (bitmap != nullptr) memory_.Unlock(bitmap);
  held_ = nullptr;
  rows_ = nextRow_ = nullptr;
  rowBytes_ = 0;
  return bitmap;
}

bool PageQueue::CopyRows(std::uint8_t* destination, std::uint32_t size, std::uint32_t& bytesWritten, bool& done) {
  bytesWritten = 0;
  done = false;
  if (destination == nullptr || size == 0) {
    platform::ReportAssertion(boxes_, "Scanner", __LINE__);
    if (destination == nullptr) return false;
  }
  if (held_ == nullptr) return false;

  const PageEntry* entry = Entry(NextPictureNumber());
  const bool colour = entry != nullptr && entry->pixelType == protocol::PixelType::Colour;
  for (std::uint32_t row = 0; row < size / rowBytes_; ++row) {
    CopyBitmapRow(nextRow_, destination, rowBytes_, colour);
    ++rowsDelivered_;
    bytesWritten += rowBytes_;
    destination += rowBytes_;
    if (nextRow_ == rows_) {
      done = true;
      break;
    }
    nextRow_ -= rowBytes_;
  }
  return true;
}

void PageQueue::EndCurrentTransfer() {
  if (pendingCount_ > 0) --pendingCount_;
  ReleaseHeld();
}

void PageQueue::DiscardAll(const std::string& folder) {
  AnnounceAll();
  while (AnyPending()) {
    const int number = NextPictureNumber();
    if (const PageEntry* entry = Entry(number)) platform::RemoveFile(PictureFileName(folder, number, entry->pixelType));
    EndCurrentTransfer();
  }
}

}  // namespace acquire
