// The simulated stack: state, requests, events and the control interface.
#include "sim/simulator.h"

#include <algorithm>
#include <cstdio>

#include "platform/sync/clock.h"
#include "sim/sim_backend.h"

namespace qel::sim {

namespace {

std::string port_text(std::int16_t port) { return port > 0 ? "COM" + std::to_string(port) : std::string(); }

std::string hex(std::uint32_t v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%x", unsigned(v));
    return buf;
}

const char* operation_of(ConnectionKind kind, bool connect) {
    switch (kind) {
        case ConnectionKind::spp: return connect ? "SppCreateConnection" : "SppRemoveConnection";
        case ConnectionKind::dun: return connect ? "DunCreateConnection" : "DunRemoveConnection";
        case ConnectionKind::lap: return connect ? "LapCreateConnection" : "LapDisconnect";
        case ConnectionKind::hag: return connect ? "HAG_ConnectHeadsetUuid" : "HAG_DisconnectHeadset";
        case ConnectionKind::hsp: return connect ? "HSP_ConnectGateway" : "HSP_DisconnectGateway";
    }
    return "";
}

// Whether a service UUID belongs to a profile's connect request.
bool uuid_fits(ConnectionKind kind, std::uint16_t uuid) {
    switch (kind) {
        case ConnectionKind::spp: return uuid == QBT_UUID_SERIAL_PORT;
        case ConnectionKind::dun: return uuid == QBT_UUID_DIALUP_NETWORKING;
        case ConnectionKind::lap:
            return uuid == QBT_UUID_PANU || uuid == QBT_UUID_NAP || uuid == QBT_UUID_GN ||
                   uuid == QBT_UUID_LAN_ACCESS_PPP;
        case ConnectionKind::hag:
            return uuid == QBT_UUID_HEADSET || uuid == QBT_UUID_HANDSFREE || uuid == QBT_UUID_AUDIO_SINK;
        case ConnectionKind::hsp:
            return uuid == QBT_UUID_HEADSET_AUDIO_GATEWAY || uuid == QBT_UUID_HANDSFREE_AUDIO_GATEWAY ||
                   uuid == QBT_UUID_AUDIO_SOURCE;
    }
    return false;
}

// The status of an event that leaves a connection established.
bool connected_status(ConnectionKind kind, LONG status) {
    if (status == 0) return true;
    return kind == ConnectionKind::dun && QBtRc(status) == QBT_STATUS_PORT_READY;
}

// The local service that serves a connection, by its UUID (none for connections to a remote
// gateway or dial-up service, which use no local service).
std::optional<std::uint16_t> local_uuid_of(const Connection& c) {
    switch (c.kind) {
        case ConnectionKind::lap: return QBT_UUID_PANU;
        case ConnectionKind::hag:
            if (c.uuid == QBT_UUID_HANDSFREE) return QBT_UUID_HANDSFREE_AUDIO_GATEWAY;
            if (c.uuid == QBT_UUID_AUDIO_SINK) return QBT_UUID_AUDIO_SOURCE;
            return QBT_UUID_HEADSET_AUDIO_GATEWAY;
        case ConnectionKind::spp:
            if (c.server) return QBT_UUID_SERIAL_PORT;
            return std::nullopt;
        default: return std::nullopt;
    }
}

void overlay(RequestBehaviour& into, const RequestBehaviour& from) {
    if (from.result) into.result = from.result;
    if (from.delay_ms) into.delay_ms = from.delay_ms;
    if (from.events) into.events = from.events;
    if (from.no_answer) into.no_answer = true;
}

// Installs the simulated stack as CQBtAPI's default backend when the simulator is linked in. It
// lives in this file because every program that uses the simulator links this file.
[[maybe_unused]] const bool installed_at_start = [] {
    install_default_backend();
    return true;
}();

}  // namespace

const char* connection_kind_name(ConnectionKind kind) {
    switch (kind) {
        case ConnectionKind::spp: return "SPP";
        case ConnectionKind::dun: return "DUN";
        case ConnectionKind::lap: return "LAP";
        case ConnectionKind::hag: return "HAG";
        case ConnectionKind::hsp: return "HSP";
    }
    return "?";
}

// --- Life and the event thread ---------------------------------------------------------------

Simulator::Simulator(Private, World world) : world_(std::move(world)) {
    thread_ = std::thread([this] { run(); });
}

Simulator::~Simulator() {
    phones_.clear();  // stops and joins every phone's thread
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
        queue_.clear();
    }
    wake_.notify_all();
    idle_.notify_all();
    if (thread_.joinable()) {
        if (thread_.get_id() == std::this_thread::get_id()) {
            thread_.detach();
        } else {
            thread_.join();
        }
    }
}

std::shared_ptr<Simulator> Simulator::create(World world) {
    auto sim = std::make_shared<Simulator>(Private{}, std::move(world));
    sim->phones_ = start_world_phones(sim->world_, &sim->phone_problems_);
    return sim;
}

PhoneModem* Simulator::phone_modem(const BD_ADDR& address) const {
    for (const auto& p : phones_) {
        if (p.address == address) return p.modem.get();
    }
    return nullptr;
}

namespace {
std::mutex& shared_mutex() {
    static std::mutex m;  // guards the shared simulator, its load error and the creation hook
    return m;
}
std::function<void(const std::shared_ptr<Simulator>&)>& shared_created_hook() {
    static std::function<void(const std::shared_ptr<Simulator>&)> hook;
    return hook;
}
}  // namespace

void Simulator::set_shared_created_hook(std::function<void(const std::shared_ptr<Simulator>&)> hook) {
    std::lock_guard lock(shared_mutex());
    shared_created_hook() = std::move(hook);
}

std::shared_ptr<Simulator> Simulator::shared(std::string* error) {
    static std::shared_ptr<Simulator> instance;
    static std::string load_error;
    std::lock_guard lock(shared_mutex());
    if (!instance && load_error.empty()) {
        auto loaded = load_default_world();
        if (auto* w = std::get_if<World>(&loaded)) {
            instance = create(std::move(*w));
            if (auto& hook = shared_created_hook()) hook(instance);
        } else {
            load_error = std::get<WorldError>(loaded).message;
        }
    }
    if (!instance && error) *error = load_error;
    return instance;
}

void Simulator::run() {
    Lock lock(mutex_);
    while (!stop_) {
        if (queue_.empty()) {
            wake_.wait(lock);
            continue;
        }
        const auto due = queue_.front().due;
        if (std::chrono::steady_clock::now() < due) {
            wake_.wait_until(lock, due);
            continue;
        }
        std::pop_heap(queue_.begin(), queue_.end(), std::greater<>{});
        auto action = std::move(queue_.back().action);
        queue_.pop_back();
        running_action_ = true;
        lock.unlock();
        action();
        lock.lock();
        running_action_ = false;
        idle_.notify_all();
    }
}

void Simulator::schedule_locked(DWORD delay_ms, std::function<void()> action) {
    if (stop_) return;
    const auto span = platform::real_duration(delay_ms);
    auto due = std::chrono::steady_clock::now();
    due += span ? *span : std::chrono::hours(24 * 365);
    queue_.push_back(Scheduled{due, next_sequence_++, std::move(action)});
    std::push_heap(queue_.begin(), queue_.end(), std::greater<>{});
    wake_.notify_all();
}

bool Simulator::wait_until_idle(DWORD timeout_ms) {
    const auto span = platform::real_duration(timeout_ms);
    return wait_until_idle_for(span);
}

bool Simulator::wait_until_idle() { return wait_until_idle_for(std::chrono::minutes(1)); }

bool Simulator::wait_until_idle_for(std::optional<platform::SteadyClock::duration> span) {
    if (on_event_thread()) return false;  // the running action would never end
    Lock lock(mutex_);
    auto idle = [&] { return stop_ || (queue_.empty() && !running_action_); };
    if (!span) {
        idle_.wait(lock, idle);
        return true;
    }
    return idle_.wait_for(lock, *span, idle);
}

bool Simulator::on_event_thread() const { return std::this_thread::get_id() == thread_.get_id(); }

// --- Sessions and delivery ---------------------------------------------------------------------

std::uint64_t Simulator::open_session(std::shared_ptr<stackapi::EventSink> sink) {
    std::lock_guard lock(mutex_);
    const auto id = next_session_++;
    sessions_[id] = Session{std::move(sink), false};
    return id;
}

void Simulator::set_session_sink(std::uint64_t s, std::shared_ptr<stackapi::EventSink> sink) {
    std::lock_guard lock(mutex_);
    auto it = sessions_.find(s);
    if (it != sessions_.end()) it->second.sink = std::move(sink);
}

void Simulator::close_session(std::uint64_t s) {
    std::lock_guard lock(mutex_);
    sessions_.erase(s);
}

std::vector<std::shared_ptr<stackapi::EventSink>> Simulator::sinks_locked() const {
    std::vector<std::shared_ptr<stackapi::EventSink>> out;
    for (const auto& [id, session] : sessions_) {
        if (session.connected && session.sink) out.push_back(session.sink);
    }
    return out;
}

std::shared_ptr<stackapi::EventSink> Simulator::sink_locked(std::uint64_t s) const {
    auto it = sessions_.find(s);
    return it == sessions_.end() ? nullptr : it->second.sink;
}

void Simulator::broadcast(const std::function<void(stackapi::EventSink&)>& event) {
    std::vector<std::shared_ptr<stackapi::EventSink>> sinks;
    {
        std::lock_guard lock(mutex_);
        sinks = sinks_locked();
    }
    for (const auto& sink : sinks) event(*sink);
}

void Simulator::inject(std::function<void(stackapi::EventSink&)> event, DWORD delay_ms) {
    std::lock_guard lock(mutex_);
    schedule_locked(delay_ms, [this, event = std::move(event)] { broadcast(event); });
}

// --- Logging, switches and behaviours ----------------------------------------------------------

QBtRc Simulator::log_locked(std::uint64_t s, const char* op, std::string arguments, QBtRc result) {
    calls_.push_back(CallRecord{s, op, std::move(arguments), result});
    return result;
}

RequestBehaviour Simulator::behaviour_locked(const std::string& op, const Device* device) {
    RequestBehaviour b;
    if (auto it = world_.adapter.behaviours.find(op); it != world_.adapter.behaviours.end()) overlay(b, it->second);
    if (device) {
        if (auto it = device->behaviours.find(op); it != device->behaviours.end()) overlay(b, it->second);
    }
    if (auto it = one_shot_.find(op); it != one_shot_.end() && !it->second.empty()) {
        overlay(b, it->second.front());
        it->second.erase(it->second.begin());
    }
    return b;
}

QBtRc Simulator::gate_locked(std::uint64_t s, const char* op, const std::string& arguments, const Device* device,
                             RequestBehaviour& behaviour) {
    behaviour = behaviour_locked(op, device);
    if (behaviour.result && *behaviour.result != QBT_SUCCESS) {
        return log_locked(s, op, arguments, *behaviour.result);
    }
    return QBT_SUCCESS;
}

void Simulator::make_next_call_fail(const std::string& operation, QBtRc result) {
    std::lock_guard lock(mutex_);
    RequestBehaviour b;
    b.result = result;
    one_shot_[operation].push_back(b);
}

void Simulator::make_next_call_silent(const std::string& operation) {
    std::lock_guard lock(mutex_);
    RequestBehaviour b;
    b.no_answer = true;
    one_shot_[operation].push_back(b);
}

void Simulator::set_default_delay(DWORD ms) {
    std::lock_guard lock(mutex_);
    world_.default_delay_ms = ms;
}

bool Simulator::set_behaviour(const BD_ADDR& address, const std::string& operation, RequestBehaviour behaviour) {
    std::lock_guard lock(mutex_);
    Device* d = world_.find(address);
    if (!d) return false;
    d->behaviours[operation] = std::move(behaviour);
    return true;
}

std::vector<CallRecord> Simulator::calls() const {
    std::lock_guard lock(mutex_);
    return calls_;
}

std::size_t Simulator::call_count(const std::string& operation) const {
    std::lock_guard lock(mutex_);
    return std::size_t(std::count_if(calls_.begin(), calls_.end(),
                                     [&](const CallRecord& c) { return c.operation == operation; }));
}

void Simulator::clear_calls() {
    std::lock_guard lock(mutex_);
    calls_.clear();
}

World Simulator::world() const {
    std::lock_guard lock(mutex_);
    return world_;
}

std::vector<Connection> Simulator::connections() const {
    std::lock_guard lock(mutex_);
    return connections_;
}

bool Simulator::update_device(const BD_ADDR& address, const std::function<void(Device&)>& change) {
    std::lock_guard lock(mutex_);
    Device* d = world_.find(address);
    if (!d) return false;
    change(*d);
    d->address = address;  // the address identifies the device and stays
    return true;
}

void Simulator::add_device(Device device) {
    std::lock_guard lock(mutex_);
    if (Device* d = world_.find(device.address)) {
        *d = std::move(device);
    } else {
        world_.devices.push_back(std::move(device));
    }
}

// --- Records -----------------------------------------------------------------------------------

tBT_SERVICE_INFO Simulator::local_record_locked(const Service& service) const {
    tBT_SERVICE_INFO r{};
    r.set_service_name(service.name);
    r.set_service_guid(service.service_guid());
    r.set_uuid16(service.uuid);
    r.set_channel(service.channel);
    r.set_security(service.security);
    r.set_com_port(port_text(service.com_port));
    for (const auto& c : connections_) {
        if (!c.connected || local_uuid_of(c) != service.uuid) continue;
        if (c.kind == ConnectionKind::spp && c.service_name != service.name) continue;
        r.set_state(tBT_SERVICE_INFO::kStateConnected);
        r.set_remote_address(c.remote);
        if (const Device* d = world_.find(c.remote)) r.set_remote_name(d->name);
        break;
    }
    return r;
}

// --- Queries -----------------------------------------------------------------------------------

QBtRc Simulator::connect_to_server(std::uint64_t s) {
    std::lock_guard lock(mutex_);
    RequestBehaviour b;
    if (QBtRc rc = gate_locked(s, "ConnectToServer", "", nullptr, b)) return rc;
    if (auto it = sessions_.find(s); it != sessions_.end()) it->second.connected = true;
    return log_locked(s, "ConnectToServer", "", QBT_SUCCESS);
}

QBtRc Simulator::reset_configuration(std::uint64_t s) {
    std::lock_guard lock(mutex_);
    RequestBehaviour b;
    if (QBtRc rc = gate_locked(s, "BtmResetConfiguration", "", nullptr, b)) return rc;
    for (const auto& d : world_.devices) drop_connections_locked(d.address, LONG(QBT_STATUS_CONNECTION_CLOSED));
    for (auto& d : world_.devices) {
        if (!d.paired) d.cached = false;
    }
    return log_locked(s, "BtmResetConfiguration", "", QBT_SUCCESS);
}

QBtRc Simulator::start_discovery(std::uint64_t s, const BD_ADDR& address, int mode) {
    std::lock_guard lock(mutex_);
    const std::string args = address_text(address) + " mode " + std::to_string(mode);
    const Device* device = world_.find(address);
    RequestBehaviour b;
    if (QBtRc rc = gate_locked(s, "GapStartDiscovery", args, device, b)) return rc;
    log_locked(s, "GapStartDiscovery", args, QBT_SUCCESS);
    if (b.no_answer) return QBT_SUCCESS;
    const bool reachable = device && device->present;
    const DWORD delay = b.delay_ms ? *b.delay_ms : device ? device->discovery_delay_ms : world_.default_delay_ms;
    std::vector<LONG> results = b.events ? *b.events
                                         : std::vector<LONG>{reachable ? 0 : LONG(QBT_ERR_DEVICE_UNREACHABLE)};
    schedule_locked(delay, [this, s, address, results] {
        std::shared_ptr<stackapi::EventSink> sink;
        WORD records = 0;
        {
            std::lock_guard lock(mutex_);
            Device* d = world_.find(address);
            if (d && results.size() > 0 && results.back() == 0) {
                d->cached = true;
                records = WORD(d->services.size());
            }
            sink = sink_locked(s);
        }
        if (!sink) return;
        for (std::size_t i = 0; i < results.size(); ++i) {
            sink->discovery_event(address, results[i] == 0 ? records : WORD(0), results[i]);
        }
    });
    return QBT_SUCCESS;
}

QBtRc Simulator::local_services(std::uint64_t s, std::span<tBT_SERVICE_INFO> out, int& count) {
    std::lock_guard lock(mutex_);
    count = 0;
    RequestBehaviour b;
    if (QBtRc rc = gate_locked(s, "GapGetLocalServices", "", nullptr, b)) return rc;
    for (const auto& service : world_.adapter.services) {
        if (std::size_t(count) >= out.size()) break;
        out[std::size_t(count++)] = local_record_locked(service);
    }
    return log_locked(s, "GapGetLocalServices", std::to_string(count) + " of max " + std::to_string(out.size()),
                      QBT_SUCCESS);
}

QBtRc Simulator::available_services(std::uint64_t s, const BD_ADDR& address, std::span<tBT_SERVICE_INFO> out,
                                    int& count) {
    std::lock_guard lock(mutex_);
    count = 0;
    const std::string args = address_text(address);
    const Device* device = world_.find(address);
    RequestBehaviour b;
    if (QBtRc rc = gate_locked(s, "GapGetAvailableServices", args, device, b)) return rc;
    if (!device) return log_locked(s, "GapGetAvailableServices", args, QBT_ERR_UNKNOWN_DEVICE);
    if (device->cached) {
        for (const auto& service : device->services) {
            if (std::size_t(count) >= out.size()) break;
            tBT_SERVICE_INFO r{};
            r.set_service_name(service.name);
            r.set_service_guid(service.service_guid());
            r.set_uuid16(service.uuid);
            r.set_channel(service.channel);
            r.set_security(service.security);
            r.set_remote_address(device->address);
            r.set_remote_name(device->name);
            r.set_com_port(port_text(service.com_port));
            for (const auto& c : connections_) {
                if (c.connected && !c.server && c.remote == address && c.uuid == service.uuid &&
                    (c.service_name == service.name)) {
                    r.set_state(tBT_SERVICE_INFO::kStateConnected);
                    if (c.port) r.set_com_port(port_text(c.port));
                }
            }
            out[std::size_t(count++)] = r;
        }
    }
    return log_locked(s, "GapGetAvailableServices", args + " " + std::to_string(count) + " records", QBT_SUCCESS);
}

QBtRc Simulator::service_state(std::uint64_t s, const char* op, const BD_ADDR& address, const GUID& service,
                               std::string_view name, LONG& state, LONG& extra) {
    std::lock_guard lock(mutex_);
    state = 0;
    extra = 0;
    const std::string args = address_text(address) + " " + hex(service.Data1) + " \"" + std::string(name) + "\"";
    const bool any = address == BD_ADDR_ANY;
    const Device* device = any ? nullptr : world_.find(address);
    RequestBehaviour b;
    if (QBtRc rc = gate_locked(s, op, args, device, b)) return rc;
    if (!any && !device) return log_locked(s, op, args, QBT_ERR_UNKNOWN_DEVICE);
    for (const auto& c : connections_) {
        if (!c.connected || (!any && c.remote != address)) continue;
        const bool same = qbt_is_base_guid(service) ? c.uuid == service.Data1 : c.guid == service;
        if (same) {
            state = LONG(tBT_SERVICE_INFO::kStateConnected);
            extra = c.port;
            break;
        }
    }
    return log_locked(s, op, args + " -> " + std::to_string(state), QBT_SUCCESS);
}

QBtRc Simulator::connection_stats(std::uint64_t s, const BD_ADDR& address, const GUID& service,
                                  std::span<tBT_CONN_STATS> out) {
    std::lock_guard lock(mutex_);
    const std::string args = address_text(address) + " " + hex(service.Data1);
    const Device* device = world_.find(address);
    RequestBehaviour b;
    if (QBtRc rc = gate_locked(s, "GapGetConnectionStats", args, device, b)) return rc;
    if (!device) return log_locked(s, "GapGetConnectionStats", args, QBT_ERR_UNKNOWN_DEVICE);
    for (auto& r : out) r = tBT_CONN_STATS{};
    const bool linked = std::any_of(connections_.begin(), connections_.end(),
                                    [&](const Connection& c) { return c.connected && c.remote == address; });
    if (linked && !out.empty()) {
        out[0].set_valid_and_battery(true, std::uint16_t(device->battery < 0 ? 0 : device->battery));
        out[0].set_rssi(device->rssi);
    }
    return log_locked(s, "GapGetConnectionStats", args + (linked ? " linked" : " not linked"), QBT_SUCCESS);
}

QBtRc Simulator::active_connections(std::uint64_t s, std::span<tBT_ACTIVE_CONNS> out, int& count) {
    std::lock_guard lock(mutex_);
    count = 0;
    RequestBehaviour b;
    if (QBtRc rc = gate_locked(s, "GapGetActiveConnections", "", nullptr, b)) return rc;
    for (const auto& c : connections_) {
        if (!c.connected || c.port == 0) continue;
        if (std::size_t(count) >= out.size()) break;
        tBT_ACTIVE_CONNS r{};
        r.set_port_name(c.service_name);
        r.set_service_guid(c.guid);
        r.set_remote_address(c.remote);
        r.set_server(c.server);
        r.set_port_number(c.port);
        out[std::size_t(count++)] = r;
    }
    return log_locked(s, "GapGetActiveConnections", std::to_string(count) + " connections", QBT_SUCCESS);
}

// --- Profile connections -----------------------------------------------------------------------

void Simulator::raise_port_event(ConnectionKind kind, const Connection& c, LONG status) {
    DEV_CLASS cls{};
    std::string name;
    {
        std::lock_guard lock(mutex_);
        if (const Device* d = world_.find(c.remote)) {
            cls = d->device_class;
            name = d->name;
        }
    }
    broadcast([&](stackapi::EventSink& sink) {
        switch (kind) {
            case ConnectionKind::spp: sink.spp_state(c.remote, cls, name.c_str(), c.guid, c.port, status); break;
            case ConnectionKind::dun: sink.dun_state(c.remote, cls, name.c_str(), c.guid, c.port, status); break;
            case ConnectionKind::lap: sink.lap_state(c.remote, cls, name.c_str(), c.guid, c.port, status); break;
            case ConnectionKind::hag: sink.hag_status(c.remote, cls, name.c_str(), c.handle, status); break;
            case ConnectionKind::hsp: sink.hsp_status(c.remote, cls, name.c_str(), c.handle, status); break;
        }
    });
}

void Simulator::raise_local_service_event(const Connection& c, bool connected) {
    const auto uuid = local_uuid_of(c);
    if (!uuid) return;
    std::optional<tBT_SERVICE_INFO> record;
    {
        std::lock_guard lock(mutex_);
        for (const auto& service : world_.adapter.services) {
            if (service.uuid != *uuid) continue;
            if (c.kind == ConnectionKind::spp && service.name != c.service_name) continue;
            record = local_record_locked(service);
            record->set_remote_address(c.remote);
            record->set_state(connected ? tBT_SERVICE_INFO::kStateConnected : tBT_SERVICE_INFO::kStateIdle);
            break;
        }
    }
    if (record) broadcast([&](stackapi::EventSink& sink) { sink.local_service_state(*record); });
}

void Simulator::complete_connection(LONG handle, std::vector<LONG> statuses, std::size_t index, DWORD delay) {
    Connection c;
    bool final = index + 1 >= statuses.size();
    bool established = false;
    {
        std::lock_guard lock(mutex_);
        auto it = std::find_if(connections_.begin(), connections_.end(),
                               [&](const Connection& x) { return x.handle == handle; });
        if (it == connections_.end()) return;  // disconnected or dropped meanwhile
        if (final) {
            established = connected_status(it->kind, statuses[index]);
            it->connected = established;
        }
        c = *it;
        if (final && !established) connections_.erase(it);
        if (!final) {
            schedule_locked(delay, [this, handle, statuses, index, delay] {
                complete_connection(handle, statuses, index + 1, delay);
            });
        }
    }
    raise_port_event(c.kind, c, statuses[index]);
    if (final && established) {
        raise_local_service_event(c, true);
    }
}

QBtRc Simulator::port_connect(std::uint64_t s, ConnectionKind kind, const BD_ADDR& address, const GUID& service,
                              std::string_view name) {
    std::lock_guard lock(mutex_);
    const char* op = operation_of(kind, true);
    const std::string args = address_text(address) + " " + hex(service.Data1) + " \"" + std::string(name) + "\"";
    const Device* device = world_.find(address);
    RequestBehaviour b;
    if (QBtRc rc = gate_locked(s, op, args, device, b)) return rc;
    if (!device) return log_locked(s, op, args, QBT_ERR_UNKNOWN_DEVICE);
    const Service* found = nullptr;
    for (const auto& svc : device->services) {
        if (uuid_fits(kind, svc.uuid) && svc.service_guid() == service && (name.empty() || svc.name == name)) {
            found = &svc;
            break;
        }
    }
    if (!found) return log_locked(s, op, args, QBT_ERR_UNKNOWN_SERVICE);
    for (const auto& c : connections_) {
        if (c.kind == kind && c.remote == address && c.uuid == found->uuid && c.service_name == found->name) {
            return log_locked(s, op, args, QBT_ERR_BUSY);
        }
    }
    Connection c;
    c.kind = kind;
    c.remote = address;
    c.uuid = found->uuid;
    c.service_name = found->name;
    c.guid = found->service_guid();
    c.port = found->com_port;
    c.handle = next_handle_++;
    connections_.push_back(c);
    log_locked(s, op, args, QBT_SUCCESS);
    if (b.no_answer) return QBT_SUCCESS;
    std::vector<LONG> statuses;
    if (b.events && !b.events->empty()) {
        statuses = *b.events;
    } else if (!device->present) {
        statuses = {LONG(QBT_ERR_DEVICE_UNREACHABLE)};
    } else if (kind == ConnectionKind::dun) {
        statuses = {LONG(QBT_STATUS_PORT_READY)};
    } else if (kind == ConnectionKind::lap) {
        statuses = {LONG(QBT_STATUS_PORT_READY), 0};
    } else {
        statuses = {0};
    }
    const DWORD delay = b.delay_ms ? *b.delay_ms : world_.default_delay_ms;
    const LONG handle = c.handle;
    schedule_locked(delay, [this, handle, statuses, delay] { complete_connection(handle, statuses, 0, delay); });
    return QBT_SUCCESS;
}

void Simulator::drop_connections_locked(const BD_ADDR& address, LONG status) {
    std::vector<Connection> dropped;
    for (auto it = connections_.begin(); it != connections_.end();) {
        if (it->remote == address) {
            dropped.push_back(*it);
            it = connections_.erase(it);
        } else {
            ++it;
        }
    }
    for (const auto& c : dropped) {
        schedule_locked(0, [this, c, status] {
            raise_port_event(c.kind, c, status);
            if (c.connected) {
                raise_local_service_event(c, false);
            }
        });
    }
}

QBtRc Simulator::port_disconnect(std::uint64_t s, ConnectionKind kind, int server, std::int16_t port) {
    std::lock_guard lock(mutex_);
    const char* op = operation_of(kind, false);
    const std::string args = "server " + std::to_string(server) + " port " + std::to_string(port);
    auto it = std::find_if(connections_.begin(), connections_.end(), [&](const Connection& c) {
        return c.kind == kind && c.port == port && c.server == (server != 0);
    });
    const Device* device = it == connections_.end() ? nullptr : world_.find(it->remote);
    RequestBehaviour b;
    if (QBtRc rc = gate_locked(s, op, args, device, b)) return rc;
    if (it == connections_.end()) return log_locked(s, op, args, QBT_ERR_NOT_CONNECTED_TO_DEVICE);
    log_locked(s, op, args, QBT_SUCCESS);
    if (b.no_answer) return QBT_SUCCESS;
    const LONG handle = it->handle;
    std::vector<LONG> statuses = b.events && !b.events->empty() ? *b.events
                                                                : std::vector<LONG>{LONG(QBT_STATUS_CONNECTION_CLOSED)};
    schedule_locked(b.delay_ms ? *b.delay_ms : world_.default_delay_ms, [this, handle, statuses] {
        Connection c;
        {
            std::lock_guard lock(mutex_);
            auto at = std::find_if(connections_.begin(), connections_.end(),
                                   [&](const Connection& x) { return x.handle == handle; });
            if (at == connections_.end()) return;
            c = *at;
            connections_.erase(at);
        }
        for (LONG status : statuses) raise_port_event(c.kind, c, status);
        if (c.connected) {
            raise_local_service_event(c, false);
        }
    });
    return QBT_SUCCESS;
}

QBtRc Simulator::lap_disconnect(std::uint64_t s, const BD_ADDR& address) {
    std::int16_t port = 0;
    {
        std::lock_guard lock(mutex_);
        auto it = std::find_if(connections_.begin(), connections_.end(), [&](const Connection& c) {
            return c.kind == ConnectionKind::lap && c.remote == address;
        });
        if (it == connections_.end()) {
            RequestBehaviour b;
            const std::string args = address_text(address);
            if (QBtRc rc = gate_locked(s, "LapDisconnect", args, world_.find(address), b)) return rc;
            return log_locked(s, "LapDisconnect", args, QBT_ERR_NOT_CONNECTED_TO_DEVICE);
        }
        port = it->port;
    }
    return port_disconnect(s, ConnectionKind::lap, 0, port);
}

QBtRc Simulator::audio_connect(std::uint64_t s, const char* op, ConnectionKind kind, const BD_ADDR& address,
                               std::string_view name, std::optional<std::uint16_t> uuid) {
    std::lock_guard lock(mutex_);
    const std::string args = address_text(address) + " \"" + std::string(name) + "\"" +
                             (uuid ? " " + hex(*uuid) : std::string());
    const Device* device = world_.find(address);
    RequestBehaviour b;
    if (QBtRc rc = gate_locked(s, op, args, device, b)) return rc;
    if (!device) return log_locked(s, op, args, QBT_ERR_UNKNOWN_DEVICE);
    // The service: the UUID asked for, else the device's gateway. Among candidates the one with
    // the name given wins, then (without a UUID) the headset audio gateway before the hands-free
    // one, then the first listed.
    const Service* found = nullptr;
    auto rank = [&](const Service& svc) {
        return (svc.name == name ? 2 : 0) + (svc.uuid == QBT_UUID_HEADSET_AUDIO_GATEWAY ? 1 : 0);
    };
    for (const auto& svc : device->services) {
        if (!uuid_fits(kind, svc.uuid)) continue;
        if (uuid ? svc.uuid == *uuid
                 : (svc.uuid == QBT_UUID_HEADSET_AUDIO_GATEWAY || svc.uuid == QBT_UUID_HANDSFREE_AUDIO_GATEWAY)) {
            if (!found || rank(svc) > rank(*found)) found = &svc;
        }
    }
    if (!found) return log_locked(s, op, args, QBT_ERR_UNKNOWN_SERVICE);
    for (const auto& c : connections_) {
        if (c.kind == kind && c.remote == address && c.uuid == found->uuid) return log_locked(s, op, args, QBT_ERR_BUSY);
    }
    Connection c;
    c.kind = kind;
    c.remote = address;
    c.uuid = found->uuid;
    c.service_name = found->name;
    c.guid = found->service_guid();
    c.handle = next_handle_++;
    connections_.push_back(c);
    log_locked(s, op, args, QBT_SUCCESS);
    if (b.no_answer) return QBT_SUCCESS;
    std::vector<LONG> statuses = b.events && !b.events->empty() ? *b.events
                                 : device->present               ? std::vector<LONG>{0}
                                                   : std::vector<LONG>{LONG(QBT_ERR_DEVICE_UNREACHABLE)};
    const DWORD delay = b.delay_ms ? *b.delay_ms : world_.default_delay_ms;
    const LONG handle = c.handle;
    schedule_locked(delay, [this, handle, statuses, delay] { complete_connection(handle, statuses, 0, delay); });
    return QBT_SUCCESS;
}

QBtRc Simulator::audio_disconnect(std::uint64_t s, const char* op, ConnectionKind kind, const BD_ADDR& address,
                                  LONG which) {
    std::lock_guard lock(mutex_);
    const std::string args = address_text(address) + " " + hex(std::uint32_t(which));
    const Device* device = world_.find(address);
    RequestBehaviour b;
    if (QBtRc rc = gate_locked(s, op, args, device, b)) return rc;
    auto of_kind = [&](const Connection& c) { return c.kind == kind && c.remote == address; };
    const bool exact = std::any_of(connections_.begin(), connections_.end(), [&](const Connection& c) {
        return of_kind(c) && c.uuid == std::uint32_t(which);
    });
    std::vector<LONG> handles;
    for (const auto& c : connections_) {
        if (of_kind(c) && (!exact || c.uuid == std::uint32_t(which))) handles.push_back(c.handle);
    }
    if (handles.empty()) return log_locked(s, op, args, QBT_ERR_NOT_CONNECTED_TO_DEVICE);
    log_locked(s, op, args, QBT_SUCCESS);
    if (b.no_answer) return QBT_SUCCESS;
    std::vector<LONG> statuses = b.events && !b.events->empty() ? *b.events
                                                                : std::vector<LONG>{LONG(QBT_STATUS_CONNECTION_CLOSED)};
    schedule_locked(b.delay_ms ? *b.delay_ms : world_.default_delay_ms, [this, handles, statuses] {
        for (LONG handle : handles) {
            Connection c;
            {
                std::lock_guard lock(mutex_);
                auto at = std::find_if(connections_.begin(), connections_.end(),
                                       [&](const Connection& x) { return x.handle == handle; });
                if (at == connections_.end()) continue;
                c = *at;
                connections_.erase(at);
            }
            for (LONG status : statuses) raise_port_event(c.kind, c, status);
            if (c.connected) {
                raise_local_service_event(c, false);
            }
        }
    });
    return QBT_SUCCESS;
}

QBtRc Simulator::unsupported(std::uint64_t s, const char* op, std::string arguments) {
    std::lock_guard lock(mutex_);
    RequestBehaviour b;
    if (QBtRc rc = gate_locked(s, op, arguments, nullptr, b)) return rc;
    return log_locked(s, op, std::move(arguments), QBT_ERR_NOT_SUPPORTED);
}

// --- Simulated happenings ----------------------------------------------------------------------

void Simulator::simulate_device_found(const Device& device) {
    std::lock_guard lock(mutex_);
    Device* d = world_.find(device.address);
    if (d) {
        d->present = true;
    } else {
        world_.devices.push_back(device);
        world_.devices.back().present = true;
        d = &world_.devices.back();
    }
    const Device copy = *d;
    schedule_locked(0, [this, copy] {
        broadcast([&](stackapi::EventSink& sink) {
            sink.device_found(copy.address, copy.device_class, copy.name.c_str(), 0);
        });
    });
}

bool Simulator::simulate_device_lost(const BD_ADDR& address) {
    std::lock_guard lock(mutex_);
    Device* d = world_.find(address);
    if (!d) return false;
    d->present = false;
    drop_connections_locked(address, LONG(QBT_STATUS_LINK_LOST));
    const LONG index = LONG(d - world_.devices.data());
    schedule_locked(0, [this, index] { broadcast([&](stackapi::EventSink& sink) { sink.device_status(index, 0); }); });
    return true;
}

bool Simulator::simulate_pairing(const BD_ADDR& address) {
    std::lock_guard lock(mutex_);
    Device* d = world_.find(address);
    if (!d) return false;
    d->paired = true;
    const Device copy = *d;
    const LONG index = LONG(d - world_.devices.data());
    schedule_locked(0, [this, copy, index] {
        broadcast([&](stackapi::EventSink& sink) {
            sink.device_status(index, 0);
            sink.device_found(copy.address, copy.device_class, copy.name.c_str(), 0);
        });
    });
    return true;
}

bool Simulator::simulate_unpairing(const BD_ADDR& address) {
    std::lock_guard lock(mutex_);
    Device* d = world_.find(address);
    if (!d) return false;
    d->paired = false;
    d->cached = false;
    drop_connections_locked(address, LONG(QBT_STATUS_CONNECTION_CLOSED));
    const Device copy = *d;
    const LONG index = LONG(d - world_.devices.data());
    schedule_locked(0, [this, copy, index] {
        broadcast([&](stackapi::EventSink& sink) {
            sink.device_status(index, 0);
            sink.device_found(copy.address, copy.device_class, copy.name.c_str(), 0);
        });
    });
    return true;
}

bool Simulator::simulate_incoming_serial(const BD_ADDR& address, const std::string& local_service_name) {
    std::lock_guard lock(mutex_);
    if (!world_.find(address)) return false;
    const Service* found = nullptr;
    for (const auto& svc : world_.adapter.services) {
        if (svc.uuid == QBT_UUID_SERIAL_PORT && svc.name == local_service_name) found = &svc;
    }
    if (!found) return false;
    Connection c;
    c.kind = ConnectionKind::spp;
    c.remote = address;
    c.uuid = found->uuid;
    c.service_name = found->name;
    c.guid = found->service_guid();
    c.port = found->com_port;
    c.server = true;
    c.connected = true;
    c.handle = next_handle_++;
    connections_.push_back(c);
    schedule_locked(0, [this, c] {
        raise_port_event(ConnectionKind::spp, c, 0);
        raise_local_service_event(c, true);
    });
    return true;
}

}  // namespace qel::sim
