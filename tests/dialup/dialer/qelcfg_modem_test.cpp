// qelcfg modem query / dial / hangup run as a program against the simulated phone it starts
// itself (--sim): what they print, and their exit codes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dialer_fixture.h"

namespace {

using qel::test::run_qelcfg;

class QelcfgModem : public qel::test::DialerFixture {
protected:
    QelcfgModem() : scale_env_("QEL_TIME_SCALE", "0.1") {}
    void SetUp() override {
        if (!qel::test::qelcfg_program()) GTEST_SKIP() << "qelcfg is not built";
    }
    qel::test::ScopedEnv scale_env_;
};

TEST_F(QelcfgModem, QueryPrintsResultOperatorContextsAndAccounts) {
    const auto run = run_qelcfg({"modem", "query", "COM7", "--sim", "--sim-operator", "26201", "--sim-contexts", "1-16"});
    EXPECT_EQ(run.exit_code, 0) << run.out;
    EXPECT_NE(run.out.find("Result          0 (access points found)\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Operator        26201"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("CDMA            no\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Contexts        9\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Accounts found  2\n  internet.t-d1.de\t\t\n  second.t-d1.de\t\t\n"), std::string::npos)
        << run.out;
}

TEST_F(QelcfgModem, QueryOfACdmaPhoneFails) {
    const auto run = run_qelcfg({"modem", "query", "COM3", "--sim", "--sim-operator", "", "--sim-cdma", "--keep-open"});
    EXPECT_EQ(run.exit_code, 1) << run.out;
    EXPECT_NE(run.out.find("Result          2 (CDMA phone)\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("CDMA            yes\n"), std::string::npos) << run.out;
}

TEST_F(QelcfgModem, DialSendsTheFilteredNumber) {
    const auto run = run_qelcfg({"modem", "dial", "COM7", "+49 (30) 123-45;ext", "--sim"});
    EXPECT_EQ(run.exit_code, 0) << run.out;
    EXPECT_NE(run.out.find("Command sent    ATD+493012345;\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Phone received  AT | AT+GMM | AT+CAD? | AT+CGREG? | ATD+493012345;\n"), std::string::npos)
        << run.out;
}

TEST_F(QelcfgModem, HangupResultsAndExitCodes) {
    auto run = run_qelcfg({"modem", "hangup", "COM7", "--sim", "--sim-cdma", "--cdma"});
    EXPECT_EQ(run.exit_code, 0) << run.out;
    EXPECT_NE(run.out.find("Phone received  AT | AT+CHV\n"), std::string::npos) << run.out;

    run = run_qelcfg({"modem", "hangup", "COM7", "--sim", "--cdma"});  // a GSM phone rejects +CHV
    EXPECT_EQ(run.exit_code, 1) << run.out;
    EXPECT_NE(run.out.find("Result          0x80004005"), std::string::npos) << run.out;

    run = run_qelcfg({"modem", "dial", dead_port(4), "123"});
    EXPECT_EQ(run.exit_code, 1) << run.out;
    EXPECT_NE(run.out.find("Result          3 (port cannot be opened)\n"), std::string::npos) << run.out;
}

TEST_F(QelcfgModem, BadUsage) {
    const std::vector<std::vector<std::string>> bad = {
        {"modem"},
        {"modem", "dial", "COM7"},
        {"modem", "query"},
        {"modem", "query", "ttyUSB0", "--sim"},
        {"modem", "hangup", "COM7", "--bogus"},
    };
    for (const auto& args : bad) {
        std::string line;
        for (const auto& a : args) line += a + " ";
        EXPECT_EQ(run_qelcfg(args).exit_code, 2) << line;
    }
}

}  // namespace
