// The page queue between the shooting side and the transfers: one record per
// stored picture, how many pictures are stored, and how many of them have
// been announced to the application and not yet delivered.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <string>

namespace acquire {

// Picture numbers run from 1 to kMaxPictures; the storage has room for kEntryStorage.
inline constexpr int kMaxPictures = 2040;
inline constexpr int kEntryStorage = 2048;

struct PageEntry {
  std::string filePath;
  float widthInches = 0;   // pixel width / the X resolution when the picture was stored
  float heightInches = 0;  // pixel height / the same resolution
  std::uint8_t pixelType = 0;  // 1 grey, 2 colour, any other value black-and-white
};

class PageQueue {
 public:
  // Stored pictures; they are numbered 1 to this count.
  int PictureCount() const { return pictureCount_.load(std::memory_order_acquire); }
  void SetPictureCount(int count) { pictureCount_.store(count, std::memory_order_release); }

  int PendingCount() const { return pendingCount_; }
  bool AnyPending() const { return pendingCount_ != 0; }
  // "Submit": every stored picture is announced.
  void AnnounceAll() { pendingCount_ = PictureCount(); }
  void DropAllPending() { pendingCount_ = 0; }
  // One picture has been delivered (or given up): one less is pending, never below zero.
  void EndCurrentTransfer();

  // The number of the next picture to deliver: picture count - pending count + 1.
  // It lies outside 1..kMaxPictures when the count was reset while pictures were pending.
  int NextPictureNumber() const { return PictureCount() - pendingCount_ + 1; }

  // The record of picture `number`, or null outside 1..kMaxPictures.
  PageEntry* Entry(int number);
  const PageEntry* Entry(int number) const;

 private:
  // Written by the picture pipelines on the capture thread while the dialog waits.
  std::atomic<int> pictureCount_{0};
  int pendingCount_ = 0;
  std::array<PageEntry, kEntryStorage> entries_{};
};

}  // namespace acquire
