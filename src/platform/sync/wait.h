// Handles of waitable objects (events, mutexes, threads) and the waits on them, with the
// platform's results: WAIT_OBJECT_0 + index, WAIT_ABANDONED_0 + index, WAIT_TIMEOUT, WAIT_FAILED.
//
// A WaitHandle shares its object: copies refer to the same event or thread, as duplicated handles
// do, and the object lives while any handle (or its owner, for a thread) refers to it. close()
// drops one reference. Time limits are platform milliseconds scaled by the clock's time scale
// (clock.h); INFINITE waits without limit. Waits sleep on condition variables; none polls.
// Handles and waits are safe from any thread.
#pragma once

#include <memory>
#include <span>

#include "platform/win32.h"

namespace qel::platform {

namespace detail {
class Waitable;
}

class WaitHandle {
public:
    WaitHandle() = default;
    explicit WaitHandle(std::shared_ptr<detail::Waitable> object) : object_(std::move(object)) {}

    explicit operator bool() const { return object_ != nullptr; }
    // Drops this reference (the platform's handle close); the handle becomes empty.
    void close() { object_.reset(); }
    detail::Waitable* object() const { return object_.get(); }
    const std::shared_ptr<detail::Waitable>& shared() const { return object_; }
    friend bool operator==(const WaitHandle& a, const WaitHandle& b) { return a.object_ == b.object_; }

private:
    std::shared_ptr<detail::Waitable> object_;
};

// Waits up to `timeout_ms` for one object. WAIT_FAILED with last error ERROR_INVALID_HANDLE for
// an empty handle.
DWORD wait_for_single_object(const WaitHandle& handle, DWORD timeout_ms);

// Waits up to `timeout_ms` until any one of `handles` (wait_all false: the lowest index among those
// ready is reported and only that object is taken) or all of them together (wait_all true: taken
// at once, result WAIT_OBJECT_0) are signalled. WAIT_FAILED with ERROR_INVALID_PARAMETER for no
// handle, more than MAXIMUM_WAIT_OBJECTS, or the same object twice in a wait for all; with
// ERROR_INVALID_HANDLE for an empty handle.
DWORD wait_for_multiple_objects(std::span<const WaitHandle> handles, bool wait_all, DWORD timeout_ms);

}  // namespace qel::platform
