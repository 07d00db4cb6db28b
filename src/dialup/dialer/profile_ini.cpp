#include "dialup/dialer/profile_ini.h"

#include <algorithm>
#include <fstream>
#include <optional>
#include <string>

namespace qel::dialup {
namespace {

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view trim(std::string_view text) {
    while (!text.empty() && is_blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && is_blank(text.back())) text.remove_suffix(1);
    return text;
}

char ascii_upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool same_name(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return ascii_upper(x) == ascii_upper(y); });
}

std::string_view unquote(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

// The value of `key` in the first section named `section`, or nothing.
std::optional<std::string> find_value(std::istream& in, std::string_view section, std::string_view key) {
    const std::string_view wanted_section = trim(section);
    const std::string_view wanted_key = trim(key);
    bool in_section = false;
    bool section_seen = false;
    std::string line;
    while (std::getline(in, line)) {
        const std::string_view text = trim(line);
        if (text.empty() || text.front() == ';') continue;
        if (text.front() == '[') {
            // A second section of the same name is not searched: the first one wins.
            if (in_section) return std::nullopt;
            const std::size_t close = text.find(']');
            const std::string_view name = trim(text.substr(1, close == std::string_view::npos ? text.npos : close - 1));
            in_section = !section_seen && same_name(name, wanted_section);
            section_seen = section_seen || in_section;
            continue;
        }
        if (!in_section) continue;
        const std::size_t equals = text.find('=');
        const std::string_view name = trim(text.substr(0, equals));
        if (!same_name(name, wanted_key)) continue;
        if (equals == std::string_view::npos) return std::string();
        return std::string(unquote(trim(text.substr(equals + 1))));
    }
    return std::nullopt;
}

}  // namespace

std::uint32_t get_private_profile_string(std::string_view section, std::string_view key,
                                         std::string_view default_value, std::span<char> buffer,
                                         const std::filesystem::path& file) {
    if (buffer.empty()) return 0;
    std::optional<std::string> value;
    try {
        std::ifstream in(file, std::ios::binary);
        if (in) value = find_value(in, section, key);
    } catch (...) {
        value.reset();  // an unreadable file counts as a missing one
    }
    std::string_view result;
    if (value) {
        result = *value;
    } else {
        result = default_value;
        while (!result.empty() && (result.back() == ' ' || result.back() == '\t')) result.remove_suffix(1);
    }
    const std::size_t copied = std::min(result.size(), buffer.size() - 1);
    std::copy_n(result.begin(), copied, buffer.begin());
    buffer[copied] = '\0';
    return static_cast<std::uint32_t>(copied);
}

}  // namespace qel::dialup
