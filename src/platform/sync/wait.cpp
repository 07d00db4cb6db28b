// The waitable-object core: the process-wide lock, waits, events, mutexes, thread identity and
// the per-thread end-of-thread work (abandoning owned mutexes, running exit hooks).
#include <algorithm>
#include <atomic>
#include <memory>
#include <new>
#include <vector>

#include "platform/last_error.h"
#include "platform/sync/event.h"
#include "platform/sync/mutex.h"
#include "platform/sync/thread.h"
#include "platform/sync/waitable.h"

namespace qel::platform {
namespace detail {
namespace {

class MutexObject;

std::atomic<DWORD> g_next_thread_id{1};

std::mutex& hooks_mutex() {
    static auto* m = new std::mutex;  // never destroyed: threads may end during process exit
    return *m;
}

std::vector<ThreadExitHook>& hooks() {
    static auto* h = new std::vector<ThreadExitHook>;  // guarded by hooks_mutex()
    return *h;
}

// What the platform knows about the calling thread. Its destructor does the end-of-thread work
// for threads not started through Thread (the main thread, plain std::threads).
struct ThreadState {
    DWORD id = g_next_thread_id.fetch_add(1);
    bool ended = false;
    std::vector<std::weak_ptr<MutexObject>> owned_mutexes;  // used by this thread only
    ~ThreadState() { run_thread_exit_hooks(); }
};

thread_local ThreadState* t_state_ptr = nullptr;
thread_local DWORD t_adopted_id = 0;

ThreadState& thread_state() {
    thread_local ThreadState state;
    if (t_state_ptr == nullptr) {
        t_state_ptr = &state;
        if (t_adopted_id != 0) state.id = t_adopted_id;
    }
    return state;
}

class EventObject final : public Waitable {
public:
    EventObject(bool manual_reset, bool signalled) : manual_reset_(manual_reset), signalled_(signalled) {}
    bool ready_locked(DWORD) const override { return signalled_; }
    bool acquire_locked(DWORD) override {
        if (!manual_reset_) signalled_ = false;
        return false;
    }
    void set_locked() {
        signalled_ = true;
        notify_locked();
    }
    void reset_locked() { signalled_ = false; }

private:
    const bool manual_reset_;
    bool signalled_;  // guarded by sync_mutex()
};

class MutexObject final : public Waitable, public std::enable_shared_from_this<MutexObject> {
public:
    bool ready_locked(DWORD thread_id) const override { return owner_ == 0 || owner_ == thread_id; }
    bool acquire_locked(DWORD thread_id) override {
        if (owner_ == 0) {
            owner_ = thread_id;
            thread_state().owned_mutexes.push_back(weak_from_this());
        }
        ++count_;
        bool abandoned = abandoned_;
        abandoned_ = false;
        return abandoned;
    }
    bool release_locked(DWORD thread_id) {
        if (owner_ != thread_id || count_ == 0) return false;
        if (--count_ == 0) {
            owner_ = 0;
            notify_locked();
        }
        return true;
    }
    void abandon_locked(DWORD thread_id) {
        if (owner_ != thread_id) return;
        owner_ = 0;
        count_ = 0;
        abandoned_ = true;
        notify_locked();
    }

private:
    DWORD owner_ = 0;  // these three guarded by sync_mutex()
    DWORD count_ = 0;
    bool abandoned_ = false;
};

bool try_take(std::span<Waitable* const> objects, bool wait_all, DWORD thread_id, DWORD* result) {
    if (wait_all) {
        if (!std::all_of(objects.begin(), objects.end(),
                         [&](Waitable* o) { return o->ready_locked(thread_id); }))
            return false;
        std::size_t abandoned = objects.size();
        for (std::size_t i = 0; i < objects.size(); ++i)
            if (objects[i]->acquire_locked(thread_id) && abandoned == objects.size()) abandoned = i;
        *result = abandoned == objects.size() ? WAIT_OBJECT_0 : WAIT_ABANDONED_0 + static_cast<DWORD>(abandoned);
        return true;
    }
    for (std::size_t i = 0; i < objects.size(); ++i) {
        if (objects[i]->ready_locked(thread_id)) {
            bool abandoned = objects[i]->acquire_locked(thread_id);
            *result = (abandoned ? WAIT_ABANDONED_0 : WAIT_OBJECT_0) + static_cast<DWORD>(i);
            return true;
        }
    }
    return false;
}

template <typename T>
T* object_as(const WaitHandle& handle) {
    return dynamic_cast<T*>(handle.object());
}

}  // namespace

std::mutex& sync_mutex() {
    static auto* m = new std::mutex;  // never destroyed: waits may run during process exit
    return *m;
}

void Waitable::notify_locked() {
    for (Waiter* w : waiters_) w->wake.notify_one();
}

DWORD wait_locked(std::unique_lock<std::mutex>& lock, std::span<Waitable* const> objects, bool wait_all,
                  const Deadline& deadline) {
    const DWORD self = current_thread_id();
    Waiter waiter;
    bool registered = false;
    DWORD result = WAIT_TIMEOUT;
    for (;;) {
        if (try_take(objects, wait_all, self, &result)) break;
        if (deadline.passed()) {
            result = WAIT_TIMEOUT;
            break;
        }
        if (!registered) {
            for (Waitable* o : objects) o->waiters_.push_back(&waiter);
            registered = true;
        }
        std::optional<SteadyClock::time_point> wake_at;
        if (!deadline.infinite()) wake_at = deadline.when();
        for (Waitable* o : objects)
            if (auto change = o->next_change_locked(); change && (!wake_at || *change < *wake_at)) wake_at = change;
        if (wake_at)
            waiter.wake.wait_until(lock, *wake_at);
        else
            waiter.wake.wait(lock);
    }
    if (registered) {
        for (Waitable* o : objects) {
            auto it = std::find(o->waiters_.begin(), o->waiters_.end(), &waiter);
            if (it != o->waiters_.end()) o->waiters_.erase(it);
        }
    }
    return result;
}

bool collect_wait_objects(std::span<const WaitHandle> handles, bool wait_all, std::size_t extra,
                          WaitObjects& out) {
    out.objects.reserve(handles.size() + extra);
    out.keep_alive.reserve(handles.size());
    for (const WaitHandle& h : handles) {
        if (!h) {
            set_last_error(ERROR_INVALID_HANDLE);
            return false;
        }
        out.objects.push_back(h.object());
        out.keep_alive.push_back(h.shared());
    }
    if (wait_all) {
        std::vector<Waitable*> sorted = out.objects;
        std::sort(sorted.begin(), sorted.end());
        if (std::adjacent_find(sorted.begin(), sorted.end()) != sorted.end()) {
            set_last_error(ERROR_INVALID_PARAMETER);
            return false;
        }
    }
    return true;
}

void add_thread_exit_hook(ThreadExitHook hook) {
    std::lock_guard lock(hooks_mutex());
    if (std::find(hooks().begin(), hooks().end(), hook) == hooks().end()) hooks().push_back(hook);
}

void run_thread_exit_hooks() {
    ThreadState& state = thread_state();
    if (state.ended) return;
    state.ended = true;
    std::vector<ThreadExitHook> to_run;
    {
        std::lock_guard lock(hooks_mutex());
        to_run = hooks();
    }
    for (ThreadExitHook hook : to_run) hook();
    std::lock_guard lock(sync_mutex());
    for (auto& weak : state.owned_mutexes)
        if (auto m = weak.lock()) m->abandon_locked(state.id);
    state.owned_mutexes.clear();
}

bool current_thread_ended() { return thread_state().ended; }

// Gives the calling thread the identifier its starter chose (Thread::start).
void adopt_thread_id(DWORD id) { t_adopted_id = id; }
DWORD allocate_thread_id() { return g_next_thread_id.fetch_add(1); }

}  // namespace detail

DWORD current_thread_id() { return detail::thread_state().id; }

DWORD wait_for_single_object(const WaitHandle& handle, DWORD timeout_ms) {
    return wait_for_multiple_objects(std::span(&handle, 1), false, timeout_ms);
}

DWORD wait_for_multiple_objects(std::span<const WaitHandle> handles, bool wait_all, DWORD timeout_ms) {
    if (handles.empty() || handles.size() > MAXIMUM_WAIT_OBJECTS) {
        set_last_error(ERROR_INVALID_PARAMETER);
        return WAIT_FAILED;
    }
    detail::WaitObjects wait;
    if (!detail::collect_wait_objects(handles, wait_all, 0, wait)) return WAIT_FAILED;
    auto deadline = Deadline::after(timeout_ms);
    std::unique_lock lock(detail::sync_mutex());
    return detail::wait_locked(lock, wait.objects, wait_all, deadline);
}

WaitHandle create_event(bool manual_reset, bool initially_signalled) {
    try {
        return WaitHandle(std::make_shared<detail::EventObject>(manual_reset, initially_signalled));
    } catch (const std::bad_alloc&) {
        set_last_error(ERROR_NOT_ENOUGH_MEMORY);
        return {};
    }
}

namespace {

// Runs `change` on the event of `handle` with sync_mutex() held; false (ERROR_INVALID_HANDLE)
// when the handle is not an event.
template <typename Change>
bool change_event(const WaitHandle& handle, Change change) {
    auto* e = detail::object_as<detail::EventObject>(handle);
    if (e == nullptr) {
        set_last_error(ERROR_INVALID_HANDLE);
        return false;
    }
    std::lock_guard lock(detail::sync_mutex());
    change(*e);
    return true;
}

}  // namespace

bool set_event(const WaitHandle& event) {
    return change_event(event, [](detail::EventObject& e) { e.set_locked(); });
}

bool reset_event(const WaitHandle& event) {
    return change_event(event, [](detail::EventObject& e) { e.reset_locked(); });
}

bool is_event(const WaitHandle& handle) { return detail::object_as<detail::EventObject>(handle) != nullptr; }

WaitHandle create_mutex(bool initially_owned) {
    std::shared_ptr<detail::MutexObject> m;
    try {
        m = std::make_shared<detail::MutexObject>();
    } catch (const std::bad_alloc&) {
        set_last_error(ERROR_NOT_ENOUGH_MEMORY);
        return {};
    }
    if (initially_owned) {
        std::lock_guard lock(detail::sync_mutex());
        m->acquire_locked(current_thread_id());
    }
    return WaitHandle(std::move(m));
}

bool release_mutex(const WaitHandle& mutex) {
    auto* m = detail::object_as<detail::MutexObject>(mutex);
    if (m == nullptr) {
        set_last_error(ERROR_INVALID_HANDLE);
        return false;
    }
    std::lock_guard lock(detail::sync_mutex());
    if (!m->release_locked(current_thread_id())) {
        set_last_error(ERROR_NOT_OWNER);
        return false;
    }
    return true;
}

}  // namespace qel::platform
