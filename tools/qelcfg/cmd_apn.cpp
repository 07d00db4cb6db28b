// "qelcfg apn build-db [SERVICEPROVIDERS.xml] -o FILE": builds the enciphered access-point database
// from the public operator list (serviceproviders format; default: the one the
// mobile-broadband-provider-info package installs).
// "qelcfg apn lookup OPERATOR [--db FILE]": the accounts of an operator (APN, login, password, one
// per line, tab-separated, in database order). Like the dialer, a number above 99999 that finds
// nothing is looked up once more without its last digit; the output says which lookup matched.
// Without --db the database is found as the dialer finds it (system directory, else the
// installation folder).
// "qelcfg apn cdma BDADDR [--save]": whether a device is in the list of CDMA phones; --save adds it.
// Exit codes: 0 done / found / listed, 1 failure / none found / not listed, 2 bad usage or a
// database that is missing or cannot be read.
#include <array>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>

#include "commands.h"
#include "dialup/providers/cdma_devices.h"
#include "dialup/providers/provider_database.h"
#include "dialup/providers/provider_settings.h"
#include "dialup/providers/provider_xml.h"

namespace qelcfg {
namespace {

constexpr char kDefaultServiceProviders[] = "/usr/share/mobile-broadband-provider-info/serviceproviders.xml";

int build_db(const std::string& input, const std::string& output) {
    std::ifstream in(input, std::ios::binary);
    if (!in) {
        std::cerr << "qelcfg: cannot read " << input << "\n";
        return 1;
    }
    std::ostringstream text;
    text << in.rdbuf();
    std::string providers;
    qel::dialup::ProviderDatabaseStats stats;
    std::string error;
    if (!qel::dialup::providers_xml_from_serviceproviders(text.str(), &providers, &stats, &error)) {
        std::cerr << "qelcfg: " << input << ": " << error << "\n";
        return 1;
    }
    const DWORD rc = qel::dialup::write_provider_database(output, providers);
    if (rc != 0) {
        std::cerr << "qelcfg: cannot write " << output << ": error " << rc << "\n";
        return 1;
    }
    std::cout << output << ": " << stats.access_points << " access points (" << stats.skipped
              << " left out: not for Internet use, no APN or no GSM network)\n";
    return 0;
}

std::optional<std::int32_t> parse_operator(const std::string& text) {
    if (text.empty() || text.size() > 10 || text.find_first_not_of("0123456789") != std::string::npos) {
        return std::nullopt;
    }
    const long long value = std::stoll(text);
    if (value > INT32_MAX) return std::nullopt;
    return static_cast<std::int32_t>(value);
}

// One lookup; nullopt when the database cannot be read or parsed.
std::optional<sProvider> lookup_once(const std::string& path, std::int32_t id) {
    sProvider provider;
    const HRESULT hr = _LoadXML_findAPN(path.c_str(), id, &provider);
    if (hr != 0) {
        char code[16];
        std::snprintf(code, sizeof code, "0x%08x", static_cast<unsigned>(hr));
        std::cerr << "qelcfg: cannot read the access-point database " << path << " ("
                  << (hr == 1 ? std::string("not well-formed XML") : std::string("error ") + code) << ")\n";
        return std::nullopt;
    }
    return provider;
}

int lookup(const std::string& number, const std::string& db) {
    const auto id = parse_operator(number);
    if (!id) {
        std::cerr << "qelcfg: OPERATOR must be the operator's decimal number (mcc and mnc), for example 26201\n";
        return 2;
    }
    if (db.empty()) ensure_installation_record();
    cProviderSettingsXML settings;
    if (!settings.Initialize(db.c_str())) {
        std::cerr << "qelcfg: no access-point database at " << settings.FileName() << "\n";
        return 2;
    }
    std::cout << "database: " << settings.FileName() << "\n";
    auto found = lookup_once(settings.FileName(), *id);
    if (!found) return 2;
    std::int32_t matched = *id;
    if (found->GetSize() == 0 && *id > 99999) {
        std::cout << "operator " << *id << ": none; looking up " << *id / 10 << "\n";
        matched = *id / 10;
        found = lookup_once(settings.FileName(), matched);
        if (!found) return 2;
    }
    if (found->GetSize() == 0) {
        std::cout << "operator " << matched << ": none\n";
        return 1;
    }
    std::cout << "operator " << matched << ": " << found->GetSize() << " account"
              << (found->GetSize() == 1 ? "" : "s") << (matched != *id ? " (shortened number)" : "") << "\n";
    for (const auto& account : found->m_Accounts) {
        std::cout << account.m_szAPN << "\t" << account.m_szUserName << "\t" << account.m_szPassword << "\n";
    }
    return 0;
}

int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Twelve hexadecimal digits, optionally in pairs separated by ':' or '-'; byte 0 first.
std::optional<std::array<BYTE, 6>> parse_address(const std::string& text) {
    std::string digits;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if ((c == ':' || c == '-') && i % 3 == 2 && text.size() == 17) continue;
        if (hex_digit(c) < 0) return std::nullopt;
        digits += c;
    }
    if (digits.size() != 12) return std::nullopt;
    std::array<BYTE, 6> address{};
    for (std::size_t i = 0; i < 6; ++i) {
        address[i] = static_cast<BYTE>(hex_digit(digits[2 * i]) << 4 | hex_digit(digits[2 * i + 1]));
    }
    return address;
}

int cdma(const std::string& text, bool save) {
    const auto address = parse_address(text);
    if (!address) {
        std::cerr << "qelcfg: BDADDR must be twelve hexadecimal digits, for example 0012a1b2c3d4 or 00:12:a1:b2:c3:d4\n";
        return 2;
    }
    if (check_CDMA_DEVICES(*address, false)) {
        std::cout << text << ": listed as a CDMA phone\n";
        return 0;
    }
    if (!save) {
        std::cout << text << ": not listed\n";
        return 1;
    }
    if (check_CDMA_DEVICES(*address, true)) {
        std::cout << text << ": added to the CDMA phones\n";
        return 0;
    }
    std::cerr << "qelcfg: cannot write the list (the key HKEY_CURRENT_USER\\Software\\Quorlan\\PhoneIf must exist)\n";
    return 1;
}

void setup(CLI::App& app) {
    CLI::App* apn = app.add_subcommand("apn", "Operator access-point database and the CDMA phone list");
    apn->require_subcommand(1);

    CLI::App* build = apn->add_subcommand("build-db", "Build providers.bin from a serviceproviders XML file");
    auto input = std::make_shared<std::string>(kDefaultServiceProviders);
    auto output = std::make_shared<std::string>();
    build->add_option("SERVICEPROVIDERS", *input, "Public operator list (serviceproviders format)")
        ->capture_default_str();
    build->add_option("-o,--output", *output, "Database file to write")->required();
    build->callback([input, output] { set_exit_code(build_db(*input, *output)); });

    CLI::App* find = apn->add_subcommand("lookup", "Accounts of an operator (mcc and mnc as one number)");
    auto number = std::make_shared<std::string>();
    auto db = std::make_shared<std::string>();
    find->add_option("OPERATOR", *number, "Operator number, for example 26201")->required();
    find->add_option("--db", *db, "Database file (default: as the dialer finds it)");
    find->callback([number, db] { set_exit_code(lookup(*number, *db)); });

    CLI::App* cd = apn->add_subcommand("cdma", "Whether a device is a known CDMA phone");
    auto address = std::make_shared<std::string>();
    auto save = std::make_shared<bool>(false);
    cd->add_option("BDADDR", *address, "Device address, twelve hexadecimal digits")->required();
    cd->add_flag("--save", *save, "Add the device when it is not listed");
    cd->callback([address, save] { set_exit_code(cdma(*address, *save)); });
}

CommandRegistrar registrar{85, setup};

}  // namespace
}  // namespace qelcfg
