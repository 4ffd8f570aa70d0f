// Reading one text value from the registry, against a scratch key of the current user.
#include "app/registry.h"

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr char kScratchKey[] = "Software\\LudvaneTests\\RegistryText";
constexpr wchar_t kScratchKeyW[] = L"Software\\LudvaneTests\\RegistryText";

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
              RegSetValueExW(key_, L"Value", 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                             static_cast<DWORD>(bytes.size())));
  }

  // Stores exactly these UTF-16 characters with this type.
  void Store(DWORD type, const std::wstring& text) {
    Store(type,
          std::string(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t)));
  }

  std::optional<std::wstring> Read() const {
    return app::ReadRegistryText(HKEY_CURRENT_USER, kScratchKeyW, L"Value");
  }

  HKEY key_ = nullptr;
};

TEST_F(RegistryTextTest, TextValueIsReadUpToItsFirstZeroCharacter) {
  Store(REG_SZ, std::wstring(L"D:\\Games\\GTAV\0", 14));
  EXPECT_EQ(L"D:\\Games\\GTAV", Read());

  Store(REG_SZ, std::wstring(L"first\0second\0", 13));
  EXPECT_EQ(L"first", Read());
}

TEST_F(RegistryTextTest, TextWithoutTerminatingZeroIsReadWhole) {
  Store(REG_SZ, L"E:\\SteamLibrary\\GTAV");
  EXPECT_EQ(L"E:\\SteamLibrary\\GTAV", Read());
}

TEST_F(RegistryTextTest, OnlyATerminatorIsTheEmptyTextNotNothing) {
  Store(REG_SZ, std::wstring(1, L'\0'));
  const auto text = Read();
  ASSERT_TRUE(text.has_value());
  EXPECT_EQ(L"", *text);
}

TEST_F(RegistryTextTest, ZeroBytesAreNothing) {
  Store(REG_SZ, L"");
  EXPECT_EQ(std::nullopt, Read());
}

TEST_F(RegistryTextTest, ValueLongerThanMaxPathIsReadWhole) {
  const std::wstring longText = L"C:\\" + std::wstring(3 * MAX_PATH, 'x') + L"\\GTAV";
  Store(REG_SZ, longText + L'\0');
  EXPECT_EQ(longText, Read());
}

TEST_F(RegistryTextTest, TextOutsideTheAnsiCodePageKeepsItsCharacters) {
  // D:\游戏\한국어\GTAV: the text comes whole from the registry's own Unicode store, whatever
  // the system's code page.
  const std::wstring text = L"D:\\\u6E38\u620F\\\uD55C\uAD6D\uC5B4\\GTAV";
  Store(REG_SZ, text + L'\0');
  EXPECT_EQ(text, Read());
}

TEST_F(RegistryTextTest, ExpandableTextHasItsVariablesExpanded) {
  ASSERT_TRUE(SetEnvironmentVariableW(L"LUDVANE_TEST_GAMES", L"D:\\Games"));
  Store(REG_EXPAND_SZ, std::wstring(L"%LUDVANE_TEST_GAMES%\\GTAV\0", 26));
  EXPECT_EQ(L"D:\\Games\\GTAV", Read());

  // An expansion far longer than the value itself.
  const std::wstring longFolder = L"D:\\" + std::wstring(2 * MAX_PATH, 'y');
  ASSERT_TRUE(SetEnvironmentVariableW(L"LUDVANE_TEST_GAMES", longFolder.c_str()));
  EXPECT_EQ(longFolder + L"\\GTAV", Read());
  SetEnvironmentVariableW(L"LUDVANE_TEST_GAMES", nullptr);

  Store(REG_EXPAND_SZ, std::wstring(L"%LUDVANE_TEST_UNSET%\\GTAV\0", 26));
  EXPECT_EQ(L"%LUDVANE_TEST_UNSET%\\GTAV", Read()) << "an unknown variable stays as written";
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
  EXPECT_EQ(std::nullopt, app::ReadRegistryText(HKEY_CURRENT_USER,
                                                L"Software\\LudvaneTests\\NoSuchKey", L"Value"));
}

}  // namespace
