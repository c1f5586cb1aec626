// Bitmap files on a disk that fills up, and links and FIFOs where a
// picture's file should be.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "imaging/bmp_file.h"
#include "imaging/picture_file.h"
#include "picture_helpers.h"
#include "support/full_disk.h"
#include "support/temp_dir.h"

namespace {

using namespace imaging;
using imaging_testing::MarkedPicture;
using testing_support::ReadFileBytes;
using testing_support::TempDir;

// A full disk never leaves a cut file under the picture's name: what the
// name held before stays, and no temporary is left behind.
TEST(SaveBmp, AFileThatCannotBeWrittenWholeLeavesTheOldOneAndNoTemporary) {
  const TempDir dir;
  const std::string path = dir.File("p.bmp");
  ASSERT_TRUE(SaveBmp(MarkedPicture(4, 4, 24), path));
  const std::string before = ReadFileBytes(path);
  {
    const testing_support::ScopedFullDisk disk(2000);
    EXPECT_FALSE(SaveBmp(MarkedPicture(100, 100, 24), path));
    EXPECT_FALSE(SaveBmp(MarkedPicture(100, 100, 24), dir.File("new.bmp")));
  }
  EXPECT_EQ(ReadFileBytes(path), before);
  EXPECT_FALSE(std::filesystem::exists(dir.File("new.bmp")));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
  ASSERT_TRUE(SaveBmp(MarkedPicture(100, 100, 24), path));
  EXPECT_EQ(LoadBmp(path).Width(), 100);
}

// Links and FIFOs in a picture's place are neither followed, nor waited on,
// nor replaced.
TEST(SaveBmp, NothingButAPlainFileIsReadOrReplaced) {
  const TempDir dir;
  const std::string target = dir.File("target.bmp");
  ASSERT_TRUE(SaveBmp(MarkedPicture(3, 3, 24), target));
  const std::string targetBytes = ReadFileBytes(target);
  const std::string link = dir.File("link.bmp");
  const std::string fifo = dir.File("fifo.bmp");
  std::filesystem::create_symlink(target, link);
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  for (const std::string& path : {link, fifo}) {
    EXPECT_TRUE(LoadBmp(path).Empty()) << path;
    EXPECT_TRUE(LoadPicture(path).Empty()) << path;
    EXPECT_FALSE(SaveBmp(MarkedPicture(5, 5, 24), path)) << path;
  }
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_TRUE(std::filesystem::is_fifo(fifo));
  EXPECT_EQ(ReadFileBytes(target), targetBytes);
  // A temporary of a link's name planted beforehand is not written through either.
  std::filesystem::create_symlink(target, dir.File("next.bmp.part"));
  ASSERT_TRUE(SaveBmp(MarkedPicture(5, 5, 24), dir.File("next.bmp")));
  EXPECT_EQ(ReadFileBytes(target), targetBytes);
  EXPECT_FALSE(std::filesystem::exists(dir.File("next.bmp.part")));
}

}  // namespace
