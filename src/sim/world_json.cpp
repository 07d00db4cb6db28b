// Reading and writing the world's JSON description. Every check names the place it failed at;
// exceptions of the JSON library stay inside this file.
#include <nlohmann/json.hpp>

#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "facade/stackapi/qbt_types.h"
#include "sim/world.h"

namespace qel::sim {

namespace {

using json = nlohmann::ordered_json;

// A failed check; carries the message to the edge of parse_world.
struct Bad {
    std::string message;
};

[[noreturn]] void fail(const std::string& where, const std::string& what) { throw Bad{where + ": " + what}; }

// Cuts UTF-8 text to at most `limit` bytes without splitting a character.
std::string cut(std::string s, std::size_t limit) {
    if (s.size() <= limit) return s;
    std::size_t n = limit;
    while (n > 0 && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80) --n;
    s.resize(n);
    return s;
}

// An unsigned number from a JSON number or a "0x..." / decimal string, at most `max`.
std::uint64_t number(const json& v, const std::string& where, std::uint64_t max) {
    std::uint64_t n = 0;
    if (v.is_number_unsigned()) {
        n = v.get<std::uint64_t>();
    } else if (v.is_number_integer()) {
        const auto i = v.get<std::int64_t>();
        if (i < 0) fail(where, "must not be negative");
        n = std::uint64_t(i);
    } else if (v.is_string()) {
        const auto& s = v.get_ref<const std::string&>();
        if (s.empty() || s.size() > 20) fail(where, "expected a number, got \"" + cut(s, 40) + "\"");
        char* end = nullptr;
        errno = 0;
        n = std::strtoull(s.c_str(), &end, 0);
        if (errno != 0 || end != s.c_str() + s.size() || s[0] == '-') {
            fail(where, "expected a number, got \"" + s + "\"");
        }
    } else {
        fail(where, "expected a number");
    }
    if (n > max) fail(where, "number out of range (at most " + std::to_string(max) + ")");
    return n;
}

// A signed 32-bit status: negative numbers allowed, or unsigned up to 0xFFFFFFFF taken modulo 2^32.
LONG status(const json& v, const std::string& where) {
    if (v.is_number_integer() && v.get<std::int64_t>() < 0) {
        const auto i = v.get<std::int64_t>();
        if (i < INT32_MIN) fail(where, "number out of range");
        return LONG(i);
    }
    return LONG(std::uint32_t(number(v, where, 0xFFFFFFFFu)));
}

std::string text(const json& v, const std::string& where) {
    if (!v.is_string()) fail(where, "expected a text");
    return v.get<std::string>();
}

bool flag(const json& v, const std::string& where) {
    if (!v.is_boolean()) fail(where, "expected true or false");
    return v.get<bool>();
}

void check_keys(const json& obj, const std::string& where, std::initializer_list<const char*> known) {
    if (!obj.is_object()) fail(where, "expected an object");
    for (auto it = obj.begin(); it != obj.end(); ++it) {
        bool ok = false;
        for (const char* k : known) ok = ok || it.key() == k;
        if (!ok) fail(where, "unknown member \"" + cut(it.key(), 60) + "\"");
    }
}

BD_ADDR address(const json& v, const std::string& where) {
    const auto a = v.is_string() ? parse_address(v.get_ref<const std::string&>()) : std::nullopt;
    if (!a) fail(where, "expected an address \"xx:xx:xx:xx:xx:xx\"");
    return *a;
}

DEV_CLASS device_class(const json& v, const std::string& where) {
    const auto n = std::uint32_t(number(v, where, 0xFFFFFF));
    return DEV_CLASS{BYTE(n >> 16), BYTE(n >> 8), BYTE(n)};
}

std::optional<GUID> guid(const json& v, const std::string& where) {
    // "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}"
    if (!v.is_string()) fail(where, "expected a GUID text");
    const auto& s = v.get_ref<const std::string&>();
    auto bad = [&] { fail(where, "expected a GUID \"{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}\""); };
    if (s.size() != 38 || s[0] != '{' || s[37] != '}') bad();
    std::string hex;
    for (std::size_t i = 1; i < 37; ++i) {
        if (i == 9 || i == 14 || i == 19 || i == 24) {
            if (s[i] != '-') bad();
        } else {
            if (!std::isxdigit(static_cast<unsigned char>(s[i]))) bad();
            hex += s[i];
        }
    }
    auto field = [&](std::size_t at, std::size_t len) { return std::stoull(hex.substr(at, len), nullptr, 16); };
    GUID g{std::uint32_t(field(0, 8)), std::uint16_t(field(8, 4)), std::uint16_t(field(12, 4)), {}};
    for (int i = 0; i < 8; ++i) g.Data4[i] = BYTE(field(16 + 2 * i, 2));
    return g;
}

std::string guid_text(const GUID& g) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", unsigned(g.Data1),
                  unsigned(g.Data2), unsigned(g.Data3), g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4],
                  g.Data4[5], g.Data4[6], g.Data4[7]);
    return buf;
}

Service service(const json& v, const std::string& where) {
    check_keys(v, where, {"uuid", "name", "guid", "com_port", "channel", "security"});
    Service s;
    if (!v.contains("uuid")) fail(where, "missing \"uuid\"");
    s.uuid = std::uint16_t(number(v["uuid"], where + ".uuid", 0xFFFF));
    if (v.contains("name")) s.name = cut(text(v["name"], where + ".name"), 100);
    if (v.contains("guid")) s.guid = guid(v["guid"], where + ".guid");
    if (v.contains("com_port")) s.com_port = std::int16_t(number(v["com_port"], where + ".com_port", 255));
    if (v.contains("channel")) s.channel = BYTE(number(v["channel"], where + ".channel", 30));
    if (v.contains("security")) s.security = DWORD(number(v["security"], where + ".security", 0xFFFFFFFF));
    return s;
}

std::vector<Service> services(const json& v, const std::string& where) {
    if (!v.is_array()) fail(where, "expected a list of services");
    if (v.size() > 64) fail(where, "more than 64 services");
    std::vector<Service> out;
    for (std::size_t i = 0; i < v.size(); ++i) out.push_back(service(v[i], where + "[" + std::to_string(i) + "]"));
    return out;
}

RequestBehaviour behaviour(const json& v, const std::string& where) {
    check_keys(v, where, {"result", "delay_ms", "events", "no_answer"});
    RequestBehaviour b;
    if (v.contains("result")) b.result = QBtRc(number(v["result"], where + ".result", 0xFFFFFFFF));
    if (v.contains("delay_ms")) b.delay_ms = DWORD(number(v["delay_ms"], where + ".delay_ms", 3600000));
    if (v.contains("events")) {
        const auto& e = v["events"];
        if (!e.is_array() || e.size() > 16) fail(where + ".events", "expected a list of at most 16 statuses");
        std::vector<LONG> statuses;
        for (std::size_t i = 0; i < e.size(); ++i) {
            statuses.push_back(status(e[i], where + ".events[" + std::to_string(i) + "]"));
        }
        b.events = std::move(statuses);
    }
    if (v.contains("no_answer")) b.no_answer = flag(v["no_answer"], where + ".no_answer");
    return b;
}

Behaviours behaviours(const json& v, const std::string& where) {
    if (!v.is_object()) fail(where, "expected an object of request behaviours");
    Behaviours out;
    for (auto it = v.begin(); it != v.end(); ++it) {
        out[it.key()] = behaviour(it.value(), where + "." + it.key());
    }
    return out;
}

// An operator number: 5 or 6 digits (country code and network code), or empty.
std::string operator_number(const json& v, const std::string& where) {
    const std::string n = text(v, where);
    bool digits = n.size() <= 6;
    for (char c : n) digits = digits && c >= '0' && c <= '9';
    if (!digits || (!n.empty() && n.size() < 5)) fail(where, "expected 5 or 6 digits, or \"\"");
    return n;
}

// A context range "<first>-<last>" of decimal numbers.
std::string context_range(const json& v, const std::string& where) {
    const std::string r = text(v, where);
    const auto dash = r.find('-');
    auto all_digits = [](const std::string& s) {
        if (s.empty() || s.size() > 3) return false;
        for (char c : s) {
            if (c < '0' || c > '9') return false;
        }
        return true;
    };
    if (dash == std::string::npos || !all_digits(r.substr(0, dash)) || !all_digits(r.substr(dash + 1))) {
        fail(where, "expected a range \"<first>-<last>\" such as \"1-3\", or null");
    }
    return r;
}

PhoneSettings phone(const json& v, const std::string& where) {
    check_keys(v, where, {"operator", "cdma", "model", "echo", "contexts"});
    PhoneSettings p;
    if (v.contains("operator")) p.operator_number = operator_number(v["operator"], where + ".operator");
    if (v.contains("cdma")) p.cdma = flag(v["cdma"], where + ".cdma");
    if (v.contains("model")) p.model = cut(text(v["model"], where + ".model"), 127);
    if (v.contains("echo")) p.echo = flag(v["echo"], where + ".echo");
    if (v.contains("contexts")) {
        if (v["contexts"].is_null()) {
            p.context_range.reset();
        } else {
            p.context_range = context_range(v["contexts"], where + ".contexts");
        }
    }
    return p;
}

json to_json(const PhoneSettings& p) {
    json j;
    j["operator"] = p.operator_number;
    j["cdma"] = p.cdma;
    if (!p.model.empty()) j["model"] = p.model;
    j["echo"] = p.echo;
    j["contexts"] = p.context_range ? json(*p.context_range) : json(nullptr);
    return j;
}

Device device(const json& v, const std::string& where) {
    check_keys(v, where, {"address", "name", "class", "paired", "present", "cached", "battery", "rssi",
                          "discovery_delay_ms", "services", "behaviour", "phone"});
    Device d;
    if (!v.contains("address")) fail(where, "missing \"address\"");
    d.address = address(v["address"], where + ".address");
    if (v.contains("name")) d.name = cut(text(v["name"], where + ".name"), BD_NAME_LEN);
    if (v.contains("class")) d.device_class = device_class(v["class"], where + ".class");
    if (v.contains("paired")) d.paired = flag(v["paired"], where + ".paired");
    if (v.contains("present")) d.present = flag(v["present"], where + ".present");
    d.cached = d.paired;
    if (v.contains("cached")) d.cached = flag(v["cached"], where + ".cached");
    if (v.contains("battery")) {
        if (v["battery"].is_null()) {
            d.battery = -1;
        } else {
            d.battery = int(number(v["battery"], where + ".battery", 100));
        }
    }
    if (v.contains("rssi")) {
        if (!v["rssi"].is_number_integer()) fail(where + ".rssi", "expected a whole number");
        const auto r = v["rssi"].get<std::int64_t>();
        if (r < -127 || r > 20) fail(where + ".rssi", "out of range (-127 to 20)");
        d.rssi = std::int32_t(r);
    }
    if (v.contains("discovery_delay_ms")) {
        d.discovery_delay_ms = DWORD(number(v["discovery_delay_ms"], where + ".discovery_delay_ms", 3600000));
    }
    if (v.contains("services")) d.services = services(v["services"], where + ".services");
    if (v.contains("behaviour")) d.behaviours = behaviours(v["behaviour"], where + ".behaviour");
    if (v.contains("phone")) d.phone = phone(v["phone"], where + ".phone");
    return d;
}

World world(const json& v) {
    check_keys(v, "world", {"adapter", "devices", "default_delay_ms"});
    World w;
    if (!v.contains("adapter")) fail("world", "missing \"adapter\"");
    const auto& a = v["adapter"];
    check_keys(a, "adapter", {"address", "name", "class", "services", "behaviour"});
    if (!a.contains("address")) fail("adapter", "missing \"address\"");
    w.adapter.address = address(a["address"], "adapter.address");
    if (a.contains("name")) w.adapter.name = cut(text(a["name"], "adapter.name"), BD_NAME_LEN);
    if (a.contains("class")) w.adapter.device_class = device_class(a["class"], "adapter.class");
    if (a.contains("services")) w.adapter.services = services(a["services"], "adapter.services");
    if (a.contains("behaviour")) w.adapter.behaviours = behaviours(a["behaviour"], "adapter.behaviour");
    if (v.contains("default_delay_ms")) w.default_delay_ms = DWORD(number(v["default_delay_ms"], "default_delay_ms", 3600000));
    if (v.contains("devices")) {
        const auto& list = v["devices"];
        if (!list.is_array()) fail("devices", "expected a list of devices");
        if (list.size() > 256) fail("devices", "more than 256 devices");
        for (std::size_t i = 0; i < list.size(); ++i) {
            const std::string where = "devices[" + std::to_string(i) + "]";
            Device d = device(list[i], where);
            if (w.find(d.address)) fail(where + ".address", "address " + address_text(d.address) + " appears twice");
            w.devices.push_back(std::move(d));
        }
    }
    return w;
}

json to_json(const Service& s) {
    json j;
    char uuid[8];
    std::snprintf(uuid, sizeof uuid, "0x%04x", s.uuid);
    j["uuid"] = uuid;
    j["name"] = s.name;
    if (s.guid) j["guid"] = guid_text(*s.guid);
    if (s.com_port) j["com_port"] = s.com_port;
    if (s.channel) j["channel"] = s.channel;
    if (s.security) j["security"] = s.security;
    return j;
}

json to_json(const Behaviours& bs) {
    json j = json::object();
    for (const auto& [name, b] : bs) {
        json e = json::object();
        if (b.result) e["result"] = *b.result;
        if (b.delay_ms) e["delay_ms"] = *b.delay_ms;
        if (b.events) {
            json list = json::array();
            for (LONG s : *b.events) list.push_back(s);
            e["events"] = list;
        }
        if (b.no_answer) e["no_answer"] = true;
        j[name] = e;
    }
    return j;
}

json services_json(const std::vector<Service>& list) {
    json j = json::array();
    for (const auto& s : list) j.push_back(to_json(s));
    return j;
}

}  // namespace

std::variant<World, WorldError> parse_world(std::string_view json_text) {
    try {
        const json v = json::parse(json_text.begin(), json_text.end());
        return world(v);
    } catch (const Bad& bad) {
        return WorldError{bad.message};
    } catch (const json::parse_error& e) {
        return WorldError{std::string("not valid JSON: ") + e.what()};
    } catch (const std::exception& e) {
        return WorldError{std::string("malformed world: ") + e.what()};
    }
}

std::variant<World, WorldError> load_world(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return WorldError{path.string() + ": cannot be opened"};
    std::ostringstream text;
    text << in.rdbuf();
    if (!in && !in.eof()) return WorldError{path.string() + ": cannot be read"};
    auto result = parse_world(text.str());
    if (auto* err = std::get_if<WorldError>(&result)) err->message = path.string() + ": " + err->message;
    return result;
}

std::variant<World, WorldError> load_default_world() {
    const char* path = std::getenv("QEL_STACK_WORLD");
    if (path && *path) return load_world(path);
    return demo_world();
}

std::string world_to_json(const World& w, int indent) {
    json j;
    j["default_delay_ms"] = w.default_delay_ms;
    json a;
    a["address"] = address_text(w.adapter.address);
    a["name"] = w.adapter.name;
    a["class"] = class_text(w.adapter.device_class);
    a["services"] = services_json(w.adapter.services);
    if (!w.adapter.behaviours.empty()) a["behaviour"] = to_json(w.adapter.behaviours);
    j["adapter"] = a;
    json devices = json::array();
    for (const auto& d : w.devices) {
        json e;
        e["address"] = address_text(d.address);
        e["name"] = d.name;
        e["class"] = class_text(d.device_class);
        e["paired"] = d.paired;
        e["present"] = d.present;
        e["cached"] = d.cached;
        e["battery"] = d.battery < 0 ? json(nullptr) : json(d.battery);
        e["rssi"] = d.rssi;
        e["discovery_delay_ms"] = d.discovery_delay_ms;
        e["services"] = services_json(d.services);
        if (!d.behaviours.empty()) e["behaviour"] = to_json(d.behaviours);
        if (d.phone) e["phone"] = to_json(*d.phone);
        devices.push_back(e);
    }
    j["devices"] = devices;
    // Invalid UTF-8 in names is replaced rather than thrown on.
    return j.dump(indent, ' ', false, json::error_handler_t::replace);
}

}  // namespace qel::sim
