// A disk that fills up, for tests: while the object lives, no file of this
// process can grow beyond `bytes` (the process's file size limit). A write
// past it fails as on a full disk, with EFBIG instead of ENOSPC, from the
// first byte that does not fit, so a picture larger than the limit is cut.
#pragma once

#include <signal.h>
#include <sys/resource.h>

#include <cstdint>

namespace testing_support {

class ScopedFullDisk {
 public:
  explicit ScopedFullDisk(std::uint64_t bytes);
  ~ScopedFullDisk();
  ScopedFullDisk(const ScopedFullDisk&) = delete;
  ScopedFullDisk& operator=(const ScopedFullDisk&) = delete;

 private:
  rlimit oldLimit_{};
  struct sigaction oldAction_ {};
};

}  // namespace testing_support
