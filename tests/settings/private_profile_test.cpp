#include "settings/private_profile.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace settings {
namespace {

using namespace std::string_literals;

TEST(PrivateProfile, WritesSectionsAndKeysAsTheProfileFunctionsDo) {
  PrivateProfile profile;
  profile.Set("App1", "key1", "string1");
  profile.Set("App2", "key3", "string3");
  profile.Set("App1", "key2", "string2");
  profile.Set("App1", "key1", "changed");
  profile.Set("App2", "empty", "");
  EXPECT_EQ(profile.Bytes(),
            "[App1]\r\nkey1=changed\r\nkey2=string2\r\n"
            "[App2]\r\nkey3=string3\r\nempty=\r\n");
}

TEST(PrivateProfile, MatchesNamesWithoutRegardToAsciiCase) {
  PrivateProfile profile("[Section]\r\nWidth=640\r\n");
  EXPECT_EQ(profile.Get("SECTION", "width"), "640");
  profile.Set("section", "WIDTH", "800");
  EXPECT_EQ(profile.Bytes(), "[Section]\r\nWidth=800\r\n");
}

TEST(PrivateProfile, ComparesDoubleByteCharactersExactly) {
  // 0x81 0x41 and 0x81 0x61 are two different GBK characters, though their
  // second bytes look like "A" and "a".
  const PrivateProfile profile("[\x81\x41]\r\nk=1\r\n");
  EXPECT_FALSE(profile.Get("\x81\x61", "k"));
  EXPECT_EQ(profile.Get("\x81\x41", "K"), "1");
}

TEST(PrivateProfile, ReadsValuesWithoutSurroundingBlanksOrQuotes) {
  const PrivateProfile profile(
      "  [ s ]  \n"
      "  a =  1 2  \r\n"
      "b=\"quoted\"\n"
      "c='x\n"
      "d=before\0after\n"
      "novalue\n"
      "e="s);
  EXPECT_EQ(profile.Get("s", "a"), "1 2");
  EXPECT_EQ(profile.Get("s", "b"), "quoted");
  EXPECT_EQ(profile.Get("s", "c"), "'x");
  EXPECT_EQ(profile.Get("s", "d"), "before");
  EXPECT_EQ(profile.Get("s", "e"), "");
  EXPECT_FALSE(profile.Get("s", "novalue"));
  EXPECT_FALSE(profile.Get("t", "a"));
}

TEST(PrivateProfile, AnEditKeepsEverythingElseByteForByte) {
  PrivateProfile profile(
      "; written by hand\n"
      "[a]\n"
      "  x = 1  \n"
      "mine=kept\n"
      "\n"
      "[b]\n"
      "y=2");
  profile.Set("a", "x", "10");
  profile.Set("a", "new", "3");
  profile.Set("b", "z", "4");
  profile.Set("c", "w", "5");
  EXPECT_EQ(profile.Bytes(),
            "; written by hand\n"
            "[a]\n"
            "  x = 10  \n"
            "mine=kept\n"
            "new=3\r\n"
            "\n"
            "[b]\n"
            "y=2\r\n"
            "z=4\r\n"
            "[c]\r\n"
            "w=5\r\n");
}

TEST(PrivateProfile, AValueCannotBreakIntoAnotherLine) {
  PrivateProfile profile;
  profile.Set("s", "text", "one\r\n[s]\r\ntext=two");
  EXPECT_EQ(profile.Bytes(), "[s]\r\ntext=one\r\n");
}

// Whatever the bytes, a value that was set reads back, and setting it again
// changes nothing.
TEST(PrivateProfile, SetThenGetHoldsOnArbitraryBytes) {
  static constexpr char kAlphabet[] = "[]=;\"' \t\r\n\0skvx\x81\xfe\xff";
  std::mt19937 random(20240601);
  for (int round = 0; round < 3000; ++round) {
    std::string bytes(random() % 64, '\0');
    for (char& c : bytes) c = kAlphabet[random() % (sizeof kAlphabet - 1)];
    PrivateProfile profile(bytes);
    profile.Get("s", "k");
    profile.Set("s", "k", "value");
    profile.Set("S", "v", "other");
    ASSERT_EQ(profile.Get("s", "k"), "value") << testing::PrintToString(bytes);
    ASSERT_EQ(profile.Get("s", "V"), "other") << testing::PrintToString(bytes);
    const std::string once = profile.Bytes();
    profile.Set("s", "k", "value");
    ASSERT_EQ(profile.Bytes(), once) << testing::PrintToString(bytes);
  }
}

}  // namespace
}  // namespace settings
