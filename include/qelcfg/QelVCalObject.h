// qbtapiM::QelVCalObject: the caller's view of one event or to-do read from a vCalendar file. It
// points into the library's parse record, so its getters are to be used inside the parse
// callback that received it, or afterwards until the next parse of the process begins.
//
// Text getters read the value into 8-bit text in the process's ANSI code page (quoted-printable
// decoded, character set applied, escapes resolved), widened to UTF-16; empty when absent. The
// date getters format the local date and time as "YYYYMMDDTHHMMSS", 45010101T000000 when the
// date is absent. This header compiles on its own.
#pragma once

#include <cstdint>
#include <string>

struct tagvObject;

namespace qbtapiM {

class QelVCalObject {
public:
    QelVCalObject(tagvObject* object, std::uint32_t parseStatus) : m_pObject(object), m_dwParseStatus(parseStatus) {}

    // 1 event, 2 to-do.
    std::uint32_t GetCalObjectType() const;
    std::u16string GetEventSummary() const;      // SUMMARY
    std::u16string GetEventDescription() const;  // DESCRIPTION
    std::u16string GetStartDate() const;         // DTSTART
    std::u16string GetEndDate() const;           // DTEND

    // Whether the event is marked as lasting all day, its X-IRMC-LUID text, and the status it was
    // delivered with (18 or 19).
    bool IsAllDay() const;
    std::string GetLuid() const;
    std::uint32_t GetParseStatus() const { return m_dwParseStatus; }

private:
    tagvObject* m_pObject;
    std::uint32_t m_dwParseStatus;
};

}  // namespace qbtapiM
