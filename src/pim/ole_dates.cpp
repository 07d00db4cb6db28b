// OLE dates: calendar arithmetic, local time by the time-zone rules, ISO 8601 and mail dates.
#include "pim/ole_dates.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "pim/osif_log.h"

namespace {

constexpr const char* kMonths[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                     "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr const char* kDays[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr double kSecondsPerDay = 86400.0;
// Range of OLE dates: 0100-01-01 to 9999-12-31 23:59:59.
constexpr double kMinDate = -657434.0;
constexpr double kMaxDate = 2958466.0;

// Days from 1970-01-01 to a proleptic Gregorian date (month 1..12).
long long days_from_civil(long long y, unsigned m, unsigned d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

void civil_from_days(long long z, int& y, unsigned& m, unsigned& d) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y = static_cast<int>(yoe + era * 400 + (m <= 2));
}

bool leap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

unsigned days_in_month(int y, unsigned m) {
    static constexpr unsigned kLengths[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && leap(y) ? 29 : kLengths[m - 1];
}

const long long kOleEpoch = days_from_civil(1899, 12, 30);

// 8-bit form of wide date text: ASCII kept, anything else "?", at most limit bytes.
std::string narrow_ascii(std::u16string_view text, std::size_t limit) {
    std::string out;
    for (char16_t c : text) {
        if (out.size() >= limit || c == 0) break;
        out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    }
    return out;
}

std::u16string widen_ascii(const char* text) {
    std::u16string out;
    for (const char* p = text; *p; ++p) out.push_back(static_cast<unsigned char>(*p));
    return out;
}

int month_index(const char* name) {
    for (int i = 0; i < 12; ++i) {
        if (std::strcmp(name, kMonths[i]) == 0) return i;
    }
    return -1;
}

std::tm fields(int year, int month, int day, int hour, int minute, int second) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    t.tm_isdst = -1;
    return t;
}

}  // namespace

std::optional<DATE> OleDateFromTm(const std::tm& t) noexcept {
    const long long year = static_cast<long long>(t.tm_year) + 1900;
    if (year < 100 || year > 9999 || t.tm_mon < 0 || t.tm_mon > 11) return std::nullopt;
    const unsigned month = static_cast<unsigned>(t.tm_mon) + 1;
    if (t.tm_mday < 1 || static_cast<unsigned>(t.tm_mday) > days_in_month(static_cast<int>(year), month)) {
        return std::nullopt;
    }
    if (t.tm_hour < 0 || t.tm_hour > 23 || t.tm_min < 0 || t.tm_min > 59 || t.tm_sec < 0 || t.tm_sec > 59) {
        return std::nullopt;
    }
    const long long days = days_from_civil(year, month, static_cast<unsigned>(t.tm_mday)) - kOleEpoch;
    const double time = (t.tm_hour * 3600 + t.tm_min * 60 + t.tm_sec) / kSecondsPerDay;
    // Before 1899-12-30 the day counts down while the time of day still counts up.
    return days >= 0 ? static_cast<double>(days) + time : static_cast<double>(days) - time;
}

std::optional<std::tm> TmFromOleDate(DATE date) noexcept {
    if (!std::isfinite(date) || date <= kMinDate - 1.0 || date >= kMaxDate) return std::nullopt;
    long long days = static_cast<long long>(std::trunc(date));
    long long seconds = std::llround(std::fabs(date - static_cast<double>(days)) * kSecondsPerDay);
    if (seconds >= 86400) {
        seconds -= 86400;
        days += 1;
    }
    int y;
    unsigned m, d;
    civil_from_days(days + kOleEpoch, y, m, d);
    if (y < 100 || y > 9999) return std::nullopt;
    std::tm t = fields(y, static_cast<int>(m), static_cast<int>(d), static_cast<int>(seconds / 3600),
                       static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
    t.tm_wday = static_cast<int>(((days % 7) + 7 + 6) % 7);  // 1899-12-30 was a Saturday
    return t;
}

std::optional<DATE> LocalToUtcDate(DATE local) noexcept {
    auto t = TmFromOleDate(local);
    if (!t) return std::nullopt;
    tzset();
    t->tm_isdst = -1;
    const std::time_t when = std::mktime(&*t);
    std::tm utc{};
    if (when == static_cast<std::time_t>(-1) || !gmtime_r(&when, &utc)) return std::nullopt;
    return OleDateFromTm(utc);
}

std::optional<DATE> UtcToLocalDate(DATE utc) noexcept {
    auto t = TmFromOleDate(utc);
    if (!t) return std::nullopt;
    tzset();
    const std::time_t when = timegm(&*t);
    std::tm local{};
    if (!localtime_r(&when, &local)) return std::nullopt;
    return OleDateFromTm(local);
}

void StrToOleDateTime(DATE& out, const char* text) noexcept {
    out = OSIF_EMPTY_DATE;
    if (!text || !text[0]) return;
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    char separator = 0, zone = 0;
    const char* format = std::strlen(text) >= 10 && text[4] == '-' ? "%4d-%2d-%2d%c%2d%2d%2d%c"
                                                                     : "%4d%2d%2d%c%2d%2d%2d%c";
    const int n = std::sscanf(text, format, &year, &month, &day, &separator, &hour, &minute, &second, &zone);
    std::optional<DATE> date;
    if (n >= 3 && (n <= 3 || separator == 'T') && (n < 8 || zone == 'Z')) {
        date = OleDateFromTm(fields(year, month, day, hour, minute, second));
        if (date && n == 8) date = UtcToLocalDate(*date);
    }
    if (!date) {
        osif_log(OSIF_LOG_ERROR, "OSIF:  Error in date '%s' - cannot convert from 8601", text);
        return;
    }
    out = *date;
}

DATE StrToDATE(std::u16string_view text) noexcept {
    DATE out = OSIF_EMPTY_DATE;
    try {
        StrToOleDateTime(out, narrow_ascii(text, 1000).c_str());
    } catch (...) {
    }
    return out;
}

void DATEToStr(std::string& out, DATE date, bool iso, bool withTime, bool asLocal) noexcept {
    out.clear();
    std::optional<DATE> shown = date;
    if (!(iso && (asLocal || !withTime))) shown = LocalToUtcDate(date);
    const auto t = shown ? TmFromOleDate(*shown) : std::nullopt;
    if (!t) {
        osif_log(OSIF_LOG_ERROR, "OSIF:  Error converting date");
        return;
    }
    char buffer[64];
    const int year = t->tm_year + 1900;
    if (iso && withTime) {
        std::snprintf(buffer, sizeof buffer, "%04d%02d%02dT%02d%02d%02d%s", year, t->tm_mon + 1, t->tm_mday,
                      t->tm_hour, t->tm_min, t->tm_sec, asLocal ? "" : "Z");
    } else if (iso) {
        std::snprintf(buffer, sizeof buffer, "%04d%02d%02d", year, t->tm_mon + 1, t->tm_mday);
    } else {
        std::snprintf(buffer, sizeof buffer, "%s, %02d %s %4d %02d:%02d:%02d UT", kDays[t->tm_wday], t->tm_mday,
                      kMonths[t->tm_mon], year, t->tm_hour, t->tm_min, t->tm_sec);
    }
    try {
        out = buffer;
    } catch (...) {
    }
}

namespace {

bool all_digits(const std::string& s, std::size_t max_digits) {
    if (s.empty() || s.size() > max_digits) return false;
    for (char c : s) {
        if (c < '0' || c > '9') return false;
    }
    return true;
}

// Offset of a mail time zone in minutes east of UTC; nothing for an unknown zone.
std::optional<int> ProcessZone(const std::string& zone) {
    struct Named {
        const char* name;
        int hours;
    };
    static constexpr Named kNamed[] = {{"UT", 0},   {"GMT", 0},  {"Z", 0},    {"EST", -5}, {"EDT", -4}, {"CST", -6},
                                       {"CDT", -5}, {"MST", -7}, {"MDT", -6}, {"PST", -8}, {"PDT", -7}};
    for (const auto& named : kNamed) {
        if (zone == named.name) return named.hours * 60;
    }
    if (zone.size() == 1) {
        const char c = zone[0];
        if (c >= 'A' && c <= 'I') return -(c - 'A' + 1) * 60;
        if (c >= 'K' && c <= 'M') return -(c - 'K' + 10) * 60;
        if (c >= 'N' && c <= 'Y') return (c - 'N' + 1) * 60;
        if (c == 'J') return 0;
        return std::nullopt;
    }
    if (zone.size() == 5 && (zone[0] == '+' || zone[0] == '-') && all_digits(zone.substr(1), 4)) {
        const int hours = (zone[1] - '0') * 10 + (zone[2] - '0');
        const int minutes = (zone[3] - '0') * 10 + (zone[4] - '0');
        const int offset = hours * 60 + minutes;
        return zone[0] == '-' ? -offset : offset;
    }
    return std::nullopt;
}

std::optional<DATE> rfc822(std::u16string_view wide) {
    const std::string text = narrow_ascii(wide, 100);
    std::vector<std::string> parts;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = text.find(' ', at);
        const std::size_t stop = end == std::string::npos ? text.size() : end;
        if (stop > at) parts.push_back(text.substr(at, stop - at));
        at = stop + 1;
    }
    std::size_t i = 0;
    if (!parts.empty() && parts[0].find(',') != std::string::npos) ++i;
    if (parts.size() < i + 5) return std::nullopt;
    const std::string& day_text = parts[i];
    const int month = month_index(parts[i + 1].c_str());
    const std::string& year_text = parts[i + 2];
    const std::string& time_text = parts[i + 3];
    if (!all_digits(day_text, 2) || month < 0 || !all_digits(year_text, 4)) return std::nullopt;
    const int day = std::stoi(day_text);
    int year = std::stoi(year_text);
    if (day < 1 || day > 31) return std::nullopt;
    if (year < 80) {
        year += 2000;
    } else if (year < 100) {
        year += 1900;
    }
    const std::size_t c1 = time_text.find(':');
    const std::size_t c2 = c1 == std::string::npos ? c1 : time_text.find(':', c1 + 1);
    if (c2 == std::string::npos) return std::nullopt;
    const std::string h = time_text.substr(0, c1), m = time_text.substr(c1 + 1, c2 - c1 - 1),
                      s = time_text.substr(c2 + 1);
    if (!all_digits(h, 2) || !all_digits(m, 2) || !all_digits(s, 2)) return std::nullopt;
    const int hour = std::stoi(h), minute = std::stoi(m), second = std::stoi(s);
    if (hour > 23 || minute > 59 || second > 59) return std::nullopt;
    const auto offset = ProcessZone(parts[i + 4]);
    if (!offset) return std::nullopt;
    const auto local = OleDateFromTm(fields(year, month + 1, day, hour, minute, second));
    if (!local) return std::nullopt;
    return *local - *offset / (24.0 * 60.0);
}

}  // namespace

DATE RFC822DateToDATE(std::u16string_view text) noexcept {
    try {
        if (auto date = rfc822(text)) return *date;
    } catch (...) {
    }
    return OSIF_EMPTY_DATE;
}

DATE LegacyDateToOleDateTime(std::u16string_view wide) noexcept {
    std::string text;
    try {
        text = narrow_ascii(wide, 100);
    } catch (...) {
        return OSIF_EMPTY_DATE;
    }
    char month_name[4] = {};
    int day = 0, hour = 0, minute = 0, second = 0, year = 0;
    const int n = std::sscanf(text.c_str(), "%3s %9d %9d:%9d:%9d %9d", month_name, &day, &hour, &minute, &second,
                              &year);
    if (n < 6) {
        osif_log(OSIF_LOG_ERROR, "OSIF:  Error in date '%s' - cannot convert legacy Date", text.c_str());
        return OSIF_EMPTY_DATE;
    }
    const int month = month_index(month_name);
    if (month < 0) {
        osif_log(OSIF_LOG_ERROR, "OSIF:  Error in date '%s' - Invalid Month part '%s' in legacy Date", text.c_str(),
                 month_name);
        return OSIF_EMPTY_DATE;
    }
    const auto date = OleDateFromTm(fields(year, month + 1, day, hour, minute, second));
    if (!date) {
        osif_log(OSIF_LOG_ERROR, "OSIF:  Error in date '%s' - could not convert legacy date to DATE", text.c_str());
        return OSIF_EMPTY_DATE;
    }
    return *date;
}

DATE MailStringToDATE(const char* text) noexcept {
    if (!text || !text[0]) return OSIF_EMPTY_DATE;
    try {
        const DATE date = RFC822DateToDATE(widen_ascii(text));
        if (date != OSIF_EMPTY_DATE) return date;
        const char* rest = text;
        if (std::strlen(text) > 5 && text[3] == ',') rest = text + 5;
        return LegacyDateToOleDateTime(widen_ascii(rest));
    } catch (...) {
        return OSIF_EMPTY_DATE;
    }
}

bool strDateToCharDate(std::u16string_view text, char* buffer, std::size_t size) noexcept {
    if (!buffer || size == 0) return false;
    buffer[0] = '\0';
    std::size_t n = 0;
    for (char16_t c : text) {
        if (c == 0) break;
        if (c >= 0x80 || n + 1 >= size) {
            buffer[0] = '\0';
            return false;
        }
        buffer[n++] = static_cast<char>(c);
    }
    buffer[n] = '\0';
    return true;
}
