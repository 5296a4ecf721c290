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
};

TEST_F(Autostart, RegisterStoresTheFullPathAndRemoveWorksOnce) {
  const std::wstring path = ModulePath();
  ASSERT_FALSE(path.empty());
  EXPECT_NE(path.find(L".exe"), std::wstring::npos);

  EXPECT_EQ(RegisterAutostart(ScratchKey, path), AutostartResult::Written);
  DWORD type = 0;
  EXPECT_EQ(StoredValue(&type), path);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  // Registering again replaces the value.
  EXPECT_EQ(RegisterAutostart(ScratchKey, L"C:\\other\\bytwacht.exe"), AutostartResult::Written);
  EXPECT_EQ(StoredValue(&type), L"C:\\other\\bytwacht.exe");

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

TEST(AutostartBoxes, TitlesAndIconsFollowTheButton) {
  EXPECT_STREQ(DescribeAutostart(AutostartResult::KeyNotOpened).Title, L"Autostart registrieren");
  EXPECT_EQ(DescribeAutostart(AutostartResult::Written).Icon, static_cast<UINT>(MB_ICONQUESTION));
  EXPECT_STREQ(DescribeAutostart(AutostartResult::Deleted).Title, L"Autostart entfernen");
  EXPECT_EQ(DescribeAutostart(AutostartResult::NotWritten).Icon, static_cast<UINT>(MB_ICONWARNING));
}

} // namespace
