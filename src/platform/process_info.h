// Facts about the running process that the system asks the operating system about.
// Promises: thread-safe; no exceptions.
#pragma once

#include <filesystem>
#include <optional>

namespace qel::platform {

// Whether the process is a 32-bit process running on a 64-bit system (WOW64). Always false on
// Linux, unless a test has set an answer with set_wow64_for_tests.
bool is_wow64_process() noexcept;

// Makes is_wow64_process answer `answer` (nullopt: the real answer again). Tests only.
void set_wow64_for_tests(std::optional<bool> answer) noexcept;

// The running program's file (the platform's module file name of the executable), or nothing when
// the operating system does not say.
std::optional<std::filesystem::path> executable_path() noexcept;

}  // namespace qel::platform
