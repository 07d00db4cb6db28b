// Mail dates from arbitrary text: RFC822DateToDATE over the input read as UTF-16 units, and
// MailStringToDATE (with its legacy fallback) over the input as 8-bit text. Each gives the empty
// date or a finite date in the OLE range, never reading past its input.
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

void check_date(DATE date) {
    check(std::isfinite(date));
    if (date != OSIF_EMPTY_DATE) check(date > -657436.0 && date < 2958467.0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool quiet = [] {
        goep_trace_level = 0;
        return true;
    }();
    (void)quiet;
    std::u16string wide(size / 2, u'\0');
    std::memcpy(wide.data(), data, wide.size() * 2);
    check_date(RFC822DateToDATE(wide));
    auto text = std::make_unique<char[]>(size + 1);
    std::memcpy(text.get(), data, size);
    text[size] = '\0';
    check_date(MailStringToDATE(text.get()));
    // The 8-bit text widened byte by byte, as mail headers usually arrive.
    std::u16string widened;
    for (std::size_t i = 0; i < size && data[i]; ++i) widened.push_back(data[i]);
    check_date(RFC822DateToDATE(widened));
    return 0;
}
