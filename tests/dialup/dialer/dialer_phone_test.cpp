// The dialer's command sequences against a simulated phone on a real pseudo-terminal, through
// the real serial transport: the query (operator formats, context ranges, access-point lookups,
// CDMA detection), voice dialling and hanging up, and every failure result.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "dialer_fixture.h"
#include "dialup/dialer/dialer.h"

namespace {

using qel::platform::ScopedTimeScale;
using qel::sim::DialAnswer;
using qel::sim::OperatorFormat;
using qel::sim::PhoneBehaviour;
using qel::test::kPhonePort;

// Generous enough for a pseudo-terminal round trip under sanitizers on a loaded machine:
// 10000 ms answer limits become 1 s of real time.
constexpr double kSuccessScale = 0.1;

std::vector<std::string> apns(const sProvider& provider) {
    std::vector<std::string> out;
    for (const auto& account : provider.m_Accounts) out.push_back(account.m_szAPN);
    return out;
}

// The commands after the "AT" probes (which may be repeated when the phone is slow to start).
std::vector<std::string> after_probes(std::vector<std::string> commands) {
    const auto first = std::find_if(commands.begin(), commands.end(), [](const std::string& c) { return c != "AT"; });
    commands.erase(commands.begin(), first);
    return commands;
}

struct QueryCase {
    const char* name;
    PhoneBehaviour phone;
    int32_t result;
    uint32_t contexts;  // 0: not stored
    std::vector<std::string> apns;
    int32_t looked_up;  // the identity of the last lookup; 0: none
};

PhoneBehaviour gsm(std::string op, OperatorFormat format = OperatorFormat::numeric_quoted) {
    PhoneBehaviour b;
    b.operator_number = std::move(op);
    b.operator_format = format;
    return b;
}

template <typename F>
PhoneBehaviour with(PhoneBehaviour b, F change) {
    change(b);
    return b;
}

class QueryModemTranscripts : public qel::test::DialerFixture, public ::testing::WithParamInterface<QueryCase> {};

TEST_P(QueryModemTranscripts, GiveResultContextsAndAccounts) {
    const QueryCase& c = GetParam();
    ScopedTimeScale scale{kSuccessScale};
    ASSERT_NE(start_phone(c.phone), nullptr);
    CDialer dialer;
    sProvider provider;
    uint32_t contexts = 12345;
    EXPECT_EQ(dialer.QueryModem(kPhonePort, &contexts, &provider, TRUE), c.result);
    EXPECT_EQ(contexts, c.contexts == 0 ? 12345u : c.contexts);
    EXPECT_EQ(apns(provider), c.apns);
    EXPECT_EQ(provider.m_nProviderID, c.looked_up);
}

INSTANTIATE_TEST_SUITE_P(
    Phones, QueryModemTranscripts,
    ::testing::Values(
        QueryCase{"QuotedSixDigitOperator", gsm("262001"), 0, 3, {"six.digit.apn"}, 262001},
        QueryCase{"AlphanumericUntilNumericIsSelected", gsm("26201", OperatorFormat::alphanumeric), 0, 3,
                  {"internet.t-d1.de", "second.t-d1.de"}, 26201},
        QueryCase{"UnquotedOperatorAndRangeTo255",
                  with(gsm("26203", OperatorFormat::numeric_unquoted), [](auto& b) { b.context_range = "1-255"; }), 0,
                  1, {"internet.eplus.de"}, 26203},
        QueryCase{"NoEchoNoBlankLinesAnswersOnlyInAdditionalText",
                  with(gsm("26203"), [](auto& b) { b.echo = false; b.verbose = false; b.context_range = "1-16"; }),
                  0, 9, {"internet.eplus.de"}, 26203},
        QueryCase{"NoContextAnswerCountsOne", with(gsm("26203"), [](auto& b) { b.context_range.reset(); }), 0, 1,
                  {"internet.eplus.de"}, 26203},
        QueryCase{"SixDigitsWithoutAccessPointsAreLookedUpWithoutTheLastDigit", gsm("310009"), 0, 3,
                  {"shortened.apn"}, 31000},
        QueryCase{"SixDigitsNotFoundEitherWay", gsm("999999"), 1, 3, {}, 99999},
        QueryCase{"FiveDigitsAreLookedUpOnce", gsm("26209"), 1, 3, {}, 26209},
        QueryCase{"CdmaPhoneWithoutOperator", with(gsm(""), [](auto& b) { b.cdma = true; b.model = "Q CDMA"; }), 2,
                  0, {}, 0},
        QueryCase{"Q2ModelIsCdmaForData", with(gsm(""), [](auto& b) { b.model = "Motorola CDMA Q2 Phone"; }), 2, 0,
                  {}, 0},
        QueryCase{"GsmPhoneWithoutOperator", gsm(""), 1, 0, {}, 0},
        QueryCase{"OperatorQueryRejected",
                  with(gsm("26201"), [](auto& b) { b.scripted = {{"AT+COPS?", std::string("\r\nERROR\r\n"), 0}}; }), 1,
                  0, {}, 0},
        QueryCase{"FloodAndNoiseBeforeEveryAnswer",
                  with(gsm("26201"), [](auto& b) { b.flood_lines = 120; b.noise_bytes = 300; }), 0, 3,
                  {"internet.t-d1.de", "second.t-d1.de"}, 26201}),
    [](const ::testing::TestParamInfo<QueryCase>& info) { return std::string(info.param.name); });

using QueryModem = qel::test::DialerFixture;

TEST_F(QueryModem, SendsTheCommandsInOrderAndTracesTheFind) {
    ScopedTimeScale scale{kSuccessScale};
    auto* phone = start_phone(gsm("262002"));
    ASSERT_NE(phone, nullptr);
    CDialer dialer;
    sProvider provider;
    ASSERT_EQ(dialer.QueryModem(kPhonePort, nullptr, &provider, TRUE), 0);
    EXPECT_EQ(after_probes(phone->received_commands()),
              (std::vector<std::string>{"AT+COPS?", "AT+COPS=3,2", "AT+COPS?", "AT+CGDCONT=?"}));
    ASSERT_EQ(provider.GetSize(), 1);
    EXPECT_EQ(provider.m_Accounts[0].m_szUserName, "user");
    EXPECT_EQ(provider.m_Accounts[0].m_szPassword, "secret");
    EXPECT_TRUE(traced("CDialer::QueryModem: try to find num entries\n"));
    EXPECT_TRUE(traced("CDialer::QueryModem: APN is found by id 262002\n"));
}

TEST_F(QueryModem, KeepsThePortRunningWhenAsked) {
    ScopedTimeScale scale{kSuccessScale};
    auto* phone = start_phone(with(gsm("26201"), [](auto& b) { b.cdma = true; }));
    ASSERT_NE(phone, nullptr);
    CDialer dialer;
    sProvider provider;
    ASSERT_EQ(dialer.QueryModem(kPhonePort, nullptr, &provider, FALSE), 0);
    EXPECT_EQ(dialer.GetOperator(), 26201) << "the port still runs";
    EXPECT_TRUE(dialer.IsCDMA(FALSE));
}

TEST_F(QueryModem, PhoneThatNeverAnswersIsProbedTenTimes) {
    ScopedTimeScale scale{0.002};
    auto* phone = start_phone(with(gsm("26201"), [](auto& b) {
        b.echo = false;
        b.scripted = {{"AT", std::nullopt, 0}};
    }));
    ASSERT_NE(phone, nullptr);
    CDialer dialer;
    sProvider provider;
    EXPECT_EQ(dialer.QueryModem(kPhonePort, nullptr, &provider, TRUE), E_FAIL);
    EXPECT_TRUE(phone->wait_for_commands(10, 100000));
    EXPECT_EQ(phone->received_commands(), std::vector<std::string>(10, "AT"));
    EXPECT_TRUE(traced("AT command is not recognized"));
}

TEST_F(QueryModem, MissingDatabaseLeavesThePortAlone) {
    ScopedTimeScale scale{kSuccessScale};
    auto* phone = start_phone(gsm("26201"));
    ASSERT_NE(phone, nullptr);
    remove_database();
    CDialer dialer;
    sProvider provider;
    EXPECT_EQ(dialer.QueryModem(kPhonePort, nullptr, &provider, TRUE), E_INVALIDARG);
    EXPECT_TRUE(phone->received_commands().empty());
    EXPECT_TRUE(traced("CDialer::QueryModem: Cannot load 'providers.bin' file setting\n"));
}

TEST_F(QueryModem, PortThatCannotBeOpened) {
    ScopedTimeScale scale{kSuccessScale};
    CDialer dialer;
    sProvider provider;
    uint32_t contexts = 77;
    EXPECT_EQ(dialer.QueryModem(dead_port(9).c_str(), &contexts, &provider, TRUE), 3);
    EXPECT_EQ(contexts, 77u);
    EXPECT_TRUE(traced("Cannot open port"));
}

struct DialCase {
    const char* name;
    PhoneBehaviour phone;
    const char* number;
    int32_t result;
    BOOL cdma;
    std::vector<std::string> commands;
    const char* trace;
};

PhoneBehaviour cdma_phone() {
    PhoneBehaviour b;
    b.cdma = true;
    b.model = "Q CDMA Phone";
    return b;
}

class DialModemTranscripts : public qel::test::DialerFixture, public ::testing::WithParamInterface<DialCase> {};

TEST_P(DialModemTranscripts, SendTheFilteredNumber) {
    const DialCase& c = GetParam();
    ScopedTimeScale scale{kSuccessScale};
    auto* phone = start_phone(c.phone);
    ASSERT_NE(phone, nullptr);
    CDialer dialer;
    BOOL cdma = 99;
    EXPECT_EQ(dialer.DialModem(kPhonePort, c.number, &cdma), c.result);
    EXPECT_EQ(cdma, c.cdma);
    EXPECT_EQ(phone->received_commands(), c.commands);
    if (c.trace) {
        EXPECT_TRUE(traced(c.trace)) << c.trace;
    }
}

const std::vector<std::string> kGsmDial = {"AT", "AT+GMM", "AT+CAD?", "AT+CGREG?", "ATD+493012345;"};

INSTANTIATE_TEST_SUITE_P(
    Phones, DialModemTranscripts,
    ::testing::Values(
        DialCase{"GsmNumberWithBracketsAndExtension", PhoneBehaviour{}, "+49 (30) 123-45;ext", 0, 0, kGsmDial, nullptr},
        DialCase{"CdmaNumberLosesItsHash", cdma_phone(), "#777", 0, 1, {"AT", "AT+GMM", "AT+CAD?", "AT+CDV=777"},
                 nullptr},
        DialCase{"Q2ModelDialsVoiceTheGsmWay",
                 with(PhoneBehaviour{}, [](auto& b) { b.cdma = true; b.model = "Motorola CDMA Q2 Phone"; }), "123", 0,
                 0, {"AT", "AT+GMM", "ATD123;"}, nullptr},
        DialCase{"ErrorToTheDial", with(PhoneBehaviour{}, [](auto& b) { b.dial_answer = DialAnswer::error; }),
                 "+49 (30) 123-45", 4, 0, kGsmDial, "AT Dial ERROR\n"},
        DialCase{"BusyIsNoFinalAnswer", with(PhoneBehaviour{}, [](auto& b) { b.dial_answer = DialAnswer::busy; }),
                 "+493012345", E_FAIL, 0, kGsmDial, "AT Dial failed\n"},
        DialCase{"SilenceToTheDial", with(PhoneBehaviour{}, [](auto& b) { b.dial_answer = DialAnswer::silence; }),
                 "+493012345", E_FAIL, 0, kGsmDial, "AT Dial failed\n"}),
    [](const ::testing::TestParamInfo<DialCase>& info) { return std::string(info.param.name); });

using DialAndHangup = qel::test::DialerFixture;

TEST_F(DialAndHangup, PortThatCannotBeOpened) {
    ScopedTimeScale scale{kSuccessScale};
    CDialer dialer;
    BOOL cdma = 99;
    const std::string port = dead_port(5);
    EXPECT_EQ(dialer.DialModem(port.c_str(), "123", &cdma), 3);
    EXPECT_EQ(cdma, 99) << "untouched";
    EXPECT_EQ(dialer.HangupModem(port.c_str(), FALSE), 3);
}

TEST_F(DialAndHangup, NoAnswerToTheFirstAt) {
    ScopedTimeScale scale{0.005};
    auto* phone = start_phone(with(PhoneBehaviour{}, [](auto& b) { b.scripted = {{"AT", std::nullopt, 0}}; }));
    ASSERT_NE(phone, nullptr);
    CDialer dialer;
    EXPECT_EQ(dialer.DialModem(kPhonePort, "123", nullptr), E_FAIL);
    EXPECT_EQ(dialer.HangupModem(kPhonePort, TRUE), E_FAIL);
    EXPECT_TRUE(phone->wait_for_commands(2, 100000));
    EXPECT_EQ(phone->received_commands(), (std::vector<std::string>{"AT", "AT"})) << "one probe each";
    EXPECT_TRUE(traced("AT command is not recognized."));
}

TEST_F(DialAndHangup, GsmHangupSendsBothCommandsWhateverTheAnswers) {
    ScopedTimeScale scale{kSuccessScale};
    auto* phone = start_phone(with(PhoneBehaviour{}, [](auto& b) {
        b.scripted = {{"ATH0", std::string("\r\nERROR\r\n"), 0}, {"AT+CHUP", std::string("\r\nERROR\r\n"), 0}};
    }));
    ASSERT_NE(phone, nullptr);
    CDialer dialer;
    EXPECT_EQ(dialer.HangupModem(kPhonePort, FALSE), 0);
    EXPECT_EQ(phone->received_commands(), (std::vector<std::string>{"AT", "ATH0", "AT+CHUP"}));
}

TEST_F(DialAndHangup, CdmaHangupNeedsOkToChv) {
    ScopedTimeScale scale{kSuccessScale};
    auto* phone = start_phone(cdma_phone());
    ASSERT_NE(phone, nullptr);
    CDialer dialer;
    EXPECT_EQ(dialer.HangupModem(kPhonePort, TRUE), 0);
    EXPECT_EQ(phone->received_commands(), (std::vector<std::string>{"AT", "AT+CHV"}));

    phone->set_behaviour(PhoneBehaviour{});  // a GSM phone does not know +CHV
    EXPECT_EQ(dialer.HangupModem(kPhonePort, TRUE), E_FAIL);
    EXPECT_TRUE(traced("AT Hangup failed\n"));
}

TEST_F(DialAndHangup, OneDialerRunsOperationsOneAfterAnother) {
    ScopedTimeScale scale{kSuccessScale};
    auto* phone = start_phone(gsm("26201"));
    ASSERT_NE(phone, nullptr);
    CDialer dialer;
    sProvider provider;
    uint32_t contexts = 0;
    EXPECT_EQ(dialer.QueryModem(kPhonePort, &contexts, &provider, TRUE), 0);
    EXPECT_EQ(dialer.DialModem(kPhonePort, "0301234", nullptr), 0);
    EXPECT_EQ(dialer.HangupModem(kPhonePort, FALSE), 0);
    const auto commands = phone->received_commands();
    ASSERT_FALSE(commands.empty());
    EXPECT_EQ(commands.back(), "AT+CHUP");
    EXPECT_NE(std::find(commands.begin(), commands.end(), "ATD0301234;"), commands.end());
}

}  // namespace
