// Fuzzes the trace formatter with random format strings against a fixed, mixed argument list:
// whatever the directives ask for, the formatter must stay inside its buffer and terminate it.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "trace/trace_format.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    // The first byte picks the buffer size (1 to 256, or the 1000-byte trace line).
    const std::size_t buffer_size = data[0] == 0 ? 1000 : data[0];
    const std::string format(reinterpret_cast<const char*>(data + 1), size - 1);

    const char16_t wide[] = u"wide \u00e9\u20ac\U0001F600";
    const char16_t lone_surrogate[] = {u'x', 0xD83D, 0};
    const char* null_text = nullptr;
    int local = 0;

    // One byte of slack on each side catches a write outside the span.
    std::vector<char> buffer(buffer_size + 2, '\x5a');
    std::span<char> out(buffer.data() + 1, buffer_size);
    const std::size_t n = qel::trace::format_trace(
        out, format.c_str(), -7, 0xFFFFFFFFu, INT64_MIN, 3.25, "text", wide, null_text, &local,
        'c', u'\u00e9', std::u16string_view(lone_surrogate), std::string("str"), 1e308, 42,
        static_cast<std::uint16_t>(0x8001), nullptr, -1.0 / 0.0, 7ULL);
    if (n >= buffer_size || out[n] != '\0' || std::strlen(out.data()) > n ||
        buffer.front() != '\x5a' || buffer.back() != '\x5a')
        __builtin_trap();
    return 0;
}
