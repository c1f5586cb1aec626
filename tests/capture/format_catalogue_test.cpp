// The video format dialog's catalogue of what the camera's pin offers.
#include "capture/format_catalogue.h"

#include <gtest/gtest.h>

#include <vector>

namespace capture {
namespace {

VideoFormat Capability(MediaSubtype subtype, std::int32_t width, std::int32_t height, std::int64_t interval = 333333,
                       std::uint32_t bitRate = 0) {
  VideoFormat format;
  format.subtype = subtype;
  format.width = width;
  format.height = height;
  format.frameInterval = interval;
  format.bitRate = bitRate;
  return format;
}

TEST(FormatCatalogueTest, CapabilitiesAreGroupedBySubtypeInTheOrderFirstMet) {
  const std::vector<VideoFormat> capabilities = {
      Capability(kSubtypeMjpg, 3264, 2448), Capability(kSubtypeYuy2, 640, 480), Capability(kSubtypeMjpg, 1600, 1200),
      Capability(kSubtypeMjpg, 1600, 1200),  // a duplicate stays
  };
  const FormatCatalogue catalogue = FormatCatalogue::FromCapabilities(capabilities);
  ASSERT_EQ(catalogue.Formats().size(), 2U);
  EXPECT_EQ(catalogue.Formats()[0].subtype, kSubtypeMjpg);
  ASSERT_EQ(catalogue.Formats()[0].sizes.size(), 3U);
  EXPECT_EQ(catalogue.Formats()[0].sizes[1].width, 1600);
  EXPECT_EQ(catalogue.Formats()[0].sizes[2].width, 1600);
  EXPECT_EQ(catalogue.Formats()[1].subtype, kSubtypeYuy2);
}

TEST(FormatCatalogueTest, SizesNarrowerThan200PixelsAndUnreadableBlocksAreLeftOut) {
  VideoFormat other = Capability(kSubtypeRgb24, 1280, 720);
  other.formatType = FormatType::Other;
  const std::vector<VideoFormat> capabilities = {Capability(kSubtypeMjpg, 160, 120), Capability(kSubtypeYuy2, 199, 150),
                                                 other};
  EXPECT_TRUE(FormatCatalogue::FromCapabilities(capabilities).Empty());

  const std::vector<VideoFormat> narrowAndWide = {Capability(kSubtypeMjpg, 160, 120),
                                                  Capability(kSubtypeMjpg, 200, 150)};
  const FormatCatalogue catalogue = FormatCatalogue::FromCapabilities(narrowAndWide);
  ASSERT_EQ(catalogue.Formats().size(), 1U);
  EXPECT_EQ(catalogue.Formats()[0].sizes.size(), 1U);
}

TEST(FormatCatalogueTest, TheListsHoldAtMostEightSubtypesAndTwentyFourSizesEach) {
  std::vector<VideoFormat> capabilities;
  for (std::uint32_t code = 0; code < 10; ++code)
    capabilities.push_back(Capability(FourCcSubtype(0x41414141 + code), 640, 480));
  for (int i = 0; i < 30; ++i) capabilities.push_back(Capability(FourCcSubtype(0x41414141), 640 + i, 480));
  const FormatCatalogue catalogue = FormatCatalogue::FromCapabilities(capabilities);
  ASSERT_EQ(catalogue.Formats().size(), kMaxCatalogueFormats);
  EXPECT_EQ(catalogue.Formats()[0].sizes.size(), kMaxCatalogueSizes);
  EXPECT_EQ(catalogue.Formats()[0].sizes.back().width, 640 + 22);  // the first size, then 23 of the 30
  EXPECT_EQ(catalogue.Formats()[7].subtype, FourCcSubtype(0x41414141 + 7));
}

TEST(FormatCatalogueTest, LabelsNameTheKnownSubtypesAndSizesWithSpaces) {
  EXPECT_EQ(FormatLabel(kSubtypeYuy2), "YUY2");
  EXPECT_EQ(FormatLabel(kSubtypeYvyu), "YVYU");
  EXPECT_EQ(FormatLabel(kSubtypeMjpg), "MJPG");
  EXPECT_EQ(FormatLabel(kSubtypeRgb24), "RGB24");
  EXPECT_EQ(FormatLabel(FourCcSubtype(0x3231564E)), "define");
  EXPECT_EQ(SizeLabel({1600, 1200, 0, 0}), " 1600 x 1200 ");
}

TEST(FormatCatalogueTest, The3264By2448SizeIsLabelledAs3648By2736AndKeepsItsValues) {
  const std::vector<VideoFormat> capabilities = {Capability(kSubtypeMjpg, 3264, 2448, 666666, 1234)};
  const FormatCatalogue catalogue = FormatCatalogue::FromCapabilities(capabilities);
  const CatalogueSize& size = catalogue.Formats()[0].sizes[0];
  EXPECT_EQ(SizeLabel(size), " 3648 x 2736 ");
  EXPECT_EQ(size.width, 3264);
  EXPECT_EQ(size.height, 2448);
  EXPECT_EQ(size.bitRate, 1234U);
  EXPECT_EQ(SizeLabel({3264, 2000, 0, 0}), " 3264 x 2000 ");
}

TEST(FormatCatalogueTest, TheSelectionIsTheLastEqualEntryElseTheFirst) {
  const std::vector<VideoFormat> capabilities = {
      Capability(kSubtypeMjpg, 640, 480), Capability(kSubtypeYuy2, 640, 480, 1), Capability(kSubtypeYuy2, 800, 600, 2),
      Capability(kSubtypeYuy2, 640, 480, 3)};
  const FormatCatalogue catalogue = FormatCatalogue::FromCapabilities(capabilities);
  EXPECT_EQ(catalogue.FormatIndexFor(kSubtypeYuy2), 1U);
  EXPECT_EQ(catalogue.FormatIndexFor(kSubtypeRgb24), 0U);
  const CatalogueFormat& yuy2 = catalogue.Formats()[1];
  EXPECT_EQ(SizeIndexFor(yuy2, 640, 480), 2U);
  EXPECT_EQ(SizeIndexFor(yuy2, 1024, 768), 0U);
  EXPECT_EQ(SizeIndexFor(CatalogueFormat{}, 640, 480), 0U);
  EXPECT_EQ(FormatCatalogue{}.FormatIndexFor(kSubtypeMjpg), 0U);
}

TEST(FormatCatalogueTest, FrameRatesDropTheFractionAndAZeroIntervalTellsNoRate) {
  EXPECT_EQ(FramesPerSecond(333333), 30);
  EXPECT_EQ(FramesPerSecond(666667), 14);  // 14.99 frames a second
  EXPECT_EQ(FramesPerSecond(0), 0);
  EXPECT_EQ(FramesPerSecond(-5), 0);
  EXPECT_EQ(FramesPerSecond(20000000), 0);
  EXPECT_TRUE(FrameRateAccepted(0));
  EXPECT_TRUE(FrameRateAccepted(300));
  EXPECT_FALSE(FrameRateAccepted(301));
  EXPECT_FALSE(FrameRateAccepted(FramesPerSecond(1)));
  EXPECT_FALSE(FrameRateAccepted(-1));
}

}  // namespace
}  // namespace capture
