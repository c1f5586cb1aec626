#include "support/full_disk.h"

#include <stdexcept>

namespace testing_support {

ScopedFullDisk::ScopedFullDisk(std::uint64_t bytes) {
  // The limit would otherwise end the process with SIGXFSZ; ignored, the write fails instead.
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  if (sigaction(SIGXFSZ, &ignore, &oldAction_) != 0 || getrlimit(RLIMIT_FSIZE, &oldLimit_) != 0) {
    throw std::runtime_error("cannot limit file sizes");
  }
  rlimit limit = oldLimit_;
  limit.rlim_cur = static_cast<rlim_t>(bytes);
  if (setrlimit(RLIMIT_FSIZE, &limit) != 0) throw std::runtime_error("cannot limit file sizes");
}

ScopedFullDisk::~ScopedFullDisk() {
  setrlimit(RLIMIT_FSIZE, &oldLimit_);
  sigaction(SIGXFSZ, &oldAction_, nullptr);
}

}  // namespace testing_support
