// The states the facade reports: QEL_ITEM_STATE, the state of every service, connection and
// dial-up link of a device, and QEL_HEADSET_CONTACT_ACCESS, what a headset may do with the
// computer's contacts. The numbers are part of the interface and never change.
#pragma once

#include <cstdint>

namespace qbtapiM {

enum QEL_ITEM_STATE : std::uint32_t {
    QEL_ITEM_STATE_DISCONNECTED = 1,
    QEL_ITEM_STATE_CONNECTED = 2,
    QEL_ITEM_STATE_CONNECTING = 3,
    QEL_ITEM_STATE_DISCONNECTING = 4,
};

enum QEL_HEADSET_CONTACT_ACCESS : std::uint32_t {
    HEADSET_NO_CONTACT_ACCESS = 0,
    HEADSET_CONTACT_ACCESS = 1,
    HEADSET_CONTACT_AUTHORIZE = 2,
};

}  // namespace qbtapiM
