// The vMessage reader over arbitrary bytes (the shared checks are in pim_fuzz.h): a file that
// gives success delivered at least one message, every message's parts can be decoded, and a
// multipart record can be built for the parts it delivered.
#include <array>

#include "pim/message/multipart.h"
#include "pim/message/vmsg_parser.h"
#include "pim/osif_objects.h"
#include "pim_fuzz.h"

namespace {

void deliver(tOSIF_STOREID store, tagvObject* object, std::uint32_t status, std::uintptr_t context) {
    pimfuzz::check(store == OSIF_STORE_INBOX || store == OSIF_STORE_SENTBOX || store == OSIF_STORE_OUTBOX);
    const tagvMsg& m = object->body.msg;
    if (m.multipart) pimfuzz::check(m.multipart->boundary && m.multipart->boundary->str && *m.multipart->boundary->str);
    std::array<char, OSIF_BOUNDARY_SIZE> boundary{};
    if (OSIF_FindUniqueBoundary(m.parts, boundary)) pimfuzz::check(boundary[0] == '-');
    pimfuzz::count(store, object, status, context);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto outcome = pimfuzz::parse_bytes(data, size, [](std::FILE* stream, std::uintptr_t context) {
        return OSIF_ParseVMessages(stream, deliver, context);
    });
    pimfuzz::check(outcome.result == OSIF_ERR_PARSE || outcome.result == OSIF_ERR_MEMORY || outcome.objects > 0);
    return 0;
}
