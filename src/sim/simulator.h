// The simulated Bluetooth stack: a world (world.h) brought to life. It answers queries from the
// world's state, carries out requests like a stack (a request returns at once; its outcome arrives
// later as events on the simulator's thread), and offers tests a control interface in the style of
// a fake adapter: Simulate... methods that raise events or change the world, one-shot
// make_next_call_fail / make_next_call_silent switches, per-device scripted behaviours and delays,
// a log of the calls made, and wait_until_idle.
//
// Connections to the simulator are SimBackend objects (sim_backend.h), one per CQBtAPI. Events
// about devices and connections go to every connected backend; a discovery's end, and responses
// to object exchange and synchronisation requests, go to the backend that asked.
//
// Threads: the simulator owns one event thread, started by the constructor. Every event and every
// scheduled action runs on it, in the order of their due times (equal times in the order they were
// scheduled). The destructor stops and joins it; scheduled actions not yet due are dropped, so no
// event is delivered after the destructor returns. Delays are platform milliseconds, scaled by the
// platform clock's time scale (tests set 0.001).
// Lock: mutex_ guards the world, the connections, the switches, the log and the queue; events are
// delivered without it held, so callbacks may call back into the simulator.
// Phone modems: create() starts one PhoneModem per present device with a dial-up service when
// QEL_COM_DIR is set (world_phones.h), so the dialer reaches the device's phone through
// QEL_COM_DIR/COM<port>; without QEL_COM_DIR none is started. They are set before create()
// returns and never change; each runs its own thread, stopped and joined by the destructor.
// Lifetime: backends keep their simulator alive (shared_ptr); a simulator must not be destroyed on
// its own event thread (a callback must not drop the last reference).
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "facade/stackapi/stack_backend.h"
#include "sim/world.h"
#include "platform/sync/clock.h"
#include "sim/world_phones.h"

namespace qel::sim {

// A call made on the simulator by one of its backends.
struct CallRecord {
    std::uint64_t session = 0;  // the backend that made it
    std::string operation;      // CQBtAPI operation name, e.g. "SppCreateConnection"
    std::string arguments;      // a readable summary, e.g. "00:1e:3a:4b:7c:21 COM 1"
    QBtRc result = 0;
};

// What kind of profile a connection belongs to.
enum class ConnectionKind { spp, dun, lap, hag, hsp };

// A connection of this computer to a remote device's service (or of a device to a local server
// port).
struct Connection {
    ConnectionKind kind = ConnectionKind::spp;
    BD_ADDR remote{};
    std::uint16_t uuid = 0;
    std::string service_name;
    GUID guid{};
    std::int16_t port = 0;      // COM port number (0: none)
    bool server = false;        // a remote device connected to a local server port
    bool connected = false;     // false while the request is under way
    LONG handle = 0;
};

class Simulator : public std::enable_shared_from_this<Simulator> {
public:
    // Use create(); the constructor is public only for make_shared.
    struct Private {};
    Simulator(Private, World world);
    ~Simulator();
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;

    static std::shared_ptr<Simulator> create(World world);
    // The process-wide simulator of the default backend: the world of QEL_STACK_WORLD, else the
    // demo world. Nothing (with the error) when the world file is malformed.
    static std::shared_ptr<Simulator> shared(std::string* error = nullptr);
    // Runs `hook` with the process-wide simulator once shared() has created it (on that caller's
    // thread, before shared() returns). The registry writer installs itself here, so the embedded
    // stack fills the registry as the rest of the stack would, without the simulator depending on
    // the configuration records. Set before the first shared(); the last one set wins.
    static void set_shared_created_hook(std::function<void(const std::shared_ptr<Simulator>&)> hook);

    // --- Sessions (used by SimBackend) ---
    std::uint64_t open_session(std::shared_ptr<stackapi::EventSink> sink);
    void set_session_sink(std::uint64_t session, std::shared_ptr<stackapi::EventSink> sink);
    void close_session(std::uint64_t session);

    // --- The stack's operations, on behalf of a session (see CQBtAPI) ---
    QBtRc connect_to_server(std::uint64_t s);
    QBtRc reset_configuration(std::uint64_t s);
    QBtRc start_discovery(std::uint64_t s, const BD_ADDR& address, int mode);
    QBtRc local_services(std::uint64_t s, std::span<tBT_SERVICE_INFO> out, int& count);
    QBtRc available_services(std::uint64_t s, const BD_ADDR& address, std::span<tBT_SERVICE_INFO> out, int& count);
    QBtRc service_state(std::uint64_t s, const char* op, const BD_ADDR& address, const GUID& service,
                        std::string_view name, LONG& state, LONG& extra);
    QBtRc connection_stats(std::uint64_t s, const BD_ADDR& address, const GUID& service, std::span<tBT_CONN_STATS> out);
    QBtRc active_connections(std::uint64_t s, std::span<tBT_ACTIVE_CONNS> out, int& count);
    QBtRc port_connect(std::uint64_t s, ConnectionKind kind, const BD_ADDR& address, const GUID& service,
                       std::string_view name);
    QBtRc port_disconnect(std::uint64_t s, ConnectionKind kind, int server, std::int16_t port);
    QBtRc lap_disconnect(std::uint64_t s, const BD_ADDR& address);
    QBtRc audio_connect(std::uint64_t s, const char* op, ConnectionKind kind, const BD_ADDR& address,
                        std::string_view name, std::optional<std::uint16_t> uuid);
    QBtRc audio_disconnect(std::uint64_t s, const char* op, ConnectionKind kind, const BD_ADDR& address, LONG which);
    // Requests whose simulation is not built yet: logged, answered QBT_ERR_NOT_SUPPORTED (or
    // QBT_ERR_NOT_CONNECTED before ConnectToServer).
    QBtRc unsupported(std::uint64_t s, const char* op, std::string arguments);

    // --- Control interface for tests and tools ---
    // A copy of the world as it is now.
    World world() const;
    // The connections now (connected and under way).
    std::vector<Connection> connections() const;
    // Changes a device in place; false when there is no such device.
    bool update_device(const BD_ADDR& address, const std::function<void(Device&)>& change);
    void add_device(Device device);
    // Scripts a device's answer to a request (the CQBtAPI operation name) from now on.
    bool set_behaviour(const BD_ADDR& address, const std::string& operation, RequestBehaviour behaviour);
    // The next call of `operation` (any device) returns `result` at once and does nothing else.
    void make_next_call_fail(const std::string& operation, QBtRc result);
    // The next call of `operation` is accepted (0) but never answered by an event.
    void make_next_call_silent(const std::string& operation);
    // The delay of requests that have none of their own.
    void set_default_delay(DWORD ms);

    // A device comes into range (added to the world when new): device-found event.
    void simulate_device_found(const Device& device);
    // A device goes out of range: its connections drop (link-lost events), device-status event.
    bool simulate_device_lost(const BD_ADDR& address);
    // Pairing and unpairing (unpairing forgets the service cache and drops the connections);
    // device-status event, and a device-found event that carries the new state.
    bool simulate_pairing(const BD_ADDR& address);
    bool simulate_unpairing(const BD_ADDR& address);
    // A remote device connects to a local serial server port (its COM port from the adapter's
    // service); an SPP state event and a local-service event follow.
    bool simulate_incoming_serial(const BD_ADDR& address, const std::string& local_service_name);
    // Any event, raised to every session's sink after `delay_ms` on the event thread.
    void inject(std::function<void(stackapi::EventSink&)> event, DWORD delay_ms = 0);

    // The calls made so far, and their number for one operation.
    std::vector<CallRecord> calls() const;
    std::size_t call_count(const std::string& operation) const;
    void clear_calls();
    // Waits until nothing is scheduled and no event is being delivered; false on timeout
    // (platform milliseconds, scaled by the time scale).
    bool wait_until_idle(DWORD timeout_ms);
    // The same with a limit of one minute of real time, whatever the time scale: the deliveries
    // themselves take real time, however small the scale a test or demo runs at.
    bool wait_until_idle();
    // True on the simulator's event thread.
    bool on_event_thread() const;

    // The phone modem started for a device (see above), or null.
    PhoneModem* phone_modem(const BD_ADDR& address) const;
    // Every phone modem started, and why others could not be (one line each).
    const std::vector<WorldPhone>& phone_modems() const { return phones_; }
    const std::vector<std::string>& phone_modem_problems() const { return phone_problems_; }

private:
    // wait_until_idle with a real-time limit (nothing: no limit).
    bool wait_until_idle_for(std::optional<platform::SteadyClock::duration> span);
    struct Session {
        std::shared_ptr<stackapi::EventSink> sink;
        bool connected = false;
    };
    struct Scheduled {
        std::chrono::steady_clock::time_point due;
        std::uint64_t sequence;
        std::function<void()> action;
        bool operator>(const Scheduled& o) const {
            return due != o.due ? due > o.due : sequence > o.sequence;
        }
    };
    using Lock = std::unique_lock<std::mutex>;

    void run();
    void schedule_locked(DWORD delay_ms, std::function<void()> action);
    QBtRc log_locked(std::uint64_t s, const char* op, std::string arguments, QBtRc result);
    // The behaviour of a request: one-shot switches first, then the device's, then the adapter's.
    RequestBehaviour behaviour_locked(const std::string& op, const Device* device);
    QBtRc gate_locked(std::uint64_t s, const char* op, const std::string& arguments, const Device* device,
                      RequestBehaviour& behaviour);
    std::vector<std::shared_ptr<stackapi::EventSink>> sinks_locked() const;
    std::shared_ptr<stackapi::EventSink> sink_locked(std::uint64_t s) const;
    void broadcast(const std::function<void(stackapi::EventSink&)>& event);
    tBT_SERVICE_INFO local_record_locked(const Service& service) const;
    void raise_port_event(ConnectionKind kind, const Connection& c, LONG status);
    void raise_local_service_event(const Connection& c, bool connected);
    void drop_connections_locked(const BD_ADDR& address, LONG status);
    void complete_connection(LONG handle, std::vector<LONG> statuses, std::size_t index, DWORD delay);

    mutable std::mutex mutex_;
    std::condition_variable wake_;     // the event thread: queue changed or stop
    std::condition_variable idle_;     // wait_until_idle: queue emptied and delivery ended
    World world_;
    std::map<std::uint64_t, Session> sessions_;
    std::uint64_t next_session_ = 1;
    std::vector<Connection> connections_;
    LONG next_handle_ = 1;
    std::map<std::string, std::vector<RequestBehaviour>> one_shot_;
    std::vector<CallRecord> calls_;
    std::vector<Scheduled> queue_;     // a heap ordered by due time, then sequence
    std::uint64_t next_sequence_ = 0;
    bool running_action_ = false;
    bool stop_ = false;
    std::thread thread_;               // the event thread; owned, joined by the destructor
    std::vector<WorldPhone> phones_;   // set by create(), then unchanged; stopped by the destructor
    std::vector<std::string> phone_problems_;
};

// A readable name of a connection kind ("SPP", "DUN", ...).
const char* connection_kind_name(ConnectionKind kind);

}  // namespace qel::sim
