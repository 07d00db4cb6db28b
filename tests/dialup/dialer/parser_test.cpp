// The dialer's response parser fed byte by byte, as the port's reader thread feeds it: line
// splitting, final answers, the response line and additional text, the bounds of its buffers,
// and the answer event seen by a waiting caller.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <thread>

#include "dialup/dialer/dialer.h"
#include "platform/sync/clock.h"

namespace {

using qel::platform::ScopedTimeScale;

void feed(CDialer& dialer, std::string_view bytes) {
    for (char c : bytes) dialer.FireChar(c);
}

TEST(StrCmpList, FindsTheFirstEntryThatPrefixesTheText) {
    constexpr char kList[] = "OK\r\0ERROR\r\0";
    struct Case {
        const char* text;
        int expected;
    } const cases[] = {
        {"OK\r", 0},           {"ok\r", 0},      {"Error\r", 1},   {"OK\rtrailing\r", 0},
        {"OK", -1},            {"OKAY\r", -1},   {" OK\r", -1},    {"ERRO\r", -1},
        {"", -1},              {nullptr, -1},    {"+CME ERROR: 3\r", -1},
    };
    for (const Case& c : cases) EXPECT_EQ(_strcmplist(c.text, kList), c.expected) << (c.text ? c.text : "(null)");
    EXPECT_EQ(_strcmplist("OK\r", nullptr), -1);
    EXPECT_EQ(_strcmplist("OK\r", "\0"), -1);
    EXPECT_EQ(_strcmplist("abc", "x\0ab\0abc\0"), 1) << "the first matching entry wins, not the longest";
}

// What the phone sends for one command, and what the parser must make of it.
struct Transcript {
    const char* name;
    std::string bytes;
    bool final_answer;  // the answer event is signalled
    bool ok;
    std::string response;
    std::string additional;
};

class ParserTranscripts : public ::testing::TestWithParam<Transcript> {};

TEST_P(ParserTranscripts, GiveTheAnswerAndItsLines) {
    const Transcript& t = GetParam();
    ScopedTimeScale fast{0.001};
    CDialer dialer;
    dialer.ResetParser();
    feed(dialer, t.bytes);
    EXPECT_EQ(dialer.WaitAnswerShortTimeout(), t.final_answer ? (t.ok ? 0 : 1) : -1);
    EXPECT_EQ(dialer.AnsweredOK(), t.ok);
    EXPECT_EQ(dialer.GetResponseLine(), t.response);
    EXPECT_EQ(dialer.GetAdditionalText(), t.additional);
}

INSTANTIATE_TEST_SUITE_P(
    Phones, ParserTranscripts,
    ::testing::Values(
        Transcript{"EchoBlankLinesAndQuotedOperator",
                   "AT+COPS?\r\r\n+COPS: 0,2,\"262001\"\r\n\r\nOK\r\n", true, true, "+COPS: 0,2,\"262001\"\r",
                   "AT+COPS?\r\r+COPS: 0,2,\"262001\"\r"},
        Transcript{"AnswerWithoutEchoIsOnlyInTheAdditionalText", "+COPS: 0,2,\"26201\"\r\nOK\r\n", true, true, "",
                   "+COPS: 0,2,\"26201\"\r"},
        Transcript{"EchoIsNeverTheResponseLine", "AT\r\r\nOK\r\n", true, true, "", "AT\r\r"},
        Transcript{"LastLongLineBeforeOkWins", "ATI\r\r\nfirst\r\nsecond\r\n\r\nOK\r\n", true, true, "second\r",
                   "ATI\r\rfirst\rsecond\r"},
        Transcript{"LowerCaseOk", "AT\r\r\nok\r\n", true, true, "", "AT\r\r"},
        Transcript{"Error", "ATX\r\r\nERROR\r\n", true, false, "", ""},
        Transcript{"OtherResultsAreNotFinal", "ATD1;\r\r\nBUSY\r\n\r\nNO CARRIER\r\n+CME ERROR: 30\r\n", false,
                   false, "", ""},
        Transcript{"OkWithoutLineFeedIsNotYetFinal", "AT\r\r\nOK\r", false, false, "", ""},
        Transcript{"LineFeedWithoutCarriageReturnJoinsTheLine", "AT\r\r\n+CGDCONT: (1-3)\nOK\r\n", false, false,
                   "", ""},
        Transcript{"LeadingLineFeedIsStoredAndHidesTheAnswer", "\nOK\r\n", false, false, "", ""},
        Transcript{"OkAfterAnErrorSetsTheFlagAgain", "AT\r\r\nERROR\r\n+X: 1\r\nOK\r\n", true, true, "+X: 1\r",
                   "AT\r\rERROR\r+X: 1\r"}),
    [](const ::testing::TestParamInfo<Transcript>& info) { return std::string(info.param.name); });

TEST(ParserState, ResetForgetsTheLastAnswerAndUnsignalsTheEvent) {
    ScopedTimeScale fast{0.001};
    CDialer dialer;
    EXPECT_EQ(dialer.WaitAnswerShortTimeout(), -1) << "no event before the first reset";
    dialer.ResetParser();
    feed(dialer, "AT+GMM\r\r\n+GMM: Model\r\n\r\nOK\r\n");
    ASSERT_EQ(dialer.WaitAnswer(), 0);
    dialer.ResetParser();
    EXPECT_EQ(dialer.WaitAnswerShortTimeout(), -1);
    EXPECT_FALSE(dialer.AnsweredOK());
    EXPECT_EQ(dialer.GetResponseLine(), "");
    EXPECT_EQ(dialer.GetAdditionalText(), "");
    EXPECT_EQ(dialer.GetReceiveLength(), 0);
    EXPECT_EQ(dialer.GetLineCount(), 0);
}

TEST(ParserState, LinesAreStoredWithTheirCarriageReturn) {
    CDialer dialer;
    dialer.ResetParser();
    feed(dialer, "AT\r\r\n\r\nabc");
    EXPECT_EQ(dialer.GetLineCount(), 2);
    EXPECT_EQ(dialer.GetLine(0), "AT\r\r");
    EXPECT_EQ(dialer.GetLine(1), "\r");
    EXPECT_EQ(dialer.GetLine(2), "abc") << "the line still being received";
    EXPECT_EQ(dialer.GetLine(3), "");
    EXPECT_EQ(dialer.GetLine(-1), "");
}

TEST(ParserBounds, ResponseLineAndAdditionalTextAreCut) {
    CDialer dialer;
    dialer.ResetParser();
    const std::string long_line(1500, 'x');
    feed(dialer, "AT\r\r\n" + long_line + "\r\n" + std::string(600, 'y') + "\r\nOK\r\n");
    ASSERT_TRUE(dialer.AnsweredOK());
    EXPECT_EQ(dialer.GetResponseLine(), std::string(600, 'y') + "\r");
    const std::string additional = dialer.GetAdditionalText();
    EXPECT_EQ(additional.size(), std::size_t(CDialer::kTextSize - 1));
    EXPECT_EQ(additional.substr(0, 5), "AT\r\rx");

    dialer.ResetParser();
    feed(dialer, "AT\r\r\n" + long_line + "\r\nOK\r\n");
    const std::string response = dialer.GetResponseLine();
    EXPECT_EQ(response.size(), std::size_t(CDialer::kTextSize - 1));
    EXPECT_EQ(response, std::string(CDialer::kTextSize - 1, 'x'));
}

TEST(ParserBounds, AnOverlongLineKeepsItsStartAndStillEnds) {
    CDialer dialer;
    dialer.ResetParser();
    feed(dialer, "AT+X\r\r\n+X: " + std::string(20000, '7') + "\r\nOK\r\n");
    ASSERT_TRUE(dialer.AnsweredOK());
    EXPECT_EQ(dialer.GetLine(1).size(), std::size_t(CDialer::kMaxStoredLine));
    EXPECT_EQ(dialer.GetLine(1).substr(0, 5), "+X: 7");
    EXPECT_EQ(dialer.GetLine(1).back(), '\r');
    EXPECT_LE(dialer.GetReceiveLength(), CDialer::kReceiveBufferSize);
}

TEST(ParserBounds, AFloodBeforeTheAnswerKeepsTheEchoAndTheLastLines) {
    CDialer dialer;
    dialer.ResetParser();
    std::string flood = "AT+COPS?\r\r\n";
    for (int i = 0; i < 600; ++i) flood += "+NOISE: line " + std::to_string(i) + " of a phone that talks\r\n";
    feed(dialer, flood + "+COPS: 0,2,\"26201\"\r\n\r\nOK\r\n");
    ASSERT_TRUE(dialer.AnsweredOK());
    EXPECT_EQ(dialer.GetResponseLine(), "+COPS: 0,2,\"26201\"\r");
    EXPECT_EQ(dialer.GetLine(0), "AT+COPS?\r\r");
    EXPECT_EQ(dialer.GetLine(dialer.GetLineCount() - 2), "\r");
    EXPECT_LT(dialer.GetLineCount(), CDialer::kMaxLines);
    EXPECT_LE(dialer.GetReceiveLength(), CDialer::kReceiveBufferSize);
    EXPECT_EQ(dialer.GetAdditionalText().substr(0, 12), "AT+COPS?\r\r+N");
}

TEST(ParserBounds, ManyShortLinesOverflowTheLineTableNotTheAnswer) {
    CDialer dialer;
    dialer.ResetParser();
    std::string lines = "AT\r\r\n";
    for (int i = 0; i < 3 * CDialer::kMaxLines; ++i) lines += "\r\n";
    feed(dialer, lines + "+CGDCONT: (1-16)\r\nOK\r\n");
    ASSERT_TRUE(dialer.AnsweredOK());
    EXPECT_EQ(dialer.GetResponseLine(), "+CGDCONT: (1-16)\r");
    EXPECT_EQ(dialer.GetLineCount(), CDialer::kMaxLines - 1);
}

// Whatever came before, a line end followed by a final answer is recognised and the parser's
// lengths stay inside their buffers.
TEST(ParserBounds, ArbitraryBytesThenAnAnswerAreAlwaysRecognised) {
    std::mt19937 random(20261206);
    CDialer dialer;
    for (int round = 0; round < 300; ++round) {
        dialer.ResetParser();
        std::uniform_int_distribution<int> length(0, 9000);
        std::uniform_int_distribution<int> byte(0, 255);
        std::uniform_int_distribution<int> kind(0, 9);
        std::string bytes(static_cast<std::size_t>(length(random)), '\0');
        for (char& c : bytes) {
            const int k = kind(random);
            c = k == 0 ? '\r' : k == 1 ? '\n' : static_cast<char>(byte(random));
        }
        feed(dialer, bytes);
        EXPECT_LE(dialer.GetReceiveLength(), CDialer::kReceiveBufferSize);
        EXPECT_LT(dialer.GetLineCount(), CDialer::kMaxLines);
        const bool error = round % 2 == 1;
        feed(dialer, error ? "\r\nERROR\r\n" : "\r\n+R: done\r\nOK\r\n");
        ASSERT_EQ(dialer.AnsweredOK(), !error) << "round " << round;
        if (!error) {
            EXPECT_EQ(dialer.GetResponseLine(), "+R: done\r");
        }
        EXPECT_LT(dialer.GetResponseLine().size(), std::size_t(CDialer::kTextSize));
        EXPECT_LT(dialer.GetAdditionalText().size(), std::size_t(CDialer::kTextSize));
    }
}

TEST(ParserThreads, ACallerWaitingForTheAnswerSeesWhatAnotherThreadFed) {
    ScopedTimeScale scale{0.1};
    CDialer dialer;
    dialer.ResetParser();
    std::thread reader([&] {
        for (char c : std::string("AT+CGDCONT=?\r\r\n+CGDCONT: (1-3),\"IP\"\r\n\r\nOK\r\n")) {
            dialer.FireChar(c);
            if (c == '\n') std::this_thread::yield();
        }
    });
    EXPECT_EQ(dialer.WaitAnswer(), 0);
    reader.join();
    EXPECT_EQ(dialer.GetResponseLine(), "+CGDCONT: (1-3),\"IP\"\r");
}

TEST(DialCommand, KeepsOnlyDialCharactersUpToTheFirstSemicolon) {
    struct Case {
        const char* number;
        bool cdma;
        const char* command;
    } const cases[] = {
        {"+49 (30) 123-45;ext", false, "ATD+493012345;\r"},
        {"#777", true, "AT+CDV=777\r"},
        {"*99#", false, "ATD99;\r"},
        {"0w123,456!L@s=S", false, "ATD0w123,456!L@s=S;\r"},
        {"123\r\nATH\r", false, "ATD123;\r"},
        {"12;34;56", true, "AT+CDV=12\r"},
        {";123", false, "ATD;\r"},
        {"", false, "ATD;\r"},
        {nullptr, true, "AT+CDV=\r"},
        {"0123456789012345678901234567890123456789", false, "ATD01234567890123456789012345678901;\r"},
        {"1-2-3-4-5-6-7-8-9-0-1-2-3-4-5-6-7-8-9-0-1-2-3-4-5-6-7-8-9-0-1-2-3-4-5", false,
         "ATD12345678901234567890123456789012;\r"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CDialer::MakeDialCommand(c.number, c.cdma), c.command) << (c.number ? c.number : "(null)");
    }
}

TEST(DialCommand, NothingInTheNumberAddsASecondCommand) {
    std::mt19937 random(77);
    std::uniform_int_distribution<int> byte(1, 255);
    for (int round = 0; round < 2000; ++round) {
        std::string number(static_cast<std::size_t>(round % 80), '\0');
        for (char& c : number) c = static_cast<char>(byte(random));
        for (bool cdma : {false, true}) {
            const std::string command = CDialer::MakeDialCommand(number.c_str(), cdma);
            const std::string prefix = cdma ? "AT+CDV=" : "ATD";
            ASSERT_EQ(command.compare(0, prefix.size(), prefix), 0);
            ASSERT_EQ(command.find('\r'), command.size() - 1);
            const std::size_t semicolon = command.find(';');
            ASSERT_EQ(semicolon, cdma ? std::string::npos : command.size() - 2);
            ASSERT_LE(command.size(), prefix.size() + CDialer::kMaxDialChars + (cdma ? 1 : 2));
        }
    }
}

}  // namespace
