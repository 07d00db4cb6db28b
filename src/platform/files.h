// Files and folders the system asks the platform for: unique temporary files, the user's
// documents folder and the system directory. The temporary folder itself is temp_dir()
// (environment.h: $TMPDIR, else /tmp).
//
// Failures return nothing and set the thread's last error; nothing here throws.
#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

#include "platform/win32.h"

namespace qel::platform {

// A temporary file name in `folder`: the folder, at most the first 3 characters of `prefix`, a
// number in upper-case hexadecimal (1 to 4 digits) and ".tmp", such as "/tmp/qel1A2F.tmp".
// With `unique` 0 a number is chosen whose file does not exist yet, and the file is created
// (empty, readable by its owner only) so that no one else gets the name; the caller deletes it.
// With another `unique` its low 16 bits are the number and nothing is created or checked.
// Last errors: ERROR_BUFFER_OVERFLOW when the folder is longer than MAX_PATH - 14 characters (the
// name must fit a MAX_PATH buffer), ERROR_INVALID_NAME for a "/" in the prefix, ERROR_PATH_NOT_FOUND
// when the folder does not exist, ERROR_FILE_EXISTS when every number is taken, else the error of
// creating the file.
std::optional<std::filesystem::path> temp_file_name(const std::filesystem::path& folder,
                                                    std::string_view prefix, UINT unique = 0);

// The user's documents folder: $XDG_DOCUMENTS_DIR, else the XDG_DOCUMENTS_DIR line of
// $XDG_CONFIG_HOME/user-dirs.dirs (~/.config/user-dirs.dirs) with "$HOME" expanded, else
// ~/Documents. Not created.
std::filesystem::path documents_dir();

// The platform's system directory, where the system looks for "providers.bin" and
// "providers.ini": $QEL_SYSTEM_DIR, else user_data_dir()/system. Not created.
std::filesystem::path system_dir();

}  // namespace qel::platform
