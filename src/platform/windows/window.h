// Window classes and hidden windows with a procedure, as the system uses them: notification
// windows that receive device-change broadcasts, and the tray application's window that other
// programs find by class name and post messages to.
//
// Promises:
//  - Class names are compared without regard to ASCII case. Registering a name twice fails with
//    ERROR_CLASS_ALREADY_EXISTS.
//  - A window belongs to the thread that created it: its messages go to that thread's queue and
//    its procedure only ever runs on that thread. Windows are never shown; every window is
//    top-level. A thread's windows are destroyed when it ends (without WM_DESTROY).
//  - Handles are never reused within a process: a handle of a destroyed window stays invalid.
//  - Windows of other processes: while a process has a window of a class, it owns the datagram
//    socket named after that class in runtime_dir(), unless another live process owns it
//    already (layout and rules: class_endpoint.h and docs/sync-and-windows.md). find_window in
//    any process of the same user finds such a window by class and returns a handle for it, to
//    which post_message sends the message as one datagram; only the three numbers (message,
//    wparam, lparam) cross, never what a pointer in them would point to. A socket left by a
//    process that died is ignored and removed. A window of another process can be posted to, not
//    sent to.
//  - Timers post WM_TIMER to the window's thread (set_timer below).
// Every call is safe from any thread unless it says otherwise.
#pragma once

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/windows/message.h"

namespace qel::platform {

using WindowProcedure = std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)>;

struct WindowClass {
    std::u16string name;
    WindowProcedure procedure;
};

// Registers a class for this process: a non-zero class number, or 0 with ERROR_CLASS_ALREADY_EXISTS
// (name taken) or ERROR_INVALID_PARAMETER (empty name or no procedure).
WORD register_class(const WindowClass& window_class);

// Removes a class. False with ERROR_CLASS_DOES_NOT_EXIST, or ERROR_CLASS_HAS_WINDOWS while windows
// of it exist.
bool unregister_class(std::u16string_view name);

// Creates a hidden top-level window of a registered class, owned by the calling thread, and calls
// its procedure with WM_CREATE (lparam = `create_param`) before returning. Null with
// ERROR_CANNOT_FIND_WND_CLASS for an unknown class; null when WM_CREATE answers -1 (the window is
// destroyed again, WM_DESTROY included).
HWND create_window(std::u16string_view class_name, std::u16string_view title, LPARAM create_param = 0);

// Calls the procedure with WM_DESTROY, then removes the window and the messages still queued for
// it. Only the owner thread may destroy a window: ERROR_ACCESS_DENIED otherwise;
// ERROR_INVALID_WINDOW_HANDLE for a handle that is no window of this process.
bool destroy_window(HWND hwnd);

// True for a live window of this process, or a window of another process that still answers.
bool is_window(HWND hwnd);

// The most recently created top-level window of the class (and, when given, that exact title) in
// this process; failing that, when no title is asked for, a window of that class in another
// process. Null when there is none. An empty class name matches every class (title required).
HWND find_window(std::u16string_view class_name, std::optional<std::u16string_view> title = std::nullopt);

// Queues the message for the window's thread and returns at once. A null window posts to the
// calling thread; HWND_BROADCAST posts to every top-level window of the process; a window of
// another process gets one datagram. False with ERROR_INVALID_WINDOW_HANDLE when the window does
// not exist (or its process is gone), ERROR_NOT_ENOUGH_QUOTA when its queue is full.
bool post_message(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

// Calls the window's procedure and returns its result: directly on the owner thread; from another
// thread the message is handed to the owner thread, which runs it the next time it reads its queue,
// and the caller waits without limit (running messages sent to itself meanwhile). 0 with
// ERROR_INVALID_WINDOW_HANDLE for no window, ERROR_NOT_SUPPORTED for a window of another process;
// 0 when the window or its thread ends before the message ran.
LRESULT send_message(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

// The default procedure: WM_CLOSE destroys the window; everything else answers 0.
LRESULT def_window_proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

// Posts WM_DEVICECHANGE with `event` to every top-level window of the process. When `data` is not
// empty, lparam points to a private copy of it (aligned for any structure) that every receiving
// message keeps alive (Msg::payload) until it is dropped; with no data lparam is 0. Returns how
// many windows it reached. Asynchronous, so a broadcasting thread never waits for a busy window.
std::size_t broadcast_device_change(WPARAM event, std::span<const std::byte> data);

// Timers: while a timer runs, its window's thread receives WM_TIMER (wparam = the timer's id, lparam
// 0) each time it reads its queue after the timer came due, behind every posted message and never
// more than one at a time: the next period starts when that WM_TIMER is taken. Periods are platform
// milliseconds (scaled, see clock.h), at least 10. For a window, which must belong to the calling
// thread (ERROR_ACCESS_DENIED otherwise), set_timer starts or restarts timer `id` and returns 1;
// for a null window it makes a thread timer (hwnd null in its WM_TIMER) and returns its new id,
// or restarts the thread timer `id` when it exists. 0 with the last error on failure. A window's
// timers end with it. There are no timer callbacks: WM_TIMER goes to the window procedure.
UINT_PTR set_timer(HWND hwnd, UINT_PTR id, DWORD period_ms);
// Stops a timer; false with ERROR_INVALID_PARAMETER when there is no such timer.
bool kill_timer(HWND hwnd, UINT_PTR id);

// The thread that owns a window of this process; 0 otherwise.
DWORD window_thread_id(HWND hwnd);

// A value kept with the window for its owner (the platform's GWLP_USERDATA slot). set returns the
// previous value; both answer 0 with ERROR_INVALID_WINDOW_HANDLE for no local window.
LONG_PTR set_window_user_data(HWND hwnd, LONG_PTR value);
LONG_PTR get_window_user_data(HWND hwnd);

}  // namespace qel::platform
