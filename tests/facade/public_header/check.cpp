// Compiled with nothing but the installed include folder on the path: the facade's public header
// must stand on its own, and a user's code can name its enumerations and delegates.
#include <qelcfg/QelConfig.h>
#include <qelcfg/QelDeviceTypes.h>
#include <qelcfg/QelPIMObject.h>
#include <qelcfg/QelVCalObject.h>

namespace {

[[maybe_unused]] void user_interface_code(qbtapiM::QelConfig& config) {
    config.SetCallbacks([](std::int64_t, const std::any&, std::int32_t) {}, std::any(1),
                        [](const std::any&) {}, std::any());
    [[maybe_unused]] qbtapiM::QEL_CONFIG_RETCODE rc = qbtapiM::CONFIG_SUCCESS;
    [[maybe_unused]] qbtapiM::QEL_ITEM_STATE state = qbtapiM::QEL_ITEM_STATE_CONNECTED;
    [[maybe_unused]] qbtapiM::QEL_HEADSET_CONTACT_ACCESS access = qbtapiM::HEADSET_CONTACT_AUTHORIZE;
    [[maybe_unused]] qbtapiM::_onFTPSendCompletion done;
    qbtapiM::QelConfig::ODS(false, "text");
}

}  // namespace
