// The message reader. A message is read into a scratch record of its own and moved into the
// shared parse record when it is complete: an embedded contact is read with the contact reader,
// which works in the shared record, so a message built there would lose whatever was read before
// its originator or a recipient.
#include "pim/message/vmsg_parser.h"

#include <array>
#include <cctype>
#include <cstring>
#include <new>
#include <optional>
#include <string>
#include <string_view>

#include "pim/message/embedded_contact.h"
#include "pim/osif_files.h"
#include "pim/osif_lines.h"
#include "pim/osif_log.h"
#include "pim/osif_objects.h"
#include "pim/osif_props.h"
#include "pim/pim_object_record.h"
#include "pim/vcard_lines.h"

namespace {

using qel::pim::reading::OsifText;
using qel::pim::reading::SplitLine;

constexpr std::array<std::string_view, 18> kKeywords = {
    "DATE",        "FROM",          "SUBJECT",       "MIME-VERSION", "TO",    "CC",
    "REPLY-TO",    "CONTENT-TYPE",  "CONTENT-TRANSFER-ENCODING",     "VERSION",
    "X-IRMC-LUID", "X-IRMC-STATUS", "X-IRMC-TYPE",   "X-BT-FOLDER",  "BEGIN", "END",
    "BCC",         "IMPORTANCE",
};

// Messages of version 1.1 and earlier are read.
constexpr double kHighestVersion = 1.1;

char lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

bool contains_ci(std::string_view text, std::string_view needle) {
    if (needle.size() > text.size()) return false;
    for (std::size_t i = 0; i + needle.size() <= text.size(); ++i) {
        bool same = true;
        for (std::size_t k = 0; k < needle.size() && same; ++k) same = lower(text[i + k]) == lower(needle[k]);
        if (same) return true;
    }
    return false;
}

std::size_t find_ci(std::string_view text, std::string_view needle) {
    for (std::size_t i = 0; i + needle.size() <= text.size(); ++i) {
        bool same = true;
        for (std::size_t k = 0; k < needle.size() && same; ++k) same = lower(text[i + k]) == lower(needle[k]);
        if (same) return i;
    }
    return std::string_view::npos;
}

bool starts_with_ci(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && contains_ci(text.substr(0, prefix.size()), prefix);
}

bool is_blank(char c) { return c == ' ' || c == '\t'; }

// A header value without the blanks that follow "Name:" in mail headers.
const char* skip_blanks(const char* text) {
    while (is_blank(*text)) ++text;
    return text;
}

std::string trimmed(const char* text) {
    std::string out = skip_blanks(text);
    while (!out.empty() && is_blank(out.back())) out.pop_back();
    return out;
}

char* heap_copy(std::string_view text) noexcept {
    char* out = static_cast<char*>(OSIF_Alloc(text.size() + 1));
    if (!out) return nullptr;
    std::memcpy(out, text.data(), text.size());
    out[text.size()] = '\0';
    return out;
}

// Replaces the list at *slot with one node holding a copy of text. False when memory runs out.
bool set_single(tagString** slot, std::string_view text) noexcept {
    OSIF_FreeStringList(*slot);
    *slot = nullptr;
    tagString* node = NewString(slot);
    if (!node) return false;
    node->str = heap_copy(text);
    return node->str != nullptr;
}

// Encoding bits of a transfer-encoding text.
std::uint32_t transfer_flags(std::string_view encoding) {
    if (contains_ci(encoding, "QUOTED-PRINTABLE")) return OSIF_ENC_QP;
    if (contains_ci(encoding, "BASE64")) return OSIF_ENC_BASE64;
    if (contains_ci(encoding, "8BIT")) return OSIF_ENC_8BIT;
    return 0;
}

std::uint32_t multipart_subtype(std::string_view contentType) {
    const std::size_t slash = find_ci(contentType, "multipart/");
    if (slash == std::string_view::npos) return OSIF_MULTIPART_OTHER;
    std::string_view rest = contentType.substr(slash + 10);
    std::size_t end = 0;
    while (end < rest.size() && rest[end] != ';' && !is_blank(rest[end])) ++end;
    rest = rest.substr(0, end);
    constexpr std::array<std::string_view, 4> kNames = {"mixed", "alternative", "digest", "parallel"};
    for (std::size_t i = 0; i < kNames.size(); ++i) {
        if (rest.size() == kNames[i].size() && starts_with_ci(rest, kNames[i])) return static_cast<std::uint32_t>(i + 1);
    }
    return OSIF_MULTIPART_OTHER;
}

// The boundary parameter of a content type: after "boundary" and "=", either a double-quoted
// text (up to the closing quote) or a bare one (up to ";" or a blank). Empty when there is none.
std::string boundary_of(std::string_view contentType) {
    std::size_t from = 0;
    for (;;) {
        const std::size_t at = find_ci(contentType.substr(from), "boundary");
        if (at == std::string_view::npos) return {};
        std::size_t p = from + at + 8;
        while (p < contentType.size() && is_blank(contentType[p])) ++p;
        if (p >= contentType.size() || contentType[p] != '=') {
            from = from + at + 8;
            continue;
        }
        ++p;
        while (p < contentType.size() && is_blank(contentType[p])) ++p;
        if (p < contentType.size() && contentType[p] == '"') {
            const std::size_t close = contentType.find('"', p + 1);
            return std::string(contentType.substr(p + 1, close == std::string_view::npos ? std::string_view::npos
                                                                                          : close - p - 1));
        }
        std::size_t end = p;
        while (end < contentType.size() && contentType[end] != ';' && !is_blank(contentType[end])) ++end;
        return std::string(contentType.substr(p, end - p));
    }
}

// One logical line as the line reader gives it, with blank lines returned as they come.
struct RawLine {
    OsifText text;
    bool ended = false;
    bool out_of_memory = false;
    std::string_view view() const { return text ? std::string_view(text.get()) : std::string_view(); }
};

void read_raw(std::FILE* stream, RawLine& line, std::optional<std::uint32_t> hint) {
    line.text.reset(OSIF_ReadPropertyLine(stream, hint, true));
    line.out_of_memory = !line.text;
    line.ended = line.text && line.text.get()[0] == '\0' && std::feof(stream);
}

// Splits a line already read into name (blanks removed), parameters (blanks removed) and value.
void split(RawLine& raw, SplitLine& line) {
    line.text = std::move(raw.text);
    line.name[0] = '\0';
    line.params[0] = '\0';
    line.value = nullptr;
    line.ended = raw.ended;
    line.out_of_memory = raw.out_of_memory;
    line.blank = !line.text || line.text.get()[0] == '\0';
    if (!line.text) return;
    const char* value = OSIF_SplitPropertyLine(line.name, line.params, line.text.get());
    line.value = line.text.get() + (value - line.text.get());
    OSIF_RemoveBlanks(line.name);
    OSIF_RemoveBlanks(line.params);
}

tagProp** header_list(int token, tagvMsg& m) {
    switch (token) {
        case VMSG_DATE: return &m.DATE;
        case VMSG_FROM: return &m.FROM;
        case VMSG_SUBJECT: return &m.SUBJECT;
        case VMSG_MIME_VERSION: return &m.MIME_VERSION;
        case VMSG_TO: return &m.TO;
        case VMSG_CC: return &m.CC;
        case VMSG_REPLY_TO: return &m.REPLY_TO;
        case VMSG_BCC: return &m.BCC;
        case VMSG_IMPORTANCE: return &m.IMPORTANCE;
        default: return nullptr;
    }
}

// How a run of content ended: at END:VBODY (single content), at a boundary line, or at the
// closing boundary line (the marker followed by "--").
enum class Stop { EndOfBody, Boundary, LastBoundary };

constexpr int kHeaderComponents = 100;

// Reads one message after its BEGIN:VMSG line into a record of its own. Each step returns
// OSIF_SUCCESS to go on or the result that ends the message; warnings gather in warnings_.
class MessageReader {
public:
    MessageReader(std::FILE* stream, tagvObject& object) : stream_(stream), object_(object), msg_(object.body.msg) {}

    tOSIF_ERROR read() {
        SplitLine line;
        bool saw_version = false;
        bool closed = false;
        while (!closed) {
            qel::pim::reading::read_split(stream_, line, true);
            if (line.out_of_memory) return OSIF_ERR_MEMORY;
            if (line.ended) break;
            if (line.blank) {
                osif_log(OSIF_LOG_ERROR, "OSIF:  Warning - Parser encounted a blank line in vMSG");
                warn();
                continue;
            }
            const int token = VMsgKeywordToken(line.name);
            tOSIF_ERROR step = OSIF_SUCCESS;
            switch (token) {
                case VMSG_UNKNOWN:
                    osif_log(OSIF_LOG_WARNING, "OSIF:  Warning - Parser encountered unknown property: '%s'", line.name);
                    warn();
                    break;
                case VMSG_VERSION: {
                    saw_version = true;
                    qel::pim::reading::copy_field(object_.version, sizeof object_.version, line.value);
                    const double v = qel::pim::reading::version_number(line.value);
                    if (v == 0.0 || v > kHighestVersion) {
                        osif_log(OSIF_LOG_ERROR, "OSIF:  Error - vMsg version '%s' is not supported", line.value);
                        return OSIF_ERR_PARSE;
                    }
                    break;
                }
                case VMSG_LUID:
                    qel::pim::reading::copy_field(object_.luid, sizeof object_.luid, line.value);
                    break;
                case VMSG_STATUS: step = keep(&msg_.STATUS, line.value); break;
                case VMSG_TYPE: step = keep(&msg_.TYPE, line.value); break;
                case VMSG_FOLDER: step = keep(&msg_.FOLDER, line.value); break;
                case VMSG_BEGIN:
                    if (std::strcmp(line.value, "VCARD") == 0) {
                        step = contact();
                    } else if (std::strcmp(line.value, "VENV") == 0) {
                        step = envelope();
                    }
                    break;
                case VMSG_END:
                    closed = std::strcmp(line.value, "VMSG") == 0;
                    break;
                default:
                    break;  // mail headers and content fields belong inside the body
            }
            if (step != OSIF_SUCCESS) return step;
        }
        if (!closed || !saw_version) return OSIF_ERR_PARSE;
        return warnings_;
    }

private:
    void warn() { warnings_ = OSIF_SUCCESS_WARNINGS; }

    static tOSIF_ERROR keep(tagString** slot, const char* value) {
        return set_single(slot, value) ? OSIF_SUCCESS : OSIF_ERR_MEMORY;
    }

    // An originator or recipient contact: read with the contact reader and not kept.
    tOSIF_ERROR contact() {
        const tOSIF_ERROR result = qel::pim::message::read_embedded_contact(stream_);
        if (result == OSIF_SUCCESS_WARNINGS) warn();
        return result == OSIF_SUCCESS_WARNINGS ? OSIF_SUCCESS : result;
    }

    // After BEGIN:VENV: recipients, nested envelopes and the body, up to the outermost END:VENV.
    tOSIF_ERROR envelope() {
        SplitLine line;
        int depth = 1;
        bool body_seen = false;
        while (depth > 0) {
            qel::pim::reading::read_split(stream_, line, true);
            if (line.out_of_memory) return OSIF_ERR_MEMORY;
            if (line.ended) break;
            if (line.blank) {
                osif_log(OSIF_LOG_ERROR, "OSIF:  Warning - Parser encounted a blank line in vEnv");
                warn();
                continue;
            }
            const int token = VCardKeywordToken(line.name);
            if (token == VCARD_END) {
                if (std::strcmp(line.value, "VENV") == 0) --depth;
                continue;
            }
            if (token != VCARD_BEGIN) continue;
            tOSIF_ERROR step = OSIF_SUCCESS;
            if (std::strcmp(line.value, "VCARD") == 0) {
                step = contact();
            } else if (std::strcmp(line.value, "VENV") == 0) {
                ++depth;
            } else if (std::strcmp(line.value, "VBODY") == 0 && !body_seen) {
                body_seen = true;
                step = body();
            }
            if (step != OSIF_SUCCESS) return step;
        }
        if (depth > 0 || !body_seen) {
            osif_log(OSIF_LOG_ERROR, "OSIF:  Error - vMsg missing BODY section");
            return OSIF_ERR_PARSE;
        }
        return OSIF_SUCCESS;
    }

    static tOSIF_ERROR missing_end() {
        osif_log(OSIF_LOG_ERROR, "OSIF:  Error - vBody missing END tag");
        return OSIF_ERR_PARSE;
    }

    static tOSIF_ERROR end_inside_content() {
        osif_log(OSIF_LOG_ERROR, "OSIF:  Error - reached EOF while parsing CONTENT of vMsg");
        return OSIF_ERR_PARSE;
    }

    // After BEGIN:VBODY: the mail headers up to the first blank line, then the content.
    tOSIF_ERROR body() {
        std::string content_type;
        std::string transfer_encoding;
        RawLine raw;
        SplitLine line;
        for (;;) {
            read_raw(stream_, raw, std::nullopt);
            split(raw, line);
            if (line.out_of_memory) return OSIF_ERR_MEMORY;
            if (line.ended) return missing_end();
            if (line.blank) break;
            const int token = VMsgKeywordToken(line.name);
            if (tagProp** list = header_list(token, msg_)) {
                tagProp* prop = AppendProp(list);
                if (!prop) return OSIF_ERR_MEMORY;
                OSIF_ParseParams(line.params, prop);
                OSIF_ParseValues(skip_blanks(line.value), kHeaderComponents, prop);
            } else if (token == VMSG_CONTENT_TYPE) {
                content_type = trimmed(line.value);
            } else if (token == VMSG_CONTENT_TRANSFER_ENCODING) {
                transfer_encoding = trimmed(line.value);
            } else if (token == VMSG_END) {
                // A body without content: its END line comes before any blank line.
                return std::strcmp(line.value, "VBODY") == 0 ? OSIF_SUCCESS : missing_end();
            } else if (token == VMSG_UNKNOWN) {
                osif_log(OSIF_LOG_WARNING, "OSIF:  Warning - Parser encountered unknown property: '%s'", line.name);
                warn();
            }
        }
        if (contains_ci(content_type, "multipart")) {
            const std::string boundary = boundary_of(content_type);
            // Without a boundary no part can be told apart: the content is read as one.
            if (!boundary.empty()) return multipart(content_type, transfer_encoding, boundary);
        }
        tagPart* part = new_part(content_type, transfer_encoding);
        if (!part) return OSIF_ERR_MEMORY;
        Stop stop = Stop::EndOfBody;
        return content(part, {}, stop);
    }

    tOSIF_ERROR multipart(const std::string& content_type, const std::string& transfer_encoding,
                          const std::string& boundary) {
        if (!msg_.multipart) {
            msg_.multipart = static_cast<tagMultipart*>(OSIF_Alloc(sizeof(tagMultipart)));
            if (!msg_.multipart) return OSIF_ERR_MEMORY;
            std::memset(msg_.multipart, 0, sizeof(tagMultipart));
            tagMultipart& m = *msg_.multipart;
            m.subtype = multipart_subtype(content_type);
            if (!set_single(&m.boundary, boundary) || !set_single(&m.contentType, content_type)) return OSIF_ERR_MEMORY;
            if (!transfer_encoding.empty() && !set_single(&m.transferEncoding, transfer_encoding)) return OSIF_ERR_MEMORY;
        }
        osif_log(OSIF_LOG_WARNING, "OSIF:  Parsing Multipart Content (boundary='%s')", boundary.c_str());
        const std::string marker = "--" + boundary;
        RawLine raw;
        // The preamble, up to the first boundary line.
        Stop stop = Stop::Boundary;
        for (;;) {
            read_raw(stream_, raw, 0);
            if (raw.out_of_memory) return OSIF_ERR_MEMORY;
            if (raw.ended) return end_inside_content();
            if (raw.view().starts_with(marker)) {
                stop = raw.view() == marker + "--" ? Stop::LastBoundary : Stop::Boundary;
                break;
            }
            if (starts_with_ci(raw.view(), "END:VBODY")) return OSIF_SUCCESS;
        }
        while (stop == Stop::Boundary) {
            const tOSIF_ERROR result = part(marker, stop);
            if (result != OSIF_SUCCESS) return result;
        }
        // The epilogue, up to END:VBODY.
        for (;;) {
            read_raw(stream_, raw, 0);
            if (raw.out_of_memory) return OSIF_ERR_MEMORY;
            if (raw.ended) return missing_end();
            if (starts_with_ci(raw.view(), "END:VBODY")) return OSIF_SUCCESS;
            if (starts_with_ci(raw.view(), "END:")) return missing_end();
        }
    }

    // One part after its boundary line: its own headers, then its content up to the next
    // boundary line (stop tells which kind).
    tOSIF_ERROR part(const std::string& marker, Stop& stop) {
        std::string content_type;
        std::string transfer_encoding;
        RawLine raw;
        SplitLine line;
        for (;;) {
            read_raw(stream_, raw, std::nullopt);
            if (raw.out_of_memory) return OSIF_ERR_MEMORY;
            if (raw.ended) return end_inside_content();
            if (raw.view().starts_with(marker)) {
                // A part with headers only.
                stop = raw.view() == marker + "--" ? Stop::LastBoundary : Stop::Boundary;
                return new_part(content_type, transfer_encoding) ? OSIF_SUCCESS : OSIF_ERR_MEMORY;
            }
            split(raw, line);
            if (line.blank) break;
            const int token = VMsgKeywordToken(line.name);
            if (token == VMSG_CONTENT_TYPE) {
                content_type = trimmed(line.value);
            } else if (token == VMSG_CONTENT_TRANSFER_ENCODING) {
                transfer_encoding = trimmed(line.value);
            } else {
                osif_log(OSIF_LOG_WARNING, "OSIF:  Warning - Parser encountered unexpected property: '%s'", line.name);
                warn();
            }
        }
        tagPart* p = new_part(content_type, transfer_encoding);
        if (!p) return OSIF_ERR_MEMORY;
        return content(p, marker, stop);
    }

    // A new part at the end of the message's part list, holding the two texts and their flags.
    tagPart* new_part(const std::string& content_type, const std::string& transfer_encoding) {
        auto* p = static_cast<tagPart*>(OSIF_Alloc(sizeof(tagPart)));
        if (!p) return nullptr;
        std::memset(p, 0, sizeof(tagPart));
        tagPart** slot = &msg_.parts;
        while (*slot) slot = &(*slot)->next;
        *slot = p;
        if (!content_type.empty() && !set_single(&p->contentType, content_type)) return nullptr;
        if (!transfer_encoding.empty() && !set_single(&p->transferEncoding, transfer_encoding)) return nullptr;
        p->flags = transfer_flags(transfer_encoding) | (contains_ci(content_type, "CHARSET") ? OSIF_ENC_CHARSET : 0);
        return p;
    }

    // Whether a content line ends the content: with no marker at END:VBODY, else at a line that
    // begins with the marker.
    static std::optional<Stop> stop_of(std::string_view text, const std::string& marker) {
        if (marker.empty()) {
            if (starts_with_ci(text, "END:VBODY")) return Stop::EndOfBody;
            return std::nullopt;
        }
        if (!text.starts_with(marker)) return std::nullopt;
        return text.size() == marker.size() + 2 && text.ends_with("--") ? Stop::LastBoundary : Stop::Boundary;
    }

    // The content of a part up to its end line: base64 into a temporary file, anything else as
    // one text (lines joined with CR LF, still encoded) in value component 0.
    tOSIF_ERROR content(tagPart* part, const std::string& marker, Stop& stop) {
        const std::uint32_t hint = part->flags & (OSIF_ENC_QP | OSIF_ENC_BASE64);
        tagProp* prop = AppendProp(&part->content);
        if (!prop) return OSIF_ERR_MEMORY;
        std::FILE* file = nullptr;
        tOSIF_ERROR file_result = OSIF_SUCCESS;
        if (hint & OSIF_ENC_BASE64) {
            char16_t path[OSIF_PATH_SIZE] = {};
            if (FILE_TempFilename(path) != 0) {
                file_result = OSIF_ERR_FILE;
            } else {
                FileToProp(path, prop);  // from here on the file goes with the property
                if (!prop->file) {
                    FILE_Remove(path);
                    return OSIF_ERR_MEMORY;
                }
                if (FILE_Open(&file, path, "w") != 0) file_result = OSIF_ERR_OPEN;
            }
        }
        std::string text;
        bool first = true;
        RawLine raw;
        tOSIF_ERROR result = OSIF_SUCCESS;
        for (;;) {
            read_raw(stream_, raw, hint);
            if (raw.out_of_memory) {
                result = OSIF_ERR_MEMORY;
                break;
            }
            if (raw.ended) {
                result = end_inside_content();
                break;
            }
            if (const auto end = stop_of(raw.view(), marker)) {
                stop = *end;
                break;
            }
            if (hint & OSIF_ENC_BASE64) {
                if (file && (std::fputs(raw.text.get(), file) < 0 || std::fputc('\n', file) == EOF)) {
                    file_result = OSIF_ERR_FILE;
                }
                continue;
            }
            if (!first) text += "\r\n";
            text += raw.view();
            first = false;
        }
        if (file && FILE_Close(file, "vMsg content") != 0) file_result = OSIF_ERR_FILE;
        if (result != OSIF_SUCCESS) return result;
        if (hint & OSIF_ENC_BASE64) return file_result;
        char* copy = heap_copy(text);
        if (!copy) return OSIF_ERR_MEMORY;
        AddPropValue(prop, copy, 0);
        return OSIF_SUCCESS;
    }

    std::FILE* stream_;
    tagvObject& object_;
    tagvMsg& msg_;
    tOSIF_ERROR warnings_ = OSIF_SUCCESS;
};

// A message record of the reader's own; what it still holds when the reader gives up is freed
// (with its content files).
struct ScratchMessage {
    tagvObject object{};
    ScratchMessage() = default;
    ScratchMessage(const ScratchMessage&) = delete;
    ScratchMessage& operator=(const ScratchMessage&) = delete;
    ~ScratchMessage() { OSIF_FreeObject(OSIF_STORE_INBOX, &object); }
};

tOSIF_ERROR refuse_begin() {
    osif_log(OSIF_LOG_ERROR, "OSIF:  Error - vMsg does not have a BEGIN tag");
    return OSIF_ERR_PARSE;
}

tOSIF_ERROR out_of_memory() {
    osif_log(OSIF_LOG_ERROR, "OSIF:  Error - Memory allocation error");
    return OSIF_ERR_MEMORY;
}

tOSIF_ERROR parse_messages(std::FILE* stream, OSIF_ObjectCallback callback, std::uintptr_t context) {
    if (qel::pim::reading::at_end(stream)) return OSIF_ERR_PARSE;
    qel::pim::ParseSession session;
    SplitLine line;
    int messages = 0;
    tOSIF_ERROR running = OSIF_SUCCESS;
    qel::pim::reading::read_split(stream, line, false);
    for (;;) {
        if (line.out_of_memory) return out_of_memory();
        if (line.ended) break;
        if (VMsgKeywordToken(line.name) != VMSG_BEGIN || std::strcmp(line.value, "VMSG") != 0) {
            return messages > 0 ? running : refuse_begin();
        }
        session.begin_object(OSIF_STORE_INBOX);  // the previous object and its files go now
        ScratchMessage scratch;
        const tOSIF_ERROR result = MessageReader(stream, scratch.object).read();
        if (result == OSIF_ERR_MEMORY) return out_of_memory();
        if (result != OSIF_SUCCESS && result != OSIF_SUCCESS_WARNINGS) return result;
        if (result == OSIF_SUCCESS_WARNINGS) running = OSIF_SUCCESS_WARNINGS;
        const tagString* folder = scratch.object.body.msg.FOLDER;
        const tOSIF_STOREID store = VMsgStoreOfFolder(folder ? folder->str : nullptr);
        tagvObject& object = session.begin_object(store);
        std::memcpy(&object, &scratch.object, sizeof object);
        std::memset(&scratch.object, 0, sizeof scratch.object);
        ++messages;
        if (callback) callback(store, &object, running, context);
        qel::pim::reading::read_split(stream, line, false);
    }
    // A file that simply ends after its last message is complete: report how its messages went.
    return messages > 0 ? running : refuse_begin();
}

}  // namespace

int VMsgKeywordToken(const char* name) noexcept {
    if (!name) return VMSG_UNKNOWN;
    return qel::pim::reading::lookup(kKeywords, name);
}

tOSIF_STOREID VMsgStoreOfFolder(const char* folder) noexcept {
    if (folder && std::strcmp(folder, "OUTBOX") == 0) return OSIF_STORE_OUTBOX;
    if (folder && std::strcmp(folder, "SENTBOX") == 0) return OSIF_STORE_SENTBOX;
    return OSIF_STORE_INBOX;
}

tOSIF_ERROR OSIF_ParseVMessages(std::FILE* stream, OSIF_ObjectCallback callback, std::uintptr_t context) noexcept {
    try {
        return parse_messages(stream, callback, context);
    } catch (const std::bad_alloc&) {
        return out_of_memory();
    }
}
