// Shared steps of reading and writing value text.
#include "pim/value_text.h"

#include "pim/charsets.h"
#include "pim/quoted_printable.h"
#include "platform/text/text.h"

namespace qel::pim {

std::string expand_crlf_escapes(std::string_view text) {
    static constexpr std::string_view kBreak = "=0D=0A";
    std::string out;
    out.reserve(text.size());
    std::size_t at = 0;
    for (;;) {
        const std::size_t found = text.find(kBreak, at);
        if (found == std::string_view::npos) break;
        out.append(text.substr(at, found - at));
        out.append("\r\n");
        at = found + kBreak.size();
    }
    out.append(text.substr(at));
    return out;
}

std::string decode_quoted_printable(const char* text) {
    const std::size_t length = QuotedPrintableToChar(text, nullptr, 0);
    std::string out(length + 1, '\0');
    QuotedPrintableToChar(text, out.data(), out.size());
    out.resize(length);
    return out;
}

std::u16string resolve_escapes(std::u16string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != u'\\') {
            out.push_back(text[i]);
            continue;
        }
        if (++i == text.size()) break;  // a backslash at the very end is dropped
        if (text[i] == u'n' || text[i] == u'N') {
            out.append(u"\r\n");
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

UINT incoming_code_page_for(std::string_view text) {
    UINT cp = GetIncomingDefaultCodePage();
    if (cp == 1252 && IsItShiftJIS1(text.data(), text.size())) cp = 932;
    return cp;
}

bool is_ascii(std::u16string_view text) {
    for (char16_t c : text) {
        if (c >= 0x80) return false;
    }
    return true;
}

std::string encode_to(UINT codePage, std::u16string_view text) {
    if (codePage == CP_UTF8) return WideCharToUTF8(text);
    return qel::platform::from_utf16(text, codePage);
}

}  // namespace qel::pim
