// Any bytes given to the bitmap reader give a picture or an empty one, never
// a read outside the bytes (the sanitizers watch) and never a picture whose
// row padding holds anything but zeros.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "imaging/bmp_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const imaging::Picture picture = imaging::DecodeBmp(std::span(data, size));
  if (picture.Empty()) return 0;
  imaging::Picture cleared = picture;
  cleared.ClearPadding();
  if (!std::equal(cleared.Bytes().begin(), cleared.Bytes().end(), picture.Bytes().begin())) std::abort();
  return 0;
}
