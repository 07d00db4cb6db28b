// "qelcfg config" run as a program against a registry in a temporary folder: what it writes is
// what the record classes read, and its exit codes tell failures from bad usage.

#include "config/connection_cfg.h"
#include "records_test_util.h"

namespace qel::test {
namespace {

class QelcfgConfigTest : public RecordsTest {
protected:
    void SetUp() override {
        if (!qelcfg_program()) GTEST_SKIP() << "qelcfg is not built";
    }

    ProgramRun config(std::vector<std::string> args) {
        args.insert(args.begin(), "config");
        return run_qelcfg(args);
    }
};

TEST_F(QelcfgConfigTest, ConnectionsAreCreatedRenamedAndDeletedThroughTheRecords) {
    set_dword(HKEY_CURRENT_USER, u"Software\\Quorlan\\BTConfig\\Applications\\0001", u"UUID", 0x1101);
    set_text(HKEY_CURRENT_USER, u"Software\\Quorlan\\BTConfig\\Applications\\0001", u"Name", u"COM3");
    set_dword(HKEY_CURRENT_USER, u"Software\\Quorlan\\BTConfig\\Applications\\0001", u"ComPortNumber", 3);
    reg_reset_for_tests();  // let the program see the hive as another process would

    ProgramRun created = config({"connection", "create", "Phone COM3", "--device", "00:11:22:33:44:55", "--uuid",
                                 "0x1101", "--service", "COM3", "--device-name", "Phone", "--default"});
    EXPECT_EQ(created.exit_code, 0);
    EXPECT_EQ(created.out, "Phone COM3\n");
    CBTConnectionInfoCfg connection(u"Phone COM3");
    ASSERT_EQ(connection.Read(), 0);
    EXPECT_EQ(connection.m_bdAddr, (CfgBdAddr{0x00, 0x11, 0x22, 0x33, 0x44, 0x55}));
    auto* spp = dynamic_cast<CBTSPPAppCfg*>(connection.m_pAppCfg.get());
    ASSERT_NE(spp, nullptr);
    EXPECT_EQ(spp->m_dwComPortNumber, 3u);
    reg_reset_for_tests();

    ProgramRun listed = config({"connections", "--json"});
    EXPECT_EQ(listed.exit_code, 0);
    EXPECT_NE(listed.out.find("\"Name\": \"Phone COM3\""), std::string::npos);

    EXPECT_EQ(config({"connection", "create", "Other", "--device", "00:11:22:33:44:55", "--uuid", "0x1103",
                      "--service", "Dial-up"})
                  .exit_code,
              0);
    EXPECT_EQ(config({"connection", "rename", "phone com3", "OTHER"}).exit_code, 1);
    EXPECT_EQ(config({"connection", "rename", "phone com3", "Renamed"}).exit_code, 0);
    EXPECT_EQ(config({"connection", "delete", "Phone COM3"}).exit_code, 1);
    EXPECT_EQ(config({"connection", "delete", "renamed"}).exit_code, 0);
    EXPECT_FALSE(key_exists(HKEY_CURRENT_USER, u"Software\\Quorlan\\Connections\\Renamed"));
    EXPECT_TRUE(key_exists(HKEY_CURRENT_USER, u"Software\\Quorlan\\Connections\\Other"));
}

TEST_F(QelcfgConfigTest, ServiceValuesAreSetAndBadUsageIsTold) {
    set_dword(HKEY_CURRENT_USER, u"Software\\Quorlan\\BTConfig\\Services\\0001", u"UUID", 0x1105);
    reg_reset_for_tests();
    EXPECT_EQ(config({"service", "set", "0001", "Auto", "1"}).exit_code, 0);
    EXPECT_EQ(config({"service", "set", "0001", "Name", "Object Push"}).exit_code, 0);
    EXPECT_EQ(config({"service", "set", "0001", "Auto", "many"}).exit_code, 2);
    EXPECT_EQ(config({"service", "set", "0001", "DoNotUseMicrosoftDevice", "1"}).exit_code, 2);
    EXPECT_EQ(config({"service", "set", "0009", "Auto", "1"}).exit_code, 1);
    EXPECT_EQ(config({"connection", "create", "X", "--device", "nonsense", "--uuid", "1", "--service", "S"}).exit_code,
              2);
    ProgramRun shown = config({"service", "show", "0001"});
    EXPECT_EQ(shown.exit_code, 0);
    EXPECT_NE(shown.out.find("Object Push"), std::string::npos);
    EXPECT_EQ(config({"install"}).exit_code, 1);

    // A profile's own value, by the profile the stored UUID names.
    set_dword(HKEY_CURRENT_USER, u"Software\\Quorlan\\BTConfig\\Services\\0002", u"UUID", 0x1103);
    reg_reset_for_tests();
    EXPECT_EQ(config({"service", "set", "0002", "baudrate", "115200"}).exit_code, 0);
    EXPECT_EQ(config({"service", "set", "0001", "Baudrate", "115200"}).exit_code, 2);  // not an object push value
    EXPECT_EQ(stored_dword(HKEY_CURRENT_USER, u"Software\\Quorlan\\BTConfig\\Services\\0002", u"Baudrate"), 115200u);
    EXPECT_EQ(stored_dword(HKEY_CURRENT_USER, u"Software\\Quorlan\\BTConfig\\Services\\0002", u"FlowControl"), 1u);
    EXPECT_EQ(stored_dword(HKEY_CURRENT_USER, u"Software\\Quorlan\\BTConfig\\Services\\0001", u"Auto"), 1u);
    EXPECT_FALSE(stored_dword(HKEY_CURRENT_USER, u"Software\\Quorlan\\BTConfig\\Services\\0001",
                              u"DoNotUseMicrosoftDevice"));
}

}  // namespace
}  // namespace qel::test
