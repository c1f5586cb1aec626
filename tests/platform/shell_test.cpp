// The system shell on Linux: "open" hands the file to xdg-open, whatever its
// name holds, without waiting for the viewer.
#include "platform/shell.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "support/bmp_builder.h"
#include "support/temp_dir.h"

namespace platform {
namespace {

TEST(PosixShellTest, OpenGivesThePathToXdgOpenAsOneArgument) {
  testing_support::TempDir folder;
  const std::string seen = folder.File("seen.txt");
  // A stand-in xdg-open that writes down the argument it was given.
  const std::string fake = folder.File("xdg-open");
  testing_support::WriteBytes(
      fake, "#!/bin/sh\nprintf '%s' \"$1\" > '" + seen + ".part' && mv '" + seen + ".part' '" + seen + "'\n");
  ::chmod(fake.c_str(), 0700);
  testing_support::ScopedEnvironment path("PATH", folder.Path() + ":/usr/bin:/bin");

  const std::string picture = folder.File("my scan; $(touch " + folder.File("bad") + ") 'one'.bmp");
  ASSERT_TRUE(SystemShell().OpenFile(picture));
  for (int i = 0; i < 500 && !std::filesystem::exists(seen); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_EQ(testing_support::ReadFileBytes(seen), picture);
  EXPECT_FALSE(std::filesystem::exists(folder.File("bad")));
  EXPECT_FALSE(SystemShell().OpenFile(""));
}

}  // namespace
}  // namespace platform
