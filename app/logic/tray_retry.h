#pragma once
// Adding the notification-area icon again while the shell is not ready for it
// (at logon Explorer may come up after the programs it starts).
#include <cstdint>

constexpr std::uint32_t TrayRetryPeriodMs = 2000;
constexpr std::uint64_t TrayRetryLimitMs = 120000;

class TrayAddRetry {
public:
  // The first add failed at `now`: retrying begins (the caller starts its timer).
  void Begin(std::uint64_t now) {
    Active = true;
    GiveUpAt = now + TrayRetryLimitMs;
  }
  // Result of an add at `now`, from the timer or any other attempt: whether
  // the timer keeps running. It stops once the icon is there and after two
  // minutes of failures.
  bool AfterAttempt(std::uint64_t now, bool added) {
    if (added || now >= GiveUpAt) Active = false;
    return Active;
  }
  bool Retrying() const { return Active; }

private:
  bool Active = false;
  std::uint64_t GiveUpAt = 0;
};
