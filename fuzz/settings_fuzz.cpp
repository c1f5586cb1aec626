// libFuzzer: any bytes as the content of config.ini. Reading must not crash,
// and the settings must save stably, as LoadSettings and SaveSettings use
// them: load, save, load, save with one record gives the same bytes at both
// saves and the same record at both loads. Any other outcome aborts.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "settings/private_profile.h"
#include "settings/settings_keys.h"

namespace {

struct Values {
  settings::Settings record;
  caps::StoredValues capValues;
};

// One load and one save: the keys are read into `values`, then written back
// into the bytes that were read.
std::string LoadAndSave(const std::string& bytes, Values& values) {
  settings::PrivateProfile profile(bytes);
  settings::ReadSettings(profile, values.record, values.capValues);
  settings::WriteSettings(profile, values.record, values.capValues);
  return profile.Bytes();
}

// The values as a new file would hold them: equal texts for equal values,
// also where a real is not a number.
std::string Spelled(const Values& values) {
  settings::PrivateProfile profile;
  settings::WriteSettings(profile, values.record, values.capValues);
  return profile.Bytes();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Values values;
  const std::string once = LoadAndSave(std::string(reinterpret_cast<const char*>(data), size), values);
  const std::string loadedOnce = Spelled(values);
  const std::string twice = LoadAndSave(once, values);
  if (twice != once || Spelled(values) != loadedOnce) std::abort();
  return 0;
}
