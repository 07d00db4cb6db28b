// The AT command interpreter of a simulated phone, without any I/O: it takes the bytes the phone
// receives and returns the bytes the phone sends in answer, each with the pause before it. The
// PhoneModem runs it on a pseudo-terminal; tests run it directly to check transcripts.
//
// What it understands (the behaviour's settings decide the answers, see phone_behaviour.h):
//  - Command lines end with a carriage return; line feeds are ignored, a backspace removes the
//    last byte. Lines that do not start with "AT" (any case) are ignored, as a modem does.
//  - AT, ATZ, ATE/ATE0/ATE1, ATH/ATH0, ATD<number>, AT+COPS?, AT+COPS=<mode>[,<format>],
//    AT+GMM, AT+CGMM, AT+CAD?, AT+CGREG?, AT+CGDCONT=?, AT+CDV=<number>, AT+CHV, AT+CHUP.
//    Anything else is answered ERROR. A scripted reply for a line replaces the phone's answer.
//  - Answers: information lines, then the final result ("OK", "ERROR", "BUSY", "NO CARRIER"),
//    framed "\r\n<line>\r\n" when verbose, "<line>\r\n" otherwise; the echo of each received byte
//    comes first when echo is on.
//
// Promises: never throws; a command line longer than kMaxLine bytes is answered ERROR without
// growing memory; the command log keeps the last kMaxLog lines. Not thread-safe: one user at a
// time (PhoneModem guards it with its lock).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win32.h"
#include "sim/phone/phone_behaviour.h"

namespace qel::sim {

// One byte to send, after a pause of `delay_ms` platform milliseconds.
struct OutgoingByte {
    char byte = 0;
    DWORD delay_ms = 0;
    friend bool operator==(const OutgoingByte&, const OutgoingByte&) = default;
};

class PhoneAtEngine {
public:
    static constexpr std::size_t kMaxLine = 512;
    static constexpr std::size_t kMaxLog = 10000;

    explicit PhoneAtEngine(PhoneBehaviour behaviour = {});

    // Takes received bytes; returns what the phone sends in answer, in order.
    std::vector<OutgoingByte> receive(std::string_view bytes);

    // The command lines received (without the carriage return), oldest first.
    const std::vector<std::string>& commands() const { return commands_; }
    void clear_commands() { commands_.clear(); }

    const PhoneBehaviour& behaviour() const { return behaviour_; }
    // Replaces the settings; the echo switch and the operator format return to their start state.
    void set_behaviour(PhoneBehaviour behaviour);
    // Whether received bytes are echoed now (ATE0/ATE1 change it).
    bool echo() const { return echo_; }

private:
    struct Answer {
        std::vector<std::string> lines;  // information lines
        std::string final_result;        // empty: no final result
        bool silent = false;             // nothing at all is sent
    };

    void line_complete(std::vector<OutgoingByte>& out);
    Answer answer(const std::string& line);
    Answer command(std::string_view body, std::string_view original_body);
    Answer dial(std::string_view number, bool cdma_form);
    std::string operator_line() const;
    void send_answer(const Answer& a, std::vector<OutgoingByte>& out);
    void send_raw(std::string_view text, std::vector<OutgoingByte>& out);
    void log_command(std::string line);

    PhoneBehaviour behaviour_;
    std::vector<int> scripted_used_;  // uses of each scripted reply so far
    bool echo_ = true;
    bool numeric_operator_ = false;   // +COPS=3,2 selected the numeric format
    std::string line_;
    bool overflow_ = false;
    std::vector<std::string> commands_;
    std::uint32_t noise_state_ = 0x2545F491u;
};

// The bytes of an answer without their pauses.
std::string bytes_of(std::span<const OutgoingByte> out);

}  // namespace qel::sim
