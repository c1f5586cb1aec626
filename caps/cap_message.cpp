// HandleCapMessage: one DAT_CAPABILITY triplet against the capability table.
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <string>

#include "caps/capability_table.h"
#include "caps/containers.h"
#include "caps/items.h"
#include "platform/diagnostics.h"

namespace caps {

using namespace twain;

namespace {

struct Answer {
  TW_UINT16 result;
  TW_UINT16 conditionCode;
};

constexpr Answer Refused(TW_UINT16 conditionCode) { return {TWRC_FAILURE, conditionCode}; }

// Every answer that builds a container succeeds exactly when the container was made.
Answer Answered(TW_UINT16 makerResult) {
  return {makerResult == TWCC_SUCCESS ? TWRC_SUCCESS : TWRC_FAILURE, makerResult};
}

// The application's protocol is 1.5 or older. A zero identity (no application
// has opened the source since the library was loaded) is no old application.
bool UsesOldConditionCodes(const TW_IDENTITY& application) {
  return application.ProtocolMajor == 1 && application.ProtocolMinor <= 5;
}

// A TWAIN 2 application reads MSG_GET as the values it may choose from, in
// an enumeration even for a switch: a settable one offers both values, a
// read-only one only the value it has.
bool AnswersSwitchAsEnumeration(const CapabilityCall& call, const CapabilityRecord& record) {
  return record.itemType == TWTY_BOOL && record.getContainer == TWON_ONEVALUE &&
         (call.application.SupportedGroups & DF_APP2) != 0;
}

Answer AnswerSwitchAsEnumeration(const CapabilityCall& call, const CapabilityRecord& record) {
  if ((record.operations & TWQC_SET) == 0) {
    return Answered(MakeEnumerationContainer(call.memory, *call.capability, TWTY_BOOL, 1, 0, 0, record.current));
  }
  const std::size_t size = ItemSize(record.itemType);
  const TW_UINT32 currentIndex = ListIndexOf(record.allowed, record.allowedCount, record.current, size);
  const TW_UINT32 defaultIndex = ListIndexOf(record.allowed, record.allowedCount, record.defaults, size);
  return Answered(MakeEnumerationContainer(call.memory, *call.capability, TWTY_BOOL, record.allowedCount, currentIndex,
                                           defaultIndex, record.allowed));
}

// MSG_GET: the answer in the record's get container.
Answer AnswerAllowed(const CapabilityCall& call, const CapabilityRecord& record) {
  if (AnswersSwitchAsEnumeration(call, record)) return AnswerSwitchAsEnumeration(call, record);
  TW_CAPABILITY& capability = *call.capability;
  const std::size_t size = ItemSize(record.itemType);
  switch (record.getContainer) {
    case TWON_ONEVALUE:
      return Answered(MakeOneValueContainer(call.memory, capability, record.itemType, record.current));
    case TWON_ENUMERATION: {
      const TW_UINT32 currentIndex = ListIndexOf(record.allowed, record.allowedCount, record.current, size);
      const TW_UINT32 defaultIndex = ListIndexOf(record.allowed, record.allowedCount, record.defaults, size);
      return Answered(MakeEnumerationContainer(call.memory, capability, record.itemType, record.allowedCount,
                                               currentIndex, defaultIndex, record.allowed));
    }
    case TWON_ARRAY:
      return Answered(
          MakeArrayContainer(call.memory, capability, record.itemType, record.allowedCount, record.allowed));
    case TWON_RANGE:
      return Answered(MakeRangeContainer(call.memory, capability, record.itemType, record.allowed,
                                         record.allowed + size, record.allowed + 2 * size, record.defaults,
                                         record.current));
    default:
      return Refused(TWCC_CAPUNSUPPORTED);
  }
}

// MSG_GETCURRENT, MSG_GETDEFAULT and MSG_RESET: `items` in the record's value container.
Answer AnswerValues(const CapabilityCall& call, const CapabilityRecord& record, TW_UINT32 count,
                    const std::byte* items) {
  switch (record.valueContainer) {
    case TWON_ONEVALUE:
      return Answered(MakeOneValueContainer(call.memory, *call.capability, record.itemType, items));
    case TWON_ARRAY:
      return Answered(MakeArrayContainer(call.memory, *call.capability, record.itemType, count, items));
    default:
      return Refused(TWCC_CAPUNSUPPORTED);
  }
}

std::string Hex(std::byte value) {
  char text[3];
  std::snprintf(text, sizeof text, "%02x", static_cast<unsigned>(value));
  return text;
}

// The two trace lines of a one-value MSG_SET: its item type, its 32-bit item
// and its first five bytes.
std::string DescribeOneValue(std::span<const std::byte> container) {
  TW_UINT16 itemType;
  TW_UINT32 item;
  std::memcpy(&itemType, container.data() + offsetof(TW_ONEVALUE, ItemType), sizeof itemType);
  std::memcpy(&item, container.data() + offsetof(TW_ONEVALUE, Item), sizeof item);
  return "\n  ItemType：" + std::to_string(itemType) + " ItemValue:" + std::to_string(item) + "\n  data( 1- 6)：" +
         Hex(container[0]) + Hex(container[1]) + "  " + Hex(container[2]) + Hex(container[3]) + Hex(container[4]);
}

bool CompatibleItemTypes(TW_UINT16 given, TW_UINT16 expected) {
  if (given == expected) return true;
  // Signed and unsigned 16-bit items are taken for each other.
  return (given == TWTY_INT16 && expected == TWTY_UINT16) || (given == TWTY_UINT16 && expected == TWTY_INT16);
}

// MSG_SET with a one-value container: the item becomes the current value when
// it is one of the allowed items.
Answer SetFromOneValue(const CapabilityCall& call, CapabilityRecord& record) {
  platform::MemoryHandle handle = call.capability->hContainer;
  const void* locked = handle == nullptr ? nullptr : call.memory.Lock(handle);
  if (locked == nullptr) return Refused(TWCC_BADVALUE);
  const std::span container(static_cast<const std::byte*>(locked), call.memory.Size(handle));

  Answer answer = Refused(TWCC_BADVALUE);
  if (container.size() >= sizeof(TW_ONEVALUE)) {
    call.writeTrace(DescribeOneValue(container));
    TW_UINT16 itemType;
    std::memcpy(&itemType, container.data() + offsetof(TW_ONEVALUE, ItemType), sizeof itemType);
    const std::size_t size = ItemSize(record.itemType);
    std::array<std::byte, kMaxItemSize> item{};
    if (CompatibleItemTypes(itemType, record.itemType) && ReadOneValueContainer(container, item.data()) &&
        ListContains(record.allowed, record.allowedCount, item.data(), size)) {
      std::memcpy(record.current, item.data(), size);
      answer = {TWRC_SUCCESS, TWCC_SUCCESS};
    }
  }
  call.memory.Unlock(handle);
  return answer;
}

Answer Set(const CapabilityCall& call, CapabilityRecord& record) {
  switch (call.capability->ConType) {
    case TWON_ENUMERATION:
      // Taken as accepted without being looked at: nothing changes.
      return {TWRC_SUCCESS, TWCC_SUCCESS};
    case TWON_ONEVALUE:
      return SetFromOneValue(call, record);
    default:
      return Refused(TWCC_BADVALUE);
  }
}

void ResetToDefault(CapabilityRecord& record) {
  const TW_UINT32 count = std::min(record.currentCount, record.defaultCount);
  std::memmove(record.current, record.defaults, count * ItemSize(record.itemType));
}

// A read-only capability keeps what it reports (whether a camera is online,
// say): its reset answers the current value.
Answer Reset(const CapabilityCall& call, CapabilityRecord& record) {
  if ((record.operations & TWQC_SET) == 0) return AnswerValues(call, record, record.currentCount, record.current);
  ResetToDefault(record);
  return AnswerValues(call, record, record.defaultCount, record.defaults);
}

// CAP_DEVICEONLINE answers what the capture layer finds now, not a stored value.
void RefreshDeviceOnline(const CapabilityCall& call, CapabilityRecord& record) {
  if (record.capId != CAP_DEVICEONLINE || !call.deviceOnline) return;
  const TW_BOOL online = call.deviceOnline() ? TWAIN_TRUE : TWAIN_FALSE;
  std::memcpy(record.current, &online, sizeof online);
}

Answer HandleRecord(const CapabilityCall& call, CapabilityRecord& record) {
  const auto allows = [&](TW_UINT32 operation) { return (record.operations & operation) != 0; };
  if (call.msg == MSG_GET || call.msg == MSG_GETCURRENT) RefreshDeviceOnline(call, record);
  switch (call.msg) {
    case MSG_GET:
      if (!allows(TWQC_GET)) return Refused(TWCC_CAPBADOPERATION);
      // The source has no feeder to ask: it always reports paper loaded.
      if (record.capId == CAP_FEEDERLOADED) std::memcpy(record.current, &TWAIN_TRUE, sizeof(TW_BOOL));
      return AnswerAllowed(call, record);
    case MSG_GETCURRENT:
      if (!allows(TWQC_GETCURRENT)) return Refused(TWCC_CAPBADOPERATION);
      return AnswerValues(call, record, record.currentCount, record.current);
    case MSG_GETDEFAULT:
      if (!allows(TWQC_GETDEFAULT)) return Refused(TWCC_CAPBADOPERATION);
      return AnswerValues(call, record, record.defaultCount, record.defaults);
    case MSG_SET:
      if (!allows(TWQC_SET)) return Refused(TWCC_CAPBADOPERATION);
      return Set(call, record);
    case MSG_RESET:
      // Only the empty slot has no operation at all.
      if (record.operations == 0) return Refused(TWCC_CAPBADOPERATION);
      return Reset(call, record);
    case MSG_QUERYSUPPORT: {
      std::byte operations[sizeof(TW_UINT32)];
      std::memcpy(operations, &record.operations, sizeof operations);
      return Answered(MakeOneValueContainer(call.memory, *call.capability, TWTY_INT32, operations));
    }
    default:  // MSG_GETFIRST, MSG_GETNEXT and anything else
      return Refused(TWCC_CAPUNSUPPORTED);
  }
}

}  // namespace

TW_UINT16 BitDepthRecordId(unsigned pixelType) {
  const unsigned recorded = pixelType == kPixelTypeColourAndBlackWhite ? TWPT_RGB : pixelType;
  return static_cast<TW_UINT16>(kBitDepthCapBase + recorded);
}

void CapabilityTable::ResetAll() {
  for (CapabilityRecord& record : slots_) {
    if ((record.operations & TWQC_SET) != 0) ResetToDefault(record);
  }
  setByApplication_ = {};
}

TW_UINT16 CapabilityTable::HandleCapMessage(const CapabilityCall& call, TW_UINT16& conditionCode) {
  if (call.capability == nullptr) {
    conditionCode = TWCC_BADVALUE;
    return TWRC_FAILURE;
  }
  TW_UINT16 capId = call.capability->Cap;
  if (capId == ICAP_BITDEPTH) {
    // Answered by the bit-depth record of the next picture's pixel type; the
    // application's own TW_CAPABILITY keeps its Cap.
    capId = BitDepthRecordId(call.bitDepthPixelType);
    platform::DebugOutput("HandleCapMessage: detected BitDepth special case.\n");
  }

  CapabilityRecord* record = FindCapStorageItem(capId);
  const Answer answer = record == nullptr ? Refused(TWCC_CAPUNSUPPORTED) : HandleRecord(call, *record);
  if (answer.result == TWRC_SUCCESS) {
    // Only a one-value MSG_SET changes the value; an enumeration is taken without being applied.
    if (call.msg == MSG_SET && call.capability->ConType == TWON_ONEVALUE) NoteApplicationChange(*record, true);
    if (call.msg == MSG_RESET) NoteApplicationChange(*record, false);
  }

  conditionCode = answer.conditionCode;
  if (UsesOldConditionCodes(call.application) && conditionCode > TWCC_BADDEST) conditionCode = TWCC_BADCAP;
  return answer.result;
}

}  // namespace caps
