#include "trace/callback_trace.h"

#include "platform/last_error.h"

namespace qel::trace::detail {

void callback_trace(const TraceCallback& callback, std::span<char> line, const char* format,
                    std::span<const FormatArg> args) noexcept {
    qel::platform::LastErrorPreserver keep;
    try {
        format_args(line, format, args);
        callback(line.data());
    } catch (...) {
        // Tracing never fails its caller.
    }
}

}  // namespace qel::trace::detail
