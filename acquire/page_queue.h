// The page queue between the shooting side and the transfers: how many
// pictures are stored, and how many of them have been announced to the
// application and not yet delivered.
#pragma once

#include <atomic>

namespace acquire {

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

 private:
  // Written by the picture pipelines on the capture thread while the dialog waits.
  std::atomic<int> pictureCount_{0};
  int pendingCount_ = 0;
};

}  // namespace acquire
