// The simulated stack's world: the local adapter with its services, the remote devices with
// theirs, and how each request behaves, as plain values. A world is read from a JSON description
// (docs/simulator.md gives the schema; examples/worlds/ holds samples) or is the built-in demo.
//
// Promises: load_world / parse_world never throw and never crash on malformed input; they return
// either a complete, checked world or an error naming the place ("devices[2].address: ...").
// Texts are cut to the stack's limits (device names 248 bytes, service names 100, COM port names
// 50). Addresses are unique among the devices.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "facade/stackapi/qbt_types.h"

namespace qel::sim {

// How one request behaves: the result returned at once, how long until its events, which
// statuses its events carry (in order), or no answer at all. Unset fields keep the default.
struct RequestBehaviour {
    std::optional<QBtRc> result;         // non-zero: the request fails at once, nothing happens
    std::optional<DWORD> delay_ms;       // platform milliseconds until the events
    std::optional<std::vector<LONG>> events;  // statuses of the events raised, in this order
    bool no_answer = false;              // accepted, but no event ever comes

    friend bool operator==(const RequestBehaviour&, const RequestBehaviour&) = default;
};

// Behaviours by request name: the CQBtAPI operation names ("SppCreateConnection",
// "GapStartDiscovery", "ConnectToServer", ...).
using Behaviours = std::map<std::string, RequestBehaviour>;

struct Service {
    std::uint16_t uuid = 0;         // 16-bit service class UUID
    std::string name;               // service name (at most 100 bytes)
    std::optional<GUID> guid;       // when the service class is not a base-UUID one
    std::int16_t com_port = 0;      // COM port number the stack assigns when connected (0: none)
    BYTE channel = 0;               // RFCOMM server channel
    DWORD security = 0;             // security flags as the stack stores them

    GUID service_guid() const { return guid ? *guid : qbt_base_guid(uuid); }
    friend bool operator==(const Service&, const Service&) = default;
};

// The modem of a phone, reached through its dial-up networking service's COM port: how it
// answers the dialer's AT commands. A device with a dial-up service and no settings of its own
// gets the defaults (a registered GSM phone).
struct PhoneSettings {
    std::string operator_number = "26201";  // country and network code digits; empty: not registered
    bool cdma = false;
    std::string model;                       // the +GMM model text; empty: the device's name
    bool echo = true;
    // Range of packet-data context identifiers ("1-3", "1-255", "1-16"); nothing: no packet data.
    std::optional<std::string> context_range = std::string("1-3");

    friend bool operator==(const PhoneSettings&, const PhoneSettings&) = default;
};

struct Device {
    BD_ADDR address{};
    std::string name;                // UTF-8, at most 248 bytes
    DEV_CLASS device_class{};
    bool paired = false;
    bool present = true;             // in range: answers connections and discoveries
    bool cached = true;              // the stack holds its services from an earlier discovery
    int battery = -1;                // 0..100, -1 when the device reports none
    std::int32_t rssi = -60;
    DWORD discovery_delay_ms = 2000; // service discovery time
    std::vector<Service> services;
    Behaviours behaviours;
    std::optional<PhoneSettings> phone;  // settings of the phone's modem, when the world gives them

    // The device's dial-up networking service with a COM port, if any.
    const Service* dialup_service() const;
    friend bool operator==(const Device&, const Device&) = default;
};

struct Adapter {
    BD_ADDR address{};
    std::string name;
    DEV_CLASS device_class{};
    std::vector<Service> services;   // local services; com_port is their server port
    Behaviours behaviours;           // "ConnectToServer" and requests of any device

    friend bool operator==(const Adapter&, const Adapter&) = default;
};

struct World {
    Adapter adapter;
    std::vector<Device> devices;
    DWORD default_delay_ms = 300;    // delay of requests without their own

    const Device* find(const BD_ADDR& address) const;
    Device* find(const BD_ADDR& address);
    friend bool operator==(const World&, const World&) = default;
};

struct WorldError {
    std::string message;
};

// The built-in demo world: a GSM phone, a stereo headset, a laptop, a keyboard and a printer.
World demo_world();

// A world from JSON text or a file.
std::variant<World, WorldError> parse_world(std::string_view json_text);
std::variant<World, WorldError> load_world(const std::filesystem::path& path);
// The world named by QEL_STACK_WORLD, else the demo world.
std::variant<World, WorldError> load_default_world();

// The JSON description of a world (parse_world(to_json(w)) gives w back).
std::string world_to_json(const World& world, int indent = 2);

// Text forms: "00:1e:3a:4b:7c:21" (lower case), "0x5a020c".
std::string address_text(const BD_ADDR& address);
std::optional<BD_ADDR> parse_address(std::string_view text);
std::string class_text(const DEV_CLASS& cls);

}  // namespace qel::sim
