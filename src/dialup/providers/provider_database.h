// Building "providers.bin": the conversion of the public operator database (the
// "serviceproviders" XML format: country > provider > gsm > network-id and apn) into this
// system's providers document, and writing a providers document enciphered under the key root.
//
// Mapping: one "provider" element per GSM access point whose usage is "internet" or not given;
// "ID" lists the operator numbers of the access point's provider, each the digits of mcc followed
// by those of mnc read as one decimal number (262 + "01" -> 26201, 262 + "001" -> 262001),
// separated by ", ", without repeats; "APN" the access point's value, "Login" its username and
// "Password" its password when present. Access points without a value and providers without a
// network-id give nothing. Texts are written in the ANSI code page (characters it lacks become
// "?"). The order is that of the input.
// Thread-safety: no shared state.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

#include "platform/win32.h"

namespace qel::dialup {

struct ProviderDatabaseStats {
    std::size_t access_points = 0;  // "provider" elements written
    std::size_t skipped = 0;        // access points left out (usage, no value, no network-id)
};

// The providers document (8-bit text in the ANSI code page) for a serviceproviders document in
// UTF-8. False with *error set when the input does not parse or has no "serviceproviders" root.
bool providers_xml_from_serviceproviders(std::string_view serviceproviders_xml, std::string* providers_xml,
                                         ProviderDatabaseStats* stats, std::string* error);

// Enciphers a providers document with the key root (EncryptData) and writes it to path: 0, or
// the cipher's or the file's error code (ERROR_PATH_NOT_FOUND, ERROR_ACCESS_DENIED...).
DWORD write_provider_database(const std::filesystem::path& path, std::string_view providers_xml);

}  // namespace qel::dialup
