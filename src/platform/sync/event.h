// Events: manual-reset events stay signalled until reset and release every waiter; auto-reset
// events release exactly one waiter per set (a wait that takes one resets it) and stay signalled
// until one wait takes them. Waiting for several auto-reset events at once takes only the one
// reported (or, waiting for all, all of them together).
#pragma once

#include "platform/sync/wait.h"

namespace qel::platform {

// A new unnamed event. An empty handle with ERROR_NOT_ENOUGH_MEMORY when it cannot be made.
WaitHandle create_event(bool manual_reset, bool initially_signalled);

// Signal or unsignal an event. False with ERROR_INVALID_HANDLE when the handle is empty or is not
// an event.
bool set_event(const WaitHandle& event);
bool reset_event(const WaitHandle& event);

// True when the handle refers to an event.
bool is_event(const WaitHandle& handle);

}  // namespace qel::platform
