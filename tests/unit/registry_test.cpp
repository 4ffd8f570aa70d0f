// Reading one text value from the registry, against a scratch key of the current user.
#include "app/registry.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr char kScratchKey[] = "Software\\LudvaneTests\\RegistryText";

class RegistryTextTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegDeleteTreeA(HKEY_CURRENT_USER, kScratchKey);
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, kScratchKey, 0, nullptr, 0,
                                             KEY_SET_VALUE, nullptr, &key_, nullptr));
  }

  void TearDown() override {
    if (key_) RegCloseKey(key_);
    RegDeleteTreeA(HKEY_CURRENT_USER, kScratchKey);
    RegDeleteKeyA(HKEY_CURRENT_USER, kScratchKey);
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\LudvaneTests");
  }

  // Stores exactly these bytes with this type.
  void Store(DWORD type, const std::string& bytes) {
    ASSERT_EQ(ERROR_SUCCESS,
              RegSetValueExA(key_, "Value", 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                             static_cast<DWORD>(bytes.size())));
  }

  std::optional<std::string> Read() const {
    return app::ReadRegistryText(HKEY_CURRENT_USER, kScratchKey, "Value");
  }

  HKEY key_ = nullptr;
};

TEST_F(RegistryTextTest, TextValueIsReadUpToItsFirstZeroByte) {
  Store(REG_SZ, std::string("D:\\Games\\GTAV\0", 14));
  EXPECT_EQ("D:\\Games\\GTAV", Read());

  Store(REG_SZ, std::string("first\0second\0", 13));
  EXPECT_EQ("first", Read());
}

TEST_F(RegistryTextTest, TextWithoutTerminatingZeroIsReadWhole) {
  Store(REG_SZ, "E:\\SteamLibrary\\GTAV");
  EXPECT_EQ("E:\\SteamLibrary\\GTAV", Read());
}

TEST_F(RegistryTextTest, OnlyATerminatorIsTheEmptyTextNotNothing) {
  Store(REG_SZ, std::string(1, '\0'));
  const auto text = Read();
  ASSERT_TRUE(text.has_value());
  EXPECT_EQ("", *text);
}

TEST_F(RegistryTextTest, ZeroBytesAreNothing) {
  Store(REG_SZ, "");
  EXPECT_EQ(std::nullopt, Read());
}

TEST_F(RegistryTextTest, ValueLongerThanMaxPathIsReadWhole) {
  const std::string longText = "C:\\" + std::string(3 * MAX_PATH, 'x') + "\\GTAV";
  Store(REG_SZ, longText + '\0');
  EXPECT_EQ(longText, Read());
}

TEST_F(RegistryTextTest, DoubleByteTextKeepsItsBytes) {
  // D:\游戏\GTAV in code page 936; the text passes the registry's own Unicode store unchanged.
  if (GetACP() != 936) GTEST_SKIP() << "needs the code page 936";
  const std::string text = "D:\\\xD3\xCE\xCF\xB7\\GTAV";
  Store(REG_SZ, text + '\0');
  EXPECT_EQ(text, Read());
}

TEST_F(RegistryTextTest, ExpandableTextHasItsVariablesExpanded) {
  ASSERT_TRUE(SetEnvironmentVariableA("LUDVANE_TEST_GAMES", "D:\\Games"));
  Store(REG_EXPAND_SZ, std::string("%LUDVANE_TEST_GAMES%\\GTAV\0", 26));
  EXPECT_EQ("D:\\Games\\GTAV", Read());

  // An expansion far longer than the value itself.
  const std::string longFolder = "D:\\" + std::string(2 * MAX_PATH, 'y');
  ASSERT_TRUE(SetEnvironmentVariableA("LUDVANE_TEST_GAMES", longFolder.c_str()));
  EXPECT_EQ(longFolder + "\\GTAV", Read());
  SetEnvironmentVariableA("LUDVANE_TEST_GAMES", nullptr);

  Store(REG_EXPAND_SZ, std::string("%LUDVANE_TEST_UNSET%\\GTAV\0", 26));
  EXPECT_EQ("%LUDVANE_TEST_UNSET%\\GTAV", Read()) << "an unknown variable stays as written";
}

TEST_F(RegistryTextTest, OtherTypesAreNothing) {
  Store(REG_DWORD, std::string("\x01\x00\x00\x00", 4));
  EXPECT_EQ(std::nullopt, Read());
  Store(REG_BINARY, std::string("D:\\GTAV\0", 8));
  EXPECT_EQ(std::nullopt, Read());
  Store(REG_MULTI_SZ, std::string("D:\\GTAV\0\0", 9));
  EXPECT_EQ(std::nullopt, Read());
}

TEST_F(RegistryTextTest, MissingValueOrKeyIsNothing) {
  EXPECT_EQ(std::nullopt, Read());
  EXPECT_EQ(std::nullopt,
            app::ReadRegistryText(HKEY_CURRENT_USER, "Software\\LudvaneTests\\NoSuchKey", "Value"));
}

}  // namespace
