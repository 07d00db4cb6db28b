// Machine-wide records that the stack's installation and the platform keep for a simulated
// world, outside the stack's own configuration tree:
//  - the platform's modem class entry of a phone modem: HKEY_LOCAL_MACHINE
//    "SYSTEM\CurrentControlSet\Control\Class\{4D36E96D-E325-11CE-BFC1-08002BE10318}\NNNN" with
//    "AttachedTo" = "COMn", "FriendlyName" and "DriverDesc", as the platform's modem installer
//    leaves it for a Bluetooth modem; the dialer finds its modem there by COM port;
//  - the installation record "Software\Quorlan\Install" with "INSTALLDIR", the folder of the
//    program's data (icons, the default operator database), when the registry has none.
//
// Promises: instance numbers are the first free four-digit ones (the platform numbers them
// without gaps, and the dialer stops at the first gap); writing the entry of a port again
// updates that port's entry instead of adding one, keeping values others set ("UserInit").
// An installation record that exists is never changed. Failures come back as registry result
// codes; no exceptions.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "platform/win32.h"

namespace qel::sim {

inline constexpr char16_t kModemClassPath[] =
    u"SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E96D-E325-11CE-BFC1-08002BE10318}";

// Writes the modem entry for `port_name` ("COM7"); `instance` (may be null) receives its number.
LSTATUS write_modem_class_entry(std::string_view port_name, std::string_view friendly_name, int* instance = nullptr);

// The program's data folder: <folder of the running program>/../share/qelcfg/ (lexically
// normalised, with a trailing "/").
std::filesystem::path program_data_dir();

// Writes the installation record with INSTALLDIR = program_data_dir() when "INSTALLDIR" is
// missing or empty; ERROR_SUCCESS also when one was there already.
LSTATUS write_install_record_if_missing();

}  // namespace qel::sim
