// Windows: the application's side of the source manager. TWAINDSM.DLL is
// preferred (the only manager of 64-bit applications); TWAIN_32.DLL is the
// classic one of 32-bit applications.
#include <windows.h>

#include <cstring>

#include "source_link.h"

using namespace twain;

namespace acquire_tool {
namespace {

class Win32SourceLink final : public SourceLink {
 public:
  ~Win32SourceLink() override { Close(); }

  bool Open(TW_IDENTITY& application, std::string& error) override {
    for (const wchar_t* name : {L"TWAINDSM.DLL", L"TWAIN_32.DLL"}) {
      if ((manager_ = LoadLibraryW(name)) != nullptr) break;
    }
    if (manager_ == nullptr) {
      error = "no TWAIN source manager is installed";
      return false;
    }
    entry_ = reinterpret_cast<DSMENTRYPROC>(reinterpret_cast<void*>(GetProcAddress(manager_, "DSM_Entry")));
    window_ = CreateWindowExW(0, L"STATIC", L"twain-acquire", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                              nullptr, nullptr);
    application_ = application;
    if (entry_ == nullptr || Manager(DAT_PARENT, MSG_OPENDSM, &window_) != TWRC_SUCCESS) {
      error = "the source manager could not be opened";
      return false;
    }
    managerOpen_ = true;
    if (!FindSource() || Manager(DAT_IDENTITY, MSG_OPENDS, &source_) != TWRC_SUCCESS ||
        std::strcmp(source_.ProductName, "MervaleTwain") != 0) {
      error = "the source MervaleTwain is not installed or could not be opened";
      return false;
    }
    sourceOpen_ = true;
    return true;
  }

  const TW_IDENTITY& SourceIdentity() const override { return source_; }

  TW_UINT16 Call(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, void* data) override {
    return entry_(&application_, &source_, dg, dat, msg, data);
  }

  std::optional<TW_UINT16> WaitForNotification(unsigned milliseconds) override {
    const DWORD end = GetTickCount() + milliseconds;
    while (static_cast<LONG>(end - GetTickCount()) > 0) {
      MSG message;
      while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TW_EVENT event{&message, MSG_NULL};
        const TW_UINT16 rc = Call(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event);
        if (event.TWMessage == MSG_XFERREADY || event.TWMessage == MSG_CLOSEDSREQ) return event.TWMessage;
        if (rc == TWRC_NOTDSEVENT) {
          TranslateMessage(&message);
          DispatchMessageW(&message);
        }
      }
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return std::nullopt;
  }

  TW_HANDLE Allocate(std::size_t bytes) override { return GlobalAlloc(GHND, bytes); }
  void* Lock(TW_HANDLE handle) override { return GlobalLock(handle); }
  void Unlock(TW_HANDLE handle) override { GlobalUnlock(handle); }
  void Free(TW_HANDLE handle) override { GlobalFree(handle); }

  void Close() override {
    if (sourceOpen_) Manager(DAT_IDENTITY, MSG_CLOSEDS, &source_);
    if (managerOpen_) Manager(DAT_PARENT, MSG_CLOSEDSM, &window_);
    sourceOpen_ = managerOpen_ = false;
    if (window_ != nullptr) DestroyWindow(window_);
    window_ = nullptr;
    if (manager_ != nullptr) FreeLibrary(manager_);
    manager_ = nullptr;
  }

 private:
  TW_UINT16 Manager(TW_UINT16 dat, TW_UINT16 msg, void* data) {
    return entry_(&application_, nullptr, DG_CONTROL, dat, msg, data);
  }

  bool FindSource() {
    TW_IDENTITY listed{};
    for (TW_UINT16 rc = Manager(DAT_IDENTITY, MSG_GETFIRST, &listed); rc == TWRC_SUCCESS;
         rc = Manager(DAT_IDENTITY, MSG_GETNEXT, &listed)) {
      if (std::strcmp(listed.ProductName, "MervaleTwain") == 0) {
        source_ = listed;
        return true;
      }
    }
    return false;
  }

  HMODULE manager_ = nullptr;
  DSMENTRYPROC entry_ = nullptr;
  HWND window_ = nullptr;
  TW_IDENTITY application_{};
  TW_IDENTITY source_{};
  bool managerOpen_ = false;
  bool sourceOpen_ = false;
};

}  // namespace

std::unique_ptr<SourceLink> MakeSourceLink(const std::string&) { return std::make_unique<Win32SourceLink>(); }

}  // namespace acquire_tool
