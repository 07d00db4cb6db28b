// The calling thread's message queue, as the platform gives every thread that uses windows:
// posted messages in order, messages sent by other threads, the quit request, and the wait that
// returns when an event is signalled or input arrives (MsgWaitForMultipleObjects), on which
// WaitWithMessageLoop is built.
//
// Promises:
//  - A thread's queue is made when the thread first creates a window, posts to itself, sets a
//    timer, or reads, peeks or waits on its queue, and is removed with the thread's windows when
//    the thread ends (messages still queued are dropped; threads blocked sending to it get 0).
//  - Posted messages come out in the order they were posted (per filter). A queue holds at most
//    kMaxPostedMessages; posting to a full queue fails with ERROR_NOT_ENOUGH_QUOTA.
//  - Messages sent from other threads (send_message) run on this thread inside get_message,
//    peek_message, and while this thread itself waits in send_message; never inside plain waits.
//  - A posted quit request is handed out (as WM_QUIT) only when no other matching posted
//    message is waiting.
//  - Window procedures always run on the window's own thread, with no platform lock held.
#pragma once

#include <span>

#include "platform/sync/wait.h"
#include "platform/windows/message.h"

namespace qel::platform {

inline constexpr std::size_t kMaxPostedMessages = 10000;

// Takes the next matching message, waiting without limit. `filter`: null for every message of the
// thread, kThreadMessagesOnly for thread messages, else one window of this thread; `min`..`max`
// a range of message numbers (both 0: all). Returns 1 for a message, 0 for WM_QUIT (its exit
// code in wparam), -1 with ERROR_INVALID_WINDOW_HANDLE for a filter that is no window of this thread.
int get_message(Msg* msg, HWND filter = nullptr, UINT min = 0, UINT max = 0);

// Like get_message without waiting: true with the message (removed with PM_REMOVE, left in place
// with PM_NOREMOVE), false when none matches.
bool peek_message(Msg* msg, HWND filter, UINT min, UINT max, UINT remove);

// Keyboard translation: there is no keyboard input here, so nothing is ever translated (false).
bool translate_message(const Msg& msg);

// Calls the procedure of the message's window (which must belong to the calling thread) and
// returns its result; 0 for a thread message or a window that is gone.
LRESULT dispatch_message(const Msg& msg);

// Posts to the queue of thread `thread_id`. False with ERROR_INVALID_THREAD_ID when that thread
// has no queue, ERROR_NOT_ENOUGH_QUOTA when the queue is full.
bool post_thread_message(DWORD thread_id, UINT message, WPARAM wparam, LPARAM lparam);

// Asks the calling thread's message loop to end: get_message returns 0 with WM_QUIT.
void post_quit_message(int exit_code);

// Waits up to `timeout_ms` for any (wait_all false) or all of `handles`, or for input in the
// calling thread's queue of the kinds in `wake_mask` (QS_...) that arrived since the thread last
// looked at its queue (MWMO_INPUTAVAILABLE in `flags`: any such input already queued counts
// too). With wait_all, the wait needs every handle and the input together. WAIT_OBJECT_0 + index
// for a handle, WAIT_OBJECT_0 + handles.size() for input, WAIT_ABANDONED_0 + index, WAIT_TIMEOUT;
// WAIT_FAILED with ERROR_INVALID_PARAMETER for more than MAXIMUM_WAIT_OBJECTS - 1 handles, with
// ERROR_INVALID_HANDLE for an empty one. The input is not taken: the caller peeks for it.
DWORD msg_wait_for_multiple_objects(std::span<const WaitHandle> handles, bool wait_all, DWORD timeout_ms,
                                    DWORD wake_mask);
DWORD msg_wait_for_multiple_objects_ex(std::span<const WaitHandle> handles, DWORD timeout_ms, DWORD wake_mask,
                                       DWORD flags);

// The QS_ bits of input waiting in the calling thread's queue (new-since-last-look bits in the
// high word, all waiting input in the low word, as the platform reports them).
DWORD get_queue_status(UINT wake_mask);

}  // namespace qel::platform
