#include "platform/windows/window.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/last_error.h"
#include "platform/sync/clock.h"
#include "platform/sync/thread.h"
#include "platform/windows/message_queue.h"
#include "platform/windows/window_state.h"

namespace qel::platform {
namespace windows_detail {
namespace {

HWND handle_of(std::uintptr_t value) { return reinterpret_cast<HWND>(value); }

std::uintptr_t new_handle_locked() {
    std::uintptr_t h = table().next_handle;
    table().next_handle += 2;
    return h;
}

// The newest live window of a class (table mutex held).
std::shared_ptr<Window> newest_of_class_locked(const std::u16string& key) {
    for (auto it = table().windows.rbegin(); it != table().windows.rend(); ++it) {
        const auto& w = it->second;
        if (!w->destroying && w->window_class->key == key) return w;
    }
    return nullptr;
}

// Queues a message for a window unless the window was removed meanwhile (checked under the same
// lock that removal takes, so nothing is queued for a window after its messages were dropped).
DWORD post_to(const std::shared_ptr<Window>& window, Msg msg) {
    std::lock_guard lock(detail::sync_mutex());
    if (window->removed) return ERROR_INVALID_WINDOW_HANDLE;
    return window->queue->post_locked(std::move(msg));
}

DWORD post_to_thread(const std::shared_ptr<MessageQueue>& queue, Msg msg) {
    std::lock_guard lock(detail::sync_mutex());
    return queue->post_locked(std::move(msg));
}

// A datagram from another process: posted to the newest window of the class, if any remains.
void deliver_to_class(const std::u16string& key, const Datagram& d) {
    std::shared_ptr<Window> target;
    {
        std::lock_guard lock(table().mutex);
        target = newest_of_class_locked(key);
    }
    if (target) post_to(target, Msg{target->hwnd, d.message, d.wparam, d.lparam, tick_count(), nullptr});
}

// Opens the class's endpoint when the class has windows and none is open yet.
void ensure_endpoint(const std::shared_ptr<ClassInfo>& window_class) {
    std::lock_guard endpoint_lock(window_class->endpoint_mutex);
    {
        std::lock_guard lock(table().mutex);
        if (window_class->windows == 0) return;
    }
    if (window_class->endpoint) return;
    std::u16string key = window_class->key;
    window_class->endpoint =
        ClassEndpoint::open(window_class->name, [key](const Datagram& d) { deliver_to_class(key, d); });
}

// Closes the class's endpoint once its last window is gone (joins the receiver: no table lock
// may be held here).
void release_endpoint_if_unused(const std::shared_ptr<ClassInfo>& window_class) {
    std::lock_guard endpoint_lock(window_class->endpoint_mutex);
    {
        std::lock_guard lock(table().mutex);
        if (window_class->windows != 0) return;
    }
    window_class->endpoint.reset();
}

// Removes a window from the table and the messages queued for it.
void remove_window(const std::shared_ptr<Window>& window) {
    {
        std::lock_guard lock(table().mutex);
        if (table().windows.erase(reinterpret_cast<std::uintptr_t>(window->hwnd)) == 0) return;
        --window->window_class->windows;
    }
    std::deque<Msg> dropped;  // released after the lock (payloads are freed outside it)
    {
        std::lock_guard lock(detail::sync_mutex());
        window->removed = true;
        auto& timers = window->queue->timers;
        std::erase_if(timers, [&](const Timer& t) { return t.hwnd == window->hwnd; });
        auto& posted = window->queue->posted;
        for (auto it = posted.begin(); it != posted.end();) {
            if (it->hwnd == window->hwnd) {
                dropped.push_back(std::move(*it));
                it = posted.erase(it);
            } else {
                ++it;
            }
        }
    }
    release_endpoint_if_unused(window->window_class);
}

}  // namespace

void on_thread_exit() {
    const DWORD self = current_thread_id();
    std::shared_ptr<MessageQueue> queue;
    std::vector<std::shared_ptr<Window>> windows;
    {
        std::lock_guard lock(table().mutex);
        auto it = table().queues.find(self);
        if (it != table().queues.end()) {
            queue = std::move(it->second);
            table().queues.erase(it);
        }
        for (const auto& [handle, window] : table().windows)
            if (window->owner == self) windows.push_back(window);
    }
    for (const auto& window : windows) remove_window(window);
    if (!queue) return;
    // Declared before the lock so that they are released after it.
    std::deque<Msg> dropped;
    std::deque<std::shared_ptr<SentMessage>> unanswered;
    std::lock_guard lock(detail::sync_mutex());
    queue->dead = true;
    dropped.swap(queue->posted);
    unanswered.swap(queue->sent);
    for (const auto& sent : unanswered) sent->complete_locked(0);
}

}  // namespace windows_detail

using namespace windows_detail;

WORD register_class(const WindowClass& window_class) {
    if (window_class.name.empty() || !window_class.procedure) {
        set_last_error(ERROR_INVALID_PARAMETER);
        return 0;
    }
    auto info = std::make_shared<ClassInfo>();
    info->name = window_class.name;
    info->key = fold(window_class.name);
    info->procedure = window_class.procedure;
    std::lock_guard lock(table().mutex);
    if (table().classes.count(info->key) != 0) {
        set_last_error(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    if (table().next_atom == 0) {
        set_last_error(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    info->atom = table().next_atom++;
    table().classes.emplace(info->key, info);
    return info->atom;
}

bool unregister_class(std::u16string_view name) {
    std::lock_guard lock(table().mutex);
    auto it = table().classes.find(fold(name));
    if (it == table().classes.end()) {
        set_last_error(ERROR_CLASS_DOES_NOT_EXIST);
        return false;
    }
    if (it->second->windows != 0) {
        set_last_error(ERROR_CLASS_HAS_WINDOWS);
        return false;
    }
    table().classes.erase(it);
    return true;
}

HWND create_window(std::u16string_view class_name, std::u16string_view title, LPARAM create_param) {
    auto queue = current_queue();
    if (!queue) {
        set_last_error(ERROR_INVALID_THREAD_ID);
        return nullptr;
    }
    auto window = std::make_shared<Window>();
    {
        std::lock_guard lock(table().mutex);
        auto it = table().classes.find(fold(class_name));
        if (it == table().classes.end()) {
            set_last_error(ERROR_CANNOT_FIND_WND_CLASS);
            return nullptr;
        }
        window->hwnd = handle_of(new_handle_locked());
        window->window_class = it->second;
        window->title = title;
        window->owner = queue->thread_id;
        window->queue = queue;
        table().windows.emplace(reinterpret_cast<std::uintptr_t>(window->hwnd), window);
        ++window->window_class->windows;
    }
    ensure_endpoint(window->window_class);
    if (window->window_class->procedure(window->hwnd, WM_CREATE, 0, create_param) == -1) {
        destroy_window(window->hwnd);
        return nullptr;
    }
    return window->hwnd;
}

bool destroy_window(HWND hwnd) {
    std::shared_ptr<Window> window;
    {
        std::lock_guard lock(table().mutex);
        window = find_local_locked(hwnd);
        if (!window) {
            set_last_error(ERROR_INVALID_WINDOW_HANDLE);
            return false;
        }
        if (window->owner != current_thread_id()) {
            set_last_error(ERROR_ACCESS_DENIED);
            return false;
        }
        if (window->destroying) return true;  // asked again from its own WM_DESTROY
        window->destroying = true;
    }
    window->window_class->procedure(hwnd, WM_DESTROY, 0, 0);
    remove_window(window);
    return true;
}

bool is_window(HWND hwnd) {
    std::u16string remote;
    {
        std::lock_guard lock(table().mutex);
        if (find_local_locked(hwnd)) return true;
        auto it = table().remote_windows.find(reinterpret_cast<std::uintptr_t>(hwnd));
        if (it == table().remote_windows.end()) return false;
        remote = it->second;
    }
    return remote_class_alive(remote);
}

HWND find_window(std::u16string_view class_name, std::optional<std::u16string_view> title) {
    const std::u16string key = fold(class_name);
    {
        std::lock_guard lock(table().mutex);
        for (auto it = table().windows.rbegin(); it != table().windows.rend(); ++it) {
            const auto& w = it->second;
            if (w->destroying) continue;
            if (!key.empty() && w->window_class->key != key) continue;
            if (title && w->title != *title) continue;
            if (key.empty() && !title) continue;
            return w->hwnd;
        }
    }
    if (key.empty() || title) return nullptr;
    if (!remote_class_alive(class_name)) return nullptr;
    std::lock_guard lock(table().mutex);
    auto& handle = table().remote_by_class[key];
    if (handle == 0) {
        handle = new_handle_locked();
        table().remote_windows.emplace(handle, std::u16string(class_name));
    }
    return handle_of(handle);
}

bool post_message(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    const DWORD now = tick_count();
    if (hwnd == nullptr) {
        // To the calling thread, whose queue is made now if it has none yet.
        auto queue = current_queue();
        DWORD rc = queue ? post_to_thread(queue, Msg{nullptr, message, wparam, lparam, now, nullptr}) : ERROR_INVALID_THREAD_ID;
        if (rc != ERROR_SUCCESS) set_last_error(rc);
        return rc == ERROR_SUCCESS;
    }
    if (hwnd == HWND_BROADCAST) {
        std::vector<std::shared_ptr<Window>> targets;
        {
            std::lock_guard lock(table().mutex);
            for (const auto& [handle, w] : table().windows)
                if (!w->destroying) targets.push_back(w);
        }
        for (const auto& w : targets) post_to(w, Msg{w->hwnd, message, wparam, lparam, now, nullptr});
        return true;
    }
    std::shared_ptr<Window> window;
    std::u16string remote;
    {
        std::lock_guard lock(table().mutex);
        window = find_local_locked(hwnd);
        if (!window) {
            auto it = table().remote_windows.find(reinterpret_cast<std::uintptr_t>(hwnd));
            if (it != table().remote_windows.end()) remote = it->second;
        }
    }
    DWORD rc = ERROR_INVALID_WINDOW_HANDLE;
    if (window)
        rc = post_to(window, Msg{hwnd, message, wparam, lparam, now, nullptr});
    else if (!remote.empty())
        rc = send_to_class(remote, Datagram{message, wparam, lparam});
    if (rc != ERROR_SUCCESS) {
        set_last_error(rc);
        return false;
    }
    return true;
}

LRESULT send_message(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    std::shared_ptr<Window> window;
    bool remote = false;
    {
        std::lock_guard lock(table().mutex);
        window = find_local_locked(hwnd);
        if (!window) remote = table().remote_windows.count(reinterpret_cast<std::uintptr_t>(hwnd)) != 0;
    }
    if (!window) {
        set_last_error(remote ? ERROR_NOT_SUPPORTED : ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (window->owner == current_thread_id()) return window->window_class->procedure(hwnd, message, wparam, lparam);

    auto self = current_queue();
    if (!self) return 0;
    auto sent = std::make_shared<SentMessage>(hwnd, message, wparam, lparam);
    const auto forever = Deadline::after(INFINITE);
    std::unique_lock lock(detail::sync_mutex());
    if (window->queue->dead) return 0;
    window->queue->sent.push_back(sent);
    window->queue->notify_locked();
    for (;;) {
        // Messages sent to this thread meanwhile run here, so two threads sending to each other
        // do not wait for ever.
        self->wake_mask = QS_SENDMESSAGE;
        self->input_available = false;
        detail::Waitable* objects[2] = {sent.get(), self.get()};
        if (detail::wait_locked(lock, objects, false, forever) == WAIT_OBJECT_0) return sent->result_locked();
        lock.unlock();
        run_sent_messages(*self);
        lock.lock();
    }
}

LRESULT def_window_proc(HWND hwnd, UINT message, WPARAM, LPARAM) {
    if (message == WM_CLOSE) destroy_window(hwnd);
    return 0;
}

std::size_t broadcast_device_change(WPARAM event, std::span<const std::byte> data) {
    std::shared_ptr<const void> payload;
    LPARAM lparam = 0;
    if (!data.empty()) {
        std::shared_ptr<std::byte[]> copy(new std::byte[data.size()]);
        std::memcpy(copy.get(), data.data(), data.size());
        lparam = reinterpret_cast<LPARAM>(copy.get());
        payload = std::move(copy);
    }
    std::vector<std::shared_ptr<Window>> targets;
    {
        std::lock_guard lock(table().mutex);
        for (const auto& [handle, w] : table().windows)
            if (!w->destroying) targets.push_back(w);
    }
    const DWORD now = tick_count();
    std::size_t reached = 0;
    for (const auto& w : targets)
        if (post_to(w, Msg{w->hwnd, WM_DEVICECHANGE, event, lparam, now, payload}) == ERROR_SUCCESS) ++reached;
    return reached;
}

namespace {

constexpr DWORD kMinTimerPeriod = 10;
constexpr DWORD kMaxTimerPeriod = 0x7FFFFFFF;

// The queue a timer of `hwnd` lives in: the window's (which must be the caller's) or, for a null
// window, the calling thread's. Null with the last error set.
std::shared_ptr<MessageQueue> timer_queue(HWND hwnd) {
    if (hwnd == nullptr) {
        auto queue = current_queue();
        if (!queue) set_last_error(ERROR_INVALID_THREAD_ID);
        return queue;
    }
    std::lock_guard lock(table().mutex);
    auto window = find_local_locked(hwnd);
    if (!window) {
        set_last_error(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    if (window->owner != current_thread_id()) {
        set_last_error(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    return window->queue;
}

}  // namespace

UINT_PTR set_timer(HWND hwnd, UINT_PTR id, DWORD period_ms) {
    auto queue = timer_queue(hwnd);
    if (!queue) return 0;
    period_ms = std::clamp(period_ms, kMinTimerPeriod, kMaxTimerPeriod);
    auto due = SteadyClock::now() + *real_duration(period_ms);
    std::lock_guard lock(detail::sync_mutex());
    auto& timers = queue->timers;
    auto it = std::find_if(timers.begin(), timers.end(),
                           [&](const Timer& t) { return t.hwnd == hwnd && t.id == id; });
    if (it != timers.end()) {
        it->period_ms = period_ms;
        it->due = due;
    } else {
        if (hwnd == nullptr) id = queue->next_thread_timer++;
        timers.push_back(Timer{hwnd, id, period_ms, due});
    }
    queue->notify_locked();  // waiters recompute when to wake
    return hwnd == nullptr ? id : 1;
}

bool kill_timer(HWND hwnd, UINT_PTR id) {
    auto queue = timer_queue(hwnd);
    if (!queue) return false;
    std::lock_guard lock(detail::sync_mutex());
    if (std::erase_if(queue->timers, [&](const Timer& t) { return t.hwnd == hwnd && t.id == id; }) == 0) {
        set_last_error(ERROR_INVALID_PARAMETER);
        return false;
    }
    return true;
}

DWORD window_thread_id(HWND hwnd) {
    std::lock_guard lock(table().mutex);
    auto window = find_local_locked(hwnd);
    return window ? window->owner : 0;
}

LONG_PTR set_window_user_data(HWND hwnd, LONG_PTR value) {
    std::lock_guard lock(table().mutex);
    auto window = find_local_locked(hwnd);
    if (!window) {
        set_last_error(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    LONG_PTR previous = window->user_data;
    window->user_data = value;
    return previous;
}

LONG_PTR get_window_user_data(HWND hwnd) {
    std::lock_guard lock(table().mutex);
    auto window = find_local_locked(hwnd);
    if (!window) {
        set_last_error(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    return window->user_data;
}

}  // namespace qel::platform
