// The vCalendar reader over arbitrary bytes (the shared checks are in pim_fuzz.h).
#include "pim/vcal_parser.h"
#include "pim_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    pimfuzz::parse_bytes(data, size, [](std::FILE* stream, std::uintptr_t context) {
        return OSIF_ParseVCalendars(stream, u"fuzz.vcs", pimfuzz::count, context);
    });
    return 0;
}
