#include "platform/lock.h"

namespace platform {

Lock::Lock() = default;
Lock::~Lock() = default;
void Lock::Enter() { Mutex.lock(); }
void Lock::Leave() { Mutex.unlock(); }

} // namespace platform
