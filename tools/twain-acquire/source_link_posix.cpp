// Linux: the source is loaded directly and this program is its manager. The
// source finds DSM_Entry among this program's exports and sends its
// notifications there. While it waits, the program runs an application's
// message loop: without a desktop there are no events, so every ~10 ms it
// passes the source an idle one, which gives the source's dialogs their turn
// (their timers, and the scripted user of the headless dialog host).
#include <dlfcn.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <mutex>

#include "platform/dialog.h"
#include "source_link.h"

using namespace twain;

namespace {

std::mutex notificationMutex;
std::condition_variable notificationArrived;
std::deque<TW_UINT16> notifications;

// How often the loop passes an idle event while nothing else happens.
constexpr auto kLoopTurn = std::chrono::milliseconds(10);

std::optional<TW_UINT16> TakeNotification() {
  std::lock_guard lock(notificationMutex);
  if (notifications.empty()) return std::nullopt;
  const TW_UINT16 message = notifications.front();
  notifications.pop_front();
  return message;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) TW_UINT16 DSM_Entry(TW_IDENTITY*, TW_IDENTITY*, TW_UINT32 dg,
                                                                      TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF) {
  if (dg != DG_CONTROL || dat != DAT_NULL) return TWRC_FAILURE;
  {
    std::lock_guard lock(notificationMutex);
    notifications.push_back(msg);
  }
  notificationArrived.notify_all();
  return TWRC_SUCCESS;
}

namespace acquire_tool {
namespace {

using DsEntryProc = TW_UINT16 (*)(TW_IDENTITY*, TW_UINT32, TW_UINT16, TW_UINT16, TW_MEMREF);

class PosixSourceLink final : public SourceLink {
 public:
  explicit PosixSourceLink(std::string path) : path_(std::move(path)) {}
  ~PosixSourceLink() override { Close(); }

  bool Open(TW_IDENTITY& application, std::string& error) override {
    module_ = dlopen(path_.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (module_ == nullptr) {
      error = dlerror();
      return false;
    }
    entry_ = reinterpret_cast<DsEntryProc>(dlsym(module_, "DS_Entry"));
    if (entry_ == nullptr) {
      error = path_ + " does not export DS_Entry";
      return false;
    }
    application.Id = 1;  // the manager's number for this application
    application_ = application;
    if (entry_(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_GET, &source_) != TWRC_SUCCESS) {
      error = "the source did not tell its identity";
      return false;
    }
    source_.Id = 2;  // the manager's number for the source
    if (Call(DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &source_) != TWRC_SUCCESS) {
      error = "the source refused MSG_OPENDS";
      return false;
    }
    opened_ = true;
    return true;
  }

  const TW_IDENTITY& SourceIdentity() const override { return source_; }

  TW_UINT16 Call(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, void* data) override {
    TW_IDENTITY origin = application_;  // managers pass a copy of the application's identity
    const TW_UINT16 rc = entry_(&origin, dg, dat, msg, data);
    if (dg == DG_CONTROL && dat == DAT_USERINTERFACE && rc == TWRC_SUCCESS) {
      enabled_ = msg == MSG_ENABLEDS || msg == MSG_ENABLEDSUIONLY || (enabled_ && msg != MSG_DISABLEDS);
    }
    return rc;
  }

  std::optional<TW_UINT16> WaitForNotification(unsigned milliseconds) override {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    for (;;) {
      if (auto notification = TakeNotification()) return notification;
      // Events go to a source in states 5 to 7 only, as a source manager passes them.
      if (enabled_) {
        platform::WindowMessage idle{nullptr, platform::kWmNull, 0, 0};
        TW_EVENT event{&idle, MSG_NULL};
        Call(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event);
        if (event.TWMessage == MSG_XFERREADY || event.TWMessage == MSG_CLOSEDSREQ) return event.TWMessage;
        if (auto notification = TakeNotification()) return notification;
      }
      const auto now = std::chrono::steady_clock::now();
      if (now >= end) return std::nullopt;
      std::unique_lock lock(notificationMutex);
      notificationArrived.wait_for(lock, std::min<std::chrono::steady_clock::duration>(kLoopTurn, end - now),
                                   [] { return !notifications.empty(); });
    }
  }

  // The Linux convention: a handle is the block's address, allocated zeroed.
  TW_HANDLE Allocate(std::size_t bytes) override { return std::calloc(bytes, 1); }
  void* Lock(TW_HANDLE handle) override { return handle; }
  void Unlock(TW_HANDLE) override {}
  void Free(TW_HANDLE handle) override { std::free(handle); }

  void Close() override {
    if (opened_) Call(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &source_);
    opened_ = false;
    if (module_ != nullptr) dlclose(module_);
    module_ = nullptr;
  }

 private:
  std::string path_;
  void* module_ = nullptr;
  DsEntryProc entry_ = nullptr;
  TW_IDENTITY application_{};
  TW_IDENTITY source_{};
  bool opened_ = false;
  bool enabled_ = false;  // states 5 to 7: between MSG_ENABLEDS and MSG_DISABLEDS
};

}  // namespace

std::unique_ptr<SourceLink> MakeSourceLink(const std::string& sourcePath) {
  return std::make_unique<PosixSourceLink>(sourcePath);
}

}  // namespace acquire_tool
