// The note reader over arbitrary bytes (the shared checks are in pim_fuzz.h): only notes (store
// 2) are delivered, each with a version the reader accepts (when it was not cut) and lists that read as text; a file
// that gives success delivered at least one note.
#include <cstring>

#include "pim/notes/vnote_parser.h"
#include "pim/prop_values.h"
#include "pim/vcard_lines.h"
#include "pim_fuzz.h"

namespace {

void visit(tOSIF_STOREID store, tagvObject* object, std::uint32_t status, std::uintptr_t context) {
    pimfuzz::check(store == OSIF_STORE_NOTES);
    pimfuzz::check(status == OSIF_SUCCESS || status == OSIF_SUCCESS_WARNINGS);
    // The stored version is cut at 24 characters, so only a whole one must be an accepted number.
    if (std::strlen(object->version) < OSIF_VERSION_SIZE - 1) {
        const double version = qel::pim::reading::version_number(object->version);
        pimfuzz::check(version != 0.0 && version <= 1.1);
    }
    pimfuzz::check(std::memchr(object->luid, '\0', sizeof object->luid) != nullptr);
    const tagvNote& n = object->body.note;
    for (tagProp* list : {n.DCREATED, n.LAST_MODIFIED, n.CATEGORIES, n.CLASS, n.BODY, n.SUMMARY}) {
        for (tagProp* p = list; p; p = p->next) (void)PropToUTF8(p, 0);
    }
    ++*reinterpret_cast<std::size_t*>(context);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto outcome = pimfuzz::parse_bytes(data, size, [](std::FILE* stream, std::uintptr_t context) {
        return OSIF_ParseVNotes(stream, visit, context);
    });
    pimfuzz::check(outcome.result == OSIF_ERR_PARSE || outcome.result == OSIF_ERR_MEMORY || outcome.objects > 0);
    return 0;
}
