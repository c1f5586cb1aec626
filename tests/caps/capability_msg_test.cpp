// Capability negotiation through DS_Entry, as an application sees it: the
// containers byte by byte, the MSG_SET checks, the condition codes of old
// and new applications, and the values that outlive closing the source.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "caps/cap_client.h"
#include "caps/catalogue.h"
#include "platform/text_encoding.h"
#include "support/source_harness.h"

namespace {

using namespace twain;
using testing_support::Ask;
using testing_support::CapAnswer;
using testing_support::Fix;
using testing_support::SetOneValue;
using testing_support::SourceHarness;

// Offsets of the containers' fields.
constexpr std::size_t kOneValueItem = 2;
constexpr std::size_t kEnumCurrentIndex = 6;
constexpr std::size_t kEnumDefaultIndex = 10;
constexpr std::size_t kEnumItems = 14;
constexpr std::size_t kArrayItems = 6;

void ExpectFix(const CapAnswer& answer, std::size_t offset, TW_INT16 whole, TW_UINT16 frac = 0) {
  const auto fix = answer.At<TW_FIX32>(offset);
  EXPECT_EQ(fix.Whole, whole) << "at offset " << offset;
  EXPECT_EQ(fix.Frac, frac) << "at offset " << offset;
}

class OpenSource : public ::testing::Test {
 protected:
  void SetUp() override {
    h.application.ProtocolMajor = 1;
    h.application.ProtocolMinor = 9;
    ASSERT_EQ(h.Open(), TWRC_SUCCESS);
  }
  void UseProtocol(TW_UINT16 major, TW_UINT16 minor) {
    h.application.ProtocolMajor = major;
    h.application.ProtocolMinor = minor;
    h.source->Context().appIdentity = h.application;
  }
  SourceHarness h;
};

TEST_F(OpenSource, SupportedCapsIsAnArrayOfFortyOneIdsForGetAndGetCurrent) {
  for (TW_UINT16 msg : {MSG_GET, MSG_GETCURRENT}) {
    const CapAnswer answer = Ask(h, CAP_SUPPORTEDCAPS, msg);
    ASSERT_EQ(answer.result, TWRC_SUCCESS);
    EXPECT_EQ(answer.conType, TWON_ARRAY);
    EXPECT_EQ(answer.bytes.size(), 2u * 41 + 7);
    EXPECT_EQ(answer.ItemType(), TWTY_UINT16);
    EXPECT_EQ(answer.NumItems(), 41u);
    EXPECT_EQ(answer.At<TW_UINT16>(kArrayItems), CAP_SUPPORTEDCAPS);
    EXPECT_EQ(answer.At<TW_UINT16>(kArrayItems + 2 * 23), ICAP_BITDEPTH);
    EXPECT_EQ(answer.At<TW_UINT16>(kArrayItems + 2 * 39), CAP_UICONTROLLABLE);
    EXPECT_EQ(answer.At<TW_UINT16>(kArrayItems + 2 * 40), CAP_SUPPORTEDDATS);
  }
  EXPECT_EQ(h.ConditionCode(), TWCC_SUCCESS);
}

TEST_F(OpenSource, ResolutionIsAnEnumerationOfEightFix32Items) {
  const CapAnswer answer = Ask(h, ICAP_XRESOLUTION, MSG_GET);
  ASSERT_EQ(answer.result, TWRC_SUCCESS);
  EXPECT_EQ(answer.conType, TWON_ENUMERATION);
  EXPECT_EQ(answer.bytes.size(), 4u * 8 + 15);
  EXPECT_EQ(answer.ItemType(), TWTY_FIX32);
  EXPECT_EQ(answer.NumItems(), 8u);
  EXPECT_EQ(answer.At<TW_UINT32>(kEnumCurrentIndex), 3u);
  EXPECT_EQ(answer.At<TW_UINT32>(kEnumDefaultIndex), 3u);
  const TW_INT16 expected[] = {1, 100, 150, 200, 250, 300, 350, 400};
  for (std::size_t i = 0; i < 8; ++i) ExpectFix(answer, kEnumItems + 4 * i, expected[i]);
}

TEST_F(OpenSource, XAndYResolutionShareOneValue) {
  EXPECT_EQ(SetOneValue(h, ICAP_XRESOLUTION, TWTY_FIX32, Fix(300)), TWRC_SUCCESS);
  EXPECT_EQ(Ask(h, ICAP_YRESOLUTION, MSG_GET).At<TW_UINT32>(kEnumCurrentIndex), 5u);

  EXPECT_EQ(SetOneValue(h, ICAP_YRESOLUTION, TWTY_FIX32, Fix(150)), TWRC_SUCCESS);
  const CapAnswer current = Ask(h, ICAP_XRESOLUTION, MSG_GETCURRENT);
  EXPECT_EQ(current.conType, TWON_ONEVALUE);
  EXPECT_EQ(current.bytes.size(), 4u + 6);
  ExpectFix(current, kOneValueItem, 150);
  EXPECT_EQ(h.source->CapValues().xResolution, 150.0f);
}

TEST_F(OpenSource, ResolutionOutsideItsItemsIsRefusedAndChangesNothing) {
  EXPECT_EQ(SetOneValue(h, ICAP_XRESOLUTION, TWTY_FIX32, Fix(301)), TWRC_FAILURE);
  EXPECT_EQ(h.ConditionCode(), TWCC_BADVALUE);
  EXPECT_EQ(SetOneValue(h, ICAP_XRESOLUTION, TWTY_FIX32, Fix(300, 0x8000)), TWRC_FAILURE);
  EXPECT_EQ(h.source->CapValues().xResolution, 200.0f);
  EXPECT_TRUE(h.boxes.shown.empty());  // capability refusals never show the report
}

TEST_F(OpenSource, SettingsResolutionOutsideTheItemsIndexesPastTheListUntilReset) {
  int dpi = caps::SetResolutionAsSource(h.source->CapValues(), 600.0f);
  EXPECT_EQ(dpi, 600);
  const CapAnswer answer = Ask(h, ICAP_XRESOLUTION, MSG_GET);
  EXPECT_EQ(answer.At<TW_UINT32>(kEnumCurrentIndex), 8u);
  EXPECT_EQ(answer.At<TW_UINT32>(kEnumDefaultIndex), 3u);

  const CapAnswer reset = Ask(h, ICAP_XRESOLUTION, MSG_RESET);
  ASSERT_EQ(reset.result, TWRC_SUCCESS);
  EXPECT_EQ(reset.conType, TWON_ONEVALUE);
  ExpectFix(reset, kOneValueItem, 200);
  EXPECT_EQ(h.source->CapValues().xResolution, 200.0f);
}

TEST_F(OpenSource, BrightnessIsARangeWhoseOnlySettableValuesAreItsEnds) {
  const CapAnswer answer = Ask(h, ICAP_BRIGHTNESS, MSG_GET);
  ASSERT_EQ(answer.result, TWRC_SUCCESS);
  EXPECT_EQ(answer.conType, TWON_RANGE);
  EXPECT_EQ(answer.bytes.size(), 22u);
  EXPECT_EQ(answer.ItemType(), TWTY_FIX32);
  ExpectFix(answer, 2, -1000, 1);  // the conversion's rounding of a negative whole number
  ExpectFix(answer, 6, 1000);
  ExpectFix(answer, 10, 1000);
  ExpectFix(answer, 14, 0);
  ExpectFix(answer, 18, 0);

  EXPECT_EQ(SetOneValue(h, ICAP_BRIGHTNESS, TWTY_FIX32, Fix(0)), TWRC_FAILURE);
  EXPECT_EQ(h.ConditionCode(), TWCC_BADVALUE);
  EXPECT_EQ(SetOneValue(h, ICAP_BRIGHTNESS, TWTY_FIX32, Fix(-1000)), TWRC_SUCCESS);
  // What MSG_GET reported as the minimum reads back as the same value.
  EXPECT_EQ(SetOneValue(h, ICAP_BRIGHTNESS, TWTY_FIX32, Fix(-1000, 1)), TWRC_SUCCESS);
  ExpectFix(Ask(h, ICAP_BRIGHTNESS, MSG_GETCURRENT), kOneValueItem, -1000, 1);
}

TEST_F(OpenSource, ThresholdAcceptsItsStepButNotItsDefault) {
  const CapAnswer answer = Ask(h, ICAP_THRESHOLD, MSG_GET);
  ExpectFix(answer, 2, 0);
  ExpectFix(answer, 6, 255);
  ExpectFix(answer, 10, 1);
  ExpectFix(answer, 14, 128);
  ExpectFix(answer, 18, 128);
  EXPECT_EQ(SetOneValue(h, ICAP_THRESHOLD, TWTY_FIX32, Fix(128)), TWRC_FAILURE);
  EXPECT_EQ(h.ConditionCode(), TWCC_BADVALUE);
  EXPECT_EQ(SetOneValue(h, ICAP_THRESHOLD, TWTY_FIX32, Fix(1)), TWRC_SUCCESS);
  EXPECT_EQ(h.ConditionCode(), TWCC_SUCCESS);
  ExpectFix(Ask(h, ICAP_THRESHOLD, MSG_GET), 18, 1);
}

TEST_F(OpenSource, HalftonesAreTwoStr32Items) {
  const CapAnswer answer = Ask(h, ICAP_HALFTONES, MSG_GET);
  ASSERT_EQ(answer.result, TWRC_SUCCESS);
  EXPECT_EQ(answer.ItemType(), TWTY_STR32);
  EXPECT_EQ(answer.bytes.size(), 34u * 2 + 15);
  EXPECT_EQ(answer.NumItems(), 2u);
  EXPECT_EQ(answer.At<TW_UINT32>(kEnumCurrentIndex), 0u);
  EXPECT_EQ(answer.At<TW_UINT32>(kEnumDefaultIndex), 0u);
  const char* items = reinterpret_cast<const char*>(answer.bytes.data() + kEnumItems);
  EXPECT_EQ(std::string(items, 34), std::string("FLOYD/STEINBURG") + std::string(34 - 15, '\0'));
  EXPECT_EQ(std::string(items + 34, 34), std::string("ORDERED") + std::string(34 - 7, '\0'));

  const char ordered[34] = "ORDERED";
  EXPECT_EQ(SetOneValue(h, ICAP_HALFTONES, TWTY_STR32, ordered, sizeof ordered), TWRC_SUCCESS);
  EXPECT_EQ(Ask(h, ICAP_HALFTONES, MSG_GET).At<TW_UINT32>(kEnumCurrentIndex), 1u);
}

TEST_F(OpenSource, AStringEndingWithItsBlockIsReadNoFurther) {
  // Seven characters without a terminator, in a block that ends right after them.
  EXPECT_EQ(SetOneValue(h, ICAP_HALFTONES, TWTY_STR32, "ORDERED", 7, 2 + 7), TWRC_SUCCESS);
  EXPECT_EQ(std::string(h.source->CapValues().halftone.data()), "ORDERED");
  EXPECT_EQ(SetOneValue(h, ICAP_HALFTONES, TWTY_STR32, "ORDERE", 6, 2 + 6), TWRC_FAILURE);
}

TEST_F(OpenSource, FramesAreOneValueInTwainOrder) {
  const CapAnswer answer = Ask(h, ICAP_FRAMES, MSG_GET);
  ASSERT_EQ(answer.result, TWRC_SUCCESS);
  EXPECT_EQ(answer.conType, TWON_ONEVALUE);
  EXPECT_EQ(answer.bytes.size(), 16u + 6);
  EXPECT_EQ(answer.ItemType(), TWTY_FRAME);
  ExpectFix(answer, 2, 0);           // Left
  ExpectFix(answer, 6, 0);           // Top
  ExpectFix(answer, 10, 8, 0x8000);  // Right
  ExpectFix(answer, 14, 11);         // Bottom

  TW_FRAME frame{Fix(0), Fix(0), Fix(8, 0x8000), Fix(11)};
  EXPECT_EQ(SetOneValue(h, ICAP_FRAMES, TWTY_FRAME, frame), TWRC_SUCCESS);
  frame.Top = Fix(1);
  EXPECT_EQ(SetOneValue(h, ICAP_FRAMES, TWTY_FRAME, frame), TWRC_FAILURE);
  // A frame in a block too small to hold it.
  EXPECT_EQ(SetOneValue(h, ICAP_FRAMES, TWTY_FRAME, &frame, sizeof frame, sizeof(TW_ONEVALUE)), TWRC_FAILURE);
  EXPECT_EQ(h.ConditionCode(), TWCC_BADVALUE);
}

TEST_F(OpenSource, SupportedSizesHoldUsLetterOnly) {
  const CapAnswer answer = Ask(h, ICAP_SUPPORTEDSIZES, MSG_GET);
  EXPECT_EQ(answer.NumItems(), 1u);
  EXPECT_EQ(answer.bytes.size(), 2u + 15);
  EXPECT_EQ(answer.At<TW_UINT16>(kEnumItems), TWSS_USLETTER);
}

TEST_F(OpenSource, TransferCountAcceptsMinusOneToTwentyFive) {
  EXPECT_EQ(SetOneValue(h, CAP_XFERCOUNT, TWTY_INT16, TW_INT16{26}), TWRC_FAILURE);
  EXPECT_EQ(h.ConditionCode(), TWCC_BADVALUE);
  EXPECT_EQ(SetOneValue(h, CAP_XFERCOUNT, TWTY_INT16, TW_INT16{25}), TWRC_SUCCESS);
  EXPECT_EQ(h.source->CapValues().transferCount, 25);
  // Signed and unsigned 16-bit items are taken for each other.
  EXPECT_EQ(SetOneValue(h, CAP_XFERCOUNT, TWTY_UINT16, TW_UINT16{0xFFFF}), TWRC_SUCCESS);
  EXPECT_EQ(h.source->CapValues().transferCount, -1);
}

// A TWAIN 2 application reads MSG_GET as the choice it has: a settable
// switch offers both values, a read-only one its own; older ones keep the one value.
TEST_F(OpenSource, SwitchesAreEnumerationsForTwainTwoApplications) {
  EXPECT_EQ(Ask(h, CAP_FEEDERENABLED, MSG_GET).conType, TWON_ONEVALUE);
  h.application.SupportedGroups |= DF_APP2;
  h.source->Context().appIdentity = h.application;
  const CapAnswer settable = Ask(h, CAP_FEEDERENABLED, MSG_GET);
  ASSERT_EQ(settable.result, TWRC_SUCCESS);
  EXPECT_EQ(settable.conType, TWON_ENUMERATION);
  EXPECT_EQ(settable.ItemType(), TWTY_BOOL);
  EXPECT_EQ(settable.NumItems(), 2u);
  EXPECT_EQ(settable.At<TW_UINT32>(kEnumCurrentIndex), 0u);  // TRUE, the first offered
  const CapAnswer readOnly = Ask(h, CAP_UICONTROLLABLE, MSG_GET);
  EXPECT_EQ(readOnly.conType, TWON_ENUMERATION);
  EXPECT_EQ(readOnly.NumItems(), 1u);
  EXPECT_EQ(Ask(h, CAP_FEEDERENABLED, MSG_GETCURRENT).conType, TWON_ONEVALUE);
}

TEST_F(OpenSource, FeederEnabledWantsABool) {
  EXPECT_EQ(SetOneValue(h, CAP_FEEDERENABLED, TWTY_UINT16, TW_UINT16{0}), TWRC_FAILURE);
  EXPECT_EQ(h.ConditionCode(), TWCC_BADVALUE);
  EXPECT_TRUE(h.source->CapValues().feederEnabled);
  EXPECT_EQ(SetOneValue(h, CAP_FEEDERENABLED, TWTY_BOOL, TW_BOOL{2}), TWRC_FAILURE);
  EXPECT_EQ(SetOneValue(h, CAP_FEEDERENABLED, TWTY_BOOL, TW_BOOL{0}), TWRC_SUCCESS);
  EXPECT_FALSE(h.source->CapValues().feederEnabled);
  EXPECT_EQ(Ask(h, CAP_FEEDERENABLED, MSG_GET).At<TW_BOOL>(kOneValueItem), 0);
}

TEST_F(OpenSource, FeederLoadedReadsTrueAgainAfterEveryGet) {
  h.source->CapValues().feederLoaded = false;
  EXPECT_EQ(Ask(h, CAP_FEEDERLOADED, MSG_GETCURRENT).At<TW_BOOL>(kOneValueItem), 0);
  EXPECT_EQ(Ask(h, CAP_FEEDERLOADED, MSG_GET).At<TW_BOOL>(kOneValueItem), 1);
  EXPECT_EQ(Ask(h, CAP_FEEDERLOADED, MSG_GETCURRENT).At<TW_BOOL>(kOneValueItem), 1);
}

TEST_F(OpenSource, PixelTypeSetByEnumerationIsAcceptedUnseen) {
  platform::GlobalMemory& memory = platform::SystemGlobalMemory();
  platform::MemoryHandle junk = memory.Allocate(4);
  TW_CAPABILITY capability{ICAP_PIXELTYPE, TWON_ENUMERATION, junk};
  EXPECT_EQ(h.Call(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &capability), TWRC_SUCCESS);
  memory.Free(junk);
  EXPECT_EQ(h.source->CapValues().pixelType, TWPT_RGB);

  capability = {ICAP_PIXELTYPE, TWON_ARRAY, nullptr};
  EXPECT_EQ(h.Call(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &capability), TWRC_FAILURE);
  EXPECT_EQ(h.ConditionCode(), TWCC_BADVALUE);
}

TEST_F(OpenSource, PixelTypeSetAndResetKeepTheBitDepths) {
  EXPECT_EQ(SetOneValue(h, ICAP_PIXELTYPE, TWTY_UINT16, TW_UINT16{3}), TWRC_SUCCESS);
  EXPECT_EQ(h.source->CapValues().pixelType, 3);
  EXPECT_EQ(SetOneValue(h, ICAP_PIXELTYPE, TWTY_UINT16, TW_UINT16{4}), TWRC_FAILURE);
  const CapAnswer reset = Ask(h, ICAP_PIXELTYPE, MSG_RESET);
  EXPECT_EQ(reset.conType, TWON_ONEVALUE);
  EXPECT_EQ(reset.At<TW_UINT16>(kOneValueItem), TWPT_RGB);
  EXPECT_EQ(h.source->CapValues().pixelType, TWPT_RGB);
  EXPECT_EQ(h.source->CapValues().bitDepths, (std::array<std::uint16_t, 4>{1, 8, 24, 25}));
}

// Only a one-value MSG_SET that took its item counts as the application's
// choice; MSG_RESET, MSG_RESETALL and a new session forget it.
TEST_F(OpenSource, TheTableKnowsWhatTheApplicationSetThisSession) {
  const caps::CapabilityTable& table = h.source->CapTable();
  EXPECT_FALSE(table.SetByApplication(ICAP_PIXELTYPE));
  EXPECT_EQ(SetOneValue(h, ICAP_PIXELTYPE, TWTY_UINT16, TW_UINT16{9}), TWRC_FAILURE);
  EXPECT_FALSE(table.SetByApplication(ICAP_PIXELTYPE));
  EXPECT_EQ(SetOneValue(h, ICAP_PIXELTYPE, TWTY_UINT16, TW_UINT16{TWPT_GRAY}), TWRC_SUCCESS);
  EXPECT_EQ(SetOneValue(h, ICAP_ORIENTATION, TWTY_UINT16, TW_UINT16{TWOR_ROT90}), TWRC_SUCCESS);
  EXPECT_TRUE(table.SetByApplication(ICAP_PIXELTYPE));
  EXPECT_TRUE(table.SetByApplication(ICAP_ORIENTATION));
  EXPECT_FALSE(table.SetByApplication(ICAP_XRESOLUTION));
  EXPECT_EQ(Ask(h, ICAP_PIXELTYPE, MSG_RESET).result, TWRC_SUCCESS);
  EXPECT_FALSE(table.SetByApplication(ICAP_PIXELTYPE));
  EXPECT_TRUE(table.SetByApplication(ICAP_ORIENTATION));

  TW_CAPABILITY all{CAP_SUPPORTEDCAPS, TWON_DONTCARE16, nullptr};
  ASSERT_EQ(h.Call(DG_CONTROL, DAT_CAPABILITY, MSG_RESETALL, &all), TWRC_SUCCESS);
  EXPECT_FALSE(table.SetByApplication(ICAP_ORIENTATION));

  EXPECT_EQ(SetOneValue(h, ICAP_YRESOLUTION, TWTY_FIX32, Fix(300)), TWRC_SUCCESS);
  EXPECT_TRUE(table.SetByApplication(ICAP_YRESOLUTION));
  TW_IDENTITY record = h.managerRecord;
  ASSERT_EQ(h.Call(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &record), TWRC_SUCCESS);
  ASSERT_EQ(h.Open(), TWRC_SUCCESS);
  EXPECT_FALSE(table.SetByApplication(ICAP_YRESOLUTION));
}

TEST_F(OpenSource, ImageFileFormatsOfferEveryFormatATransferWrites) {
  const CapAnswer answer = Ask(h, ICAP_IMAGEFILEFORMAT, MSG_GET);
  ASSERT_EQ(answer.result, TWRC_SUCCESS);
  EXPECT_EQ(answer.conType, TWON_ENUMERATION);
  ASSERT_EQ(answer.NumItems(), 4u);
  const TW_UINT16 expected[] = {TWFF_TIFF, TWFF_BMP, TWFF_PNG, TWFF_JFIF};
  for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(answer.At<TW_UINT16>(kEnumItems + 2 * i), expected[i]);
  EXPECT_EQ(answer.At<TW_UINT32>(kEnumDefaultIndex), 1u);
  EXPECT_EQ(SetOneValue(h, ICAP_IMAGEFILEFORMAT, TWTY_UINT16, TW_UINT16{TWFF_JFIF}), TWRC_SUCCESS);
  EXPECT_EQ(h.source->CapValues().imageFileFormat, TWFF_JFIF);
  EXPECT_EQ(SetOneValue(h, ICAP_IMAGEFILEFORMAT, TWTY_UINT16, TW_UINT16{1}), TWRC_FAILURE);  // PICT
}

TEST_F(OpenSource, ResetOfTransferMechanismGoesBackToNative) {
  EXPECT_EQ(SetOneValue(h, ICAP_XFERMECH, TWTY_UINT16, TWSX_MEMORY), TWRC_SUCCESS);
  const CapAnswer reset = Ask(h, ICAP_XFERMECH, MSG_RESET);
  EXPECT_EQ(reset.At<TW_UINT16>(kOneValueItem), TWSX_NATIVE);
  EXPECT_EQ(Ask(h, ICAP_XFERMECH, MSG_GETCURRENT).At<TW_UINT16>(kOneValueItem), TWSX_NATIVE);
  EXPECT_EQ(Ask(h, ICAP_XFERMECH, MSG_GETDEFAULT).At<TW_UINT16>(kOneValueItem), TWSX_NATIVE);
}

TEST_F(OpenSource, QuerySupportAnswersTheOperationsMask) {
  const CapAnswer settable = Ask(h, ICAP_PIXELTYPE, MSG_QUERYSUPPORT);
  ASSERT_EQ(settable.result, TWRC_SUCCESS);
  EXPECT_EQ(settable.conType, TWON_ONEVALUE);
  EXPECT_EQ(settable.bytes.size(), 4u + 6);
  EXPECT_EQ(settable.ItemType(), TWTY_INT32);
  EXPECT_EQ(settable.At<TW_UINT32>(kOneValueItem), 31u);
  EXPECT_EQ(Ask(h, ICAP_PHYSICALWIDTH, MSG_QUERYSUPPORT).At<TW_UINT32>(kOneValueItem), 13u);
}

TEST_F(OpenSource, ReadOnlyCapabilitiesRefuseSetAndResetToWhatTheyHave) {
  EXPECT_EQ(SetOneValue(h, ICAP_PHYSICALWIDTH, TWTY_FIX32, Fix(8, 0x8000)), TWRC_FAILURE);
  EXPECT_EQ(h.ConditionCode(), TWCC_CAPBADOPERATION);
  h.source->CapValues().deviceOnline = false;
  const CapAnswer reset = Ask(h, CAP_DEVICEONLINE, MSG_RESET);
  ASSERT_EQ(reset.result, TWRC_SUCCESS);
  EXPECT_EQ(reset.At<TW_BOOL>(kOneValueItem), 0);
  EXPECT_FALSE(h.source->CapValues().deviceOnline);
  EXPECT_EQ(Ask(h, ICAP_PIXELTYPE, MSG_GETFIRST).result, TWRC_FAILURE);
  EXPECT_EQ(h.ConditionCode(), TWCC_CAPUNSUPPORTED);
}

TEST_F(OpenSource, CapZeroFindsTheEmptyLastSlot) {
  for (TW_UINT16 msg : {MSG_GET, MSG_GETCURRENT, MSG_GETDEFAULT, MSG_SET, MSG_RESET}) {
    TW_CAPABILITY capability{0, TWON_ONEVALUE, nullptr};
    EXPECT_EQ(h.Call(DG_CONTROL, DAT_CAPABILITY, msg, &capability), TWRC_FAILURE);
    EXPECT_EQ(h.ConditionCode(), TWCC_CAPBADOPERATION) << "MSG " << msg;
  }
  const CapAnswer support = Ask(h, 0, MSG_QUERYSUPPORT);
  EXPECT_EQ(support.result, TWRC_SUCCESS);
  EXPECT_EQ(support.At<TW_UINT32>(kOneValueItem), 0u);
}

TEST_F(OpenSource, UnknownCapabilityIsUnsupported) {
  EXPECT_EQ(Ask(h, 0x1234, MSG_GET).result, TWRC_FAILURE);
  EXPECT_EQ(h.ConditionCode(), TWCC_CAPUNSUPPORTED);
}

TEST_F(OpenSource, ApplicationsOfProtocolOnePointFiveSeeBadCap) {
  UseProtocol(1, 5);
  EXPECT_EQ(SetOneValue(h, ICAP_PHYSICALWIDTH, TWTY_FIX32, Fix(8)), TWRC_FAILURE);
  EXPECT_EQ(h.ConditionCode(), TWCC_BADCAP);
  EXPECT_EQ(Ask(h, 0x1234, MSG_GET).result, TWRC_FAILURE);
  EXPECT_EQ(h.ConditionCode(), TWCC_BADCAP);
  // Codes up to TWCC_BADDEST stay as they are.
  EXPECT_EQ(SetOneValue(h, ICAP_XRESOLUTION, TWTY_FIX32, Fix(301)), TWRC_FAILURE);
  EXPECT_EQ(h.ConditionCode(), TWCC_BADVALUE);

  for (auto [major, minor] : {std::pair{1, 8}, std::pair{1, 9}, std::pair{2, 4}}) {
    UseProtocol(static_cast<TW_UINT16>(major), static_cast<TW_UINT16>(minor));
    EXPECT_EQ(SetOneValue(h, ICAP_PHYSICALWIDTH, TWTY_FIX32, Fix(8)), TWRC_FAILURE);
    EXPECT_EQ(h.ConditionCode(), TWCC_CAPBADOPERATION) << major << "." << minor;
  }
}

TEST_F(OpenSource, SetWritesTheItemLinesToTheTrace) {
  EXPECT_EQ(SetOneValue(h, ICAP_XRESOLUTION, TWTY_FIX32, Fix(300)), TWRC_SUCCESS);
  const std::string expected = platform::Utf8ToGbk("\n  ItemType：7 ItemValue:300\n  data( 1- 6)：0700  2c0100");
  EXPECT_NE(h.TraceBytes().find(expected), std::string::npos);
  EXPECT_NE(h.TraceBytes().find("CapabilityMsg"), std::string::npos);
}

TEST_F(OpenSource, BadContainersAreRefusedWithoutBeingOverread) {
  TW_CAPABILITY capability{ICAP_XRESOLUTION, TWON_ONEVALUE, nullptr};
  EXPECT_EQ(h.Call(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &capability), TWRC_FAILURE);
  EXPECT_EQ(h.ConditionCode(), TWCC_BADVALUE);
  // A block smaller than a one-value header.
  const TW_FIX32 resolution = Fix(300);
  EXPECT_EQ(SetOneValue(h, ICAP_XRESOLUTION, TWTY_FIX32, &resolution, sizeof resolution, 4), TWRC_FAILURE);
  EXPECT_EQ(h.ConditionCode(), TWCC_BADVALUE);
  EXPECT_EQ(h.Call(DG_CONTROL, DAT_CAPABILITY, MSG_GET, nullptr), TWRC_FAILURE);
  EXPECT_EQ(h.ConditionCode(), TWCC_BADVALUE);
  EXPECT_EQ(h.source->CapValues().xResolution, 200.0f);
}

TEST(ClosedSource, AnswersNoCapability) {
  SourceHarness h;
  EXPECT_EQ(Ask(h, ICAP_XRESOLUTION, MSG_GET).result, TWRC_FAILURE);
  EXPECT_EQ(h.ConditionCode(), TWCC_CAPUNSUPPORTED);
  EXPECT_TRUE(h.boxes.shown.empty());
}

TEST(ClosedSource, CurrentValuesSurviveCloseAndReopen) {
  SourceHarness h;
  h.application.ProtocolMajor = 1;
  h.application.ProtocolMinor = 9;
  ASSERT_EQ(h.Open(), TWRC_SUCCESS);
  ASSERT_EQ(SetOneValue(h, ICAP_XRESOLUTION, TWTY_FIX32, Fix(300)), TWRC_SUCCESS);
  ASSERT_EQ(SetOneValue(h, ICAP_ORIENTATION, TWTY_UINT16, TWOR_ROT180), TWRC_SUCCESS);
  TW_IDENTITY record = h.managerRecord;
  ASSERT_EQ(h.Call(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &record), TWRC_SUCCESS);

  EXPECT_EQ(Ask(h, ICAP_XRESOLUTION, MSG_GETCURRENT).result, TWRC_FAILURE);
  EXPECT_EQ(h.ConditionCode(), TWCC_CAPUNSUPPORTED);

  ASSERT_EQ(h.Open(), TWRC_SUCCESS);
  ExpectFix(Ask(h, ICAP_XRESOLUTION, MSG_GETCURRENT), kOneValueItem, 300);
  EXPECT_EQ(Ask(h, ICAP_ORIENTATION, MSG_GETCURRENT).At<TW_UINT16>(kOneValueItem), TWOR_ROT180);
}

// ICAP_BITDEPTH answers for the pixel type recorded with the next picture to transfer.
class BitDepth : public OpenSource {
 protected:
  void Submit(std::initializer_list<std::uint16_t> pixelTypes) {
    int number = 1;
    for (std::uint16_t type : pixelTypes) h.source->Queue().Entry(number++)->pixelType = protocol::PixelTypeOf(type);
    h.SubmitPictures(static_cast<int>(pixelTypes.size()));
  }
  std::uint16_t OnlyBitDepth() {
    const CapAnswer answer = Ask(h, ICAP_BITDEPTH, MSG_GET);
    EXPECT_EQ(answer.result, TWRC_SUCCESS);
    EXPECT_EQ(answer.conType, TWON_ENUMERATION);
    EXPECT_EQ(answer.NumItems(), 1u);
    return answer.At<TW_UINT16>(kEnumItems);
  }
};

// Before any picture the bit depth is that of the pixel type the application
// chose, so the pair an application negotiates agrees.
TEST_F(BitDepth, BeforeAnyPictureFollowsThePixelType) {
  const std::pair<TW_UINT16, int> expected[] = {{TWPT_GRAY, 8}, {TWPT_BW, 1}, {TWPT_RGB, 24}};
  for (const auto& [pixelType, depth] : expected) {
    ASSERT_EQ(SetOneValue(h, ICAP_PIXELTYPE, TWTY_UINT16, pixelType), TWRC_SUCCESS);
    EXPECT_EQ(OnlyBitDepth(), depth) << "pixel type " << pixelType;
  }
  // Colour and black-and-white from one shot: its first picture is colour.
  h.source->CapValues().pixelType = caps::kPixelTypeColourAndBlackWhite;
  EXPECT_EQ(OnlyBitDepth(), 24);
}

TEST_F(BitDepth, FollowsTheRecordedTypeOfTheNextPicture) {
  Submit({TWPT_GRAY, TWPT_RGB});
  ASSERT_EQ(SetOneValue(h, ICAP_PIXELTYPE, TWTY_UINT16, TWPT_RGB), TWRC_SUCCESS);
  EXPECT_EQ(OnlyBitDepth(), 8);
  h.source->Queue().EndCurrentTransfer();
  EXPECT_EQ(OnlyBitDepth(), 24);
  EXPECT_EQ(SetOneValue(h, ICAP_BITDEPTH, TWTY_UINT16, TW_UINT16{8}), TWRC_FAILURE);
  EXPECT_EQ(h.ConditionCode(), TWCC_BADVALUE);
  EXPECT_EQ(SetOneValue(h, ICAP_BITDEPTH, TWTY_UINT16, TW_UINT16{24}), TWRC_SUCCESS);
}

// A recorded type other than grey or colour is a black-and-white picture.
TEST_F(BitDepth, AnyOtherRecordedTypeIsBlackAndWhite) {
  Submit({caps::kPixelTypeColourAndBlackWhite});
  ASSERT_EQ(SetOneValue(h, ICAP_PIXELTYPE, TWTY_UINT16, TWPT_RGB), TWRC_SUCCESS);
  EXPECT_EQ(OnlyBitDepth(), 1);
}

TEST_F(BitDepth, NextPictureOutsideTheQueueAnswersForThePixelType) {
  Submit({TWPT_GRAY, TWPT_GRAY});
  h.source->CapValues().pixelType = TWPT_RGB;
  h.source->Queue().SetPictureCount(0);  // two still pending: the next number is -1
  EXPECT_EQ(OnlyBitDepth(), 24);
  h.source->Queue().DropAllPending();
  h.source->Queue().SetPictureCount(acquire::kMaxPictures);  // the next number is 2041
  EXPECT_EQ(OnlyBitDepth(), 24);
}

}  // namespace
