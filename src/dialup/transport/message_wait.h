// The waits of the serial transport's callers, which may be user-interface threads owning
// windows: WaitWithMessageLoop keeps dispatching the calling thread's messages while it waits.
#pragma once

#include "platform/sync/wait.h"
#include "platform/win32.h"

// Waits up to `timeout` platform milliseconds (INFINITE: no limit) for `hEvent`, dispatching every
// message that arrives in the calling thread's queue meanwhile (translate, then dispatch). 0 when
// the event was signalled in time; any other value means it was not (WAIT_TIMEOUT, or the failed
// wait's result).
DWORD WaitWithMessageLoop(const qel::platform::WaitHandle& hEvent, DWORD timeout);
