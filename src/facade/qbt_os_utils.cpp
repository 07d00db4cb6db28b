#include "facade/qbt_os_utils.h"

#include <algorithm>

#include "platform/last_error.h"

namespace qbtapiM {

qbtOSUtils::qbtOSUtils() {
    // A missing library is no error of the caller's: its last error stays as it was.
    qel::platform::LastErrorPreserver keep;
    m_hBthProps = qel::platform::load_resource_module(qel::platform::kBluetoothControlPanelModule);
    m_hQelRez = qel::platform::load_resource_module(u"qelrez.dll");
    m_hFunctionDiscoveryFolder = qel::platform::load_resource_module(u"FunctionDiscoveryFolder.dll");
    m_hMainCpl = qel::platform::load_resource_module(u"main.cpl");
}

std::u16string qbtOSUtils::GetBluetoothControlPanelMenuString(UINT command_id) const {
    if (!m_hBthProps) return {};
    const auto* menu = m_hBthProps->menu(qel::platform::kBluetoothControlPanelMenu);
    if (menu == nullptr) return {};
    const auto* sub_menu = menu->sub_menu(0);
    if (sub_menu == nullptr) return {};
    auto text = sub_menu->item_text(command_id, MAX_PATH);
    if (!text) return {};
    std::u16string result = std::move(*text);
    result.erase(std::remove(result.begin(), result.end(), u'&'), result.end());
    return result;
}

}  // namespace qbtapiM
