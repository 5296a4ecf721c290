#pragma once
// When a capture session tries its adapter again, and when it gives up.
#include <cstdint>
#include <optional>

// How long a session waits for an adapter that cannot be opened.
enum class AdapterWait : std::uint8_t {
  None,        // one attempt: a start the user asked for
  AtLaunch,    // the program was started, maybe before Wi-Fi or a USB adapter is up
  AfterResume, // the machine woke up and the adapter may still be coming back
};

// The pause before the next attempt to open, after `failed` attempts failed
// (1 after the first) and `elapsedMs` after the first began: 1, 2, 4 ... s,
// at most 10 s, the last one cut so that no attempt comes after the wait's
// end. None when it is time to give up.
std::optional<std::uint32_t> PauseBeforeNextOpen(AdapterWait wait, unsigned failed, std::uint32_t elapsedMs);

// After the capture loop failed: the pause before reopen number `done + 1`
// (1 s, then 3 s); none after two.
std::optional<std::uint32_t> PauseBeforeReopen(unsigned done);

// A reopened capture has recovered (a later failure starts with a fresh pair
// of reopens) once it counted a packet or ran this long.
constexpr std::uint32_t RecoveredAfterMs = 10000;
