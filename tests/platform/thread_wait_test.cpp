// A window thread that waits for a worker must still receive what the worker
// sends it, or both would wait for each other forever.
#include <gtest/gtest.h>

#include <windows.h>

#include "platform/thread.h"
#include "platform/win32/owned_handles.h"

namespace {

constexpr UINT TestMessage = WM_USER + 1;
int Received = 0;

LRESULT CALLBACK CountingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == TestMessage) {
    ++Received;
    return 7;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

HWND Target = nullptr;

unsigned SendThrice(void*) {
  Sleep(50); // let the window thread start waiting first
  LRESULT sum = 0;
  for (int i = 0; i < 3; ++i)
    sum += SendMessageW(Target, TestMessage, 0, 0);
  return static_cast<unsigned>(sum);
}

class ThreadWaitTest : public ::testing::Test {
protected:
  void SetUp() override {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = CountingProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"BytwachtThreadWaitTest";
    RegisterClassW(&windowClass);
    Window.Reset(CreateWindowW(L"BytwachtThreadWaitTest", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                               GetModuleHandleW(nullptr), nullptr));
    Target = Window.Get();
    ASSERT_NE(Target, nullptr);
    Received = 0;
  }

  OwnedWindow Window;
};

TEST_F(ThreadWaitTest, JoinDeliversMessagesSentToTheWaitingThread) {
  platform::Thread worker;
  ASSERT_TRUE(worker.Start(SendThrice, nullptr));
  worker.SetPriority(platform::ThreadPriority::AboveNormal);
  worker.Join();
  EXPECT_EQ(Received, 3);
  EXPECT_TRUE(worker.Finished());
}

TEST_F(ThreadWaitTest, ATimedWaitDeliversThemTooAndReportsTheEnd) {
  platform::Thread worker;
  ASSERT_TRUE(worker.Start(SendThrice, nullptr));
  EXPECT_TRUE(worker.WaitFor(10000));
  EXPECT_EQ(Received, 3);

  platform::Thread sleeper;
  ASSERT_TRUE(sleeper.Start(
      [](void*) -> unsigned {
        Sleep(300);
        return 0;
      },
      nullptr));
  EXPECT_FALSE(sleeper.WaitFor(20)); // still running
  EXPECT_FALSE(sleeper.Finished());
  sleeper.Join();
}

} // namespace
