// The diagnostic channel reports a failed call with the error it left behind.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "platform/win32/diagnostics.h"

namespace {

std::wstring Lines;
void Collect(const wchar_t* line) { Lines += line; }

class Diagnostics : public ::testing::Test {
protected:
  void SetUp() override {
    Lines.clear();
    SetDiagnosticSink(Collect);
  }
  void TearDown() override { SetDiagnosticSink(nullptr); }
};

TEST_F(Diagnostics, AFailedCallIsReportedWithTheErrorItLeft) {
  // A timer for a window that does not exist.
  ASSERT_EQ(SetTimer(reinterpret_cast<HWND>(static_cast<UINT_PTR>(0x7FFF0)), 1, 10, nullptr), 0u);
  const DWORD error = GetLastError();
  ASSERT_NE(error, 0u);
  LogLastError(L"SetTimer");
  EXPECT_EQ(Lines.rfind(L"Bytwacht: SetTimer fehlgeschlagen (Fehler " + std::to_wstring(error) + L", 0x", 0),
            0u)
      << Lines.c_str();
}

TEST_F(Diagnostics, ReturnedCodesAndOverlongNamesFitTheLine) {
  LogFailure(L"SHGetFolderPathW", 0x80070005ul);
  EXPECT_EQ(Lines, L"Bytwacht: SHGetFolderPathW fehlgeschlagen (Fehler 2147942405, 0x80070005)\n");
  Lines.clear();
  LogFailure(std::wstring(500, L'x').c_str(), 1);
  EXPECT_EQ(Lines, L"Bytwacht: " + std::wstring(100, L'x') + L" fehlgeschlagen (Fehler 1, 0x00000001)\n");
}

} // namespace
