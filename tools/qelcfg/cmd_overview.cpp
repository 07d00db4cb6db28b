// The program's main screen when run without a sub-command: the embedded simulated stack is
// started (it writes its world's records as the stack would), then the stack's configuration tree
// of both registry roots and the trace switches are shown.
#include <iostream>

#include "commands.h"
#include "platform/registry/registry.h"
#include "reg_print.h"
#include "sim/simulator.h"
#include "trace/trace_switches.h"

namespace qelcfg {
namespace {

int show_overview() {
    std::string error;
    if (auto simulator = qel::sim::Simulator::shared(&error)) {
        const auto& world = simulator->world();
        std::cout << "Simulated stack: adapter \"" << world.adapter.name << "\", " << world.devices.size()
                  << " devices (qelcfg world show)\n";
    } else {
        std::cout << "Simulated stack not started: " << error << "\n";
    }
    std::cout << "Registry folder: " << qel::platform::registry_dir().string() << "\n\n";
    const LSTATUS rc = print_stack_registry(std::cout);
    std::cout << "\nTrace switches\n"
              << qel::trace::describe_trace_switches(qel::trace::read_trace_switches());
    return rc == ERROR_SUCCESS ? 0 : 1;
}

const DefaultActionRegistrar registrar{show_overview};

}  // namespace
}  // namespace qelcfg
