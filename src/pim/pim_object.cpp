// The getters of qbtapiM::QelPIMObject over the contact body of the parse record.
#include "qelcfg/QelPIMObject.h"

#include <string>

#include "pim/charsets.h"
#include "pim/osif_props.h"
#include "pim/pim_object_text.h"
#include "pim/prop_values.h"

namespace qbtapiM {
namespace {

using qel::pim::ansi_to_wide;
using qel::pim::component_text;

// Component 0 of the first property of the list that has a value and whose parameters contain
// `marker`.
std::u16string marked_value(tagProp* list, const char* marker) {
    for (tagProp* p = list; p; p = p->next) {
        if (!p->values || !p->values->str || !p->values->str[0]) continue;
        if (FindString(p->params, marker)) return component_text(p, 0);
    }
    return {};
}

// Components 0, 2, 3, 4, 5 and 6 of the first address marked `marker`, joined by single spaces.
std::u16string address(tagProp* list, const char* marker) {
    tagProp* adr = FindProp(list, marker, nullptr);
    if (!adr) return {};
    std::string joined;
    bool first = true;
    for (int index : {0, 2, 3, 4, 5, 6}) {
        std::string part;
        PropToSTR(part, adr, index);
        if (!first) joined += ' ';
        joined += part;
        first = false;
    }
    return ansi_to_wide(joined);
}

bool blank(const std::u16string& text) { return text.find_first_not_of(u" \t") == std::u16string::npos; }

}  // namespace

std::u16string QelPIMObject::GetLastName() const { return m_pObject ? component_text(m_pObject->body.card.N, 0) : u""; }

std::u16string QelPIMObject::GetFirstName() const {
    if (!m_pObject) return {};
    std::u16string first = component_text(m_pObject->body.card.N, 1);
    if (blank(first) && blank(component_text(m_pObject->body.card.N, 0))) {
        return component_text(m_pObject->body.card.FN, 0);
    }
    return first;
}

std::u16string QelPIMObject::GetMiddleName() const { return m_pObject ? component_text(m_pObject->body.card.N, 2) : u""; }
std::u16string QelPIMObject::GetTitle() const { return m_pObject ? component_text(m_pObject->body.card.N, 3) : u""; }
std::u16string QelPIMObject::GetSuffix() const { return m_pObject ? component_text(m_pObject->body.card.N, 4) : u""; }
std::u16string QelPIMObject::GetJobTitle() const {
    return m_pObject ? component_text(m_pObject->body.card.TITLE, 0) : u"";
}
std::u16string QelPIMObject::GetCompany() const { return m_pObject ? component_text(m_pObject->body.card.ORG, 0) : u""; }

std::u16string QelPIMObject::GetBusinessPhone() const {
    return m_pObject ? marked_value(m_pObject->body.card.TEL, "WORK") : u"";
}
std::u16string QelPIMObject::GetHomePhone() const { return m_pObject ? marked_value(m_pObject->body.card.TEL, "HOME") : u""; }
std::u16string QelPIMObject::GetBusinessFax() const {
    return m_pObject ? marked_value(m_pObject->body.card.TEL, "FAX") : u"";
}
std::u16string QelPIMObject::GetMobilePhone() const {
    return m_pObject ? marked_value(m_pObject->body.card.TEL, "CELL") : u"";
}
std::u16string QelPIMObject::GetBusinessAddress() const {
    return m_pObject ? address(m_pObject->body.card.ADR, "WORK") : u"";
}
std::u16string QelPIMObject::GetHomeAddress() const { return m_pObject ? address(m_pObject->body.card.ADR, "HOME") : u""; }

std::u16string QelPIMObject::GetEmail() const {
    if (!m_pObject) return {};
    std::u16string all;
    for (tagProp* p = m_pObject->body.card.EMAIL; p; p = p->next) {
        if (!p->values || !p->values->str || !p->values->str[0]) continue;
        all += component_text(p, 0);
        all += u' ';
    }
    return all;
}

std::u16string QelPIMObject::GetNote() const { return m_pObject ? component_text(m_pObject->body.card.NOTE, 0) : u""; }

std::string QelPIMObject::GetVersion() const { return m_pObject ? std::string(m_pObject->version) : std::string(); }
std::string QelPIMObject::GetLuid() const { return m_pObject ? std::string(m_pObject->luid) : std::string(); }

}  // namespace qbtapiM
