// Which devices count as document cameras.
#include <gtest/gtest.h>

#include "capture/device_selection.h"

namespace capture {
namespace {

constexpr std::string_view kFirstPath = "\\\\?\\usb#vid_4d56&pid_2c01&mi_00#7&2a1b3c4d&0&0000#{guid}\\global";

TEST(PathKey, IsTheTwentyOneCharactersAfterTheFirstFour) {
  EXPECT_EQ(PathKey(kFirstPath), "usb#vid_4d56&pid_2c01");
  EXPECT_EQ(PathKey("\\\\?\\usb#vid_4d"), "usb#vid_4d");  // shorter path, shorter key
  EXPECT_EQ(PathKey("\\\\?\\"), "");
  EXPECT_EQ(PathKey("ab"), "");
  EXPECT_EQ(PathKey(std::string_view("\\\\?\\usb\0#vid_4d56&pid_2c01", 26)), "usb");  // a C string ends at NUL
}

TEST(DocumentCameraTable, EitherKeyQualifiesWhateverTheName) {
  EXPECT_TRUE(IsDocumentCamera("Mervale Document Camera", kFirstPath));
  EXPECT_TRUE(IsDocumentCamera("Mervale Visualiser HD", kFirstPath));
  EXPECT_TRUE(IsDocumentCamera("Some Other Name", kFirstPath));
  EXPECT_TRUE(IsDocumentCamera("", "\\\\?\\usb#vid_4d56&pid_2c02&mi_00"));
  EXPECT_FALSE(IsDocumentCamera("Mervale Document Camera", "\\\\?\\usb#vid_4d56&pid_2c03&mi_00"));
}

TEST(DocumentCameraTable, KeysMatchExactly) {
  EXPECT_FALSE(IsDocumentCamera("Mervale Document Camera", "\\\\?\\USB#VID_4D56&PID_2C01&MI_00"));
  EXPECT_FALSE(IsDocumentCamera("Mervale Document Camera", "\\\\?\\usb#vid_4d56&pid_2c0"));  // one short
  EXPECT_TRUE(IsDocumentCamera("x", "####usb#vid_4d56&pid_2c01"));  // the first four characters are skipped unread
}

TEST(DocumentCameraTable, NamedRulesCompareWholeNames) {
  const DeviceMatchRule& named = kDocumentCameraTable[0];
  EXPECT_TRUE(named.Matches("Mervale Document Camera", kFirstCameraKey));
  EXPECT_FALSE(named.Matches("Mervale Document Camera ", kFirstCameraKey));
  EXPECT_FALSE(named.Matches("mervale document camera", kFirstCameraKey));
  EXPECT_FALSE(named.Matches("Mervale Document Camera", kSecondCameraKey));
  EXPECT_EQ(kFirstCameraKey.size(), 21u);
  EXPECT_EQ(kSecondCameraKey.size(), 21u);
}

}  // namespace
}  // namespace capture
