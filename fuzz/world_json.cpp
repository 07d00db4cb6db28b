// Fuzzes the simulator's world loader: any bytes must give a world or an error with a message,
// never crash; a world that loads keeps the limits (unique addresses, names within the stack's
// sizes) and comes back unchanged from its own JSON description.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string_view>

#include "sim/world.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace qel::sim;
    auto result = parse_world(std::string_view(reinterpret_cast<const char*>(data), size));
    if (auto* error = std::get_if<WorldError>(&result)) {
        if (error->message.empty()) std::abort();
        return 0;
    }
    const World& world = std::get<World>(result);
    std::set<BD_ADDR> addresses;
    for (const auto& d : world.devices) {
        if (!addresses.insert(d.address).second) std::abort();
        if (d.name.size() > BD_NAME_LEN || d.battery > 100 || d.battery < -1) std::abort();
        for (const auto& s : d.services) {
            if (s.name.size() > 100) std::abort();
        }
    }
    auto again = parse_world(world_to_json(world));
    if (!std::holds_alternative<World>(again) || !(std::get<World>(again) == world)) std::abort();
    return 0;
}
