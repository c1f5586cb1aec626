#include "caps/capability_table.h"

#include <algorithm>
#include <cstdio>

#include "caps/catalogue.h"
#include "platform/diagnostics.h"

namespace caps {

void CapabilityTable::InitializeCaps(StoredValues& values) {
  const auto records = CatalogueRecords(values);
  slots_ = {};
  std::copy(records.begin(), records.end(), slots_.begin());
  char line[64];
  // The line has always counted up to the index of the last record.
  std::snprintf(line, sizeof line, "InitializeCaps: initialized %d capabilities.\n", kCatalogueSize - 1);
  platform::DebugOutput(line);
}

void CapabilityTable::FreeCaps() {
  slots_ = {};
  platform::DebugOutput("FreeCaps: finished cleanup.\n");
}

CapabilityRecord* CapabilityTable::FindCapStorageItem(twain::TW_UINT16 capId) {
  for (CapabilityRecord& record : slots_) {
    if (record.capId == capId) return &record;
  }
  char line[80];
  std::snprintf(line, sizeof line, "FindCapStorageItem: unable to find support for cap 0x%X.\n", unsigned{capId});
  platform::DebugOutput(line);
  return nullptr;
}

}  // namespace caps
