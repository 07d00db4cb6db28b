#include "pim/vcard_parser.h"

#include <array>
#include <cstring>
#include <string_view>

#include "pim/osif_log.h"
#include "pim/osif_props.h"
#include "pim/pim_object_record.h"
#include "pim/vcard_lines.h"

namespace {

using qel::pim::reading::SplitLine;

constexpr std::array<std::string_view, 34> kKeywords = {
    "BEGIN",          "X-IRMC-LUID",        "VERSION",           "N",
    "FN",             "BDAY",               "ADR",               "ORG",
    "TITLE",          "TEL",                "EMAIL",             "END",
    "URL",            "NOTE",               "NICKNAME",          "ROLE",
    "PHOTO",          "LOGO",               "SOUND",             "X-MANAGER",
    "X-ASSISTANT",    "X-SPOUSE",           "X-GENDER",          "X-CHILDREN",
    "X-ANNIVERSARY",  "X-NETMEETING-SERVER", "X-NETMEETING-ALIAS", "X-FREE-BUSY-ADDRESS",
    "X-CAT",          "DEPT",               "X-MICROSOFT-ASST_TEL", "X-MICROSOFT-OFFICELOC",
    "X-SEND-PLAIN-TEXT-ONLY", "X-WAB-GENDER",
};

// Second spellings of some keywords.
struct Alias {
    std::string_view name;
    int token;
};
constexpr std::array<Alias, 5> kAliases = {{
    {"X-MICROSOFT-ASSISTANT", VCARD_ASSISTANT},
    {"SPOUSE", VCARD_SPOUSE},
    {"CHILDREN", VCARD_CHILDREN},
    {"ANNIVERSARY", VCARD_ANNIVERSARY},
    {"CATEGORIES", VCARD_CATEGORIES},
}};

// The list a token appends to and how many value components that list keeps.
struct Target {
    tagProp** list;
    int components;
};

Target target_of(int token, tagvCard& c) noexcept {
    switch (token) {
        case VCARD_N: return {&c.N, 5};
        case VCARD_FN: return {&c.FN, 1};
        case VCARD_NICKNAME: return {&c.NICKNAME, 1};
        case VCARD_ADR: return {&c.ADR, 7};
        case VCARD_ORG: return {&c.ORG, 2};
        case VCARD_TITLE: return {&c.TITLE, 1};
        case VCARD_ROLE: return {&c.ROLE, 1};
        case VCARD_TEL:
        case VCARD_ASST_TEL: return {&c.TEL, 1};
        case VCARD_URL: return {&c.URL, 1};
        case VCARD_EMAIL: return {&c.EMAIL, 1};
        case VCARD_NOTE: return {&c.NOTE, 1};
        case VCARD_BDAY: return {&c.BDAY, 1};
        case VCARD_SPOUSE: return {&c.SPOUSE, 1};
        case VCARD_ANNIVERSARY: return {&c.ANNIVERSARY, 1};
        case VCARD_CHILDREN: return {&c.CHILDREN, 1};
        case VCARD_ASSISTANT: return {&c.ASSISTANT, 1};
        case VCARD_MANAGER: return {&c.MANAGER, 1};
        case VCARD_GENDER:
        case VCARD_WAB_GENDER: return {&c.GENDER, 1};
        case VCARD_NETMEETING_SERVER: return {&c.NETMEETING_SERVER, 1};
        case VCARD_NETMEETING_ALIAS: return {&c.NETMEETING_ALIAS, 1};
        case VCARD_FREE_BUSY: return {&c.FREE_BUSY, 1};
        case VCARD_CATEGORIES: return {&c.CATEGORIES, 1};
        case VCARD_OFFICELOC: return {&c.OFFICELOC, 1};
        case VCARD_PHOTO: return {&c.PHOTO, 1};
        case VCARD_SOUND: return {&c.SOUND, 1};
        case VCARD_LOGO: return {&c.LOGO, 1};
        case VCARD_SEND_PLAIN_TEXT: return {&c.SEND_PLAIN_TEXT, 1};
        default: return {nullptr, 0};
    }
}

char* heap_copy(const char* text) noexcept {
    const std::size_t n = std::strlen(text);
    char* out = static_cast<char*>(OSIF_Alloc(n + 1));
    if (out) std::memcpy(out, text, n + 1);
    return out;
}

// The first ORG property, created when there is none.
tagProp* first_org(tagvCard& c) noexcept { return c.ORG ? c.ORG : AppendProp(&c.ORG); }

// Parameters, then the value: to a temporary file when base64, else split into components.
void fill(tagProp* prop, const char* params, const char* value, int components) noexcept {
    if (!prop) return;
    OSIF_ParseParams(params, prop);
    if (prop->flags & OSIF_ENC_BASE64) {
        OSIF_ValueToTempFile(value, prop);
    } else {
        OSIF_ParseValues(value, components, prop);
    }
}

struct ContactState {
    int depth = 1;
    tOSIF_ERROR result = OSIF_SUCCESS;
    bool done = false;
    bool saw_version = false;
    bool saw_n = false;
};

// One property line at depth 1 (not BEGIN, END or unknown). False when the contact must end.
bool take_property(int token, SplitLine& line, tagvObject& object, ContactState& state) noexcept {
    tagvCard& c = object.body.card;
    const char* value = line.value;
    switch (token) {
        case VCARD_LUID:
            qel::pim::reading::copy_field(object.luid, sizeof object.luid, value);
            return true;
        case VCARD_VERSION: {
            state.saw_version = true;
            qel::pim::reading::copy_field(object.version, sizeof object.version, value);
            const double v = qel::pim::reading::version_number(value);
            // "not greater than 2.1, or not greater than 3.0": every non-zero value up to 3.0.
            if (v != 0.0 && (v <= 2.1 || v <= 3.0)) return true;
            osif_log(OSIF_LOG_ERROR, "OSIF:  Error - vCard version '%s' is not supported", value);
            state.result = OSIF_ERR_PARSE;
            return false;
        }
        case VCARD_ORG:
            fill(first_org(c), line.params, value, 2);
            return true;
        case VCARD_DEPT:
            if (tagProp* org = first_org(c)) {
                if (char* copy = heap_copy(value)) AddPropValue(org, copy, 1);
            }
            return true;
        case VCARD_ASST_TEL:
            qel::pim::reading::copy_field(line.params, sizeof line.params, "X-ASSISTANT");
            fill(AppendProp(&c.TEL), line.params, value, 1);
            return true;
        case VCARD_WAB_GENDER: {
            const long n = qel::pim::reading::integer_value(value);
            const char* gender = n == 1 ? "FEMALE" : n == 2 ? "MALE" : nullptr;
            if (!gender) return true;
            if (tagProp* prop = AppendProp(&c.GENDER)) {
                if (char* copy = heap_copy(gender)) AddPropValue(prop, copy, 0);
            }
            return true;
        }
        default: {
            if (token == VCARD_N) state.saw_n = true;
            const Target t = target_of(token, c);
            if (t.list) fill(AppendProp(t.list), line.params, value, t.components);
            return true;
        }
    }
}

tOSIF_ERROR parse_contact(std::FILE* stream, tagvObject& object) noexcept {
    ContactState state;
    SplitLine line;
    bool ended = false;
    while (!state.done) {
        qel::pim::reading::read_split(stream, line, true);
        if (line.out_of_memory) return OSIF_ERR_MEMORY;
        if (line.ended) {
            ended = true;
            break;
        }
        if (line.blank) {
            osif_log(OSIF_LOG_ERROR, "OSIF:  Warning - Parser encounted a blank line in vCard");
            state.result = OSIF_SUCCESS_WARNINGS;
            continue;
        }
        const int token = VCardKeywordToken(line.name);
        if (token == VCARD_UNKNOWN) {
            osif_log(OSIF_LOG_WARNING, "OSIF:  Warning - Parser encountered unknown property: '%s'", line.name);
            state.result = OSIF_SUCCESS_WARNINGS;
            continue;
        }
        if (token == VCARD_BEGIN) {
            ++state.depth;
            continue;
        }
        if (token == VCARD_END) {
            if (state.depth == 1) state.done = true;
            --state.depth;
            continue;
        }
        if (state.depth != 1) continue;  // a property of a nested object (an agent)
        if (!take_property(token, line, object, state)) break;
    }
    tagvCard& c = object.body.card;
    if (!state.saw_version) {
        osif_log(OSIF_LOG_WARNING, "OSIF:  WARNING - vCard missing VERSION property.  Assuming '2.1'.");
        qel::pim::reading::copy_field(object.version, sizeof object.version, "2.1");
    }
    if (!state.saw_n) {
        osif_log(OSIF_LOG_WARNING, "OSIF:  WARNING - vCard missing N property.");
        AppendProp(&c.N);
    }
    if (state.done || !ended) return state.result;
    osif_log(OSIF_LOG_ERROR, "OSIF:  Error - vCard missing END tag or does not contain required properties");
    return OSIF_ERR_PARSE;
}

}  // namespace

int VCardKeywordToken(const char* name) noexcept {
    if (!name) return VCARD_UNKNOWN;
    if (const int token = qel::pim::reading::lookup(kKeywords, name)) return token;
    for (const Alias& alias : kAliases) {
        if (qel::pim::reading::lookup(std::span(&alias.name, 1), name)) return alias.token;
    }
    return VCARD_UNKNOWN;
}

tOSIF_ERROR OSIF_ParseVCardBody(std::FILE* stream, tagvObject& object) noexcept {
    if (!stream) return OSIF_ERR_PARSE;
    return parse_contact(stream, object);
}

tOSIF_ERROR OSIF_ParseVCards(std::FILE* stream, OSIF_ObjectCallback callback, std::uintptr_t context) noexcept {
    if (qel::pim::reading::at_end(stream)) return OSIF_ERR_PARSE;
    qel::pim::ParseSession session;
    SplitLine line;
    int contacts = 0;
    tOSIF_ERROR running = OSIF_SUCCESS;
    qel::pim::reading::read_split(stream, line, false);
    for (;;) {
        if (line.out_of_memory) {
            osif_log(OSIF_LOG_ERROR, "OSIF:  Error - Memory allocation error");
            return OSIF_ERR_MEMORY;
        }
        if (line.ended) break;
        if (VCardKeywordToken(line.name) != VCARD_BEGIN) {
            if (contacts > 0) return running;
            osif_log(OSIF_LOG_ERROR, "OSIF:  Error - vCard does not have a BEGIN tag");
            return OSIF_ERR_PARSE;
        }
        tagvObject& object = session.begin_object(OSIF_STORE_PHONEBOOK);
        const tOSIF_ERROR result = parse_contact(stream, object);
        if (result == OSIF_ERR_PARSE || result == OSIF_ERR_MEMORY) return result;
        if (result == OSIF_SUCCESS_WARNINGS) running = OSIF_SUCCESS_WARNINGS;
        ++contacts;
        if (callback) callback(OSIF_STORE_PHONEBOOK, &object, running, context);
        qel::pim::reading::read_split(stream, line, false);
    }
    // A file that simply ends after its last contact is complete: report how its contacts went.
    if (contacts > 0) return running;
    osif_log(OSIF_LOG_ERROR, "OSIF:  Error - vCard does not have a BEGIN tag");
    return OSIF_ERR_PARSE;
}
