#include "platform/environment.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace qel::platform {

std::optional<std::string> env_value(const char* name) {
    const char* v = std::getenv(name);
    if (v == nullptr || *v == '\0') return std::nullopt;
    return std::string(v);
}

std::filesystem::path home_dir() {
    if (auto home = env_value("HOME")) return *home;
    if (const passwd* pw = getpwuid(getuid()); pw != nullptr && pw->pw_dir != nullptr) return pw->pw_dir;
    return "/";
}

std::filesystem::path user_data_dir() {
    if (auto xdg = env_value("XDG_DATA_HOME")) return std::filesystem::path(*xdg) / "qel";
    return home_dir() / ".local" / "share" / "qel";
}

std::filesystem::path runtime_dir() {
    if (auto xdg = env_value("XDG_RUNTIME_DIR")) return std::filesystem::path(*xdg) / "qel";
    return temp_dir() / ("qel-" + std::to_string(getuid()));
}

std::filesystem::path temp_dir() {
    if (auto tmp = env_value("TMPDIR")) return *tmp;
    return "/tmp";
}

}  // namespace qel::platform
