#include "trace/trace_switches.h"

#include <cstdio>

#include "platform/text/text.h"
#include "trace/debug_values.h"
#include "trace/event_trace.h"
#include "trace/pim_log.h"
#include "trace/qel_trace.h"

namespace qel::trace {
namespace {

std::string number_or_absent(const std::optional<DWORD>& v) {
    return v ? std::to_string(*v) : std::string("(not set)");
}

std::string dotted(DWORD a) {
    char text[16];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", (a >> 24) & 0xFF, (a >> 16) & 0xFF,
                  (a >> 8) & 0xFF, a & 0xFF);
    return text;
}

}  // namespace

TraceSwitches read_trace_switches() {
    TraceSwitches s;
    const FacadeSwitches facade = read_facade_switches();
    s.trace_level = facade.level;
    s.app_trace_level = facade.app_trace_level;
    s.trace_level_value = facade.trace_level;
    s.log_file_name = facade.log_file_name;
    s.logging_enabled = read_dword(true, kDebugKey, u"LoggingEnabled");
    s.event_trace_library_loaded = event_trace_library_loaded();
    s.event_trace_library_not_found = g_fWppTracingLibNotFound.load() != 0;
    s.log_ip_addr = read_dword(false, kPimDebugKey, u"LogIPAddr");
    s.opp_level = read_dword(false, kProtocolTraceKey, u"OPP");
    s.goep_trace_level = goep_trace_level.load();
    s.process_trace_level = facade_trace_level();
    return s;
}

std::string describe_trace_switches(const TraceSwitches& s) {
    std::string out;
    out += "trace level: " + std::string(s.trace_level != 0 ? "on" : "off");
    if (s.app_trace_level)
        out += " (app_trace_level " + std::to_string(*s.app_trace_level) + ")";
    else if (s.trace_level_value)
        out += " (trace_level " + std::to_string(*s.trace_level_value) + ")";
    out += "\n";
    out += "log file: " +
           (s.log_file_name.empty() ? std::string("(none)")
                                    : qel::platform::from_utf16(s.log_file_name, CP_UTF8)) +
           "\n";
    out += "LoggingEnabled: " + number_or_absent(s.logging_enabled) + "\n";
    out += "event-trace library: " +
           std::string(s.event_trace_library_loaded      ? "loaded"
                       : s.event_trace_library_not_found ? "not found"
                                                         : "not loaded") +
           "\n";
    out += "LogIPAddr: " +
           (s.log_ip_addr ? (*s.log_ip_addr == 0 ? std::string("0 (off)") : dotted(*s.log_ip_addr))
                          : std::string("(not set)")) +
           "\n";
    out += "OPP level: " +
           (s.opp_level ? std::to_string(*s.opp_level & 0xFF) : std::string("(not set)")) +
           " (in use: " + std::to_string(s.goep_trace_level) + ")\n";
    return out;
}

void reset_trace_for_tests() noexcept {
    reset_facade_trace();
    reset_event_trace();
    reset_pim_log();
}

}  // namespace qel::trace
