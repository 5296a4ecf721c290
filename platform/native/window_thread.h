#pragma once
// Internal to the native platform layer: waits on the stand-in window thread
// keep handling sent messages.
namespace platform {
bool IsWindowThread();
} // namespace platform
