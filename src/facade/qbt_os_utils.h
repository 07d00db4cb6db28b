// qbtOSUtils: the facade's helper for texts of the platform and of the stack. It loads, as data
// files, the platform's Bluetooth control panel ("bthprops.cpl"), the stack's resource library
// ("qelrez.dll") and two other platform resource libraries ("FunctionDiscoveryFolder.dll",
// "main.cpl"), keeps them while it lives and lets them go on destruction. A library that is
// missing is simply absent: its texts come back empty. One object is made per request.
#pragma once

#include <memory>
#include <string>

#include "platform/resources/resource_module.h"
#include "platform/win32.h"

namespace qbtapiM {

class qbtOSUtils {
public:
    qbtOSUtils();

    // The text of item `command_id` in the first sub-menu of the control panel's menu 2140 (at most
    // 259 characters, as read into a 260-character buffer), with every "&" removed. Empty when the
    // library, the menu, its sub-menu or the item is missing.
    std::u16string GetBluetoothControlPanelMenuString(UINT command_id) const;

private:
    std::shared_ptr<const qel::platform::ResourceModule> m_hBthProps;
    std::shared_ptr<const qel::platform::ResourceModule> m_hQelRez;
    std::shared_ptr<const qel::platform::ResourceModule> m_hFunctionDiscoveryFolder;
    std::shared_ptr<const qel::platform::ResourceModule> m_hMainCpl;
};

}  // namespace qbtapiM
