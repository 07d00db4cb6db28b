// The table of registered callbacks of one CQBtAPI object, and the delivery of the stack's events
// to them. It is the EventSink a backend reports to.
//
// Promises:
//  - deliver() calls the function registered for the event's kind with its user data, or nothing
//    when none is registered.
//  - clear(kind) / clear_all() remove registrations and then wait until no callback of those
//    kinds runs on another thread, except callbacks whose threads are themselves waiting in a
//    clear while the caller is inside a callback too (so mutual clears cannot deadlock). A clear
//    made from within a callback does not wait for that callback itself.
// Lock: mutex_ guards slots_, active_ and waiting_inside_; callbacks run without it held.
// The table is shared (shared_ptr) between its CQBtAPI and the backend, so a late event from a
// backend thread finds an empty table rather than freed memory.
#pragma once

#include <array>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "facade/stackapi/qbt_callbacks.h"
#include "facade/stackapi/stack_backend.h"

namespace qel::stackapi {

enum class CallbackKind {
    device_found, device_status, discovery_event, dun_state, spp_state, lap_state, hag_status,
    hsp_status, local_service_state, sync_progress, sync_synchronize, sync_abort, sync_object,
    opp_open, opp_push_ex, opp_abort, ftp_open, ftp_close, ftp_abort, ftp_folder_listing,
    ftp_change_folder, ftp_create, ftp_delete, ftp_get, ftp_put, ftp_progress,
    count_
};

class CallbackTable final : public EventSink {
public:
    using AnyFunction = void (*)();

    // Registers `fn` (a callback function of the kind's type) with `user`; a null fn clears.
    template <class Fn>
    void set(CallbackKind kind, Fn fn, QBtUserData user) {
        if (fn == nullptr) {
            clear(kind);
            return;
        }
        std::lock_guard lock(mutex_);
        slots_[index(kind)] = Slot{reinterpret_cast<AnyFunction>(fn), user};
    }
    void clear(CallbackKind kind) { clear_where(kind); }
    void clear_all() { clear_where(std::nullopt); }
    bool is_set(CallbackKind kind) const;

    // EventSink
    void device_found(const BD_ADDR& address, const DEV_CLASS& cls, const char* name, int connected) override;
    void device_status(LONG device, LONG status) override;
    void discovery_event(const BD_ADDR& address, WORD records, LONG result) override;
    void dun_state(const BD_ADDR& address, const DEV_CLASS& cls, const char* name, const GUID& service,
                   std::int16_t port, LONG state) override;
    void spp_state(const BD_ADDR& address, const DEV_CLASS& cls, const char* name, const GUID& service,
                   std::int16_t port, LONG state) override;
    void lap_state(const BD_ADDR& address, const DEV_CLASS& cls, const char* name, const GUID& service,
                   std::int16_t port, LONG state) override;
    void hag_status(const BD_ADDR& address, const DEV_CLASS& cls, const char* name, LONG handle,
                    LONG status) override;
    void hsp_status(const BD_ADDR& address, const DEV_CLASS& cls, const char* name, LONG handle,
                    LONG status) override;
    void local_service_state(const tBT_SERVICE_INFO& info) override;
    void sync_progress(const BD_ADDR& address, LONG dataType, LONG current, LONG total, LONG error) override;
    void sync_synchronize(const BD_ADDR& address, LONG error) override;
    void sync_abort(LONG error) override;
    void sync_object(const BD_ADDR& address, LONG dataType, LONG action, const char16_t* name) override;
    void opp_response(OppEvent kind, LONG handle, LONG result) override;
    void ftp_response(FtpEvent kind, LONG handle, LONG result) override;
    void ftp_folder_listing(LONG handle, LONG result, const char16_t* listing) override;
    void ftp_progress(LONG handle, LONG result, DWORD current, DWORD total) override;

private:
    struct Slot {
        AnyFunction fn = nullptr;
        QBtUserData user = 0;
    };
    struct Active {
        std::thread::id thread;
        CallbackKind kind;
    };
    static std::size_t index(CallbackKind kind) { return static_cast<std::size_t>(kind); }

    // Marks a delivery of `kind` on this thread as running and returns its slot, or nothing.
    std::optional<Slot> begin(CallbackKind kind);
    void end(CallbackKind kind);
    template <class Fn, class... Args>
    void deliver(CallbackKind kind, Args&&... args);
    void clear_where(std::optional<CallbackKind> kind);

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::array<Slot, static_cast<std::size_t>(CallbackKind::count_)> slots_{};
    std::vector<Active> active_;                  // deliveries running now
    std::vector<std::thread::id> waiting_inside_;  // threads inside a callback waiting in a clear
};

}  // namespace qel::stackapi
