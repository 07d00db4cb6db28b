// ISO 8601 dates from arbitrary text: StrToOleDateTime must read only up to the terminator and
// give either the empty date or a date in the OLE range that formats back without failing.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "pim/ole_dates.h"
#include "trace/pim_log.h"

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool quiet = [] {
        goep_trace_level = 0;  // the error lines are not what is tested here
        return true;
    }();
    (void)quiet;
    // An exactly sized heap copy, so reading past the terminator shows.
    auto text = std::make_unique<char[]>(size + 1);
    std::memcpy(text.get(), data, size);
    text[size] = '\0';
    DATE date = 0.0;
    StrToOleDateTime(date, text.get());
    check(std::isfinite(date));
    if (date == OSIF_EMPTY_DATE) return 0;
    check(date > -657435.0 && date < 2958466.0);
    std::string formatted;
    DATEToStr(formatted, date, true, true, true);
    check(!formatted.empty());
    return 0;
}
