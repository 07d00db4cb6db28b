// The machinery under every waitable object of the platform layer (events, mutexes, threads and,
// in the windows piece, message queues): for platform code that adds a kind of waitable object,
// not for the system's code, which uses wait.h.
//
// One process-wide lock, sync_mutex(), guards the state of every waitable object. A waiting
// thread registers itself on each object it waits for and sleeps on its own condition variable;
// an object that becomes ready wakes the threads registered on it, which then test and take
// what they waited for under the same lock. No thread polls.
#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <vector>

#include "platform/sync/clock.h"
#include "platform/sync/wait.h"
#include "platform/win32.h"

namespace qel::platform::detail {

// Guards the state of every waitable object (and of the message queues built on them).
std::mutex& sync_mutex();

// One waiting thread.
struct Waiter {
    std::condition_variable wake;
};

class Waitable {
public:
    Waitable() = default;
    virtual ~Waitable() = default;
    Waitable(const Waitable&) = delete;
    Waitable& operator=(const Waitable&) = delete;

    // Both with sync_mutex() held. Whether a wait by thread `thread_id` would be satisfied now.
    virtual bool ready_locked(DWORD thread_id) const = 0;
    // Takes what a satisfied wait takes (an auto-reset event resets, a mutex becomes owned);
    // true when the object was abandoned (a mutex whose owner ended without releasing it).
    virtual bool acquire_locked(DWORD thread_id) {
        (void)thread_id;
        return false;
    }

    // The earliest time at which the object may become ready without anyone signalling it (a due
    // timer), or nothing; sync_mutex() held. Waits wake up then to test it again.
    virtual std::optional<SteadyClock::time_point> next_change_locked() const { return std::nullopt; }

    // Wakes every thread waiting on the object (sync_mutex() held).
    void notify_locked();

private:
    friend DWORD wait_locked(std::unique_lock<std::mutex>&, std::span<Waitable* const>, bool,
                             const Deadline&);
    std::vector<Waiter*> waiters_;  // guarded by sync_mutex()
};

// Waits, with `lock` holding sync_mutex(), until one (or, with `wait_all`, every) object is
// ready for the calling thread and takes it, or until `deadline`. WAIT_OBJECT_0 + index (of the
// first ready object; 0 for wait-all), WAIT_ABANDONED_0 + index, or WAIT_TIMEOUT. Arguments are
// not checked here: callers check counts, null objects and duplicates first.
DWORD wait_locked(std::unique_lock<std::mutex>& lock, std::span<Waitable* const> objects, bool wait_all,
                  const Deadline& deadline);

// The objects of a wait's handles, each held alive until the wait ends even if the caller closes
// its handles meanwhile.
struct WaitObjects {
    std::vector<Waitable*> objects;
    std::vector<std::shared_ptr<Waitable>> keep_alive;
};

// Collects the objects of `handles` (with room for `extra` more) into `out`. False, with the
// thread's last error set, for an empty handle (ERROR_INVALID_HANDLE) or, with `wait_all`, an
// object given twice (ERROR_INVALID_PARAMETER). Counts are the caller's to check.
bool collect_wait_objects(std::span<const WaitHandle> handles, bool wait_all, std::size_t extra,
                          WaitObjects& out);

// Functions run by a thread started through Thread just before its handle becomes signalled,
// and by every other thread when it ends (at most once per thread): the windows piece destroys
// the thread's windows and queue there. Hooks are added once and never removed.
using ThreadExitHook = void (*)();
void add_thread_exit_hook(ThreadExitHook hook);
void run_thread_exit_hooks();

// True once the calling thread's end-of-thread work has run (it must not make new queues then).
bool current_thread_ended();

}  // namespace qel::platform::detail
