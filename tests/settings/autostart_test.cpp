// Registry round trips of the autostart buttons, on a scratch key so that the
// test prefix never starts anything at logon.
#include <gtest/gtest.h>

#include <windows.h>

#include "platform/win32/owned_handles.h"
#include "settings/win32/autostart.h"

namespace {

constexpr const wchar_t* ScratchKey = L"Software\\BytwachtTest\\Run";

class Autostart : public ::testing::Test {
protected:
  void SetUp() override {
    HKEY raw = nullptr;
    ASSERT_EQ(
        RegCreateKeyExW(HKEY_CURRENT_USER, ScratchKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &raw, nullptr),
        ERROR_SUCCESS);
    OwnedKey key(raw);
    RegDeleteValueW(key.Get(), AutostartValueName);
  }
  void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\BytwachtTest"); }

  static std::wstring StoredValue(DWORD* type) {
    wchar_t data[1024] = {};
    DWORD size = sizeof(data);
    if (RegGetValueW(HKEY_CURRENT_USER, ScratchKey, AutostartValueName, RRF_RT_ANY | RRF_NOEXPAND, type, data,
                     &size) != ERROR_SUCCESS)
      return L"<none>";
    return data;
  }

  static void StoreValue(const std::wstring& data) {
    RegSetKeyValueW(HKEY_CURRENT_USER, ScratchKey, AutostartValueName, REG_SZ, data.c_str(),
                    static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
  }
};

TEST_F(Autostart, RegisterStoresTheQuotedFullPathAndRemoveWorksOnce) {
  const std::wstring path = ModulePath();
  ASSERT_FALSE(path.empty());
  EXPECT_NE(path.find(L".exe"), std::wstring::npos);

  EXPECT_EQ(RegisterAutostart(ScratchKey, path), AutostartResult::Written);
  DWORD type = 0;
  EXPECT_EQ(StoredValue(&type), L"\"" + path + L"\"");
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  // Registering again replaces the value.
  EXPECT_EQ(RegisterAutostart(ScratchKey, L"C:\\Program Files\\Bytwacht\\bytwacht.exe"),
            AutostartResult::Written);
  EXPECT_EQ(StoredValue(&type), L"\"C:\\Program Files\\Bytwacht\\bytwacht.exe\"");

  EXPECT_EQ(RemoveAutostart(ScratchKey), AutostartResult::Deleted);
  EXPECT_EQ(StoredValue(&type), L"<none>");
  // The second press finds nothing to remove and says so.
  EXPECT_EQ(RemoveAutostart(ScratchKey), AutostartResult::NotDeleted);
  EXPECT_NE(std::wstring(DescribeAutostart(AutostartResult::NotDeleted).Text).find(L"bereits entfernt"),
            std::wstring::npos);
}

TEST_F(Autostart, MissingKeyAndUnreadablePathAreFailuresNotSuccess) {
  EXPECT_EQ(RegisterAutostart(L"Software\\BytwachtTest\\Missing", L"C:\\x.exe"),
            AutostartResult::KeyNotOpened);
  EXPECT_EQ(RemoveAutostart(L"Software\\BytwachtTest\\Missing"), AutostartResult::KeyNotOpened);
  // A path that could not be read is never registered as an empty command.
  EXPECT_EQ(RegisterAutostart(ScratchKey, L""), AutostartResult::NotWritten);
  DWORD type = 0;
  EXPECT_EQ(StoredValue(&type), L"<none>");
}

TEST_F(Autostart, ABareEntryOfAnEarlierVersionIsQuotedOnlyWhenItIsOursAndAmbiguous) {
  const std::wstring ours = L"C:\\Program Files\\Bytwacht\\bytwacht.exe";
  DWORD type = 0;
  EXPECT_FALSE(QuoteBareAutostart(ScratchKey, ours)) << "no entry at all";
  EXPECT_EQ(StoredValue(&type), L"<none>");

  StoreValue(L"c:\\program files\\bytwacht\\BYTWACHT.EXE");
  EXPECT_TRUE(QuoteBareAutostart(ScratchKey, ours));
  EXPECT_EQ(StoredValue(&type), L"\"" + ours + L"\"");
  EXPECT_FALSE(QuoteBareAutostart(ScratchKey, ours)) << "already safe";

  for (const std::wstring other : {L"C:\\Other Copy\\bytwacht.exe", L"C:\\Tools\\bytwacht.exe"}) {
    StoreValue(other);
    EXPECT_FALSE(QuoteBareAutostart(ScratchKey, ours));
    EXPECT_EQ(StoredValue(&type), other);
  }
}

TEST(AutostartBoxes, TitlesAndIconsFollowTheButton) {
  EXPECT_STREQ(DescribeAutostart(AutostartResult::KeyNotOpened).Title, L"Autostart registrieren");
  EXPECT_EQ(DescribeAutostart(AutostartResult::Written).Icon, static_cast<UINT>(MB_ICONQUESTION));
  EXPECT_STREQ(DescribeAutostart(AutostartResult::Deleted).Title, L"Autostart entfernen");
  EXPECT_EQ(DescribeAutostart(AutostartResult::NotWritten).Icon, static_cast<UINT>(MB_ICONWARNING));
}

} // namespace
