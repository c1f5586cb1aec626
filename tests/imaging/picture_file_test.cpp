// Picture files through the platform's codecs: round trips of each format
// and depth, recognition by content and by name, and damaged files.
#include "imaging/picture_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <ostream>
#include <string>
#include <vector>

#include "imaging/bmp_file.h"
#include "picture_helpers.h"
#include "support/temp_dir.h"

namespace {

using namespace imaging;
using imaging_testing::BytesOf;
using imaging_testing::MarkedPicture;
using testing_support::ReadFileBytes;
using testing_support::TempDir;

void WriteBytes(const std::string& path, const std::string& bytes) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  ASSERT_NE(file, nullptr);
  std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::fclose(file);
}

Picture WithDpi(Picture picture, int x, int y) {
  picture.SetDpiX(x);
  picture.SetDpiY(y);
  return picture;
}

struct LosslessCase {
  PictureFormat format;
  const char* name;
  int bits;
};

void PrintTo(const LosslessCase& c, std::ostream* out) { *out << c.name << ", " << c.bits << " bits"; }

class LosslessRoundTrip : public testing::TestWithParam<LosslessCase> {};

TEST_P(LosslessRoundTrip, KeepsPixelsDepthPaletteAndDpi) {
  const TempDir dir;
  const Picture picture = WithDpi(MarkedPicture(37, 11, GetParam().bits), 200, 300);
  ASSERT_TRUE(SavePicture(picture, dir.File(GetParam().name), GetParam().format));
  const Picture loaded = LoadPicture(dir.File(GetParam().name));
  ASSERT_FALSE(loaded.Empty());
  EXPECT_EQ(loaded.BitsPerPixel(), GetParam().bits);
  EXPECT_EQ(loaded.Width(), 37);
  EXPECT_EQ(loaded.Height(), 11);
  EXPECT_EQ(loaded.Palette(), picture.Palette());
  EXPECT_EQ(loaded.DpiX(), 200);
  EXPECT_EQ(loaded.DpiY(), 300);
  EXPECT_EQ(BytesOf(loaded), BytesOf(picture));
}

INSTANTIATE_TEST_SUITE_P(
    Formats, LosslessRoundTrip,
    testing::Values(LosslessCase{PictureFormat::Png, "a.png", 24}, LosslessCase{PictureFormat::Png, "a.png", 8},
                    LosslessCase{PictureFormat::Png, "a.png", 1}, LosslessCase{PictureFormat::Tiff, "a.tif", 24},
                    LosslessCase{PictureFormat::Tiff, "a.tif", 8}, LosslessCase{PictureFormat::Tiff, "a.tif", 1},
                    LosslessCase{PictureFormat::Bmp, "a.bmp", 8}));

TEST(PictureFile, PalettesOtherThanGreyAndBlackWhiteSurviveLosslessFormats) {
  const TempDir dir;
  Picture picture = MarkedPicture(9, 4, 1);
  picture.SetPalette({Rgb{10, 20, 30}, Rgb{200, 100, 50}});
  for (const char* name : {"p.png", "p.tif"}) {
    ASSERT_TRUE(SavePicture(picture, dir.File(name), PictureFormat::Recognise));
    const Picture loaded = LoadPicture(dir.File(name));
    ASSERT_FALSE(loaded.Empty()) << name;
    for (int x = 0; x < 9; ++x) EXPECT_EQ(loaded.GetPixel(x, 2), picture.GetPixel(x, 2)) << name;
  }
}

TEST(PictureFile, JpegRoundTripIsCloseAndKeepsGreyAsGrey) {
  const TempDir dir;
  Picture colour(64, 48, 24);
  for (int y = 0; y < 48; ++y) {
    for (int x = 0; x < 64; ++x)
      colour.SetPixel(x, y, Rgb{static_cast<std::uint8_t>(x * 4), 128, static_cast<std::uint8_t>(y * 5)});
  }
  colour.SetDpiX(200);
  colour.SetDpiY(200);
  ASSERT_TRUE(SavePicture(colour, dir.File("c.jpg"), PictureFormat::Jpeg));
  const Picture loaded = LoadPicture(dir.File("c.jpg"));
  ASSERT_EQ(loaded.BitsPerPixel(), 24);
  ASSERT_EQ(loaded.Width(), 64);
  EXPECT_EQ(loaded.DpiX(), 200);
  for (const auto& [x, y] : {std::pair{5, 5}, std::pair{40, 30}, std::pair{63, 0}}) {
    EXPECT_NEAR(loaded.GetPixel(x, y).red, colour.GetPixel(x, y).red, 8) << x << "," << y;
    EXPECT_NEAR(loaded.GetPixel(x, y).blue, colour.GetPixel(x, y).blue, 8) << x << "," << y;
  }

  Picture grey = MarkedPicture(16, 16, 8);
  ASSERT_TRUE(SavePicture(grey, dir.File("g.jpeg"), PictureFormat::Recognise));
  EXPECT_EQ(LoadPicture(dir.File("g.jpeg")).BitsPerPixel(), 8);
  Picture bw = MarkedPicture(16, 16, 1);
  ASSERT_TRUE(SavePicture(bw, dir.File("b.jpg"), PictureFormat::Jpeg));
  EXPECT_EQ(LoadPicture(dir.File("b.jpg")).BitsPerPixel(), 8);  // JPEG holds it as grey
}

TEST(PictureFile, ContentDecidesOverTheName) {
  const TempDir dir;
  const Picture picture = MarkedPicture(5, 4, 24);
  ASSERT_TRUE(SavePicture(picture, dir.File("png-named.bmp"), PictureFormat::Png));
  EXPECT_EQ(ReadFileBytes(dir.File("png-named.bmp")).substr(1, 3), "PNG");
  EXPECT_EQ(BytesOf(LoadPicture(dir.File("png-named.bmp"))), BytesOf(picture));
  ASSERT_TRUE(SaveBmp(picture, dir.File("bmp-named.jpg")));
  EXPECT_EQ(BytesOf(LoadPicture(dir.File("bmp-named.jpg"))), BytesOf(picture));
  // A format given explicitly is used as given.
  EXPECT_TRUE(LoadPicture(dir.File("bmp-named.jpg"), PictureFormat::Jpeg).Empty());
}

TEST(PictureFile, FormatsFromContentAndExtension) {
  const auto content = [](std::string bytes) {
    return FormatFromContent(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
  };
  EXPECT_EQ(content("BM...."), PictureFormat::Bmp);
  EXPECT_EQ(content("\x89PNG\r\n\x1a\n"), PictureFormat::Png);
  EXPECT_EQ(content("\xFF\xD8\xFF\xE0"), PictureFormat::Jpeg);
  EXPECT_EQ(content(std::string("II*\0", 4)), PictureFormat::Tiff);
  EXPECT_EQ(content(std::string("MM\0*", 4)), PictureFormat::Tiff);
  EXPECT_EQ(content("GIF89a"), PictureFormat::Gif);
  EXPECT_EQ(content("B"), PictureFormat::Recognise);
  EXPECT_EQ(content("hello"), PictureFormat::Recognise);

  EXPECT_EQ(FormatFromExtension("C:\\x\\a.JPG"), PictureFormat::Jpeg);
  EXPECT_EQ(FormatFromExtension("/tmp/a.Tiff"), PictureFormat::Tiff);
  EXPECT_EQ(FormatFromExtension("/tmp/a.png"), PictureFormat::Png);
  EXPECT_EQ(FormatFromExtension("/tmp/a.gif"), PictureFormat::Gif);
  EXPECT_EQ(FormatFromExtension("twainrgb1.bmp"), PictureFormat::Bmp);
  EXPECT_EQ(FormatFromExtension("/tmp/v1.0/picture"), PictureFormat::Recognise);
  EXPECT_EQ(FormatFromExtension("notes.txt"), PictureFormat::Recognise);
}

TEST(PictureFile, SavingWithoutAKnownExtensionWritesABitmap) {
  const TempDir dir;
  ASSERT_TRUE(SavePicture(MarkedPicture(3, 3, 8), dir.File("plain"), PictureFormat::Recognise));
  EXPECT_EQ(ReadFileBytes(dir.File("plain")).substr(0, 2), "BM");
  EXPECT_FALSE(SavePicture(Picture(), dir.File("e.png"), PictureFormat::Png));
}

TEST(PictureFile, TransparencyIsLaidOverWhite) {
  // Three pixels: opaque red, fully transparent black, blue at half opacity.
  const unsigned char png[] = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A, 0x00, 0x00, 0x00, 0x0D, 0x49, 0x48, 0x44,
                               0x52, 0x00, 0x00, 0x00, 0x03, 0x00, 0x00, 0x00, 0x01, 0x08, 0x06, 0x00, 0x00, 0x00, 0x1B,
                               0xE0, 0x14, 0xB4, 0x00, 0x00, 0x00, 0x11, 0x49, 0x44, 0x41, 0x54, 0x78, 0x9C, 0x63, 0xF8,
                               0xCF, 0xC0, 0x00, 0x44, 0x20, 0xF0, 0xBF, 0x01, 0x00, 0x17, 0x76, 0x03, 0x7E, 0x7B, 0x55,
                               0x22, 0xED, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4E, 0x44, 0xAE, 0x42, 0x60, 0x82};
  const TempDir dir;
  WriteBytes(dir.File("alpha.png"), std::string(reinterpret_cast<const char*>(png), sizeof png));
  const Picture picture = LoadPicture(dir.File("alpha.png"));
  ASSERT_EQ(picture.BitsPerPixel(), 24);
  EXPECT_EQ(picture.GetPixel(0, 0), (Rgb{255, 0, 0}));
  EXPECT_EQ(picture.GetPixel(1, 0), kWhite);
  EXPECT_NEAR(picture.GetPixel(2, 0).red, 127, 1);
  EXPECT_EQ(picture.GetPixel(2, 0).blue, 255);
  EXPECT_EQ(picture.DpiX(), 96);  // no resolution in the file
}

TEST(PictureFile, DamagedAndForeignFilesGiveEmptyPictures) {
  const TempDir dir;
  const Picture picture = MarkedPicture(40, 30, 24);
  for (const auto& [name, format] : {std::pair{"d.png", PictureFormat::Png}, std::pair{"d.tif", PictureFormat::Tiff},
                                     std::pair{"d.jpg", PictureFormat::Jpeg}}) {
    ASSERT_TRUE(SavePicture(picture, dir.File(name), format));
    const std::string whole = ReadFileBytes(dir.File(name));
    WriteBytes(dir.File(name), whole.substr(0, 20));
    EXPECT_TRUE(LoadPicture(dir.File(name)).Empty()) << name;
  }
  WriteBytes(dir.File("text.png"), "not a picture at all");
  EXPECT_TRUE(LoadPicture(dir.File("text.png")).Empty());
  WriteBytes(dir.File("text.dat"), "not a picture at all");
  EXPECT_TRUE(LoadPicture(dir.File("text.dat")).Empty());
  EXPECT_TRUE(LoadPicture(dir.File("missing.png")).Empty());
}

}  // namespace
