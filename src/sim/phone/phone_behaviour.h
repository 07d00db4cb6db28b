// How a simulated phone answers AT commands: the settings of the phone's modem (echo, framing of
// answers, operator, CDMA or GSM, model, packet-data contexts, answers to dial commands), the
// timing of its bytes, disturbances (noise, extra lines) and scripted replies that replace the
// phone's own answer to one command. Plain values; copied into the engine that uses them.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "platform/win32.h"

namespace qel::sim {

// How +COPS? names the operator before a +COPS=3,2 selects the numeric format. After it the
// answer is numeric (quoted, unless numeric_unquoted is chosen).
enum class OperatorFormat {
    numeric_quoted,    // +COPS: 0,2,"262001"
    numeric_unquoted,  // +COPS: 0,2,262001
    alphanumeric,      // +COPS: 0,0,"Quorlan Mobile"
};

// What the phone answers to a dial command (ATD<number>; or AT+CDV=<number>).
enum class DialAnswer { ok, error, busy, no_carrier, silence };

// One scripted reply: when a received command line equals `command` (compared without its
// carriage return, ignoring case), the phone sends `reply` exactly as given (no framing added)
// instead of its own answer; nothing at all when `reply` is empty (nullopt). The echo is still
// sent when echo is on. `times` limits how often the entry applies (0: every time); the first
// entry that matches and is not used up wins, so a list can replay a transcript step by step.
struct ScriptedReply {
    std::string command;
    std::optional<std::string> reply;
    int times = 0;
};

struct PhoneBehaviour {
    // Echo of received bytes, as typed (ATE0 / ATE1 switch it at run time; ATZ restores this).
    bool echo = true;
    // Framing of answers: "\r\n<answer>\r\n" when true, "<answer>\r\n" when false.
    bool verbose = true;

    // Operator identity: country and network code digits; empty when the phone is not
    // registered (+COPS? then answers "+COPS: 0").
    std::string operator_number = "26201";
    std::string operator_name = "Quorlan Mobile";
    OperatorFormat operator_format = OperatorFormat::alphanumeric;

    // A CDMA phone answers +CAD? with OK and +CGREG? with ERROR; a GSM phone the other way round.
    // +CDV and +CHV are known to CDMA phones only.
    bool cdma = false;
    // The model text of +GMM, sent as "+GMM: <model>" (e.g. "Motorola CDMA Q2 Phone").
    std::string model = "Corvo 6300i GSM";
    // The range of packet-data context identifiers in the +CGDCONT=? answer ("1-3", "1-255",
    // "1-16"); nothing: the phone answers ERROR (no packet data).
    std::optional<std::string> context_range = std::string("1-3");

    DialAnswer dial_answer = DialAnswer::ok;

    // Timing, in platform milliseconds (scaled by the platform clock): an answer waits
    // answer_delay_ms before it starts, and byte_delay_ms before each of its bytes. The echo is
    // sent without pause.
    DWORD answer_delay_ms = 0;
    DWORD byte_delay_ms = 0;

    // Disturbances before every answer (not the echo): `noise_bytes` bytes of line noise (never a
    // carriage return or line feed), then `flood_lines` extra information lines.
    std::size_t noise_bytes = 0;
    std::size_t flood_lines = 0;

    std::vector<ScriptedReply> scripted;
};

}  // namespace qel::sim
