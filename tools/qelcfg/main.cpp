// qelcfg: the command-line face of the device-configuration library.
#include <algorithm>
#include <iostream>
#include <vector>

#include "commands.h"
#include "sim/registry/stack_machine_records.h"

namespace qelcfg {
namespace {

struct Registered {
    int order;
    CommandSetup setup;
};

std::vector<Registered>& registry() {
    static std::vector<Registered> r;
    return r;
}

std::function<int()>& default_action() {
    static std::function<int()> a;
    return a;
}

int g_exit_code = 0;

}  // namespace

CommandRegistrar::CommandRegistrar(int order, CommandSetup setup) {
    registry().push_back({order, std::move(setup)});
}

DefaultActionRegistrar::DefaultActionRegistrar(std::function<int()> action) {
    default_action() = std::move(action);
}

void set_exit_code(int code) { g_exit_code = code; }

void ensure_installation_record() { qel::sim::write_install_record_if_missing(); }

}  // namespace qelcfg

int main(int argc, char** argv) {
    CLI::App app{"qelcfg: device configuration of the Bluetooth stack"};
    app.require_subcommand(0, 1);
    auto& commands = qelcfg::registry();
    std::stable_sort(commands.begin(), commands.end(),
                     [](const auto& a, const auto& b) { return a.order < b.order; });
    for (auto& c : commands) c.setup(app);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return app.exit(e) == 0 ? 0 : 2;
    }
    if (app.get_subcommands().empty()) {
        if (auto& action = qelcfg::default_action()) return action();
        std::cout << app.help();
        return 0;
    }
    return qelcfg::g_exit_code;
}
