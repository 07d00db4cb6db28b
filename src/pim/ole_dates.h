// Dates of versit values and mail headers: ISO 8601 text and mail (RFC 822) text to and from OLE
// dates (days since 1899-12-30 as a double), local time through the system's time-zone rules.
//
// Promises: every function that cannot produce a date returns OSIF_EMPTY_DATE (4501-01-01 00:00);
// text is read only up to its terminator and buffers are never written past; nothing throws.
#pragma once

#include <cstddef>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

#include "platform/win32.h"

inline constexpr DATE OSIF_EMPTY_DATE = 949998.0;

// OLE date <-> calendar fields (no time zone involved); nothing for fields out of range.
std::optional<DATE> OleDateFromTm(const std::tm& fields) noexcept;
std::optional<std::tm> TmFromOleDate(DATE date) noexcept;
// Local wall-clock time <-> UTC by the current time-zone rules (TZ).
std::optional<DATE> LocalToUtcDate(DATE local) noexcept;
std::optional<DATE> UtcToLocalDate(DATE utc) noexcept;

// ISO 8601 ("20080105T102030Z", "2008-01-05") to an OLE date in local time.
void StrToOleDateTime(DATE& out, const char* text) noexcept;
// The same for wide text.
DATE StrToDATE(std::u16string_view text) noexcept;
// Formats date: ISO with time as local "%Y%m%dT%H%M%S", not local "...Z" of the UTC time, without
// time "%Y%m%d"; not ISO: "Sat, 05 Jan 2008 09:20:30 UT" of the UTC time.
void DATEToStr(std::string& out, DATE date, bool iso, bool withTime, bool asLocal) noexcept;
// Mail date ("Sat, 05 Jan 2008 10:20:30 +0100") to an OLE date in UTC.
DATE RFC822DateToDATE(std::u16string_view text) noexcept;
// RFC 822, else the legacy form "Jan 5 10:20:30 2008" (a "Sat, " prefix dropped).
DATE MailStringToDATE(const char* text) noexcept;
DATE LegacyDateToOleDateTime(std::u16string_view text) noexcept;
// Wide date text to 8-bit in buffer (size bytes, always terminated when size > 0); false when it
// does not fit or is not ASCII.
bool strDateToCharDate(std::u16string_view text, char* buffer, std::size_t size) noexcept;
