#include "pim/notes/vnote_parser.h"

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

constexpr std::array<std::string_view, 10> kKeywords = {
    "BEGIN", "X-IRMC-LUID", "VERSION", "DCREATED",   "LAST-MODIFIED",
    "SUMMARY", "BODY",      "CATEGORIES", "CLASS", "END",
};

// The newest note version this reader accepts.
constexpr double kNewestVersion = 1.1;

bool is_vnote(const char* value) noexcept { return value && std::strcmp(value, "VNOTE") == 0; }

struct NoteState {
    int depth = 1;
    tOSIF_ERROR result = OSIF_SUCCESS;
    bool done = false;
    bool ended = false;
    bool saw_version = false;
};

// One property line at depth 1 (not BEGIN, END or unknown). False when the note must end.
bool take_property(int token, SplitLine& line, tagvObject& object, NoteState& state) noexcept {
    const char* value = line.value;
    if (token == VNOTE_LUID) {
        qel::pim::reading::copy_field(object.luid, sizeof object.luid, value);
        return true;
    }
    if (token == VNOTE_VERSION) {
        state.saw_version = true;
        qel::pim::reading::copy_field(object.version, sizeof object.version, value);
        const double v = qel::pim::reading::version_number(value);
        if (v != 0.0 && v <= kNewestVersion) return true;
        osif_log(OSIF_LOG_ERROR, "OSIF:  Error - vNote version '%s' is not supported", value);
        state.result = OSIF_ERR_PARSE;
        return false;
    }
    tagProp** list = VNoteList(token, object.body.note);
    if (!list) return true;
    tagProp* prop = AppendProp(list);
    if (!prop) return true;
    OSIF_ParseParams(line.params, prop);
    // A note's property is one text: the whole value is component 0, semicolons included (a body
    // is free text, and writers rarely escape its semicolons).
    const std::size_t n = std::strlen(value);
    if (char* copy = static_cast<char*>(OSIF_Alloc(n + 1))) {
        std::memcpy(copy, value, n + 1);
        AddPropValue(prop, copy, 0);
    }
    return true;
}

// Reads the lines of one note after its BEGIN line.
tOSIF_ERROR parse_note(std::FILE* stream, tagvObject& object) noexcept {
    NoteState state;
    SplitLine line;
    while (!state.done) {
        qel::pim::reading::read_split(stream, line, true);
        if (line.out_of_memory) return OSIF_ERR_MEMORY;
        if (line.ended) {
            state.ended = true;
            break;
        }
        if (line.blank) {
            osif_log(OSIF_LOG_ERROR, "OSIF:  Warning - Parser encounted a blank line in vNote");
            state.result = OSIF_SUCCESS_WARNINGS;
            continue;
        }
        const int token = VNoteKeywordToken(line.name);
        if (token == VNOTE_UNKNOWN) {
            osif_log(OSIF_LOG_WARNING, "OSIF:  Warning - Parser encountered unknown property: '%s'", line.name);
            state.result = OSIF_SUCCESS_WARNINGS;
            continue;
        }
        if (token == VNOTE_BEGIN) {
            ++state.depth;  // an object nested in the note: its lines are skipped up to its END
            continue;
        }
        if (token == VNOTE_END) {
            if (state.depth == 1) state.done = true;
            --state.depth;
            continue;
        }
        if (state.depth != 1) continue;
        if (!take_property(token, line, object, state)) return state.result;
    }
    if (state.done && state.saw_version) return state.result;
    osif_log(OSIF_LOG_ERROR, "OSIF:  Error - vNote missing END tag or does not contain required VERSION property");
    return OSIF_ERR_PARSE;
}

}  // namespace

int VNoteKeywordToken(const char* name) noexcept {
    return name ? qel::pim::reading::lookup(kKeywords, name) : VNOTE_UNKNOWN;
}

tagProp** VNoteList(int token, tagvNote& note) noexcept {
    switch (token) {
        case VNOTE_DCREATED: return &note.DCREATED;
        case VNOTE_LAST_MODIFIED: return &note.LAST_MODIFIED;
        case VNOTE_CATEGORIES: return &note.CATEGORIES;
        case VNOTE_CLASS: return &note.CLASS;
        case VNOTE_BODY: return &note.BODY;
        case VNOTE_SUMMARY: return &note.SUMMARY;
        default: return nullptr;
    }
}

tOSIF_ERROR OSIF_ParseVNotes(std::FILE* stream, OSIF_ObjectCallback callback, std::uintptr_t context) noexcept {
    if (qel::pim::reading::at_end(stream)) return OSIF_ERR_PARSE;
    qel::pim::ParseSession session;
    SplitLine line;
    int notes = 0;
    tOSIF_ERROR running = OSIF_SUCCESS;
    for (;;) {
        qel::pim::reading::read_split(stream, line, false);
        if (line.out_of_memory) {
            osif_log(OSIF_LOG_ERROR, "OSIF:  Error - Memory allocation error");
            return OSIF_ERR_MEMORY;
        }
        if (line.ended) break;
        if (VNoteKeywordToken(line.name) != VNOTE_BEGIN || !is_vnote(line.value)) {
            if (notes > 0) return running;
            osif_log(OSIF_LOG_ERROR, "OSIF:  Error - vNote does not have a BEGIN tag");
            return OSIF_ERR_PARSE;
        }
        tagvObject& object = session.begin_object(OSIF_STORE_NOTES);
        const tOSIF_ERROR result = parse_note(stream, object);
        if (result == OSIF_ERR_PARSE) return result;
        if (result == OSIF_ERR_MEMORY) {
            osif_log(OSIF_LOG_ERROR, "OSIF:  Error - Memory allocation error");
            return result;
        }
        if (result == OSIF_SUCCESS_WARNINGS) running = OSIF_SUCCESS_WARNINGS;
        ++notes;
        if (callback) callback(OSIF_STORE_NOTES, &object, running, context);
    }
    // A file that simply ends after its last note is complete: report how its notes went.
    if (notes > 0) return running;
    osif_log(OSIF_LOG_ERROR, "OSIF:  Error - vNote does not have a BEGIN tag");
    return OSIF_ERR_PARSE;
}
