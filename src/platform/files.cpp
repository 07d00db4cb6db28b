#include "platform/files.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <random>
#include <string>

#include "platform/environment.h"
#include "platform/last_error.h"

namespace qel::platform {
namespace {

constexpr std::size_t kTempPrefixLength = 3;
constexpr std::size_t kLongestTempFolder = MAX_PATH - 14;
constexpr unsigned kTempNumbers = 0xFFFF;

std::filesystem::path temp_name(const std::filesystem::path& folder, std::string_view prefix, unsigned number) {
    char digits[8];
    std::snprintf(digits, sizeof digits, "%X", number & 0xFFFFu);
    return folder / (std::string(prefix) + digits + ".tmp");
}

// Where the search for a free number starts: random, so that processes creating temporary
// files at the same time rarely probe the same names.
unsigned first_number() {
    thread_local std::mt19937 random{std::random_device{}()};
    return std::uniform_int_distribution<unsigned>(1, kTempNumbers)(random);
}

// The value of an XDG_DOCUMENTS_DIR line of user-dirs.dirs: "$HOME/..." or an absolute path,
// in double quotes with backslash escapes.
std::optional<std::filesystem::path> parse_user_dir(std::string_view value) {
    if (value.size() < 2 || value.front() != '"') return std::nullopt;
    std::string text;
    std::size_t i = 1;
    for (; i < value.size() && value[i] != '"'; ++i) {
        if (value[i] == '\\' && i + 1 < value.size()) ++i;
        text += value[i];
    }
    if (i >= value.size()) return std::nullopt;  // no closing quote
    if (text.starts_with("$HOME")) {
        const std::string rest = text.substr(5);
        if (!rest.empty() && rest.front() != '/') return std::nullopt;
        return rest.size() <= 1 ? home_dir() : home_dir() / rest.substr(1);
    }
    if (text.starts_with("/")) return std::filesystem::path(text);
    return std::nullopt;
}

std::optional<std::filesystem::path> documents_from_user_dirs() {
    const auto config = env_value("XDG_CONFIG_HOME");
    const std::filesystem::path file =
        (config ? std::filesystem::path(*config) : home_dir() / ".config") / "user-dirs.dirs";
    std::ifstream in(file);
    std::optional<std::filesystem::path> found;
    for (std::string line; std::getline(in, line);) {
        const auto start = line.find_first_not_of(" \t");
        if (start == std::string::npos) continue;
        const std::string_view rest = std::string_view(line).substr(start);
        constexpr std::string_view key = "XDG_DOCUMENTS_DIR=";
        if (!rest.starts_with(key)) continue;
        if (auto path = parse_user_dir(rest.substr(key.size()))) found = path;  // the last line wins
    }
    return found;
}

}  // namespace

std::optional<std::filesystem::path> temp_file_name(const std::filesystem::path& folder,
                                                    std::string_view prefix, UINT unique) {
    if (folder.native().size() > kLongestTempFolder) {
        set_last_error(ERROR_BUFFER_OVERFLOW);
        return std::nullopt;
    }
    prefix = prefix.substr(0, kTempPrefixLength);
    if (prefix.find('/') != std::string_view::npos) {
        set_last_error(ERROR_INVALID_NAME);
        return std::nullopt;
    }
    if (unique != 0) return temp_name(folder, prefix, unique);

    const unsigned start = first_number();
    for (unsigned i = 0; i < kTempNumbers; ++i) {
        const unsigned number = (start - 1 + i) % kTempNumbers + 1;
        std::filesystem::path path = temp_name(folder, prefix, number);
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd >= 0) {
            ::close(fd);
            return path;
        }
        if (errno == EEXIST) continue;
        set_last_error(errno == ENOENT || errno == ENOTDIR ? ERROR_PATH_NOT_FOUND : error_from_errno(errno));
        return std::nullopt;
    }
    set_last_error(ERROR_FILE_EXISTS);
    return std::nullopt;
}

std::filesystem::path documents_dir() {
    if (auto xdg = env_value("XDG_DOCUMENTS_DIR")) return *xdg;
    if (auto configured = documents_from_user_dirs()) return *configured;
    return home_dir() / "Documents";
}

std::filesystem::path system_dir() {
    if (auto dir = env_value("QEL_SYSTEM_DIR")) return *dir;
    return user_data_dir() / "system";
}

}  // namespace qel::platform
