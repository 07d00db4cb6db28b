// Fuzzes the dialer's response parser: arbitrary bytes are fed to FireChar, the two bytes FF 00
// resetting the parser as a new command does. Nothing may be written out of bounds (the
// sanitizers watch the fixed buffers), every length must stay inside its buffer, and a final
// answer sent after whatever came before must always be recognised.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "dialup/dialer/dialer.h"

namespace {

void check_bounds(const CDialer& dialer) {
    if (dialer.GetReceiveLength() < 0 || dialer.GetReceiveLength() > CDialer::kReceiveBufferSize) std::abort();
    const int32_t lines = dialer.GetLineCount();
    if (lines < 0 || lines >= CDialer::kMaxLines) std::abort();
    for (int32_t i = 0; i <= lines; ++i) {
        if (dialer.GetLine(i).size() > static_cast<std::size_t>(CDialer::kMaxStoredLine)) std::abort();
    }
    if (dialer.GetResponseLine().size() >= static_cast<std::size_t>(CDialer::kTextSize)) std::abort();
    if (dialer.GetAdditionalText().size() >= static_cast<std::size_t>(CDialer::kTextSize)) std::abort();
}

void feed(CDialer& dialer, std::string_view bytes) {
    for (char c : bytes) dialer.FireChar(c);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static CDialer* dialer = new CDialer;  // one dialer across inputs, as across commands
    dialer->ResetParser();
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::size_t start = 0;
    while (start <= input.size()) {
        std::size_t end = input.find(std::string_view("\xff\x00", 2), start);
        if (end == std::string_view::npos) end = input.size();
        feed(*dialer, input.substr(start, end - start));
        check_bounds(*dialer);
        start = end + 2;
        if (start <= input.size()) dialer->ResetParser();
    }
    feed(*dialer, "\r\n+END: 1\r\nOK\r\n");
    if (!dialer->AnsweredOK() || dialer->GetResponseLine() != "+END: 1\r") std::abort();
    check_bounds(*dialer);
    return 0;
}
