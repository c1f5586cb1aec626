// A shell that records what it was asked to do. Trashing removes the file
// (or refuses, when told to), so a test sees the picture go as a user would.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "platform/shell.h"

namespace testing_support {

class RecordingShell final : public platform::Shell {
 public:
  bool OpenFile(const std::string& path) override {
    opened.push_back(path);
    return true;
  }
  bool MoveToTrash(const std::string& path) override {
    trashRequests.push_back(path);
    return !refuseTrash && std::remove(path.c_str()) == 0;
  }

  std::vector<std::string> opened;
  std::vector<std::string> trashRequests;
  bool refuseTrash = false;
};

}  // namespace testing_support
