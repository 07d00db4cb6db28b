// Delivery of stack events to registered callbacks, and clears that wait for deliveries running
// on other threads.
#include "facade/stackapi/callback_table.h"

#include <algorithm>

namespace qel::stackapi {

namespace {

bool contains(const std::vector<std::thread::id>& ids, std::thread::id id) {
    return std::find(ids.begin(), ids.end(), id) != ids.end();
}

}  // namespace

bool CallbackTable::is_set(CallbackKind kind) const {
    std::lock_guard lock(mutex_);
    return slots_[index(kind)].fn != nullptr;
}

std::optional<CallbackTable::Slot> CallbackTable::begin(CallbackKind kind) {
    std::lock_guard lock(mutex_);
    const Slot slot = slots_[index(kind)];
    if (slot.fn == nullptr) return std::nullopt;
    active_.push_back(Active{std::this_thread::get_id(), kind});
    return slot;
}

void CallbackTable::end(CallbackKind kind) {
    {
        std::lock_guard lock(mutex_);
        const auto me = std::this_thread::get_id();
        // The innermost delivery of this thread and kind is the one ending (nested deliveries on
        // one thread end in reverse order).
        auto it = std::find_if(active_.rbegin(), active_.rend(),
                               [&](const Active& a) { return a.thread == me && a.kind == kind; });
        if (it != active_.rend()) active_.erase(std::next(it).base());
    }
    changed_.notify_all();
}

template <class Fn, class... Args>
void CallbackTable::deliver(CallbackKind kind, Args&&... args) {
    const auto slot = begin(kind);
    if (!slot) return;
    struct EndGuard {
        CallbackTable* table;
        CallbackKind kind;
        ~EndGuard() { table->end(kind); }
    } guard{this, kind};
    reinterpret_cast<Fn>(slot->fn)(slot->user, std::forward<Args>(args)...);
}

void CallbackTable::clear_where(std::optional<CallbackKind> kind) {
    std::unique_lock lock(mutex_);
    if (kind) {
        slots_[index(*kind)] = Slot{};
    } else {
        slots_.fill(Slot{});
    }
    const auto me = std::this_thread::get_id();
    const bool inside = std::any_of(active_.begin(), active_.end(), [&](const Active& a) { return a.thread == me; });
    if (inside) {
        waiting_inside_.push_back(me);
        changed_.notify_all();  // other inside-waiters may now stop waiting for this thread
    }
    changed_.wait(lock, [&] {
        return std::none_of(active_.begin(), active_.end(), [&](const Active& a) {
            if (a.thread == me) return false;
            if (kind && a.kind != *kind) return false;
            // Waiting for a callback that itself waits in a clear could deadlock: only a caller
            // outside every callback waits for those.
            return !(inside && contains(waiting_inside_, a.thread));
        });
    });
    if (inside) {
        waiting_inside_.erase(std::find(waiting_inside_.begin(), waiting_inside_.end(), me));
    }
}

void CallbackTable::device_found(const BD_ADDR& address, const DEV_CLASS& cls, const char* name, int connected) {
    deliver<QBtDeviceFoundCallback>(CallbackKind::device_found, address, cls, name, connected);
}
void CallbackTable::device_status(LONG device, LONG status) {
    deliver<QBtDeviceStatusCallback>(CallbackKind::device_status, device, status);
}
void CallbackTable::discovery_event(const BD_ADDR& address, WORD records, LONG result) {
    deliver<QBtDiscoveryEventCallback>(CallbackKind::discovery_event, address, records, result);
}
void CallbackTable::dun_state(const BD_ADDR& address, const DEV_CLASS& cls, const char* name, const GUID& service,
                              std::int16_t port, LONG state) {
    deliver<QBtPortStateCallback>(CallbackKind::dun_state, address, cls, name, service, port, state);
}
void CallbackTable::spp_state(const BD_ADDR& address, const DEV_CLASS& cls, const char* name, const GUID& service,
                              std::int16_t port, LONG state) {
    deliver<QBtPortStateCallback>(CallbackKind::spp_state, address, cls, name, service, port, state);
}
void CallbackTable::lap_state(const BD_ADDR& address, const DEV_CLASS& cls, const char* name, const GUID& service,
                              std::int16_t port, LONG state) {
    deliver<QBtPortStateCallback>(CallbackKind::lap_state, address, cls, name, service, port, state);
}
void CallbackTable::hag_status(const BD_ADDR& address, const DEV_CLASS& cls, const char* name, LONG handle,
                               LONG status) {
    deliver<QBtAudioStatusCallback>(CallbackKind::hag_status, address, cls, name, handle, status);
}
void CallbackTable::hsp_status(const BD_ADDR& address, const DEV_CLASS& cls, const char* name, LONG handle,
                               LONG status) {
    deliver<QBtAudioStatusCallback>(CallbackKind::hsp_status, address, cls, name, handle, status);
}
void CallbackTable::local_service_state(const tBT_SERVICE_INFO& info) {
    deliver<QBtLocalServiceStateCallback>(CallbackKind::local_service_state, &info);
}
void CallbackTable::sync_progress(const BD_ADDR& address, LONG dataType, LONG current, LONG total, LONG error) {
    deliver<QBtSyncProgressCallback>(CallbackKind::sync_progress, address, dataType, current, total, error);
}
void CallbackTable::sync_synchronize(const BD_ADDR& address, LONG error) {
    deliver<QBtSyncSynchronizeCallback>(CallbackKind::sync_synchronize, address, error);
}
void CallbackTable::sync_abort(LONG error) { deliver<QBtSyncAbortCallback>(CallbackKind::sync_abort, error); }
void CallbackTable::sync_object(const BD_ADDR& address, LONG dataType, LONG action, const char16_t* name) {
    deliver<QBtSyncObjectCallback>(CallbackKind::sync_object, address, dataType, action, name);
}

void CallbackTable::opp_response(OppEvent event, LONG handle, LONG result) {
    CallbackKind kind = CallbackKind::opp_open;
    switch (event) {
        case OppEvent::open: kind = CallbackKind::opp_open; break;
        case OppEvent::push_ex: kind = CallbackKind::opp_push_ex; break;
        case OppEvent::abort: kind = CallbackKind::opp_abort; break;
    }
    deliver<QBtResponseCallback>(kind, handle, result);
}

void CallbackTable::ftp_response(FtpEvent event, LONG handle, LONG result) {
    CallbackKind kind = CallbackKind::ftp_open;
    switch (event) {
        case FtpEvent::open: kind = CallbackKind::ftp_open; break;
        case FtpEvent::close: kind = CallbackKind::ftp_close; break;
        case FtpEvent::abort: kind = CallbackKind::ftp_abort; break;
        case FtpEvent::change_folder: kind = CallbackKind::ftp_change_folder; break;
        case FtpEvent::create: kind = CallbackKind::ftp_create; break;
        case FtpEvent::delete_file: kind = CallbackKind::ftp_delete; break;
        case FtpEvent::get: kind = CallbackKind::ftp_get; break;
        case FtpEvent::put: kind = CallbackKind::ftp_put; break;
    }
    deliver<QBtResponseCallback>(kind, handle, result);
}

void CallbackTable::ftp_folder_listing(LONG handle, LONG result, const char16_t* listing) {
    deliver<QBtFolderListingCallback>(CallbackKind::ftp_folder_listing, handle, result, listing);
}
void CallbackTable::ftp_progress(LONG handle, LONG result, DWORD current, DWORD total) {
    deliver<QBtProgressCallback>(CallbackKind::ftp_progress, handle, result, current, total);
}

}  // namespace qel::stackapi
