// ODS: the caller's own trace lines, through the facade's trace.
#include <string>

#include "platform/utf.h"
#include "qelcfg/QelConfig.h"
#include "trace/qel_trace.h"

namespace qbtapiM {
namespace {

constexpr std::size_t kLongText = 1000;  // text longer than this is cut ...
constexpr std::size_t kCutText = 980;    // ... to this many bytes

void write_line(bool fError, std::string_view text) {
    if (fError) {
        QelTraceErr("%s\n", text);
    } else {
        QelTrace("%s\n", text);
    }
}

}  // namespace

void QelConfig::ODS(bool fError, std::string_view text) {
    if (text.size() > kLongText) text = text.substr(0, kCutText);
    write_line(fError, text);
}

void QelConfig::ODS(bool fError, std::u16string_view text) {
    const std::string utf8 = qel::platform::utf16_to_utf8(text, qel::platform::UnpairedSurrogate::replace);
    std::string_view line = utf8;
    if (line.size() > kLongText) {
        std::size_t cut = kCutText;
        // Back off to the start of the character the cut would split.
        while (cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) --cut;
        line = line.substr(0, cut);
    }
    write_line(fError, line);
}

}  // namespace qbtapiM
