// Reading the access-point database (see provider_xml.h).
#include "dialup/providers/provider_xml.h"

#include <strings.h>

#include <cstdint>
#include <new>
#include <string>

#include "pim/cipher/data_cipher.h"
#include "platform/text/text.h"
#include "trace/qel_trace.h"

namespace {

constexpr const char* kFailedFormat = "%s failed on line %d. error=0x%x\n";
constexpr const char* kBreaksFormat = "%s breaks on line %d. code=%d\n";
constexpr const char* kOkFormat = "%s OK\n";
constexpr const char* kOpenName = "openXmlFile\n";
constexpr const char* kLoadName = "_LoadXML_findAPN\n";

// A platform error as an HRESULT: values that already are HRESULTs (the cipher's NTE_* codes,
// anything with the high bit set) pass unchanged.
HRESULT hresult_from_win32(DWORD error) {
    const auto value = static_cast<HRESULT>(error);
    if (value <= 0) return value;
    return static_cast<HRESULT>((error & 0xFFFFu) | 0x80070000u);
}

bool is_element_named(const pugi::xml_node& node, const char* name) {
    return node.type() == pugi::node_element && strcasecmp(node.name(), name) == 0;
}

// Attribute text (UTF-8 inside the document) as 8-bit text in the ANSI code page.
std::string attribute_ansi(const pugi::xml_attribute& attribute) {
    const std::u16string wide = qel::platform::to_utf16(attribute.value(), CP_UTF8);
    return qel::platform::from_utf16(wide, qel::platform::ansi_code_page());
}

// Operator numbers are compared as numbers; anything beyond this reads as this and matches none.
constexpr std::int64_t kNumberCap = std::int64_t{1} << 40;

bool is_blank(char c) { return c == ' '; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Reads the digits at *p (none: 0) and moves past them.
std::int64_t read_number(const char*& p) {
    std::int64_t n = 0;
    for (; is_digit(*p); ++p) {
        if (n < kNumberCap) n = n * 10 + (*p - '0');
    }
    return n;
}

bool scan_list(const std::string& list, std::int64_t wanted) {
    const char* p = list.c_str();
    while (true) {
        while (is_blank(*p)) ++p;
        if (*p == '\0') return false;
        if (read_number(p) == wanted) return true;
        if (!is_blank(*p) && *p != ',') return false;  // end of the text or no separator
        while (is_blank(*p)) ++p;
        while (*p == ',') ++p;
    }
}

}  // namespace

HRESULT openXmlFile(const char* xmlFileName, std::unique_ptr<pugi::xml_document>* pp_doc) {
    if (xmlFileName == nullptr || pp_doc == nullptr) {
        QelTrace(kFailedFormat, kOpenName, __LINE__, static_cast<DWORD>(E_INVALIDARG));
        return E_INVALIDARG;
    }
    pp_doc->reset();
    std::unique_ptr<pugi::xml_document> doc(new (std::nothrow) pugi::xml_document);
    if (!doc) {
        QelTrace(kFailedFormat, kOpenName, __LINE__, static_cast<DWORD>(E_OUTOFMEMORY));
        return E_OUTOFMEMORY;
    }
    std::string plain;
    const DWORD rc = ReadAndDecryptFile(std::filesystem::path(std::string(xmlFileName)), &plain);
    if (rc != 0) {
        const HRESULT hr = hresult_from_win32(rc);
        QelTrace(kFailedFormat, kOpenName, __LINE__, static_cast<DWORD>(hr));
        return hr;
    }
    // The text ends at the first NUL, as the NUL-terminated buffer it was read into.
    const std::u16string wide = qel::platform::to_utf16(plain.c_str(), qel::platform::ansi_code_page());
    // Only the document itself: no DTD processing and no external references (the reader
    // resolves none).
    const pugi::xml_parse_result parsed =
        doc->load_buffer(wide.data(), wide.size() * sizeof(char16_t), pugi::parse_default, pugi::encoding_utf16);
    if (!parsed) {
        QelTrace(kBreaksFormat, kOpenName, __LINE__, static_cast<int>(parsed.status));
        return 1;
    }
    *pp_doc = std::move(doc);
    QelTrace(kOkFormat, kOpenName);
    return 0;
}

HRESULT _LoadXML_findAPN(const char* inFileName, std::int32_t id, sProvider* psProvider) {
    if (psProvider == nullptr || inFileName == nullptr) {
        QelTrace(kFailedFormat, kLoadName, __LINE__, static_cast<DWORD>(E_INVALIDARG));
        return E_INVALIDARG;
    }
    // The original platform initialises its component library for the thread here; the XML
    // reader used on this system needs no such set-up.
    std::unique_ptr<pugi::xml_document> doc;
    const HRESULT hr = openXmlFile(inFileName, &doc);
    if (hr != 0) {
        QelTrace(kBreaksFormat, kLoadName, __LINE__, hr);
        return hr;
    }
    pugi::xml_node head;
    enumXmlChilds<pugi::xml_node>(*doc, &findHeadElement, &head);
    if (!head) {
        QelTrace(kBreaksFormat, kLoadName, __LINE__, 0);
        return 0;
    }
    psProvider->m_nProviderID = id;
    enumXmlChilds<sProvider>(head, &findAPN, psProvider);
    QelTrace(kOkFormat, kLoadName);
    return 0;
}

bool findHeadElement(pugi::xml_node* pp_head, const pugi::xml_node& child) {
    if (!is_element_named(child, "providers")) return true;
    *pp_head = child;
    return false;
}

bool findAPN(sProvider* psProvider, const pugi::xml_node& child) {
    if (!is_element_named(child, "provider")) return true;
    const pugi::xml_attribute ids = child.attribute("ID");
    if (!ids) return true;
    const std::u16string list = qel::platform::to_utf16(ids.value(), CP_UTF8);
    if (!findNumNetInList(list.c_str(), psProvider->m_nProviderID)) return true;
    const pugi::xml_attribute apn = child.attribute("APN");
    if (!apn) return true;
    const pugi::xml_attribute login = child.attribute("Login");
    const pugi::xml_attribute password = child.attribute("Password");
    const std::string apn_text = attribute_ansi(apn);
    const std::string login_text = login ? attribute_ansi(login) : std::string();
    const std::string password_text = password ? attribute_ansi(password) : std::string();
    psProvider->Add(apn_text.c_str(), login ? login_text.c_str() : nullptr,
                    password ? password_text.c_str() : nullptr);
    return true;
}

bool findNumNetInList(const char16_t* bstrList, std::int32_t nProviderID) {
    if (bstrList == nullptr) return false;
    return scan_list(qel::platform::from_utf16(bstrList, qel::platform::ansi_code_page()), nProviderID);
}

bool findNumNetInList(const char16_t* bstrList, const char* szProviderID) {
    if (bstrList == nullptr || szProviderID == nullptr) return false;
    const char* p = szProviderID;
    while (is_blank(*p)) ++p;
    const std::int64_t wanted = read_number(p);
    return scan_list(qel::platform::from_utf16(bstrList, qel::platform::ansi_code_page()), wanted);
}
