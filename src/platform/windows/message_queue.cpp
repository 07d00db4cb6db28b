#include "platform/windows/message_queue.h"

#include <utility>
#include <vector>

#include "platform/last_error.h"
#include "platform/sync/clock.h"
#include "platform/sync/thread.h"
#include "platform/windows/window_state.h"

namespace qel::platform {
namespace windows_detail {

WindowTable& table() {
    static auto* t = new WindowTable;
    return *t;
}

std::u16string fold(std::u16string_view name) {
    std::u16string out(name);
    for (char16_t& c : out)
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
    return out;
}

std::shared_ptr<MessageQueue> current_queue() {
    if (detail::current_thread_ended()) return nullptr;
    static std::once_flag hook_once;
    std::call_once(hook_once, [] { detail::add_thread_exit_hook(&on_thread_exit); });
    DWORD self = current_thread_id();
    std::lock_guard lock(table().mutex);
    auto& queue = table().queues[self];
    if (!queue) queue = std::make_shared<MessageQueue>(self);
    return queue;
}

std::shared_ptr<Window> find_local_locked(HWND hwnd) {
    auto it = table().windows.find(reinterpret_cast<std::uintptr_t>(hwnd));
    return it == table().windows.end() ? nullptr : it->second;
}

namespace {

bool any_due(const std::vector<Timer>& timers) {
    auto now = SteadyClock::now();
    for (const Timer& t : timers)
        if (t.due <= now) return true;
    return false;
}

}  // namespace

std::optional<SteadyClock::time_point> MessageQueue::next_change_locked() const {
    if ((wake_mask & QS_TIMER) == 0) return std::nullopt;
    std::optional<SteadyClock::time_point> first;
    for (const Timer& t : timers) {
        if (!matches(Msg{t.hwnd, WM_TIMER, t.id, 0, 0, nullptr}, wait_filter, wait_min, wait_max)) continue;
        if (!first || t.due < *first) first = t.due;
    }
    return first;
}

const Timer* MessageQueue::due_timer_locked(SteadyClock::time_point now, HWND filter, UINT min, UINT max) const {
    const Timer* first = nullptr;
    for (const Timer& t : timers) {
        if (t.due > now || !matches(Msg{t.hwnd, WM_TIMER, t.id, 0, 0, nullptr}, filter, min, max)) continue;
        if (first == nullptr || t.due < first->due) first = &t;
    }
    return first;
}

Timer* MessageQueue::due_timer_locked(SteadyClock::time_point now, HWND filter, UINT min, UINT max) {
    return const_cast<Timer*>(std::as_const(*this).due_timer_locked(now, filter, min, max));
}

DWORD MessageQueue::new_bits_locked() const {
    DWORD bits = 0;
    if (any_due(timers)) bits |= QS_TIMER;
    if (new_posted) bits |= QS_POSTMESSAGE | QS_ALLPOSTMESSAGE;
    if (!sent.empty()) bits |= QS_SENDMESSAGE;
    return bits;
}

DWORD MessageQueue::waiting_bits_locked() const {
    DWORD bits = 0;
    if (any_due(timers)) bits |= QS_TIMER;
    if (!posted.empty() || quit_posted) bits |= QS_POSTMESSAGE | QS_ALLPOSTMESSAGE;
    if (!sent.empty()) bits |= QS_SENDMESSAGE;
    return bits;
}

bool MessageQueue::ready_locked(DWORD) const {
    DWORD bits = new_bits_locked() & ~QS_TIMER;
    if (due_timer_locked(SteadyClock::now(), wait_filter, wait_min, wait_max)) bits |= QS_TIMER;
    if (!posted.empty() || quit_posted) bits |= QS_ALLPOSTMESSAGE;
    if (input_available) bits |= waiting_bits_locked();
    return (bits & wake_mask) != 0;
}

DWORD MessageQueue::post_locked(Msg msg) {
    if (dead) return ERROR_INVALID_WINDOW_HANDLE;
    if (posted.size() >= kMaxPostedMessages) return ERROR_NOT_ENOUGH_QUOTA;
    posted.push_back(std::move(msg));
    new_posted = true;
    notify_locked();
    return ERROR_SUCCESS;
}

LRESULT call_procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    std::shared_ptr<ClassInfo> window_class;
    {
        std::lock_guard lock(table().mutex);
        auto window = find_local_locked(hwnd);
        if (!window || window->owner != current_thread_id()) {
            set_last_error(ERROR_INVALID_WINDOW_HANDLE);
            return 0;
        }
        window_class = window->window_class;
    }
    return window_class->procedure(hwnd, message, wparam, lparam);
}

void run_sent_messages(MessageQueue& queue) {
    for (;;) {
        std::shared_ptr<SentMessage> sent;
        {
            std::lock_guard lock(detail::sync_mutex());
            if (queue.sent.empty()) return;
            sent = std::move(queue.sent.front());
            queue.sent.pop_front();
        }
        LRESULT result = call_procedure(sent->hwnd, sent->message, sent->wparam, sent->lparam);
        std::lock_guard lock(detail::sync_mutex());
        sent->complete_locked(result);
    }
}

bool matches(const Msg& msg, HWND filter, UINT min, UINT max) {
    if (filter == kThreadMessagesOnly) {
        if (msg.hwnd != nullptr) return false;
    } else if (filter != nullptr && msg.hwnd != filter) {
        return false;
    }
    return (min == 0 && max == 0) || (msg.message >= min && msg.message <= max);
}

namespace {

// A window filter is null, kThreadMessagesOnly or a window of the calling thread.
bool valid_filter(HWND filter) {
    if (filter == nullptr || filter == kThreadMessagesOnly) return true;
    std::lock_guard lock(table().mutex);
    auto window = find_local_locked(filter);
    return window && window->owner == current_thread_id();
}

bool take_locked(MessageQueue& queue, Msg* msg, HWND filter, UINT min, UINT max, UINT remove) {
    queue.new_posted = false;
    for (auto it = queue.posted.begin(); it != queue.posted.end(); ++it) {
        if (!matches(*it, filter, min, max)) continue;
        *msg = *it;
        if (remove & PM_REMOVE) queue.posted.erase(it);
        return true;
    }
    if (queue.quit_posted && ((min == 0 && max == 0) || (WM_QUIT >= min && WM_QUIT <= max))) {
        *msg = Msg{nullptr, WM_QUIT, static_cast<WPARAM>(queue.quit_code), 0, tick_count(), nullptr};
        if (remove & PM_REMOVE) queue.quit_posted = false;
        return true;
    }
    auto now = SteadyClock::now();
    if (Timer* timer = queue.due_timer_locked(now, filter, min, max)) {
        *msg = Msg{timer->hwnd, WM_TIMER, timer->id, 0, tick_count(), nullptr};
        if (remove & PM_REMOVE) timer->due = now + *real_duration(timer->period_ms);
        return true;
    }
    return false;
}

}  // namespace
}  // namespace windows_detail

using namespace windows_detail;

bool peek_message(Msg* msg, HWND filter, UINT min, UINT max, UINT remove) {
    if (msg == nullptr || !valid_filter(filter)) {
        set_last_error(msg == nullptr ? ERROR_INVALID_PARAMETER : ERROR_INVALID_WINDOW_HANDLE);
        return false;
    }
    auto queue = current_queue();
    if (!queue) return false;
    run_sent_messages(*queue);
    std::lock_guard lock(detail::sync_mutex());
    return take_locked(*queue, msg, filter, min, max, remove);
}

int get_message(Msg* msg, HWND filter, UINT min, UINT max) {
    if (msg == nullptr || !valid_filter(filter)) {
        set_last_error(msg == nullptr ? ERROR_INVALID_PARAMETER : ERROR_INVALID_WINDOW_HANDLE);
        return -1;
    }
    auto queue = current_queue();
    if (!queue) return -1;
    const auto forever = Deadline::after(INFINITE);
    for (;;) {
        run_sent_messages(*queue);
        std::unique_lock lock(detail::sync_mutex());
        if (take_locked(*queue, msg, filter, min, max, PM_REMOVE)) return msg->message == WM_QUIT ? 0 : 1;
        queue->wake_mask = QS_ALLINPUT;
        queue->input_available = false;
        queue->wait_filter = filter;
        queue->wait_min = min;
        queue->wait_max = max;
        detail::Waitable* self = queue.get();
        detail::wait_locked(lock, std::span(&self, 1), false, forever);
        queue->wait_filter = nullptr;
        queue->wait_min = queue->wait_max = 0;
    }
}

bool translate_message(const Msg&) { return false; }

LRESULT dispatch_message(const Msg& msg) {
    if (msg.hwnd == nullptr || msg.hwnd == HWND_BROADCAST) return 0;
    return call_procedure(msg.hwnd, msg.message, msg.wparam, msg.lparam);
}

bool post_thread_message(DWORD thread_id, UINT message, WPARAM wparam, LPARAM lparam) {
    std::shared_ptr<MessageQueue> queue;
    {
        std::lock_guard lock(table().mutex);
        auto it = table().queues.find(thread_id);
        if (it != table().queues.end()) queue = it->second;
    }
    if (!queue) {
        set_last_error(ERROR_INVALID_THREAD_ID);
        return false;
    }
    DWORD now = tick_count();
    DWORD rc;
    {
        std::lock_guard lock(detail::sync_mutex());
        rc = queue->post_locked(Msg{nullptr, message, wparam, lparam, now, nullptr});
    }
    if (rc != ERROR_SUCCESS) {
        set_last_error(rc == ERROR_INVALID_WINDOW_HANDLE ? ERROR_INVALID_THREAD_ID : rc);
        return false;
    }
    return true;
}

void post_quit_message(int exit_code) {
    auto queue = current_queue();
    if (!queue) return;
    std::lock_guard lock(detail::sync_mutex());
    queue->quit_posted = true;
    queue->quit_code = exit_code;
    queue->new_posted = true;
    queue->notify_locked();
}

DWORD msg_wait_for_multiple_objects(std::span<const WaitHandle> handles, bool wait_all, DWORD timeout_ms,
                                    DWORD wake_mask) {
    return msg_wait_for_multiple_objects_ex(handles, timeout_ms, wake_mask, wait_all ? MWMO_WAITALL : 0);
}

DWORD msg_wait_for_multiple_objects_ex(std::span<const WaitHandle> handles, DWORD timeout_ms, DWORD wake_mask,
                                       DWORD flags) {
    if (handles.size() > MAXIMUM_WAIT_OBJECTS - 1) {
        set_last_error(ERROR_INVALID_PARAMETER);
        return WAIT_FAILED;
    }
    const bool wait_all = (flags & MWMO_WAITALL) != 0;
    detail::WaitObjects wait;
    if (!detail::collect_wait_objects(handles, wait_all, 1, wait)) return WAIT_FAILED;
    auto queue = current_queue();
    if (!queue) {
        set_last_error(ERROR_INVALID_THREAD_ID);
        return WAIT_FAILED;
    }
    wait.objects.push_back(queue.get());
    auto deadline = Deadline::after(timeout_ms);
    std::unique_lock lock(detail::sync_mutex());
    queue->wake_mask = wake_mask;
    queue->input_available = (flags & MWMO_INPUTAVAILABLE) != 0;
    DWORD result = detail::wait_locked(lock, wait.objects, wait_all, deadline);
    queue->input_available = false;
    return result;
}

DWORD get_queue_status(UINT wake_mask) {
    auto queue = current_queue();
    if (!queue) return 0;
    std::lock_guard lock(detail::sync_mutex());
    DWORD fresh = queue->new_bits_locked() & wake_mask;
    DWORD waiting = queue->waiting_bits_locked() & wake_mask;
    queue->new_posted = false;
    return (fresh << 16) | waiting;
}

}  // namespace qel::platform
