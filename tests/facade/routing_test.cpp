// The entry points: every stack callback, thread start and folder-engine completion reaches the
// facade whose instance index it carries, among several, with its arguments as given; events for
// a destroyed facade are dropped while the other facades keep receiving theirs.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "facade/callback_entry_points.h"
#include "facade_fixture.h"
#include "qelcfg/QelConfig.h"

using namespace qbtapiM;
using qel::test::FacadeTest;

namespace {

const BD_ADDR kAddress{0x00, 0x1A, 0x7D, 0xDA, 0x71, 0x13};
const DEV_CLASS kClass{0x5A, 0x02, 0x0C};
const GUID kGuid = qbt_base_guid(QBT_UUID_DIALUP_NETWORKING);
const char kName[] = "Phone \xC3\xA9";
const char16_t kWideName[] = u"Contacts \u00E9";

// One entry point, called with the user data `user`, and the event its receiver must record.
struct EntryCase {
    const char* receiver;
    std::function<void(std::uintptr_t user)> call;
    std::function<void(const detail::PendingEvent&)> check;
};

void expect_port_event(const detail::PendingEvent& e) {
    EXPECT_EQ(e.address, kAddress);
    EXPECT_EQ(e.dev_class, kClass);
    EXPECT_EQ(e.name, kName);
    EXPECT_EQ(e.name_text, std::string(kName));
    EXPECT_EQ(e.guid, kGuid);
    EXPECT_EQ(e.numbers, (std::vector<std::int64_t>{-3, static_cast<LONG>(QBT_STATUS_PORT_READY)}));
}

tBT_SERVICE_INFO g_service_info;
std::vector<EntryCase> entry_cases() {
    return {
        {"HSPStateChangeCallback",
         [](std::uintptr_t u) { HSPStateChangeCallbackExt(u, kAddress, kClass, kName, 17, -2122317358); },
         [](const detail::PendingEvent& e) {
             EXPECT_EQ(e.address, kAddress);
             EXPECT_EQ(e.dev_class, kClass);
             EXPECT_EQ(e.name, kName);
             EXPECT_EQ(e.numbers, (std::vector<std::int64_t>{17, -2122317358}));
         }},
        {"LocalServiceStateChangedCallback",
         [](std::uintptr_t u) { LocalServiceStateChangedCallbackExt(u, &g_service_info); },
         [](const detail::PendingEvent& e) { EXPECT_EQ(e.record, &g_service_info); }},
        {"DunStateChangeCallback",
         [](std::uintptr_t u) {
             DunStateChangeCallbackExt(u, kAddress, kClass, kName, kGuid, -3, QBT_STATUS_PORT_READY);
         },
         expect_port_event},
        {"SppStateChangeCallback",
         [](std::uintptr_t u) {
             SppStateChangeCallbackExt(u, kAddress, kClass, kName, kGuid, -3, QBT_STATUS_PORT_READY);
         },
         expect_port_event},
        {"LapStateChangeCallback",
         [](std::uintptr_t u) {
             LapStateChangeCallbackExt(u, kAddress, kClass, kName, kGuid, -3, QBT_STATUS_PORT_READY);
         },
         expect_port_event},
        {"GapDiscoveryCallback", [](std::uintptr_t u) { GAPDiscoveryCallbackExt(u, kAddress, 7, 0x81000181); },
         [](const detail::PendingEvent& e) {
             // The receiver takes none of the event's arguments.
             EXPECT_FALSE(e.address);
             EXPECT_TRUE(e.numbers.empty());
         }},
        {"DeviceFoundCallback", [](std::uintptr_t u) { OnDeviceFoundCallbackExt(u, kAddress, kClass, kName, 1); },
         [](const detail::PendingEvent& e) {
             EXPECT_EQ(e.address, kAddress);
             EXPECT_EQ(e.dev_class, kClass);
             EXPECT_EQ(e.name, kName);
             EXPECT_EQ(e.numbers, (std::vector<std::int64_t>{1}));
         }},
        {"OnSyncProgressCallback", [](std::uintptr_t u) { SyncProgressCallbackExt(u, kAddress, 2, 5, 40, -1); },
         [](const detail::PendingEvent& e) {
             EXPECT_EQ(e.address, kAddress);
             EXPECT_EQ(e.numbers, (std::vector<std::int64_t>{2, 5, 40, -1}));
         }},
        {"OnSyncSynchronizeCallback", [](std::uintptr_t u) { SyncSynchronizeCallbackExt(u, kAddress, 0x1234); },
         [](const detail::PendingEvent& e) {
             EXPECT_EQ(e.address, kAddress);
             EXPECT_EQ(e.numbers, (std::vector<std::int64_t>{0x1234}));
         }},
        {"OnSyncAbortCallback", [](std::uintptr_t u) { SyncAbortCallbackExt(u, -5); },
         [](const detail::PendingEvent& e) { EXPECT_EQ(e.numbers, (std::vector<std::int64_t>{-5})); }},
        {"OnSyncObjectCallback", [](std::uintptr_t u) { SyncObjectCallbackExt(u, kAddress, 4, 2, kWideName); },
         [](const detail::PendingEvent& e) {
             EXPECT_FALSE(e.address);  // the receiver takes type, action and name only
             EXPECT_EQ(e.numbers, (std::vector<std::int64_t>{4, 2}));
             EXPECT_EQ(e.wide_name, kWideName);
             EXPECT_EQ(e.wide_name_text, std::u16string(kWideName));
         }},
        {"BackupRestoreStatusChange", [](std::uintptr_t u) { BackupRestoreStatusExt(1, 16, 3, 9, u); },
         [](const detail::PendingEvent& e) { EXPECT_EQ(e.numbers, (std::vector<std::int64_t>{16, 3, 9})); }},
        {"BackupRestoreObjectCallback",
         [](std::uintptr_t u) { BackupRestoreObjectCallbackExt(1, 4, 1, kWideName, u); },
         [](const detail::PendingEvent& e) {
             EXPECT_EQ(e.numbers, (std::vector<std::int64_t>{4, 1}));
             EXPECT_EQ(e.wide_name, kWideName);
         }},
        {"DiscoverDeviceDetailsInternal", [](std::uintptr_t u) { EXPECT_EQ(DiscoverDeviceDetails(u), 0u); },
         [](const detail::PendingEvent&) {}},
        {"DialupNotificationThreadProcInternal",
         [](std::uintptr_t u) { EXPECT_EQ(DialupNotificationThreadProc(u), 0u); },
         [](const detail::PendingEvent&) {}},
    };
}

class RoutingTest : public FacadeTest {
protected:
    // Three facades; the middle one is the target of every event.
    QelConfig first_{0x111111111111};
    QelConfig target_{0x001A7DDA7113, true};
    QelConfig last_{0x333333333333};
};

}  // namespace

TEST_F(RoutingTest, EveryEntryPointReachesTheFacadeOfItsIndexWithItsArguments) {
    for (const auto& c : entry_cases()) {
        SCOPED_TRACE(c.receiver);
        const std::size_t before = pending().size();
        c.call(index_of(target_));
        auto events = pending();
        ASSERT_EQ(events.size(), before + 1);
        const auto& e = events.back();
        EXPECT_EQ(e.receiver, c.receiver);
        EXPECT_EQ(e.facade, &target_);
        EXPECT_EQ(e.instance_index, index_of(target_));
        c.check(e);
    }
}

TEST_F(RoutingTest, PendingReceiversTraceThatTheEventIsNotHandledYet) {
    qel::platform::DebugStreamCapture capture;
    SppStateChangeCallbackExt(index_of(target_), kAddress, kClass, kName, kGuid, 3, 0);
    EXPECT_TRUE(capture.contains("QELA: QelConfig::SppStateChangeCallback not handled yet"));
}

TEST_F(RoutingTest, UserDataIsNarrowedToA32BitIndex) {
    // The stack hands the user data back pointer-sized; only its low 32 bits are the index.
    const std::uintptr_t widened = (std::uintptr_t{1} << 32) | index_of(last_);
    SyncAbortCallbackExt(widened, 9);
    auto events = pending();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].facade, &last_);
}

TEST_F(RoutingTest, EventsForUnknownIndexesAreDropped) {
    const auto beyond = static_cast<std::uintptr_t>(detail::QelConfigAccess::instance_list().size());
    for (const auto& c : entry_cases()) c.call(beyond + 1000);
    EXPECT_TRUE(pending().empty());
}

TEST_F(RoutingTest, EventsForADestroyedFacadeAreDroppedAndOthersStillRoute) {
    auto doomed = std::make_unique<QelConfig>(0x444444444444);
    const std::uint32_t doomed_index = index_of(*doomed);
    const std::uint32_t last_index = index_of(last_);
    doomed.reset();

    for (const auto& c : entry_cases()) c.call(doomed_index);
    EXPECT_TRUE(pending().empty());

    // Indexes made before and after the destroyed one are unchanged.
    QelConfig later(0x555555555555);
    EXPECT_EQ(index_of(later), doomed_index + 1);
    for (const auto& c : entry_cases()) {
        c.call(last_index);
        c.call(index_of(later));
    }
    auto events = pending();
    ASSERT_EQ(events.size(), 2 * entry_cases().size());
    for (std::size_t i = 0; i < events.size(); i += 2) {
        EXPECT_EQ(events[i].facade, &last_);
        EXPECT_EQ(events[i + 1].facade, &later);
    }
}

TEST_F(RoutingTest, DisposeDropsLaterEventsAndTheDestructorTracesOnce) {
    qel::platform::DebugStreamCapture capture;
    {
        QelConfig disposed(0x666666666666);
        disposed.Dispose();
        SyncAbortCallbackExt(index_of(disposed), 1);
        disposed.Dispose(true);
    }
    EXPECT_TRUE(pending().empty());
    int entered = 0, left = 0;
    for (const auto& line : capture.lines()) {
        entered += line.find("+QelConfig::~QelConfig") != std::string::npos;
        left += line.find("-QelConfig::~QelConfig") != std::string::npos;
    }
    EXPECT_EQ(entered, 1);
    EXPECT_EQ(left, 1);
}

TEST_F(RoutingTest, DisposeFalseIsPlainFinalisationAndKeepsTheObjectReachable) {
    target_.Dispose(false);
    SyncAbortCallbackExt(index_of(target_), 1);
    ASSERT_EQ(pending().size(), 1u);
    EXPECT_EQ(pending()[0].facade, &target_);
}

TEST_F(RoutingTest, FolderEngineCompletionsGoToTheCurrentInstance) {
    auto& current = detail::QelConfigAccess::current_instance();
    current = index_of(last_);
    SendCompleteCb();
    current = index_of(first_);
    RefreshCb();
    auto events = pending();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].receiver, "FTPSendCompleteCallback");
    EXPECT_EQ(events[0].facade, &last_);
    EXPECT_EQ(events[1].receiver, "RefreshCallback");
    EXPECT_EQ(events[1].facade, &first_);
}
