// "qelcfg config": the stack's service, application, connection, auto-connect and installation
// records, listed and shown as tables (or JSON with --json); connections created, renamed and
// deleted; single values of a service or application set. Everything goes through the record
// classes of the configuration store, so the program reads and writes exactly what the stack does.
// Exit codes: 0 success, 1 the operation failed or found nothing, 2 bad usage.
#include <strings.h>

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <iomanip>
#include <iostream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "commands.h"
#include "config/autoconnect_cfg.h"
#include "config/cfg_iterator.h"
#include "config/connection_cfg.h"
#include "config/install_cfg.h"
#include "config/profile_app_cfg.h"
#include "config/profile_service_cfg.h"
#include "config/service_cfg.h"
#include "platform/text/text.h"

namespace qelcfg {
namespace {

using nlohmann::ordered_json;

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

int failed(const std::string& message) {
    std::cerr << "qelcfg config: " << message << "\n";
    return kExitFailed;
}

int usage(const std::string& message) {
    std::cerr << "qelcfg config: " << message << "\n";
    return kExitUsage;
}

std::string utf8(std::u16string_view text) { return qel::platform::from_utf16(text, CP_UTF8); }

// Arguments are UTF-8; text that is not becomes U+FFFD where it breaks, and is refused then.
std::optional<std::u16string> wide(const std::string& text) {
    std::u16string out = qel::platform::to_utf16(text, CP_UTF8);
    if (out.find(u'\uFFFD') != std::u16string::npos && text.find("\xEF\xBF\xBD") == std::string::npos)
        return std::nullopt;
    return out;
}

std::string hex32(DWORD value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%04" PRIX32, value);
    return text;
}

template <std::size_t N>
std::string address_text(const std::array<BYTE, N>& bytes) {
    std::string out;
    for (std::size_t i = 0; i < N; ++i) {
        char part[4];
        std::snprintf(part, sizeof part, i ? ":%02x" : "%02x", bytes[i]);
        out += part;
    }
    return out;
}

// A number in decimal or 0x hexadecimal, all of the text.
std::optional<DWORD> parse_number(const std::string& text) {
    if (text.empty()) return std::nullopt;
    char* end = nullptr;
    errno = 0;
    unsigned long long value = std::strtoull(text.c_str(), &end, 0);
    if (errno != 0 || *end != '\0' || value > 0xFFFFFFFFull || text[0] == '-') return std::nullopt;
    return static_cast<DWORD>(value);
}

std::optional<CfgBdAddr> parse_address(const std::string& text) {
    CfgBdAddr address{};
    unsigned parts[6];
    char tail = 0;
    if (std::sscanf(text.c_str(), "%2x:%2x:%2x:%2x:%2x:%2x%c", &parts[0], &parts[1], &parts[2], &parts[3], &parts[4],
                    &parts[5], &tail) != 6)
        return std::nullopt;
    for (int i = 0; i < 6; ++i) address[i] = static_cast<BYTE>(parts[i]);
    return address;
}

// A table of text cells printed with columns as wide as their widest cell.
class Table {
public:
    explicit Table(std::vector<std::string> header) : rows_{std::move(header)} {}
    void add(std::vector<std::string> row) { rows_.push_back(std::move(row)); }
    void print(std::ostream& out) const {
        std::vector<std::size_t> widths(rows_.front().size(), 0);
        for (const auto& row : rows_)
            for (std::size_t i = 0; i < row.size(); ++i) widths[i] = std::max(widths[i], row[i].size());
        for (const auto& row : rows_) {
            std::string line;
            for (std::size_t i = 0; i < row.size(); ++i) {
                line += row[i];
                if (i + 1 < row.size()) line += std::string(widths[i] - row[i].size() + 2, ' ');
            }
            out << line << "\n";
        }
    }

private:
    std::vector<std::vector<std::string>> rows_;
};

// Field/value pairs of one record, printed as a two-column table or a JSON object.
using Fields = ordered_json;

void print_fields(const Fields& fields, bool json) {
    if (json) {
        std::cout << fields.dump(2) << "\n";
        return;
    }
    Table table({"Field", "Value"});
    for (const auto& [name, value] : fields.items())
        table.add({name, value.is_string() ? value.get<std::string>() : value.dump()});
    table.print(std::cout);
}

Fields app_srv_fields(const CBTAppSrvCfg& record) {
    Fields f;
    f["Key"] = utf8(record.GetKeyName());
    f["UUID"] = hex32(record.m_dwUUID);
    f["Name"] = utf8(record.m_szName);
    f["GUID"] = utf8(record.m_szGuid);
    f["Authorization"] = record.m_dwAuthorization;
    f["Authentication"] = record.m_dwAuthentication;
    f["Encryption"] = record.m_dwEncryption;
    f["SecurityId"] = record.m_dwSecurityId;
    f["StatusDll"] = utf8(record.m_szStatusDll);
    f["PropertiesDll"] = utf8(record.m_szPropertiesDll);
    f["Description"] = utf8(record.m_szDescription);
    f["InstallOnDemand"] = record.m_dwInstallOnDemand;
    return f;
}

// Every key of a tree, in the registry's order.
std::vector<std::u16string> tree_keys(CBTCfgIterator& it) {
    std::vector<std::u16string> keys;
    char16_t name[MAX_PATH] = {};
    while (it.GetNext(name)) keys.emplace_back(name);
    return keys;
}

// ---- services and applications

template <typename Record, typename Iterator>
int list_app_srv(bool json, bool services) {
    Iterator it;
    ordered_json list = ordered_json::array();
    Table table(services ? std::vector<std::string>{"Key", "UUID", "Name", "Auto", "SecurityId"}
                         : std::vector<std::string>{"Key", "UUID", "Name", "SecurityId"});
    for (const auto& key : tree_keys(it)) {
        Record record(key.c_str());
        if (record.Read() != ERROR_SUCCESS) continue;
        Fields f = app_srv_fields(record);
        std::vector<std::string> row = {utf8(key), hex32(record.m_dwUUID), utf8(record.m_szName)};
        if constexpr (std::is_same_v<Record, CBTServiceCfg>) {
            f["Auto"] = record.m_dwAuto;
            row.push_back(std::to_string(record.m_dwAuto));
        }
        row.push_back(std::to_string(record.m_dwSecurityId));
        list.push_back(f);
        table.add(row);
    }
    if (json)
        std::cout << list.dump(2) << "\n";
    else
        table.print(std::cout);
    return kExitOk;
}

// A record of the profile its stored UUID names, with its own writable values by name.
struct FieldRef {
    const char* name;
    DWORD* number = nullptr;
    std::u16string* text = nullptr;
};

template <typename Record>
struct ProfileRecord {
    std::unique_ptr<Record> record;
    std::vector<FieldRef> fields;  // the values shared by every record first, then the profile's
};

template <typename T>
std::unique_ptr<T> make(const char16_t* key) {
    return std::make_unique<T>(key);
}

ProfileRecord<CBTServiceCfg> service_record(DWORD uuid, const char16_t* key) {
    ProfileRecord<CBTServiceCfg> p;
    std::vector<FieldRef> own;
    switch (uuid) {
    case kUuidSerialPort: {
        auto r = make<CBTSPPServiceCfg>(key);
        own = {{"ComPortNumber", &r->m_dwComPortNumber}, {"UserInstalled", &r->m_dwUserInstalled}};
        p.record = std::move(r);
        break;
    }
    case kUuidDialupNetworking: {
        auto r = make<CBTDUNServiceCfg>(key);
        own = {{"ModemComPortNumber", &r->m_dwModemComPortNumber}, {"FlowControl", &r->m_dwFlowControl},
               {"Baudrate", &r->m_dwBaudrate}};
        p.record = std::move(r);
        break;
    }
    case kUuidFax: {
        auto r = make<CBTFAXServiceCfg>(key);
        own = {{"ModemComPortNumber", &r->m_dwModemComPortNumber}, {"FlowControl", &r->m_dwFlowControl},
               {"BaudRate", &r->m_dwBaudRate}};
        p.record = std::move(r);
        break;
    }
    case kUuidLanAccess: {
        auto r = make<CBTLAPServiceCfg>(key);
        own = {{"NetworkMode", &r->m_dwNetworkMode}, {"NetworkAccessDescription", nullptr, &r->m_szNetworkAccessDescription}};
        p.record = std::move(r);
        break;
    }
    case kUuidObexFileTransfer: {
        auto r = make<CBTFTPServiceCfg>(key);
        own = {{"Root", nullptr, &r->m_szRoot}, {"DenyHiddenAccess", &r->m_dwDenyHiddenAccess},
               {"DenyReadOnlyAccess", &r->m_dwDenyReadOnlyAccess}};
        p.record = std::move(r);
        break;
    }
    case kUuidObexObjectPush: {
        auto r = make<CBTOPPServiceCfg>(key);
        own = {{"DefaultBusinessCard", nullptr, &r->m_szDefaultBusinessCard},
               {"InboxDirectory", nullptr, &r->m_szInboxDirectory},
               {"AcceptBusinessCards", &r->m_dwAcceptBusinessCards},
               {"AcceptCalendarItems", &r->m_dwAcceptCalendarItems},
               {"AcceptEmailMessages", &r->m_dwAcceptEmailMessages},
               {"AcceptNotes", &r->m_dwAcceptNotes},
               {"AcceptOther", &r->m_dwAcceptOther},
               {"SendBusinessCardOnRequest", &r->m_dwSendBusinessCardOnRequest}};
        p.record = std::move(r);
        break;
    }
    case kUuidIrMcSync: {
        auto r = make<CBTSYNCServiceCfg>(key);
        own = {{"LocalStoreDirectory", nullptr, &r->m_szLocalStoreDirectory},
               {"SyncBusinessCards", &r->m_dwSyncBusinessCards},
               {"SyncCalendarItems", &r->m_dwSyncCalendarItems},
               {"SyncEmailMessages", &r->m_dwSyncEmailMessages},
               {"SyncNotes", &r->m_dwSyncNotes}};
        p.record = std::move(r);
        break;
    }
    case kUuidImaging: {
        auto r = make<CBTBIPServiceCfg>(key);
        own = {{"InboxDirectory", nullptr, &r->m_szInboxDirectory}};
        p.record = std::move(r);
        break;
    }
    case kUuidHardcopyCableReplacement: {
        auto r = make<CBTPrintServiceCfg>(key);
        own = {{"PrinterName", nullptr, &r->m_szPrinterName}, {"TempDirectory", nullptr, &r->m_szTempDirectory}};
        p.record = std::move(r);
        break;
    }
    case kUuidHeadset: {
        auto r = make<CBTHSPServiceCfg>(key);
        own = {{"HfpName", nullptr, &r->m_szHfpName}, {"AvName", nullptr, &r->m_szAvName},
               {"SendCkpdToDisconnect", &r->m_dwSendCkpdToDisconnect}};
        p.record = std::move(r);
        break;
    }
    case kUuidHeadsetAudioGateway: {
        auto r = make<CBTHAGServiceCfg>(key);
        own = {{"ConnectedUUID", &r->m_dwConnectedUUID}};
        p.record = std::move(r);
        break;
    }
    default: p.record = make<CBTServiceCfg>(key);
    }
    p.fields = {{"Auto", &p.record->m_dwAuto}};
    p.fields.insert(p.fields.end(), own.begin(), own.end());
    return p;
}

ProfileRecord<CBTAppCfg> app_record(DWORD uuid, const char16_t* key) {
    ProfileRecord<CBTAppCfg> p;
    std::vector<FieldRef> own;
    auto port_fields = [&own](CBTSPPAppCfg& r) {
        own = {{"ComPortNumber", &r.m_dwComPortNumber}, {"UserInstalled", &r.m_dwUserInstalled}};
    };
    switch (uuid) {
    case kUuidSerialPort:
    case kUuidFax:
    case kUuidHeadset:
    case kUuidHeadsetAudioGateway:
    case kUuidHandsfree: {
        auto r = std::make_unique<CBTSPPAppCfg>(key, uuid);
        port_fields(*r);
        p.record = std::move(r);
        break;
    }
    case kUuidDialupNetworking: {
        auto r = make<CBTDUNAppCfg>(key);
        port_fields(*r);
        own.push_back({"RasConnection", nullptr, &r->m_szRasConnection});
        p.record = std::move(r);
        break;
    }
    case kUuidLanAccess:
    case kUuidPanu:
    case kUuidNap:
    case kUuidGn: {
        auto r = std::make_unique<CBTLAPAppCfg>(key, uuid);
        port_fields(*r);
        own.insert(own.end(), {{"UserName", nullptr, &r->m_szUserName},
                               {"Password", nullptr, &r->m_szPassword},
                               {"Autoconnect", &r->m_dwAutoconnect},
                               {"RasConnection", nullptr, &r->m_szRasConnection},
                               {"EnableAutoReconnect", &r->m_dwEnableAutoReconnect}});
        p.record = std::move(r);
        break;
    }
    case kUuidObexObjectPush: {
        auto r = make<CBTOPPAppCfg>(key);
        own = {{"OPPType", &r->m_dwOPPType}};
        p.record = std::move(r);
        break;
    }
    case kUuidIrMcSync: {
        auto r = make<CBTSYNCAppCfg>(key);
        own = {{"SyncBusinessCards", &r->m_dwSyncBusinessCards},
               {"SyncCalendarItems", &r->m_dwSyncCalendarItems},
               {"SyncEmailMessages", &r->m_dwSyncEmailMessages},
               {"SyncNotes", &r->m_dwSyncNotes},
               {"PreferredProfile", &r->m_dwPreferredProfile}};
        p.record = std::move(r);
        break;
    }
    case kUuidImaging: {
        auto r = make<CBTBIPAppCfg>(key);
        own = {{"PutImageToPrinterTimeout", &r->m_dwPutImageToPrinterTimeout}};
        p.record = std::move(r);
        break;
    }
    default: p.record = make<CBTAppCfg>(key);
    }
    p.fields = std::move(own);
    return p;
}

// Reads the record of `key` as the profile its "UUID" names; the error of reading otherwise.
template <typename Record>
LONG read_profile_record(const std::u16string& key, ProfileRecord<Record>& out) {
    Record plain(key.c_str());
    if (LONG st = plain.Read(); st != ERROR_SUCCESS) return st;
    if constexpr (std::is_same_v<Record, CBTServiceCfg>)
        out = service_record(plain.m_dwUUID, key.c_str());
    else
        out = app_record(plain.m_dwUUID, key.c_str());
    return out.record->Read();
}

template <typename Record>
int show_app_srv(const std::string& key_text, bool json) {
    auto key = wide(key_text);
    if (!key) return usage("the key is not valid UTF-8");
    ProfileRecord<Record> p;
    if (LONG st = read_profile_record(*key, p); st != ERROR_SUCCESS)
        return failed("no record \"" + key_text + "\" (error " + std::to_string(st) + ")");
    Fields f = app_srv_fields(*p.record);
    for (const FieldRef& field : p.fields) {
        if (field.number) f[field.name] = *field.number;
        if (field.text) f[field.name] = utf8(*field.text);
    }
    if constexpr (std::is_same_v<Record, CBTServiceCfg>) f["DoNotUseMicrosoftDevice"] = p.record->m_dwDoNotUseMicrosoftDevice;
    print_fields(f, json);
    return kExitOk;
}

// Sets one value, shared or of the record's profile, and saves the record.
template <typename Record>
int set_app_srv(const std::string& key_text, const std::string& value_name, const std::string& value) {
    auto key = wide(key_text);
    auto text = wide(value);
    if (!key || !text) return usage("arguments must be valid UTF-8");
    ProfileRecord<Record> p;
    if (LONG st = read_profile_record(*key, p); st != ERROR_SUCCESS)
        return failed("no record \"" + key_text + "\" (error " + std::to_string(st) + ")");
    Record& record = *p.record;

    std::vector<FieldRef> fields = {{"Name", nullptr, &record.m_szName},
                                    {"StatusDll", nullptr, &record.m_szStatusDll},
                                    {"PropertiesDll", nullptr, &record.m_szPropertiesDll},
                                    {"Description", nullptr, &record.m_szDescription},
                                    {"Authorization", &record.m_dwAuthorization},
                                    {"Authentication", &record.m_dwAuthentication},
                                    {"Encryption", &record.m_dwEncryption},
                                    {"SecurityId", &record.m_dwSecurityId},
                                    {"InstallOnDemand", &record.m_dwInstallOnDemand}};
    fields.insert(fields.end(), p.fields.begin(), p.fields.end());
    const FieldRef* target = nullptr;
    for (const FieldRef& field : fields)
        if (strcasecmp(value_name.c_str(), field.name) == 0) target = &field;  // value names ignore case

    if (strcasecmp(value_name.c_str(), "UUID") == 0) {
        auto uuid = parse_number(value);
        if (!uuid) return usage("UUID must be a number, such as 0x1101");
        record.SetUuid(*uuid);
    } else if (target && target->text) {
        *target->text = *text;
    } else if (target && target->number) {
        auto number = parse_number(value);
        if (!number) return usage(value_name + " must be a number (decimal or 0x hexadecimal)");
        *target->number = *number;
    } else {
        return usage("unknown or read-only value \"" + value_name + "\"");
    }
    if (LONG st = record.Save(); st != ERROR_SUCCESS)
        return failed("cannot save \"" + key_text + "\" (error " + std::to_string(st) + ")");
    return kExitOk;
}

// ---- connections

Fields connection_fields(const CBTConnectionInfoCfg& c) {
    Fields f;
    f["Name"] = utf8(c.GetKeyName());
    f["BDAddress"] = address_text(c.m_bdAddr);
    f["BDName"] = c.m_szBdName;
    f["BDDevClass"] = address_text(c.m_devClass);
    f["LocalBAddress"] = address_text(c.m_localBdAddr);
    f["DefaultConnection"] = c.m_dwDefaultConnection;
    f["Flags"] = c.m_dwFlags;
    if (c.m_pAppCfg) {
        f["UUID"] = hex32(c.m_pAppCfg->m_dwUUID);
        f["Service"] = utf8(c.m_pAppCfg->m_szName);
        if (auto* spp = dynamic_cast<const CBTSPPAppCfg*>(c.m_pAppCfg.get())) f["ComPortNumber"] = spp->m_dwComPortNumber;
        if (auto* opp = dynamic_cast<const CBTOPPAppCfg*>(c.m_pAppCfg.get())) f["OPPType"] = opp->m_dwOPPType;
    }
    return f;
}

int list_connections(bool json) {
    CBTConnectionInfoCfgIterator it;
    ordered_json list = ordered_json::array();
    Table table({"Name", "Device", "Address", "UUID", "Service", "Default"});
    for (const auto& key : tree_keys(it)) {
        CBTConnectionInfoCfg c(key.c_str());
        if (c.Read() != ERROR_SUCCESS) continue;
        Fields f = connection_fields(c);
        list.push_back(f);
        table.add({utf8(key), c.m_szBdName, address_text(c.m_bdAddr), f.value("UUID", ""), f.value("Service", ""),
                   std::to_string(c.m_dwDefaultConnection)});
    }
    if (json)
        std::cout << list.dump(2) << "\n";
    else
        table.print(std::cout);
    return kExitOk;
}

int show_connection(const std::string& name_text, bool json) {
    auto name = wide(name_text);
    if (!name) return usage("the name is not valid UTF-8");
    auto key = CBTConnectionInfoCfg::FindConnectionKey(*name);
    if (!key) return failed("no connection \"" + name_text + "\"");
    CBTConnectionInfoCfg c(key->c_str());
    if (LONG st = c.Read(); st != ERROR_SUCCESS)
        return failed("cannot read connection \"" + name_text + "\" (error " + std::to_string(st) + ")");
    print_fields(connection_fields(c), json);
    return kExitOk;
}

struct CreateOptions {
    std::string name, device, uuid, service, device_name, local = "00:00:00:00:00:00", device_class = "0";
    std::string opp_type = "0";
    bool is_default = false;
};

int create_connection(const CreateOptions& o) {
    auto name = wide(o.name);
    auto service = wide(o.service);
    if (!name || !service || name->empty()) return usage("the connection and service names must be valid UTF-8");
    auto device = parse_address(o.device);
    auto local = parse_address(o.local);
    if (!device || !local) return usage("addresses are written 00:11:22:33:44:55");
    auto uuid = parse_number(o.uuid);
    auto cod = parse_number(o.device_class);
    auto opp = parse_number(o.opp_type);
    if (!uuid || !cod || !opp || *uuid > 0xFFFF || *cod > 0xFFFFFF)
        return usage("--uuid (16-bit), --class (24-bit) and --opp-type are numbers");
    CfgDevClass dev_class = {static_cast<BYTE>(*cod >> 16), static_cast<BYTE>(*cod >> 8), static_cast<BYTE>(*cod)};
    std::u16string saved = CBTConnectionInfoCfg::CreateConnectionObject(
        *name, *service, *uuid, *device, dev_class, o.device_name, *local, o.is_default, *opp, true);
    if (saved.empty()) return failed("cannot save the connection \"" + o.name + "\"");
    std::cout << utf8(saved) << "\n";
    return kExitOk;
}

int rename_connection(const std::string& from, const std::string& to) {
    auto old_name = wide(from);
    auto new_name = wide(to);
    if (!old_name || !new_name || new_name->empty()) return usage("names must be non-empty valid UTF-8");
    if (!CBTConnectionInfoCfg::FindConnectionKey(*old_name)) return failed("no connection \"" + from + "\"");
    if (!CBTConnectionInfoCfg::Rename(*old_name, *new_name))
        return failed("cannot rename \"" + from + "\" to \"" + to +
                      "\": the new name is the same, taken by another connection, or could not be created");
    return kExitOk;
}

int delete_connection(const std::string& name_text) {
    auto name = wide(name_text);
    if (!name) return usage("the name is not valid UTF-8");
    if (!CBTConnectionInfoCfg::Delete(*name)) return failed("no connection \"" + name_text + "\" was deleted");
    return kExitOk;
}

// ---- auto-connect entries and the installation record

int list_autoconnect(bool json) {
    CBTAutoConnectIterator it;
    ordered_json list = ordered_json::array();
    Table table({"Port", "Service", "Device", "Address", "UUID", "MTU"});
    for (const auto& key : tree_keys(it)) {
        // "0010" is port 10: the key is decimal with leading zeros, never octal.
        DWORD port = 0;
        for (char16_t c : key) port = (c >= u'0' && c <= u'9') ? port * 10 + (c - u'0') : port;
        CBTAutoConnect entry(port);
        entry.SetKeyName(key.c_str());
        if (entry.Read() != ERROR_SUCCESS) continue;
        Fields f;
        f["Port"] = utf8(key);
        f["ServiceName"] = utf8(entry.m_szServiceName);
        f["BDName"] = entry.m_szBdName;
        f["BDAddress"] = address_text(entry.m_bdAddr);
        f["UUID"] = hex32(entry.m_dwUUID);
        f["MTU"] = entry.m_dwMTU;
        f["SecurityID"] = entry.m_dwSecurityID;
        f["SecurityLevel"] = entry.m_dwSecurityLevel;
        list.push_back(f);
        table.add({utf8(key), utf8(entry.m_szServiceName), entry.m_szBdName, address_text(entry.m_bdAddr),
                   hex32(entry.m_dwUUID), std::to_string(entry.m_dwMTU)});
    }
    if (json)
        std::cout << list.dump(2) << "\n";
    else
        table.print(std::cout);
    return kExitOk;
}

int show_install(bool json) {
    CBTInstallCfg install;
    if (LONG st = install.Read(); st != ERROR_SUCCESS)
        return failed("no installation record (error " + std::to_string(st) + ")");
    Fields f;
    f["INSTALLDIR"] = utf8(install.m_szInstallDir);
    f["QELVERS"] = utf8(install.m_szQelVers);
    f["VERSION"] = utf8(install.m_szVersion);
    f["MajorVersion"] = install.GetMajorVersion();
    f["StartPort"] = install.m_dwStartPort;
    f["BT_EXCHG_FLDR"] = utf8(install.m_szExchangeFolder);
    f["BT_NET_CONN_NAME"] = utf8(install.m_szNetConnName);
    f["DisplayName"] = utf8(install.m_szDisplayName);
    f["ServicePack"] = install.m_dwServicePack;
    f["LangID"] = install.m_dwLangID;
    f["QelLangID"] = install.m_dwQelLangID;
    f["DeviceID"] = utf8(install.m_szDeviceID);
    f["SmartDongle"] = install.GetSmartDongleType();
    f["DriverInstallMask"] = install.m_dwDriverInstallMask;
    f["SwitchToHci"] = install.m_dwSwitchToHci;
    f["ShowUnplugDeviceDlg"] = install.m_dwShowUnplugDeviceDlg;
    f["EasyPairIcon"] = install.m_dwEasyPairIcon;
    print_fields(f, json);
    return kExitOk;
}

void setup(CLI::App& app) {
    CLI::App* config = app.add_subcommand("config", "The stack's service, application, connection and installation records");
    config->require_subcommand(1);
    auto json = std::make_shared<bool>(false);
    config->add_flag("--json", *json, "Print JSON instead of tables");
    auto with_json = [json](CLI::App* command) { command->add_flag("--json", *json, "Print JSON instead of a table"); };

    CLI::App* services = config->add_subcommand("services", "List the local services");
    with_json(services);
    services->callback([json] { set_exit_code(list_app_srv<CBTServiceCfg, CBTServiceCfgIterator>(*json, true)); });
    CLI::App* apps = config->add_subcommand("apps", "List the client applications");
    with_json(apps);
    apps->callback([json] { set_exit_code(list_app_srv<CBTAppCfg, CBTAppsCfgIterator>(*json, false)); });

    struct KeyValue {
        std::string key, name, value;
    };
    auto kv = std::make_shared<KeyValue>();
    CLI::App* service = config->add_subcommand("service", "Show a service or set one of its values");
    service->require_subcommand(1);
    CLI::App* service_show = service->add_subcommand("show", "Show a service by its key (\"0001\"...)");
    service_show->add_option("key", kv->key, "The service's key")->required();
    with_json(service_show);
    service_show->callback([json, kv] { set_exit_code(show_app_srv<CBTServiceCfg>(kv->key, *json)); });
    CLI::App* service_set = service->add_subcommand("set", "Set a value: Name, Auto, Authorization, Authentication, "
                                                           "Encryption, SecurityId, UUID, StatusDll, PropertiesDll, "
                                                           "Description, InstallOnDemand, or one of the profile's "
                                                           "own values (see show)");
    service_set->add_option("key", kv->key, "The service's key")->required();
    service_set->add_option("name", kv->name, "The value's name")->required();
    service_set->add_option("value", kv->value, "The new value")->required();
    service_set->callback([kv] { set_exit_code(set_app_srv<CBTServiceCfg>(kv->key, kv->name, kv->value)); });

    CLI::App* application = config->add_subcommand("app", "Show an application or set one of its values");
    application->require_subcommand(1);
    CLI::App* app_show = application->add_subcommand("show", "Show an application by its key (\"0001\"...)");
    app_show->add_option("key", kv->key, "The application's key")->required();
    with_json(app_show);
    app_show->callback([json, kv] { set_exit_code(show_app_srv<CBTAppCfg>(kv->key, *json)); });
    CLI::App* app_set = application->add_subcommand("set", "Set a value (the service values but Auto, or one of the profile's own)");
    app_set->add_option("key", kv->key, "The application's key")->required();
    app_set->add_option("name", kv->name, "The value's name")->required();
    app_set->add_option("value", kv->value, "The new value")->required();
    app_set->callback([kv] { set_exit_code(set_app_srv<CBTAppCfg>(kv->key, kv->name, kv->value)); });

    CLI::App* connections = config->add_subcommand("connections", "List the connections");
    with_json(connections);
    connections->callback([json] { set_exit_code(list_connections(*json)); });

    CLI::App* connection = config->add_subcommand("connection", "Show, create, rename or delete a connection");
    connection->require_subcommand(1);
    auto names = std::make_shared<KeyValue>();
    CLI::App* conn_show = connection->add_subcommand("show", "Show a connection (name in any letter case)");
    conn_show->add_option("name", names->key, "The connection's name")->required();
    with_json(conn_show);
    conn_show->callback([json, names] { set_exit_code(show_connection(names->key, *json)); });

    auto create = std::make_shared<CreateOptions>();
    CLI::App* conn_create = connection->add_subcommand(
        "create", "Create a connection with the application values of its service (a taken name gets a unique one)");
    conn_create->add_option("name", create->name, "The connection's name")->required();
    conn_create->add_option("--device", create->device, "The device's address, 00:11:22:33:44:55")->required();
    conn_create->add_option("--uuid", create->uuid, "The service's 16-bit UUID, such as 0x1101")->required();
    conn_create->add_option("--service", create->service, "The service's name")->required();
    conn_create->add_option("--device-name", create->device_name, "The device's name");
    conn_create->add_option("--local", create->local, "The local adapter's address");
    conn_create->add_option("--class", create->device_class, "The device's class of device (24-bit number)");
    conn_create->add_option("--opp-type", create->opp_type, "Object push type");
    conn_create->add_flag("--default", create->is_default, "Make it the device's default connection");
    conn_create->callback([create] { set_exit_code(create_connection(*create)); });

    CLI::App* conn_rename = connection->add_subcommand("rename", "Rename a connection (never onto another's name)");
    conn_rename->add_option("old", names->key, "The connection's name")->required();
    conn_rename->add_option("new", names->name, "The new name (cut to 99 characters)")->required();
    conn_rename->callback([names] { set_exit_code(rename_connection(names->key, names->name)); });

    CLI::App* conn_delete = connection->add_subcommand("delete", "Delete a connection");
    conn_delete->add_option("name", names->key, "The connection's name")->required();
    conn_delete->callback([names] { set_exit_code(delete_connection(names->key)); });

    CLI::App* autoconnect = config->add_subcommand("autoconnect", "List the automatic reconnection entries");
    with_json(autoconnect);
    autoconnect->callback([json] { set_exit_code(list_autoconnect(*json)); });

    CLI::App* install = config->add_subcommand("install", "Show the installation record");
    with_json(install);
    install->callback([json] { set_exit_code(show_install(*json)); });
}

CommandRegistrar registrar{40, setup};

}  // namespace
}  // namespace qelcfg
