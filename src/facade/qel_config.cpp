// QelConfig's life: construction and Init, the instance list, disposal, the caller's delegates
// and the getters.
#include <utility>

#include "facade/instance_registry.h"
#include "facade/qel_config_access.h"
#include "config/pim_cfg.h"
#include "config/profile_app_cfg.h"
#include "config/profile_service_cfg.h"
#include "facade/stackapi/cqbtapi.h"
#include "platform/sync/event.h"
#include "trace/qel_trace.h"

namespace qbtapiM {

std::atomic<std::uint32_t> QelConfig::m_dwCurrentInstance{0};
std::atomic<std::uint32_t> QelConfig::m_dwCurrentFolderID{0};
constinit detail::InstanceRegistry QelConfig::m_ConfigList;

QelConfig::QelConfig(std::int64_t bda) : QelConfig(bda, false) {}

QelConfig::QelConfig(std::int64_t bda, bool bManualMode) {
    QelTrace("+QelConfig::QelConfig");
    m_myBDA = bda;
    Init();
    m_bManualMode = bManualMode;
    QelTrace("-QelConfig::QelConfig");
}

void QelConfig::Init() {
    m_dwInstanceIndex = m_ConfigList.append(this);

    m_dwLastError = HEADSET_CONFIG_SUCCESS;
    m_dwExtendedError = 0;
    m_AGserviceState = QEL_ITEM_STATE_DISCONNECTED;
    m_HeadsetServiceState = QEL_ITEM_STATE_DISCONNECTED;
    m_dialupServiceState = QEL_ITEM_STATE_DISCONNECTED;
    m_hRasConn = nullptr;

    // The twenty store lists start empty; the six serial-port lists stay empty until the service
    // inventory fills them.
    for (StoreLists* lists : {&m_PhoneStore, &m_CalendarStore, &m_MessageStore, &m_NotesStore}) *lists = {};

    {
        std::lock_guard guard(m_callbackLock);
        _onServiceStatusChange = nullptr;
        _onServiceStatusChangeUserData.reset();
        _onDeviceChangeNotification = nullptr;
        m_deviceChangeUserData.reset();
    }
    m_pFTPServiceCfg.reset();
    m_pOppServiceCfg.reset();
    m_pSyncAppCfg.reset();
    m_pPimCfg.reset();
    m_hDevNotificationWnd = nullptr;
    m_hDevNotify = nullptr;
    m_hBluetoothDevNotify = nullptr;
    m_fIsDeviceEnabled = false;
    m_fIsBTAdapterTurnOnOffSupported = false;
    m_fInitialized = false;
    m_bQueryThrdCalled = false;

    m_handles = std::make_unique<Handles>();
    m_handles->m_hDiscCompleteEvent = qel::platform::create_event(true, false);
    m_handles->m_hStop = qel::platform::create_event(true, false);
    m_handles->m_hStartDialupNotif = qel::platform::create_event(true, false);
    m_handles->m_hDiscThrdExited = qel::platform::create_event(true, false);
}

QelConfig::~QelConfig() { Dispose_(); }

void QelConfig::Dispose() { Dispose(true); }

void QelConfig::Dispose(bool disposing) {
    if (disposing) Dispose_();
}

void QelConfig::Dispose_() {
    if (m_fDisposed) return;
    m_fDisposed = true;
    QelTrace("+QelConfig::~QelConfig");
    // From here on events for this object are dropped; events already being routed to it on
    // other threads are waited for.
    m_ConfigList.empty(m_dwInstanceIndex);
    QelTrace("-QelConfig::~QelConfig");
}

void QelConfig::SetCallbacks(_OnServiceStatusChange onServiceStatusChange, const std::any& userData,
                             _onDeviceChange onDeviceChange, const std::any& deviceChangeUserData) {
    QelTrace("+QelConfig::SetCallbacks");
    {
        std::lock_guard guard(m_callbackLock);
        _onServiceStatusChange = std::move(onServiceStatusChange);
        _onServiceStatusChangeUserData = userData;
        _onDeviceChangeNotification = std::move(onDeviceChange);
        m_deviceChangeUserData = deviceChangeUserData;
    }
    m_fInitialized = true;
    QelTrace("-QelConfig::SetCallbacks");
}

void QelConfig::DeviceChangeNotification() {
    QelTrace("+QelConfig::DeviceChangeNotification");
    _onDeviceChange delegate;
    std::any userData;
    {
        std::lock_guard guard(m_callbackLock);
        delegate = _onDeviceChangeNotification;
        userData = m_deviceChangeUserData;
    }
    // The delegate may destroy this object: nothing below touches it.
    if (delegate) delegate(userData);
    QelTrace("-QelConfig::DeviceChangeNotification");
}

void QelConfig::NotifyServiceStatusChange(std::int32_t lStatus) {
    _OnServiceStatusChange delegate;
    std::any userData;
    {
        std::lock_guard guard(m_callbackLock);
        delegate = _onServiceStatusChange;
        userData = _onServiceStatusChangeUserData;
    }
    if (delegate) delegate(m_myBDA, userData, lStatus);
}

std::int64_t QelConfig::getmyBDA() const { return m_myBDA; }

std::u16string QelConfig::getDeviceName() const { return m_strDeviceName; }

std::u16string QelConfig::getComputerName() const { return m_strComputerName; }

bool QelConfig::IsWin7HelpEnabled() { return true; }

}  // namespace qbtapiM
