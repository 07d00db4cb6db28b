// The program's main screen when run without a sub-command: the stack's configuration tree of
// both registry roots, then the trace switches.
#include <iostream>

#include "commands.h"
#include "platform/registry/registry.h"
#include "reg_print.h"
#include "trace/trace_switches.h"

namespace qelcfg {
namespace {

int show_overview() {
    std::cout << "Registry folder: " << qel::platform::registry_dir().string() << "\n\n";
    const LSTATUS rc = print_stack_registry(std::cout);
    std::cout << "\nTrace switches\n"
              << qel::trace::describe_trace_switches(qel::trace::read_trace_switches());
    return rc == ERROR_SUCCESS ? 0 : 1;
}

const DefaultActionRegistrar registrar{show_overview};

}  // namespace
}  // namespace qelcfg
