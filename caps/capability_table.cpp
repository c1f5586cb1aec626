#include "caps/capability_table.h"

#include <algorithm>
#include <cstdio>

#include "caps/catalogue.h"
#include "platform/diagnostics.h"

namespace caps {

void CapabilityTable::InitializeCaps(StoredValues& values) {
  const auto records = CatalogueRecords(values);
  slots_ = {};
  setByApplication_ = {};
  std::copy(records.begin(), records.end(), slots_.begin());
  char line[64];
  // The line has always counted up to the index of the last record.
  std::snprintf(line, sizeof line, "InitializeCaps: initialized %d capabilities.\n", kCatalogueSize - 1);
  platform::DebugOutput(line);
}

void CapabilityTable::FreeCaps() {
  slots_ = {};
  setByApplication_ = {};
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

bool CapabilityTable::SetByApplication(twain::TW_UINT16 capId) const {
  for (std::size_t i = 0; i < slots_.size(); ++i) {
    if (slots_[i].capId == capId) return setByApplication_[i];
  }
  return false;
}

void CapabilityTable::KeepApplicationChoices(const StoredValues& chosen, StoredValues& values) const {
  if (SetByApplication(twain::ICAP_PIXELTYPE)) values.pixelType = chosen.pixelType;
  if (SetByApplication(twain::ICAP_ORIENTATION)) values.rotationIndex = chosen.rotationIndex;
  // Both resolutions share one value.
  if (SetByApplication(twain::ICAP_XRESOLUTION) || SetByApplication(twain::ICAP_YRESOLUTION)) {
    values.xResolution = chosen.xResolution;
  }
}

void CapabilityTable::NoteApplicationChange(const CapabilityRecord& record, bool setByApplication) {
  setByApplication_[static_cast<std::size_t>(&record - slots_.data())] = setByApplication;
}

}  // namespace caps
