// Message body content stored into and read from message part records.
#include "pim/msg_content.h"

#include <cctype>
#include <cstring>
#include <new>

#include "pim/charsets.h"
#include "pim/osif_log.h"
#include "pim/osif_props.h"
#include "pim/quoted_printable.h"
#include "pim/value_text.h"
#include "platform/text/text.h"

using namespace qel::pim;

namespace {

constexpr int kCharsetNameLimit = 260;

// Makes *slot a one-node list holding a copy of text.
void set_single(tagString** slot, const std::string& text) {
    if (!*slot && !NewString(slot)) return;
    CopyStringValue(&(*slot)->str, text.c_str());
}

char* heap_copy(const std::string& text) {
    char* out = static_cast<char*>(OSIF_Alloc(text.size() + 1));
    if (out) std::memcpy(out, text.data(), text.size() + 1);
    return out;
}

// The code page of the "charset" parameter inside a content-type text; 0 when none.
UINT content_type_code_page(const tagString* contentType) {
    if (!contentType || !contentType->str) return 0;
    std::string upper = contentType->str;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    const std::size_t at = upper.find("CHARSET");
    if (at == std::string::npos) return 0;
    char name[kCharsetNameLimit + 1];
    if (GetStringValue(contentType->str + at, name, kCharsetNameLimit) == 0) return 0;
    std::size_t n = std::strlen(name);
    while (n > 0 && name[n - 1] == ';') name[--n] = '\0';  // an unquoted value before the next parameter
    return CharsetToCodePage(name);
}

std::u16string content_to_wide(const tagPart* part) {
    if (!part || !part->content || !part->content->values || !part->content->values->str) return {};
    const char* raw = part->content->values->str;
    const std::string text = (part->flags & OSIF_ENC_QP) ? decode_quoted_printable(raw) : expand_crlf_escapes(raw);
    UINT cp = content_type_code_page(part->contentType);
    if (cp == 0) {
        std::string setting;
        if (!ReadCharsetSetting(u"DefaultInputCharset", setting)) {
            osif_log(OSIF_LOG_WARNING, "OSIF:  no registry setting, check display/OS locale");
        }
        cp = incoming_code_page_for(text);
    }
    std::u16string wide;
    DecodeToBSTR(cp, text, wide);
    return wide;
}

}  // namespace

void BSTRtoContent(std::u16string_view text, tagPart* part, bool html) noexcept {
    if (text.empty() || !part) return;
    try {
        UINT cp = 1252;
        if (!is_ascii(text)) {
            cp = GetOutgoingDefaultCodePage();
            if (cp == 0 || !qel::platform::is_valid_code_page(cp)) cp = CP_UTF8;
        }
        std::string bytes = encode_to(cp, text);
        if (const char* name = CodePageToCharset(cp)) {
            set_single(&part->contentType,
                       std::string(html ? "text/html" : "text/plain") + "; charset=\"" + name + "\"");
            part->flags |= OSIF_ENC_CHARSET;
        }
        const std::size_t encoded = CharToQuotedPrintable(bytes.c_str(), nullptr, 0);
        if (encoded != bytes.size()) {
            std::string qp(encoded + 1, '\0');
            CharToQuotedPrintable(bytes.c_str(), qp.data(), qp.size());
            qp.resize(encoded);
            bytes = std::move(qp);
            set_single(&part->transferEncoding, "quoted-printable");
            part->flags |= OSIF_ENC_QP;
        }
        tagProp* content = AppendProp(&part->content);
        if (content) AddPropValue(content, heap_copy(bytes), 0);
    } catch (const std::bad_alloc&) {
    }
}

void STRtoContent(const char* text, tagPart* part, bool html) noexcept {
    if (!text) return;
    try {
        BSTRtoContent(qel::platform::to_utf16(text, qel::platform::ansi_code_page()), part, html);
    } catch (const std::bad_alloc&) {
    }
}

void FileToContent(const char16_t* path, tagPart* part, const char16_t* displayName) noexcept {
    if (!path || !part) return;
    try {
        const std::string name =
            qel::platform::from_utf16(displayName ? displayName : u"", qel::platform::ansi_code_page());
        set_single(&part->contentType, "text/plain; charset=US-ASCII; name=\"" + name + "\"");
        set_single(&part->transferEncoding, "base64");
        tagProp* content = AppendProp(&part->content);
        if (content) FileToProp(path, content);
    } catch (const std::bad_alloc&) {
    }
}

void ContentToBSTR(const tagPart* part, std::u16string& out) noexcept {
    try {
        out = content_to_wide(part);
    } catch (const std::bad_alloc&) {
        out.clear();
    }
}

void ContentToSTR(const tagPart* part, std::string& out) noexcept {
    try {
        out = qel::platform::from_utf16(content_to_wide(part), qel::platform::ansi_code_page());
    } catch (const std::bad_alloc&) {
        out.clear();
    }
}
