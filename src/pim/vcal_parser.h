// Reading vCalendar files (1.0, and the parts of 2.0 that 1.0 also has): the calendar keyword
// table and OSIF_ParseVCalendars, which reads each calendar into the shared parse record
// (pim/pim_object_record.h) and hands every VEVENT and VTODO to a callback with store 1.
//
// Promises: as the vCard reader (pim/vcard_parser.h): one parse at a time uses the record; a
// calendar's lists are freed when the next calendar (or the next parse's object) begins. The
// record is zeroed once per calendar, so a later component of a calendar appends its properties
// behind those of the earlier ones and the record's kind is that of the last one. Nothing throws.
#pragma once

#include <cstdio>

#include "pim/osif_records.h"
#include "pim/vcard_parser.h"

enum tVCalToken : int {
    VCAL_UNKNOWN = 0,
    VCAL_BEGIN = 1,
    VCAL_CATEGORIES = 2,
    VCAL_VERSION = 3,
    VCAL_COMPLETED = 4,
    VCAL_DESCRIPTION = 5,
    VCAL_DUE = 6,
    VCAL_DTEND = 7,
    VCAL_PRIORITY = 8,
    VCAL_DTSTART = 9,
    VCAL_STATUS = 10,
    VCAL_SUMMARY = 11,
    VCAL_END = 12,
    VCAL_LUID = 13,
    VCAL_LOCATION = 14,
    VCAL_CLASS = 15,
    VCAL_RRULE = 16,
    VCAL_ALLDAY = 17,
    VCAL_ATTENDEE = 18,
    VCAL_DALARM = 19,
    VCAL_EXDATE = 20,
    VCAL_AALARM = 21,
    VCAL_ATTACH = 22,
    VCAL_MTSTATUS = 23,
};

// Calendar kinds (tagvObject::calKind).
inline constexpr std::uint8_t OSIF_CAL_EVENT = 1;
inline constexpr std::uint8_t OSIF_CAL_TODO = 2;

// The token of a property name (compared whole, case-insensitively; blanks already removed).
int VCalKeywordToken(const char* name) noexcept;

// The calendar slot a token fills for a kind, or -1 when that kind does not keep it.
int VCalSlot(int token, std::uint8_t kind) noexcept;

// Reads every calendar of stream; sourcePath (may be null) is copied into each calendar's record.
tOSIF_ERROR OSIF_ParseVCalendars(std::FILE* stream, const char16_t* sourcePath, OSIF_ObjectCallback callback,
                                 std::uintptr_t context) noexcept;
