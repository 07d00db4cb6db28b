#include "platform/sync/thread.h"

#include <exception>
#include <string>
#include <system_error>

#include "platform/debug_stream.h"
#include "platform/last_error.h"
#include "platform/sync/waitable.h"

namespace qel::platform {
namespace detail {

void adopt_thread_id(DWORD id);
DWORD allocate_thread_id();

namespace {

// The waitable side of a thread: signalled once its function has returned.
class ThreadObject final : public Waitable {
public:
    bool ready_locked(DWORD) const override { return ended_; }
    void end_locked(DWORD exit_code) {
        exit_code_ = exit_code;
        ended_ = true;
        notify_locked();
    }
    DWORD exit_code_locked() const { return ended_ ? exit_code_ : STILL_ACTIVE; }

private:
    bool ended_ = false;  // both guarded by sync_mutex()
    DWORD exit_code_ = STILL_ACTIVE;
};

DWORD run_guarded(const Thread::Function& fn) {
    try {
        return fn();
    } catch (const std::exception& e) {
        output_debug_string(std::string("thread ended by an exception: ") + e.what() + "\n");
    } catch (...) {
        output_debug_string("thread ended by an exception\n");
    }
    return ERROR_UNHANDLED_EXCEPTION;
}

}  // namespace
}  // namespace detail

std::optional<Thread> Thread::start(Function fn) {
    if (!fn) {
        set_last_error(ERROR_INVALID_PARAMETER);
        return std::nullopt;
    }
    try {
        auto object = std::make_shared<detail::ThreadObject>();
        DWORD id = detail::allocate_thread_id();
        std::thread thread([object, id, fn = std::move(fn)] {
            detail::adopt_thread_id(id);
            DWORD code = detail::run_guarded(fn);
            detail::run_thread_exit_hooks();
            std::lock_guard lock(detail::sync_mutex());
            object->end_locked(code);
        });
        return Thread(std::move(thread), WaitHandle(std::move(object)), id);
    } catch (const std::system_error& e) {
        set_last_error(error_from_errno(e.code().value()));
    } catch (const std::bad_alloc&) {
        set_last_error(ERROR_NOT_ENOUGH_MEMORY);
    }
    return std::nullopt;
}

Thread& Thread::operator=(Thread&& other) noexcept {
    if (this != &other) {
        finish();
        thread_ = std::move(other.thread_);
        handle_ = std::move(other.handle_);
        id_ = other.id_;
    }
    return *this;
}

Thread::~Thread() { finish(); }

void Thread::finish() {
    if (!thread_.joinable()) return;
    if (id_ == current_thread_id())
        thread_.detach();
    else
        thread_.join();
}

DWORD Thread::exit_code() const {
    DWORD code = STILL_ACTIVE;
    get_exit_code_thread(handle_, &code);
    return code;
}

void Thread::join() { finish(); }

void Thread::detach() {
    if (thread_.joinable()) thread_.detach();
}

bool get_exit_code_thread(const WaitHandle& handle, DWORD* exit_code) {
    auto* t = dynamic_cast<detail::ThreadObject*>(handle.object());
    if (t == nullptr || exit_code == nullptr) {
        set_last_error(ERROR_INVALID_HANDLE);
        return false;
    }
    std::lock_guard lock(detail::sync_mutex());
    *exit_code = t->exit_code_locked();
    return true;
}

}  // namespace qel::platform
