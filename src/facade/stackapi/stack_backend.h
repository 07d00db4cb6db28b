// The backend behind CQBtAPI: one connection of one CQBtAPI object to a Bluetooth stack. A
// backend carries out the requests and reports the stack's events to the EventSink it is given.
// The simulated stack (src/sim/) is the default backend; a backend over a real Linux stack can be
// added by installing its factory, without touching CQBtAPI or its users.
//
// Promises a backend keeps:
//  - Every operation returns a QBtRc at once (0 success); outcomes of requests arrive later as
//    events on the backend's own threads, never on the caller's thread inside the request.
//  - Events go to the sink set last; after set_event_sink(nullptr) or destruction no new event
//    is started on the sink (one already running may finish: CQBtAPI copes with that).
//  - Output arrays are filled up to their size; `count` is the number of records written.
// Threads: the backend owns its event threads and stops them (or stops using them for this
// connection) in its destructor.
#pragma once

#include <functional>
#include <memory>
#include <span>
#include <string_view>

#include "facade/stackapi/qbt_records.h"
#include "facade/stackapi/qbt_types.h"

namespace qel::stackapi {

// Kinds of the object-push and file-transfer responses.
enum class OppEvent { open, push_ex, abort };
enum class FtpEvent { open, close, abort, change_folder, create, delete_file, get, put };

// Receives the stack's events (implemented by CQBtAPI's callback table).
class EventSink {
public:
    virtual ~EventSink() = default;
    virtual void device_found(const BD_ADDR& address, const DEV_CLASS& cls, const char* name, int connected) = 0;
    virtual void device_status(LONG device, LONG status) = 0;
    virtual void discovery_event(const BD_ADDR& address, WORD records, LONG result) = 0;
    virtual void dun_state(const BD_ADDR& address, const DEV_CLASS& cls, const char* name, const GUID& service,
                           std::int16_t port, LONG state) = 0;
    virtual void spp_state(const BD_ADDR& address, const DEV_CLASS& cls, const char* name, const GUID& service,
                           std::int16_t port, LONG state) = 0;
    virtual void lap_state(const BD_ADDR& address, const DEV_CLASS& cls, const char* name, const GUID& service,
                           std::int16_t port, LONG state) = 0;
    virtual void hag_status(const BD_ADDR& address, const DEV_CLASS& cls, const char* name, LONG handle,
                            LONG status) = 0;
    virtual void hsp_status(const BD_ADDR& address, const DEV_CLASS& cls, const char* name, LONG handle,
                            LONG status) = 0;
    virtual void local_service_state(const tBT_SERVICE_INFO& info) = 0;
    virtual void sync_progress(const BD_ADDR& address, LONG dataType, LONG current, LONG total, LONG error) = 0;
    virtual void sync_synchronize(const BD_ADDR& address, LONG error) = 0;
    virtual void sync_abort(LONG error) = 0;
    virtual void sync_object(const BD_ADDR& address, LONG dataType, LONG action, const char16_t* name) = 0;
    virtual void opp_response(OppEvent kind, LONG handle, LONG result) = 0;
    virtual void ftp_response(FtpEvent kind, LONG handle, LONG result) = 0;
    virtual void ftp_folder_listing(LONG handle, LONG result, const char16_t* listing) = 0;
    virtual void ftp_progress(LONG handle, LONG result, DWORD current, DWORD total) = 0;
};

// One connection to a stack. The operations mirror CQBtAPI's (see there for their meaning).
class StackBackend {
public:
    virtual ~StackBackend() = default;

    // Events of this connection go to `sink` from now on (nullptr: nowhere).
    virtual void set_event_sink(std::shared_ptr<EventSink> sink) = 0;

    virtual QBtRc connect_to_server(bool start_server, unsigned timeout_seconds, bool a, bool b) = 0;
    virtual QBtRc reset_configuration() = 0;

    virtual QBtRc start_discovery(const BD_ADDR& address, int mode) = 0;
    virtual QBtRc local_services(std::span<tBT_SERVICE_INFO> out, int& count) = 0;
    virtual QBtRc available_services(const BD_ADDR& address, std::span<tBT_SERVICE_INFO> out, int& count) = 0;
    virtual QBtRc service_state(const BD_ADDR& address, const GUID& service, std::string_view name, LONG& state,
                                LONG& extra) = 0;
    virtual QBtRc application_state(const BD_ADDR& address, const GUID& service, std::string_view name,
                                    LONG& state, LONG& extra) = 0;
    virtual QBtRc connection_stats(const BD_ADDR& address, const GUID& service, std::string_view name,
                                   std::span<tBT_CONN_STATS> out) = 0;
    virtual QBtRc active_connections(std::span<tBT_ACTIVE_CONNS> out, int& count) = 0;

    virtual QBtRc dun_connect(const BD_ADDR& address, const GUID& service, std::string_view name, int flags) = 0;
    virtual QBtRc spp_connect(const BD_ADDR& address, const GUID& service, std::string_view name, int flags) = 0;
    virtual QBtRc lap_connect(const BD_ADDR& address, const GUID& service, std::string_view name, int flags) = 0;
    virtual QBtRc dun_disconnect(int server, std::int16_t port) = 0;
    virtual QBtRc spp_disconnect(int server, std::int16_t port) = 0;
    virtual QBtRc lap_disconnect(const BD_ADDR& address) = 0;
    virtual QBtRc hsp_connect_gateway(const BD_ADDR& address, std::string_view name) = 0;
    virtual QBtRc hsp_connect_gateway_uuid(const BD_ADDR& address, std::string_view name, std::uint16_t uuid) = 0;
    virtual QBtRc hag_connect_headset_uuid(const BD_ADDR& address, std::string_view name, std::uint16_t uuid) = 0;
    virtual QBtRc hsp_disconnect_gateway(const BD_ADDR& address, LONG which) = 0;
    virtual QBtRc hag_disconnect_headset(const BD_ADDR& address, LONG which) = 0;

    virtual QBtRc ftp_open(const BD_ADDR& address, const GUID& service, std::string_view name, LONG& handle) = 0;
    virtual QBtRc opp_open(const BD_ADDR& address, const GUID& service, std::string_view name, LONG& handle) = 0;
    virtual QBtRc opp_push(std::u16string_view path) = 0;
    virtual QBtRc opp_close(LONG handle) = 0;
    virtual QBtRc ftp_folder_listing(LONG handle) = 0;
    virtual QBtRc ftp_root(LONG handle) = 0;
    virtual QBtRc ftp_parent(LONG handle) = 0;
    virtual QBtRc ftp_abort(LONG handle) = 0;
    virtual QBtRc ftp_close(LONG handle) = 0;
    virtual QBtRc ftp_change_folder(LONG handle, std::u16string_view name) = 0;
    virtual QBtRc ftp_create_folder(LONG handle, std::u16string_view name) = 0;
    virtual QBtRc ftp_delete(LONG handle, std::u16string_view name) = 0;
    virtual QBtRc ftp_put(LONG handle, std::u16string_view local_path) = 0;
    virtual QBtRc ftp_get(LONG handle, std::u16string_view remote, std::u16string_view local_path) = 0;

    virtual QBtRc sync_synchronize(const BD_ADDR& address, const GUID& service, std::string_view name) = 0;
    virtual QBtRc sync_backup(const BD_ADDR& address, const GUID& service, LONG objects,
                              std::u16string_view path) = 0;
    virtual QBtRc sync_abort() = 0;
};

// Makes the backend of a new CQBtAPI object.
using BackendFactory = std::function<std::unique_ptr<StackBackend>()>;

// Installs the process-wide factory that CQBtAPI's default constructor uses and returns the one
// it replaces. The simulated stack installs itself when it is linked in (src/sim/); without any
// factory, a CQBtAPI has no backend and ConnectToServer answers QBT_ERR_SERVER_UNREACHABLE (75),
// as when no stack server runs. Safe from any thread.
BackendFactory set_backend_factory(BackendFactory factory);
// A backend from the installed factory, or nothing.
std::unique_ptr<StackBackend> make_backend();

}  // namespace qel::stackapi
