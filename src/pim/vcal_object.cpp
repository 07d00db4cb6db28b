// The getters of qbtapiM::QelVCalObject over the calendar body of the parse record.
#include "qelcfg/QelVCalObject.h"

#include <string>

#include "pim/charsets.h"
#include "pim/ole_dates.h"
#include "pim/osif_records.h"
#include "pim/pim_object_text.h"

namespace qbtapiM {
namespace {

constexpr int kDescriptionSlot = 2;
constexpr int kEndSlot = 4;
constexpr int kStartSlot = 6;
constexpr int kSummarySlot = 8;

// Component 0 of the slot's first property read as a date from its raw text, formatted as local
// ISO date and time; the empty date when the property or its text is absent.
std::u16string date_text(const tagvObject* object, int slot) {
    DATE date = OSIF_EMPTY_DATE;
    const tagProp* prop = object ? object->body.cal.slots[slot] : nullptr;
    if (prop && prop->values && prop->values->str && prop->values->str[0]) StrToOleDateTime(date, prop->values->str);
    std::string text;
    DATEToStr(text, date, true, true, true);
    return qel::pim::ansi_to_wide(text);
}

}  // namespace

std::uint32_t QelVCalObject::GetCalObjectType() const { return m_pObject ? m_pObject->calKind : 0; }

std::u16string QelVCalObject::GetEventSummary() const {
    return m_pObject ? qel::pim::component_text(m_pObject->body.cal.slots[kSummarySlot], 0) : u"";
}

std::u16string QelVCalObject::GetEventDescription() const {
    return m_pObject ? qel::pim::component_text(m_pObject->body.cal.slots[kDescriptionSlot], 0) : u"";
}

std::u16string QelVCalObject::GetStartDate() const { return date_text(m_pObject, kStartSlot); }
std::u16string QelVCalObject::GetEndDate() const { return date_text(m_pObject, kEndSlot); }

bool QelVCalObject::IsAllDay() const { return m_pObject && m_pObject->body.cal.allDay == 1; }
std::string QelVCalObject::GetLuid() const { return m_pObject ? std::string(m_pObject->luid) : std::string(); }

}  // namespace qbtapiM
