#include "twain_application.h"

#include <cstring>

namespace wine_desktop {

using namespace twain;

TwainApplication::TwainApplication(const char* productName) {
  manager_ = LoadLibraryW(L"twain_32.dll");
  if (manager_ == nullptr) return;
  entry_ = reinterpret_cast<DSMENTRYPROC>(reinterpret_cast<void*>(GetProcAddress(manager_, "DSM_Entry")));
  window_ = CreateWindowExW(0, L"STATIC", L"Test application", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr, nullptr,
                            nullptr, nullptr);
  if (entry_ == nullptr || window_ == nullptr) return;
  application_.Version.MajorNum = 1;
  application_.ProtocolMajor = 1;
  application_.ProtocolMinor = 8;
  application_.SupportedGroups = DG_CONTROL | DG_IMAGE;
  std::strcpy(application_.Manufacturer, "Mervale tests");
  std::strcpy(application_.ProductFamily, "Tests");
  std::strncpy(application_.ProductName, productName, sizeof application_.ProductName - 1);
  managerOpen_ = Manager(DAT_PARENT, MSG_OPENDSM, &window_) == TWRC_SUCCESS;
}

TwainApplication::~TwainApplication() {
  if (enabled_) Disable();
  if (sourceOpen_) CloseSource();
  if (managerOpen_) Manager(DAT_PARENT, MSG_CLOSEDSM, &window_);
  if (window_ != nullptr) DestroyWindow(window_);
}

bool TwainApplication::FindSource() {
  for (TW_UINT16 rc = Manager(DAT_IDENTITY, MSG_GETFIRST, &source_); rc == TWRC_SUCCESS;
       rc = Manager(DAT_IDENTITY, MSG_GETNEXT, &source_)) {
    if (std::strcmp(source_.ProductName, "MervaleTwain") == 0) return true;
  }
  return false;
}

bool TwainApplication::OpenSource() {
  if (!FindSource()) return false;
  sourceOpen_ = Manager(DAT_IDENTITY, MSG_OPENDS, &source_) == TWRC_SUCCESS;
  return sourceOpen_;
}

TW_UINT16 TwainApplication::Enable() {
  TW_USERINTERFACE ui{1, 0, window_};
  const TW_UINT16 rc = Control(DAT_USERINTERFACE, MSG_ENABLEDS, &ui);
  enabled_ = rc == TWRC_SUCCESS;
  return rc;
}

TW_UINT16 TwainApplication::Disable() {
  TW_USERINTERFACE ui{1, 0, window_};
  enabled_ = false;
  return Control(DAT_USERINTERFACE, MSG_DISABLEDS, &ui);
}

TW_UINT16 TwainApplication::CloseSource() {
  sourceOpen_ = false;
  return Manager(DAT_IDENTITY, MSG_CLOSEDS, &source_);
}

TW_UINT16 TwainApplication::Manager(TW_UINT16 dat, TW_UINT16 msg, void* data) {
  return entry_(&application_, nullptr, DG_CONTROL, dat, msg, data);
}

TW_UINT16 TwainApplication::Control(TW_UINT16 dat, TW_UINT16 msg, void* data) {
  return entry_(&application_, &source_, DG_CONTROL, dat, msg, data);
}

TW_UINT16 TwainApplication::Image(TW_UINT16 dat, TW_UINT16 msg, void* data) {
  return entry_(&application_, &source_, DG_IMAGE, dat, msg, data);
}

TW_UINT16 TwainApplication::SetOneValue(TW_UINT16 cap, TW_UINT16 itemType, TW_UINT32 value) {
  TW_CAPABILITY capability{cap, TWON_ONEVALUE, GlobalAlloc(GHND, sizeof(TW_ONEVALUE))};
  auto* one = static_cast<TW_ONEVALUE*>(GlobalLock(capability.hContainer));
  one->ItemType = itemType;
  one->Item = value;
  GlobalUnlock(capability.hContainer);
  const TW_UINT16 rc = Control(DAT_CAPABILITY, MSG_SET, &capability);
  GlobalFree(capability.hContainer);
  return rc;
}

int TwainApplication::CurrentValue(TW_UINT16 cap) {
  TW_CAPABILITY capability{cap, TWON_DONTCARE16, nullptr};
  if (Control(DAT_CAPABILITY, MSG_GETCURRENT, &capability) != TWRC_SUCCESS) return -1;
  int value = -1;
  if (capability.ConType == TWON_ONEVALUE) {
    TW_ONEVALUE one{};
    std::memcpy(&one, GlobalLock(capability.hContainer), sizeof one);
    GlobalUnlock(capability.hContainer);
    value = static_cast<TW_UINT16>(one.Item);
  }
  GlobalFree(capability.hContainer);
  return value;
}

bool TwainApplication::WaitFor(TW_UINT16 wanted, DWORD milliseconds) {
  const DWORD end = GetTickCount() + milliseconds;
  while (static_cast<LONG>(end - GetTickCount()) > 0) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TW_EVENT event{&message, MSG_NULL};
      const TW_UINT16 rc = Control(DAT_EVENT, MSG_PROCESSEVENT, &event);
      if (event.TWMessage == wanted) return true;
      if (rc == TWRC_NOTDSEVENT) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
      }
    }
    Sleep(10);
  }
  return false;
}

}  // namespace wine_desktop
