// The simulated phone's AT interpreter: line assembly, the command table and answer framing.
#include "sim/phone/phone_at_engine.h"

#include <algorithm>
#include <cctype>
#include <cstdint>

namespace qel::sim {

namespace {

std::string upper(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = char(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

bool equals_ignoring_case(std::string_view a, std::string_view b) {
    return a.size() == b.size() && upper(a) == upper(b);
}

bool starts_with(std::string_view s, std::string_view prefix) { return s.substr(0, prefix.size()) == prefix; }

const char* final_text(DialAnswer a) {
    switch (a) {
        case DialAnswer::ok: return "OK";
        case DialAnswer::error: return "ERROR";
        case DialAnswer::busy: return "BUSY";
        case DialAnswer::no_carrier: return "NO CARRIER";
        case DialAnswer::silence: return "";
    }
    return "";
}

}  // namespace

std::string bytes_of(std::span<const OutgoingByte> out) {
    std::string s;
    s.reserve(out.size());
    for (const auto& b : out) s += b.byte;
    return s;
}

PhoneAtEngine::PhoneAtEngine(PhoneBehaviour behaviour) { set_behaviour(std::move(behaviour)); }

void PhoneAtEngine::set_behaviour(PhoneBehaviour behaviour) {
    behaviour_ = std::move(behaviour);
    scripted_used_.assign(behaviour_.scripted.size(), 0);
    echo_ = behaviour_.echo;
    numeric_operator_ = false;
}

std::vector<OutgoingByte> PhoneAtEngine::receive(std::string_view bytes) {
    std::vector<OutgoingByte> out;
    for (char c : bytes) {
        // The echo goes out as the byte arrives, so an "ATE0" is still echoed itself.
        if (echo_) out.push_back(OutgoingByte{c, 0});
        if (c == '\r') {
            line_complete(out);
        } else if (c == '\n') {
            // Line feeds only separate lines for people; the carriage return ends a command.
        } else if (c == '\b') {
            if (!line_.empty()) line_.pop_back();
        } else if (line_.size() < kMaxLine) {
            line_ += c;
        } else {
            overflow_ = true;
        }
    }
    return out;
}

void PhoneAtEngine::line_complete(std::vector<OutgoingByte>& out) {
    std::string line = std::move(line_);
    line_.clear();
    const bool overflow = overflow_;
    overflow_ = false;
    if (line.size() < 2 || upper(line.substr(0, 2)) != "AT") {
        if (!overflow) return;  // not a command: a modem ignores it
    }
    log_command(line);
    if (overflow) {
        send_answer(Answer{{}, "ERROR", false}, out);
        return;
    }
    for (std::size_t i = 0; i < behaviour_.scripted.size(); ++i) {
        const auto& s = behaviour_.scripted[i];
        if (!equals_ignoring_case(s.command, line)) continue;
        if (s.times > 0 && scripted_used_[i] >= s.times) continue;
        ++scripted_used_[i];
        if (s.reply) send_raw(*s.reply, out);
        return;
    }
    send_answer(answer(line), out);
}

void PhoneAtEngine::log_command(std::string line) {
    if (commands_.size() >= kMaxLog) commands_.erase(commands_.begin());
    commands_.push_back(std::move(line));
}

PhoneAtEngine::Answer PhoneAtEngine::answer(const std::string& line) {
    const std::string_view original = std::string_view(line).substr(2);
    return command(upper(original), original);
}

PhoneAtEngine::Answer PhoneAtEngine::command(std::string_view body, std::string_view original) {
    const bool gsm = !behaviour_.cdma;
    auto ok = [](std::vector<std::string> lines = {}) { return Answer{std::move(lines), "OK", false}; };
    const Answer error{{}, "ERROR", false};

    if (body.empty()) return ok();
    if (body == "Z") {
        echo_ = behaviour_.echo;
        numeric_operator_ = false;
        return ok();
    }
    if (body == "E" || body == "E0" || body == "E1") {
        echo_ = body == "E1";
        return ok();
    }
    if (body == "H" || body == "H0") return ok();
    if (body[0] == 'D') return dial(original.substr(1), false);
    if (body == "+COPS?") return ok({operator_line()});
    if (starts_with(body, "+COPS=")) {
        // <mode>[,<format>[,<operator>]]: only the format matters here.
        const std::string_view args = body.substr(6);
        if (args.empty() || !std::isdigit(static_cast<unsigned char>(args[0]))) return error;
        if (args.size() >= 3 && args[1] == ',') {
            if (args[2] == '2') {
                numeric_operator_ = true;
            } else if (args[2] == '0' || args[2] == '1') {
                numeric_operator_ = false;
            } else {
                return error;
            }
        }
        return ok();
    }
    if (body == "+GMM") return ok({"+GMM: " + behaviour_.model});
    if (body == "+CGMM") return ok({behaviour_.model});
    if (body == "+CAD?") return gsm ? error : ok({"+CAD: 1"});
    if (body == "+CGREG?") return gsm ? ok({"+CGREG: 0,1"}) : error;
    if (body == "+CGDCONT=?") {
        if (!behaviour_.context_range) return error;
        const std::string& r = *behaviour_.context_range;
        return ok({"+CGDCONT: (" + r + "),\"IP\",,,(0-2),(0-4)", "+CGDCONT: (" + r + "),\"PPP\",,,(0-2),(0-4)"});
    }
    if (starts_with(body, "+CDV=")) return gsm ? error : dial(original.substr(5), true);
    if (body == "+CHV") return gsm ? error : ok();
    if (body == "+CHUP") return gsm ? ok() : error;
    return error;
}

PhoneAtEngine::Answer PhoneAtEngine::dial(std::string_view number, bool cdma_form) {
    // A voice call ends its number with ';'; the CDMA form has none.
    std::string_view digits = number;
    if (!cdma_form && !digits.empty() && digits.back() == ';') digits.remove_suffix(1);
    if (digits.empty()) return Answer{{}, "ERROR", false};
    if (behaviour_.dial_answer == DialAnswer::silence) return Answer{{}, "", true};
    return Answer{{}, final_text(behaviour_.dial_answer), false};
}

std::string PhoneAtEngine::operator_line() const {
    if (behaviour_.operator_number.empty()) return "+COPS: 0";
    const bool numeric = numeric_operator_ || behaviour_.operator_format != OperatorFormat::alphanumeric;
    if (!numeric) return "+COPS: 0,0,\"" + behaviour_.operator_name + "\"";
    if (behaviour_.operator_format == OperatorFormat::numeric_unquoted) {
        return "+COPS: 0,2," + behaviour_.operator_number;
    }
    return "+COPS: 0,2,\"" + behaviour_.operator_number + "\"";
}

void PhoneAtEngine::send_answer(const Answer& a, std::vector<OutgoingByte>& out) {
    if (a.silent) return;
    std::string text;
    for (std::size_t i = 0; i < behaviour_.noise_bytes; ++i) {
        // A fixed xorshift sequence, so a transcript with noise is the same on every run.
        noise_state_ ^= noise_state_ << 13;
        noise_state_ ^= noise_state_ >> 17;
        noise_state_ ^= noise_state_ << 5;
        char c = char(noise_state_ & 0xFF);
        if (c == '\r' || c == '\n') c = '~';
        text += c;
    }
    auto frame = [&](const std::string& line) {
        text += behaviour_.verbose ? "\r\n" + line + "\r\n" : line + "\r\n";
    };
    for (std::size_t i = 0; i < behaviour_.flood_lines; ++i) {
        frame("+CIEV: 2," + std::to_string(i % 6));
    }
    for (const auto& line : a.lines) frame(line);
    if (!a.final_result.empty()) frame(a.final_result);
    send_raw(text, out);
}

void PhoneAtEngine::send_raw(std::string_view text, std::vector<OutgoingByte>& out) {
    bool first = true;
    for (char c : text) {
        DWORD delay = behaviour_.byte_delay_ms;
        if (first) delay += behaviour_.answer_delay_ms;
        first = false;
        out.push_back(OutgoingByte{c, delay});
    }
}

}  // namespace qel::sim
