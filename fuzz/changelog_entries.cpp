// Change-log entries over arbitrary bytes: every read gives one of its documented results and
// consumes exactly one line, an entry read is within its limits and, written again, reads back the
// same, and a search by LUID leaves the stream where it was.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "pim/notes/change_log.h"

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

std::size_t count_lines(const std::uint8_t* data, std::size_t size) {
    std::size_t lines = 0;
    for (std::size_t i = 0; i < size; ++i) lines += data[i] == '\n';
    return size > 0 && data[size - 1] != '\n' ? lines + 1 : lines;
}

// Whether the entry's texts read back unchanged once written (escapes and a line end would not).
bool round_trips(const tagClEntry& e) {
    for (const char* text : {e.timestamp, e.luid}) {
        if (std::strstr(text, "\\;") || std::strstr(text, "\\\\") || std::strpbrk(text, "\r\n")) return false;
    }
    return std::strchr(e.timestamp, ':') == nullptr && e.changeCount >= -999999999;
}

void check_round_trip(const tagClEntry& e) {
    std::FILE* out = std::tmpfile();
    if (!out) return;
    check(OSIF_WriteClEntry(out, &e) == OSIF_CL_OK);
    std::rewind(out);
    tagClEntry back{};
    check(OSIF_ReadClEntry(out, &back) == OSIF_CL_OK);
    check(back.type == e.type && back.changeCount == e.changeCount);
    check(std::strcmp(back.timestamp, e.timestamp) == 0 && std::strcmp(back.luid, e.luid) == 0);
    std::fclose(out);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    std::FILE* stream = fmemopen(const_cast<std::uint8_t*>(data), size, "rb");
    if (!stream) return 0;
    std::size_t reads = 0;
    tagClEntry e{};
    for (;;) {
        const long before = std::ftell(stream);
        const bool found = OSIF_FindClEntry(stream, &e);
        (void)found;
        check(std::ftell(stream) == before);
        const std::uint32_t r = OSIF_ReadClEntry(stream, &e);
        if (r == OSIF_CL_END_OF_LOG) break;
        check(r == OSIF_CL_OK || r == OSIF_CL_MALFORMED);
        ++reads;
        if (r != OSIF_CL_OK) continue;
        check(e.type == 'M' || e.type == 'D' || e.type == 'H');
        check(std::strlen(e.timestamp) <= OSIF_CL_TIMESTAMP_MAX && std::strlen(e.luid) <= OSIF_CL_LUID_MAX);
        if (round_trips(e)) check_round_trip(e);
    }
    check(reads == count_lines(data, size));
    std::fclose(stream);
    return 0;
}
