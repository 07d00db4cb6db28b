// Operator numbers in "ID" lists: findNumNetInList over arbitrary text (taken as UTF-16 code
// units) and an arbitrary number must read only up to the terminator, and both forms (number and
// decimal text) must agree; a list that is just the number must match it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "dialup/providers/provider_xml.h"

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4) return 0;
    std::int32_t id = 0;
    std::memcpy(&id, data, 4);
    data += 4;
    size -= 4;
    // An exactly sized heap copy with its terminator, so reading past it shows.
    const std::size_t units = size / 2;
    auto list = std::make_unique<char16_t[]>(units + 1);
    std::memcpy(list.get(), data, units * 2);
    list[units] = u'\0';

    const bool by_number = findNumNetInList(list.get(), id);
    if (id >= 0) {
        check(by_number == findNumNetInList(list.get(), std::to_string(id).c_str()));
        const std::string digits = std::to_string(id);
        const std::u16string alone(digits.begin(), digits.end());
        check(findNumNetInList(alone.c_str(), id));
    } else {
        check(!by_number);  // lists hold no signs
    }
    return 0;
}
