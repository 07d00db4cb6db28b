// Helpers shared by the test programs: a temporary folder removed afterwards, an environment
// variable set for one scope, and the location of the shared sample corpus.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace qel::test {

// A fresh directory under the temporary folder, removed with everything in it on destruction.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// Sets (or, with nullopt, unsets) an environment variable, restoring the old value on destruction.
class ScopedEnv {
public:
    ScopedEnv(std::string name, std::optional<std::string> value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
    std::optional<std::string> old_;
};

// The sample corpus of real-world PIM files beside the project checkout (QEL_CORPUS_DIR overrides),
// or nothing when it is absent; tests that need it skip with a message then.
std::optional<std::filesystem::path> corpus_dir();

// The project's source and build folders.
std::filesystem::path source_dir();
std::filesystem::path binary_dir();

std::string read_file(const std::filesystem::path& path);

// The built qelcfg program, or nothing when it is not built (tests skip then).
std::optional<std::filesystem::path> qelcfg_program();

// What a program run printed on its standard output (standard error is dropped) and its exit
// status (-1 when it did not exit normally or could not be started).
struct ProgramRun {
    int exit_code = -1;
    std::string out;
};

// Runs the built qelcfg with `args`, each passed as one argument, in this process's environment.
ProgramRun run_qelcfg(const std::vector<std::string>& args);

}  // namespace qel::test
