// Texts of result codes, base-UUID tests and the process-wide backend factory.
#include <cstdio>
#include <mutex>

#include "facade/stackapi/qbt_types.h"
#include "facade/stackapi/stack_backend.h"

std::string qbt_rc_text(QBtRc rc) {
    const char* name = nullptr;
    switch (rc) {
        case QBT_SUCCESS: name = "success"; break;
        case QBT_STATUS_DISCONNECTED: name = "disconnected"; break;
        case QBT_ERR_SERVER_UNREACHABLE: name = "stack server unreachable"; break;
        case QBT_ERR_NO_RESOURCES: name = "no resources"; break;
        case QBT_STATUS_PORT_READY: name = "port ready"; break;
        case QBT_ERR_INVALID_HANDLE: name = "invalid handle"; break;
        case QBT_ERR_SYNC_ABORTED: name = "synchronisation aborted"; break;
        case QBT_ERR_DEVICE_UNREACHABLE: name = "device unreachable"; break;
        case QBT_STATUS_CONNECTION_CLOSED: name = "connection closed"; break;
        case QBT_STATUS_REMOTE_CLOSED: name = "closed by the remote device"; break;
        case QBT_STATUS_LINK_LOST: name = "link lost"; break;
        case QBT_AUDIO_DEMAND_HEADSET_NOT_CONNECTED: name = "audio demand, headset not connected"; break;
        case QBT_ERR_HFP_DUN_ACTIVE: name = "hands-free or dial-up active"; break;
        case QBT_ERR_NOT_CONNECTED: name = "not connected to the stack server"; break;
        case QBT_ERR_INVALID_PARAMETER: name = "invalid parameter"; break;
        case QBT_ERR_UNKNOWN_DEVICE: name = "unknown device"; break;
        case QBT_ERR_UNKNOWN_SERVICE: name = "unknown service"; break;
        case QBT_ERR_BUSY: name = "busy"; break;
        case QBT_ERR_NOT_SUPPORTED: name = "not supported"; break;
        case QBT_ERR_NOT_CONNECTED_TO_DEVICE: name = "no such connection"; break;
        case QBT_ERR_FAILED: name = "failed"; break;
        default: break;
    }
    char buf[80];
    if (name) {
        std::snprintf(buf, sizeof buf, "0x%08X %s", unsigned(rc), name);
    } else {
        std::snprintf(buf, sizeof buf, "0x%08X", unsigned(rc));
    }
    return buf;
}

bool qbt_is_base_guid(const GUID& guid, std::uint32_t* uuid16) {
    const GUID base = qbt_base_guid(guid.Data1);
    if (!(guid == base)) return false;
    if (uuid16) *uuid16 = guid.Data1;
    return true;
}

namespace qel::stackapi {

namespace {

struct FactorySlot {
    std::mutex mutex;  // guards factory
    BackendFactory factory;
};

FactorySlot& factory_slot() {
    static FactorySlot slot;
    return slot;
}

}  // namespace

BackendFactory set_backend_factory(BackendFactory factory) {
    auto& slot = factory_slot();
    std::lock_guard lock(slot.mutex);
    std::swap(slot.factory, factory);
    return factory;
}

std::unique_ptr<StackBackend> make_backend() {
    BackendFactory factory;
    {
        auto& slot = factory_slot();
        std::lock_guard lock(slot.mutex);
        factory = slot.factory;
    }
    return factory ? factory() : nullptr;
}

}  // namespace qel::stackapi
