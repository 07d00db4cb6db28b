// The character-set table, the default code pages, Shift-JIS detection and 8-bit/UTF-16
// conversion of versit values.
#include "pim/charsets.h"

#include <cctype>
#include <cstring>
#include <mutex>
#include <new>
#include <vector>

#include "pim/osif_log.h"
#include "platform/registry/registry.h"
#include "platform/text/text.h"

// Searched in this order, first match wins both ways: "US-ASCII" names 1252 before
// "ISO-8859-1" does, and "ISO-8859-1" is also the name of 28591.
const std::array<tagCharset, OSIF_CHARSET_ROWS> g_Charset = {{
    {"UTF-8", 65001},        {"US-ASCII", 1252},      {"SHIFT-JIS", 932},     {"SHIFT_JIS", 932},
    {"SJIS", 932},           {"BIG5", 950},           {"UTF-7", 65000},       {"DIN_66003", 20106},
    {"NS_4551-1", 20108},    {"SEN_850200_B", 20107}, {"_AUTODETECT", 50932}, {"_AUTODETECT_KR", 50949},
    {"CSISO2022JP", 50221},  {"EUC-KR", 51949},       {"GB2312", 936},        {"HZ-GB-2312", 52936},
    {"IBM852", 852},         {"IBM866", 866},         {"IRV", 20105},         {"ISO-2022-JP", 50220},
    {"ISO-2022-JP", 50222},  {"ISO-2022-KR", 50225},  {"ISO-8859-1", 1252},   {"ISO-8859-1", 28591},
    {"ISO-8859-2", 28592},   {"ISO-8859-3", 28593},   {"ISO-8859-4", 28594},  {"ISO-8859-5", 28595},
    {"ISO-8859-6", 28596},   {"ISO-8859-7", 28597},   {"ISO-8859-8", 28598},  {"ISO-8859-9", 28599},
    {"ISO-8859-15", 28605},  {"KOI8-R", 20866},       {"KS_C_5601", 949},     {"WINDOWS-1250", 1250},
    {"WINDOWS-1251", 1251},  {"WINDOWS-1252", 1252},  {"WINDOWS-1253", 1253}, {"WINDOWS-1254", 1254},
    {"WINDOWS-1255", 1255},  {"WINDOWS-1256", 1256},  {"WINDOWS-1257", 1257}, {"WINDOWS-1258", 1258},
    {"WINDOWS-874", 874},    {"X-EUC", 51932},        {"EUC-JP", 51932},
}};

namespace {

constexpr UINT kLocaleJapanese = 1041;
constexpr char16_t kGeneralKey[] = u"Software\\Quorlan\\BTConfig\\General";
constexpr DWORD kCharsetValueLimit = 260;  // wide characters, as the general record reads it

// The default code pages, computed on first use; 0 = not yet. Guarded by defaults_lock.
std::mutex defaults_lock;
UINT uiIncomingCodePage = 0;
UINT uiOutgoingCodePage = 0;
const char* pszOutgoingCharset = nullptr;

std::string upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

// The code page named by a configured value, the native one when the name is unknown.
UINT configured_code_page(const std::string& value, const char* invalid_message) {
    const UINT cp = CharsetToCodePage(value.c_str());
    if (cp != 0) return cp;
    if (upper(value) != "NATIVE") osif_log(OSIF_LOG_ERROR, invalid_message, value.c_str());
    return GetNativeCodepage();
}

}  // namespace

UINT CharsetToCodePage(const char* name) noexcept {
    if (!name) return 0;
    std::string wanted;
    try {
        wanted = upper(name);
    } catch (...) {
        return 0;
    }
    for (const auto& row : g_Charset) {
        if (wanted == row.name) return row.codePage;
    }
    return 0;
}

const char* CodePageToCharset(UINT codePage) noexcept {
    for (const auto& row : g_Charset) {
        if (row.codePage == codePage) return row.name;
    }
    return nullptr;
}

bool ReadCharsetSetting(const char16_t* valueName, std::string& value) noexcept {
    value.clear();
    qel::platform::RegKey key;
    if (qel::platform::reg_open_key(HKEY_CURRENT_USER, kGeneralKey, KEY_READ, key.put()) != 0) return false;
    char16_t text[kCharsetValueLimit + 1] = {};
    DWORD type = 0;
    DWORD size = kCharsetValueLimit * sizeof(char16_t);
    if (qel::platform::reg_query_value(key.get(), valueName, &type, reinterpret_cast<BYTE*>(text), &size) != 0 ||
        type != REG_SZ) {
        return false;
    }
    try {
        value = qel::platform::from_utf16(std::u16string_view(text), qel::platform::ansi_code_page());
    } catch (...) {
        value.clear();
    }
    return !value.empty();
}

UINT GetNativeCodepage() noexcept { return qel::platform::ansi_code_page(); }

UINT GetIncomingDefaultCodePage() noexcept {
    std::lock_guard lock(defaults_lock);
    if (uiIncomingCodePage == 0) {
        UINT cp = 1252;
        std::string value;
        if (ReadCharsetSetting(u"DefaultInputCharset", value)) {
            cp = configured_code_page(value, "OSIF:  Registry input CHARSET '%s' not valid, using native codepage");
        }
        uiIncomingCodePage = cp;
    }
    return uiIncomingCodePage;
}

UINT GetOutgoingDefaultCodePage() noexcept {
    std::lock_guard lock(defaults_lock);
    if (uiOutgoingCodePage == 0) {
        UINT cp = 65001;
        std::string value;
        if (ReadCharsetSetting(u"DefaultOutputCharset", value)) {
            cp = configured_code_page(value, "OSIF:  Registry output CHARSET '%s' not valid, using native codepage");
        }
        uiOutgoingCodePage = cp;
        pszOutgoingCharset = cp == 1252 ? nullptr : CodePageToCharset(cp);
    }
    return uiOutgoingCodePage;
}

const char* GetOutgoingCHARSET() noexcept {
    GetOutgoingDefaultCodePage();
    std::lock_guard lock(defaults_lock);
    return pszOutgoingCharset;
}

void ResetDefaultCodePages() noexcept {
    std::lock_guard lock(defaults_lock);
    uiIncomingCodePage = 0;
    uiOutgoingCodePage = 0;
    pszOutgoingCharset = nullptr;
}

bool IsShiftJisLocale() noexcept {
    // The system default locale follows the ANSI code page: Japanese (1041) uses 932.
    UINT locale = GetNativeCodepage() == 932 ? kLocaleJapanese : 0;
    if (locale != kLocaleJapanese) {
        qel::platform::RegKey key;
        if (qel::platform::reg_open_key(HKEY_CURRENT_USER, u"Control Panel\\Appearance", KEY_READ, key.put()) == 0) {
            BYTE data[4] = {};
            DWORD type = 0;
            DWORD size = sizeof data;
            if (qel::platform::reg_query_value(key.get(), u"schemelangid", &type, data, &size) == 0 &&
                (type == REG_DWORD || type == REG_BINARY) && size >= 2) {
                locale = static_cast<UINT>(data[0] | (data[1] << 8));
                if (size >= 4) locale |= static_cast<UINT>(data[2] << 16) | (static_cast<UINT>(data[3]) << 24);
            }
        }
    }
    if (locale != kLocaleJapanese) return false;
    osif_log(OSIF_LOG_ERROR, "OSIF:  using Shift_Jis Locale:%d", locale);
    return true;
}

bool IsItShiftJIS1(const char* text, std::size_t length) noexcept {
    if (!text || length == 0 || !IsShiftJisLocale()) return false;
    for (std::size_t i = 0; i < length; ++i) {
        const auto b = static_cast<unsigned char>(text[i]);
        const bool lead = (b >= 0x81 && b <= 0x84) || (b >= 0x88 && b <= 0x9F) || (b >= 0xA1 && b <= 0xEA);
        if (!lead) continue;
        if (length > 0x7FFFFFFF) return false;
        return qel::platform::multi_byte_to_wide_char(932, MB_ERR_INVALID_CHARS, text, static_cast<int>(length),
                                                      nullptr, 0) != 0;
    }
    return false;
}

bool DecodeToBSTR(UINT codePage, std::string_view text, std::u16string& out) noexcept {
    out.clear();
    if (!qel::platform::is_valid_code_page(codePage)) return false;
    if (text.empty()) return true;
    if (codePage == CP_UTF8) {
        out = UTF8ToWideChar(text);
        return !out.empty();
    }
    if (text.size() > 0x7FFFFFFF) return false;
    const int n = static_cast<int>(text.size());
    const int needed = qel::platform::multi_byte_to_wide_char(codePage, 0, text.data(), n, nullptr, 0);
    if (needed <= 0) return false;
    try {
        out.resize(static_cast<std::size_t>(needed));
    } catch (const std::bad_alloc&) {
        return false;
    }
    const int written = qel::platform::multi_byte_to_wide_char(codePage, 0, text.data(), n, out.data(), needed);
    out.resize(written > 0 ? static_cast<std::size_t>(written) : 0);
    return written > 0;
}

std::string WideCharToUTF8(std::u16string_view text) noexcept {
    try {
        return qel::platform::from_utf16(text, CP_UTF8);
    } catch (const std::bad_alloc&) {
        return {};
    }
}

std::u16string UTF8ToWideChar(std::string_view text) noexcept {
    try {
        return qel::platform::to_utf16(text, CP_UTF8);
    } catch (const std::bad_alloc&) {
        return {};
    }
}
