// "qelcfg controlpanel": the five menu texts the facade takes from the platform's Bluetooth
// control panel, one per line as "<operation>: <text>" (an empty text when the control panel
// lacks it). Always exit code 0: missing texts are no failure.
#include <iostream>

#include "commands.h"
#include "platform/utf.h"
#include "qelcfg/QelConfig.h"

namespace qelcfg {
namespace {

void print_strings() {
    using qbtapiM::QelConfig;
    const std::pair<const char*, std::u16string> lines[] = {
        {"GetAddaBluetoothDeviceString", QelConfig::GetAddaBluetoothDeviceString()},
        {"GetShowBluetoothDevicesString", QelConfig::GetShowBluetoothDevicesString()},
        {"GetOpenBluetoothSettingsString", QelConfig::GetOpenBluetoothSettingsString()},
        {"GetTurnBluetoothAdapterOnString", QelConfig::GetTurnBluetoothAdapterOnString()},
        {"GetTurnBluetoothAdapterOffString", QelConfig::GetTurnBluetoothAdapterOffString()},
    };
    for (const auto& [name, text] : lines) std::cout << name << ": " << qel::platform::utf16_to_utf8(text) << "\n";
}

void setup(CLI::App& app) {
    CLI::App* cmd = app.add_subcommand("controlpanel", "Show the menu texts taken from the Bluetooth control panel");
    cmd->callback([] {
        print_strings();
        set_exit_code(0);
    });
}

CommandRegistrar registrar{61, setup};

}  // namespace
}  // namespace qelcfg
