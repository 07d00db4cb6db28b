// Starting the phone modems of a world.
#include "sim/world_phones.h"

#include <filesystem>
#include <system_error>

#include "platform/serial/pseudo_terminal.h"

namespace qel::sim {

PhoneBehaviour phone_behaviour_of(const Device& device) {
    const PhoneSettings settings = device.phone ? *device.phone : PhoneSettings{};
    PhoneBehaviour b;
    b.operator_number = settings.operator_number;
    b.cdma = settings.cdma;
    b.model = settings.model.empty() ? device.name : settings.model;
    b.echo = settings.echo;
    b.context_range = settings.context_range;
    return b;
}

std::vector<WorldPhone> start_world_phones(const World& world, std::vector<std::string>* problems) {
    std::vector<WorldPhone> phones;
    const auto dir = platform::com_port_dir();
    if (!dir) return phones;
    auto report = [&](const Device& d, const std::string& what) {
        if (problems) problems->push_back(address_text(d.address) + " \"" + d.name + "\": " + what);
    };
    for (const auto& device : world.devices) {
        const Service* dun = device.dialup_service();
        if (!device.present || !dun) continue;
        const std::string port = "COM" + std::to_string(dun->com_port);
        std::error_code ec;
        if (std::filesystem::exists(*dir / port, ec)) {  // follows the link: a live target
            report(device, port + " is in use (" + (*dir / port).string() + " leads to a device)");
            continue;
        }
        std::string error;
        auto modem = PhoneModem::start(phone_behaviour_of(device), dun->com_port, &error);
        if (!modem) {
            report(device, error);
            continue;
        }
        phones.push_back(WorldPhone{device.address, std::move(modem)});
    }
    return phones;
}

}  // namespace qel::sim
