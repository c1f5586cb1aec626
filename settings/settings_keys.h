// The keys of config.ini: which value each one holds, how it is spelled,
// and how its value is read and written.
#pragma once

#include "protocol/stored_values.h"
#include "settings/private_profile.h"
#include "settings/settings.h"

namespace settings {

// Reads every key into the record and the capability values it shares; a
// key missing from the profile (a number without a value counts as missing)
// leaves its value as it is. The DPI pair is applied with its rule
// (settings/resolution.h).
void ReadSettings(const PrivateProfile& profile, Settings& settings, caps::StoredValues& capValues);

// Writes every key, in the order that also orders the sections of a new file.
void WriteSettings(PrivateProfile& profile, const Settings& settings, const caps::StoredValues& capValues);

}  // namespace settings
