// Building "providers.bin" from the public operator database (see provider_database.h).
#include "dialup/providers/provider_database.h"

#include <cerrno>
#include <cstdio>
#include <memory>
#include <new>
#include <sstream>
#include <system_error>
#include <vector>

#include <pugixml.hpp>

#include "pim/cipher/data_cipher.h"
#include "platform/last_error.h"
#include "platform/text/text.h"

namespace qel::dialup {
namespace {

// Room for the padding of the ciphertext (at most one block).
constexpr std::size_t kPaddingRoom = 8;

bool all_digits(std::string_view s) {
    if (s.empty()) return false;
    for (char c : s) {
        if (c < '0' || c > '9') return false;
    }
    return true;
}

// The operator number of a network-id as decimal text: the digits of mcc followed by those of
// mnc, read as one number (so the leading zeros of mnc stay, those of the whole do not). Empty
// when mcc is not three digits or mnc not two or three.
std::string operator_number(std::string_view mcc, std::string_view mnc) {
    if (mcc.size() != 3 || !all_digits(mcc) || mnc.size() < 2 || mnc.size() > 3 || !all_digits(mnc)) return {};
    std::string digits = std::string(mcc) + std::string(mnc);
    const auto first = digits.find_first_not_of('0');
    return first == std::string::npos ? std::string("0") : digits.substr(first);
}

// The operator numbers of a provider's gsm block, in order, without repeats.
std::vector<std::string> operator_numbers(const pugi::xml_node& gsm) {
    std::vector<std::string> numbers;
    for (const pugi::xml_node& id : gsm.children("network-id")) {
        std::string number = operator_number(id.attribute("mcc").value(), id.attribute("mnc").value());
        if (number.empty()) continue;
        bool seen = false;
        for (const auto& n : numbers) seen = seen || n == number;
        if (!seen) numbers.push_back(std::move(number));
    }
    return numbers;
}

std::string join_numbers(const std::vector<std::string>& numbers) {
    std::string list;
    for (const auto& n : numbers) {
        if (!list.empty()) list += ", ";
        list += n;
    }
    return list;
}

// An access point is for Internet use when one of its usages says so, or when it names none.
bool internet_usage(const pugi::xml_node& apn) {
    bool any = false;
    for (const pugi::xml_node& usage : apn.children("usage")) {
        any = true;
        if (std::string_view(usage.attribute("type").value()) == "internet") return true;
    }
    return !any;
}

std::string trimmed_text(const pugi::xml_node& node) {
    std::string_view text = node.text().get();
    const auto begin = text.find_first_not_of(" \t\r\n");
    if (begin == std::string_view::npos) return {};
    const auto end = text.find_last_not_of(" \t\r\n");
    return std::string(text.substr(begin, end - begin + 1));
}

void add_access_point(pugi::xml_node& providers, const std::string& ids, const pugi::xml_node& apn) {
    pugi::xml_node provider = providers.append_child("provider");
    provider.append_attribute("ID") = ids.c_str();
    provider.append_attribute("APN") = apn.attribute("value").value();
    const std::string login = trimmed_text(apn.child("username"));
    const std::string password = trimmed_text(apn.child("password"));
    if (!login.empty()) provider.append_attribute("Login") = login.c_str();
    if (!password.empty()) provider.append_attribute("Password") = password.c_str();
}

}  // namespace

bool providers_xml_from_serviceproviders(std::string_view serviceproviders_xml, std::string* providers_xml,
                                         ProviderDatabaseStats* stats, std::string* error) {
    ProviderDatabaseStats counts;
    pugi::xml_document input;
    const pugi::xml_parse_result parsed =
        input.load_buffer(serviceproviders_xml.data(), serviceproviders_xml.size(), pugi::parse_default,
                          pugi::encoding_utf8);
    if (!parsed) {
        if (error) *error = std::string("not well-formed XML: ") + parsed.description();
        return false;
    }
    const pugi::xml_node root = input.child("serviceproviders");
    if (!root) {
        if (error) *error = "no serviceproviders element";
        return false;
    }
    pugi::xml_document output;
    pugi::xml_node declaration = output.append_child(pugi::node_declaration);
    declaration.append_attribute("version") = "1.0";
    pugi::xml_node providers = output.append_child("providers");
    for (const pugi::xml_node& country : root.children("country")) {
        for (const pugi::xml_node& provider : country.children("provider")) {
            for (const pugi::xml_node& gsm : provider.children("gsm")) {
                const std::string ids = join_numbers(operator_numbers(gsm));
                for (const pugi::xml_node& apn : gsm.children("apn")) {
                    if (ids.empty() || *apn.attribute("value").value() == '\0' || !internet_usage(apn)) {
                        ++counts.skipped;
                        continue;
                    }
                    add_access_point(providers, ids, apn);
                    ++counts.access_points;
                }
            }
        }
    }
    std::ostringstream utf8;
    output.save(utf8, "  ", pugi::format_default, pugi::encoding_utf8);
    const std::u16string wide = qel::platform::to_utf16(utf8.str(), CP_UTF8);
    if (providers_xml) *providers_xml = qel::platform::from_utf16(wide, qel::platform::ansi_code_page());
    if (stats) *stats = counts;
    return true;
}

DWORD write_provider_database(const std::filesystem::path& path, std::string_view providers_xml) {
    if (providers_xml.size() > 0xFFFFFFFFu - kPaddingRoom) return ERROR_NOT_ENOUGH_MEMORY;
    std::string buffer;
    try {
        buffer.reserve(providers_xml.size() + kPaddingRoom);
        buffer.assign(providers_xml);
        buffer.resize(providers_xml.size() + kPaddingRoom);
    } catch (const std::bad_alloc&) {
        return ERROR_NOT_ENOUGH_MEMORY;
    }
    auto length = static_cast<DWORD>(providers_xml.size());
    const auto key = DataCipherKeyRoot();
    DWORD rc = EncryptData(key.data(), static_cast<DWORD>(key.size()), reinterpret_cast<BYTE*>(buffer.data()),
                           &length, static_cast<DWORD>(buffer.size()));
    if (rc != 0) return rc;
    errno = 0;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "wb"), &std::fclose);
    if (!file) {
        const int err = errno;
        // As on the platform, a missing folder is a path not found, not a file not found.
        std::error_code ec;
        if (err == ENOENT && !std::filesystem::is_directory(path.parent_path().empty() ? "." : path.parent_path(), ec)) {
            return ERROR_PATH_NOT_FOUND;
        }
        return qel::platform::error_from_errno(err);
    }
    if (std::fwrite(buffer.data(), 1, length, file.get()) != length || std::fflush(file.get()) != 0) {
        return ERROR_WRITE_FAULT;
    }
    return 0;
}

}  // namespace qel::dialup
