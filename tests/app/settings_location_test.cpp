#include <gtest/gtest.h>

#include <set>

#include "app/logic/settings_location.h"

namespace {

std::set<std::wstring> Files;
bool Exists(const std::wstring& path) { return Files.count(path) != 0; }

TEST(SettingsLocation, AnIniBesideTheProgramMakesItPortable) {
  Files = {L"E:\\Tools\\Bytwacht 1\\bytwacht.ini"};
  const SettingsLocation portable = ChooseSettingsLocation(L"E:\\Tools\\Bytwacht 1\\bytwacht.exe",
                                                           L"C:\\Users\\u\\AppData\\Roaming", Exists);
  EXPECT_TRUE(portable.Portable);
  EXPECT_EQ(portable.Folder, L"E:\\Tools\\Bytwacht 1");
  EXPECT_EQ(portable.File, L"E:\\Tools\\Bytwacht 1\\bytwacht.ini");

  // A program in a drive's root, and one started without the application-data
  // folder, still find the file beside them.
  Files = {L"F:\\bytwacht.ini"};
  EXPECT_EQ(ChooseSettingsLocation(L"F:\\bytwacht.exe", L"", Exists).File, L"F:\\bytwacht.ini");
}

TEST(SettingsLocation, OtherwiseTheApplicationDataFolder) {
  // An ini in the folder above does not count.
  Files = {L"E:\\Tools\\bytwacht.ini"};
  const SettingsLocation normal =
      ChooseSettingsLocation(L"E:\\Tools\\Sub\\bytwacht.exe", L"C:\\Users\\u\\AppData\\Roaming", Exists);
  EXPECT_FALSE(normal.Portable);
  EXPECT_EQ(normal.Folder, L"C:\\Users\\u\\AppData\\Roaming\\Bytwacht");
  EXPECT_EQ(normal.File, L"C:\\Users\\u\\AppData\\Roaming\\Bytwacht\\bytwacht.ini");

  // Neither: no path at all, never a file in the current folder or a root.
  const SettingsLocation none = ChooseSettingsLocation(L"", L"", Exists);
  EXPECT_TRUE(none.File.empty());
  EXPECT_TRUE(none.Folder.empty());
}

} // namespace
