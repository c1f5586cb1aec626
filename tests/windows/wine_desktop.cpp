#include "wine_desktop.h"

#include <cstdio>
#include <cstdlib>

namespace wine_desktop {

BoxWatchdog::BoxWatchdog(std::vector<std::wstring> captions)
    : captions_(std::move(captions)), thread_([this] { Run(); }) {}

BoxWatchdog::~BoxWatchdog() {
  stop_ = true;
  thread_.join();
}

std::vector<AnsweredBox> BoxWatchdog::Answered() {
  std::lock_guard lock(mutex_);
  return answered_;
}

void BoxWatchdog::Run() {
  while (!stop_) {
    for (const std::wstring& caption : captions_) {
      HWND box = FindWindowW(L"#32770", caption.c_str());
      if (box == nullptr) continue;
      {
        std::lock_guard lock(mutex_);
        answered_.push_back({caption, WindowText(GetDlgItem(box, 0xFFFF))});
      }
      PostMessageW(box, WM_COMMAND, IDOK, 0);
      // Wait for the box to go before looking again, so it is counted once.
      for (int i = 0; i < 100 && IsWindow(box); ++i) Sleep(20);
    }
    Sleep(30);
  }
}

void Pump(DWORD milliseconds) {
  const DWORD end = GetTickCount() + milliseconds;
  while (static_cast<LONG>(end - GetTickCount()) > 0) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
    Sleep(10);
  }
}

bool SaveScreenshot(const std::wstring& path) {
  HDC screen = GetDC(nullptr);
  const int width = GetSystemMetrics(SM_CXSCREEN);
  const int height = GetSystemMetrics(SM_CYSCREEN);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
  SelectObject(memory, old);

  BITMAPINFOHEADER info{};
  info.biSize = sizeof info;
  info.biWidth = width;
  info.biHeight = height;
  info.biPlanes = 1;
  info.biBitCount = 24;
  const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
  std::vector<unsigned char> pixels(stride * static_cast<DWORD>(height));
  GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), pixels.data(), reinterpret_cast<BITMAPINFO*>(&info),
            DIB_RGB_COLORS);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);

  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof info;
  file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
  FILE* out = _wfopen(path.c_str(), L"wb");
  if (out == nullptr) return false;
  std::fwrite(&file, sizeof file, 1, out);
  std::fwrite(&info, sizeof info, 1, out);
  std::fwrite(pixels.data(), 1, pixels.size(), out);
  return std::fclose(out) == 0;
}

std::wstring OutputFolder() {
  const wchar_t* folder = _wgetenv(L"MERVALE_TEST_OUTPUT");
  std::wstring path = folder != nullptr ? folder : L".";
  if (path.back() != L'\\' && path.back() != L'/') path += L'\\';
  return path;
}

std::wstring WindowText(HWND window) {
  wchar_t text[512] = L"";
  GetWindowTextW(window, text, 512);
  return text;
}

HWND WaitForWindow(const wchar_t* title, DWORD milliseconds) {
  const DWORD end = GetTickCount() + milliseconds;
  do {
    HWND window = FindWindowW(L"#32770", title);
    if (window != nullptr && IsWindowVisible(window)) return window;
    Sleep(50);
  } while (static_cast<LONG>(end - GetTickCount()) > 0);
  return nullptr;
}

bool WaitForText(HWND control, const std::wstring& text, DWORD milliseconds) {
  const DWORD end = GetTickCount() + milliseconds;
  do {
    if (WindowText(control) == text) return true;
    Sleep(50);
  } while (static_cast<LONG>(end - GetTickCount()) > 0);
  return false;
}

}  // namespace wine_desktop
