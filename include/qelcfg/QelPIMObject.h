// qbtapiM::QelPIMObject: the caller's view of one contact read from a vCard file. It points into
// the library's parse record, so its getters are to be used inside the parse callback that
// received it, or afterwards until the next parse of the process begins.
//
// Every getter returns text (empty when the field is absent): the value as the library reads it
// into 8-bit text in the process's ANSI code page (quoted-printable decoded, character set
// applied, backslash escapes resolved), widened to UTF-16. This header compiles on its own.
#pragma once

#include <cstdint>
#include <string>

struct tagvObject;

namespace qbtapiM {

class QelPIMObject {
public:
    QelPIMObject(tagvObject* object, std::uint32_t parseStatus) : m_pObject(object), m_dwParseStatus(parseStatus) {}

    // N components 0 to 4 of the first N property; the first name falls back to FN when the
    // family and given names are both blank.
    std::u16string GetLastName() const;
    std::u16string GetFirstName() const;
    std::u16string GetMiddleName() const;
    std::u16string GetTitle() const;
    std::u16string GetSuffix() const;
    std::u16string GetJobTitle() const;  // TITLE
    std::u16string GetCompany() const;   // ORG component 0
    // The first telephone number that has a value and whose parameters contain WORK, HOME, FAX or
    // CELL (case-insensitive substring tests).
    std::u16string GetBusinessPhone() const;
    std::u16string GetHomePhone() const;
    std::u16string GetBusinessFax() const;
    std::u16string GetMobilePhone() const;
    // The first ADR marked WORK or HOME: post box, street, locality, region, postal code and
    // country joined by single spaces.
    std::u16string GetBusinessAddress() const;
    std::u16string GetHomeAddress() const;
    // Every e-mail address, in order, each followed by one space.
    std::u16string GetEmail() const;
    std::u16string GetNote() const;

    // The contact's VERSION and X-IRMC-LUID texts, and the status it was delivered with (18 or 19).
    std::string GetVersion() const;
    std::string GetLuid() const;
    std::uint32_t GetParseStatus() const { return m_dwParseStatus; }

private:
    tagvObject* m_pObject;
    std::uint32_t m_dwParseStatus;
};

}  // namespace qbtapiM
