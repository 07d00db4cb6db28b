// Internal to the windows piece: the process-wide table of classes, windows and thread queues
// that window.cpp and message_queue.cpp share.
//
// Locks: WindowTable::mutex guards the table (classes, windows, queues by thread, remote handles);
// detail::sync_mutex() guards the contents of every queue. When both are needed the table's lock is
// taken first. Neither is held while a window procedure runs or while an endpoint starts or stops.
#pragma once

#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/sync/waitable.h"
#include "platform/windows/class_endpoint.h"
#include "platform/windows/window.h"

namespace qel::platform::windows_detail {

// A message sent from another thread, waiting to run on the window's thread. Ready (as a
// waitable) once it has run.
class SentMessage final : public detail::Waitable {
public:
    SentMessage(HWND h, UINT m, WPARAM w, LPARAM l) : hwnd(h), message(m), wparam(w), lparam(l) {}
    bool ready_locked(DWORD) const override { return done_; }
    void complete_locked(LRESULT result) {
        result_ = result;
        done_ = true;
        notify_locked();
    }
    LRESULT result_locked() const { return result_; }

    const HWND hwnd;
    const UINT message;
    const WPARAM wparam;
    const LPARAM lparam;

private:
    bool done_ = false;  // both guarded by sync_mutex()
    LRESULT result_ = 0;
};

struct Timer {
    HWND hwnd = nullptr;
    UINT_PTR id = 0;
    DWORD period_ms = 0;
    SteadyClock::time_point due;
};

// One thread's queue; all members guarded by sync_mutex(). As a waitable it is ready when input
// of the kinds in wake_mask is there (only its own thread waits on it).
class MessageQueue final : public detail::Waitable {
public:
    explicit MessageQueue(DWORD owner) : thread_id(owner) {}
    bool ready_locked(DWORD) const override;
    std::optional<SteadyClock::time_point> next_change_locked() const override;
    // The due timer passing the filter that came due first, or null.
    Timer* due_timer_locked(SteadyClock::time_point now, HWND filter, UINT min, UINT max);
    const Timer* due_timer_locked(SteadyClock::time_point now, HWND filter, UINT min, UINT max) const;
    // The QS_ bits: new since the last look (first) and all waiting (second).
    DWORD new_bits_locked() const;
    DWORD waiting_bits_locked() const;
    // Appends a posted message: ERROR_SUCCESS, ERROR_NOT_ENOUGH_QUOTA (full) or
    // ERROR_INVALID_WINDOW_HANDLE (the thread ended).
    DWORD post_locked(Msg msg);

    const DWORD thread_id;
    std::deque<Msg> posted;
    std::deque<std::shared_ptr<SentMessage>> sent;
    bool quit_posted = false;
    int quit_code = 0;
    bool new_posted = false;  // posted input arrived since the owner last looked
    DWORD wake_mask = QS_ALLINPUT;
    bool input_available = false;  // MWMO_INPUTAVAILABLE for the current wait
    // The current wait's message filter: only timers passing it wake the wait, so that a
    // get_message for one window does not spin on another window's due timer.
    HWND wait_filter = nullptr;
    UINT wait_min = 0;
    UINT wait_max = 0;
    bool dead = false;  // its thread ended
    std::vector<Timer> timers;
    UINT_PTR next_thread_timer = 1;
};

struct ClassInfo {
    std::u16string name;
    std::u16string key;  // folded name
    WindowProcedure procedure;
    WORD atom = 0;
    std::size_t windows = 0;                  // guarded by the table's mutex
    std::mutex endpoint_mutex;                // serialises opening and closing the endpoint
    std::unique_ptr<ClassEndpoint> endpoint;  // guarded by endpoint_mutex
};

struct Window {
    HWND hwnd = nullptr;
    std::shared_ptr<ClassInfo> window_class;
    std::u16string title;
    DWORD owner = 0;
    std::shared_ptr<MessageQueue> queue;
    LONG_PTR user_data = 0;   // guarded by the table's mutex
    bool destroying = false;  // guarded by the table's mutex
    bool removed = false;     // guarded by sync_mutex(): no message may be queued for it any more
};

struct WindowTable {
    std::mutex mutex;
    std::map<std::u16string, std::shared_ptr<ClassInfo>> classes;  // by folded name
    std::map<std::uintptr_t, std::shared_ptr<Window>> windows;      // by handle: creation order
    std::map<DWORD, std::shared_ptr<MessageQueue>> queues;          // by thread
    std::map<std::u16string, std::uintptr_t> remote_by_class;        // by folded name
    std::map<std::uintptr_t, std::u16string> remote_windows;         // handle -> class name
    std::uintptr_t next_handle = 0x10000;
    WORD next_atom = 0xC000;
};

// The process's table (never destroyed: threads may end during process exit).
WindowTable& table();

// ASCII case folding of class names.
std::u16string fold(std::u16string_view name);

// The calling thread's queue, made on first use; null once the thread has ended.
std::shared_ptr<MessageQueue> current_queue();

// The local window behind a handle (table mutex held), or null.
std::shared_ptr<Window> find_local_locked(HWND hwnd);

// Whether a message passes a get/peek filter (window and message range).
bool matches(const Msg& msg, HWND filter, UINT min, UINT max);

// Runs every message other threads sent to the calling thread.
void run_sent_messages(MessageQueue& queue);

// End-of-thread work: removes the thread's queue and windows (exit hook of the sync piece).
void on_thread_exit();

// Calls a local window's procedure on its own thread; 0 when the window is gone or not the
// caller's.
LRESULT call_procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

}  // namespace qel::platform::windows_detail
