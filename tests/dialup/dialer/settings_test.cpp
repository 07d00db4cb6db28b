// The dialer's stored settings: the plain-text access-point file read with the private-profile
// rules, and the modem's extra initialisation string saved and restored in a real registry.
#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <string>

#include "dialup/dialer/dialer.h"
#include "dialup/dialer/profile_ini.h"
#include "platform/registry/registry.h"
#include "support/test_support.h"

namespace {

namespace fs = std::filesystem;
using namespace qel::platform;
using qel::dialup::get_private_profile_string;
using qel::test::ScopedEnv;
using qel::test::TempDir;

void write_file(const fs::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

class ProfileIni : public ::testing::Test {
protected:
    ProfileIni() {
        write_file(file_,
                   "; access points\r\n"
                   "[26201]\r\n"
                   "  apn = internet.example  \r\n"
                   "Login=\"guest\"\r\n"
                   "Quoted='it''s'\r\n"
                   "Bare\r\n"
                   "[ 26202 ]\n"
                   "APN=first\n"
                   "APN=second\n"
                   "[26201]\n"
                   "Extra=only in the second section\n");
    }
    std::string get(std::string_view section, std::string_view key, std::string_view fallback = "",
                    std::size_t size = 64, std::uint32_t* copied = nullptr) {
        std::string buffer(size, '#');
        const std::uint32_t n = get_private_profile_string(section, key, fallback, buffer, file_);
        if (copied) *copied = n;
        return size ? std::string(buffer.c_str()) : std::string();
    }
    TempDir dir_;
    fs::path file_ = dir_.path() / "providers.ini";
};

TEST_F(ProfileIni, FindsKeysWithoutRegardToCaseAndBlanks) {
    EXPECT_EQ(get("26201", "APN"), "internet.example");
    EXPECT_EQ(get("26201", "login"), "guest");
    EXPECT_EQ(get("26201", "quoted"), "it''s");
    EXPECT_EQ(get("26201", "bare", "x"), "") << "a key without '=' has an empty value";
    EXPECT_EQ(get("26202", "apn"), "first") << "the first key of a name wins";
    EXPECT_EQ(get("26201", "Extra", "none"), "none") << "only the first section of a name is searched";
}

TEST_F(ProfileIni, MissingFileSectionOrKeyGiveTheDefaultWithoutTrailingBlanks) {
    EXPECT_EQ(get("99999", "APN", "default  "), "default");
    EXPECT_EQ(get("26201", "Password", "\t"), "");
    EXPECT_EQ(get("; access points", "APN", "d"), "d") << "comments are not sections";
    std::array<char, 8> buffer{};
    EXPECT_EQ(get_private_profile_string("26201", "APN", "dflt", buffer, dir_.path() / "absent.ini"), 4u);
    EXPECT_STREQ(buffer.data(), "dflt");
}

TEST_F(ProfileIni, LongValuesAreCutToTheBuffer) {
    std::uint32_t copied = 0;
    EXPECT_EQ(get("26201", "APN", "", 9, &copied), "internet");
    EXPECT_EQ(copied, 8u);
    EXPECT_EQ(get("26201", "APN", "", 1, &copied), "");
    EXPECT_EQ(copied, 0u);
    std::string none;
    EXPECT_EQ(get_private_profile_string("26201", "APN", "", std::span<char>(none), file_), 0u);
}

TEST(GetAPN, ReadsTheSectionOfTheNetworkNumberInTheSystemDirectory) {
    TempDir dir;
    ScopedEnv system("QEL_SYSTEM_DIR", dir.path().string());
    write_file(dir.path() / "providers.ini", "[26203]\nHomeNetworkNumber=26203\nAPN=internet.eplus.de\n");
    CDialer dialer;
    char buf[MAX_PATH];
    EXPECT_STREQ(dialer.GetAPN(26203, buf), "internet.eplus.de");
    EXPECT_EQ(dialer.GetAPN(26203, buf), buf);
    EXPECT_STREQ(dialer.GetAPN(2620, buf), "");
    fs::remove(dir.path() / "providers.ini");
    EXPECT_STREQ(dialer.GetAPN(26203, buf), "");
}

constexpr std::u16string_view kModemClass =
    u"SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E96D-E325-11CE-BFC1-08002BE10318}\\";

class ModemSetting : public ::testing::Test {
protected:
    ModemSetting() : env_("QEL_REGISTRY_DIR", dir_.path().string()) { reg_reset_for_tests(); }
    ~ModemSetting() override { reg_reset_for_tests(); }

    static void set_string(std::u16string_view instance, std::u16string_view name, std::u16string_view text) {
        RegKey key;
        ASSERT_EQ(reg_create_key(HKEY_LOCAL_MACHINE, std::u16string(kModemClass) + std::u16string(instance), KEY_ALL_ACCESS,
                                 key.put(), nullptr),
                  ERROR_SUCCESS);
        ASSERT_EQ(reg_set_value(key.get(), name, REG_SZ, reinterpret_cast<const BYTE*>(text.data()),
                                static_cast<DWORD>((text.size() + 1) * 2)),
                  ERROR_SUCCESS);
    }
    // The value's text, or "(absent)".
    static std::string get_string(std::u16string_view instance, std::u16string_view name) {
        RegKey key;
        if (reg_open_key(HKEY_LOCAL_MACHINE, std::u16string(kModemClass) + std::u16string(instance), KEY_READ, key.put()) !=
            ERROR_SUCCESS) {
            return "(no key)";
        }
        char16_t data[300] = {};
        DWORD size = sizeof data - 2;
        DWORD type = 0;
        if (reg_query_value(key.get(), name, &type, reinterpret_cast<BYTE*>(data), &size) != ERROR_SUCCESS) {
            return "(absent)";
        }
        EXPECT_EQ(type, REG_SZ);
        std::string text;
        for (const char16_t* p = data; *p; ++p) text += static_cast<char>(*p);
        return text;
    }

    TempDir dir_;
    ScopedEnv env_;
};

TEST_F(ModemSetting, ReplacesAndRestoresTheInitStringOfTheModemOnThePort) {
    set_string(u"0000", u"AttachedTo", u"COM3");
    set_string(u"0001", u"AttachedTo", u"com7");
    set_string(u"0001", u"UserInit", u"AT+CGDCONT=1,\"IP\",\"old.apn\"");
    set_string(u"0002", u"AttachedTo", u"COM70");

    CDialer dialer;
    EXPECT_EQ(dialer.saveModemSetting(7, "AT+CGDCONT=1,\"IP\",\"internet\""), 1);
    EXPECT_EQ(get_string(u"0001", u"UserInit"), "AT+CGDCONT=1,\"IP\",\"internet\"");
    EXPECT_EQ(dialer.GetSavedModemString(), "AT+CGDCONT=1,\"IP\",\"old.apn\"");
    EXPECT_EQ(get_string(u"0000", u"UserInit"), "(absent)") << "other modems are left alone";

    dialer.restoreModemSetting();
    EXPECT_EQ(get_string(u"0001", u"UserInit"), "AT+CGDCONT=1,\"IP\",\"old.apn\"");
    EXPECT_EQ(dialer.GetSavedModemInstance(), 1) << "the instance stays remembered";
}

TEST_F(ModemSetting, RestoreDeletesAValueThatWasNotThere) {
    set_string(u"0000", u"AttachedTo", u"COM12");
    CDialer dialer;
    ASSERT_EQ(dialer.saveModemSetting(12, "AT+CGDCONT=1,\"IP\",\"web\""), 0);
    EXPECT_EQ(get_string(u"0000", u"UserInit"), "AT+CGDCONT=1,\"IP\",\"web\"");
    dialer.restoreModemSetting();
    EXPECT_EQ(get_string(u"0000", u"UserInit"), "(absent)");
}

TEST_F(ModemSetting, SearchEndsAtTheFirstMissingOrUnreadableInstance) {
    set_string(u"0000", u"AttachedTo", u"COM3");
    set_string(u"0002", u"AttachedTo", u"COM5");
    CDialer dialer;
    EXPECT_EQ(dialer.saveModemSetting(5, "ATX"), -1) << "0001 is missing, so 0002 is never seen";
    EXPECT_EQ(get_string(u"0002", u"UserInit"), "(absent)");
    EXPECT_EQ(dialer.GetSavedModemInstance(), -1);

    set_string(u"0001", u"AttachedTo", u"COM-long-name");  // does not fit 10 bytes
    EXPECT_EQ(dialer.saveModemSetting(5, "ATX"), -1);
    set_string(u"0001", u"AttachedTo", u"COM4");
    EXPECT_EQ(dialer.saveModemSetting(5, "ATX"), 2);

    dialer.restoreModemSetting();
    CDialer nothing_saved;
    nothing_saved.restoreModemSetting();  // nothing remembered: no key is touched
    EXPECT_EQ(get_string(u"0002", u"UserInit"), "(absent)");
}

TEST_F(ModemSetting, NoModemClassKeyFindsNothing) {
    CDialer dialer;
    EXPECT_EQ(dialer.saveModemSetting(1, "ATX"), -1);
    EXPECT_EQ(dialer.GetSavedModemString(), "");
}

}  // namespace
