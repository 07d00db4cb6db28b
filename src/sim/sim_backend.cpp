// The simulator's backend connections and their installation as CQBtAPI's default backend.
#include "sim/sim_backend.h"

#include <string>

namespace qel::sim {

namespace {

std::string narrow(std::u16string_view text) {
    std::string out;
    for (char16_t c : text) out += c < 0x80 ? char(c) : '?';
    return out;
}

}  // namespace

SimBackend::SimBackend(std::shared_ptr<Simulator> simulator)
    : sim_(std::move(simulator)), session_(sim_->open_session(nullptr)) {}

SimBackend::~SimBackend() { sim_->close_session(session_); }

void SimBackend::set_event_sink(std::shared_ptr<stackapi::EventSink> sink) {
    sim_->set_session_sink(session_, std::move(sink));
}

QBtRc SimBackend::connect_to_server(bool, unsigned, bool, bool) { return sim_->connect_to_server(session_); }
QBtRc SimBackend::reset_configuration() { return sim_->reset_configuration(session_); }
QBtRc SimBackend::start_discovery(const BD_ADDR& address, int mode) {
    return sim_->start_discovery(session_, address, mode);
}
QBtRc SimBackend::local_services(std::span<tBT_SERVICE_INFO> out, int& count) {
    return sim_->local_services(session_, out, count);
}
QBtRc SimBackend::available_services(const BD_ADDR& address, std::span<tBT_SERVICE_INFO> out, int& count) {
    return sim_->available_services(session_, address, out, count);
}
QBtRc SimBackend::service_state(const BD_ADDR& address, const GUID& service, std::string_view name, LONG& state,
                                LONG& extra) {
    return sim_->service_state(session_, "GapGetServiceState", address, service, name, state, extra);
}
QBtRc SimBackend::application_state(const BD_ADDR& address, const GUID& service, std::string_view name,
                                    LONG& state, LONG& extra) {
    return sim_->service_state(session_, "GapGetApplicationState", address, service, name, state, extra);
}
QBtRc SimBackend::connection_stats(const BD_ADDR& address, const GUID& service, std::string_view,
                                   std::span<tBT_CONN_STATS> out) {
    return sim_->connection_stats(session_, address, service, out);
}
QBtRc SimBackend::active_connections(std::span<tBT_ACTIVE_CONNS> out, int& count) {
    return sim_->active_connections(session_, out, count);
}
QBtRc SimBackend::dun_connect(const BD_ADDR& address, const GUID& service, std::string_view name, int) {
    return sim_->port_connect(session_, ConnectionKind::dun, address, service, name);
}
QBtRc SimBackend::spp_connect(const BD_ADDR& address, const GUID& service, std::string_view name, int) {
    return sim_->port_connect(session_, ConnectionKind::spp, address, service, name);
}
QBtRc SimBackend::lap_connect(const BD_ADDR& address, const GUID& service, std::string_view name, int) {
    return sim_->port_connect(session_, ConnectionKind::lap, address, service, name);
}
QBtRc SimBackend::dun_disconnect(int server, std::int16_t port) {
    return sim_->port_disconnect(session_, ConnectionKind::dun, server, port);
}
QBtRc SimBackend::spp_disconnect(int server, std::int16_t port) {
    return sim_->port_disconnect(session_, ConnectionKind::spp, server, port);
}
QBtRc SimBackend::lap_disconnect(const BD_ADDR& address) { return sim_->lap_disconnect(session_, address); }
QBtRc SimBackend::hsp_connect_gateway(const BD_ADDR& address, std::string_view name) {
    return sim_->audio_connect(session_, "HSP_ConnectGateway", ConnectionKind::hsp, address, name, std::nullopt);
}
QBtRc SimBackend::hsp_connect_gateway_uuid(const BD_ADDR& address, std::string_view name, std::uint16_t uuid) {
    return sim_->audio_connect(session_, "HSP_ConnectGatewayUuid", ConnectionKind::hsp, address, name, uuid);
}
QBtRc SimBackend::hag_connect_headset_uuid(const BD_ADDR& address, std::string_view name, std::uint16_t uuid) {
    return sim_->audio_connect(session_, "HAG_ConnectHeadsetUuid", ConnectionKind::hag, address, name, uuid);
}
QBtRc SimBackend::hsp_disconnect_gateway(const BD_ADDR& address, LONG which) {
    return sim_->audio_disconnect(session_, "HSP_DisconnectGateway", ConnectionKind::hsp, address, which);
}
QBtRc SimBackend::hag_disconnect_headset(const BD_ADDR& address, LONG which) {
    return sim_->audio_disconnect(session_, "HAG_DisconnectHeadset", ConnectionKind::hag, address, which);
}

// Object exchange and synchronisation: not simulated yet.
QBtRc SimBackend::ftp_open(const BD_ADDR& address, const GUID&, std::string_view name, LONG& handle) {
    handle = 0;
    return sim_->unsupported(session_, "FtpOpenConnection", address_text(address) + " \"" + std::string(name) + "\"");
}
QBtRc SimBackend::opp_open(const BD_ADDR& address, const GUID&, std::string_view name, LONG& handle) {
    handle = 0;
    return sim_->unsupported(session_, "OppOpenConnection", address_text(address) + " \"" + std::string(name) + "\"");
}
QBtRc SimBackend::opp_push(std::u16string_view path) { return sim_->unsupported(session_, "OppPushEx", narrow(path)); }
QBtRc SimBackend::opp_close(LONG handle) {
    return sim_->unsupported(session_, "OppCloseConnection", std::to_string(handle));
}
QBtRc SimBackend::ftp_folder_listing(LONG handle) {
    return sim_->unsupported(session_, "FtpFolderListing", std::to_string(handle));
}
QBtRc SimBackend::ftp_root(LONG handle) { return sim_->unsupported(session_, "FtpRoot", std::to_string(handle)); }
QBtRc SimBackend::ftp_parent(LONG handle) { return sim_->unsupported(session_, "FtpParent", std::to_string(handle)); }
QBtRc SimBackend::ftp_abort(LONG handle) { return sim_->unsupported(session_, "FtpAbort", std::to_string(handle)); }
QBtRc SimBackend::ftp_close(LONG handle) {
    return sim_->unsupported(session_, "FtpCloseConnection", std::to_string(handle));
}
QBtRc SimBackend::ftp_change_folder(LONG handle, std::u16string_view name) {
    return sim_->unsupported(session_, "FtpChangeFolder", std::to_string(handle) + " " + narrow(name));
}
QBtRc SimBackend::ftp_create_folder(LONG handle, std::u16string_view name) {
    return sim_->unsupported(session_, "FtpCreateFolder", std::to_string(handle) + " " + narrow(name));
}
QBtRc SimBackend::ftp_delete(LONG handle, std::u16string_view name) {
    return sim_->unsupported(session_, "FtpDeleteFile", std::to_string(handle) + " " + narrow(name));
}
QBtRc SimBackend::ftp_put(LONG handle, std::u16string_view local_path) {
    return sim_->unsupported(session_, "FtpPutFile", std::to_string(handle) + " " + narrow(local_path));
}
QBtRc SimBackend::ftp_get(LONG handle, std::u16string_view remote, std::u16string_view local_path) {
    return sim_->unsupported(session_, "FtpGetFile",
                             std::to_string(handle) + " " + narrow(remote) + " " + narrow(local_path));
}
QBtRc SimBackend::sync_synchronize(const BD_ADDR& address, const GUID&, std::string_view) {
    return sim_->unsupported(session_, "SyncSynchronize", address_text(address));
}
QBtRc SimBackend::sync_backup(const BD_ADDR& address, const GUID&, LONG objects, std::u16string_view path) {
    return sim_->unsupported(session_, "SyncBackup",
                             address_text(address) + " " + std::to_string(objects) + " " + narrow(path));
}
QBtRc SimBackend::sync_abort() { return sim_->unsupported(session_, "SyncAbort", ""); }

void install_default_backend() {
    stackapi::set_backend_factory([]() -> std::unique_ptr<stackapi::StackBackend> {
        auto simulator = Simulator::shared();
        if (!simulator) return nullptr;
        return std::make_unique<SimBackend>(std::move(simulator));
    });
}

ScopedSimulatorBackend::ScopedSimulatorBackend(std::shared_ptr<Simulator> simulator)
    : previous_(stackapi::set_backend_factory([simulator]() -> std::unique_ptr<stackapi::StackBackend> {
          return std::make_unique<SimBackend>(simulator);
      })) {}

ScopedSimulatorBackend::~ScopedSimulatorBackend() { stackapi::set_backend_factory(std::move(previous_)); }

}  // namespace qel::sim
