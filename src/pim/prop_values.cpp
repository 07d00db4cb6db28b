// Property values read as the caller's text or dates, and text and dates written into properties.
#include "pim/prop_values.h"

#include <cstring>
#include <new>

#include "pim/charsets.h"
#include "pim/ole_dates.h"
#include "pim/osif_log.h"
#include "pim/osif_props.h"
#include "pim/quoted_printable.h"
#include "pim/value_text.h"
#include "platform/text/text.h"

using namespace qel::pim;

namespace {

constexpr int kCharsetNameLimit = 260;

const char* component_text(const tagProp* prop, int index) {
    if (!prop || index < 0) return nullptr;
    const tagString* node = prop->values;
    for (int i = 0; node && i < index; ++i) node = node->next;
    return node ? node->str : nullptr;
}

// The code page a property's CHARSET parameter names; 0 when none.
UINT charset_param_code_page(tagProp* prop) {
    if (!(prop->flags & OSIF_ENC_CHARSET)) return 0;
    const tagString* param = FindString(prop->params, "CHARSET");
    if (!param) return 0;
    char name[kCharsetNameLimit + 1];
    if (GetStringValue(param->str, name, kCharsetNameLimit) == 0) return 0;
    return CharsetToCodePage(name);
}

std::u16string prop_to_wide(tagProp* prop, int index) {
    const char* raw = component_text(prop, index);
    if (!raw) return {};
    const bool quoted = (prop->flags & OSIF_ENC_QP) || FindString(prop->params, "QUOTED-PRINTABLE");
    const std::string text = quoted ? decode_quoted_printable(raw) : expand_crlf_escapes(raw);
    if (text.empty()) return {};
    UINT cp = prop->codePage;
    if (cp == 0) cp = charset_param_code_page(prop);
    if (cp == 0) cp = incoming_code_page_for(text);
    std::u16string wide;
    DecodeToBSTR(cp, text, wide);
    if (wide.find(u'\\') != std::u16string::npos) wide = resolve_escapes(wide);
    if (cp != prop->codePage) prop->codePage = cp;
    return wide;
}

std::string to_ansi(std::u16string_view text) { return qel::platform::from_utf16(text, qel::platform::ansi_code_page()); }

std::u16string from_ansi(const char* text) {
    return qel::platform::to_utf16(text ? text : "", qel::platform::ansi_code_page());
}

char* heap_copy(const std::string& text) {
    char* out = static_cast<char*>(OSIF_Alloc(text.size() + 1));
    if (out) std::memcpy(out, text.data(), text.size() + 1);
    return out;
}

void copy_cut(const std::string& text, char* buffer, std::size_t size) {
    if (!buffer || size == 0) return;
    const std::size_t n = text.size() < size - 1 ? text.size() : size - 1;
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
}

// "primary - secondary", "primary", or "(secondary)".
std::u16string compose(const std::u16string& primary, const std::u16string& secondary) {
    if (primary.empty()) return secondary.empty() ? std::u16string() : u"(" + secondary + u")";
    return secondary.empty() ? primary : primary + u" - " + secondary;
}

}  // namespace

void PropToBSTR(tagProp* prop, int index, std::u16string& out) noexcept {
    try {
        out = prop_to_wide(prop, index);
    } catch (const std::bad_alloc&) {
        out.clear();
    }
}

void PropToSTR(std::string& out, tagProp* prop, int index) noexcept {
    try {
        out = to_ansi(prop_to_wide(prop, index));
    } catch (const std::bad_alloc&) {
        out.clear();
    }
}

tOSIF_ERROR osif_GetProp(tagProp* prop, int index, char* buffer, std::size_t size) noexcept {
    if (buffer && size > 0) buffer[0] = '\0';
    std::string text;
    PropToSTR(text, prop, index);
    if (text.empty()) return 1;
    if (!buffer || size < text.size() + 1) return OSIF_ERR_MEMORY;
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return 0;
}

std::string PropToUTF8(tagProp* prop, int index) noexcept {
    try {
        return WideCharToUTF8(prop_to_wide(prop, index));
    } catch (const std::bad_alloc&) {
        return {};
    }
}

void PropToDATE(tagProp* prop, DATE& out, bool ignoreTime) noexcept {
    out = OSIF_EMPTY_DATE;
    std::string text;
    PropToSTR(text, prop, 0);
    if (ignoreTime) {
        const auto t = text.find('T');
        if (t != std::string::npos) text.resize(t);
    }
    StrToOleDateTime(out, text.c_str());
}

void GetVCardNameAsBSTR(tagvObject* contact, std::u16string& out) noexcept {
    out.clear();
    if (!contact) return;
    try {
        out = prop_to_wide(contact->body.card.FN, 0);
        if (!out.empty()) return;
        tagProp* name = contact->body.card.N;
        for (int i = 0; name && i < 5; ++i) {
            const std::u16string part = prop_to_wide(name, i);
            if (part.empty()) continue;
            if (!out.empty()) out.push_back(u' ');
            out += part;
        }
    } catch (const std::bad_alloc&) {
        out.clear();
    }
}

void osif_GetObjectName(tOSIF_STOREID storeId, tagvObject* object, char* buffer, std::size_t size) noexcept {
    if (buffer && size > 0) buffer[0] = '\0';
    if (!object || !buffer || size == 0) return;
    try {
        std::u16string name;
        if (storeId == OSIF_STORE_PHONEBOOK) {
            GetVCardNameAsBSTR(object, name);
        } else if (storeId == OSIF_STORE_CALENDAR) {
            // Slots 8 and 2 hold SUMMARY and DESCRIPTION for events and to-dos alike.
            name = compose(prop_to_wide(object->body.cal.slots[8], 0), prop_to_wide(object->body.cal.slots[2], 0));
        } else if (storeId == OSIF_STORE_NOTES) {
            name = compose(prop_to_wide(object->body.note.SUMMARY, 0), prop_to_wide(object->body.note.BODY, 0));
        } else if (storeId >= OSIF_STORE_INBOX && storeId <= OSIF_STORE_FOLDER4) {
            name = compose(prop_to_wide(object->body.msg.SUBJECT, 0), prop_to_wide(object->body.msg.FROM, 0));
        }
        copy_cut(to_ansi(name), buffer, size);
    } catch (const std::bad_alloc&) {
        buffer[0] = '\0';
    }
}

void BSTRtoProp(std::u16string_view text, tagProp* prop, bool quotedPrintable, int index) noexcept {
    if (text.empty() || !prop) return;
    try {
        std::u16string escaped;
        for (char16_t c : text) {
            if (c == u'\\' || c == u';') escaped.push_back(u'\\');
            escaped.push_back(c);
        }
        UINT cp = prop->codePage;
        const char* name = nullptr;
        if (cp == 0) {
            if (is_ascii(escaped)) {
                cp = 1252;
            } else {
                cp = GetOutgoingDefaultCodePage();
                name = GetOutgoingCHARSET();
                if (cp == 0 || !qel::platform::is_valid_code_page(cp)) {
                    cp = CP_UTF8;
                    name = "UTF-8";
                }
            }
        }
        if (name && !(prop->flags & OSIF_ENC_CHARSET) && !FindString(prop->params, "CHARSET")) {
            AddPropParam(prop, (std::string("CHARSET=") + name).c_str());
        }
        std::string bytes = encode_to(cp, escaped);
        if (quotedPrintable) {
            const std::size_t encoded = CharToQuotedPrintable(bytes.c_str(), nullptr, 0);
            if (encoded != bytes.size()) {
                std::string qp(encoded + 1, '\0');
                CharToQuotedPrintable(bytes.c_str(), qp.data(), qp.size());
                qp.resize(encoded);
                bytes = std::move(qp);
                if (!FindString(prop->params, "QUOTED-PRINTABLE")) AddPropParam(prop, "ENCODING=QUOTED-PRINTABLE");
            }
        }
        AddPropValue(prop, heap_copy(bytes), index);
    } catch (const std::bad_alloc&) {
    }
}

void STRtoProp(const char* text, tagProp* prop, bool quotedPrintable, int index) noexcept {
    try {
        BSTRtoProp(from_ansi(text), prop, quotedPrintable, index);
    } catch (const std::bad_alloc&) {
    }
}

void UTF8toProp(const char* text, tagProp* prop, bool quotedPrintable, int index) noexcept {
    BSTRtoProp(UTF8ToWideChar(text ? text : ""), prop, quotedPrintable, index);
}

void DATEtoProp(DATE date, tagProp* prop, bool iso, bool withTime, bool asLocal) noexcept {
    if (!prop) return;
    std::string text;
    DATEToStr(text, date, iso, withTime, asLocal);
    if (text.empty()) return;
    AddPropValue(prop, heap_copy(text), 0);
}

std::u16string StringToBSTR(const char* text) noexcept {
    if (!text || !text[0]) return {};
    try {
        std::string setting;
        if (!ReadCharsetSetting(u"DefaultInputCharset", setting)) {
            osif_log(OSIF_LOG_WARNING, "OSIF:  no registry setting, check display/OS locale 2");
        }
        const std::string bytes = expand_crlf_escapes(text);
        std::u16string wide;
        DecodeToBSTR(incoming_code_page_for(bytes), bytes, wide);
        if (wide.find(u'\\') != std::u16string::npos) wide = resolve_escapes(wide);
        return wide;
    } catch (const std::bad_alloc&) {
        return {};
    }
}

std::string StringToSTR(const char* text) noexcept {
    try {
        return to_ansi(StringToBSTR(text));
    } catch (const std::bad_alloc&) {
        return {};
    }
}

DATE StringToDATE(const char* text) noexcept {
    DATE out = OSIF_EMPTY_DATE;
    StrToOleDateTime(out, text);
    return out;
}
