// The resource tables the platform layer ships. Texts are English; "&" marks the accelerator
// letter as the platform's menus write it.
#include <utility>

#include "platform/resources/resource_module.h"

namespace qel::platform {

// The Bluetooth control panel's device menu: one pop-up holding the commands the stack's user
// interface borrows for its own menus.
std::shared_ptr<const ResourceModule> builtin_bluetooth_control_panel() {
    auto commands = std::make_shared<Menu>();
    commands->items = {
        {2141, u"&Pair a new Bluetooth device...", nullptr},
        {2142, u"&List my Bluetooth devices", nullptr},
        {0, u"", nullptr},
        {2147, u"Bluetooth &preferences", nullptr},
        {0, u"", nullptr},
        {2159, u"Switch the radio &on", nullptr},
        {2160, u"Switch the radio o&ff", nullptr},
    };
    Menu device_menu;
    device_menu.items.push_back({0, u"&Bluetooth", std::move(commands)});

    auto module = std::make_shared<ResourceModule>();
    module->file_name = std::u16string(kBluetoothControlPanelModule);
    module->menus.emplace(kBluetoothControlPanelMenu, std::move(device_menu));
    return module;
}

}  // namespace qel::platform
