#include "platform/text/text.h"

#include <charconv>
#include <climits>
#include <cstring>

#include "platform/environment.h"
#include "platform/last_error.h"
#include "platform/text/codec.h"

namespace qel::platform {
namespace {

constexpr UINT kOemCodePage = 437;
constexpr UINT kDefaultAnsiCodePage = 1252;
constexpr DWORD kMbFlags = MB_PRECOMPOSED | MB_COMPOSITE | MB_USEGLYPHCHARS | MB_ERR_INVALID_CHARS;
constexpr DWORD kWcFlags = WC_DISCARDNS | WC_SEPCHARS | WC_DEFAULTCHAR | WC_ERR_INVALID_CHARS |
                           WC_COMPOSITECHECK | WC_NO_BEST_FIT_CHARS;

UINT resolve(UINT code_page) {
    if (code_page == CP_ACP || code_page == CP_THREAD_ACP) return ansi_code_page();
    if (code_page == CP_OEMCP) return kOemCodePage;
    return code_page;
}

bool is_utf(UINT code_page) { return code_page == CP_UTF8 || code_page == CP_UTF7; }

int fail(DWORD code) {
    set_last_error(code);
    return 0;
}

// Copies a converted text to the caller's buffer, or reports the size it needs.
template <typename Char>
int deliver(const std::basic_string<Char>& text, Char* destination, int destination_size) {
    if (text.size() > static_cast<std::size_t>(INT_MAX)) return fail(ERROR_INVALID_PARAMETER);
    const int needed = static_cast<int>(text.size());
    if (destination_size == 0) return needed;
    if (needed > destination_size) return fail(ERROR_INSUFFICIENT_BUFFER);
    std::memcpy(destination, text.data(), text.size() * sizeof(Char));
    return needed;
}

bool bad_arguments(const void* source, int source_length, const void* destination, int destination_size) {
    return source == nullptr || source_length == 0 || source_length < -1 || destination_size < 0 ||
           (destination == nullptr && destination_size > 0);
}

std::string_view substitute_of(const char* default_char) {
    if (default_char == nullptr) return "?";
    const bool double_byte = static_cast<unsigned char>(default_char[0]) >= 0x80 && default_char[1] != '\0';
    return std::string_view(default_char, double_byte ? 2 : 1);
}

}  // namespace

int multi_byte_to_wide_char(UINT code_page, DWORD flags, const char* source, int source_length,
                            char16_t* destination, int destination_size) {
    if (bad_arguments(source, source_length, destination, destination_size)) {
        return fail(ERROR_INVALID_PARAMETER);
    }
    code_page = resolve(code_page);
    const text::Codec* codec = text::find_codec(code_page);
    if (codec == nullptr) return fail(ERROR_INVALID_PARAMETER);
    if ((flags & ~kMbFlags) != 0 || (!codec->takes_flags() && flags != 0) ||
        (code_page == CP_UTF8 && (flags & ~MB_ERR_INVALID_CHARS) != 0)) {
        return fail(ERROR_INVALID_FLAGS);
    }
    const std::size_t length = source_length == -1 ? std::strlen(source) + 1 : static_cast<std::size_t>(source_length);
    std::u16string wide;
    const bool clean = codec->decode(std::string_view(source, length), wide);
    if (!clean && (flags & MB_ERR_INVALID_CHARS) != 0) return fail(ERROR_NO_UNICODE_TRANSLATION);
    return deliver(wide, destination, destination_size);
}

int wide_char_to_multi_byte(UINT code_page, DWORD flags, const char16_t* source, int source_length,
                            char* destination, int destination_size, const char* default_char,
                            BOOL* used_default) {
    if (bad_arguments(source, source_length, destination, destination_size)) {
        return fail(ERROR_INVALID_PARAMETER);
    }
    code_page = resolve(code_page);
    const text::Codec* codec = text::find_codec(code_page);
    if (codec == nullptr) return fail(ERROR_INVALID_PARAMETER);
    const bool no_default = is_utf(code_page) || !codec->takes_flags();
    if (no_default && (default_char != nullptr || used_default != nullptr)) return fail(ERROR_INVALID_PARAMETER);
    if ((flags & ~kWcFlags) != 0 || (!codec->takes_flags() && flags != 0) ||
        (code_page == CP_UTF8 && (flags & ~WC_ERR_INVALID_CHARS) != 0) ||
        (code_page != CP_UTF8 && (flags & WC_ERR_INVALID_CHARS) != 0)) {
        return fail(ERROR_INVALID_FLAGS);
    }
    const std::size_t length = source_length == -1 ? std::char_traits<char16_t>::length(source) + 1
                                                   : static_cast<std::size_t>(source_length);
    std::string bytes;
    const text::EncodeReport report =
        codec->encode(std::u16string_view(source, length), bytes, substitute_of(default_char));
    if (report.unpaired_surrogate && (flags & WC_ERR_INVALID_CHARS) != 0) {
        return fail(ERROR_NO_UNICODE_TRANSLATION);
    }
    if (used_default != nullptr) *used_default = report.used_default ? TRUE : FALSE;
    return deliver(bytes, destination, destination_size);
}

bool is_valid_code_page(UINT code_page) { return text::find_codec(code_page) != nullptr; }

UINT ansi_code_page() {
    static const UINT code_page = [] {
        const auto value = env_value("QEL_ACP");
        if (!value) return kDefaultAnsiCodePage;
        UINT number = 0;
        const char* end = value->data() + value->size();
        const auto [stop, ec] = std::from_chars(value->data(), end, number);
        // find_codec knows no aliases: "0" or "1" gives 1252 like any unknown number.
        if (ec != std::errc() || stop != end || text::find_codec(number) == nullptr) {
            return kDefaultAnsiCodePage;
        }
        return number;
    }();
    return code_page;
}

std::u16string to_utf16(std::string_view text, UINT code_page) {
    std::u16string wide;
    if (const text::Codec* codec = text::find_codec(resolve(code_page))) codec->decode(text, wide);
    return wide;
}

std::string from_utf16(std::u16string_view text, UINT code_page) {
    std::string bytes;
    if (const text::Codec* codec = text::find_codec(resolve(code_page))) codec->encode(text, bytes, "?");
    return bytes;
}

}  // namespace qel::platform
