// Every seed of the settings fuzzer, loaded from a real file, saved and loaded
// again, gives the same record; plus the cases the fuzzer found.
#include <gtest/gtest.h>

#include <dirent.h>
#include <string>
#include <vector>

#include "platform/text_conversion.h"
#include "settings/settings.h"
#include "tests/support/temp_dir.h"

using testsupport::ReadBytes;
using testsupport::TempDir;
using testsupport::WriteBytes;

namespace {

std::vector<std::string> CorpusFiles(const std::string& dir) {
  std::vector<std::string> files;
  if (DIR* d = ::opendir(dir.c_str())) {
    while (dirent* e = ::readdir(d)) {
      if (e->d_name[0] != '.') files.push_back(dir + "/" + e->d_name);
    }
    ::closedir(d);
  }
  return files;
}

// Loads `bytes` from a file, saves it and loads the result; returns the two
// saved files.
std::pair<std::string, std::string> SaveLoadSave(const std::string& bytes) {
  TempDir dir;
  Settings first;
  first.FilePath = dir.File(L"bytwacht.ini");
  EXPECT_TRUE(WriteBytes(first.FilePath, bytes));
  EXPECT_TRUE(first.Load());
  EXPECT_TRUE(first.Save());
  std::string once, twice;
  EXPECT_TRUE(ReadBytes(first.FilePath, once));

  Settings second;
  second.FilePath = first.FilePath;
  EXPECT_TRUE(second.Load());
  EXPECT_TRUE(second.Save());
  EXPECT_TRUE(ReadBytes(second.FilePath, twice));
  return {once, twice};
}

} // namespace

TEST(SettingsRoundTrip, EverySeedSurvivesSaveAndLoad) {
  const std::vector<std::string> files = CorpusFiles(SETTINGS_CORPUS);
  ASSERT_FALSE(files.empty());
  for (const std::string& file : files) {
    SCOPED_TRACE(file);
    std::string bytes;
    ASSERT_TRUE(ReadBytes(NarrowToWide(file), bytes));
    const auto [once, twice] = SaveLoadSave(bytes);
    EXPECT_EQ(once, twice);
  }
}

TEST(SettingsRoundTrip, UnsignedFieldsKeepValuesAbove2147483647) {
  // A negative number in an unsigned field is kept as its 32-bit pattern and
  // saved as that unsigned value; loading it again must not fall back to the
  // default.
  const auto [once, twice] = SaveLoadSave("Alpha=-1\r\nWindowWidth=3000000000\r\nInterval=-100\r\n");
  EXPECT_NE(once.find("Alpha=4294967295\r\n"), std::string::npos);
  EXPECT_NE(once.find("WindowWidth=3000000000\r\n"), std::string::npos);
  EXPECT_NE(once.find("Interval=4294967196\r\n"), std::string::npos);
  EXPECT_EQ(once, twice);

  // Beyond 32 bits there is no number to keep: the default.
  const auto [big, unused] = SaveLoadSave("WindowHeight=4294967296\r\nAlpha=-2147483649\r\n");
  EXPECT_NE(big.find("WindowHeight=100\r\n"), std::string::npos);
  EXPECT_NE(big.find("Alpha=255\r\n"), std::string::npos);
}
