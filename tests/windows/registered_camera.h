// The virtual camera filter (MervaleCamera.dll) registered as a video input
// device for one test program, playing a scene given as text, and removed
// again afterwards: the other programs of the Wine session expect no camera.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

namespace wine_desktop {

class RegisteredCamera final : public ::testing::Environment {
 public:
  RegisteredCamera(std::string scene, std::wstring filterPath)
      : scene_(std::move(scene)), filterPath_(std::move(filterPath)) {}
  void SetUp() override;
  void TearDown() override;

 private:
  HRESULT Call(const char* name);

  std::string scene_;
  std::wstring filterPath_;
  std::wstring scenePath_;
  HMODULE filterModule_ = nullptr;
};

}  // namespace wine_desktop
