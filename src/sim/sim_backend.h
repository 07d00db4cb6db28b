// SimBackend: one CQBtAPI connection to a simulated stack (simulator.h). Queries and requests go
// to the simulator on behalf of this connection; its events reach the sink CQBtAPI gives it.
//
// Object push, file transfer and synchronisation requests answer QBT_ERR_NOT_SUPPORTED for now
// (docs/simulator.md).
//
// Linking the simulator into a program installs it as the default backend of CQBtAPI: every
// CQBtAPI() then connects to Simulator::shared(). install_default_backend does the same
// explicitly; ScopedSimulatorBackend points new CQBtAPI objects at one given simulator (tests).
#pragma once

#include <memory>

#include "facade/stackapi/stack_backend.h"
#include "sim/simulator.h"

namespace qel::sim {

class SimBackend final : public stackapi::StackBackend {
public:
    explicit SimBackend(std::shared_ptr<Simulator> simulator);
    ~SimBackend() override;
    SimBackend(const SimBackend&) = delete;
    SimBackend& operator=(const SimBackend&) = delete;

    const std::shared_ptr<Simulator>& simulator() const { return sim_; }
    std::uint64_t session() const { return session_; }

    void set_event_sink(std::shared_ptr<stackapi::EventSink> sink) override;
    QBtRc connect_to_server(bool start_server, unsigned timeout_seconds, bool a, bool b) override;
    QBtRc reset_configuration() override;
    QBtRc start_discovery(const BD_ADDR& address, int mode) override;
    QBtRc local_services(std::span<tBT_SERVICE_INFO> out, int& count) override;
    QBtRc available_services(const BD_ADDR& address, std::span<tBT_SERVICE_INFO> out, int& count) override;
    QBtRc service_state(const BD_ADDR& address, const GUID& service, std::string_view name, LONG& state,
                        LONG& extra) override;
    QBtRc application_state(const BD_ADDR& address, const GUID& service, std::string_view name, LONG& state,
                            LONG& extra) override;
    QBtRc connection_stats(const BD_ADDR& address, const GUID& service, std::string_view name,
                           std::span<tBT_CONN_STATS> out) override;
    QBtRc active_connections(std::span<tBT_ACTIVE_CONNS> out, int& count) override;
    QBtRc dun_connect(const BD_ADDR& address, const GUID& service, std::string_view name, int flags) override;
    QBtRc spp_connect(const BD_ADDR& address, const GUID& service, std::string_view name, int flags) override;
    QBtRc lap_connect(const BD_ADDR& address, const GUID& service, std::string_view name, int flags) override;
    QBtRc dun_disconnect(int server, std::int16_t port) override;
    QBtRc spp_disconnect(int server, std::int16_t port) override;
    QBtRc lap_disconnect(const BD_ADDR& address) override;
    QBtRc hsp_connect_gateway(const BD_ADDR& address, std::string_view name) override;
    QBtRc hsp_connect_gateway_uuid(const BD_ADDR& address, std::string_view name, std::uint16_t uuid) override;
    QBtRc hag_connect_headset_uuid(const BD_ADDR& address, std::string_view name, std::uint16_t uuid) override;
    QBtRc hsp_disconnect_gateway(const BD_ADDR& address, LONG which) override;
    QBtRc hag_disconnect_headset(const BD_ADDR& address, LONG which) override;
    QBtRc ftp_open(const BD_ADDR& address, const GUID& service, std::string_view name, LONG& handle) override;
    QBtRc opp_open(const BD_ADDR& address, const GUID& service, std::string_view name, LONG& handle) override;
    QBtRc opp_push(std::u16string_view path) override;
    QBtRc opp_close(LONG handle) override;
    QBtRc ftp_folder_listing(LONG handle) override;
    QBtRc ftp_root(LONG handle) override;
    QBtRc ftp_parent(LONG handle) override;
    QBtRc ftp_abort(LONG handle) override;
    QBtRc ftp_close(LONG handle) override;
    QBtRc ftp_change_folder(LONG handle, std::u16string_view name) override;
    QBtRc ftp_create_folder(LONG handle, std::u16string_view name) override;
    QBtRc ftp_delete(LONG handle, std::u16string_view name) override;
    QBtRc ftp_put(LONG handle, std::u16string_view local_path) override;
    QBtRc ftp_get(LONG handle, std::u16string_view remote, std::u16string_view local_path) override;
    QBtRc sync_synchronize(const BD_ADDR& address, const GUID& service, std::string_view name) override;
    QBtRc sync_backup(const BD_ADDR& address, const GUID& service, LONG objects, std::u16string_view path) override;
    QBtRc sync_abort() override;

private:
    std::shared_ptr<Simulator> sim_;
    std::uint64_t session_ = 0;
};

// Makes the process-wide simulator (Simulator::shared) the backend of every CQBtAPI() from now on.
// A malformed QEL_STACK_WORLD file leaves CQBtAPI without a backend (ConnectToServer answers 75).
void install_default_backend();

// For one scope, new CQBtAPI() objects connect to `simulator`; the previous factory is restored.
class ScopedSimulatorBackend {
public:
    explicit ScopedSimulatorBackend(std::shared_ptr<Simulator> simulator);
    ~ScopedSimulatorBackend();
    ScopedSimulatorBackend(const ScopedSimulatorBackend&) = delete;
    ScopedSimulatorBackend& operator=(const ScopedSimulatorBackend&) = delete;

private:
    stackapi::BackendFactory previous_;
};

}  // namespace qel::sim
