// "qelcfg device ...": the device records of the registry. list (address, name, type from the
// class of device, paired, trusted), show ADDRESS (record values and cached services with names
// and icon identifiers), trust ADDRESS on|off, rename ADDRESS NAME, forget ADDRESS; and
// "qelcfg general show|set" for the general settings. --json on every listing.
// Paired is judged for the local adapter of the stack's world; a registry without any device
// record first gets the records of the stack's world. Exit codes: 0 done, 1 no such
// device or the operation failed, 2 bad usage.
#include <cstdio>
#include <iostream>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <variant>

#include "commands.h"
#include "config/cfg_iterator.h"
#include "config/dev_cfg.h"
#include "config/dev_per_user_cfg.h"
#include "config/general_cfg.h"
#include "config/service_cache_cfg.h"
#include "devclass/device_type.h"
#include "devclass/icon_utils.h"
#include "platform/text/text.h"
#include "sim/registry/world_records.h"
#include "sim/world.h"

namespace qelcfg {
namespace {

using nlohmann::ordered_json;

std::string hex_bytes(std::span<const BYTE> bytes) {
    std::string text;
    char two[3];
    for (BYTE b : bytes) {
        std::snprintf(two, sizeof two, "%02x", b);
        text += two;
    }
    return text;
}

std::string narrow(std::u16string_view text) { return qel::platform::from_utf16(text); }

std::optional<CfgBdAddr> parse_address(const std::string& text) {
    CfgBdAddr bda{};
    if (!qel::config::KeyNameToBda(qel::platform::to_utf16(text), bda)) return std::nullopt;
    return bda;
}

// The local adapter of the stack's world (zero when the world cannot be loaded).
CfgBdAddr local_adapter() {
    auto world = qel::sim::load_default_world();
    if (auto* w = std::get_if<qel::sim::World>(&world)) return w->adapter.address;
    return CfgBdAddr{};
}

// A registry without device records has not met the stack yet: the records the stack keeps for
// its world are written first, as the running stack would have.
void ensure_stack_records() {
    if (CBTDevCfgIterator().GetCount() != 0) return;
    auto world = qel::sim::load_default_world();
    if (auto* w = std::get_if<qel::sim::World>(&world)) qel::sim::write_world_records(*w);
}

bool device_exists(const CfgBdAddr& bda) {
    CBTDevCfg record(qel::config::DeviceKeyName(bda).c_str());
    return record.Read() == ERROR_SUCCESS;
}

std::optional<CfgBdAddr> existing_device(const std::string& text, int& code) {
    auto bda = parse_address(text);
    if (!bda) {
        std::cerr << "qelcfg: address must be written 00:0a:95:9d:68:16\n";
        code = 2;
        return std::nullopt;
    }
    if (!device_exists(*bda)) {
        std::cerr << "qelcfg: no device record for " << text << "\n";
        code = 1;
        return std::nullopt;
    }
    return bda;
}

ordered_json device_summary(const CBTDevCfg& record, const CfgBdAddr& local) {
    ordered_json j;
    j["address"] = narrow(qel::config::DeviceKeyName(record.m_bdAddr));
    j["name"] = record.m_szName;
    j["class"] = hex_bytes(record.m_devClass);
    j["type"] = static_cast<int>(GetDeviceTypeFromDevClass(record.m_devClass));
    j["paired"] = CBTDevCfg::IsPaired(record.m_bdAddr, local);
    j["trusted"] = CBTDevPerUserCfg::IsTrusted(record.m_bdAddr);
    return j;
}

int cmd_list(bool json) {
    ensure_stack_records();
    CfgBdAddr local = local_adapter();
    ordered_json list = ordered_json::array();
    CBTDevCfgIterator devices;
    char16_t name[MAX_PATH];
    while (devices.GetNext(name)) {
        CBTDevCfg record(name);
        if (record.Read() != ERROR_SUCCESS) continue;
        list.push_back(device_summary(record, local));
    }
    if (json) {
        std::cout << list.dump(2) << "\n";
        return 0;
    }
    for (const auto& d : list) {
        char line[400];
        std::snprintf(line, sizeof line, "%s  %-24s  %s  %-20s  %-10s %s\n", d["address"].get<std::string>().c_str(),
                      d["name"].get<std::string>().c_str(), d["class"].get<std::string>().c_str(),
                      std::string(QelDeviceTypeName(d["type"].get<int>())).c_str(),
                      d["paired"].get<bool>() ? "paired" : "not-paired", d["trusted"].get<bool>() ? "trusted" : "");
        std::cout << line;
    }
    return 0;
}

int cmd_show(const std::string& address, bool json) {
    ensure_stack_records();
    int code = 0;
    auto bda = existing_device(address, code);
    if (!bda) return code;
    CBTDevCfg record(qel::config::DeviceKeyName(*bda).c_str());
    record.Read();
    ordered_json j = device_summary(record, local_adapter());
    j["remote_name"] = record.m_szRemoteName;
    j["features"] = hex_bytes(record.m_features);
    j["manufacturer"] = record.m_dwManufacturer;
    j["lmp_version"] = record.m_dwLmpVersion;
    j["lmp_subversion"] = record.m_dwLmpSubVersion;
    j["link_key_in_record"] = record.m_fLinkKeyPresent != 0;
    j["allow_wakeup"] = record.m_fAllowWakeup;
    j["hid_disabled"] = record.m_fHidDisabled;
    j["default_audio"] = record.m_fDefaultAudio;
    j["handsfree_cfg"] = record.m_dwHandsfreeCfg;
    j["show_ui"] = record.m_dwShowUI;
    j["manual_dun"] = record.m_dwManualDun;
    j["last_dialed_apn"] = record.m_szLastDialedAPN;
    j["icon"] = CBTIconUtils().GetDeviceIconIdFromDeviceClass(record.m_devClass, 0);
    ordered_json services = ordered_json::array();
    CBTServiceCacheCfgIterator cache(bda->data());
    CBTIconUtils icons;
    char16_t key[MAX_PATH];
    while (cache.GetNext(key)) {
        CBTServiceCacheCfg entry(*bda, key);
        if (entry.Read() != ERROR_SUCCESS) continue;
        ordered_json s;
        s["key"] = narrow(key);
        char uuid[12];
        std::snprintf(uuid, sizeof uuid, "0x%04x", static_cast<unsigned>(entry.m_dwUUID));
        s["uuid"] = uuid;
        s["name"] = entry.m_szServiceNameUTF8;
        s["security"] = entry.m_dwSecurity;
        s["default_connection"] = entry.m_dwDefaultConnection != 0;
        s["icon"] = icons.GetServiceIconIdFromUUID(entry.m_dwUUID, 0);
        services.push_back(s);
    }
    j["services"] = services;
    if (json) {
        std::cout << j.dump(2) << "\n";
        return 0;
    }
    for (const auto& [k, v] : j.items()) {
        if (k == "services") continue;
        std::cout << k << ": " << (v.is_string() ? v.get<std::string>() : v.dump()) << "\n";
    }
    std::cout << "services:\n";
    for (const auto& s : services)
        std::cout << "  " << s["key"].get<std::string>() << "  " << s["uuid"].get<std::string>() << "  "
                  << s["name"].get<std::string>() << "  icon " << s["icon"].dump() << "\n";
    return 0;
}

int cmd_trust(const std::string& address, const std::string& state) {
    if (state != "on" && state != "off") {
        std::cerr << "qelcfg: trust takes on or off\n";
        return 2;
    }
    int code = 0;
    auto bda = existing_device(address, code);
    if (!bda) return code;
    CBTDevPerUserCfg user(qel::config::DeviceKeyName(*bda).c_str());
    LONG result = user.SaveTrustedMask(state == "on" ? CBTDevPerUserCfg::kTrustedAll : 0);
    if (result != ERROR_SUCCESS) {
        std::cerr << "qelcfg: cannot save the trust of " << address << " (error " << result << ")\n";
        return 1;
    }
    return 0;
}

int cmd_rename(const std::string& address, const std::string& name) {
    int code = 0;
    auto bda = existing_device(address, code);
    if (!bda) return code;
    CBTDevCfg record(qel::config::DeviceKeyName(*bda).c_str());
    record.Read();
    if (!record.UpdateDisplayName(name)) return 0;
    if (record.Save() != ERROR_SUCCESS) {
        std::cerr << "qelcfg: cannot save the device record of " << address << "\n";
        return 1;
    }
    CBTDevCfg::UpdateDeviceInfo(*bda, record.m_devClass, record.m_szName);
    return 0;
}

int cmd_forget(const std::string& address) {
    int code = 0;
    auto bda = existing_device(address, code);
    if (!bda) return code;
    CBTDevCfg::DeleteAllKeys(*bda);
    CBTDevPerUserCfg::Delete(*bda);
    if (CBTDevCfg::Delete(*bda) != ERROR_SUCCESS) {
        std::cerr << "qelcfg: cannot delete the device record of " << address << "\n";
        return 1;
    }
    return 0;
}

// The general settings shown and set by name.
ordered_json general_values(const CBTGeneralCfg& g) {
    ordered_json j;
    j["DeviceName"] = narrow(g.m_szDeviceName);
    j["MinorClass"] = g.m_dwMinorClass;
    j["SecurityType"] = g.m_dwSecurityType;
    j["PowerLevel"] = g.m_dwPowerLevel;
    j["UseFixedPin"] = g.m_dwUseFixedPin;
    j["PinCode"] = narrow(g.m_szPinCode);
    j["MaxSimultConnections"] = g.m_dwMaxSimultConnections;
    j["UnnamedDeviceName"] = narrow(g.m_szUnnamedDeviceName);
    j["ShowBluetoothAddress"] = g.m_dwShowBluetoothAddress;
    j["DeviceInactivityDuration"] = g.m_dwDeviceInactivityDuration;
    j["HidInactiveThreshold"] = g.m_dwHidInactiveThreshold;
    j["EnableHidAudioCoexistenceWarnings"] = g.m_dwEnableHidAudioCoexistenceWarnings;
    j["MinPINLength"] = g.m_dwMinPINLength;
    j["SCMS_T"] = g.m_dwSCMS_T;
    j["ForceDevClassMajor"] = g.m_dwForceDevClassMajor;
    j["ForceDevClassMinor"] = g.m_dwForceDevClassMinor;
    j["UseRFCOMMAuth"] = g.m_dwUseRFCOMMAuth;
    return j;
}

int cmd_general_show(bool json) {
    CBTGeneralCfg general;
    general.Read();
    ordered_json j = general_values(general);
    if (json) {
        std::cout << j.dump(2) << "\n";
        return 0;
    }
    for (const auto& [k, v] : j.items()) std::cout << k << ": " << (v.is_string() ? v.get<std::string>() : v.dump()) << "\n";
    return 0;
}

int cmd_general_set(const std::string& name, const std::string& value) {
    CBTGeneralCfg g;
    g.Read();
    std::map<std::string, std::u16string*> texts = {
        {"devicename", &g.m_szDeviceName}, {"pincode", &g.m_szPinCode}, {"unnameddevicename", &g.m_szUnnamedDeviceName}};
    std::map<std::string, DWORD*> numbers = {
        {"minorclass", &g.m_dwMinorClass},
        {"securitytype", &g.m_dwSecurityType},
        {"powerlevel", &g.m_dwPowerLevel},
        {"usefixedpin", &g.m_dwUseFixedPin},
        {"maxsimultconnections", &g.m_dwMaxSimultConnections},
        {"showbluetoothaddress", &g.m_dwShowBluetoothAddress},
        {"deviceinactivityduration", &g.m_dwDeviceInactivityDuration},
        {"hidinactivethreshold", &g.m_dwHidInactiveThreshold},
        {"enablehidaudiocoexistencewarnings", &g.m_dwEnableHidAudioCoexistenceWarnings},
        {"minpinlength", &g.m_dwMinPINLength},
        {"scms_t", &g.m_dwSCMS_T}};
    std::string key;
    for (char c : name) key.push_back(static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c));
    if (auto t = texts.find(key); t != texts.end()) {
        *t->second = qel::platform::to_utf16(value);
    } else if (auto n = numbers.find(key); n != numbers.end()) {
        try {
            std::size_t used = 0;
            unsigned long v = std::stoul(value, &used, 0);
            if (used != value.size() || v > 0xFFFFFFFFul) throw std::out_of_range("value");
            *n->second = static_cast<DWORD>(v);
        } catch (const std::exception&) {
            std::cerr << "qelcfg: " << name << " takes a number\n";
            return 2;
        }
    } else {
        std::cerr << "qelcfg: " << name << " is not a general setting that can be set\n";
        return 2;
    }
    if (g.Save() != ERROR_SUCCESS) {
        std::cerr << "qelcfg: cannot save the general settings\n";
        return 1;
    }
    return 0;
}

void setup(CLI::App& app) {
    CLI::App* device = app.add_subcommand("device", "Device records: list, show, trust, rename, forget");
    device->require_subcommand(1);
    auto json = std::make_shared<bool>(false);
    auto address = std::make_shared<std::string>();
    auto text = std::make_shared<std::string>();

    CLI::App* list = device->add_subcommand("list", "List the devices the stack knows");
    list->add_flag("--json", *json, "Print JSON");
    list->callback([json] { set_exit_code(cmd_list(*json)); });

    CLI::App* show = device->add_subcommand("show", "Show a device record and its cached services");
    show->add_option("ADDRESS", *address)->required();
    show->add_flag("--json", *json, "Print JSON");
    show->callback([json, address] { set_exit_code(cmd_show(*address, *json)); });

    CLI::App* trust = device->add_subcommand("trust", "Trust a device or stop trusting it");
    trust->add_option("ADDRESS", *address)->required();
    trust->add_option("STATE", *text, "on or off")->required();
    trust->callback([address, text] { set_exit_code(cmd_trust(*address, *text)); });

    CLI::App* rename = device->add_subcommand("rename", "Give a device a name of your own");
    rename->add_option("ADDRESS", *address)->required();
    rename->add_option("NAME", *text)->required();
    rename->callback([address, text] { set_exit_code(cmd_rename(*address, *text)); });

    CLI::App* forget = device->add_subcommand("forget", "Delete a device's records, cache and link keys");
    forget->add_option("ADDRESS", *address)->required();
    forget->callback([address] { set_exit_code(cmd_forget(*address)); });

    CLI::App* general = app.add_subcommand("general", "General settings of the stack");
    general->require_subcommand(1);
    CLI::App* gshow = general->add_subcommand("show", "Show the general settings");
    gshow->add_flag("--json", *json, "Print JSON");
    gshow->callback([json] { set_exit_code(cmd_general_show(*json)); });
    auto value = std::make_shared<std::string>();
    CLI::App* gset = general->add_subcommand("set", "Set one general setting");
    gset->add_option("NAME", *text)->required();
    gset->add_option("VALUE", *value)->required();
    gset->callback([text, value] { set_exit_code(cmd_general_set(*text, *value)); });
}

CommandRegistrar registrar{45, setup};

}  // namespace
}  // namespace qelcfg
