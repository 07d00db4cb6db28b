// "qelcfg device" and "qelcfg general" run as a program against a registry in a temporary folder:
// the listing's JSON, trust, rename keeping the reported name, forget, settings, exit codes.
#include <nlohmann/json.hpp>

#include "../records/records_test_util.h"
#include "config/dev_cfg.h"
#include "config/dev_per_user_cfg.h"
#include "config/general_cfg.h"
#include "config/service_cache_cfg.h"

namespace qel::test {
namespace {

const CfgBdAddr kPhone = {0x00, 0x0a, 0x95, 0x9d, 0x68, 0x16};

class QelcfgDeviceTest : public RecordsTest {
protected:
    void SetUp() override {
        if (!qelcfg_program()) GTEST_SKIP() << "qelcfg is not built";
        CBTDevCfg phone(u"00:0a:95:9d:68:16", CfgDevClass{0x5a, 0x02, 0x0c}, "Phone 1");
        ASSERT_EQ(phone.Save(), ERROR_SUCCESS);
        CBTServiceCacheCfg port(kPhone, "Serial Port", 0x1101, 1, 0);
        ASSERT_EQ(port.Save(), ERROR_SUCCESS);
    }

    ProgramRun run(const std::vector<std::string>& args) { return run_qelcfg(args); }
};

TEST_F(QelcfgDeviceTest, ListJsonHasTheDocumentedKeys) {
    auto r = run({"device", "list", "--json"});
    ASSERT_EQ(r.exit_code, 0);
    auto list = nlohmann::json::parse(r.out);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0]["address"], "00:0a:95:9d:68:16");
    EXPECT_EQ(list[0]["name"], "Phone 1");
    EXPECT_EQ(list[0]["class"], "5a020c");
    EXPECT_TRUE(list[0]["type"].is_number_integer());
    EXPECT_EQ(list[0]["paired"], false);
    EXPECT_EQ(list[0]["trusted"], false);
}

TEST_F(QelcfgDeviceTest, TrustRenameAndForget) {
    EXPECT_EQ(run({"device", "trust", "00:0A:95:9D:68:16", "on"}).exit_code, 0);
    EXPECT_TRUE(CBTDevPerUserCfg::IsTrusted(kPhone));
    EXPECT_EQ(run({"device", "trust", "00:0a:95:9d:68:16", "maybe"}).exit_code, 2);
    EXPECT_EQ(run({"device", "trust", "00:0a:95:9d:68:16", "off"}).exit_code, 0);
    EXPECT_FALSE(CBTDevPerUserCfg::IsTrusted(kPhone));

    EXPECT_EQ(run({"device", "rename", "00:0a:95:9d:68:16", "Work phone"}).exit_code, 0);
    CBTDevCfg renamed(u"00:0a:95:9d:68:16");
    ASSERT_EQ(renamed.Read(), ERROR_SUCCESS);
    EXPECT_EQ(renamed.m_szName, "Work phone");
    EXPECT_EQ(renamed.m_szRemoteName, "Phone 1");

    auto show = run({"device", "show", "00:0a:95:9d:68:16", "--json"});
    ASSERT_EQ(show.exit_code, 0);
    auto j = nlohmann::json::parse(show.out);
    ASSERT_EQ(j["services"].size(), 1u);
    EXPECT_EQ(j["services"][0]["name"], "Serial Port");
    EXPECT_EQ(j["services"][0]["uuid"], "0x1101");

    EXPECT_EQ(run({"device", "show", "11:22:33:44:55:66"}).exit_code, 1);
    EXPECT_EQ(run({"device", "show", "not-an-address"}).exit_code, 2);
    EXPECT_EQ(run({"device", "forget", "00:0a:95:9d:68:16"}).exit_code, 0);
    EXPECT_FALSE(key_exists(HKEY_LOCAL_MACHINE, u"Software\\Quorlan\\BTConfig\\Devices\\00:0a:95:9d:68:16"));
}

TEST_F(QelcfgDeviceTest, GeneralSetWritesTheRecord) {
    EXPECT_EQ(run({"general", "set", "devicename", "Desk"}).exit_code, 0);
    EXPECT_EQ(run({"general", "set", "MinPINLength", "8"}).exit_code, 0);
    EXPECT_EQ(run({"general", "set", "MinPINLength", "eight"}).exit_code, 2);
    EXPECT_EQ(run({"general", "set", "ServerID", "1"}).exit_code, 2);
    CBTGeneralCfg general;
    ASSERT_EQ(general.Read(), ERROR_SUCCESS);
    EXPECT_EQ(general.m_szDeviceName, u"Desk");
    EXPECT_EQ(general.m_dwMinPINLength, 8u);
    auto show = run({"general", "show", "--json"});
    ASSERT_EQ(show.exit_code, 0);
    EXPECT_EQ(nlohmann::json::parse(show.out)["DeviceName"], "Desk");
}

}  // namespace
}  // namespace qel::test
