// The page queue between the shooting side and the transfers: one record per
// stored picture, how many pictures are stored, how many of them have been
// announced to the application and not yet delivered, and the picture being
// transferred now.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <string>

#include "acquire/picture_bitmap.h"
#include "platform/global_memory.h"
#include "platform/message_box.h"
#include "protocol/pixel_type.h"

namespace acquire {

// Picture numbers run from 1 to kMaxPictures; the storage has room for kEntryStorage.
inline constexpr int kMaxPictures = 2040;
inline constexpr int kEntryStorage = 2048;

struct PageEntry {
  std::string filePath;
  float widthInches = 0;   // pixel width / the X resolution when the picture was stored
  float heightInches = 0;  // pixel height / the same resolution
  // Grey, colour or black-and-white; "Color and B&W" only when a still was shot as such.
  protocol::PixelType pixelType = protocol::PixelType::BlackWhite;
};

class PageQueue {
 public:
  PageQueue(platform::GlobalMemory& memory, platform::MessageBoxes& boxes);
  ~PageQueue();
  PageQueue(const PageQueue&) = delete;
  PageQueue& operator=(const PageQueue&) = delete;

  // Stored pictures; they are numbered 1 to this count.
  int PictureCount() const { return pictureCount_.load(std::memory_order_acquire); }
  void SetPictureCount(int count) { pictureCount_.store(count, std::memory_order_release); }

  int PendingCount() const { return pendingCount_; }
  bool AnyPending() const { return pendingCount_ != 0; }
  // "Submit": every stored picture is announced.
  void AnnounceAll() { pendingCount_ = PictureCount(); }
  void DropAllPending() { pendingCount_ = 0; }
  // Closing the dialog: every stored picture is announced, then each one's
  // file in `folder` is deleted and its transfer ended, until none is pending.
  void DiscardAll(const std::string& folder);

  // The number of the next picture to deliver: picture count - pending count + 1.
  // It lies outside 1..kMaxPictures when the count was reset while pictures were pending.
  int NextPictureNumber() const { return PictureCount() - pendingCount_ + 1; }

  // The record of picture `number`, or null outside 1..kMaxPictures.
  PageEntry* Entry(int number);
  const PageEntry* Entry(int number) const;

  // Loads the next picture's file from the picture folder and holds it for
  // the transfer; the file stays until CompleteTransfer. A missing file
  // makes the search go on to the next number with the same prefix. Returns
  // whether a picture is held; its row size through `rowBytes`.
  bool OpenNextPicture(std::uint32_t& rowBytes);

  // The opened picture has been handed over whole: its file is deleted, and
  // until the transfer ends (EndCurrentTransfer) or another picture is
  // opened, TransferCompleted tells so. A transfer that fails leaves the
  // file, and the picture stays pending.
  void CompleteTransfer();
  bool TransferCompleted() const { return transferCompleted_; }

  // The header and palette of the next picture, read from its file without
  // consuming it; null when there is no next picture.
  PictureBitmap ReadNextPictureHeader();

  // Gives the held bitmap away; the queue forgets it without freeing it.
  PictureBitmap TakeHeldBitmap();

  // Copies as many whole rows of the held picture as fit into `destination`,
  // top row first, colour pixels as red, green, blue. `done` tells that the
  // bottom row went out. False without a held picture or a destination.
  bool CopyRows(std::uint8_t* destination, std::uint32_t size, std::uint32_t& bytesWritten, bool& done);
  int RowsDelivered() const { return rowsDelivered_; }
  // Bytes of one row of the held picture, 0 without one.
  std::uint32_t RowBytes() const { return rowBytes_; }

  // Ends the transfer of one picture: one less is pending (never below zero)
  // and the held bitmap, if any, is freed. The picture's file goes only if
  // the picture was handed over (CompleteTransfer).
  void EndCurrentTransfer();

 private:
  void ReleaseHeld();
  // The file of the next picture, or empty: the search of OpenNextPicture.
  std::string FindNextPictureFile() const;

  platform::GlobalMemory& memory_;
  platform::MessageBoxes& boxes_;
  // Written by the picture pipelines on the capture thread while the dialog waits.
  std::atomic<int> pictureCount_{0};
  int pendingCount_ = 0;
  std::array<PageEntry, kEntryStorage> entries_{};

  // The picture being transferred.
  PictureBitmap held_ = nullptr;
  std::uint8_t* rows_ = nullptr;     // the bottom row, first in memory
  std::uint8_t* nextRow_ = nullptr;  // the next row to deliver, from the top down
  std::uint32_t rowBytes_ = 0;
  int rowsDelivered_ = 0;
  std::string openedPath_;  // the file the held picture came from
  bool transferCompleted_ = false;
};

}  // namespace acquire
