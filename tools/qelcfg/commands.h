// How the program's sub-commands are put together: each command file registers a function that
// adds its sub-command to the application, and may register the action run when no sub-command
// is given. Results are process exit codes: 0 success, 1 failure of the operation, 2 bad usage.
#pragma once

#include <CLI/CLI.hpp>

#include <functional>

namespace qelcfg {

using CommandSetup = std::function<void(CLI::App&)>;

// Registers a sub-command; `order` sorts them in the help text.
struct CommandRegistrar {
    CommandRegistrar(int order, CommandSetup setup);
};

// Registers what the program does when run without a sub-command (the last one registered wins).
struct DefaultActionRegistrar {
    explicit DefaultActionRegistrar(std::function<int()> action);
};

// Sub-commands report their result here; main returns it.
void set_exit_code(int code);

// The program runs on the simulated stack, whose installation record names the folder of the
// program's data (icons, the default access-point database). Commands that look data up there
// call this first: it writes the record when the registry has none and never changes one.
void ensure_installation_record();

}  // namespace qelcfg
