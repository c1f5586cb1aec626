// The freedesktop trash: files go where a file manager can restore them from.
#include "platform/posix/freedesktop_trash.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "support/bmp_builder.h"
#include "support/temp_dir.h"

namespace platform {
namespace {

using testing_support::ReadFileBytes;

TEST(FreedesktopTrashTest, RecordsEscapeThePathAndGiveTheLocalDeletionTime) {
  std::tm deleted{};
  deleted.tm_year = 126;
  deleted.tm_mon = 11;
  deleted.tm_mday = 9;
  deleted.tm_hour = 7;
  deleted.tm_min = 5;
  deleted.tm_sec = 3;
  EXPECT_EQ(TrashInfoText("/tmp/TAVO/my scan%1é.bmp", deleted),
            "[Trash Info]\nPath=/tmp/TAVO/my%20scan%251%C3%A9.bmp\nDeletionDate=2026-12-09T07:05:03\n");
  EXPECT_EQ(EscapeTrashPath("a-b_c.d!~*'()/e"), "a-b_c.d!~*'()/e");
}

TEST(FreedesktopTrashTest, TheHomeTrashFollowsXdgDataHomeElseHome) {
  {
    testing_support::ScopedEnvironment data("XDG_DATA_HOME", "/data/me");
    EXPECT_EQ(HomeTrashDirectory(), "/data/me/Trash");
  }
  testing_support::ScopedEnvironment relative("XDG_DATA_HOME", "relative");
  testing_support::ScopedEnvironment home("HOME", "/home/me");
  EXPECT_EQ(HomeTrashDirectory(), "/home/me/.local/share/Trash");
}

class HomeTrashTest : public ::testing::Test {
 protected:
  std::string MakeFile(const std::string& folder, const std::string& name, const std::string& bytes) {
    std::filesystem::create_directories(root_.Path() + folder);
    const std::string path = root_.Path() + folder + "/" + name;
    testing_support::WriteBytes(path, bytes);
    return path;
  }
  std::string Trash(const std::string& leaf) const { return root_.Path() + "data/Trash/" + leaf; }

  testing_support::TempDir root_;
  testing_support::ScopedEnvironment data_{"XDG_DATA_HOME", root_.Path() + "data"};
};

TEST_F(HomeTrashTest, AFileMovesIntoTheTrashWithARecordOfWhereItWas) {
  const std::string path = MakeFile("pictures", "twainrgb1.bmp", "picture one");
  ASSERT_TRUE(MoveToFreedesktopTrash(path));
  EXPECT_FALSE(std::filesystem::exists(path));
  EXPECT_EQ(ReadFileBytes(Trash("files/twainrgb1.bmp")), "picture one");
  const std::string record = ReadFileBytes(Trash("info/twainrgb1.bmp.trashinfo"));
  EXPECT_EQ(record.rfind("[Trash Info]\nPath=" + EscapeTrashPath(path) + "\nDeletionDate=", 0), 0U) << record;
}

TEST_F(HomeTrashTest, ASecondFileOfTheSameNameGetsANameOfItsOwn) {
  ASSERT_TRUE(MoveToFreedesktopTrash(MakeFile("a", "twainrgb1.bmp", "first")));
  ASSERT_TRUE(MoveToFreedesktopTrash(MakeFile("b", "twainrgb1.bmp", "second")));
  EXPECT_EQ(ReadFileBytes(Trash("files/twainrgb1.bmp")), "first");
  EXPECT_EQ(ReadFileBytes(Trash("files/twainrgb1.2.bmp")), "second");
  EXPECT_TRUE(std::filesystem::exists(Trash("info/twainrgb1.2.bmp.trashinfo")));
}

TEST_F(HomeTrashTest, ALongPathIsMovedWhole) {
  std::string folder = "deep";
  while (folder.size() < 300) folder += "/a-folder-with-a-long-name";
  const std::string path = MakeFile(folder, "twainbw7.bmp", "long");
  ASSERT_TRUE(MoveToFreedesktopTrash(path));
  EXPECT_NE(ReadFileBytes(Trash("info/twainbw7.bmp.trashinfo")).find(folder + "/twainbw7.bmp"), std::string::npos);
}

TEST_F(HomeTrashTest, AMissingFileOrAnUnusableTrashLeavesEverythingAsItWas) {
  EXPECT_FALSE(MoveToFreedesktopTrash(root_.Path() + "nothing-here.bmp"));
  EXPECT_FALSE(MoveToFreedesktopTrash(""));

  // The home trash's place, on the picture's file system, is taken by a
  // plain file: the picture stays where it was.
  testing_support::WriteBytes(root_.Path() + "blocked", "not a folder");
  testing_support::ScopedEnvironment blocked("XDG_DATA_HOME", root_.Path() + "blocked");
  const std::string path = MakeFile("pictures", "twainrgb2.bmp", "kept");
  EXPECT_FALSE(MoveToFreedesktopTrash(path));
  EXPECT_EQ(ReadFileBytes(path), "kept");
}

}  // namespace
}  // namespace platform
