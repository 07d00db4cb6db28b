// The five menu texts the facade borrows from the platform's Bluetooth control panel.
#include "facade/qbt_os_utils.h"
#include "qelcfg/QelConfig.h"

namespace qbtapiM {
namespace {

// Command identifiers of the control panel's device menu.
constexpr UINT kAddDevice = 2141;
constexpr UINT kShowDevices = 2142;
constexpr UINT kOpenSettings = 2147;
constexpr UINT kTurnAdapterOn = 2159;
constexpr UINT kTurnAdapterOff = 2160;

std::u16string control_panel_string(UINT command_id) {
    qbtOSUtils utils;
    return utils.GetBluetoothControlPanelMenuString(command_id);
}

}  // namespace

std::u16string QelConfig::GetAddaBluetoothDeviceString() { return control_panel_string(kAddDevice); }

std::u16string QelConfig::GetShowBluetoothDevicesString() { return control_panel_string(kShowDevices); }

std::u16string QelConfig::GetOpenBluetoothSettingsString() { return control_panel_string(kOpenSettings); }

std::u16string QelConfig::GetTurnBluetoothAdapterOnString() { return control_panel_string(kTurnAdapterOn); }

std::u16string QelConfig::GetTurnBluetoothAdapterOffString() { return control_panel_string(kTurnAdapterOff); }

}  // namespace qbtapiM
