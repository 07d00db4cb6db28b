// The phone's AT interpreter on its own: transcripts of what the phone sends for what it receives.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim/phone/phone_at_engine.h"

namespace qel::sim {
namespace {

// Feeds `input` and returns the bytes sent back.
std::string talk(PhoneAtEngine& phone, std::string_view input) { return bytes_of(phone.receive(input)); }

struct Transcript {
    const char* name;
    PhoneBehaviour behaviour;
    std::vector<std::pair<std::string, std::string>> steps;  // received -> sent
};

PhoneBehaviour gsm() { return PhoneBehaviour{}; }
PhoneBehaviour cdma() {
    PhoneBehaviour b;
    b.cdma = true;
    b.model = "Motorola CDMA Q2 Phone";
    b.operator_number.clear();
    return b;
}
PhoneBehaviour quiet() {
    PhoneBehaviour b;
    b.echo = false;
    b.verbose = false;
    return b;
}
template <typename F>
PhoneBehaviour with(PhoneBehaviour b, F change) {
    change(b);
    return b;
}

TEST(PhoneAtEngine, Transcripts) {
    const std::vector<Transcript> cases = {
        {"echo and verbose framing", gsm(), {{"AT\r", "AT\r\r\nOK\r\n"}}},
        {"no echo, plain framing", quiet(), {{"AT\r", "OK\r\n"}}},
        {"lower case is a command", quiet(), {{"at\r", "OK\r\n"}}},
        {"ATE0 is echoed itself, then nothing is",
         gsm(),
         {{"ATE0\r", "ATE0\r\r\nOK\r\n"}, {"AT\r", "\r\nOK\r\n"}, {"ATE1\r", "\r\nOK\r\n"}, {"AT\r", "AT\r\r\nOK\r\n"}}},
        {"ATZ restores the configured echo", gsm(), {{"ATE0\r", "ATE0\r\r\nOK\r\n"}, {"ATZ\r", "\r\nOK\r\n"}, {"AT\r", "AT\r\r\nOK\r\n"}}},
        {"unknown command and a line that is no command",
         quiet(),
         {{"AT+XYZ\r", "ERROR\r\n"}, {"hello\r", ""}, {"\r", ""}, {"ATE2\r", "ERROR\r\n"}}},
        {"line feeds are ignored, backspace edits", quiet(), {{"\nAT+X\b\bE0\r\n", "OK\r\n"}}},
        {"command split over several reads", quiet(), {{"AT+CG", ""}, {"MM\r", "Corvo 6300i GSM\r\nOK\r\n"}}},
        {"operator alphanumeric, then numeric after +COPS=3,2",
         quiet(),
         {{"AT+COPS?\r", "+COPS: 0,0,\"Quorlan Mobile\"\r\nOK\r\n"},
          {"AT+COPS=3,2\r", "OK\r\n"},
          {"AT+COPS?\r", "+COPS: 0,2,\"26201\"\r\nOK\r\n"},
          {"AT+COPS=3,0\r", "OK\r\n"},
          {"AT+COPS?\r", "+COPS: 0,0,\"Quorlan Mobile\"\r\nOK\r\n"},
          {"AT+COPS=3,7\r", "ERROR\r\n"}}},
        {"operator numeric quoted from the start",
         with(quiet(), [](auto& b) { b.operator_format = OperatorFormat::numeric_quoted; b.operator_number = "262001"; }),
         {{"AT+COPS?\r", "+COPS: 0,2,\"262001\"\r\nOK\r\n"}}},
        {"operator numeric unquoted, also after +COPS=3,2",
         with(quiet(), [](auto& b) { b.operator_format = OperatorFormat::numeric_unquoted; }),
         {{"AT+COPS?\r", "+COPS: 0,2,26201\r\nOK\r\n"}, {"AT+COPS=3,2\r", "OK\r\n"}, {"AT+COPS?\r", "+COPS: 0,2,26201\r\nOK\r\n"}}},
        {"verbose operator answer has blank lines around each line",
         with(gsm(), [](auto& b) { b.echo = false; b.operator_format = OperatorFormat::numeric_quoted; }),
         {{"AT+COPS?\r", "\r\n+COPS: 0,2,\"26201\"\r\n\r\nOK\r\n"}}},
        {"GSM phone: model, no +CAD, +CGREG, no CDMA commands",
         quiet(),
         {{"AT+GMM\r", "+GMM: Corvo 6300i GSM\r\nOK\r\n"},
          {"AT+CAD?\r", "ERROR\r\n"},
          {"AT+CGREG?\r", "+CGREG: 0,1\r\nOK\r\n"},
          {"AT+CDV=777\r", "ERROR\r\n"},
          {"AT+CHV\r", "ERROR\r\n"},
          {"ATH0\r", "OK\r\n"},
          {"AT+CHUP\r", "OK\r\n"}}},
        {"CDMA phone: not registered, +CAD, no +CGREG, CDMA commands",
         with(cdma(), [](auto& b) { b.echo = false; b.verbose = false; }),
         {{"AT+COPS?\r", "+COPS: 0\r\nOK\r\n"},
          {"AT+GMM\r", "+GMM: Motorola CDMA Q2 Phone\r\nOK\r\n"},
          {"AT+CAD?\r", "+CAD: 1\r\nOK\r\n"},
          {"AT+CGREG?\r", "ERROR\r\n"},
          {"AT+CDV=777\r", "OK\r\n"},
          {"AT+CDV=\r", "ERROR\r\n"},
          {"AT+CHV\r", "OK\r\n"},
          {"AT+CHUP\r", "ERROR\r\n"}}},
        {"context range and its absence",
         with(quiet(), [](auto& b) { b.context_range = "1-16"; }),
         {{"AT+CGDCONT=?\r", "+CGDCONT: (1-16),\"IP\",,,(0-2),(0-4)\r\n+CGDCONT: (1-16),\"PPP\",,,(0-2),(0-4)\r\nOK\r\n"}}},
        {"no packet data", with(quiet(), [](auto& b) { b.context_range.reset(); }), {{"AT+CGDCONT=?\r", "ERROR\r\n"}}},
        {"dial answers OK by default, an empty number is refused",
         quiet(),
         {{"ATD+4930123;\r", "OK\r\n"}, {"ATD;\r", "ERROR\r\n"}, {"ATD\r", "ERROR\r\n"}}},
        {"dial busy", with(quiet(), [](auto& b) { b.dial_answer = DialAnswer::busy; }), {{"ATD123;\r", "BUSY\r\n"}}},
        {"dial no carrier",
         with(gsm(), [](auto& b) { b.dial_answer = DialAnswer::no_carrier; }),
         {{"ATD123;\r", "ATD123;\r\r\nNO CARRIER\r\n"}}},
        {"dial error", with(quiet(), [](auto& b) { b.dial_answer = DialAnswer::error; }), {{"ATD123;\r", "ERROR\r\n"}}},
        {"dial silence still echoes",
         with(gsm(), [](auto& b) { b.dial_answer = DialAnswer::silence; }),
         {{"ATD123;\r", "ATD123;\r"}, {"AT\r", "AT\r\r\nOK\r\n"}}},
        {"CDMA dial answers follow the dial setting",
         with(cdma(), [](auto& b) { b.echo = false; b.verbose = false; b.dial_answer = DialAnswer::busy; }),
         {{"AT+CDV=777\r", "BUSY\r\n"}}},
        {"flood lines come before the answer",
         with(quiet(), [](auto& b) { b.flood_lines = 3; }),
         {{"AT\r", "+CIEV: 2,0\r\n+CIEV: 2,1\r\n+CIEV: 2,2\r\nOK\r\n"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PhoneAtEngine phone(c.behaviour);
        for (const auto& [in, out] : c.steps) {
            EXPECT_EQ(talk(phone, in), out) << "after receiving " << testing::PrintToString(in);
        }
    }
}

TEST(PhoneAtEngine, ScriptedRepliesReplayInOrderThenFallBack) {
    PhoneBehaviour b = quiet();
    b.scripted = {
        {"at+cops?", std::string("+COPS: 1,2,\"23415\"\r\nOK\r\n"), 1},
        {"AT+COPS?", std::nullopt, 1},  // then silence once
        {"AT", std::string("\r\nOK\r\n"), 0},
    };
    PhoneAtEngine phone(b);
    EXPECT_EQ(talk(phone, "AT+COPS?\r"), "+COPS: 1,2,\"23415\"\r\nOK\r\n");
    EXPECT_EQ(talk(phone, "AT+COPS?\r"), "");
    EXPECT_EQ(talk(phone, "AT+COPS?\r"), "+COPS: 0,0,\"Quorlan Mobile\"\r\nOK\r\n");
    // An entry without a limit applies every time, and the echo still precedes it.
    phone.set_behaviour([&] { auto e = b; e.echo = true; return e; }());
    EXPECT_EQ(talk(phone, "AT\r"), "AT\r\r\nOK\r\n");
    EXPECT_EQ(talk(phone, "AT\r"), "AT\r\r\nOK\r\n");
    // set_behaviour starts the counts afresh.
    EXPECT_EQ(talk(phone, "AT+COPS?\r"), "AT+COPS?\r+COPS: 1,2,\"23415\"\r\nOK\r\n");
}

TEST(PhoneAtEngine, LogsCommandLinesAsReceived) {
    PhoneAtEngine phone(quiet());
    talk(phone, "AT\rATD+4930");
    EXPECT_EQ(phone.commands(), (std::vector<std::string>{"AT"}));
    talk(phone, "123;\rnoise\r\rAT+chup\r");
    EXPECT_EQ(phone.commands(), (std::vector<std::string>{"AT", "ATD+4930123;", "AT+chup"}));
    phone.clear_commands();
    EXPECT_TRUE(phone.commands().empty());
}

TEST(PhoneAtEngine, OverlongLineIsRefusedWithoutGrowing) {
    PhoneAtEngine phone(quiet());
    const std::string huge = "AT" + std::string(100000, '1');
    EXPECT_EQ(talk(phone, huge + "\r"), "ERROR\r\n");
    ASSERT_EQ(phone.commands().size(), 1u);
    EXPECT_EQ(phone.commands()[0].size(), PhoneAtEngine::kMaxLine);
    // The next line is read normally again; garbage without "AT" is also bounded and then refused.
    EXPECT_EQ(talk(phone, "AT\r"), "OK\r\n");
    EXPECT_EQ(talk(phone, std::string(5000, 'x') + "\r"), "ERROR\r\n");
}

TEST(PhoneAtEngine, TimingAppliesToAnswersNotToTheEcho) {
    PhoneBehaviour b;
    b.answer_delay_ms = 500;
    b.byte_delay_ms = 20;
    PhoneAtEngine phone(b);
    const auto out = phone.receive("AT\r");
    ASSERT_EQ(bytes_of(out), "AT\r\r\nOK\r\n");
    for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(out[i].delay_ms, 0u) << i;
    EXPECT_EQ(out[3].delay_ms, 520u);
    for (std::size_t i = 4; i < out.size(); ++i) EXPECT_EQ(out[i].delay_ms, 20u) << i;
}

TEST(PhoneAtEngine, NoiseHasNoLineEndsAndRepeatsFromTheStart) {
    PhoneBehaviour b = quiet();
    b.noise_bytes = 4000;
    PhoneAtEngine one(b), two(b);
    const std::string a = talk(one, "AT\r");
    EXPECT_EQ(a, talk(two, "AT\r"));
    ASSERT_EQ(a.size(), 4000u + 4u);
    EXPECT_EQ(a.substr(4000), "OK\r\n");
    EXPECT_EQ(a.substr(0, 4000).find_first_of("\r\n"), std::string::npos);
    // Noise is not the same bytes before every answer.
    EXPECT_NE(talk(one, "AT\r"), a);
}

}  // namespace
}  // namespace qel::sim
