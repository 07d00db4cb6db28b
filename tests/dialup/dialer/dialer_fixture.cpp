#include "dialer_fixture.h"

#include "dialup/providers/provider_database.h"
#include "platform/registry/registry.h"
#include "trace/qel_trace.h"
#include "trace/trace_switches.h"

namespace qel::test {

namespace fs = std::filesystem;
using namespace qel::platform;

namespace {

constexpr char kProvidersXml[] =
    "<?xml version=\"1.0\"?>\n"
    "<providers>\n"
    "  <provider ID=\"262001, 262002\" APN=\"six.digit.apn\" Login=\"user\" Password=\"secret\"/>\n"
    "  <provider ID=\"26201\" APN=\"internet.t-d1.de\"/>\n"
    "  <provider ID=\"26201\" APN=\"second.t-d1.de\"/>\n"
    "  <provider ID=\"26203\" APN=\"internet.eplus.de\"/>\n"
    "  <provider ID=\"2620\" APN=\"four.digits\"/>\n"
    "  <provider ID=\"31000\" APN=\"shortened.apn\"/>\n"
    "</providers>\n";

void switch_facade_trace_on() {
    RegKey key;
    ASSERT_EQ(reg_create_key(HKEY_CURRENT_USER, u"Software\\Quorlan\\BTConfig\\Debug", KEY_ALL_ACCESS, key.put(), nullptr),
              ERROR_SUCCESS);
    const DWORD on = 1;
    ASSERT_EQ(reg_set_value(key.get(), u"app_trace_level", REG_DWORD, reinterpret_cast<const BYTE*>(&on), sizeof on),
              ERROR_SUCCESS);
    qel::trace::reset_facade_trace();
}

}  // namespace

DialerFixture::DialerFixture()
    : registry_env_("QEL_REGISTRY_DIR", (dir_.path() / "registry").string()),
      system_env_("QEL_SYSTEM_DIR", (dir_.path() / "system").string()),
      com_env_("QEL_COM_DIR", (dir_.path() / "com").string()) {
    for (const char* sub : {"registry", "system", "com"}) fs::create_directories(dir_.path() / sub);
    reg_reset_for_tests();
    switch_facade_trace_on();
    EXPECT_EQ(qel::dialup::write_provider_database(dir_.path() / "system" / "providers.bin", kProvidersXml), 0u);
}

DialerFixture::~DialerFixture() {
    phone_.reset();
    qel::trace::reset_facade_trace();
    reg_reset_for_tests();
}

qel::sim::PhoneModem* DialerFixture::start_phone(const qel::sim::PhoneBehaviour& behaviour) {
    std::string error;
    phone_ = qel::sim::PhoneModem::start(behaviour, kPhoneComNumber, &error);
    if (!phone_) ADD_FAILURE() << "no simulated phone: " << error;
    return phone_.get();
}

void DialerFixture::remove_database() { fs::remove(dir_.path() / "system" / "providers.bin"); }

std::string DialerFixture::dead_port(int n) {
    const std::string name = "COM" + std::to_string(n);
    fs::create_symlink(dir_.path() / "no-such-device", dir_.path() / "com" / name);
    return name;
}

}  // namespace qel::test
