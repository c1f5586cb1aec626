// The capability table: one record per capability the source answers for,
// each pointing at its stored allowed, default and current items, and the
// engine that answers DG_CONTROL / DAT_CAPABILITY with TWAIN containers.
//
// The table exists from MSG_OPENDS (InitializeCaps) to MSG_CLOSEDS (FreeCaps)
// and is all zero in between; the items it points at are the catalogue's
// constants and the StoredValues, which live as long as the library.
#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <string_view>

#include "platform/global_memory.h"
#include "protocol/stored_values.h"
#include "protocol/twain.h"

namespace caps {

// Operation masks: read-only capabilities answer MSG_GET, MSG_GETDEFAULT and
// MSG_GETCURRENT (13); settable ones also MSG_SET and MSG_RESET (31). TWAIN
// names SET and RESET only together; a read-only capability still answers
// MSG_RESET, with the value it has, since applications reset every
// capability they list.
inline constexpr twain::TW_UINT32 kReadOnly = twain::TWQC_GET | twain::TWQC_GETDEFAULT | twain::TWQC_GETCURRENT;
inline constexpr twain::TW_UINT32 kSettable = kReadOnly | twain::TWQC_SET | twain::TWQC_RESET;

// The record of ICAP_BITDEPTH for pixel type t has the id kBitDepthCapBase + t.
inline constexpr twain::TW_UINT16 kBitDepthCapBase = 0x9000;

// The record that answers ICAP_BITDEPTH for pictures of `pixelType` (a TWAIN
// pixel type or 3, colour and black-and-white, whose first picture is colour).
twain::TW_UINT16 BitDepthRecordId(unsigned pixelType);

// One capability. It does not own its items; two records may share them.
// For a range the allowed items are its minimum, maximum and step.
struct CapabilityRecord {
  twain::TW_UINT16 capId = 0;
  twain::TW_UINT16 itemType = 0;
  twain::TW_UINT16 getContainer = 0;    // answers MSG_GET
  twain::TW_UINT16 valueContainer = 0;  // answers MSG_GETCURRENT, MSG_GETDEFAULT and MSG_RESET
  twain::TW_UINT32 operations = 0;      // TWQC mask
  twain::TW_UINT32 allowedCount = 0;
  const std::byte* allowed = nullptr;
  twain::TW_UINT32 defaultCount = 0;
  const std::byte* defaults = nullptr;
  twain::TW_UINT32 currentCount = 0;
  std::byte* current = nullptr;
};

// One slot more than the catalogue fills: capability 0 finds the empty last one.
inline constexpr int kCapabilitySlots = 45;

// What a DAT_CAPABILITY triplet brings besides its message and data.
struct CapabilityCall {
  twain::TW_UINT16 msg;
  twain::TW_CAPABILITY* capability;  // the application's; a null one is refused with TWCC_BADVALUE
  platform::GlobalMemory& memory;    // where the answered containers are made
  // The application that opened the source: protocol 1.5 and older read every
  // condition code above TWCC_BADDEST as TWCC_BADCAP.
  const twain::TW_IDENTITY& application;
  // The pixel type ICAP_BITDEPTH describes: the recorded type of the picture
  // the next transfer delivers while pictures are pending, else the current
  // ICAP_PIXELTYPE.
  unsigned bitDepthPixelType;
  std::function<void(std::string_view)> writeTrace;  // the source's trace file
  // Whether a document camera is present: asked only for CAP_DEVICEONLINE. None: always online.
  std::function<bool()> deviceOnline{};
};

class CapabilityTable {
 public:
  // Fills the records from the catalogue, pointing at `values`; writes no value.
  void InitializeCaps(StoredValues& values);
  // Empties every slot.
  void FreeCaps();
  // The first record with `capId` in slot order, or null. An empty slot has the id 0.
  CapabilityRecord* FindCapStorageItem(twain::TW_UINT16 capId);

  // MSG_RESETALL: every capability an application may reset takes its
  // default, as MSG_RESET of each would set it; no container is made.
  void ResetAll();

  // Whether the application changed `capId` with MSG_SET since MSG_OPENDS and
  // has not reset it since. The dialog keeps such values instead of the saved
  // settings, so what the application negotiated is what it gets.
  bool SetByApplication(twain::TW_UINT16 capId) const;
  // Puts back what the application set this session (pixel type,
  // orientation, resolution) from `chosen` into `values`, after loading the
  // saved settings has overwritten them.
  void KeepApplicationChoices(const StoredValues& chosen, StoredValues& values) const;

  // Answers one DAT_CAPABILITY triplet: returns the TWRC code and sets
  // `conditionCode` (TWCC_SUCCESS when the triplet succeeds).
  twain::TW_UINT16 HandleCapMessage(const CapabilityCall& call, twain::TW_UINT16& conditionCode);

 private:
  void NoteApplicationChange(const CapabilityRecord& record, bool setByApplication);

  std::array<CapabilityRecord, kCapabilitySlots> slots_{};
  // Per slot: changed by the application's MSG_SET this session.
  std::array<bool, kCapabilitySlots> setByApplication_{};
};

}  // namespace caps
