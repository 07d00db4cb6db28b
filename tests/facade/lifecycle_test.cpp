// The facade object's own life: construction and Init, the getters, SetCallbacks and the
// caller's delegates (user data handed back unchanged), DeviceChangeNotification, disposal.
#include <memory>
#include <string>
#include <vector>

#include "facade/callback_entry_points.h"
#include "facade_fixture.h"
#include "platform/sync/event.h"
#include "qelcfg/QelConfig.h"

using namespace qbtapiM;
using qbtapiM::detail::QelConfigAccess;
using qel::test::FacadeTest;

namespace {

class LifecycleTest : public FacadeTest {};

std::size_t count_containing(const std::vector<std::string>& lines, const std::string& text) {
    std::size_t n = 0;
    for (const auto& line : lines) n += line.find(text) != std::string::npos;
    return n;
}

}  // namespace

TEST_F(LifecycleTest, ConstructionInitialisesTheObject) {
    qel::platform::DebugStreamCapture capture;
    QelConfig automatic(0x0000001A7DDA7113);
    QelConfig manual(-1, true);

    EXPECT_EQ(automatic.getmyBDA(), 0x0000001A7DDA7113);
    EXPECT_EQ(manual.getmyBDA(), -1);
    EXPECT_FALSE(QelConfigAccess::manual_mode(automatic));
    EXPECT_TRUE(QelConfigAccess::manual_mode(manual));
    EXPECT_EQ(index_of(manual), index_of(automatic) + 1);

    for (const QelConfig* f : {&automatic, &manual}) {
        EXPECT_EQ(QelConfigAccess::last_error(*f), HEADSET_CONFIG_SUCCESS);
        EXPECT_EQ(QelConfigAccess::extended_error(*f), 0u);
        auto states = QelConfigAccess::states(*f);
        EXPECT_EQ(states.dialup, QEL_ITEM_STATE_DISCONNECTED);
        EXPECT_EQ(states.headset, QEL_ITEM_STATE_DISCONNECTED);
        EXPECT_EQ(states.audio_gateway, QEL_ITEM_STATE_DISCONNECTED);
        EXPECT_FALSE(QelConfigAccess::initialized(*f));
        EXPECT_TRUE(f->getDeviceName().empty());
        EXPECT_TRUE(f->getComputerName().empty());
    }

    // Four distinct manual-reset events, none signalled.
    auto& h = QelConfigAccess::handles(manual);
    const qel::platform::WaitHandle events[] = {h.m_hDiscCompleteEvent, h.m_hStop, h.m_hStartDialupNotif,
                                                h.m_hDiscThrdExited};
    for (std::size_t i = 0; i < 4; ++i) {
        ASSERT_TRUE(qel::platform::is_event(events[i]));
        EXPECT_EQ(qel::platform::wait_for_single_object(events[i], 0), WAIT_TIMEOUT);
        for (std::size_t j = 0; j < i; ++j) EXPECT_FALSE(events[i] == events[j]);
    }
    ASSERT_TRUE(qel::platform::set_event(h.m_hStop));
    EXPECT_EQ(qel::platform::wait_for_single_object(h.m_hStop, 0), WAIT_OBJECT_0);
    EXPECT_EQ(qel::platform::wait_for_single_object(h.m_hStop, 0), WAIT_OBJECT_0);  // manual reset
    EXPECT_FALSE(h.m_hDiscvyThrd.has_value());

    EXPECT_EQ(count_containing(capture.lines(), "QELA: +QelConfig::QelConfig"), 2u);
    EXPECT_EQ(count_containing(capture.lines(), "QELA: -QelConfig::QelConfig"), 2u);
}

TEST_F(LifecycleTest, DelegatesGetTheCallersUserDataUnchanged) {
    QelConfig facade(0x0000001A7DDA7113);
    struct CallerPage {
        int device_changes = 0;
    } page;
    auto shared = std::make_shared<std::string>("page state");

    std::vector<const void*> seen;
    facade.SetCallbacks(nullptr, std::any(shared),
                        [&](const std::any& u) {
                            auto* p = std::any_cast<CallerPage*>(u);
                            ++p->device_changes;
                            seen.push_back(p);
                        },
                        std::any(&page));
    EXPECT_TRUE(QelConfigAccess::initialized(facade));

    facade.DeviceChangeNotification();
    OnDeviceStatusCallbackExt(index_of(facade), 0, 0);
    EXPECT_EQ(page.device_changes, 2);
    EXPECT_EQ(seen, (std::vector<const void*>{&page, &page}));
}

TEST_F(LifecycleTest, ServiceStatusDelegateGetsAddressUserDataAndStatus) {
    QelConfig facade(0x00000A0B0C0D0E0F);
    auto shared = std::make_shared<int>(7);
    std::vector<std::tuple<std::int64_t, std::shared_ptr<int>, std::int32_t>> calls;
    facade.SetCallbacks(
        [&](std::int64_t bda, const std::any& u, std::int32_t status) {
            calls.emplace_back(bda, std::any_cast<std::shared_ptr<int>>(u), status);
        },
        std::any(shared), nullptr, {});
    QelConfigAccess::notify_service_status_change(facade, 0);
    QelConfigAccess::notify_service_status_change(facade, static_cast<std::int32_t>(0x810001D2));
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(std::get<0>(calls[0]), 0x00000A0B0C0D0E0F);
    EXPECT_EQ(std::get<1>(calls[0]), shared);  // the very object the caller registered
    EXPECT_EQ(std::get<2>(calls[0]), 0);
    EXPECT_EQ(std::get<2>(calls[1]), static_cast<std::int32_t>(0x810001D2));
}

TEST_F(LifecycleTest, SetCallbacksAgainReplacesBothDelegatesAndUserData) {
    QelConfig facade(1);
    qel::platform::DebugStreamCapture capture;
    std::vector<int> seen;
    facade.SetCallbacks(nullptr, {}, [&](const std::any& u) { seen.push_back(std::any_cast<int>(u)); }, std::any(1));
    facade.DeviceChangeNotification();
    facade.SetCallbacks(nullptr, {}, [&](const std::any& u) { seen.push_back(100 + std::any_cast<int>(u)); },
                        std::any(2));
    facade.DeviceChangeNotification();
    facade.SetCallbacks(nullptr, {}, nullptr, std::any(3));
    facade.DeviceChangeNotification();  // without a delegate it only traces
    OnDeviceStatusCallbackExt(index_of(facade), 0, 0);
    EXPECT_EQ(seen, (std::vector<int>{1, 102}));
    EXPECT_EQ(count_containing(capture.lines(), "QELA: +QelConfig::DeviceChangeNotification"), 4u);
    EXPECT_EQ(count_containing(capture.lines(), "QELA: -QelConfig::DeviceChangeNotification"), 4u);
}

TEST_F(LifecycleTest, ADelegateMayDestroyItsOwnFacade) {
    auto facade = std::make_unique<QelConfig>(1);
    const std::uint32_t index = index_of(*facade);
    bool destroyed = false;
    facade->SetCallbacks(nullptr, {},
                         [&](const std::any&) {
                             facade.reset();
                             destroyed = true;
                         },
                         {});
    OnDeviceStatusCallbackExt(index, 0, 0);  // must neither deadlock nor touch the freed object
    EXPECT_TRUE(destroyed);
    EXPECT_FALSE(QelConfigAccess::instance_list().find(index));
}
