// Plays the application and the source manager around one Source: calls
// DS_Entry as an application does, receives the DAT_NULL notifications,
// answers and records message boxes, and keeps the trace in a test folder.
#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/global_memory.h"
#include "platform/message_box.h"
#include "platform/source_manager_link.h"
#include "support/temp_dir.h"
#include "twain/source.h"

namespace testing_support {

class RecordingMessageBoxes final : public platform::MessageBoxes {
 public:
  int Show(const platform::MessageBoxRequest& request) override {
    shown.push_back(request);
    return platform::DefaultAnswer(request.style);
  }
  std::vector<platform::MessageBoxRequest> shown;
};

struct Notification {
  twain::TW_UINT32 originId;
  twain::TW_UINT32 destinationId;
  twain::TW_UINT16 message;
};

class RecordingSourceManager final : public platform::SourceManagerLink {
 public:
  bool SendNull(twain::TW_IDENTITY& origin, twain::TW_IDENTITY& destination, twain::TW_UINT16 message) override {
    if (!present) return false;
    received.push_back({origin.Id, destination.Id, message});
    return true;
  }
  bool present = true;
  std::vector<Notification> received;
};

// The system's global memory as the source uses it, noting the size asked
// for of each block it allocates. Once a block is handed over to the
// application the port itself knows only the allocator's size of it, which
// may be larger; the note lets a test check what the source asked for.
class NotingGlobalMemory final : public platform::GlobalMemory {
 public:
  platform::MemoryHandle Allocate(std::size_t bytes) override { return Noted(system_.Allocate(bytes), bytes); }
  platform::MemoryHandle Reallocate(platform::MemoryHandle handle, std::size_t bytes) override {
    platform::MemoryHandle moved = system_.Reallocate(handle, bytes);
    if (moved != nullptr) asked_.erase(handle);
    return Noted(moved, bytes);
  }
  void* Lock(platform::MemoryHandle handle) override { return system_.Lock(handle); }
  void Unlock(platform::MemoryHandle handle) override { system_.Unlock(handle); }
  std::size_t Size(platform::MemoryHandle handle) override { return system_.Size(handle); }
  void Free(platform::MemoryHandle handle) override {
    asked_.erase(handle);
    system_.Free(handle);
  }
  void HandOver(platform::MemoryHandle handle) override { system_.HandOver(handle); }

  // The size asked for when the block at `handle` was last allocated; 0 for none.
  std::size_t AskedSize(platform::MemoryHandle handle) const {
    const auto found = asked_.find(handle);
    return found == asked_.end() ? 0 : found->second;
  }

 private:
  platform::MemoryHandle Noted(platform::MemoryHandle handle, std::size_t bytes) {
    if (handle != nullptr) asked_[handle] = bytes;
    return handle;
  }

  platform::GlobalMemory& system_ = platform::SystemGlobalMemory();
  std::map<platform::MemoryHandle, std::size_t> asked_;
};

class SourceHarness {
 public:
  // With the real main dialog on the headless host, or with the user interface `makeUi` makes.
  SourceHarness();
  explicit SourceHarness(const twain::Source::UserInterfaceFactory& makeUi);

  twain::TW_UINT16 Call(twain::TW_UINT32 dg, twain::TW_UINT16 dat, twain::TW_UINT16 msg, void* data);
  twain::TW_UINT16 CallFrom(twain::TW_IDENTITY* origin, twain::TW_UINT32 dg, twain::TW_UINT16 dat, twain::TW_UINT16 msg,
                            void* data);
  // DAT_STATUS / MSG_GET: the condition code the source reports (and clears).
  twain::TW_UINT16 ConditionCode();

  twain::TW_UINT16 Open();    // MSG_OPENDS: state 4
  twain::TW_UINT16 Enable();  // MSG_ENABLEDS with ShowUI TRUE: state 5
  // Stores `count` pictures and submits them: state 6.
  void SubmitPictures(int count);
  // Writes picture `number` into the picture folder and records it as the
  // pipelines do, at the current resolution; returns its path.
  std::string StorePicture(int number, std::uint16_t pixelType, std::int32_t width, std::int32_t height);

  std::string TraceBytes() const { return ReadFileBytes(trace); }
  int State() const { return source->Context().protocolState; }
  std::string LastBoxText() const { return boxes.shown.empty() ? std::string() : boxes.shown.back().text; }

  NotingGlobalMemory memory;
  TempDir folder;
  ScopedEnvironment temporary{"TMPDIR", folder.Path()};  // the picture folder lies in it
  std::string trace;
  RecordingMessageBoxes boxes;
  RecordingSourceManager manager;
  twain::TW_IDENTITY application{};
  twain::TW_IDENTITY managerRecord{};  // the manager's record of the source, with its assigned Id
  std::unique_ptr<twain::Source> source;
};

}  // namespace testing_support
