#include "platform/lock.h"

namespace platform {

Lock::Lock() { InitializeCriticalSection(&Section); }
Lock::~Lock() { DeleteCriticalSection(&Section); }
void Lock::Enter() { EnterCriticalSection(&Section); }
void Lock::Leave() { LeaveCriticalSection(&Section); }

} // namespace platform
