#include "pim/vcal_parser.h"

#include <array>
#include <cstring>
#include <string_view>

#include "pim/osif_lines.h"
#include "pim/osif_log.h"
#include "pim/osif_props.h"
#include "pim/pim_object_record.h"
#include "pim/vcard_lines.h"

namespace {

using qel::pim::reading::SplitLine;

constexpr std::array<std::string_view, 23> kKeywords = {
    "BEGIN",    "CATEGORIES", "VERSION",  "COMPLETED", "DESCRIPTION", "DUE",
    "DTEND",    "PRIORITY",   "DTSTART",  "STATUS",    "SUMMARY",     "END",
    "X-IRMC-LUID", "LOCATION", "CLASS",   "RRULE",     "X-BLUETOOTH-ALLDAYEVENT", "ATTENDEE",
    "DALARM",   "EXDATE",     "AALARM",   "ATTACH",    "X-STRV-OL-MTSTATUS",
};

// Value components kept by a slot of a kind.
int slot_components(int slot, std::uint8_t kind) noexcept {
    if (kind == OSIF_CAL_EVENT) return (slot == 11 || slot == 12) ? 4 : 1;
    return (slot == 10 || slot == 11) ? 4 : 1;
}

bool equals(const char* text, const char* expected) noexcept { return text && std::strcmp(text, expected) == 0; }

void log_blank() noexcept { osif_log(OSIF_LOG_ERROR, "OSIF:  Warning - Parser encounted a blank line in vCalendar"); }
void log_unknown(const char* name) noexcept {
    osif_log(OSIF_LOG_WARNING, "OSIF:  Warning - vCalendar contains unknown property: '%s'", name);
}

// Marks of the mandatory properties a component has shown.
struct Seen {
    bool categories = false, completed = false, description = false, due = false, priority = false,
         status = false, summary = false, dtstart = false;
    bool complete(std::uint8_t kind) const noexcept {
        if (kind == OSIF_CAL_EVENT) return description && dtstart;
        return categories && completed && description && due && priority && status && summary;
    }
    void note(int token, std::uint8_t kind) noexcept {
        if (kind == OSIF_CAL_EVENT) {
            description |= token == VCAL_DESCRIPTION;
            dtstart |= token == VCAL_DTSTART;
            return;
        }
        categories |= token == VCAL_CATEGORIES;
        completed |= token == VCAL_COMPLETED;
        description |= token == VCAL_DESCRIPTION;
        due |= token == VCAL_DUE;
        priority |= token == VCAL_PRIORITY;
        status |= token == VCAL_STATUS;
        summary |= token == VCAL_SUMMARY;
    }
};

// One property line of a component at its depth 1.
void take_component_property(int token, SplitLine& line, tagvObject& object, std::uint8_t kind) noexcept {
    if (token == VCAL_LUID) {
        qel::pim::reading::copy_field(object.luid, sizeof object.luid, line.value);
        return;
    }
    if (token == VCAL_VERSION) return;
    if (token == VCAL_ALLDAY) {
        if (kind == OSIF_CAL_EVENT) object.body.cal.allDay = equals(line.value, "TRUE") ? 1 : 0;
        return;
    }
    const int slot = VCalSlot(token, kind);
    if (slot < 0) return;
    tagProp* prop = AppendProp(&object.body.cal.slots[slot]);
    if (!prop) return;
    OSIF_ParseParams(line.params, prop);
    OSIF_ParseValues(line.value, slot_components(slot, kind), prop);
}

// Reads the lines of one VEVENT or VTODO after its BEGIN line.
tOSIF_ERROR parse_component(std::FILE* stream, tagvObject& object, std::uint8_t kind) noexcept {
    int depth = 1;
    tOSIF_ERROR result = OSIF_SUCCESS;
    bool done = false;
    bool ended = false;
    Seen seen;
    SplitLine line;
    while (!done) {
        qel::pim::reading::read_split(stream, line, true);
        if (line.out_of_memory) return OSIF_ERR_MEMORY;
        if (line.ended) {
            ended = true;
            break;
        }
        if (line.blank) {
            log_blank();
            result = OSIF_SUCCESS_WARNINGS;
            continue;
        }
        const int token = VCalKeywordToken(line.name);
        if (token == VCAL_UNKNOWN) {
            log_unknown(line.name);
            result = OSIF_SUCCESS_WARNINGS;
            continue;
        }
        if (token == VCAL_BEGIN) {
            ++depth;  // an alarm or another nested block
            continue;
        }
        if (token == VCAL_END) {
            if (depth == 1) {
                done = true;
                object.calKind = kind;
            }
            --depth;
            continue;
        }
        if (depth != 1) continue;
        seen.note(token, kind);
        take_component_property(token, line, object, kind);
    }
    if (!seen.complete(kind)) {
        osif_log(OSIF_LOG_WARNING, "OSIF:  Warning - vCalendar does not contain all mandetory properties");
        result = OSIF_SUCCESS_WARNINGS;
    }
    if (done || !ended) return result;
    osif_log(OSIF_LOG_ERROR, "OSIF:  Error - vCalendar missing END tag");
    return OSIF_ERR_PARSE;
}

// Reads one calendar after its BEGIN:VCALENDAR line, delivering each component.
tOSIF_ERROR parse_calendar(std::FILE* stream, tagvObject& object, OSIF_ObjectCallback callback,
                           std::uintptr_t context) noexcept {
    qel::pim::reading::copy_field(object.version, sizeof object.version, "1.0");
    int depth = 1;
    tOSIF_ERROR result = OSIF_SUCCESS;
    bool done = false;
    bool ended = false;
    bool saw_version = false;
    bool saw_begin = false;
    SplitLine line;
    while (!done) {
        qel::pim::reading::read_split(stream, line, true);
        if (line.out_of_memory) return OSIF_ERR_MEMORY;
        if (line.ended) {
            ended = true;
            break;
        }
        if (line.blank) {
            log_blank();
            result = OSIF_SUCCESS_WARNINGS;
            continue;
        }
        OSIF_RemoveBlanks(line.value);
        const int token = VCalKeywordToken(line.name);
        if (token == VCAL_UNKNOWN) {
            log_unknown(line.name);
            result = OSIF_SUCCESS_WARNINGS;
            continue;
        }
        if (token == VCAL_BEGIN) {
            saw_begin = true;
            std::uint8_t kind = 0;
            if (equals(line.value, "VEVENT")) kind = OSIF_CAL_EVENT;
            if (equals(line.value, "VTODO")) kind = OSIF_CAL_TODO;
            if (kind != 0) {
                const tOSIF_ERROR r = parse_component(stream, object, kind);
                if (r == OSIF_ERR_PARSE || r == OSIF_ERR_MEMORY) return r;
                if (r == OSIF_SUCCESS_WARNINGS) result = OSIF_SUCCESS_WARNINGS;
                if (callback) callback(OSIF_STORE_CALENDAR, &object, result, context);
                continue;
            }
            if (equals(line.value, "VTIMEZONE") || equals(line.value, "STANDARD")) {
                // The block's lines are read at the calendar's level (its END ends the calendar).
                osif_log(OSIF_LOG_WARNING, "OSIF:  vCalendar 2.0 tag, do nothing:'%s'", line.value);
                continue;
            }
            osif_log(OSIF_LOG_ERROR, "OSIF:  Error - Unknown BEGIN tag in vCalendar");
            result = OSIF_ERR_PARSE;
            break;
        }
        if (token == VCAL_END) {
            if (depth == 1) done = true;
            --depth;
            continue;
        }
        if (depth != 1) continue;
        if (token == VCAL_VERSION) {
            saw_version = true;
            qel::pim::reading::copy_field(object.version, sizeof object.version, line.value);
            const double v = qel::pim::reading::version_number(line.value);
            if (v != 0.0 && v <= 2.0) continue;
            osif_log(OSIF_LOG_ERROR, "OSIF:  Error - vCalendar version '%s' is not supported", line.value);
            result = OSIF_ERR_PARSE;
            break;
        }
        if (token == VCAL_LUID) qel::pim::reading::copy_field(object.luid, sizeof object.luid, line.value);
    }
    if (!saw_version) {
        osif_log(OSIF_LOG_WARNING, "OSIF:  WARNING - vCalendar missing VERSION property.  Assumed to be '1.0'.");
    }
    if (!saw_begin || ended) {
        osif_log(OSIF_LOG_ERROR, "OSIF:  Error - vCalendar does not contain required VERSION property");
        return OSIF_ERR_PARSE;
    }
    return result;
}

}  // namespace

int VCalKeywordToken(const char* name) noexcept {
    return name ? qel::pim::reading::lookup(kKeywords, name) : VCAL_UNKNOWN;
}

int VCalSlot(int token, std::uint8_t kind) noexcept {
    switch (token) {
        case VCAL_CATEGORIES: return 0;
        case VCAL_COMPLETED: return 1;
        case VCAL_DESCRIPTION: return 2;
        case VCAL_DUE: return 3;
        case VCAL_DTEND: return 4;
        case VCAL_PRIORITY: return 5;
        case VCAL_DTSTART: return 6;
        case VCAL_STATUS: return 7;
        case VCAL_SUMMARY: return 8;
        case VCAL_CLASS: return 9;
        default: break;
    }
    if (kind == OSIF_CAL_EVENT) {
        switch (token) {
            case VCAL_LOCATION: return 10;
            case VCAL_DALARM: return 11;
            case VCAL_AALARM: return 12;
            case VCAL_RRULE: return 13;
            case VCAL_EXDATE: return 14;
            case VCAL_ATTENDEE: return 15;
            case VCAL_ATTACH: return 16;
            case VCAL_MTSTATUS: return 17;
            default: return -1;
        }
    }
    switch (token) {
        case VCAL_DALARM: return 10;
        case VCAL_AALARM: return 11;
        case VCAL_RRULE: return 12;
        case VCAL_EXDATE: return 13;
        case VCAL_ATTENDEE: return 14;
        case VCAL_ATTACH: return 15;
        default: return -1;
    }
}

tOSIF_ERROR OSIF_ParseVCalendars(std::FILE* stream, const char16_t* sourcePath, OSIF_ObjectCallback callback,
                                 std::uintptr_t context) noexcept {
    if (qel::pim::reading::at_end(stream)) return OSIF_ERR_PARSE;
    qel::pim::ParseSession session;
    SplitLine line;
    int calendars = 0;
    tOSIF_ERROR running = OSIF_SUCCESS;
    for (;;) {
        qel::pim::reading::read_split(stream, line, false);
        if (line.out_of_memory) {
            osif_log(OSIF_LOG_ERROR, "OSIF:  Error - Memory allocation error");
            return OSIF_ERR_MEMORY;
        }
        if (line.ended) break;
        if (line.value) OSIF_RemoveBlanks(line.value);
        if (VCalKeywordToken(line.name) != VCAL_BEGIN || !equals(line.value, "VCALENDAR")) {
            if (calendars > 0) return running;
            osif_log(OSIF_LOG_ERROR, "OSIF:  Error - vCalendar does not have a BEGIN tag");
            return OSIF_ERR_PARSE;
        }
        tagvObject& object = session.begin_object(OSIF_STORE_CALENDAR);
        if (sourcePath) {
            std::size_t n = 0;
            while (sourcePath[n] && n < OSIF_VCAL_SOURCE_PATH - 1) {
                object.body.cal.sourcePath[n] = sourcePath[n];
                ++n;
            }
            object.body.cal.sourcePath[n] = u'\0';
        }
        const tOSIF_ERROR result = parse_calendar(stream, object, callback, context);
        if (result == OSIF_ERR_PARSE || result == OSIF_ERR_MEMORY) return result;
        if (result == OSIF_SUCCESS_WARNINGS) running = OSIF_SUCCESS_WARNINGS;
        ++calendars;
    }
    // A file that simply ends after its last calendar is complete: report how its calendars went.
    if (calendars > 0) return running;
    osif_log(OSIF_LOG_ERROR, "OSIF:  Error - vCalendar does not have a BEGIN tag");
    return OSIF_ERR_PARSE;
}
