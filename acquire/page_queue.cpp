#include "acquire/page_queue.h"

namespace acquire {

void PageQueue::EndCurrentTransfer() {
  if (pendingCount_ > 0) --pendingCount_;
}

}  // namespace acquire
