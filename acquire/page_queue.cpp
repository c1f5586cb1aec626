#include "acquire/page_queue.h"

namespace acquire {

void PageQueue::EndCurrentTransfer() {
  if (pendingCount_ > 0) --pendingCount_;
}

PageEntry* PageQueue::Entry(int number) {
  if (number < 1 || number > kMaxPictures) return nullptr;
  return &entries_[static_cast<std::size_t>(number)];
}

const PageEntry* PageQueue::Entry(int number) const { return const_cast<PageQueue*>(this)->Entry(number); }

}  // namespace acquire
