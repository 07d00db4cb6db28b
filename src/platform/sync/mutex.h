// Mutex objects, waitable beside events (a wait for all of a mutex and an event takes both at
// once). A mutex is owned by the thread whose wait took it; the owner may take it again (it counts)
// and must release it as often. A mutex whose owner thread ends without releasing it is abandoned:
// the next wait that takes it reports WAIT_ABANDONED_0 + index and owns it.
#pragma once

#include "platform/sync/wait.h"

namespace qel::platform {

// A new unnamed mutex, owned by the calling thread when `initially_owned`. An empty handle with
// ERROR_NOT_ENOUGH_MEMORY when it cannot be made.
WaitHandle create_mutex(bool initially_owned);

// Releases one ownership. False with ERROR_NOT_OWNER when the calling thread does not own it,
// ERROR_INVALID_HANDLE when the handle is not a mutex.
bool release_mutex(const WaitHandle& mutex);

}  // namespace qel::platform
