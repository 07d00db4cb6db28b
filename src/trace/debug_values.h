// The registry values that switch tracing on and off, read the way tracing reads them. Each
// function opens its key, reads, and closes it again; a key or value that cannot be read gives
// the documented default and never an error.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/win32.h"

namespace qel::trace {

// The stack's debug key. Its name is spelled "Software\QUORLAN\BTConfig\Debug" where the PIM
// library reads "LogIPAddr"; key names are case-insensitive, so both spellings name one key.
inline constexpr std::u16string_view kDebugKey = u"Software\\Quorlan\\BTConfig\\Debug";
inline constexpr std::u16string_view kPimDebugKey = u"Software\\QUORLAN\\BTConfig\\Debug";
inline constexpr std::u16string_view kInstallKey = u"Software\\Quorlan\\Install";
inline constexpr std::u16string_view kProtocolTraceKey =
    u"SOFTWARE\\Quorlan\\QUORLAN StackScope\\Protocol Trace Level 1";

// The facade's switches under HKEY_CURRENT_USER.
struct FacadeSwitches {
    std::int32_t level = 0;                     // 0 or 1
    std::optional<DWORD> app_trace_level;       // the values as found (nothing when absent)
    std::optional<DWORD> trace_level;           // read only when "app_trace_level" is absent
    std::u16string log_file_name;               // "LogFileName", empty when absent or too long
};

// "app_trace_level" decides when it can be read; "trace_level" only when it cannot. The level is
// 1 when the deciding value is non-zero. "LogFileName" is read into 260 bytes (129 characters and
// the terminator); a longer value leaves the name empty.
FacadeSwitches read_facade_switches();

// A 32-bit value ("LoggingEnabled", "LogIPAddr", "OPP"...) under `root`\`key`, or nothing.
// Data shorter than 4 bytes reads as a number with its upper bytes zero.
std::optional<DWORD> read_dword(bool machine, std::u16string_view key, std::u16string_view name);

// "INSTALLDIR" of the installation record (HKEY_LOCAL_MACHINE "Software\Quorlan\Install"), at
// most 260 characters, as UTF-8; empty when it cannot be read.
std::string read_install_dir();

}  // namespace qel::trace
