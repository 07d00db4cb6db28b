// Process environment and the per-user folders the platform stand-ins keep their data in.
// Each folder follows the XDG base-directory rules so a test can redirect it with one variable.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace qel::platform {

// The variable's value, or nothing when it is unset or empty.
std::optional<std::string> env_value(const char* name);

// $HOME, else the passwd entry's home directory, else "/".
std::filesystem::path home_dir();

// $XDG_DATA_HOME/qel, else ~/.local/share/qel. Not created.
std::filesystem::path user_data_dir();

// $XDG_RUNTIME_DIR/qel, else <temp dir>/qel-<uid>. Not created.
std::filesystem::path runtime_dir();

// $TMPDIR, else /tmp.
std::filesystem::path temp_dir();

}  // namespace qel::platform
