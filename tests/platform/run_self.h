// For platform tests that need a fresh process: runs this test program again with a changed
// environment, so that settings read once per process can be seen from their start.
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <string_view>
#include <vector>

extern char** environ;

namespace qel::test {

// Runs only the tests `filter` names, in a new process of this program whose environment is this
// one's without the variables named in `replaced`, plus the "NAME=value" entries of `added`. Its
// standard output is discarded. Returns its exit status, -1 when it did not run or exit normally.
inline int run_self(const std::string& filter, const std::vector<std::string>& replaced,
                    const std::vector<std::string>& added) {
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string_view entry(*e);
        bool keep = true;
        for (const auto& name : replaced) keep = keep && !entry.starts_with(name + "=");
        if (keep) env.emplace_back(entry);
    }
    env.insert(env.end(), added.begin(), added.end());
    std::vector<char*> envp;
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    std::string exe = "/proc/self/exe";
    std::string arg = "--gtest_filter=" + filter;
    char* argv[] = {exe.data(), arg.data(), nullptr};
    posix_spawn_file_actions_t quiet;  // the child's own test report would clutter ours
    posix_spawn_file_actions_init(&quiet);
    posix_spawn_file_actions_addopen(&quiet, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, exe.c_str(), &quiet, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&quiet);
    if (spawned != 0) return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace qel::test
