// libFuzzer: any bytes as the content of config.ini. Reading must not crash,
// and once the keys have been written, reading and writing them again must
// leave the bytes as they are.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "settings/private_profile.h"
#include "settings/settings_keys.h"

namespace {

std::string WriteAfterRead(std::string bytes) {
  settings::PrivateProfile profile(std::move(bytes));
  settings::Settings record;
  caps::StoredValues capValues;
  settings::ReadSettings(profile, record, capValues);
  settings::WriteSettings(profile, record, capValues);
  return profile.Bytes();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string once = WriteAfterRead(std::string(reinterpret_cast<const char*>(data), size));
  if (WriteAfterRead(once) != once) std::abort();
  return 0;
}
