#include "sim_fixture.h"

namespace qel::sim::test {

namespace {

void on_port(const char* kind, QBtUserData user, const BD_ADDR& a, const char* name, const GUID& g, std::int16_t port,
             LONG state) {
    Received r;
    r.kind = kind;
    r.address = a;
    r.name = name;
    r.guid = g;
    r.port = port;
    r.status = state;
    Recorder::of(user).add(r);
}

void on_audio(const char* kind, QBtUserData user, const BD_ADDR& a, const char* name, LONG handle, LONG status) {
    Received r;
    r.kind = kind;
    r.address = a;
    r.name = name;
    r.port = handle;
    r.status = status;
    Recorder::of(user).add(r);
}

}  // namespace

void register_all(CQBtAPI& api, Recorder& rec) {
    const auto user = rec.user();
    api.SetOnSppStateChangeCallback(
        [](QBtUserData u, const BD_ADDR& a, const DEV_CLASS&, const char* n, const GUID& g, std::int16_t p, LONG s) {
            on_port("spp", u, a, n, g, p, s);
        },
        user);
    api.SetOnDunStateChangeCallback(
        [](QBtUserData u, const BD_ADDR& a, const DEV_CLASS&, const char* n, const GUID& g, std::int16_t p, LONG s) {
            on_port("dun", u, a, n, g, p, s);
        },
        user);
    api.SetOnLapStateChangeCallback(
        [](QBtUserData u, const BD_ADDR& a, const DEV_CLASS&, const char* n, const GUID& g, std::int16_t p, LONG s) {
            on_port("lap", u, a, n, g, p, s);
        },
        user);
    api.SetOnHAGConnectionStatusChangedCallback(
        [](QBtUserData u, const BD_ADDR& a, const DEV_CLASS&, const char* n, LONG h, LONG s) {
            on_audio("hag", u, a, n, h, s);
        },
        user);
    api.SetOnHSPConnectionStatusChangedCallback(
        [](QBtUserData u, const BD_ADDR& a, const DEV_CLASS&, const char* n, LONG h, LONG s) {
            on_audio("hsp", u, a, n, h, s);
        },
        user);
    api.SetOnDiscoveryEventCallback(
        [](QBtUserData u, const BD_ADDR& a, WORD records, LONG result) {
            Received r;
            r.kind = "discovery";
            r.address = a;
            r.port = records;
            r.status = result;
            Recorder::of(u).add(r);
        },
        user);
    api.SetOnDeviceFoundCallback(
        [](QBtUserData u, const BD_ADDR& a, const DEV_CLASS&, const char* name, int connected) {
            Received r;
            r.kind = "found";
            r.address = a;
            r.name = name;
            r.status = connected;
            Recorder::of(u).add(r);
        },
        user);
    api.SetOnDeviceStatusCallback(
        [](QBtUserData u, LONG device, LONG status) {
            Received r;
            r.kind = "status";
            r.port = device;
            r.status = status;
            Recorder::of(u).add(r);
        },
        user);
    api.SetOnLocalServiceStateChangeCallback(
        [](QBtUserData u, const tBT_SERVICE_INFO* info) {
            Received r;
            r.kind = "local";
            r.record = *info;
            r.address = info->remote_address();
            r.guid = info->service_guid();
            r.status = LONG(info->state());
            Recorder::of(u).add(r);
        },
        user);
}

}  // namespace qel::sim::test
