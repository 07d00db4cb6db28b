// GUID text and the Bluetooth base UUID (see guid.h).
#include "config/guid.h"

#include <cstdio>

namespace {

// The value of one character as the store reads hexadecimal digits: a decimal digit counts its
// value, anything else its upper-case code minus 55. Not validated, as stored text always was.
int nibble(char16_t c) {
    if (c >= u'0' && c <= u'9') {
        return c - u'0';
    }
    if (c >= u'a' && c <= u'z') {
        c = static_cast<char16_t>(c - (u'a' - u'A'));
    }
    return static_cast<int>(c) - 55;
}

BYTE byte_at(const char16_t* text, int index) {
    return static_cast<BYTE>(nibble(text[index]) * 16 + nibble(text[index + 1]));
}

void write_ascii(const char* text, char16_t* out, std::size_t capacity) {
    std::size_t i = 0;
    for (; text[i] != '\0' && i + 1 < capacity; ++i) {
        out[i] = static_cast<unsigned char>(text[i]);
    }
    out[i] = u'\0';
}

int hex_value(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
}

// One "%0Nx" conversion: skips white space, reads 1 to `width` hexadecimal digits.
bool scan_hex(const char16_t*& p, int width, unsigned long* value) {
    while (*p == u' ' || *p == u'\t' || *p == u'\n' || *p == u'\r' || *p == u'\f' || *p == u'\v') {
        ++p;
    }
    unsigned long v = 0;
    int digits = 0;
    while (digits < width && hex_value(*p) >= 0) {
        v = v * 16 + static_cast<unsigned long>(hex_value(*p));
        ++p;
        ++digits;
    }
    *value = v;
    return digits > 0;
}

bool scan_literal(const char16_t*& p, char16_t c) {
    if (*p != c) return false;
    ++p;
    return true;
}

}  // namespace

void GuidToString(const GUID& tGuid, char16_t* szGuid) {
    char text[kGuidTextChars + 1];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned>(tGuid.Data1), tGuid.Data2, tGuid.Data3, tGuid.Data4[0], tGuid.Data4[1],
                  tGuid.Data4[2], tGuid.Data4[3], tGuid.Data4[4], tGuid.Data4[5], tGuid.Data4[6], tGuid.Data4[7]);
    write_ascii(text, szGuid, kGuidTextChars + 1);
}

void StringToGuid(GUID& guid, const char16_t* szGuid) {
    if (szGuid == nullptr) {
        return;
    }
    for (int i = 0; i < kGuidTextChars; ++i) {
        if (szGuid[i] == u'\0') {
            return;  // too short: never read past the terminator
        }
    }
    if (szGuid[0] != u'{' || szGuid[9] != u'-' || szGuid[14] != u'-' || szGuid[19] != u'-' ||
        szGuid[24] != u'-' || szGuid[37] != u'}') {
        return;
    }
    guid.Data1 = (static_cast<DWORD>(byte_at(szGuid, 1)) << 24) | (static_cast<DWORD>(byte_at(szGuid, 3)) << 16) |
                 (static_cast<DWORD>(byte_at(szGuid, 5)) << 8) | byte_at(szGuid, 7);
    guid.Data2 = static_cast<WORD>((byte_at(szGuid, 10) << 8) | byte_at(szGuid, 12));
    guid.Data3 = static_cast<WORD>((byte_at(szGuid, 15) << 8) | byte_at(szGuid, 17));
    static constexpr int kBytes[8] = {20, 22, 25, 27, 29, 31, 33, 35};
    for (int i = 0; i < 8; ++i) {
        guid.Data4[i] = byte_at(szGuid, kBytes[i]);
    }
}

void MapUuidToGuid(DWORD uuid, GUID* pguid) {
    if (pguid == nullptr) {
        return;
    }
    *pguid = GUID{uuid & 0xFFFFu, 0x0000, 0x1000, {0x80, 0x00, 0x00, 0x80, 0x5F, 0x9B, 0x34, 0xFB}};
}

CGuidStr::CGuidStr(const GUID& guid) : m_guid(guid) {
    char text[64];
    std::snprintf(text, sizeof text, "{%08x-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x}",
                  static_cast<unsigned>(guid.Data1), guid.Data2, guid.Data3, guid.Data4[0], guid.Data4[1],
                  guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5], guid.Data4[6], guid.Data4[7]);
    write_ascii(text, m_szGuid, 64);
}

CGuidStr::CGuidStr(const char16_t* szGuid) {
    std::size_t n = 0;
    if (szGuid != nullptr) {
        for (; n < 63 && szGuid[n] != u'\0'; ++n) {
            m_szGuid[n] = szGuid[n];
        }
    }
    m_szGuid[n] = u'\0';

    // "{%08x-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x}": fields in order until one fails.
    static constexpr int kWidths[11] = {8, 4, 4, 2, 2, 2, 2, 2, 2, 2, 2};
    static constexpr char16_t kBefore[11] = {u'{', u'-', u'-', u'-', 0, u'-', 0, 0, 0, 0, 0};
    unsigned long fields[11] = {};
    int read = 0;
    const char16_t* p = m_szGuid;
    for (int i = 0; i < 11; ++i) {
        if (kBefore[i] != 0 && !scan_literal(p, kBefore[i])) break;
        if (!scan_hex(p, kWidths[i], &fields[i])) break;
        ++read;
    }
    if (read < 11) {
        m_guid = GUID{};
        return;
    }
    m_guid.Data1 = static_cast<DWORD>(fields[0]);
    m_guid.Data2 = static_cast<WORD>(fields[1]);
    m_guid.Data3 = static_cast<WORD>(fields[2]);
    for (int i = 0; i < 8; ++i) {
        m_guid.Data4[i] = static_cast<BYTE>(fields[3 + i]);
    }
}
