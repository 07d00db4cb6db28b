// Receivers whose parts are not built yet: each only records that its event arrived (see
// pending_receivers.h). Not handled yet: everything these receivers are meant to do.
#include "facade/pending_receivers.h"

#include <memory>
#include <mutex>
#include <utility>

#include "facade/qel_config_access.h"
#include "trace/qel_trace.h"

namespace qbtapiM {
namespace detail {
namespace {

// `lock` guards `probe`; the probe itself is immutable once installed.
struct ProbeSlot {
    std::mutex lock;
    std::shared_ptr<const PendingProbe> probe;
};

ProbeSlot& probe_slot() {
    static ProbeSlot slot;
    return slot;
}

std::shared_ptr<const PendingProbe> swap_probe(std::shared_ptr<const PendingProbe> probe) {
    auto& slot = probe_slot();
    std::lock_guard guard(slot.lock);
    std::swap(slot.probe, probe);
    return probe;
}

PendingEvent event_for(const QelConfig& facade, const char* receiver) {
    PendingEvent e;
    e.facade = &facade;
    e.instance_index = QelConfigAccess::instance_index(facade);
    e.receiver = receiver;
    return e;
}

void set_name(PendingEvent& e, const char* name) {
    e.name = name;
    if (name != nullptr) e.name_text = std::string(name);
}

void set_wide_name(PendingEvent& e, const char16_t* name) {
    e.wide_name = name;
    if (name != nullptr) e.wide_name_text = std::u16string(name);
}

void port_event(const QelConfig& facade, const char* receiver, const BD_ADDR& bda, const DEV_CLASS& devClass,
                const char* bdName, const GUID& guid, std::int16_t sComPort, std::int32_t lError) {
    auto e = event_for(facade, receiver);
    e.address = bda;
    e.dev_class = devClass;
    set_name(e, bdName);
    e.guid = guid;
    e.numbers = {sComPort, lError};
    note_pending(e);
}

}  // namespace

ScopedPendingProbe::ScopedPendingProbe(PendingProbe probe)
    : previous_(swap_probe(std::make_shared<const PendingProbe>(std::move(probe)))) {}

ScopedPendingProbe::~ScopedPendingProbe() { swap_probe(std::move(previous_)); }

void note_pending(const PendingEvent& event) {
    QelTrace("QelConfig::%s not handled yet", event.receiver.c_str());
    std::shared_ptr<const PendingProbe> probe;
    {
        auto& slot = probe_slot();
        std::lock_guard guard(slot.lock);
        probe = slot.probe;
    }
    if (probe && *probe) (*probe)(event);
}

}  // namespace detail

using detail::event_for;
using detail::note_pending;

// Not handled yet: headset and audio-gateway connection states.
void QelConfig::HSPStateChangeCallback(const BdAddr& bda, const DevClass& devClass, const char* bdName,
                                       std::int32_t lHandle, std::int32_t lStatus) {
    auto e = event_for(*this, "HSPStateChangeCallback");
    e.address = bda;
    e.dev_class = devClass;
    detail::set_name(e, bdName);
    e.numbers = {lHandle, lStatus};
    note_pending(e);
}

// Not handled yet: local service states.
void QelConfig::LocalServiceStateChangedCallback(const tBT_SERVICE_INFO* pInfo) {
    auto e = event_for(*this, "LocalServiceStateChangedCallback");
    e.record = pInfo;
    note_pending(e);
}

// Not handled yet: the dial-up connection flow.
void QelConfig::DunStateChangeCallback(const BdAddr& bda, const DevClass& devClass, const char* bdName,
                                       const GUID& guid, std::int16_t sComPort, std::int32_t lError) {
    detail::port_event(*this, "DunStateChangeCallback", bda, devClass, bdName, guid, sComPort, lError);
}

// Not handled yet: serial-port connection states.
void QelConfig::SppStateChangeCallback(const BdAddr& bda, const DevClass& devClass, const char* bdName,
                                       const GUID& guid, std::int16_t sComPort, std::int32_t lError) {
    detail::port_event(*this, "SppStateChangeCallback", bda, devClass, bdName, guid, sComPort, lError);
}

// Not handled yet: LAN-access connection states.
void QelConfig::LapStateChangeCallback(const BdAddr& bda, const DevClass& devClass, const char* bdName,
                                       const GUID& guid, std::int16_t sComPort, std::int32_t lError) {
    detail::port_event(*this, "LapStateChangeCallback", bda, devClass, bdName, guid, sComPort, lError);
}

// Not handled yet: the end of a service discovery.
void QelConfig::GapDiscoveryCallback() { note_pending(event_for(*this, "GapDiscoveryCallback")); }

// Not handled yet: a device found or seen again.
void QelConfig::DeviceFoundCallback(const BdAddr& bda, const DevClass& devClass, const char* bdName, int bConnected) {
    auto e = event_for(*this, "DeviceFoundCallback");
    e.address = bda;
    e.dev_class = devClass;
    detail::set_name(e, bdName);
    e.numbers = {bConnected};
    note_pending(e);
}

// Not handled yet: PIM synchronisation progress, end, abort and objects.
void QelConfig::OnSyncProgressCallback(const BdAddr& bda, std::int32_t lDataType, std::int32_t lCurrent,
                                       std::int32_t lTotal, std::int32_t lError) {
    auto e = event_for(*this, "OnSyncProgressCallback");
    e.address = bda;
    e.numbers = {lDataType, lCurrent, lTotal, lError};
    note_pending(e);
}

void QelConfig::OnSyncSynchronizeCallback(const BdAddr& bda, std::int32_t lError) {
    auto e = event_for(*this, "OnSyncSynchronizeCallback");
    e.address = bda;
    e.numbers = {lError};
    note_pending(e);
}

void QelConfig::OnSyncAbortCallback(std::int32_t lError) {
    auto e = event_for(*this, "OnSyncAbortCallback");
    e.numbers = {lError};
    note_pending(e);
}

void QelConfig::OnSyncObjectCallback(std::int32_t lDataType, std::int32_t lAction, const char16_t* name) {
    auto e = event_for(*this, "OnSyncObjectCallback");
    e.numbers = {lDataType, lAction};
    detail::set_wide_name(e, name);
    note_pending(e);
}

// Not handled yet: backup and restore progress.
void QelConfig::BackupRestoreStatusChange(std::uint32_t dwObjectType, std::uint32_t dwCurrent, std::uint32_t nTotal) {
    auto e = event_for(*this, "BackupRestoreStatusChange");
    e.numbers = {dwObjectType, dwCurrent, nTotal};
    note_pending(e);
}

void QelConfig::BackupRestoreObjectCallback(std::uint32_t dwObjectType, std::uint32_t nAction, const char16_t* name) {
    auto e = event_for(*this, "BackupRestoreObjectCallback");
    e.numbers = {dwObjectType, nAction};
    detail::set_wide_name(e, name);
    note_pending(e);
}

// Not handled yet: the device-query thread's work; the thread ends at once with 0.
std::uint32_t QelConfig::DiscoverDeviceDetailsInternal() {
    note_pending(event_for(*this, "DiscoverDeviceDetailsInternal"));
    return 0;
}

// Not handled yet: the dial-up notification thread's work; the thread ends at once with 0.
std::uint32_t QelConfig::DialupNotificationThreadProcInternal() {
    note_pending(event_for(*this, "DialupNotificationThreadProcInternal"));
    return 0;
}

// Not handled yet: file-transfer completions.
void QelConfig::FTPSendCompleteCallback() { note_pending(event_for(*this, "FTPSendCompleteCallback")); }

void QelConfig::RefreshCallback() { note_pending(event_for(*this, "RefreshCallback")); }

}  // namespace qbtapiM
