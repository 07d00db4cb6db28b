// Whole-object operations: freeing and pruning bodies, dumps, identifiers, list comparison and
// telephone classification.
#include "pim/osif_objects.h"

#include <array>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <new>
#include <random>
#include <string>

#include "pim/osif_log.h"
#include "pim/osif_props.h"

namespace {

std::array<tagProp**, OSIF_VCARD_LISTS> card_lists(tagvCard& c) {
    return {&c.N,           &c.FN,          &c.NICKNAME,   &c.ADR,
            &c.ORG,         &c.TITLE,       &c.ROLE,       &c.TEL,
            &c.URL,         &c.EMAIL,       &c.NOTE,       &c.BDAY,
            &c.SPOUSE,      &c.ANNIVERSARY, &c.CHILDREN,   &c.ASSISTANT,
            &c.MANAGER,     &c.GENDER,      &c.NETMEETING_SERVER, &c.NETMEETING_ALIAS,
            &c.FREE_BUSY,   &c.CATEGORIES,  &c.OFFICELOC,  &c.PHOTO,
            &c.SOUND,       &c.LOGO,        &c.SEND_PLAIN_TEXT};
}

std::array<tagProp**, OSIF_VNOTE_LISTS> note_lists(tagvNote& n) {
    return {&n.DCREATED, &n.LAST_MODIFIED, &n.CATEGORIES, &n.CLASS, &n.BODY, &n.SUMMARY};
}

std::array<tagProp**, OSIF_VMSG_HEADER_LISTS> message_lists(tagvMsg& m) {
    return {&m.MIME_VERSION, &m.DATE, &m.FROM, &m.TO, &m.CC, &m.BCC, &m.REPLY_TO, &m.SUBJECT, &m.IMPORTANCE};
}

bool is_message_store(tOSIF_STOREID store) { return store >= OSIF_STORE_INBOX && store <= OSIF_STORE_FOLDER4; }

bool has_text(const tagString* list) {
    for (; list; list = list->next) {
        if (list->str && list->str[0]) return true;
    }
    return false;
}

bool keeps_content(const tagProp* prop) { return prop->file || has_text(prop->values); }

}  // namespace

void OSIF_FreeParts(tagPart* parts) noexcept {
    while (parts) {
        tagPart* next = parts->next;
        OSIF_FreeStringList(parts->contentType);
        OSIF_FreeStringList(parts->transferEncoding);
        OSIF_FreePropList(parts->content);
        OSIF_Free(parts);
        parts = next;
    }
}

void OSIF_FreeMultipart(tagMultipart* multipart) noexcept {
    if (!multipart) return;
    OSIF_FreeStringList(multipart->boundary);
    OSIF_FreeStringList(multipart->contentType);
    OSIF_FreeStringList(multipart->transferEncoding);
    OSIF_Free(multipart);
}

void OSIF_FreeObject(tOSIF_STOREID storeId, tagvObject* object) noexcept {
    if (!object) return;
    if (storeId == OSIF_STORE_PHONEBOOK) {
        for (tagProp** list : card_lists(object->body.card)) OSIF_FreePropList(*list);
    } else if (storeId == OSIF_STORE_CALENDAR) {
        for (tagProp* list : object->body.cal.slots) OSIF_FreePropList(list);
    } else if (storeId == OSIF_STORE_NOTES) {
        for (tagProp** list : note_lists(object->body.note)) OSIF_FreePropList(*list);
    } else if (is_message_store(storeId)) {
        tagvMsg& m = object->body.msg;
        OSIF_FreeStringList(m.STATUS);
        OSIF_FreeStringList(m.TYPE);
        OSIF_FreeStringList(m.FOLDER);
        for (tagProp** list : message_lists(m)) OSIF_FreePropList(*list);
        OSIF_FreeMultipart(m.multipart);
        OSIF_FreeParts(m.parts);
    }
    std::memset(object, 0, sizeof(tagvObject));
}

void OSIF_PruneEmptyProps(tagProp** head) noexcept {
    if (!head) return;
    tagProp** slot = head;
    while (*slot) {
        tagProp* prop = *slot;
        if (keeps_content(prop)) {
            slot = &prop->next;
            continue;
        }
        *slot = prop->next;
        prop->next = nullptr;
        OSIF_FreePropList(prop);
    }
}

void OSIF_PruneObject(tOSIF_STOREID storeId, tagvObject* object) noexcept {
    if (!object) return;
    if (storeId == OSIF_STORE_PHONEBOOK) {
        const auto lists = card_lists(object->body.card);
        for (std::size_t i = 0; i < OSIF_VCARD_PRUNED_LISTS; ++i) OSIF_PruneEmptyProps(lists[i]);
    } else if (storeId == OSIF_STORE_CALENDAR) {
        for (tagProp*& list : object->body.cal.slots) OSIF_PruneEmptyProps(&list);
    } else if (storeId == OSIF_STORE_NOTES) {
        for (tagProp** list : note_lists(object->body.note)) OSIF_PruneEmptyProps(list);
    } else if (is_message_store(storeId)) {
        for (tagProp** list : message_lists(object->body.msg)) OSIF_PruneEmptyProps(list);
    }
}

namespace {

// Identifiers walk the ring of 36^8 values from a random start in steps of a number prime to
// 36, so each value comes once per round of the ring. Guarded by id_lock.
constexpr std::uint64_t kIdRing = 2821109907456ULL;  // 36^8
constexpr std::uint64_t kIdStep = 25214903917ULL;    // not divisible by 2 or 3
std::mutex id_lock;
bool id_seeded = false;
std::uint64_t id_state = 0;

std::uint64_t random_start() {
    try {
        std::random_device device;
        return (static_cast<std::uint64_t>(device()) << 32) ^ device();
    } catch (...) {
        return static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    }
}

}  // namespace

void OSIF_MakeId(char* out) noexcept {
    if (!out) return;
    static constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::uint64_t value;
    {
        std::lock_guard lock(id_lock);
        if (!id_seeded) {
            id_state = random_start() % kIdRing;
            id_seeded = true;
        }
        id_state = (id_state + kIdStep) % kIdRing;
        value = id_state;
    }
    for (int i = 7; i >= 0; --i) {
        out[i] = kDigits[value % 36];
        value /= 36;
    }
    out[8] = '\0';
}

void OSIF_DumpObject(tOSIF_STOREID storeId) noexcept {
    osif_log(OSIF_LOG_WARNING, "OSIF:  Dumping contents of vObject");
    osif_log(OSIF_LOG_WARNING, "       Object Type: %02x", storeId);
}

std::vector<std::string> OSIF_HexDumpLines(const char* prefix, const void* data, std::size_t length) {
    constexpr std::size_t kMaxLine = 261;
    constexpr std::size_t kBody = 7 + 16 * 3 + 2 + 16;  // offset, bytes, gap, characters
    std::vector<std::string> lines;
    if (!prefix) prefix = "";
    const std::size_t prefix_length = std::strlen(prefix);
    if (prefix_length + kBody > kMaxLine || (!data && length > 0)) return lines;
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (std::size_t offset = 0; offset < length; offset += 16) {
        std::string line = prefix;
        char field[16];
        std::snprintf(field, sizeof field, "%04X:  ", static_cast<unsigned>(offset));
        line += field;
        for (std::size_t i = 0; i < 16; ++i) {
            if (offset + i < length) {
                std::snprintf(field, sizeof field, "%02X ", bytes[offset + i]);
                line += field;
            } else {
                line += "   ";
            }
        }
        line += "  ";
        for (std::size_t i = 0; i < 16; ++i) {
            char c = ' ';
            if (offset + i < length) {
                const unsigned char b = bytes[offset + i];
                c = (b >= 0x20 && b < 0x7F) ? static_cast<char>(b) : '.';
            }
            line.push_back(c);
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

void OSIF_HexDump(const char* prefix, const void* data, std::size_t length) noexcept {
    if (goep_trace_level.load() < OSIF_LOG_WARNING) return;
    try {
        for (const std::string& line : OSIF_HexDumpLines(prefix, data, length)) {
            LogMsg(OSIF_LOG_WARNING, "%s", line.c_str());
        }
    } catch (const std::bad_alloc&) {
    }
}

int OSIF_CompareStringLists(const tagString* a, const tagString* b) noexcept {
    const bool text_a = has_text(a);
    const bool text_b = has_text(b);
    if (!text_a && !text_b) return 0;
    if (text_a != text_b) return 2;
    while (has_text(a) || has_text(b)) {
        if (has_text(a) != has_text(b)) return 1;
        const char* sa = a->str ? a->str : "";
        const char* sb = b->str ? b->str : "";
        if (std::strcmp(sa, sb) != 0) return 1;
        a = a->next;
        b = b->next;
    }
    return 0;
}

int OSIF_ClassifyTel(tagString* params) noexcept {
    const bool fax = FindString(params, "FAX") != nullptr;
    if (FindString(params, "WORK")) return fax ? 1 : 0;
    if (FindString(params, "HOME")) return fax ? 3 : 2;
    if (FindString(params, "CELL")) return 4;
    if (FindString(params, "CAR")) return 5;
    if (FindString(params, "PAGER")) return 6;
    if (FindString(params, "ISDN")) return 7;
    if (!params || !params->str || !params->str[0]) return 2;
    return fax ? 3 : 8;
}
