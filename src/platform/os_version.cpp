#include "platform/os_version.h"

#include <charconv>
#include <string>

#include "platform/environment.h"
#include "platform/last_error.h"

namespace qel::platform {
namespace {

bool read_number(std::string_view text, DWORD& value) {
    if (text.empty() || text.size() > 5) return false;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc{} && end == text.data() + text.size();
}

}  // namespace

std::optional<OsVersion> parse_os_version(std::string_view text) {
    auto space = text.find(' ');
    if (space == std::string_view::npos) return std::nullopt;
    std::string kind(text.substr(0, space));
    for (char& c : kind) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    OsVersion v;
    if (kind == "NT") {
        v.platform_id = VER_PLATFORM_WIN32_NT;
    } else if (kind == "9X") {
        v.platform_id = VER_PLATFORM_WIN32_WINDOWS;
    } else {
        return std::nullopt;
    }
    std::string_view number = text.substr(space + 1);
    auto dot = number.find('.');
    if (dot == std::string_view::npos) return std::nullopt;
    if (!read_number(number.substr(0, dot), v.major) || !read_number(number.substr(dot + 1), v.minor)) {
        return std::nullopt;
    }
    return v;
}

std::optional<OsVersion> os_version() {
    auto setting = env_value("QEL_PLATFORM_VERSION");
    if (!setting) return OsVersion{};
    auto v = parse_os_version(*setting);
    if (!v) set_last_error(ERROR_INVALID_DATA);
    return v;
}

}  // namespace qel::platform
