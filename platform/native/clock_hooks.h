#pragma once
// Internal to the native platform layer: the sleep that a test installed.
#include "platform/clock.h"

namespace platform {
SleepHook CurrentSleepHook();
} // namespace platform
