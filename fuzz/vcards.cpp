// The vCard reader over arbitrary bytes (the shared checks are in pim_fuzz.h); a file that gives
// success delivered at least one contact.
#include "pim/vcard_parser.h"
#include "pim_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto outcome = pimfuzz::parse_bytes(data, size, [](std::FILE* stream, std::uintptr_t context) {
        return OSIF_ParseVCards(stream, pimfuzz::count, context);
    });
    pimfuzz::check(outcome.result == OSIF_ERR_PARSE || outcome.result == OSIF_ERR_MEMORY || outcome.objects > 0);
    return 0;
}
