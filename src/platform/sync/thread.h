// Threads whose end can be waited on, as the platform's threads: a Thread runs one function and
// its handle() (a WaitHandle, usable in any wait beside events) becomes signalled when the
// function has returned; the function's result is the exit code.
//
// Ownership: the Thread object owns the running thread. Its destructor (and move-assignment over
// it) joins, waiting for the function to return, unless detach() was called; after detach the
// thread runs on alone and must only use state it shares by reference counting. Handles may be
// copied freely and outlive the Thread; they only observe the end. A thread never joins itself:
// destroying a Thread on its own thread detaches it.
#pragma once

#include <functional>
#include <optional>
#include <thread>

#include "platform/sync/wait.h"

namespace qel::platform {

// The calling thread's identifier: non-zero, unique among the threads of the process for its life.
DWORD current_thread_id();

class Thread {
public:
    using Function = std::function<DWORD()>;

    // Starts `fn` on a new thread. Nothing, with the last error set, when no thread can be made.
    // An exception escaping `fn` ends the thread with exit code ERROR_UNHANDLED_EXCEPTION.
    static std::optional<Thread> start(Function fn);

    Thread(Thread&& other) noexcept = default;
    Thread& operator=(Thread&& other) noexcept;
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;
    ~Thread();

    const WaitHandle& handle() const { return handle_; }
    DWORD id() const { return id_; }
    // The function's result, or STILL_ACTIVE while it runs.
    DWORD exit_code() const;

    // Waits for the thread to end (no time limit); does nothing when not joinable.
    void join();
    void detach();
    bool joinable() const { return thread_.joinable(); }

private:
    Thread(std::thread thread, WaitHandle handle, DWORD id)
        : thread_(std::move(thread)), handle_(std::move(handle)), id_(id) {}
    void finish();

    std::thread thread_;
    WaitHandle handle_;
    DWORD id_ = 0;
};

// The exit code of the thread behind `handle` (STILL_ACTIVE while it runs). False with
// ERROR_INVALID_HANDLE when the handle is not a thread's.
bool get_exit_code_thread(const WaitHandle& handle, DWORD* exit_code);

}  // namespace qel::platform
