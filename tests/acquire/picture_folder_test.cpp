// The picture folder belongs to the user alone: where it lies, and what
// happens when someone else's folder, a link or an open folder is in its place.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <optional>

#include "acquire/picture_files.h"
#include "support/bmp_builder.h"
#include "support/temp_dir.h"

namespace {

using testing_support::ScopedEnvironment;
namespace fs = std::filesystem;

class PictureFolderTest : public ::testing::Test {
 protected:
  static fs::perms Permissions(const std::string& path) { return fs::status(path).permissions() & fs::perms::all; }

  testing_support::TempDir temp_;
  ScopedEnvironment tmp_{"TMPDIR", temp_.Path()};
  std::string usual_ = temp_.File("TAVO");
};

TEST_F(PictureFolderTest, IsMadePrivateInTheTemporaryDirectory) {
  EXPECT_EQ(acquire::PictureFolder(), usual_ + "/");
  EXPECT_EQ(Permissions(usual_), fs::perms::owner_all);
  // A folder of the user's that others may read is made private and kept.
  fs::permissions(usual_, fs::perms::owner_all | fs::perms::group_read | fs::perms::others_exec);
  EXPECT_EQ(acquire::PictureFolder(), usual_ + "/");
  EXPECT_EQ(Permissions(usual_), fs::perms::owner_all);
}

TEST_F(PictureFolderTest, AMissingTemporaryDirectoryIsMade) {
  const ScopedEnvironment deeper("TMPDIR", temp_.File("not/yet"));
  EXPECT_EQ(acquire::PictureFolder(), temp_.File("not/yet/TAVO/"));
  EXPECT_EQ(Permissions(temp_.File("not/yet/TAVO")), fs::perms::owner_all);
}

TEST_F(PictureFolderTest, ALinkOrAFolderOthersMayWriteIsNeverUsed) {
  const std::string elsewhere = temp_.File("elsewhere");
  fs::create_directory(elsewhere);
  fs::create_directory_symlink(elsewhere, usual_);
  const std::string fresh = acquire::PictureFolder();
  EXPECT_NE(fresh, usual_ + "/");
  EXPECT_EQ(fresh.rfind(usual_ + "-", 0), 0u);
  EXPECT_TRUE(fs::is_directory(fresh));
  EXPECT_FALSE(fs::is_symlink(fresh.substr(0, fresh.size() - 1)));
  EXPECT_EQ(Permissions(fresh), fs::perms::owner_all);
  // The same fresh folder for the rest of the process, and the link's target stays empty.
  EXPECT_EQ(acquire::PictureFolder(), fresh);
  EXPECT_TRUE(fs::is_empty(elsewhere));

  fs::remove(usual_);
  fs::create_directory(usual_);
  fs::permissions(usual_, fs::perms::all);
  const std::string instead = acquire::PictureFolder();
  EXPECT_NE(instead, usual_ + "/");
  EXPECT_EQ(Permissions(usual_), fs::perms::all);  // someone else's choice, left as it is
  EXPECT_EQ(Permissions(instead), fs::perms::owner_all);
}

TEST_F(PictureFolderTest, APlainFileInItsPlaceIsNotUsedEither) {
  testing_support::WriteBytes(usual_, "planted");
  const std::string instead = acquire::PictureFolder();
  EXPECT_NE(instead, usual_ + "/");
  EXPECT_TRUE(fs::is_directory(instead));
  EXPECT_TRUE(fs::is_regular_file(usual_));
}

TEST_F(PictureFolderTest, WithoutTmpdirTheRuntimeDirectoryOrElseAFolderOfTheUsersOwnInTmp) {
  const ScopedEnvironment noTmp("TMPDIR", std::nullopt);
  {
    const ScopedEnvironment runtime("XDG_RUNTIME_DIR", temp_.Path());
    EXPECT_EQ(acquire::PictureFolder(), usual_ + "/");
  }
  const ScopedEnvironment noRuntime("XDG_RUNTIME_DIR", std::nullopt);
  const std::string own = "/tmp/TAVO-" + std::to_string(::geteuid());
  const bool existed = fs::exists(own);
  const std::string folder = acquire::PictureFolder();
  // Another user's folder of that name (or a link) gives a fresh one beside it.
  EXPECT_EQ(folder.rfind(own, 0), 0u);
  EXPECT_EQ(Permissions(folder), fs::perms::owner_all);
  if (!existed && folder == own + "/") ::rmdir(own.c_str());
}

}  // namespace
